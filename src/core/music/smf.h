// Reading a Standard MIDI File straight from its bytes: the header chunk, one
// cursor per track chunk, and the merge of all tracks into playing order.
// Nothing is copied: events point into the file's bytes, which must outlive
// every cursor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/error_or.h"
#include "core/text.h"

namespace tilvane {

struct SmfHeader {
  std::uint16_t format = 0;
  std::uint16_t trackCount = 0;
  // Ticks per quarter note, or (high bit set) SMPTE frames and ticks per frame.
  std::uint16_t division = 0;
};

enum class SmfEventKind { Channel, Meta, SysEx };

inline constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
inline constexpr std::uint8_t kMetaTempo = 0x51;

struct SmfEvent {
  std::uint64_t time = 0;  // absolute, in ticks
  SmfEventKind kind = SmfEventKind::Channel;
  std::uint8_t status = 0;  // channel status, 0xF0/0xF7 or 0xFF
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
  std::uint8_t metaType = 0;
  bool usedRunningStatus = false;  // the status byte was implied, not stored
  ByteSpan data;                   // meta and system-exclusive payload, inside the file

  bool IsEndOfTrack() const { return kind == SmfEventKind::Meta && metaType == kMetaEndOfTrack; }
};

// One track's read position. Running status is kept per track; meta and
// system-exclusive events leave it unchanged.
class TrackCursor {
 public:
  // Starts on a chunk's data and reads its first delta time. A chunk of length
  // 0 is ended at once. False when the data ends inside that first delta.
  bool Begin(ByteSpan chunkData);

  bool Ended() const { return ended_; }
  std::uint64_t NextTime() const { return nextTime_; }
  std::size_t Position() const { return position_; }
  std::size_t Length() const { return data_.size(); }

  // Reads the event at NextTime() and the delta after it (none after an
  // end-of-track). False on a malformed event or when the data ends inside an
  // event or a delta; the cursor is then ended and reads nothing more.
  bool ReadEvent(SmfEvent& event);

 private:
  ByteSpan data_;
  std::size_t position_ = 0;
  std::uint64_t nextTime_ = 0;
  std::uint8_t runningStatus_ = 0;
  bool ended_ = true;
};

struct SmfFile {
  SmfHeader header;
  std::vector<TrackCursor> tracks;  // in file order
};

// The header and every track chunk, each cursor placed on its first event.
// Fails on a file of 4 bytes or less, a missing "MThd", a header length other
// than 6, fewer track chunks than announced, a chunk other than "MTrk", a
// chunk running past the end of the bytes, or a first delta cut short. Bytes
// after the last announced chunk are ignored.
ErrorOr<SmfFile> ReadSmf(ByteSpan tune);

// Hands out the events of all tracks in time order; on equal times the track
// that comes first in the file goes first.
class TrackMerger {
 public:
  explicit TrackMerger(std::vector<TrackCursor> tracks);

  enum class Step { Event, End, Error };
  // The next event and the index of its track; End when every track has ended;
  // Error when a track's event is malformed (the merge then stays at Error).
  Step Next(SmfEvent& event, std::size_t& track);

 private:
  struct Entry {
    std::uint64_t time;
    std::size_t track;
  };
  static bool Later(const Entry& a, const Entry& b);

  std::vector<TrackCursor> tracks_;
  std::vector<Entry> heap_;  // tracks not ended, earliest on top
  bool failed_ = false;
};

}  // namespace tilvane
