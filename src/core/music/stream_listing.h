// Every stream event of one pass of a tune, in playing order, as the stream
// layer produces them: run on a virtual device whose clock is moved on until
// the pass has ended.
#pragma once

#include <optional>
#include <vector>

#include "core/music/virtual_output.h"
#include "core/text.h"

namespace tilvane {

struct StreamListing {
  std::vector<PlayedEvent> events;
  std::vector<std::size_t> bufferSizes;  // events per queued buffer
  std::vector<Bytes> buffers;            // the bytes of each queued buffer
  bool passEnded = false;                // false only if the pass did not finish
};

// Empty when the tune does not load (broken header or chunks, nothing to play).
std::optional<StreamListing> ListStreamEvents(ByteSpan tune);

}  // namespace tilvane
