#include "core/music/offline_render.h"

#include <vector>

#include "core/music/stream_player.h"
#include "core/music/wake_event.h"

namespace tilvane {

namespace {

// Small enough that a refill, which waits for the block to finish, is never
// late by more than a quarter of a buffer's 60 ms.
constexpr int kBlockFrames = 512;

}  // namespace

std::optional<OfflineRenderResult> RenderTuneOffline(ByteSpan tune, const OfflineRenderOptions& options,
                                                     const AudioSink& sink) {
  FluidSynthOptions synthOptions;
  synthOptions.drivers.clear();
  synthOptions.soundfont = options.soundfont;
  synthOptions.sampleRate = options.sampleRate;
  FluidSynthOutput output(synthOptions);
  WakeEvent passEnded;  // before the stream, which may still signal it while it closes
  MidiStreamPlayer stream(output);
  if (!stream.Load(tune, &passEnded) || !stream.Start()) return std::nullopt;

  OfflineRenderResult result;
  result.sampleRate = output.SampleRate();
  std::vector<float> left(kBlockFrames), right(kBlockFrames);
  auto renderBlock = [&] {
    if (!output.Render(left.data(), right.data(), kBlockFrames)) return false;
    sink(left.data(), right.data(), kBlockFrames);
    result.frames += kBlockFrames;
    return true;
  };
  const long long longest = static_cast<long long>(options.longestPassSeconds * result.sampleRate);
  while (!passEnded.IsSet() && result.frames < longest) {
    if (!renderBlock()) return std::nullopt;
  }
  result.passEnded = passEnded.IsSet();
  result.passFrames = result.frames;
  const long long tail = static_cast<long long>(options.tailSeconds * result.sampleRate);
  while (result.frames - result.passFrames < tail) {
    if (!renderBlock()) return std::nullopt;
  }
  return result;
}

}  // namespace tilvane
