#include "core/music/background_tune.h"

#include <cstddef>
#include <cstdint>

namespace tilvane {

// Generated at build time from background_tune.mid (cmake/parts/music.cmake).
extern const std::uint8_t kBackgroundTuneBytes[];
extern const std::size_t kBackgroundTuneSize;

ByteSpan BackgroundTune() { return ByteSpan(kBackgroundTuneBytes, kBackgroundTuneSize); }

}  // namespace tilvane
