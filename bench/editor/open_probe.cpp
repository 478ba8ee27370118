// Opens one group file in a real editor (offscreen) as the Open command does
// once its dialog has answered, lets one timer tick pass, and prints the item
// count, the time taken and the process's peak resident memory:
//   open_probe FILE.qil
#include <sys/resource.h>

#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

#include "core/files.h"
#include "editor/event_table.h"
#include "editor/main_window.h"
#include "editor/refresh.h"
#include "front/qt/controls.h"
#include "front/qt/prompts.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.qil\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir temp;
  qputenv("TMPDIR", temp.path().toUtf8());
  QApplication app(argc, argv);
  tilvane::qt::QtFrontEnd frontEnd;
  tilvane::qt::QtPrompts prompts;
  tilvane::EditorServices services;
  services.frontEnd = &frontEnd;
  services.prompts = &prompts;
  services.quit = [](int) {};
  std::unique_ptr<tilvane::Editor> editor = tilvane::LoadEditor(std::move(services));
  editor->main.window->setVisible(true);
  QCoreApplication::processEvents();

  const auto start = std::chrono::steady_clock::now();
  tilvane::Guarded(*editor, [&] {
    editor->document.currentPath = argv[1];
    tilvane::LoadGroupFileAsDocument(*editor);
  });
  QCoreApplication::processEvents();
  const int items = editor->main.图标列表框->itemCount();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  tilvane::Guarded(*editor, [&] { tilvane::OnTimerTick(*editor); });
  QCoreApplication::processEvents();

  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("%s: %d items, opened in %.3f s, peak resident memory %.1f MB\n", argv[1], items, seconds,
              static_cast<double>(usage.ru_maxrss) / 1024);
  tilvane::EndProgram(*editor, 0);
  return 0;
}
