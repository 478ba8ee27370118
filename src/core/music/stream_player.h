// MidiStreamPlayer plays one pass of one tune: it reads the file in place,
// merges its tracks, converts the events into stream events and keeps two
// 1,024-byte buffers in flight on a StreamOutput, refilling each one as the
// output hands it back. Every failure is silent; the results say what happened.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "core/music/smf.h"
#include "core/music/stream_output.h"
#include "core/music/wake_event.h"
#include "core/text.h"

namespace tilvane {

enum class OutputState { Running, Stopping, Ending, Closed };

// What one Fill did to a buffer.
enum class FillResult {
  Filled,     // the buffer holds events and the tune goes on
  LastFill,   // the buffer holds the tune's last events
  RanOut,     // nothing written: the tune had already ended
  ReadError,  // the tune is broken at this point; the buffer keeps what came before
};

class MidiStreamPlayer : private StreamOutputListener {
 public:
  // `output` must outlive the player.
  explicit MidiStreamPlayer(StreamOutput& output);
  ~MidiStreamPlayer() override;  // closes the output
  MidiStreamPlayer(const MidiStreamPlayer&) = delete;
  MidiStreamPlayer& operator=(const MidiStreamPlayer&) = delete;

  // Stops any previous pass, checks the header and chunks, opens the output
  // (or reuses the one still open) and queues the first one or two buffers.
  // `passEnded` is set once the last buffer has been played. False when the
  // tune is broken, holds nothing to play, or the output cannot be opened.
  bool Load(ByteSpan tune, WakeEvent* passEnded);
  // Starts the loaded pass; false when nothing is loaded or the output fails.
  bool Start();
  // Stops the pass, silences the output and takes both buffers back; the
  // output stays open for the next Load.
  void StopOutput();
  // StopOutput, then closes the output.
  void Close();

  OutputState State() const;
  // Stream time in ticks of the last event handed to the output in this pass.
  std::uint64_t PassTicks() const;

 private:
  // StreamOutputListener, called by the output.
  void OnBufferDone(int id) override;
  void OnClosed() override;

  FillResult Fill(StreamBuffer& buffer);
  enum class Converted { Appended, Dropped, Full };
  Converted Convert(const SmfEvent& event, StreamBuffer& buffer);
  // Queues the primed buffers; false on a read error or when there is nothing to play.
  bool Prime();

  StreamOutput& output_;

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable buffersBack_;
  bool loaded_ = false;
  std::uint16_t division_ = 0;
  std::optional<TrackMerger> merger_;
  std::uint64_t streamTime_ = 0;
  std::uint32_t tempo_ = 0;
  std::uint64_t spanLimit_ = 0;
  std::optional<SmfEvent> pending_;
  bool ranOut_ = false;
  StreamBuffer buffers_[2];
  int doneCount_ = 2;  // buffers not out with the output
  OutputState outputState_ = OutputState::Running;
  bool playing_ = false;
  WakeEvent* passEnded_ = nullptr;
};

}  // namespace tilvane
