#include <QTimer>

#include "front/qt/controls.h"

namespace tilvane::qt {

QtTimer::QtTimer(QWidget* owner, const char* name) : timer_(new QTimer(owner)) {
  timer_->setObjectName(QString::fromUtf8(name));
  QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
    if (onTick) onTick();
  });
}

QObject* QtTimer::object() const { return timer_; }

int QtTimer::interval() const { return timer_->isActive() ? timer_->interval() : 0; }

void QtTimer::setInterval(int milliseconds) {
  if (milliseconds <= 0) {
    timer_->stop();
    return;
  }
  timer_->start(milliseconds);
}

}  // namespace tilvane::qt
