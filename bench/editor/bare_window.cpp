// The reference for start-up: a bare Qt window in a program of its own, which
// loads Qt and nothing of the editor's. It waits until the window is on
// screen, prints CLOCK_MONOTONIC in nanoseconds and quits, as startup_probe
// does for the editor.
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.resize(503, 366);
  window.setWindowTitle(QStringLiteral("bare"));
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
  return 0;
}
