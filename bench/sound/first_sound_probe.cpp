// Time from starting a program to the first sample above silence on a sound
// server's source (the monitor of the sink the program plays to). The probe
// listens before it starts the program and timestamps each block as it
// arrives, so the figure does not depend on a recording's timeline. It asks
// for real-time scheduling (kept from the program it starts), so that a busy
// machine delays its timestamps as little as possible; where that is refused
// it says so and measures all the same.
//   first_sound_probe SOURCE SECONDS PROGRAM [ARGS...]
// Prints "first sound: MS ms" with the processor time the program had used by
// then, and exits 0; or says nothing was heard within SECONDS and exits 1. The
// program is then ended with SIGTERM.
#include <pulse/error.h>
#include <pulse/simple.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "../editor/monotonic_clock.h"

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kBlockFrames = kRate / 200;  // 5 ms
// The sound test's threshold: 0.001 of full scale.
constexpr int kSilenceAbove = 33;

// User and system time of a running process so far, in milliseconds; -1 when
// it cannot be read.
double CpuMs(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return -1;
  // The fields after the command name, which is in parentheses and may hold spaces.
  std::size_t close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::vector<std::string> fields;
  std::string field;
  for (char c : line.substr(close + 2)) {
    if (c == ' ') {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  // utime and stime are the 14th and 15th fields, the 12th and 13th after the name.
  if (fields.size() < 13) return -1;
  return (std::stod(fields[11]) + std::stod(fields[12])) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool EndProgram(pid_t child) {
  kill(child, SIGTERM);
  for (int i = 0; i < 150; ++i) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) return true;
    usleep(100000);
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: first_sound_probe SOURCE SECONDS PROGRAM [ARGS...]\n");
    return 2;
  }
  const char* source = argv[1];
  const double bound = std::atof(argv[2]);

  sched_param priority{};
  priority.sched_priority = 50;
  if (sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &priority) != 0) {
    std::fprintf(stderr, "first_sound_probe: no real-time scheduling; timestamps may lag under load\n");
  }

  pa_sample_spec spec{PA_SAMPLE_S16LE, kRate, kChannels};
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<std::uint32_t>(-1);
  attr.fragsize = kBlockFrames * kChannels * 2;
  int error = 0;
  pa_simple* in =
      pa_simple_new(nullptr, "first_sound_probe", PA_STREAM_RECORD, source, "listen", &spec, nullptr, &attr, &error);
  if (!in) {
    std::fprintf(stderr, "first_sound_probe: cannot listen to %s: %s\n", source, pa_strerror(error));
    return 2;
  }
  std::vector<std::int16_t> block(kBlockFrames * kChannels);
  // A moment of listening first, so that the stream's start-up is behind us.
  for (int i = 0; i < 40; ++i) pa_simple_read(in, block.data(), block.size() * 2, &error);

  long long start = MonotonicNanoseconds();
  pid_t child = fork();
  if (child == 0) {
    execvp(argv[3], argv + 3);
    _exit(127);
  }
  if (child < 0) return 2;

  double heardMs = -1;
  double cpuMs = -1;
  while (heardMs < 0 && (MonotonicNanoseconds() - start) / 1e9 < bound) {
    if (pa_simple_read(in, block.data(), block.size() * 2, &error) < 0) break;
    long long arrived = MonotonicNanoseconds();
    for (int frame = 0; frame < kBlockFrames; ++frame) {
      int left = std::abs(block[frame * 2]), right = std::abs(block[frame * 2 + 1]);
      if (left <= kSilenceAbove && right <= kSilenceAbove) continue;
      // The block arrived when its last frame was recorded; the sound began
      // that many frames earlier, and the server held it for its latency.
      pa_usec_t latency = pa_simple_get_latency(in, &error);
      double framesAfter = kBlockFrames - 1 - frame;
      heardMs = (arrived - start) / 1e6 - framesAfter * 1000.0 / kRate - latency / 1000.0;
      cpuMs = CpuMs(child);
      break;
    }
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) {
      child = -1;
      break;
    }
  }
  pa_simple_free(in);
  bool ended = child < 0 || EndProgram(child);
  if (heardMs < 0) {
    std::printf("first sound: none within %.0f s\n", bound);
    return 1;
  }
  std::printf("first sound: %.0f ms (the program's processor time by then: %.0f ms)\n", heardMs, cpuMs);
  if (!ended) std::fprintf(stderr, "first_sound_probe: the program did not end on SIGTERM\n");
  return 0;
}
