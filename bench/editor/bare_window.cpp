// The references for start-up, in a program of their own that loads Qt and
// nothing of the editor's: a bare Qt window, or with "captions" the same
// window showing the editor's column-button captions on plain buttons in the
// editor's caption font, which is what drawing that Han text costs in Qt and
// nothing more. It waits until the window is on screen, prints
// CLOCK_MONOTONIC in nanoseconds and quits, as startup_probe does for the
// editor.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "editor/layout.h"
#include "editor/main_window.h"
#include "front/qt/controls.h"
#include "monotonic_clock.h"

int main(int argc, char** argv) {
  const bool captions = argc > 1 && std::strcmp(argv[1], "captions") == 0;
  QApplication app(argc, argv);
  QWidget window;
  window.resize(503, 366);
  window.setWindowTitle(QStringLiteral("bare"));
  if (captions) {
    QApplication::setFont(
        QFont(QString::fromUtf8(tilvane::qt::kCaptionFontFamily), tilvane::qt::kCaptionFontPointSize));
    for (const auto& control : tilvane::kMainWindowLayout.controls) {
      if (control.kind != tilvane::ControlKind::ColumnButton) continue;
      auto* button = new QPushButton(QString::fromUtf8(control.text), &window);
      button->move(control.left, control.top);
      button->adjustSize();
    }
  }
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  std::printf("%lld\n", MonotonicNanoseconds());
  return 0;
}
