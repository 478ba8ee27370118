#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "core/platform/termination.h"

namespace tilvane::platform {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe's ends; the handler may touch nothing but the write end.
volatile sig_atomic_t writeEnd = -1;
int readEnd = -1;

extern "C" void WriteSignalByte(int signal) {
  int saved = errno;
  auto byte = static_cast<unsigned char>(signal);
  // A full pipe already holds a request that will be handled; losing this one is fine.
  [[maybe_unused]] ssize_t written = ::write(writeEnd, &byte, 1);
  errno = saved;
}

void SetHandlers(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

}  // namespace

std::intptr_t StartCatchingTermination() {
  if (readEnd >= 0) return -1;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  readEnd = ends[0];
  writeEnd = ends[1];
  SetHandlers(WriteSignalByte);
  return readEnd;
}

std::vector<int> TakeTerminationRequests() {
  std::vector<int> requests;
  if (readEnd < 0) return requests;
  unsigned char bytes[16];
  for (;;) {
    ssize_t n = ::read(readEnd, bytes, sizeof bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return requests;
    requests.insert(requests.end(), bytes, bytes + n);
  }
}

void TerminationHandled() {}

void StopCatchingTermination() {
  if (readEnd < 0) return;
  SetHandlers(SIG_DFL);
  ::close(readEnd);
  ::close(writeEnd);
  readEnd = -1;
  writeEnd = -1;
}

}  // namespace tilvane::platform
