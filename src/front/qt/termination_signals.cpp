#include "front/qt/termination_signals.h"

#include "core/platform/termination.h"

#ifdef _WIN32
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif

namespace tilvane::qt {

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  const std::intptr_t watchable = platform::StartCatchingTermination();
  if (watchable == -1) return;
#ifdef _WIN32
  auto* notifier = new QWinEventNotifier(reinterpret_cast<HANDLE>(watchable), this);
  connect(notifier, &QWinEventNotifier::activated, this, [this] { Drain(); });
#else
  auto* notifier = new QSocketNotifier(static_cast<qintptr>(watchable), QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this] { Drain(); });
#endif
  notifier_ = notifier;
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  delete notifier_;
  platform::StopCatchingTermination();
}

void TerminationSignals::Drain() {
  for (int request : platform::TakeTerminationRequests()) {
    if (onSignal_) onSignal_(request);
  }
}

}  // namespace tilvane::qt
