#include "core/music/stream_output.h"

namespace tilvane {

namespace {

std::uint32_t ReadLittle32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

void WriteLittle32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

StreamEvent StreamBuffer::EventAt(std::size_t index) const {
  const std::uint8_t* p = bytes.data() + index * kStreamEventSize;
  return StreamEvent{ReadLittle32(p), ReadLittle32(p + 4), ReadLittle32(p + 8)};
}

bool StreamBuffer::Append(const StreamEvent& event) {
  if (bytes.size() - used < kStreamEventSize) return false;
  std::uint8_t* p = bytes.data() + used;
  WriteLittle32(p, event.delta);
  WriteLittle32(p + 4, event.streamId);
  WriteLittle32(p + 8, event.event);
  used += kStreamEventSize;
  return true;
}

void StreamBuffer::Clear() { used = 0; }

bool IsUsableDivision(std::uint16_t division) {
  if (division & 0x8000) {
    int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
    return framesPerSecond > 0 && (division & 0xFF) > 0;
  }
  return division > 0;
}

StreamTiming::StreamTiming(std::uint16_t division) : division_(division) {}

double StreamTiming::MicrosecondsPerTick() const {
  if (division_ & 0x8000) {
    int framesPerSecond = -static_cast<std::int8_t>(division_ >> 8);
    double rate = framesPerSecond == 29 ? 29.97 : framesPerSecond;
    double ticksPerSecond = rate * (division_ & 0xFF);
    return ticksPerSecond > 0 ? 1e6 / ticksPerSecond : 0;
  }
  return division_ > 0 ? static_cast<double>(tempo_) / division_ : 0;
}

double StreamTiming::Advance(std::uint32_t delta) {
  // Kept as an absolute sum so that rounding never accumulates into drift.
  positionUs_ += delta * MicrosecondsPerTick();
  ticks_ += delta;
  return PositionMs();
}

void StreamTiming::SetTempo(std::uint32_t microsecondsPerQuarter) {
  if (microsecondsPerQuarter > 0) tempo_ = microsecondsPerQuarter;
}

}  // namespace tilvane
