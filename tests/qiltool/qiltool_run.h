// Running the built qiltool as a user would: real arguments (no shell), real
// files, the exit status and both output streams captured.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "core/platform/text_codes.h"
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tilvane::testing {

struct ToolResult {
  int status = -1;  // the exit status, or -1 when the program did not exit normally
  std::string out;
  std::string err;
};

inline std::string SlurpAndRemove(const std::string& path) {
  const std::filesystem::path file(std::u8string(path.begin(), path.end()));
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::filesystem::remove(file);
#ifdef _WIN32
  // Text written on Windows ends its lines with CR LF.
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
  }
  text = lines;
#endif
  return text;
}

enum class RunAs {
  ThisUser,
  // Under root, the tool runs as nobody/nogroup, every id dropped for good
  // before it starts, so that file permissions apply to it (and it keeps no
  // root ids a sanitizer's leak check would trip over). Anyone else is an
  // ordinary user already. `scratch` must be reachable and writable by it.
  OrdinaryUser,
};

#ifdef _WIN32
// One argument quoted as the C runtime's wmain expects it back.
inline std::wstring QuotedArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

// Under Wine, CreateProcessW fails now and then with ERROR_INTERNAL_ERROR
// (1359): Wine's NtCreateUserProcess returns STATUS_INTERNAL_ERROR when the
// new process ended before it finished starting and left no exit status. That
// happens inside Wine's own start of the process, before any code of the
// program runs, and nothing the caller passes (the same command line, handles
// and folder start it every other time) makes it more or less likely. So such
// a start, and only such a start, is made again; each retry is logged with
// kRetriedStart, which scripts/windows-ci counts. A start that fails in any
// other way, and every result of a program that did start, stands as it is.
inline constexpr char kRetriedStart[] = "tilvane-tests: retried a process start";
inline constexpr int kStartAttempts = 3;

inline bool StartProcess(std::wstring commandLine, const std::wstring& folder, STARTUPINFOW& startup,
                         PROCESS_INFORMATION& process) {
  for (int attempt = 1;; ++attempt) {
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                         &process)) {
      return true;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_INTERNAL_ERROR || attempt == kStartAttempts) {
      ::SetLastError(error);
      return false;
    }
    std::fprintf(stderr, "%s (system error %lu, attempt %d of %d): %ls\n", kRetriedStart,
                 static_cast<unsigned long>(error), attempt, kStartAttempts, commandLine.c_str());
    std::fflush(stderr);
  }
}

inline HANDLE OutputFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return ::CreateFileW(tilvane::platform::Utf8ToWide(path).value_or(L"").c_str(), GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}
#endif

// Runs qiltool with `args` in the folder `scratch` (so relative names land
// there); standard output and error go to files in it, so that neither can
// fill a pipe and stall the program.
inline ToolResult RunQiltool(const std::vector<std::string>& args, const std::string& scratch,
                             [[maybe_unused]] RunAs runAs = RunAs::ThisUser) {
  const std::string outPath = scratch + "/.stdout";
  const std::string errPath = scratch + "/.stderr";
  std::vector<std::string> words = {QILTOOL_PATH};
  words.insert(words.end(), args.begin(), args.end());
  ToolResult result;
#ifdef _WIN32
  std::string startFailure;
  std::wstring commandLine;
  for (const std::string& word : words) {
    if (!commandLine.empty()) commandLine += L' ';
    commandLine += QuotedArgument(tilvane::platform::Utf8ToWide(word).value_or(L"?"));
  }
  HANDLE out = OutputFile(outPath);
  HANDLE err = OutputFile(errPath);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = INVALID_HANDLE_VALUE;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  std::wstring folder = tilvane::platform::Utf8ToWide(scratch).value_or(L"");
  if (out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
      StartProcess(commandLine, folder, startup, process)) {
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) result.status = static_cast<int>(code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  } else {
    // Said in the failure's message, which would otherwise read as the tool's.
    startFailure = "qiltool was not started: system error " + std::to_string(::GetLastError()) +
                   (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE ? " (an output file)" : "");
  }
  if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE) ::CloseHandle(err);
#else
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  pid_t child = ::fork();
  if (child == 0) {
    int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::chdir(scratch.c_str()) != 0) ::_exit(127);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (runAs == RunAs::OrdinaryUser && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      ::_exit(126);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int wstatus = 0;
  if (child > 0 && ::waitpid(child, &wstatus, 0) == child && WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
#endif
  result.out = SlurpAndRemove(outPath);
  result.err = SlurpAndRemove(errPath);
#ifdef _WIN32
  result.err += startFailure;
#endif
  return result;
}

}  // namespace tilvane::testing
