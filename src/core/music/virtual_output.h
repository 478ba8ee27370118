// A MIDI device without sound: its clock moves only when told to, and it
// records every event it would have played. Outputs made by it behave like
// the real one (paused until started, buffers handed back once their last
// event is due, Reset handing back the rest), so the stream layer runs its
// real code paths against it. Used by tests, benchmarks and tunetool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/music/stream_output.h"

namespace tilvane {

// One event as the device played it.
struct PlayedEvent {
  double timeMs = 0;       // on the device clock
  std::uint64_t tick = 0;  // stream time of the pass it belongs to
  std::uint32_t delta = 0;
  std::uint32_t event = 0;  // the stream event word
};

struct VirtualDeviceCounts {
  int openAttempts = 0;  // every Open call, failed ones included
  int opens = 0;         // outputs opened (a reused open output is not counted again)
  int closes = 0;
  int starts = 0;
  int stops = 0;
  int resets = 0;
};

class VirtualMidiDevice {
 public:
  VirtualMidiDevice();
  ~VirtualMidiDevice();
  VirtualMidiDevice(const VirtualMidiDevice&) = delete;
  VirtualMidiDevice& operator=(const VirtualMidiDevice&) = delete;

  // A new output on this device; it may outlive the device.
  std::unique_ptr<StreamOutput> MakeOutput();

  // Moves the clock on by `ms`, plays every event that falls due on the
  // started outputs and hands back each buffer whose last event has played.
  // Listeners are called on the caller's thread; buffers they queue in
  // response play in the same call when they are already due.
  void Advance(double ms);
  double Now() const;

  // Makes Open (Start) fail from now on, as without a device.
  void SetFailOpen(bool fail);
  void SetFailStart(bool fail);

  std::vector<PlayedEvent> Played() const;
  // Events in each buffer queued so far, in queuing order.
  std::vector<std::size_t> QueuedBufferSizes() const;
  // The bytes of each buffer queued so far (its events only), in queuing order.
  std::vector<Bytes> QueuedBuffers() const;
  VirtualDeviceCounts Counts() const;
  // Buffers queued and not yet handed back, over every output.
  std::size_t BuffersOut() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace tilvane
