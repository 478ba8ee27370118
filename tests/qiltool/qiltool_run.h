// Running the built qiltool as a user would: real arguments (no shell), real
// files, the exit status and both output streams captured.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

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
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
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

// Runs qiltool with `args` in the folder `scratch` (so relative names land
// there); standard output and error go to files in it, so that neither can
// fill a pipe and stall the program.
inline ToolResult RunQiltool(const std::vector<std::string>& args, const std::string& scratch,
                             RunAs runAs = RunAs::ThisUser) {
  const std::string outPath = scratch + "/.stdout";
  const std::string errPath = scratch + "/.stderr";
  std::vector<std::string> words = {QILTOOL_PATH};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  ToolResult result;
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
  result.out = SlurpAndRemove(outPath);
  result.err = SlurpAndRemove(errPath);
  return result;
}

}  // namespace tilvane::testing
