// The background tune of Tilvane, composed in code: a bright piece in D major
// for fourteen General MIDI instruments, 120 bars at about 165 beats per
// minute, laid out as one Standard MIDI File.
#pragma once

#include "core/text.h"

namespace tilvane {

// The complete file; the same bytes on every call.
Bytes ComposeBackgroundTune();

}  // namespace tilvane
