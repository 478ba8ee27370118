#include "core/platform/shared_library.h"

#include <windows.h>

#include <optional>
#include <string>

#include "core/platform/text_codes.h"

namespace tilvane::platform {

void* OpenSharedLibrary(const char* name) {
  if (name == nullptr || *name == '\0') return nullptr;
  // The name is UTF-8, as every file name inside the program.
  const std::optional<std::wstring> wide = Utf8ToWide(name);
  if (!wide) return nullptr;
  // No "cannot find the library" box: a missing library is an answer.
  const UINT before = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryW(wide->c_str());
  SetErrorMode(before);
  return reinterpret_cast<void*>(module);
}

void* SharedLibrarySymbol(void* library, const char* symbol) {
  if (library == nullptr) return nullptr;
  // GetProcAddress searches the module alone; a Windows library's
  // dependencies are opened by their own names.
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), symbol));
}

}  // namespace tilvane::platform
