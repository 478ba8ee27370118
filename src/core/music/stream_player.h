// MidiStreamPlayer plays one pass of one tune: it reads the file in place,
// lets a StreamFiller turn it into stream buffers and keeps two 1,024-byte
// buffers in flight on a StreamOutput, refilling each one as the output hands
// it back. Every failure is silent; the results say what happened.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

#include "core/music/stream_filler.h"
#include "core/music/stream_output.h"
#include "core/music/wake_event.h"
#include "core/text.h"

namespace tilvane {

enum class OutputState { Running, Stopping, Ending, Closed };

class MidiStreamPlayer : private StreamOutputListener {
 public:
  // `output` must outlive the player.
  explicit MidiStreamPlayer(StreamOutput& output);
  ~MidiStreamPlayer() override;  // closes the output
  MidiStreamPlayer(const MidiStreamPlayer&) = delete;
  MidiStreamPlayer& operator=(const MidiStreamPlayer&) = delete;

  // Stops any previous pass, checks the header and chunks, opens the output
  // (or reuses the one still open) and queues the first one or two buffers.
  // `passEnded` is set once the last buffer has been played. False when the
  // tune is broken, holds nothing to play, or the output cannot be opened.
  bool Load(ByteSpan tune, WakeEvent* passEnded);
  // Starts the loaded pass; false when nothing is loaded or the output fails.
  bool Start();
  // Stops the pass, silences the output and takes both buffers back; the
  // output stays open for the next Load.
  void StopOutput();
  // StopOutput, then closes the output.
  void Close();

  OutputState State() const;
  // Stream time in ticks of the last event handed to the output in this pass.
  std::uint64_t PassTicks() const;

 private:
  // StreamOutputListener, called by the output.
  void OnBufferDone(int id) override;
  void OnClosed() override;

  // The next buffer of the pass, and how far the pass has got.
  FillResult Fill(StreamBuffer& buffer);
  // Fills and queues the first buffers of the pass; false on a read error or
  // when there is nothing to play.
  bool Prime();

  StreamOutput& output_;

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable buffersBack_;
  std::optional<StreamFiller> filler_;  // the pass loaded; none once stopped
  std::uint64_t passTicks_ = 0;
  int doneCount_ = 2;  // buffers not out with the output
  OutputState outputState_ = OutputState::Running;
  bool loaded_ = false;
  bool playing_ = false;
  WakeEvent* passEnded_ = nullptr;
};

}  // namespace tilvane
