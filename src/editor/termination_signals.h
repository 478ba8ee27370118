// SIGTERM, SIGHUP and SIGINT turned into an ordinary event of the event loop.
// The signal handler itself only writes one byte into a pipe; the program's
// clean-up then runs on the user-interface thread like any other handler.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace tilvane {

class TerminationSignals : public QObject {
 public:
  // Installs the handlers; `onSignal` runs in the event loop once per signal
  // that arrives. Only one instance may exist at a time.
  explicit TerminationSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

  // Whether the pipe and the handlers are in place.
  bool installed() const { return notifier_ != nullptr; }

 private:
  void Drain();

  std::function<void(int)> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tilvane
