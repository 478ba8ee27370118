#include "core/music/player.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "core/music/stream_output.h"
#include "core/music/stream_player.h"

namespace tilvane {

namespace {

// The pass-ended wait also looks at the state this often, as a safety net
// should a wake-up ever be missed.
constexpr std::chrono::milliseconds kPassWaitSlice{500};

bool IsUsableTune(ByteSpan tune) { return tune.size() > 4 && std::memcmp(tune.data(), "MThd", 4) == 0; }

}  // namespace

MidiPlayer::MidiPlayer(StreamOutputFactory makeOutput) : makeOutput_(std::move(makeOutput)) {}

MidiPlayer::~MidiPlayer() { StopMusic(); }

PlayerState MidiPlayer::State() const { return state_.load(); }

void MidiPlayer::PlayMidi(std::optional<int> repeatCount, std::optional<int> pauseTenths, std::vector<ByteSpan> tunes) {
  int repeat = repeatCount.value_or(1);
  if (repeat == 0) return;
  if (repeat < -1) repeat = -1;
  int pause = std::max(0, pauseTenths.value_or(0));
  std::erase_if(tunes, [](ByteSpan tune) { return !IsUsableTune(tune); });
  if (tunes.empty()) return;

  std::lock_guard control(control_);
  PlayerState playing = PlayerState::Playing;
  if (state_.compare_exchange_strong(playing, PlayerState::StopRequested)) wake_.Interrupt();
  JoinAndReset();

  repeatCount_ = repeat;
  pauseTenths_ = pause;
  tunes_ = std::move(tunes);
  wake_.Reset();
  state_.store(PlayerState::Playing);
  try {
    thread_ = std::thread(&MidiPlayer::Run, this);
  } catch (const std::system_error&) {
    tunes_.clear();
    repeatCount_ = 0;
    pauseTenths_ = 0;
    state_.store(PlayerState::Idle);
  }
}

void MidiPlayer::StopMusic() {
  std::lock_guard control(control_);
  PlayerState playing = PlayerState::Playing;
  // The state changes before the wake-up, so the thread cannot miss it.
  if (state_.compare_exchange_strong(playing, PlayerState::StopRequested)) wake_.Interrupt();
  JoinAndReset();
}

void MidiPlayer::HoldOutput() { outputHeld_.store(true); }

void MidiPlayer::ReleaseOutput() {
  outputHeld_.store(false);
  wake_.Interrupt();
}

void MidiPlayer::JoinAndReset() {
  if (thread_.joinable()) thread_.join();
  tunes_.clear();
  repeatCount_ = 0;
  pauseTenths_ = 0;
  state_.store(PlayerState::Idle);
}

bool MidiPlayer::WaitOrStop(std::chrono::milliseconds duration, PlayerWait why) {
  waiting_.store(why);
  // wake_ may still be set from the pass that just ended, so only the state
  // ends this wait early.
  bool stopped = wake_.WaitForStop(duration, [&] { return StopRequested(); });
  waiting_.store(PlayerWait::Nothing);
  return stopped;
}

void MidiPlayer::Run() {
  while (outputHeld_.load() && !StopRequested()) {
    waiting_.store(PlayerWait::Release);
    wake_.WaitForStop(kPassWaitSlice, [&] { return !outputHeld_.load() || StopRequested(); });
  }
  waiting_.store(PlayerWait::Nothing);
  // A playback stopped while held never makes its output.
  if (std::unique_ptr<StreamOutput> output = !StopRequested() && makeOutput_ ? makeOutput_() : nullptr) {
    MidiStreamPlayer stream(*output);
    std::chrono::milliseconds retryDelay = kFirstRetryDelay;
    std::size_t next = 0;
    // Whether this pass played any music. A pass that did not (no device,
    // every tune broken, or tunes whose events all lie at tick 0) is followed
    // by a wait, so that a broken setup cannot spin a core.
    bool played = false;
    while (!StopRequested()) {
      if (next == tunes_.size()) {
        if (repeatCount_ > 0 && --repeatCount_ == 0) break;
        next = 0;
        if (!played) {
          if (WaitOrStop(retryDelay, PlayerWait::Retry)) break;
          retryDelay = std::min(retryDelay * 2, kLongestRetryDelay);
        } else {
          retryDelay = kFirstRetryDelay;
        }
        played = false;
      }
      ByteSpan tune = tunes_[next++];
      if (!stream.Load(tune, &wake_)) continue;
      wake_.Reset();
      if (!stream.Start()) continue;
      waiting_.store(PlayerWait::PassEnd);
      while (!wake_.WaitFor(kPassWaitSlice, [&] { return StopRequested(); }) && !StopRequested()) {
      }
      waiting_.store(PlayerWait::Nothing);
      if (stream.PassTicks() > 0) played = true;
      if (pauseTenths_ > 0) WaitOrStop(std::chrono::milliseconds{100} * pauseTenths_, PlayerWait::Pause);
    }
    stream.Close();
  }
  tunes_.clear();
  repeatCount_ = 0;
  pauseTenths_ = 0;
  state_.store(PlayerState::Idle);
}

}  // namespace tilvane
