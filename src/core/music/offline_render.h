// One pass of a tune rendered offline through the stream layer and FluidSynth,
// faster than real time and without a sound device.
#pragma once

#include <functional>
#include <optional>

#include "core/music/fluidsynth_output.h"
#include "core/text.h"

namespace tilvane {

struct OfflineRenderOptions {
  std::string soundfont;  // empty: the system default
  double sampleRate = 44100;
  double longestPassSeconds = 3600;  // a pass still running then is cut off
  double tailSeconds = 3;            // rendered after the pass so notes can ring out
};

struct OfflineRenderResult {
  int sampleRate = 0;
  long long frames = 0;      // everything handed to the sink
  long long passFrames = 0;  // up to the moment the pass ended
  bool passEnded = false;    // false when cut off at longestPassSeconds
};

// Hands stereo blocks (left, right, frame count) to `sink` in order. Empty
// when the tune does not load or the synthesizer cannot be set up.
using AudioSink = std::function<void(const float* left, const float* right, int frames)>;
std::optional<OfflineRenderResult> RenderTuneOffline(ByteSpan tune, const OfflineRenderOptions& options,
                                                     const AudioSink& sink);

}  // namespace tilvane
