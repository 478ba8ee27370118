// The first icon of executables built to be slow, against reading each file
// once. Every file is a valid PE image whose directories declare as much as
// the format allows: one picture listed 65,535 times under a language
// directory of 131,070 entries, 65,535 different pictures, 65,535 groups,
// 65,535 sections, and a tree spread over 16 MB. Goal: at most 50 ms each.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/intake/icon_file.h"
#include "support/crafted_pe.h"

namespace {

using tilvane::testing::CraftedPeShape;

struct Crafted {
  const char* name;
  CraftedPeShape shape;
};

const std::vector<Crafted>& Shapes() {
  static const std::vector<Crafted> shapes = {
      {"one_id_65535_times", tilvane::testing::OneIdManyTimes()},
      {"65535_distinct_pictures", {.groupEntries = 65535, .distinctPictures = 65535}},
      {"65535_groups", {.groupEntries = 16, .distinctPictures = 16, .groups = 65535}},
      {"65535_sections",
       {.groupEntries = 4096, .distinctPictures = 1, .languageEntries = 4096, .extraSections = 65534}},
      {"deep_15MB",
       {.groupEntries = 65535,
        .distinctPictures = 256,
        .languageEntries = 1024,
        .resourceOffset = 6u << 20,
        .gap = 6u << 20}},
  };
  return shapes;
}

// The files in a folder of their own, removed when the program ends.
struct CraftedFiles {
  std::string folder = (std::filesystem::temp_directory_path() / "tilvane-hostile-bench-XXXXXX").string();
  std::vector<std::string> paths;
  CraftedFiles() {
    if (!::mkdtemp(folder.data())) return;
    for (const Crafted& crafted : Shapes()) {
      std::vector<std::uint8_t> bytes = tilvane::testing::MakeCraftedPe(crafted.shape);
      std::string path = folder + "/" + crafted.name + ".exe";
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      paths.push_back(out ? path : std::string());
    }
  }
  ~CraftedFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
};

const std::string& PathOf(std::size_t index) {
  static const CraftedFiles files;
  return files.paths.at(index);
}

std::vector<double> wholeReadSeconds(16, 0.0);

double SecondsPerIteration(std::chrono::steady_clock::time_point start, const benchmark::State& state) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
         static_cast<double>(state.iterations());
}

void BM_ReadFileOnce(benchmark::State& state) {
  const auto index = static_cast<std::size_t>(state.range(0));
  const std::string& path = PathOf(index);
  state.SetLabel(Shapes()[index].name);
  const auto size = static_cast<std::size_t>(std::filesystem::file_size(path));
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::vector<std::uint8_t> bytes(size);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t done = 0;
    while (fd >= 0 && done < size) {
      ssize_t got = ::pread(fd, bytes.data() + done, size - done, static_cast<off_t>(done));
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    if (fd >= 0) ::close(fd);
    if (done != size) state.SkipWithError("whole-file read failed");
    benchmark::DoNotOptimize(bytes.data());
  }
  wholeReadSeconds[index] = SecondsPerIteration(start, state);
  state.counters["file_MB"] = static_cast<double>(size) / (1 << 20);
}

void BM_FirstIcon(benchmark::State& state) {
  const auto index = static_cast<std::size_t>(state.range(0));
  const std::string& path = PathOf(index);
  state.SetLabel(Shapes()[index].name);
  std::uint64_t bytesRead = 0;
  bool gotIcon = false;
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    tilvane::ErrorOr<tilvane::FileByteSource> file = tilvane::FileByteSource::Open(path);
    if (!file) {
      state.SkipWithError("cannot open the crafted file");
      return;
    }
    tilvane::ErrorOr<tilvane::IconPixels> icon = tilvane::ReadIconForCell(*file, {});
    gotIcon = icon.ok();
    bytesRead = file->BytesRead();
    benchmark::DoNotOptimize(icon);
  }
  const double seconds = SecondsPerIteration(start, state);
  state.counters["ms"] = seconds * 1000;
  state.counters["bytes_read"] = static_cast<double>(bytesRead);
  state.counters["icon"] = gotIcon ? 1 : 0;  // 0: the file is refused (more sections than a loader takes)
  if (wholeReadSeconds[index] > 0) state.counters["ratio_to_whole_read"] = seconds / wholeReadSeconds[index];
}

void AllShapes(benchmark::internal::Benchmark* bench) {
  for (std::size_t i = 0; i < Shapes().size(); ++i) bench->Arg(static_cast<std::int64_t>(i));
}

BENCHMARK(BM_ReadFileOnce)->Apply(AllShapes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstIcon)->Apply(AllShapes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
