#include "core/music/stream_listing.h"

#include "core/music/stream_player.h"
#include "core/music/wake_event.h"

namespace tilvane {

std::optional<StreamListing> ListStreamEvents(ByteSpan tune) {
  VirtualMidiDevice device;
  std::unique_ptr<StreamOutput> output = device.MakeOutput();
  WakeEvent passEnded;
  {
    MidiStreamPlayer stream(*output);
    if (!stream.Load(tune, &passEnded) || !stream.Start()) return std::nullopt;
    // Everything is due at once: each refill queues events that play in the
    // same call, until the tune has run out.
    device.Advance(1e300);
  }
  StreamListing listing;
  listing.events = device.Played();
  listing.bufferSizes = device.QueuedBufferSizes();
  listing.buffers = device.QueuedBuffers();
  listing.passEnded = passEnded.IsSet();
  return listing;
}

}  // namespace tilvane
