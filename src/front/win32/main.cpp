// Tilvane for Windows: an editor for image groups (.qil files).
#include <cstdio>
#include <cstdlib>

#include "core/files.h"
#include "core/music/player.h"
#include "core/platform/termination.h"
#include "editor/document_commands.h"
#include "editor/main_window.h"
#include "front/win32/controls.h"
#include "front/win32/prompts.h"

namespace {

// A program with windows has no console of its own: what it prints goes to
// the console it was started from, if any.
void Print(std::FILE* stream, const char* text) {
  if (::GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE) == nullptr &&
      ::AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stream);
  }
  std::fputs(text, stream);
  std::fflush(stream);
}

struct CommandLine {
  int exitCode = -1;  // set when the program ends at once
  std::wstring file;  // absolute, or empty when none was given
};

// At most one FILE; a relative FILE is taken from the folder the program was
// started in.
CommandLine ParseCommandLine() {
  CommandLine line;
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::wstring> files;
  bool optionsEnded = false;
  bool ok = true;
  for (int i = 1; i < count; ++i) {
    std::wstring word = arguments[i];
    if (!optionsEnded && word == L"--") {
      optionsEnded = true;
    } else if (!optionsEnded && (word == L"--help" || word == L"-h")) {
      Print(stdout, tilvane::kCommandLineUsage);
      line.exitCode = 0;
    } else if (!optionsEnded && word == L"--version") {
      Print(stdout, "tilvane " TILVANE_VERSION "\n");
      line.exitCode = 0;
    } else if (!optionsEnded && word.size() > 1 && word[0] == L'-') {
      Print(stderr, ("tilvane: unknown option " + tilvane::win32::TextOf(word) + "\n").c_str());
      ok = false;
    } else {
      files.push_back(word);
    }
  }
  ::LocalFree(arguments);
  if (line.exitCode == 0) return line;
  if (files.size() > 1) {
    Print(stderr, "tilvane: one file at a time\n");
    ok = false;
  }
  if (!ok) {
    Print(stderr, "Try \"tilvane --help\".\n");
    line.exitCode = 2;
    return line;
  }
  if (!files.empty()) {
    DWORD length = ::GetFullPathNameW(files.front().c_str(), 0, nullptr, nullptr);
    line.file.resize(length);
    length = ::GetFullPathNameW(files.front().c_str(), length, line.file.data(), nullptr);
    line.file.resize(length);
  }
  return line;
}

// The folder the program itself is in.
std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// A request from the console (Ctrl+C, Ctrl+Break, its close) reaches the
// main window as a message, so that it is handled in whichever message loop
// runs: while a box or dialog is open, only theirs does, and the console's
// close ends the process a few seconds after it asks.
class TerminationWatch {
 public:
  explicit TerminationWatch(tilvane::win32::Win32Window& window) : window_(window) {
    auto requested = reinterpret_cast<HANDLE>(tilvane::platform::StartCatchingTermination());
    if (requested == reinterpret_cast<HANDLE>(-1)) return;
    requested_ = requested;
    Arm();
  }
  ~TerminationWatch() {
    if (!requested_) return;
    if (wait_) ::UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
    tilvane::platform::StopCatchingTermination();
  }
  TerminationWatch(const TerminationWatch&) = delete;
  TerminationWatch& operator=(const TerminationWatch&) = delete;

  // Once a request is dealt with: waits for the next one.
  void Arm() {
    if (wait_) ::UnregisterWait(wait_);
    wait_ = nullptr;
    ::RegisterWaitForSingleObject(&wait_, requested_, &Requested, this, INFINITE, WT_EXECUTEONLYONCE);
  }

 private:
  static VOID CALLBACK Requested(PVOID self, BOOLEAN) {
    static_cast<TerminationWatch*>(self)->window_.PostTerminationRequest();
  }

  tilvane::win32::Win32Window& window_;
  HANDLE requested_ = nullptr;
  HANDLE wait_ = nullptr;
};

// Runs the messages until the program quits; a request from the console ends
// the program as closing its window does.
int RunEventLoop(tilvane::Editor& editor, tilvane::win32::Win32Window& main) {
  TerminationWatch watch(main);
  main.onTerminationRequest = [&editor, &watch] {
    if (!tilvane::platform::TakeTerminationRequests().empty()) tilvane::OnMainDestroyed(editor);
    tilvane::platform::TerminationHandled();
    watch.Arm();
  };
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) tilvane::win32::Dispatch(message);
  main.onTerminationRequest = nullptr;
  return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  CommandLine commandLine = ParseCommandLine();
  if (commandLine.exitCode >= 0) return commandLine.exitCode;
  // The working copy goes however the program ends.
  std::atexit([] { tilvane::RemoveFile(tilvane::TempImageGroupPath()); });
  if (FAILED(::OleInitialize(nullptr))) return 1;
  ::SetCurrentDirectoryW(ProgramFolder().c_str());

  int code = 0;
  {
    tilvane::win32::Win32FrontEnd frontEnd;
    tilvane::win32::Win32Prompts prompts;
    std::unique_ptr<tilvane::MidiPlayer> music = tilvane::MakeSystemMidiPlayer();
    tilvane::EditorServices services;
    services.frontEnd = &frontEnd;
    services.prompts = &prompts;
    services.music = music.get();
    services.quit = [](int exitCode) { ::PostQuitMessage(exitCode); };

    std::unique_ptr<tilvane::Editor> editor = tilvane::LoadEditor(std::move(services));
    tilvane::Editor* e = editor.get();
    auto* main = static_cast<tilvane::win32::Win32Window*>(editor->main.window.get());
    // The session is ending: unsaved changes get the question of Exit; when
    // it ends, the program ends as closing its window does.
    main->onSessionEnding = [e] { return !tilvane::IsModified(*e) || tilvane::OnSessionEnding(*e); };
    main->onSessionEnd = [e] { tilvane::OnMainDestroyed(*e); };

    main->setVisible(true);
    if (!commandLine.file.empty()) {
      tilvane::OpenDocumentFile(*editor, tilvane::win32::TextOf(commandLine.file));
    }
    code = RunEventLoop(*editor, *main);
    if (!editor->ended) tilvane::EndProgram(*editor, code);
    editor.reset();
  }
  ::OleUninitialize();
  return code;
}
