// The seam between the stream layer and whatever plays its buffers: a
// sequencer that takes queued buffers of timed channel and tempo events,
// reports each buffer when it has been played, and can be stopped, flushed
// and closed. FluidSynth is the real one; the virtual device is the one tests
// and tunetool drive by hand.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/text.h"

namespace tilvane {

// One event of a stream buffer: 12 bytes, little-endian, laid out as
// delta (ticks since the previous event), stream id (0) and the event word.
inline constexpr std::size_t kStreamEventSize = 12;
inline constexpr std::size_t kStreamBufferSize = 1024;
inline constexpr std::size_t kMaxEventsPerBuffer = kStreamBufferSize / kStreamEventSize;  // 85

// Event word: a channel message is status | data1 << 8 | data2 << 16 (high
// byte 0); a tempo change is kTempoEventFlag | microseconds per quarter note.
inline constexpr std::uint32_t kTempoEventFlag = 0x01000000;
inline constexpr std::uint32_t kDefaultTempo = 500000;  // in force before the first tempo event

struct StreamEvent {
  std::uint32_t delta = 0;
  std::uint32_t streamId = 0;
  std::uint32_t event = 0;

  bool IsTempo() const { return (event >> 24) == 0x01; }
  std::uint32_t Tempo() const { return event & 0x00FFFFFF; }
  std::uint8_t Status() const { return event & 0xFF; }
  std::uint8_t Data1() const { return (event >> 8) & 0xFF; }
  std::uint8_t Data2() const { return (event >> 16) & 0xFF; }
};

struct StreamBuffer {
  std::array<std::uint8_t, kStreamBufferSize> bytes{};
  std::size_t used = 0;

  std::size_t EventCount() const { return used / kStreamEventSize; }
  // Event `index` (below EventCount()).
  StreamEvent EventAt(std::size_t index) const;
  // Appends one event; false (nothing written) when fewer than 12 bytes are left.
  bool Append(const StreamEvent& event);
  void Clear();
};

// Converts stream time to milliseconds from the start of a pass, following
// the tempo events as they come; shared by every output so they agree.
class StreamTiming {
 public:
  explicit StreamTiming(std::uint16_t division = 480);
  // Moves on by `delta` ticks at the tempo in force; the new position in ms.
  double Advance(std::uint32_t delta);
  // Takes effect for the deltas that follow; 0 is ignored.
  void SetTempo(std::uint32_t microsecondsPerQuarter);
  double PositionMs() const { return positionUs_ / 1000.0; }
  std::uint64_t PositionTicks() const { return ticks_; }

 private:
  double MicrosecondsPerTick() const;

  std::uint16_t division_;
  std::uint32_t tempo_ = kDefaultTempo;
  double positionUs_ = 0;
  std::uint64_t ticks_ = 0;
};

// True for a division the stream layer can time: ticks per quarter note above
// 0, or SMPTE frames with a frame rate and ticks per frame above 0.
bool IsUsableDivision(std::uint16_t division);

// What an output reports back. The output calls these on a thread of its
// choosing, one call at a time, while it holds none of its own locks and no
// lock of the synthesizer; a listener may queue buffers from inside them.
class StreamOutputListener {
 public:
  virtual ~StreamOutputListener() = default;
  // Buffer `id` has been played, or handed back by Reset.
  virtual void OnBufferDone(int id) = 0;
  // The output has been closed.
  virtual void OnClosed() = 0;
};

class StreamOutput {
 public:
  virtual ~StreamOutput() = default;

  // Opens the output for a tune of `division` or, when already open, gets it
  // ready for a new pass (timing back at tick 0). Paused until Start. False
  // when there is no device or it cannot be opened; silent either way.
  virtual bool Open(std::uint16_t division, StreamOutputListener* listener) = 0;
  virtual bool IsOpen() const = 0;
  // True when the output should be closed and opened again before the next
  // pass (for example because a clock of the device is close to wrapping).
  virtual bool ShouldReopen() const { return false; }
  // Queues buffer `id` after everything queued before. The bytes are read
  // during the call; the buffer counts as queued until OnBufferDone(id).
  virtual bool Queue(int id, const StreamBuffer& buffer) = 0;
  virtual bool Start() = 0;
  // Stops playing: queued events are dropped and every sounding note is ended.
  virtual void Stop() = 0;
  // Hands back every queued buffer through OnBufferDone before it returns.
  virtual void Reset() = 0;
  // Closes the device (OnClosed is reported); Open may be called again later.
  virtual void Close() = 0;
};

}  // namespace tilvane
