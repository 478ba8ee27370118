// Starts and stops the background tune on the system's output many times and
// reports the slowest stop and the resident memory before and after.
//   music_cycles [CYCLES]
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include <thread>
#include "resident_memory.h"

#include "core/music/background_tune.h"
#include "core/music/player.h"

namespace {}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;
  auto player = tilvane::MakeSystemMidiPlayer();
  // One cycle first, so that libraries and the soundfont lookup are loaded.
  player->PlayMidi(-1, std::nullopt, {tilvane::BackgroundTune()});
  player->StopMusic();
  long before = ResidentKilobytes();
  long halfway = 0;
  double slowest = 0, total = 0;
  auto started = std::chrono::steady_clock::now();
  for (int i = 0; i < cycles; ++i) {
    player->PlayMidi(-1, std::nullopt, {tilvane::BackgroundTune()});
    std::this_thread::sleep_for(std::chrono::milliseconds(i % 7));
    auto t0 = std::chrono::steady_clock::now();
    player->StopMusic();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    slowest = std::max(slowest, ms);
    total += ms;
    if (i + 1 == cycles / 2) halfway = ResidentKilobytes();
    if (player->State() != tilvane::PlayerState::Idle) {
      std::fprintf(stderr, "cycle %d: the player did not return to idle\n", i);
      return 1;
    }
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  long after = ResidentKilobytes();
  std::printf("%d start-stop cycles in %.1f s: stop mean %.2f ms, slowest %.2f ms\n", cycles, seconds, total / cycles,
              slowest);
  std::printf("resident memory: before %ld KiB, halfway %ld KiB, after %ld KiB (%+ld KiB)\n", before, halfway, after,
              after - before);
  return 0;
}
