// Decode plus encode of 32 x 32, 32-bit masked groups against a plain copy of
// the same bytes, and the memory a decoded 10,000-image group takes.
//
//   imagegroup_bench                 the timings (Google Benchmark flags apply)
//   imagegroup_bench --peak-memory   peak resident memory of one decode, as a
//                                    factor of the file size
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "core/imagegroup/codec.h"

namespace {

using tilvane::Bytes;

const Bytes& GroupOf(int images) {
  static std::map<int, Bytes> groups;
  auto& group = groups[images];
  if (group.empty()) {
    tilvane::ImageList list;
    list.tileWidth = 32;
    list.tileHeight = 32;
    list.flags = tilvane::kFlagMask | tilvane::kDepthCode32;
    list.capacity = static_cast<std::uint16_t>(images);
    std::uint32_t state = 7;
    for (int i = 0; i < images; ++i) {
      tilvane::Image image;
      image.pixels.resize(32 * 32);
      image.mask.resize(32 * 32);
      for (std::size_t p = 0; p < image.pixels.size(); ++p) {
        state = state * 1664525u + 1013904223u;
        image.pixels[p] = state;
        image.mask[p] = (state >> 7) & 1;
      }
      list.PushImage(image);
    }
    group = *tilvane::EncodeImageGroup(list);
  }
  return group;
}

// An edit's decode and encode: the group is decoded into a list kept from
// one round to the next and encoded back over its own bytes, as an edit
// stores its result in place of the group it read. After the first round
// neither allocates, whatever the allocator.
void BM_DecodeEncode(benchmark::State& state) {
  Bytes group = GroupOf(static_cast<int>(state.range(0)));
  tilvane::ImageList list;
  for (auto _ : state) {
    if (!tilvane::DecodeImageGroupInto(group, list).ok() || !tilvane::EncodeImageGroupInto(list, group).ok())
      state.SkipWithError("the group did not decode and encode");
    benchmark::DoNotOptimize(group.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * group.size()));
  state.counters["file_bytes"] = static_cast<double>(group.size());
}

// The same encoding into other bytes, also kept from round to round: one
// buffer more for the cache to hold.
void BM_DecodeEncodeApart(benchmark::State& state) {
  const Bytes& group = GroupOf(static_cast<int>(state.range(0)));
  tilvane::ImageList list;
  Bytes bytes;
  for (auto _ : state) {
    if (!tilvane::DecodeImageGroupInto(group, list).ok() || !tilvane::EncodeImageGroupInto(list, bytes).ok())
      state.SkipWithError("the group did not decode and encode");
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * group.size()));
}

// The same with a new list and new bytes every round: what the allocator
// does with blocks this large (glibc hands them back to the kernel and
// faults them in again) is measured with it.
void BM_DecodeEncodeFresh(benchmark::State& state) {
  const Bytes& group = GroupOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto list = tilvane::DecodeImageGroup(group);
    auto bytes = tilvane::EncodeImageGroup(*list);
    benchmark::DoNotOptimize(bytes->data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * group.size()));
}

// Each half on its own, into storage kept between rounds.
void BM_Decode(benchmark::State& state) {
  const Bytes& group = GroupOf(static_cast<int>(state.range(0)));
  tilvane::ImageList list;
  for (auto _ : state) {
    if (!tilvane::DecodeImageGroupInto(group, list).ok()) state.SkipWithError("the group did not decode");
    benchmark::DoNotOptimize(list.pixels.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * group.size()));
}

void BM_Encode(benchmark::State& state) {
  const Bytes& group = GroupOf(static_cast<int>(state.range(0)));
  const auto list = tilvane::DecodeImageGroup(group);
  Bytes bytes;
  for (auto _ : state) {
    if (!tilvane::EncodeImageGroupInto(*list, bytes).ok()) state.SkipWithError("the list did not encode");
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * group.size()));
}

// The reference: the same number of bytes copied into a fresh buffer, as
// decode and encode also produce fresh memory.
void BM_CopyBytes(benchmark::State& state) {
  const Bytes& group = GroupOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    Bytes copy(group.size());
    std::memcpy(copy.data(), group.data(), group.size());
    benchmark::DoNotOptimize(copy.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * group.size()));
}

// A memcpy into a buffer that already exists: the floor of any copy.
void BM_MemcpyWarm(benchmark::State& state) {
  const Bytes& group = GroupOf(static_cast<int>(state.range(0)));
  Bytes copy(group.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), group.data(), group.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * group.size()));
}

// Heap held by a decoded list, from the allocator's own books.
void BM_DecodedHeap(benchmark::State& state) {
  const Bytes& group = GroupOf(static_cast<int>(state.range(0)));
  double factor = 0;
  for (auto _ : state) {
    const struct mallinfo2 before = mallinfo2();
    auto list = tilvane::DecodeImageGroup(group);
    const struct mallinfo2 after = mallinfo2();
    benchmark::DoNotOptimize(list->pixels.data());
    const double grown = static_cast<double>((after.uordblks + after.hblkhd) - (before.uordblks + before.hblkhd));
    factor = grown / static_cast<double>(group.size());
  }
  state.counters["heap_over_file"] = factor;
}

BENCHMARK(BM_DecodeEncode)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeEncodeApart)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeEncodeFresh)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyBytes)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyWarm)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodedHeap)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);

long StatusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  return -1;
}

// Peak resident memory of one decode above what the process held before it
// (the file's bytes included), read from the kernel after resetting the peak.
int MeasurePeakMemory() {
  const Bytes& group = GroupOf(10000);
  malloc_trim(0);
  const long baseline = StatusKilobytes("VmRSS:");
  std::ofstream("/proc/self/clear_refs") << "5";
  long peak = 0;
  {
    auto list = tilvane::DecodeImageGroup(group);
    benchmark::DoNotOptimize(list->pixels.data());
    peak = StatusKilobytes("VmHWM:");
  }
  const double factor = static_cast<double>(peak - baseline) * 1024 / static_cast<double>(group.size());
  std::printf("file %zu bytes, baseline %ld kB, peak %ld kB: %.2f x the file size above baseline\n", group.size(),
              baseline, peak, factor);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--peak-memory") == 0) return MeasurePeakMemory();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
