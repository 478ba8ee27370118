// Any bytes through the SMF reader, the track merge and one whole pass of the
// stream layer on a virtual device.
#include <cstddef>
#include <cstdint>

#include "core/music/smf.h"
#include "core/music/stream_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tilvane::ByteSpan bytes(data, size);
  if (auto smf = tilvane::ReadSmf(bytes)) {
    tilvane::TrackMerger merger(std::move(smf->tracks));
    tilvane::SmfEvent event;
    std::size_t track = 0;
    std::uint64_t previous = 0;
    while (merger.Next(event, track) == tilvane::TrackMerger::Step::Event) {
      if (event.time < previous) __builtin_trap();  // the merge must never go back in time
      previous = event.time;
    }
  }
  if (auto listing = tilvane::ListStreamEvents(bytes)) {
    if (!listing->passEnded) __builtin_trap();  // every loaded pass ends once its events are due
    for (std::size_t events : listing->bufferSizes) {
      if (events > 85) __builtin_trap();
    }
  }
  return 0;
}
