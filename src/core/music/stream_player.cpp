#include "core/music/stream_player.h"

#include <chrono>
#include <utility>

namespace tilvane {

namespace {

// How long Stop waits for the output to hand both buffers back before it
// treats them as lost.
constexpr std::chrono::milliseconds kBuffersBackTimeout{2000};

}  // namespace

MidiStreamPlayer::MidiStreamPlayer(StreamOutput& output) : output_(output) {}

MidiStreamPlayer::~MidiStreamPlayer() {
  {
    // Whoever destroys the player is not waiting for its pass any more, and
    // its event may already be gone: closing from here must not touch it.
    std::lock_guard lock(mutex_);
    passEnded_ = nullptr;
  }
  Close();
}

OutputState MidiStreamPlayer::State() const {
  std::lock_guard lock(mutex_);
  return outputState_;
}

std::uint64_t MidiStreamPlayer::PassTicks() const {
  std::lock_guard lock(mutex_);
  return passTicks_;
}

bool MidiStreamPlayer::Load(ByteSpan tune, WakeEvent* passEnded) {
  StopOutput();
  ErrorOr<SmfFile> file = ReadSmf(tune);
  if (!file || !IsUsableDivision(file->header.division)) return false;
  const std::uint16_t division = file->header.division;
  if (output_.IsOpen() && output_.ShouldReopen()) output_.Close();

  {
    std::lock_guard lock(mutex_);
    filler_.emplace(std::move(*file));
    passTicks_ = 0;
    doneCount_ = 2;  // nothing is out yet
    outputState_ = OutputState::Running;
    playing_ = false;
    passEnded_ = passEnded;
  }

  if (!output_.Open(division, this)) return false;
  bool primed;
  {
    std::lock_guard lock(mutex_);
    primed = Prime();
    loaded_ = primed;
  }
  if (!primed) StopOutput();  // takes back a buffer that did go out
  return primed;
}

FillResult MidiStreamPlayer::Fill(StreamBuffer& buffer) {
  if (!filler_) {
    buffer.Clear();
    return FillResult::RanOut;
  }
  FillResult result = filler_->Fill(buffer);
  passTicks_ = filler_->StreamTime();
  return result;
}

bool MidiStreamPlayer::Prime() {
  int queued = 0;
  bool ok = true;
  for (int id = 0; id < 2; ++id) {
    // The output takes the events in while it queues them: the buffer itself
    // is not needed after that.
    StreamBuffer buffer;
    FillResult result = Fill(buffer);
    if (result == FillResult::ReadError || result == FillResult::RanOut) {
      // A tune broken this early, or one with nothing at all to play, does not load.
      ok = result == FillResult::RanOut && id > 0;
      break;
    }
    if (!output_.Queue(id, buffer)) {
      ok = false;
      break;
    }
    ++queued;
    if (result == FillResult::LastFill) break;
  }
  // Buffers that never went out count as already back, so that the end of the
  // pass (and a stop) does not wait for them.
  doneCount_ = 2 - queued;
  return ok;
}

bool MidiStreamPlayer::Start() {
  {
    std::lock_guard lock(mutex_);
    if (!loaded_) return false;
    playing_ = true;
  }
  if (output_.Start()) return true;
  std::lock_guard lock(mutex_);
  playing_ = false;
  return false;
}

void MidiStreamPlayer::StopOutput() {
  bool needStop;
  {
    std::lock_guard lock(mutex_);
    playing_ = false;
    loaded_ = false;
    // Only buffers still out need a stop. A pass that ended by itself has
    // them all back; leaving the output alone then lets its last notes ring
    // into the next pass instead of cutting them off.
    needStop = doneCount_ < 2 && outputState_ != OutputState::Closed;
    if (needStop && outputState_ != OutputState::Ending) outputState_ = OutputState::Stopping;
  }
  if (needStop) {
    output_.Stop();
    output_.Reset();
  }
  std::unique_lock lock(mutex_);
  // Buffers still out after the timeout are given up for lost.
  if (needStop) buffersBack_.wait_for(lock, kBuffersBackTimeout, [&] { return outputState_ == OutputState::Closed; });
  outputState_ = OutputState::Running;
  doneCount_ = 2;
  filler_.reset();  // its tracks point into a tune that may go away now
}

void MidiStreamPlayer::Close() {
  StopOutput();
  if (output_.IsOpen()) output_.Close();
  std::lock_guard lock(mutex_);
  passEnded_ = nullptr;
}

void MidiStreamPlayer::OnBufferDone(int id) {
  std::lock_guard lock(mutex_);
  if (outputState_ == OutputState::Closed || id < 0 || id > 1) return;
  ++doneCount_;
  if (outputState_ == OutputState::Running && playing_) {
    // Buffers come back in the order they went out, so the one handed back
    // goes out again with the next events. A read error still plays what came
    // before it; the next fill then finds the tune over, so a broken tune ends
    // its pass instead of hanging.
    StreamBuffer buffer;
    Fill(buffer);
    if (buffer.used > 0 && output_.Queue(id, buffer)) {
      --doneCount_;
    } else {
      outputState_ = OutputState::Ending;
    }
  }
  if (doneCount_ < 2) return;
  if (outputState_ == OutputState::Ending) {
    outputState_ = OutputState::Closed;
    if (passEnded_) passEnded_->Set();
  } else if (outputState_ == OutputState::Stopping) {
    outputState_ = OutputState::Closed;
    buffersBack_.notify_all();
  }
}

void MidiStreamPlayer::OnClosed() {
  std::lock_guard lock(mutex_);
  if (passEnded_) passEnded_->Set();
}

}  // namespace tilvane
