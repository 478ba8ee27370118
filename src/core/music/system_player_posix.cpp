#include "core/music/fluidsynth_output.h"
#include "core/music/player.h"

namespace tilvane {

std::unique_ptr<MidiPlayer> MakeSystemMidiPlayer() {
  return std::make_unique<MidiPlayer>([] { return std::make_unique<FluidSynthOutput>(); });
}

}  // namespace tilvane
