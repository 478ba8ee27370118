// Time from process start to the main window shown, for the editor
// (startup_probe), for a bare Qt window in a program of its own (bare_window,
// beside the probe) and for that window showing the editor's captions
// (bare_window captions), in turn in the same run. Prints the medians and the
// editor's ratio to each reference.
//   startup_bench [PROBE [RUNS]]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "monotonic_clock.h"

namespace {

// Milliseconds from fork to the program's "shown" timestamp, or -1.
double RunOnce(const std::string& program, const char* argument = nullptr) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  long long start = MonotonicNanoseconds();
  pid_t child = fork();
  if (child == 0) {
    dup2(pipeEnds[1], 1);
    close(pipeEnds[0]);
    execl(program.c_str(), program.c_str(), argument, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  char buffer[64] = {};
  ssize_t n = read(pipeEnds[0], buffer, sizeof buffer - 1);
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (n <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return (std::stoll(buffer) - start) / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  std::string probe = argc > 1 ? argv[1] : "./startup_probe";
  int runs = argc > 2 ? std::atoi(argv[2]) : 15;
  const std::size_t slash = probe.rfind('/');
  std::string bareWindow = (slash == std::string::npos ? std::string() : probe.substr(0, slash + 1)) + "bare_window";
  std::vector<double> editor, bare, captioned;
  RunOnce(probe);  // warm the file cache for all three
  RunOnce(bareWindow);
  RunOnce(bareWindow, "captions");
  for (int i = 0; i < runs; ++i) {
    double e = RunOnce(probe);
    double b = RunOnce(bareWindow);
    double c = RunOnce(bareWindow, "captions");
    if (e < 0 || b < 0 || c < 0) {
      std::fprintf(stderr, "%s failed\n", e < 0 ? probe.c_str() : bareWindow.c_str());
      return 1;
    }
    editor.push_back(e);
    bare.push_back(b);
    captioned.push_back(c);
  }
  double me = Median(editor), mb = Median(bare), mc = Median(captioned);
  std::printf(
      "start to window shown, median of %d: editor %.1f ms, bare Qt window %.1f ms, ratio %.2f; "
      "bare window with the editor's captions %.1f ms, ratio %.2f\n",
      runs, me, mb, me / mb, mc, me / mc);
  return 0;
}
