#include "core/music/player.h"
#include "core/music/winmm_output.h"

namespace tilvane {

std::unique_ptr<MidiPlayer> MakeSystemMidiPlayer() {
  return std::make_unique<MidiPlayer>([] { return std::make_unique<WinmmOutput>(); });
}

}  // namespace tilvane
