// Requests from outside to end the program (SIGTERM, SIGHUP and SIGINT here)
// turned into an ordinary event of the event loop: the program's clean-up then
// runs on the user-interface thread like any other handler, never inside the
// signal handler (see core/platform/termination.h).
#pragma once

#include <QObject>
#include <functional>

namespace tilvane::qt {

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
  QObject* notifier_ = nullptr;
};

}  // namespace tilvane::qt
