#include "editor/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace tilvane {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe's ends; the handler may touch nothing but these.
volatile sig_atomic_t writeEnd = -1;
int readEnd = -1;

extern "C" void WriteSignalByte(int signal) {
  int saved = errno;
  auto byte = static_cast<unsigned char>(signal);
  // A full pipe already holds a signal that will be handled; losing this one is fine.
  [[maybe_unused]] ssize_t written = ::write(writeEnd, &byte, 1);
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  readEnd = ends[0];
  writeEnd = ends[1];
  notifier_ = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
  struct sigaction action {};
  action.sa_handler = WriteSignalByte;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
  delete notifier_;
  ::close(readEnd);
  ::close(writeEnd);
  readEnd = -1;
  writeEnd = -1;
}

void TerminationSignals::Drain() {
  unsigned char bytes[16];
  for (;;) {
    ssize_t n = ::read(readEnd, bytes, sizeof bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    for (ssize_t i = 0; i < n; ++i) {
      if (onSignal_) onSignal_(bytes[i]);
    }
  }
}

}  // namespace tilvane
