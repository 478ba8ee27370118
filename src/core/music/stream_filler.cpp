#include "core/music/stream_filler.h"

#include <algorithm>
#include <limits>

namespace tilvane {

namespace {

// Ticks in 60 ms of music for a timecode division, where the tempo plays no part.
std::uint64_t SmpteSpanLimit(std::uint16_t division) {
  int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
  return static_cast<std::uint64_t>(framesPerSecond) * (division & 0xFF) * 60 / 1000;
}

// The stream event word of a channel message or a tempo change; nothing for
// every other event, and for a tempo of zero, which would stop time.
std::optional<std::uint32_t> StreamWord(const SmfEvent& event) {
  if (event.kind == SmfEventKind::Channel) {
    return event.status | std::uint32_t{event.data1} << 8 | std::uint32_t{event.data2} << 16;
  }
  if (event.kind == SmfEventKind::Meta && event.metaType == kMetaTempo && event.data.size() == 3) {
    std::uint32_t tempo = std::uint32_t{event.data[0]} << 16 | std::uint32_t{event.data[1]} << 8 | event.data[2];
    if (tempo != 0) return kTempoEventFlag | tempo;
  }
  return std::nullopt;
}

}  // namespace

StreamFiller::StreamFiller(SmfFile file)
    : division_(file.header.division),
      merger_(std::move(file.tracks)),
      spanLimit_((division_ & 0x8000) ? SmpteSpanLimit(division_) : 0) {}

FillResult StreamFiller::Fill(StreamBuffer& buffer) {
  buffer.Clear();
  if (ranOut_) return FillResult::RanOut;
  // The span of a buffer counts from the last event of the one before it.
  const std::uint64_t begun = streamTime_;
  bool pastSpan = false;
  for (;;) {
    SmfEvent event;
    if (pending_) {
      event = *pending_;
      pending_.reset();
    } else {
      std::size_t track = 0;
      TrackMerger::Step step = merger_.Next(event, track);
      if (step != TrackMerger::Step::Event) {
        ranOut_ = true;
        if (step == TrackMerger::Step::Error) return FillResult::ReadError;
        return buffer.used > 0 ? FillResult::LastFill : FillResult::RanOut;
      }
      if (event.IsEndOfTrack()) continue;
    }

    if (streamTime_ - begun > spanLimit_) {
      // One event may go past the span, so that a buffer always moves on even
      // when single events lie further apart than 60 ms.
      if (pastSpan) {
        pending_ = event;
        return FillResult::Filled;
      }
      pastSpan = true;
    }

    std::optional<std::uint32_t> word = StreamWord(event);
    if (!word) continue;
    StreamEvent out;
    out.delta = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(event.time - streamTime_, std::numeric_limits<std::uint32_t>::max()));
    out.event = *word;
    if (!buffer.Append(out)) {
      pending_ = event;
      return FillResult::Filled;
    }
    streamTime_ = event.time;
    if (out.IsTempo() && !(division_ & 0x8000)) spanLimit_ = std::uint64_t{division_} * 60000 / out.Tempo();
  }
}

}  // namespace tilvane
