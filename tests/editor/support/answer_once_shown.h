// Answering a real modal box or dialog from inside the event loop it runs,
// for the tests that open one through the Qt front end's prompts.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace tilvane::testing {

// Calls `answer` every 20 ms until it says it found what the test waits for
// and answered it; past a generous bound it closes whatever is modal instead,
// so that the test fails rather than hangs.
inline void AnswerOnceShown(std::function<bool()> answer) {
  auto* poll = new QTimer;
  const QDeadlineTimer deadline(30000);
  QObject::connect(poll, &QTimer::timeout, [poll, deadline, answer = std::move(answer)] {
    if (!answer()) {
      if (!deadline.hasExpired()) return;
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    }
    poll->stop();
    poll->deleteLater();
  });
  poll->start(20);
}

}  // namespace tilvane::testing
