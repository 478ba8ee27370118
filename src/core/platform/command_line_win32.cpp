#include <windows.h>

#include "core/platform/command_line.h"
#include "core/platform/text_codes.h"

// wmain (linked with -municode) receives the arguments as the user typed them;
// main would get them squeezed through the ANSI code page, losing every
// character outside it.
int wmain(int argc, wchar_t** argv) {
  // What the program prints is UTF-8; a console shows it as such.
  ::SetConsoleOutputCP(CP_UTF8);
  std::vector<tilvane::Text> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(tilvane::platform::WideToUtf8(argv[i]));
  return tilvane::ProgramMain(std::move(arguments));
}
