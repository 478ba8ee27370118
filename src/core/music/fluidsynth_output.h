// The stream output on FluidSynth: a synthesizer with the system's General
// MIDI soundfont, a sequencer that plays the queued events at their times, and
// either an audio driver (live) or no driver at all (offline, advanced by
// Render). Silent in every failure: FluidSynth's and ALSA's messages are
// switched off before anything is created. The library itself is opened on
// the first Open (fluidsynth_library.h); without it, Open fails.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/music/stream_output.h"

namespace tilvane {

struct FluidSynthOptions {
  // Audio drivers tried in order. Empty means offline: no driver, time moves
  // only through Render.
  std::vector<std::string> drivers{"pulseaudio", "alsa"};
  // Where the "file" driver writes, should a caller ask for that driver.
  std::string fileName = "/dev/null";
  // The soundfont; empty means the synth's default-soundfont setting, then
  // /usr/share/sounds/sf2/default-GM.sf2.
  std::string soundfont;
  // Reads a preset's samples only once a channel selects it, instead of all
  // of them when the soundfont loads. A compressed General MIDI soundfont
  // (Debian's default is 23 MB of Ogg Vorbis) otherwise costs seconds of
  // processor time at every start, for a tune that plays a handful of
  // instruments. A program change then goes to the synthesizer just before
  // the channel's next note (or bank select), its preset loaded when that
  // note is queued, on the queuing thread, so the audio thread does not
  // decode and an instrument first heard late in the tune loads late.
  bool loadSamplesOnUse = true;
  double sampleRate = 44100;
  // The live driver's buffer: `periods` blocks of `periodFrames` frames, about
  // 190 ms in all. FluidSynth's own default (16 blocks of 64 frames) asks the
  // sound server for more every 1.5 ms; on a busy machine the round trips
  // cannot keep up, the stream underruns without end, and since the sequencer
  // counts rendered frames the tune falls further behind with every one. A
  // tune in the background has no use for low latency.
  int periodFrames = 2048;
  int periods = 4;
};

class FluidSynthOutput : public StreamOutput {
 public:
  explicit FluidSynthOutput(FluidSynthOptions options = {});
  ~FluidSynthOutput() override;  // closes
  FluidSynthOutput(const FluidSynthOutput&) = delete;
  FluidSynthOutput& operator=(const FluidSynthOutput&) = delete;

  // Fails when there is no soundfont, no driver of the list can be opened, or
  // the soundfont does not load.
  bool Open(std::uint16_t division, StreamOutputListener* listener) override;
  bool IsOpen() const override;
  // After some hours: the synth's frame counter wraps after 2^32 frames.
  bool ShouldReopen() const override;
  bool Queue(int id, const StreamBuffer& buffer) override;
  bool Start() override;
  void Stop() override;
  void Reset() override;
  void Close() override;

  // Offline only: renders `frames` stereo frames. Buffers that finish during
  // them are handed back (and so refilled) on this thread, at the end of the
  // synthesizer's block they finish in: the same tune renders to the same
  // samples whatever the size of the calls. False when not offline or not
  // open.
  bool Render(float* left, float* right, int frames);
  int SampleRate() const;
  // Voices the synthesizer is still playing (0 when not open): the honest
  // measure of silence, where the rendered level only shows the effects' tail.
  int ActiveVoices() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tilvane
