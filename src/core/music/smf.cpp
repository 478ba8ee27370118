#include "core/music/smf.h"

#include <algorithm>
#include <optional>

#include "core/span_reader.h"

namespace tilvane {

namespace {

// A variable-length quantity. The file format allows at most four bytes
// (28 bits); a longer one is treated as broken rather than overflowing.
std::optional<std::uint32_t> ReadVariableLength(SpanReader& in) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    std::uint8_t b = in.U8();
    if (!in.Ok()) return std::nullopt;
    value = (value << 7) | (b & 0x7F);
    if ((b & 0x80) == 0) return value;
  }
  return std::nullopt;
}

// The payload of a meta or system-exclusive event: its length as a
// variable-length quantity, then that many bytes.
std::optional<ByteSpan> ReadPayload(SpanReader& in) {
  std::optional<std::uint32_t> length = ReadVariableLength(in);
  if (!length) return std::nullopt;
  ByteSpan payload = in.Take(*length);
  if (!in.Ok()) return std::nullopt;
  return payload;
}

int ChannelDataBytes(std::uint8_t status) {
  std::uint8_t kind = status & 0xF0;
  return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

}  // namespace

bool TrackCursor::Begin(ByteSpan chunkData) {
  data_ = chunkData;
  position_ = 0;
  nextTime_ = 0;
  runningStatus_ = 0;
  ended_ = data_.empty();
  if (ended_) return true;
  SpanReader in(data_);
  std::optional<std::uint32_t> delta = ReadVariableLength(in);
  if (!delta) {
    ended_ = true;
    return false;
  }
  nextTime_ = *delta;
  position_ = in.Position();
  return true;
}

bool TrackCursor::ReadEvent(SmfEvent& event) {
  if (ended_) return false;
  // Any failure below leaves the cursor ended, so a broken track is never read twice.
  ended_ = true;
  SpanReader in(data_, position_);
  event = SmfEvent{};
  event.time = nextTime_;

  const std::uint8_t first = in.U8();
  if (!in.Ok()) return false;
  std::uint8_t status = first;
  bool haveFirstData = false;
  if (status < 0x80) {
    if (runningStatus_ == 0) return false;
    haveFirstData = true;
    event.usedRunningStatus = true;
    status = runningStatus_;
  }
  event.status = status;

  bool endOfTrack = false;
  if (status < 0xF0) {
    runningStatus_ = status;
    event.kind = SmfEventKind::Channel;
    event.data1 = haveFirstData ? first : in.U8();
    if (ChannelDataBytes(status) == 2) event.data2 = in.U8();
    if (!in.Ok()) return false;
    // Data bytes have no high bit; one that has is a status byte out of place.
    if ((event.data1 | event.data2) & 0x80) return false;
  } else if (status == 0xF0 || status == 0xF7) {
    event.kind = SmfEventKind::SysEx;
    std::optional<ByteSpan> payload = ReadPayload(in);
    if (!payload) return false;
    event.data = *payload;
  } else if (status == 0xFF) {
    event.kind = SmfEventKind::Meta;
    event.metaType = in.U8();
    std::optional<ByteSpan> payload = ReadPayload(in);  // fails too when the type byte was missing
    if (!payload) return false;
    event.data = *payload;
    endOfTrack = event.metaType == kMetaEndOfTrack;
  } else {
    return false;
  }

  if (!endOfTrack) {
    std::optional<std::uint32_t> delta = ReadVariableLength(in);
    if (!delta) return false;
    nextTime_ += *delta;
    ended_ = false;
  }
  position_ = in.Position();
  return true;
}

namespace {

ErrorOr<SmfHeader> ReadHeader(SpanReader& in) {
  ByteSpan magic = in.Take(4);
  if (!in.Ok() || !std::equal(magic.begin(), magic.end(), "MThd")) return Failure{"no MThd header"};
  // A length cut short reads as 0.
  if (in.U32BigEndian() != 6) return Failure{"header length is not 6"};
  SmfHeader header;
  header.format = in.U16BigEndian();
  header.trackCount = in.U16BigEndian();
  header.division = in.U16BigEndian();
  if (!in.Ok()) return Failure{"header cut short"};
  return header;
}

// One "MTrk" chunk, its cursor placed on the first event.
ErrorOr<TrackCursor> ReadTrackChunk(SpanReader& in) {
  ByteSpan chunkType = in.Take(4);
  if (!in.Ok()) return Failure{"fewer track chunks than announced"};
  if (!std::equal(chunkType.begin(), chunkType.end(), "MTrk")) return Failure{"chunk other than MTrk"};
  std::uint32_t length = in.U32BigEndian();
  if (!in.Ok()) return Failure{"track chunk head cut short"};
  ByteSpan data = in.Take(length);
  if (!in.Ok()) return Failure{"track chunk runs past the end of the file"};
  TrackCursor cursor;
  if (!cursor.Begin(data)) return Failure{"first delta time cut short"};
  return cursor;
}

}  // namespace

ErrorOr<SmfFile> ReadSmf(ByteSpan tune) {
  if (tune.size() <= 4) return Failure{"file too short"};
  SpanReader in(tune);
  SmfFile file;
  file.header = TRY(ReadHeader(in));
  // Each chunk needs at least its 8-byte head, so this bounds the reservation
  // by the bytes actually present.
  file.tracks.reserve(std::min<std::size_t>(file.header.trackCount, in.Remaining() / 8));
  for (std::uint32_t i = 0; i < file.header.trackCount; ++i) file.tracks.push_back(TRY(ReadTrackChunk(in)));
  return file;
}

TrackMerger::TrackMerger(std::vector<TrackCursor> tracks) : tracks_(std::move(tracks)) {
  heap_.reserve(tracks_.size());
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    if (!tracks_[i].Ended()) heap_.push_back({tracks_[i].NextTime(), i});
  }
  std::make_heap(heap_.begin(), heap_.end(), Later);
}

bool TrackMerger::Later(const Entry& a, const Entry& b) {
  if (a.time != b.time) return a.time > b.time;
  return a.track > b.track;
}

TrackMerger::Step TrackMerger::Next(SmfEvent& event, std::size_t& track) {
  if (failed_) return Step::Error;
  if (heap_.empty()) return Step::End;
  std::pop_heap(heap_.begin(), heap_.end(), Later);
  track = heap_.back().track;
  heap_.pop_back();
  TrackCursor& cursor = tracks_[track];
  if (!cursor.ReadEvent(event)) {
    failed_ = true;
    return Step::Error;
  }
  if (!cursor.Ended()) {
    heap_.push_back({cursor.NextTime(), track});
    std::push_heap(heap_.begin(), heap_.end(), Later);
  }
  return Step::Event;
}

}  // namespace tilvane
