#include <cstdlib>

#include "core/music/fluidsynth_output.h"
#include "core/music/player.h"

namespace tilvane {

namespace {

// TILVANE_SOUNDFONT names a soundfont to play the tune with instead of the
// one FluidSynth is configured with: a way to hear (or measure) another
// soundfont without changing the system's choice.
FluidSynthOptions SystemOptions() {
  FluidSynthOptions options;
  if (const char* soundfont = std::getenv("TILVANE_SOUNDFONT")) options.soundfont = soundfont;
  return options;
}

}  // namespace

std::unique_ptr<MidiPlayer> MakeSystemMidiPlayer() {
  return std::make_unique<MidiPlayer>([] { return std::make_unique<FluidSynthOutput>(SystemOptions()); });
}

}  // namespace tilvane
