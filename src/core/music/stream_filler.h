// StreamFiller turns one pass of a tune into stream buffers: it merges the
// tracks, converts channel messages and tempo changes into stream events
// (dropping every other kind of event), and ends a buffer when it is full or
// spans about 60 ms of music. It knows nothing of outputs or threads;
// MidiStreamPlayer calls it under its lock.
#pragma once

#include <cstdint>
#include <optional>

#include "core/music/smf.h"
#include "core/music/stream_output.h"

namespace tilvane {

// What one Fill did to a buffer.
enum class FillResult {
  Filled,     // the buffer holds events and the tune goes on
  LastFill,   // the buffer holds the tune's last events
  RanOut,     // nothing written: the tune had already ended
  ReadError,  // the tune is broken at this point; the buffer keeps what came before
};

class StreamFiller {
 public:
  // A pass of `file` from tick 0. The file's division must be usable
  // (IsUsableDivision); its tracks point into bytes that must outlive the filler.
  explicit StreamFiller(SmfFile file);

  // Replaces the contents of `buffer` by the next events of the pass. After
  // LastFill, RanOut or ReadError every further fill runs out.
  FillResult Fill(StreamBuffer& buffer);

  // Stream time in ticks of the last event written to a buffer.
  std::uint64_t StreamTime() const { return streamTime_; }

 private:
  std::uint16_t division_;
  TrackMerger merger_;
  std::uint64_t streamTime_ = 0;
  // The most ticks a buffer may span before it takes its last event: 60 ms
  // of music. With timecode it follows from the frame rate; with ticks per
  // quarter note from the last tempo event, and is 0 before the first one.
  std::uint64_t spanLimit_ = 0;
  // The event that did not fit into the last buffer; it opens the next one.
  std::optional<SmfEvent> pending_;
  bool ranOut_ = false;
};

}  // namespace tilvane
