// Small MIDI files for the music tests, written with the core's own SMF writer.
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "../support/wait_until.h"
#include "core/music/smf_writer.h"
#include "core/text.h"

namespace tilvane::testing {

inline void Tempo(SmfTrackWriter& track, std::uint64_t tick, std::uint32_t microseconds) {
  const std::uint8_t data[] = {static_cast<std::uint8_t>(microseconds >> 16),
                               static_cast<std::uint8_t>(microseconds >> 8), static_cast<std::uint8_t>(microseconds)};
  track.Meta(tick, 0x51, data);
}

// A format-1 file: a conductor track with one tempo at tick 0, then one track
// with `notes` quarter notes on channel 1 (key 60 + i % 12).
inline Bytes QuarterNotes(int notes, std::uint32_t tempo = 500000, std::uint16_t division = 480) {
  SmfTrackWriter conductor;
  Tempo(conductor, 0, tempo);
  conductor.EndOfTrack(0);
  SmfTrackWriter melody;
  for (int i = 0; i < notes; ++i) {
    std::uint64_t at = std::uint64_t(i) * division;
    melody.Channel(at, 0x90, static_cast<std::uint8_t>(60 + i % 12), 100);
    melody.Channel(at + division / 2, 0x90, static_cast<std::uint8_t>(60 + i % 12), 0);
  }
  melody.EndOfTrack(std::uint64_t(notes) * division);
  return WriteSmf(1, division, {conductor, melody});
}

// A header chunk with the given fields followed by `chunks` as they are.
inline Bytes RawSmf(std::uint16_t trackCount, std::uint16_t division, const Bytes& chunks,
                    std::uint32_t headerLength = 6) {
  Bytes out = {'M', 'T', 'h', 'd'};
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(headerLength >> (8 * i)));
  out.insert(out.end(), {0, 1, static_cast<std::uint8_t>(trackCount >> 8), static_cast<std::uint8_t>(trackCount),
                         static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)});
  out.insert(out.end(), chunks.begin(), chunks.end());
  return out;
}

// An "MTrk" chunk around `data`, with its true length unless `length` is given.
inline Bytes TrackChunk(const Bytes& data, std::int64_t length = -1) {
  std::uint32_t size = length < 0 ? static_cast<std::uint32_t>(data.size()) : static_cast<std::uint32_t>(length);
  Bytes out = {'M', 'T', 'r', 'k'};
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

}  // namespace tilvane::testing
