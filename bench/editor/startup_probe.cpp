// Starts either the editor's main window ("editor") or a bare Qt window
// ("bare"), waits until it is on screen, prints CLOCK_MONOTONIC in
// nanoseconds and quits. startup_bench runs it to time process start to
// window shown.
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/music/player.h"
#include "editor/font_preload.h"
#include "editor/main_window.h"
#include "editor/qt_prompts.h"
#include "editor/windows.h"

namespace {

long long MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

}  // namespace

int main(int argc, char** argv) {
  bool editorMode = argc > 1 && std::strcmp(argv[1], "editor") == 0;
  // The editor starts as src/main.cpp starts it.
  if (editorMode) tilvane::StartFontConfigPreload();
  QApplication app(argc, argv);
  if (editorMode) {
    tilvane::QtPrompts prompts;
    auto music = tilvane::MakeSystemMidiPlayer();
    tilvane::EditorServices services;
    services.prompts = &prompts;
    services.music = music.get();
    services.quit = [](int) {};
    auto editor = tilvane::LoadEditor(std::move(services));
    editor->main.window->show();
    if (!QTest::qWaitForWindowExposed(editor->main.window)) return 1;
    std::printf("%lld\n", MonotonicNanoseconds());
    std::fflush(stdout);
    music->StopMusic();
    return 0;
  }
  QWidget window;
  window.resize(503, 366);
  window.setWindowTitle(QStringLiteral("bare"));
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  std::printf("%lld\n", MonotonicNanoseconds());
  return 0;
}
