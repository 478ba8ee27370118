#include "core/music/smf.h"

#include <algorithm>

namespace tilvane {

namespace {

// Reads forward through a span and refuses to step past its end.
class SpanCursor {
 public:
  SpanCursor(ByteSpan bytes, std::size_t position) : bytes_(bytes), position_(position) {}

  std::size_t Position() const { return position_; }
  std::size_t Left() const { return bytes_.size() - position_; }

  std::optional<std::uint8_t> Byte() {
    if (Left() < 1) return std::nullopt;
    return bytes_[position_++];
  }

  std::optional<ByteSpan> Take(std::size_t count) {
    if (Left() < count) return std::nullopt;
    ByteSpan taken = bytes_.subspan(position_, count);
    position_ += count;
    return taken;
  }

  std::optional<std::uint32_t> BigEndian(std::size_t width) {
    auto bytes = Take(width);
    if (!bytes) return std::nullopt;
    std::uint32_t value = 0;
    for (std::uint8_t b : *bytes) value = (value << 8) | b;
    return value;
  }

  // A variable-length quantity. The file format allows at most four bytes
  // (28 bits); a longer one is treated as broken rather than overflowing.
  std::optional<std::uint32_t> VariableLength() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      auto b = Byte();
      if (!b) return std::nullopt;
      value = (value << 7) | (*b & 0x7F);
      if ((*b & 0x80) == 0) return value;
    }
    return std::nullopt;
  }

 private:
  ByteSpan bytes_;
  std::size_t position_;
};

bool Fail(std::string* reason, const char* why) {
  if (reason) *reason = why;
  return false;
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
  SpanCursor in(data_, 0);
  auto delta = in.VariableLength();
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
  SpanCursor in(data_, position_);
  event = SmfEvent{};
  event.time = nextTime_;

  auto first = in.Byte();
  if (!first) return false;
  std::uint8_t status = *first;
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
    if (haveFirstData) {
      event.data1 = *first;
    } else {
      auto d1 = in.Byte();
      if (!d1) return false;
      event.data1 = *d1;
    }
    if (ChannelDataBytes(status) == 2) {
      auto d2 = in.Byte();
      if (!d2) return false;
      event.data2 = *d2;
    }
    // Data bytes have no high bit; one that has is a status byte out of place.
    if ((event.data1 | event.data2) & 0x80) return false;
  } else if (status == 0xF0 || status == 0xF7) {
    event.kind = SmfEventKind::SysEx;
    auto length = in.VariableLength();
    if (!length) return false;
    auto payload = in.Take(*length);
    if (!payload) return false;
    event.data = *payload;
  } else if (status == 0xFF) {
    event.kind = SmfEventKind::Meta;
    auto type = in.Byte();
    if (!type) return false;
    event.metaType = *type;
    auto length = in.VariableLength();
    if (!length) return false;
    auto payload = in.Take(*length);
    if (!payload) return false;
    event.data = *payload;
    endOfTrack = event.metaType == kMetaEndOfTrack;
  } else {
    return false;
  }

  if (!endOfTrack) {
    auto delta = in.VariableLength();
    if (!delta) return false;
    nextTime_ += *delta;
    ended_ = false;
  }
  position_ = in.Position();
  return true;
}

std::optional<SmfFile> ReadSmf(ByteSpan tune, std::string* reason) {
  SpanCursor in(tune, 0);
  if (tune.size() <= 4) return Fail(reason, "file too short"), std::nullopt;
  auto magic = in.Take(4);
  if (!std::equal(magic->begin(), magic->end(), "MThd")) return Fail(reason, "no MThd header"), std::nullopt;
  auto headerLength = in.BigEndian(4);
  if (!headerLength || *headerLength != 6) return Fail(reason, "header length is not 6"), std::nullopt;
  auto format = in.BigEndian(2);
  auto trackCount = in.BigEndian(2);
  auto division = in.BigEndian(2);
  if (!division) return Fail(reason, "header cut short"), std::nullopt;

  SmfFile file;
  file.header.format = static_cast<std::uint16_t>(*format);
  file.header.trackCount = static_cast<std::uint16_t>(*trackCount);
  file.header.division = static_cast<std::uint16_t>(*division);
  // Each chunk needs at least its 8-byte head, so this bounds the reservation
  // by the bytes actually present.
  file.tracks.reserve(std::min<std::size_t>(file.header.trackCount, in.Left() / 8));
  for (std::uint32_t i = 0; i < file.header.trackCount; ++i) {
    auto chunkType = in.Take(4);
    if (!chunkType) return Fail(reason, "fewer track chunks than announced"), std::nullopt;
    if (!std::equal(chunkType->begin(), chunkType->end(), "MTrk")) {
      return Fail(reason, "chunk other than MTrk"), std::nullopt;
    }
    auto length = in.BigEndian(4);
    if (!length) return Fail(reason, "track chunk head cut short"), std::nullopt;
    auto data = in.Take(*length);
    if (!data) return Fail(reason, "track chunk runs past the end of the file"), std::nullopt;
    TrackCursor cursor;
    if (!cursor.Begin(*data)) return Fail(reason, "first delta time cut short"), std::nullopt;
    file.tracks.push_back(cursor);
  }
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
