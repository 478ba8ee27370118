#include "core/music/smf_writer.h"

namespace tilvane {

namespace {

void AppendBigEndian(Bytes& out, std::uint32_t value, int width) {
  for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

void AppendVariableLength(Bytes& out, std::uint32_t value) {
  value &= 0x0FFFFFFF;
  std::uint8_t groups[4];
  int count = 0;
  do {
    groups[count++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  while (count > 1) out.push_back(groups[--count] | 0x80);
  out.push_back(groups[0]);
}

void SmfTrackWriter::Delta(std::uint64_t tick) {
  std::uint64_t delta = tick >= last_ ? tick - last_ : 0;
  AppendVariableLength(data_, static_cast<std::uint32_t>(delta));
  if (tick > last_) last_ = tick;
}

void SmfTrackWriter::Channel(std::uint64_t tick, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  Delta(tick);
  data_.push_back(status);
  data_.push_back(data1 & 0x7F);
  std::uint8_t kind = status & 0xF0;
  if (kind != 0xC0 && kind != 0xD0) data_.push_back(data2 & 0x7F);
}

void SmfTrackWriter::Meta(std::uint64_t tick, std::uint8_t type, ByteSpan data) {
  Delta(tick);
  data_.push_back(0xFF);
  data_.push_back(type);
  AppendVariableLength(data_, static_cast<std::uint32_t>(data.size()));
  data_.insert(data_.end(), data.begin(), data.end());
}

void SmfTrackWriter::Text(std::uint64_t tick, std::uint8_t type, std::string_view text) {
  Meta(tick, type, ByteSpan(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void SmfTrackWriter::SysEx(std::uint64_t tick, ByteSpan data) {
  Delta(tick);
  data_.push_back(0xF0);
  AppendVariableLength(data_, static_cast<std::uint32_t>(data.size()));
  data_.insert(data_.end(), data.begin(), data.end());
}

void SmfTrackWriter::EndOfTrack(std::uint64_t tick) { Meta(tick, 0x2F, {}); }

Bytes WriteSmf(std::uint16_t format, std::uint16_t division, const std::vector<SmfTrackWriter>& tracks) {
  Bytes out = {'M', 'T', 'h', 'd'};
  AppendBigEndian(out, 6, 4);
  AppendBigEndian(out, format, 2);
  AppendBigEndian(out, static_cast<std::uint32_t>(tracks.size()), 2);
  AppendBigEndian(out, division, 2);
  for (const SmfTrackWriter& track : tracks) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    AppendBigEndian(out, static_cast<std::uint32_t>(track.Data().size()), 4);
    out.insert(out.end(), track.Data().begin(), track.Data().end());
  }
  return out;
}

}  // namespace tilvane
