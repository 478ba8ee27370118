// The background-music player: one thread of its own that plays a list of
// tunes through the stream layer, pass after pass, until its repeat count is
// used up or it is stopped. It never reports anything; a pass that cannot
// play is skipped, and retries back off so that a machine without a sound
// device does not spin.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/music/wake_event.h"
#include "core/text.h"

namespace tilvane {

enum class PlayerState { Idle = 0, Playing = 1, StopRequested = 2 };

// What the player thread is waiting for, if anything: a held output's
// release, the end of the pass it plays, the pause after a tune, or the
// back-off after a pass that played nothing. Lets a test (or a look in a
// debugger) tell "nothing happened yet" from "nothing will happen".
enum class PlayerWait { Nothing = 0, Release, PassEnd, Pause, Retry };

class StreamOutput;  // from stream_output.h
using StreamOutputFactory = std::function<std::unique_ptr<StreamOutput>()>;

// How long the player waits after a pass in which nothing could be played:
// it starts at one second and doubles up to a minute.
inline constexpr std::chrono::milliseconds kFirstRetryDelay{1000};
inline constexpr std::chrono::milliseconds kLongestRetryDelay{60000};

class MidiPlayer {
 public:
  // `makeOutput` is called on the player thread once per PlayMidi.
  explicit MidiPlayer(StreamOutputFactory makeOutput);
  ~MidiPlayer();  // stops
  MidiPlayer(const MidiPlayer&) = delete;
  MidiPlayer& operator=(const MidiPlayer&) = delete;

  // Replaces any current playback by `tunes` (borrowed: they must outlive the
  // playback), played in order `repeatCount` times (omitted: 1; -1 or less:
  // without end; 0: nothing changes) with `pauseTenths` x 100 ms after each
  // tune (omitted or negative: 0). Tunes of 4 bytes or less or not starting
  // with "MThd" are skipped; when none is left nothing changes.
  void PlayMidi(std::optional<int> repeatCount, std::optional<int> pauseTenths, std::vector<ByteSpan> tunes);
  // Stops playback and waits for the player thread to end; returns at once
  // when nothing plays.
  void StopMusic();
  PlayerState State() const;
  PlayerWait Waiting() const { return waiting_.load(); }

  // While held, a playback started by PlayMidi counts as playing but does not
  // yet make its output: opening a synthesizer and loading its soundfont
  // takes more processor time than anything else at start-up, so a program
  // holds it back until its window is on screen. A stop ends a held playback
  // at once.
  void HoldOutput();
  void ReleaseOutput();

 private:
  void Run();
  // Waits up to `duration` or until a stop is requested; true when stopped.
  bool WaitOrStop(std::chrono::milliseconds duration, PlayerWait why);
  bool StopRequested() const { return state_.load() != PlayerState::Playing; }
  void JoinAndReset();

  StreamOutputFactory makeOutput_;
  std::mutex control_;  // serialises PlayMidi and StopMusic
  std::atomic<PlayerState> state_{PlayerState::Idle};
  std::atomic<bool> outputHeld_{false};
  std::atomic<PlayerWait> waiting_{PlayerWait::Nothing};
  std::thread thread_;
  WakeEvent wake_;  // pass ended (from the output) or stop requested
  // Written before the thread starts and after it has been joined, read by
  // the thread in between.
  int repeatCount_ = 0;
  int pauseTenths_ = 0;
  std::vector<ByteSpan> tunes_;
};

// A player on the system's output (FluidSynth on Linux, the MIDI stream of
// the multimedia API on Windows); silent when there is no sound device (or,
// with FluidSynth, no soundfont).
std::unique_ptr<MidiPlayer> MakeSystemMidiPlayer();

}  // namespace tilvane
