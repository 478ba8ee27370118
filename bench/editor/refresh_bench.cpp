// RefreshIconList on groups of 1,000 and 10,000 images (write the temporary
// file, read it back, decode, rebuild every item), with a plain write and read
// of the same bytes as the reference.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"
#include "editor/main_window.h"
#include "editor/refresh.h"
#include "front/qt/controls.h"
#include "front/qt/prompts.h"
#include "support/numbered_group.h"

namespace {

tilvane::Editor& SharedEditor() {
  static tilvane::qt::QtFrontEnd frontEnd;
  static tilvane::qt::QtPrompts prompts;
  static std::unique_ptr<tilvane::Editor> editor = [] {
    tilvane::EditorServices services;
    services.frontEnd = &frontEnd;
    services.prompts = &prompts;
    services.quit = [](int) {};
    return tilvane::LoadEditor(std::move(services));
  }();
  return *editor;
}

void BM_RefreshIconList(benchmark::State& state) {
  tilvane::Editor& editor = SharedEditor();
  editor.document.imageGroupBytes = tilvane::testing::NumberedGroup(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    tilvane::RefreshIconList(editor);
    QCoreApplication::processEvents();
  }
  state.counters["items"] = editor.main.图标列表框->itemCount();
}
BENCHMARK(BM_RefreshIconList)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_WriteAndReadSameBytes(benchmark::State& state) {
  tilvane::Bytes bytes = tilvane::testing::NumberedGroup(static_cast<int>(state.range(0)));
  tilvane::Text path = tilvane::TempImageGroupPath();
  // Read back into the same buffer each time, as the refresh does: the floor
  // of the round trip, with no memory of its own to fault in.
  tilvane::Bytes readBack;
  for (auto _ : state) {
    tilvane::WriteFileBytes(path, bytes);
    tilvane::ReadFileBytesInto(path, tilvane::kMaxImageGroupFileBytes, readBack);
    benchmark::DoNotOptimize(readBack.data());
  }
}
BENCHMARK(BM_WriteAndReadSameBytes)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The refresh's own round trip: the reference plus the check that the bytes
// read back are the document's.
void BM_ThroughTemporaryFile(benchmark::State& state) {
  tilvane::Bytes bytes = tilvane::testing::NumberedGroup(static_cast<int>(state.range(0)));
  tilvane::Bytes readBack;
  for (auto _ : state) {
    tilvane::ThroughTemporaryFile(bytes, readBack);
    benchmark::DoNotOptimize(readBack.data());
  }
}
BENCHMARK(BM_ThroughTemporaryFile)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir temp;
  qputenv("TMPDIR", temp.path().toUtf8());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
