// The first icon of a 200 MB executable against reading that file whole. The
// executable is a fixture whose resource section has been moved behind a
// 200 MB hole (a sparse gap in the file), so a reader that seeks touches a few
// kilobytes while a whole-file read copies every byte.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/intake/icon_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint64_t kPadding = 200ull << 20;

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}
std::uint16_t U16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8); }

// Writes a copy of `source` whose ".rsrc" raw data starts past a 200 MB gap;
// the old copy of the section is zeroed so that only the moved one can serve.
std::string MakePaddedExecutable(const std::string& source, const std::string& target) {
  std::ifstream in(source, std::ios::binary);
  Bytes image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (image.size() < 0x400) return {};
  const std::size_t pe = U32(image, 0x3C);
  const std::size_t sections = pe + 24 + U16(image, pe + 20);
  for (std::size_t i = 0; i < U16(image, pe + 6); ++i) {
    const std::size_t header = sections + 40 * i;
    if (std::string(reinterpret_cast<const char*>(&image[header]), 5) != ".rsrc") continue;
    const std::uint32_t rawSize = U32(image, header + 16);
    const std::uint32_t rawOffset = U32(image, header + 20);
    Bytes resources(image.begin() + rawOffset, image.begin() + rawOffset + rawSize);
    std::fill(image.begin() + rawOffset, image.begin() + rawOffset + rawSize, 0);
    const std::uint64_t moved = kPadding;  // a multiple of any file alignment
    for (int b = 0; b < 4; ++b) image[header + 20 + b] = static_cast<std::uint8_t>(moved >> (8 * b));
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.seekp(static_cast<std::streamoff>(moved));
    out.write(reinterpret_cast<const char*>(resources.data()), static_cast<std::streamsize>(resources.size()));
    return out ? target : std::string();
  }
  return {};
}

// The padded copy in a folder of its own, removed when the program ends.
struct PaddedFixture {
  std::string folder = (std::filesystem::temp_directory_path() / "tilvane-intake-bench-XXXXXX").string();
  std::string path;
  PaddedFixture() {
    if (!::mkdtemp(folder.data())) return;
    path = MakePaddedExecutable(std::string(TILVANE_BINARY_DIR) + "/fixtures/intake/icons64.exe",
                                folder + "/padded.exe");
  }
  ~PaddedFixture() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
};

const std::string& PaddedExecutable() {
  static const PaddedFixture fixture;
  return fixture.path;
}

double wholeFileSeconds = 0;

void BM_ReadWholeFile(benchmark::State& state) {
  const std::string& path = PaddedExecutable();
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes(std::filesystem::file_size(path));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    benchmark::DoNotOptimize(bytes.data());
    if (!in) state.SkipWithError("whole-file read failed");
  }
  wholeFileSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                     static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(path)));
}

void BM_FirstIconOfLargeExecutable(benchmark::State& state) {
  const std::string& path = PaddedExecutable();
  std::uint64_t bytesRead = 0;
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    tilvane::ErrorOr<tilvane::FileByteSource> file = tilvane::FileByteSource::Open(path);
    tilvane::ErrorOr<tilvane::IconPixels> icon = file ? tilvane::ReadIconForCell(*file, {}) : file.failure();
    if (!icon) {
      state.SkipWithError("no icon read from the padded executable");
      return;
    }
    bytesRead = file->BytesRead();
    benchmark::DoNotOptimize(icon->pixels.data());
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                   static_cast<double>(state.iterations());
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
  state.counters["bytes_read"] = static_cast<double>(bytesRead);
  // Goal: 0.05 or less. Only meaningful when the whole-file case ran first.
  if (wholeFileSeconds > 0) state.counters["ratio_to_whole_read"] = seconds / wholeFileSeconds;
}

BENCHMARK(BM_ReadWholeFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstIconOfLargeExecutable)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
