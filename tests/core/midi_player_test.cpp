#include "core/music/player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/music/stream_output.h"
#include "core/music/virtual_output.h"
#include "music_fixtures.h"

namespace tilvane {
namespace {

using namespace std::chrono_literals;
using testing::QuarterNotes;

class MidiPlayerTest : public ::testing::Test {
 protected:
  // Moves the device clock on in 100 ms steps, giving the player thread time
  // between steps, until `done` holds; false if it does not within a minute.
  // Bounded by time rather than steps: where the system's sleeps are coarse
  // (Windows), a short sleep may return at once.
  template <typename Done>
  bool DriveUntil(Done done) {
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      device.Advance(100);
      std::this_thread::sleep_for(200us);
    }
    return true;
  }

  VirtualMidiDevice device;
  MidiPlayer player{[this] { return device.MakeOutput(); }};
  const Bytes tune = QuarterNotes(4);   // 2 s of music
  const Bytes other = QuarterNotes(6);  // 3 s
};

TEST_F(MidiPlayerTest, RepeatCountZeroChangesNothing) {
  player.PlayMidi(0, std::nullopt, {tune});
  EXPECT_EQ(player.State(), PlayerState::Idle);
  player.PlayMidi(-1, std::nullopt, {tune});
  ASSERT_TRUE(DriveUntil([&] { return device.Counts().starts >= 2; }));
  player.PlayMidi(0, std::nullopt, {other});
  EXPECT_EQ(player.State(), PlayerState::Playing);
  ASSERT_TRUE(DriveUntil([&] { return device.Counts().starts >= 4; }));
  EXPECT_EQ(device.Counts().opens, 1);  // the same playback went on
  player.StopMusic();
}

TEST_F(MidiPlayerTest, RepeatCountOnePlaysEachTuneOnceThenGoesIdle) {
  player.PlayMidi(std::nullopt, std::nullopt, {tune, other});
  EXPECT_EQ(player.State(), PlayerState::Playing);
  ASSERT_TRUE(DriveUntil([&] { return player.State() == PlayerState::Idle; }));
  EXPECT_EQ(device.Counts().starts, 2);
  EXPECT_EQ(device.Played().size(), 9u + 13u);
  EXPECT_EQ(device.Counts().closes, 1);
}

TEST_F(MidiPlayerTest, RepeatCountTwoPlaysTheListTwice) {
  player.PlayMidi(2, 0, {tune, other});
  ASSERT_TRUE(DriveUntil([&] { return player.State() == PlayerState::Idle; }));
  EXPECT_EQ(device.Counts().starts, 4);
  EXPECT_EQ(device.Played().size(), 2 * (9u + 13u));
}

TEST_F(MidiPlayerTest, CountsBelowMinusOnePlayWithoutEnd) {
  player.PlayMidi(-7, -3, {tune});
  ASSERT_TRUE(DriveUntil([&] { return device.Counts().starts >= 5; }));
  EXPECT_EQ(player.State(), PlayerState::Playing);
  player.StopMusic();
  // The thread has ended: it closed its output on the way out.
  EXPECT_EQ(device.Counts().closes, 1);
  EXPECT_EQ(device.BuffersOut(), 0u);
}

TEST_F(MidiPlayerTest, SkipsTunesThatAreNotMidiFiles) {
  const Bytes tooShort = {'M', 'T', 'h', 'd'};
  const Bytes riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
  player.PlayMidi(1, 0, {tooShort, riff});
  EXPECT_EQ(player.State(), PlayerState::Idle);
  EXPECT_EQ(device.Counts().openAttempts, 0);
  player.PlayMidi(1, 0, {riff, tune, tooShort});
  ASSERT_TRUE(DriveUntil([&] { return player.State() == PlayerState::Idle; }));
  EXPECT_EQ(device.Counts().starts, 1);
}

TEST_F(MidiPlayerTest, StopDuringAPassSilencesAndTakesTheBuffersBack) {
  const Bytes longTune = QuarterNotes(400);
  player.PlayMidi(-1, std::nullopt, {longTune});
  ASSERT_TRUE(DriveUntil([&] { return device.Played().size() > 20; }));
  ASSERT_TRUE(testing::WaitUntil([&] { return player.Waiting() == PlayerWait::PassEnd; }));
  player.StopMusic();
  EXPECT_EQ(device.BuffersOut(), 0u);
  EXPECT_EQ(device.Counts().stops, 1);
  EXPECT_EQ(device.Counts().closes, 1);
  std::size_t played = device.Played().size();
  device.Advance(60000);
  EXPECT_EQ(device.Played().size(), played);
}

TEST_F(MidiPlayerTest, StopDuringThePauseEndsIt) {
  player.PlayMidi(-1, 600, {tune});  // a minute's pause after the tune
  ASSERT_TRUE(DriveUntil([&] { return device.Counts().starts == 1 && device.Played().size() == 9; }));
  ASSERT_TRUE(testing::WaitUntil([&] { return player.Waiting() == PlayerWait::Pause; }));
  auto before = std::chrono::steady_clock::now();
  player.StopMusic();
  // The stop cuts the minute short; the bound leaves room for any scheduler.
  EXPECT_LT(std::chrono::steady_clock::now() - before, 10s);
  EXPECT_EQ(device.Counts().closes, 1);
  // The player thread has ended: the rest of the pause starts nothing new.
  EXPECT_EQ(player.Waiting(), PlayerWait::Nothing);
  device.Advance(120000);
  EXPECT_EQ(device.Counts().starts, 1);
}

TEST_F(MidiPlayerTest, TwoStopsInARowAndAStopWhileIdleDoNothing) {
  player.StopMusic();
  EXPECT_EQ(device.Counts().openAttempts, 0);
  player.PlayMidi(-1, std::nullopt, {tune});
  ASSERT_TRUE(DriveUntil([&] { return device.Counts().starts >= 1; }));
  player.StopMusic();
  player.StopMusic();
  EXPECT_EQ(device.Counts().closes, 1);
  EXPECT_EQ(device.Counts().stops, 1);
}

TEST_F(MidiPlayerTest, ANewPlayMidiReplacesTheCurrentPlayback) {
  player.PlayMidi(-1, std::nullopt, {tune});
  ASSERT_TRUE(DriveUntil([&] { return device.Counts().starts >= 1; }));
  player.PlayMidi(1, std::nullopt, {other});
  ASSERT_TRUE(DriveUntil([&] { return player.State() == PlayerState::Idle; }));
  EXPECT_EQ(device.Counts().opens, 2);
  EXPECT_EQ(device.Counts().closes, 2);
}

TEST_F(MidiPlayerTest, WithoutADeviceItBacksOffAndStopsAtOnce) {
  device.SetFailOpen(true);
  player.PlayMidi(-1, std::nullopt, {tune});
  // A spinning retry loop would never get to the back-off, or only after
  // many attempts.
  ASSERT_TRUE(testing::WaitUntil([&] { return player.Waiting() == PlayerWait::Retry; }));
  EXPECT_EQ(device.Counts().openAttempts, 1);
  EXPECT_EQ(player.State(), PlayerState::Playing);
  auto before = std::chrono::steady_clock::now();
  player.StopMusic();
  EXPECT_EQ(player.State(), PlayerState::Idle);
  // Generous bound: the back-off (a second, then longer) is being cut short.
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
}

TEST_F(MidiPlayerTest, AFailedStartCountsAsAFailedPass) {
  device.SetFailStart(true);
  player.PlayMidi(2, std::nullopt, {tune});
  // A pass retried at once would show as a second attempt before the wait.
  ASSERT_TRUE(testing::WaitUntil([&] { return player.Waiting() == PlayerWait::Retry; }));
  EXPECT_EQ(device.Counts().openAttempts, 1);
  EXPECT_EQ(player.State(), PlayerState::Playing);  // waiting before the second pass
  // The second pass fails too, and with it the last.
  ASSERT_TRUE(testing::WaitUntil([&] { return player.State() == PlayerState::Idle; }));
  EXPECT_EQ(device.Counts().openAttempts, 2);
}

TEST_F(MidiPlayerTest, AHeldPlaybackMakesItsOutputOnlyOnceReleased) {
  player.HoldOutput();
  player.PlayMidi(-1, std::nullopt, {tune});
  EXPECT_EQ(player.State(), PlayerState::Playing);
  ASSERT_TRUE(testing::WaitUntil([&] { return player.Waiting() == PlayerWait::Release; }));
  EXPECT_EQ(device.Counts().openAttempts, 0);
  player.ReleaseOutput();
  ASSERT_TRUE(DriveUntil([&] { return !device.Played().empty(); }));
  EXPECT_EQ(device.Counts().opens, 1);
  player.StopMusic();
}

TEST_F(MidiPlayerTest, AStopWhileHeldEndsAtOnceWithoutAnOutput) {
  player.HoldOutput();
  player.PlayMidi(-1, std::nullopt, {tune});
  ASSERT_TRUE(testing::WaitUntil([&] { return player.Waiting() == PlayerWait::Release; }));
  auto before = std::chrono::steady_clock::now();
  player.StopMusic();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);  // not a wait for a release
  EXPECT_EQ(player.State(), PlayerState::Idle);
  EXPECT_EQ(device.Counts().openAttempts, 0);
  // Released later, a new playback plays as usual.
  player.ReleaseOutput();
  player.PlayMidi(1, std::nullopt, {tune});
  ASSERT_TRUE(DriveUntil([&] { return player.State() == PlayerState::Idle; }));
  EXPECT_EQ(device.Counts().opens, 1);
}

TEST(MidiPlayerWithoutOutput, GoesIdleByItselfWhenNoOutputCanBeMade) {
  MidiPlayer player([] { return std::unique_ptr<StreamOutput>(); });
  player.PlayMidi(-1, std::nullopt, {QuarterNotes(2)});
  EXPECT_TRUE(testing::WaitUntil([&] { return player.State() == PlayerState::Idle; }));
}

TEST(MidiPlayerLifetime, DestructionStopsPlayback) {
  VirtualMidiDevice device;
  const Bytes tune = QuarterNotes(400);
  {
    MidiPlayer player([&] { return device.MakeOutput(); });
    player.PlayMidi(-1, std::nullopt, {tune});
    ASSERT_TRUE(testing::WaitUntil([&] { return device.Counts().starts != 0; }));
    ASSERT_EQ(device.Counts().starts, 1);
  }
  EXPECT_EQ(device.Counts().closes, 1);
  EXPECT_EQ(device.BuffersOut(), 0u);
}

}  // namespace
}  // namespace tilvane
