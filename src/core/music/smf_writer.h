// Writing Standard MIDI Files: one track at a time, events appended in time
// order, every event with its own status byte (no running status).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace tilvane {

// Appends `value` (at most 0x0FFFFFFF) as a variable-length quantity.
void AppendVariableLength(Bytes& out, std::uint32_t value);

class SmfTrackWriter {
 public:
  // Each event is placed at absolute `tick`, which must not lie before the
  // previous event's. Data bytes are masked to 7 bits.
  void Channel(std::uint64_t tick, std::uint8_t status, std::uint8_t data1, std::uint8_t data2 = 0);
  void Meta(std::uint64_t tick, std::uint8_t type, ByteSpan data);
  void Text(std::uint64_t tick, std::uint8_t type, std::string_view text);
  // A system-exclusive message; `data` is everything after the 0xF0.
  void SysEx(std::uint64_t tick, ByteSpan data);
  void EndOfTrack(std::uint64_t tick);

  std::uint64_t LastTick() const { return last_; }
  const Bytes& Data() const { return data_; }

 private:
  void Delta(std::uint64_t tick);

  Bytes data_;
  std::uint64_t last_ = 0;
};

// The header chunk and one MTrk chunk per track.
Bytes WriteSmf(std::uint16_t format, std::uint16_t division, const std::vector<SmfTrackWriter>& tracks);

}  // namespace tilvane
