#include "core/music/fluidsynth_output.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "core/music/background_tune.h"
#include "core/music/offline_render.h"
#include "core/music/player.h"
#include "core/music/stream_player.h"
#include "music_fixtures.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;
using testing::QuarterNotes;

FluidSynthOptions Offline() {
  FluidSynthOptions options;
  options.drivers.clear();
  return options;
}

TEST(FluidSynthOutput, WithoutASoundDeviceTheSystemPlayerIsSilentAndStopsAtOnce) {
  // This machine has no sound server and no sound card, so every pass fails.
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  {
    std::unique_ptr<MidiPlayer> player = MakeSystemMidiPlayer();
    player->PlayMidi(-1, std::nullopt, {BackgroundTune()});
    // Backing off: a pass has been tried and has failed, saying whatever it says.
    ASSERT_TRUE(testing::WaitUntil([&] { return player->Waiting() == PlayerWait::Retry; }));
    player->StopMusic();
    EXPECT_EQ(player->State(), PlayerState::Idle);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(FluidSynthOutput, WithoutASoundfontOpenFailsSilently) {
  FluidSynthOptions options;
  options.drivers = {"file"};
  options.soundfont = "/nonexistent/none.sf2";
  FluidSynthOutput output(options);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(output.Open(480, nullptr));
  EXPECT_FALSE(output.IsOpen());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(FluidSynthOutput, PlaysInRealTimeOnTheFileDriverAndEndsThePass) {
  FluidSynthOptions options;
  options.drivers = {"file"};  // paced in real time, written to /dev/null
  FluidSynthOutput output(options);
  WakeEvent passEnded;
  MidiStreamPlayer stream(output);
  const Bytes tune = QuarterNotes(3, 200000);  // 0.5 s
  ASSERT_TRUE(stream.Load(tune, &passEnded));
  ASSERT_TRUE(stream.Start());
  EXPECT_TRUE(passEnded.WaitFor(10s, [] { return false; }));
  // The next pass reuses the open synthesizer and can be stopped part-way.
  passEnded.Reset();
  // 2,000 notes of 20 ms: the first buffer holds 42 of them (under a second)
  // and the whole pass lasts 40 s.
  const Bytes longTune = QuarterNotes(2000, 20000);
  ASSERT_TRUE(stream.Load(longTune, &passEnded));
  ASSERT_TRUE(stream.Start());
  // Part-way: a buffer has played and been refilled.
  const std::uint64_t queuedAtStart = stream.PassTicks();
  ASSERT_TRUE(testing::WaitUntil([&] { return stream.PassTicks() > queuedAtStart; }));
  stream.StopOutput();
  EXPECT_FALSE(passEnded.IsSet());
  stream.Close();
  EXPECT_FALSE(output.IsOpen());
}

TEST(FluidSynthOutput, StopLeavesNoVoiceAndFallsBelowMinus60dBFSWithin100ms) {
  FluidSynthOutput output(Offline());
  WakeEvent passEnded;
  MidiStreamPlayer stream(output);
  const Bytes tune = QuarterNotes(100);
  ASSERT_TRUE(stream.Load(tune, &passEnded));
  ASSERT_TRUE(stream.Start());
  std::vector<float> left(4410), right(4410);  // 100 ms a block
  float loudest = 0;
  for (int block = 0; block < 10; ++block) {
    ASSERT_TRUE(output.Render(left.data(), right.data(), 4410));
    for (float sample : left) loudest = std::max(loudest, std::abs(sample));
  }
  EXPECT_GT(loudest, 0.01f);
  EXPECT_GT(output.ActiveVoices(), 0);
  stream.StopOutput();
  // Sounds-off ends every voice at once. What reverb and chorus still carry
  // is far below hearing (about -78 dBFS here); -60 dBFS leaves a wide margin.
  ASSERT_TRUE(output.Render(left.data(), right.data(), 4410));
  EXPECT_EQ(output.ActiveVoices(), 0);
  ASSERT_TRUE(output.Render(left.data(), right.data(), 4410));
  float after = 0;
  for (int i = 0; i < 4410; ++i) after = std::max({after, std::abs(left[i]), std::abs(right[i])});
  EXPECT_LT(after, 1e-3f) << "level " << 20 * std::log10(after) << " dBFS";
}

TEST(FluidSynthOutput, RenderRefusesALiveOrClosedOutput) {
  FluidSynthOutput output(Offline());
  float left[64], right[64];
  EXPECT_FALSE(output.Render(left, right, 64));
}

TEST(OfflineRender, BackgroundTuneSoundsAndEndsWithinOnePercentOf173point5Seconds) {
  float peak = 0;
  long long lastLoud = -1;
  long long frame = 0;
  auto result = RenderTuneOffline(BackgroundTune(), {}, [&](const float* left, const float* right, int frames) {
    for (int i = 0; i < frames; ++i, ++frame) {
      float level = std::max(std::abs(left[i]), std::abs(right[i]));
      peak = std::max(peak, level);
      if (level > 1e-3f) lastLoud = frame;
    }
  });
  ASSERT_TRUE(result);
  EXPECT_TRUE(result->passEnded);
  EXPECT_GT(peak, 0.05f);
  EXPECT_LT(peak, 1.0f);  // no clipping
  double passSeconds = static_cast<double>(result->passFrames) / result->sampleRate;
  double soundEnds = static_cast<double>(lastLoud) / result->sampleRate;
  EXPECT_NEAR(passSeconds, 173.5, 173.5 * 0.01);
  EXPECT_NEAR(soundEnds, 173.5, 173.5 * 0.01);
}

}  // namespace
}  // namespace tilvane
