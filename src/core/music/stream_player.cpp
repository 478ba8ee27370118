#include "core/music/stream_player.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace tilvane {

namespace {

// How long Stop waits for the output to hand both buffers back before it
// treats them as lost.
constexpr std::chrono::milliseconds kBuffersBackTimeout{2000};

// Ticks in 60 ms of music for a timecode division, where the tempo plays no part.
std::uint64_t SmpteSpanLimit(std::uint16_t division) {
  int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
  return static_cast<std::uint64_t>(framesPerSecond) * (division & 0xFF) * 60 / 1000;
}

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
  return streamTime_;
}

bool MidiStreamPlayer::Load(ByteSpan tune, WakeEvent* passEnded) {
  StopOutput();
  ErrorOr<SmfFile> file = ReadSmf(tune);
  if (!file || !IsUsableDivision(file->header.division)) return false;
  if (output_.IsOpen() && output_.ShouldReopen()) output_.Close();

  {
    std::lock_guard lock(mutex_);
    division_ = file->header.division;
    merger_.emplace(std::move(file->tracks));
    streamTime_ = 0;
    tempo_ = 0;
    spanLimit_ = (division_ & 0x8000) ? SmpteSpanLimit(division_) : 0;
    pending_.reset();
    ranOut_ = false;
    for (StreamBuffer& buffer : buffers_) buffer.Clear();
    doneCount_ = 2;  // nothing is out yet
    outputState_ = OutputState::Running;
    playing_ = false;
    passEnded_ = passEnded;
  }

  if (!output_.Open(division_, this)) return false;
  bool primed;
  {
    std::lock_guard lock(mutex_);
    primed = Prime();
    loaded_ = primed;
  }
  if (!primed) StopOutput();  // takes back a buffer that did go out
  return primed;
}

bool MidiStreamPlayer::Prime() {
  int queued = 0;
  bool ok = true;
  for (int i = 0; i < 2; ++i) {
    StreamBuffer& buffer = buffers_[i];
    buffer.Clear();
    FillResult result = Fill(buffer);
    if (result == FillResult::ReadError || result == FillResult::RanOut) {
      // A tune broken this early, or one with nothing at all to play, does not load.
      ok = result == FillResult::RanOut && i > 0;
      break;
    }
    if (!output_.Queue(i, buffer)) {
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
  for (StreamBuffer& buffer : buffers_) buffer.Clear();
  merger_.reset();
  pending_.reset();
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
    // Buffers come back in the order they went out, so the one handed back is
    // the one that is free to refill.
    StreamBuffer& buffer = buffers_[id];
    buffer.Clear();
    FillResult result = Fill(buffer);
    if (result == FillResult::RanOut || buffer.used == 0) {
      outputState_ = OutputState::Ending;
    } else if (output_.Queue(id, buffer)) {
      // A read error still plays what came before it; the next fill then finds
      // the tune over, so a broken tune ends its pass instead of hanging.
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

FillResult MidiStreamPlayer::Fill(StreamBuffer& buffer) {
  if (ranOut_ || !merger_) return FillResult::RanOut;
  if (pending_) {
    // The buffer is empty, so the pending event always fits.
    Convert(*pending_, buffer);
    pending_.reset();
  }
  for (;;) {
    SmfEvent event;
    std::size_t track = 0;
    TrackMerger::Step step = merger_->Next(event, track);
    if (step == TrackMerger::Step::End) {
      ranOut_ = true;
      return buffer.used > 0 ? FillResult::LastFill : FillResult::RanOut;
    }
    if (step == TrackMerger::Step::Error) {
      ranOut_ = true;
      return FillResult::ReadError;
    }
    if (event.IsEndOfTrack()) continue;
    if (Convert(event, buffer) == Converted::Full) {
      pending_ = event;
      return FillResult::Filled;
    }
  }
}

MidiStreamPlayer::Converted MidiStreamPlayer::Convert(const SmfEvent& event, StreamBuffer& buffer) {
  if (buffer.used == 0) buffer.startTime = streamTime_;
  if (streamTime_ - buffer.startTime > spanLimit_) {
    // One event may go past the span, so that a buffer always moves on even
    // when single events lie further apart than 60 ms.
    if (!buffer.overLimit) {
      buffer.overLimit = true;
    } else {
      buffer.overLimit = false;
      return Converted::Full;
    }
  }

  std::uint32_t word;
  std::uint32_t tempo = 0;
  if (event.kind == SmfEventKind::Channel) {
    word = event.status | std::uint32_t{event.data1} << 8 | std::uint32_t{event.data2} << 16;
  } else if (event.kind == SmfEventKind::Meta && event.metaType == kMetaTempo && event.data.size() == 3) {
    tempo = std::uint32_t{event.data[0]} << 16 | std::uint32_t{event.data[1]} << 8 | event.data[2];
    // A tempo of zero would stop time (and divide by zero below); it is dropped.
    if (tempo == 0) return Converted::Dropped;
    word = kTempoEventFlag | tempo;
  } else {
    return Converted::Dropped;
  }

  std::uint64_t gap = event.time - streamTime_;
  StreamEvent out;
  out.delta = static_cast<std::uint32_t>(std::min<std::uint64_t>(gap, std::numeric_limits<std::uint32_t>::max()));
  out.event = word;
  if (!buffer.Append(out)) return Converted::Full;
  streamTime_ = event.time;
  if (tempo != 0) {
    tempo_ = tempo;
    if (!(division_ & 0x8000)) spanLimit_ = std::uint64_t{division_} * 60000 / tempo_;
  }
  return Converted::Appended;
}

}  // namespace tilvane
