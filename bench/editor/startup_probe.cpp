// Starts the editor's main window as the program does, waits until it is on
// screen, prints CLOCK_MONOTONIC in nanoseconds and quits. startup_bench runs
// it, and bare_window as the reference, to time process start to window
// shown.
#include <QApplication>
#include <QTest>
#include <cstdio>

#include "core/music/player.h"
#include "editor/main_window.h"
#include "front/qt/controls.h"
#include "front/qt/font_preload.h"
#include "front/qt/prompts.h"
#include "monotonic_clock.h"

int main(int argc, char** argv) {
  tilvane::qt::StartFontConfigPreload();
  QApplication app(argc, argv);
  tilvane::qt::QtFrontEnd frontEnd;
  tilvane::qt::QtPrompts prompts;
  auto music = tilvane::MakeSystemMidiPlayer();
  tilvane::EditorServices services;
  services.frontEnd = &frontEnd;
  services.prompts = &prompts;
  services.music = music.get();
  services.quit = [](int) {};
  auto editor = tilvane::LoadEditor(std::move(services));
  QWidget* window = tilvane::qt::QtOf<QWidget>(editor->main.window.get());
  window->show();
  if (!QTest::qWaitForWindowExposed(window)) return 1;
  std::printf("%lld\n", MonotonicNanoseconds());
  std::fflush(stdout);
  music->StopMusic();
  return 0;
}
