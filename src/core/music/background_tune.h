// The tune the editor plays in the background: a Standard MIDI File built
// into the program (format 1, 17 tracks, 480 ticks per quarter note, one pass
// of about 173.5 seconds).
#pragma once

#include "core/text.h"

namespace tilvane {

// The file's bytes; static, valid for the whole run of the program.
ByteSpan BackgroundTune();

}  // namespace tilvane
