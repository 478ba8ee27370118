// Starts the editor's main window as src/main.cpp does, waits until it is on
// screen, prints CLOCK_MONOTONIC in nanoseconds and quits. startup_bench runs
// it, and bare_window as the reference, to time process start to window
// shown.
#include <QApplication>
#include <QTest>
#include <cstdio>

#include "core/music/player.h"
#include "editor/font_preload.h"
#include "editor/main_window.h"
#include "editor/qt_prompts.h"
#include "editor/windows.h"
#include "monotonic_clock.h"

int main(int argc, char** argv) {
  tilvane::StartFontConfigPreload();
  QApplication app(argc, argv);
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
