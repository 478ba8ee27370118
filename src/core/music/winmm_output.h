// The stream output on Windows: a MIDI stream of the multimedia API on the
// MIDI mapper, fed with the stream layer's buffers as they are, since those
// are already the stream event layout the API plays. Its callback only marks
// which buffer came back and wakes a thread of the output's own, which hands
// the buffer to the listener, so that refills never run inside the callback.
// Silent in every failure: without a MIDI device, Open fails.
#pragma once

#include <memory>

#include "core/music/stream_output.h"

namespace tilvane {

class WinmmOutput : public StreamOutput {
 public:
  WinmmOutput();
  ~WinmmOutput() override;  // closes
  WinmmOutput(const WinmmOutput&) = delete;
  WinmmOutput& operator=(const WinmmOutput&) = delete;

  bool Open(std::uint16_t division, StreamOutputListener* listener) override;
  bool IsOpen() const override;
  bool Queue(int id, const StreamBuffer& buffer) override;
  bool Start() override;
  void Stop() override;
  // Waits (at most two seconds) until the listener has had every buffer back;
  // called from inside a listener call, it does not wait.
  void Reset() override;
  // Waits the same way for the stream's closing to be reported. Not to be
  // called from inside a listener call, which runs on the thread it ends.
  void Close() override;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tilvane
