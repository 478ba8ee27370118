// Grows a group image by image with the editor's own drop command, then
// deletes every image again with the Delete menu command, and reports the
// process's resident memory at the start, at the largest and at the end.
//   group_soak EXECUTABLE [COUNT [CYCLES]]
#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "resident_memory.h"

#include "editor/document_commands.h"
#include "editor/intake_commands.h"
#include "editor/main_window.h"
#include "front/qt/controls.h"

namespace {

// Answers Yes to every question; no file dialog is ever expected here.
class YesPrompts : public tilvane::Prompts {
 public:
  tilvane::BoxAnswer MessageBox(const tilvane::Text&, tilvane::BoxButtons, tilvane::BoxIcon,
                                const tilvane::Text&) override {
    return tilvane::BoxAnswer::Yes;
  }
  std::optional<tilvane::Text> FileDialog(const tilvane::CommonDialog&, const tilvane::Text&) override {
    return std::nullopt;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: group_soak EXECUTABLE [COUNT]\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir temp(QStringLiteral("/dev/shm/tilvane-soak-XXXXXX"));
  qputenv("TMPDIR", temp.path().toUtf8());
  QApplication app(argc, argv);
  const tilvane::Text source = std::filesystem::absolute(argv[1]).string();
  const int count = argc > 2 ? std::atoi(argv[2]) : 10000;

  tilvane::qt::QtFrontEnd frontEnd;
  YesPrompts prompts;
  tilvane::EditorServices services;
  services.frontEnd = &frontEnd;
  services.prompts = &prompts;
  services.quit = [](int) {};
  auto editor = tilvane::LoadEditor(std::move(services));
  tilvane::IconList& list = *editor->main.图标列表框;
  QCoreApplication::processEvents();
  const int cycles = argc > 3 ? std::atoi(argv[3]) : 1;
  long before = ResidentKilobytes();
  bool ok = true;
  auto seconds = [](auto a, auto b) { return std::chrono::duration<double>(b - a).count(); };
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) tilvane::OnFilesDropped(*editor, source);
    QCoreApplication::processEvents();
    long largest = ResidentKilobytes();
    int grown = list.itemCount();
    auto grownAt = std::chrono::steady_clock::now();
    while (list.itemCount() > 0) {
      list.setSelectedIndex(list.itemCount() - 1);
      tilvane::OnDeleteMenu(*editor);
    }
    tilvane::OnTimerTick(*editor);
    QCoreApplication::processEvents();
    long after = ResidentKilobytes();
    auto done = std::chrono::steady_clock::now();
    std::printf(
        "cycle %d: grew to %d images in %.1f s, deleted back to %d in %.1f s; resident memory: start %ld KiB, "
        "largest %ld KiB, end %ld KiB (%+ld KiB)\n",
        cycle, grown, seconds(started, grownAt), list.itemCount(), seconds(grownAt, done), before, largest, after,
        after - before);
    std::fflush(stdout);
    ok = ok && grown == count && list.itemCount() == 0;
  }
  return ok ? 0 : 1;
}
