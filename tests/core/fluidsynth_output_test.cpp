#include "core/music/fluidsynth_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "core/music/background_tune.h"
#include "core/music/offline_render.h"
#include "core/music/player.h"
#include "core/music/smf_writer.h"
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

constexpr const char* kPlainSoundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr const char* kCompressedSoundfont = "/usr/share/sounds/sf3/FluidR3Mono_GM.sf3";

FluidSynthOptions OfflineWith(const std::string& soundfont, bool loadSamplesOnUse) {
  FluidSynthOptions options = Offline();
  options.soundfont = soundfont;
  options.loadSamplesOnUse = loadSamplesOnUse;
  return options;
}

// Renders the whole blocks of `frames` frames within `seconds` of what
// `stream` plays, left and right interleaved.
std::vector<float> RenderSeconds(FluidSynthOutput& output, double seconds, int frames = 64) {
  std::vector<float> out;
  std::vector<float> left(frames), right(frames);
  for (int block = 0; block < static_cast<int>(seconds * 44100 / frames); ++block) {
    if (!output.Render(left.data(), right.data(), frames)) return {};
    for (int i = 0; i < frames; ++i) out.insert(out.end(), {left[i], right[i]});
  }
  return out;
}

// A refilled buffer's events take effect at the same frame whatever the size
// of the blocks asked for, and whenever the thread that refills it runs: the
// same tune renders to the same samples.
TEST(FluidSynthOutput, RendersTheSameSamplesInBlocksOfAnySize) {
  std::vector<float> rendered[3];
  const int sizes[] = {64, 1000, 4410};
  for (int k = 0; k < 3; ++k) {
    FluidSynthOutput output(Offline());
    WakeEvent passEnded;
    MidiStreamPlayer stream(output);
    ASSERT_TRUE(stream.Load(BackgroundTune(), &passEnded));
    ASSERT_TRUE(stream.Start());
    rendered[k] = RenderSeconds(output, 8, sizes[k]);
    rendered[k].resize(8 * 44100 / 1000 * 1000 * 2);  // the shortest, in blocks of 1000
  }
  EXPECT_GT(*std::max_element(rendered[0].begin(), rendered[0].end()), 0.05f);
  EXPECT_TRUE(rendered[1] == rendered[0]);
  EXPECT_TRUE(rendered[2] == rendered[0]);
}

// How far `rendered` is from `reference` in each second: the level of their
// difference against the reference's, the worst second.
double WorstDifference(const std::vector<float>& rendered, const std::vector<float>& reference) {
  constexpr std::size_t kSecond = 44100 * 2;
  double worst = 0;
  for (std::size_t start = 0; start < std::min(rendered.size(), reference.size()); start += kSecond) {
    double difference = 0, level = 0;
    for (std::size_t i = start; i < std::min({start + kSecond, rendered.size(), reference.size()}); ++i) {
      difference += (rendered[i] - reference[i]) * (rendered[i] - reference[i]);
      level += reference[i] * reference[i];
    }
    worst = std::max(worst, std::sqrt(difference / std::max(level, 1e-12)));
  }
  return worst;
}

// Not alike to the bit: a sample loaded on its own is read past its end
// differently from one inside the whole soundfont's sample data. That makes
// about 3 % at most here; an instrument on the wrong preset makes 45 % and more.
constexpr double kAlike = 0.1;

// Loading a preset's samples only when a channel first plays moves the tune's
// program changes up to each channel's first note: for the plain soundfont and
// for the compressed one, both installed by scripts/install-deps, the tune must
// sound as with every sample loaded up front. Its first 40 seconds take in the
// entries of all instruments but two, its first 27 all but five (the
// compressed soundfont's reference, every sample decoded, is the slower).
void ExpectTheTuneAsWithEverySampleLoaded(const char* soundfont, int seconds) {
  std::vector<float> rendered[2];
  for (bool onUse : {true, false}) {
    FluidSynthOutput output(OfflineWith(soundfont, onUse));
    WakeEvent passEnded;
    MidiStreamPlayer stream(output);
    ASSERT_TRUE(stream.Load(BackgroundTune(), &passEnded));
    ASSERT_TRUE(stream.Start());
    rendered[onUse] = RenderSeconds(output, seconds);
    ASSERT_EQ(rendered[onUse].size(), std::size_t(seconds) * 44100 / 64 * 64 * 2);
  }
  EXPECT_LT(WorstDifference(rendered[true], rendered[false]), kAlike);
  EXPECT_GT(*std::max_element(rendered[true].begin(), rendered[true].end()), 0.05f);
}

TEST(FluidSynthOutput, LoadingSamplesOnUsePlaysTheTuneAsLoadingThemAllWithThePlainSoundfont) {
  ExpectTheTuneAsWithEverySampleLoaded(kPlainSoundfont, 40);
}

TEST(FluidSynthOutput, LoadingSamplesOnUsePlaysTheTuneAsLoadingThemAllWithTheCompressedSoundfont) {
  ExpectTheTuneAsWithEverySampleLoaded(kCompressedSoundfont, 27);
}

// A program change held back still counts once its time has passed when the
// music stops, as it would have been played, and not before: the next tune,
// with no program change of its own, plays on the preset it would have had.
TEST(FluidSynthOutput, AfterAStopTheNextTunePlaysOnTheProgramItWouldHaveHad) {
  auto violinAt = [](std::uint64_t tick) {
    SmfTrackWriter track;
    testing::Tempo(track, 0, 500000);
    track.Channel(tick, 0xC0, 40);  // violin, in place of the first program's piano
    track.Channel(tick + 480 * 20, 0x90, 60, 100);
    track.EndOfTrack(tick + 480 * 21);
    return WriteSmf(0, 480, {track});
  };
  const Bytes next = testing::QuarterNotes(2);
  std::vector<float> rendered[2][2];  // [program change before the stop][samples loaded on use]
  for (bool changedBeforeStop : {true, false}) {
    const Bytes first = violinAt(changedBeforeStop ? 0 : 480 * 4);  // at 0 s or 2 s, stopped at 1 s
    for (bool onUse : {true, false}) {
      FluidSynthOutput output(OfflineWith(kPlainSoundfont, onUse));
      WakeEvent passEnded;
      MidiStreamPlayer stream(output);
      ASSERT_TRUE(stream.Load(first, &passEnded));
      ASSERT_TRUE(stream.Start());
      ASSERT_EQ(RenderSeconds(output, 1).size(), 44100u / 64 * 64 * 2);
      stream.StopOutput();
      ASSERT_TRUE(stream.Load(next, &passEnded));
      ASSERT_TRUE(stream.Start());
      rendered[changedBeforeStop][onUse] = RenderSeconds(output, 1);
    }
    EXPECT_LT(WorstDifference(rendered[changedBeforeStop][true], rendered[changedBeforeStop][false]), kAlike)
        << (changedBeforeStop ? "changed before the stop" : "changed after the stop");
  }
  // Violin and piano are told apart, or the comparisons above prove nothing.
  EXPECT_GT(WorstDifference(rendered[true][false], rendered[false][false]), 3 * kAlike);
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
