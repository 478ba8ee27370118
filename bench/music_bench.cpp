// Background music: how fast a stop takes effect, and what the stream layer
// itself costs per minute of music (synthesis not included).
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "core/music/background_tune.h"
#include "core/music/fluidsynth_output.h"
#include "core/music/player.h"
#include "core/music/stream_filler.h"
#include "core/music/stream_player.h"
#include "core/music/virtual_output.h"
#include "core/music/wake_event.h"

namespace {

using namespace std::chrono_literals;
using tilvane::BackgroundTune;

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// StopMusic while the tune plays on FluidSynth in real time (the "file" driver
// into /dev/null stands in for a sound card). Goal: under 50 ms.
void BM_StopLatencyFluidSynth(benchmark::State& state) {
  for (auto _ : state) {
    tilvane::MidiPlayer player([] {
      tilvane::FluidSynthOptions options;
      options.drivers = {"file"};
      return std::make_unique<tilvane::FluidSynthOutput>(options);
    });
    player.PlayMidi(-1, std::nullopt, {BackgroundTune()});
    std::this_thread::sleep_for(1500ms);  // soundfont loaded, well into the tune
    auto start = std::chrono::steady_clock::now();
    player.StopMusic();
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
  }
}
BENCHMARK(BM_StopLatencyFluidSynth)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// The same on the virtual device: the player's and stream layer's own share.
void BM_StopLatencyVirtual(benchmark::State& state) {
  tilvane::VirtualMidiDevice device;
  for (auto _ : state) {
    tilvane::MidiPlayer player([&] { return device.MakeOutput(); });
    player.PlayMidi(-1, std::nullopt, {BackgroundTune()});
    for (int i = 0; i < 20; ++i) {
      device.Advance(10);
      std::this_thread::sleep_for(1ms);
    }
    auto start = std::chrono::steady_clock::now();
    player.StopMusic();
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(took.count());
  }
}
BENCHMARK(BM_StopLatencyVirtual)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

// One whole pass of the tune through the stream layer, its clock moved on in
// 10 ms steps as a sound card would; reported as CPU time per minute of music.
void BM_StreamCpuPerMusicMinute(benchmark::State& state) {
  double cpu = 0;
  double musicSeconds = 0;
  for (auto _ : state) {
    tilvane::VirtualMidiDevice device;
    auto output = device.MakeOutput();
    tilvane::WakeEvent passEnded;
    tilvane::MidiStreamPlayer stream(*output);
    double before = ProcessCpuSeconds();
    if (!stream.Load(BackgroundTune(), &passEnded) || !stream.Start()) {
      state.SkipWithError("the tune did not load");
      return;
    }
    while (!passEnded.IsSet()) device.Advance(10);
    cpu += ProcessCpuSeconds() - before;
    musicSeconds += device.Now() / 1000;
  }
  state.counters["cpu_ms_per_music_minute"] = cpu * 1000 / (musicSeconds / 60);
}
BENCHMARK(BM_StreamCpuPerMusicMinute)->Unit(benchmark::kMillisecond);

// The filler's share of that: reading, merging and converting one pass of the
// tune into buffers, with no output and no lock.
void BM_FillOnePass(benchmark::State& state) {
  std::size_t buffers = 0;
  for (auto _ : state) {
    tilvane::ErrorOr<tilvane::SmfFile> file = tilvane::ReadSmf(BackgroundTune());
    if (!file) {
      state.SkipWithError(file.reason());
      return;
    }
    tilvane::StreamFiller filler(std::move(*file));
    tilvane::StreamBuffer buffer;
    tilvane::FillResult result;
    do {
      result = filler.Fill(buffer);
      ++buffers;
    } while (result == tilvane::FillResult::Filled);
    benchmark::DoNotOptimize(buffer.used);
  }
  state.counters["buffers_per_pass"] =
      benchmark::Counter(static_cast<double>(buffers), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FillOnePass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
