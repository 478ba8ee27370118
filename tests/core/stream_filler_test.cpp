#include "core/music/stream_filler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/music/smf_writer.h"
#include "music_fixtures.h"

namespace tilvane {
namespace {

using testing::Tempo;

// 25 frames a second of 40 ticks each.
constexpr std::uint16_t kTimecode25x40 = 0xE7 << 8 | 40;

// The buffers of one pass and how each fill ended, up to and including the
// first fill that did not end in Filled.
struct Pass {
  std::vector<std::vector<StreamEvent>> buffers;
  std::vector<FillResult> results;
};

// A filler over `tune`, which must outlive it.
StreamFiller FillerFor(const Bytes& tune) {
  ErrorOr<SmfFile> file = ReadSmf(tune);
  EXPECT_TRUE(file.ok());
  return StreamFiller(file ? std::move(*file) : SmfFile{});
}

Pass FillWholePass(StreamFiller& filler) {
  Pass pass;
  StreamBuffer buffer;
  for (int i = 0; i < 10000; ++i) {
    FillResult result = filler.Fill(buffer);
    std::vector<StreamEvent> events;
    for (std::size_t e = 0; e < buffer.EventCount(); ++e) events.push_back(buffer.EventAt(e));
    pass.buffers.push_back(events);
    pass.results.push_back(result);
    if (result != FillResult::Filled) break;
  }
  return pass;
}

std::vector<std::size_t> Sizes(const Pass& pass) {
  std::vector<std::size_t> sizes;
  for (const auto& buffer : pass.buffers) sizes.push_back(buffer.size());
  return sizes;
}

TEST(StreamFiller, WritesChannelAndTempoEventsWithTheirDeltasAndDropsTheRest) {
  SmfTrackWriter track;
  Tempo(track, 0, 400000);
  track.Channel(0, 0x91, 60, 100);
  track.Text(30, 0x01, "lyric");
  Tempo(track, 40, 0);  // would stop time: dropped
  track.Channel(50, 0xC2, 5);
  const std::uint8_t sysex[] = {0x7E, 0xF7};
  track.SysEx(70, sysex);
  track.Channel(90, 0xE0, 0x00, 0x40);
  track.EndOfTrack(200);
  const Bytes tune = WriteSmf(0, 480, {track});
  StreamFiller filler = FillerFor(tune);
  StreamBuffer buffer;
  ASSERT_EQ(filler.Fill(buffer), FillResult::LastFill);
  ASSERT_EQ(buffer.EventCount(), 4u);
  const std::uint32_t deltas[] = {0, 0, 50, 40};
  const std::uint32_t words[] = {kTempoEventFlag | 400000, 0x91 | 60 << 8 | 100 << 16, 0xC2 | 5 << 8,
                                 0xE0 | 0x40 << 16};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(buffer.EventAt(i).delta, deltas[i]) << i;
    EXPECT_EQ(buffer.EventAt(i).event, words[i]) << i;
    EXPECT_EQ(buffer.EventAt(i).streamId, 0u) << i;
  }
  // The end of track is not an event of the stream: time stops at the last message.
  EXPECT_EQ(filler.StreamTime(), 90u);
}

TEST(StreamFiller, AFullBufferLeavesItsNextEventToOpenTheNextOne) {
  // 25 frames of 40 ticks a second: a span of 60 ticks, which every event here lies within.
  SmfTrackWriter track;
  for (int i = 0; i < 300; ++i) track.Channel(i < 85 ? 0 : 7, 0xB0, 7, static_cast<std::uint8_t>(i % 128));
  track.EndOfTrack(7);
  const Bytes tune = WriteSmf(0, kTimecode25x40, {track});
  StreamFiller filler = FillerFor(tune);
  Pass pass = FillWholePass(filler);
  const std::vector<FillResult> results = {FillResult::Filled, FillResult::Filled, FillResult::Filled,
                                           FillResult::LastFill};
  EXPECT_EQ(pass.results, results);
  const std::vector<std::size_t> sizes = {85, 85, 85, 45};
  EXPECT_EQ(Sizes(pass), sizes);
  // No event is lost or written twice where one buffer ends and the next
  // begins, and the one that did not fit keeps its delta.
  int index = 0;
  for (const auto& buffer : pass.buffers) {
    for (const StreamEvent& event : buffer) {
      EXPECT_EQ(event.Data2(), index % 128) << index;
      EXPECT_EQ(event.delta, index == 85 ? 7u : 0u) << index;
      ++index;
    }
  }
  EXPECT_EQ(index, 300);
}

TEST(StreamFiller, ABufferEndsOneEventAfterItsSpanAndTheNextCarriesTheDeltaOn) {
  // 120 ticks apart at 480 per quarter: 62.5 ms at 120 bpm, where the span is 57 ticks.
  SmfTrackWriter track;
  Tempo(track, 0, 500000);
  for (int i = 0; i < 8; ++i) track.Channel(std::uint64_t(i) * 120, 0x90, 60, 100);
  track.EndOfTrack(8 * 120);
  const Bytes tune = WriteSmf(0, 480, {track});
  StreamFiller filler = FillerFor(tune);
  Pass pass = FillWholePass(filler);
  // The first buffer begins at tick 0: the tempo, the notes at 0 and 120, and
  // the one past the span at 240. Each later one begins at the last tick of
  // the one before and takes two notes.
  const std::vector<std::size_t> sizes = {4, 2, 2, 1};
  EXPECT_EQ(Sizes(pass), sizes);
  ASSERT_EQ(pass.buffers.size(), 4u);
  EXPECT_EQ(pass.buffers[1][0].delta, 120u);  // from tick 240, the last of the buffer before
  EXPECT_EQ(pass.results.back(), FillResult::LastFill);
}

TEST(StreamFiller, TheSpanFollowsTheTempoOnlyForTicksPerQuarterNote) {
  // Notes 50 ticks apart, with a tempo change at tick 500 from 60 bpm (a span
  // of 28 ticks at 480 per quarter) to 480 bpm (230 ticks).
  auto notes = [](std::uint16_t division) {
    SmfTrackWriter track;
    Tempo(track, 0, 1000000);
    for (int i = 0; i < 40; ++i) {
      if (i == 10) Tempo(track, 500, 125000);
      track.Channel(std::uint64_t(i) * 50, 0x90, 60, 100);
    }
    track.EndOfTrack(40 * 50);
    return WriteSmf(0, division, {track});
  };
  auto noteCounts = [](const Pass& pass) {
    std::vector<std::size_t> counts;
    for (const auto& buffer : pass.buffers) {
      counts.push_back(std::count_if(buffer.begin(), buffer.end(), [](StreamEvent e) { return !e.IsTempo(); }));
    }
    return counts;
  };
  const Bytes quarters = notes(480);
  StreamFiller byTempo = FillerFor(quarters);
  // Two notes a buffer up to the change (the first buffer begins at tick 0,
  // one note earlier than the rest), then six.
  const std::vector<std::size_t> byTempoCounts = {3, 2, 2, 2, 5, 6, 6, 6, 6, 2};
  EXPECT_EQ(noteCounts(FillWholePass(byTempo)), byTempoCounts);

  // With timecode the span is 60 ticks, whatever the tempo: three notes a buffer.
  const Bytes timecode = notes(kTimecode25x40);
  StreamFiller byFrames = FillerFor(timecode);
  std::vector<std::size_t> byFramesCounts = noteCounts(FillWholePass(byFrames));
  ASSERT_EQ(byFramesCounts.size(), 13u);
  EXPECT_EQ(byFramesCounts[0], 4u);
  for (std::size_t i = 1; i < byFramesCounts.size(); ++i) EXPECT_EQ(byFramesCounts[i], 3u) << i;
}

TEST(StreamFiller, APassRunsOutForGoodAndANewFillerStartsItAgain) {
  const Bytes tune = testing::QuarterNotes(8);
  StreamFiller first = FillerFor(tune);
  Pass pass = FillWholePass(first);
  ASSERT_EQ(pass.results.back(), FillResult::LastFill);
  StreamBuffer buffer;
  EXPECT_EQ(first.Fill(buffer), FillResult::RanOut);
  EXPECT_EQ(buffer.used, 0u);
  EXPECT_EQ(first.Fill(buffer), FillResult::RanOut);

  // The next pass over the same bytes fills the same buffers from tick 0.
  StreamFiller second = FillerFor(tune);
  Pass again = FillWholePass(second);
  ASSERT_EQ(again.buffers.size(), pass.buffers.size());
  for (std::size_t b = 0; b < pass.buffers.size(); ++b) {
    ASSERT_EQ(again.buffers[b].size(), pass.buffers[b].size()) << b;
    for (std::size_t e = 0; e < pass.buffers[b].size(); ++e) {
      EXPECT_EQ(again.buffers[b][e].delta, pass.buffers[b][e].delta) << b << ' ' << e;
      EXPECT_EQ(again.buffers[b][e].event, pass.buffers[b][e].event) << b << ' ' << e;
    }
  }
  EXPECT_EQ(second.StreamTime(), first.StreamTime());
}

TEST(StreamFiller, AReadErrorKeepsWhatCameBeforeAndEndsThePass) {
  SmfTrackWriter track;
  track.Channel(0, 0x90, 60, 100);
  track.Channel(10, 0x90, 60, 0);
  Bytes tune = WriteSmf(0, 480, {track});
  const Bytes broken = {0x00, 0xF4};  // no end of track, then a status that does not exist
  tune.insert(tune.end(), broken.begin(), broken.end());
  std::uint32_t length = static_cast<std::uint32_t>(track.Data().size() + broken.size());
  for (int i = 0; i < 4; ++i) tune[18 + i] = static_cast<std::uint8_t>(length >> (8 * (3 - i)));
  StreamFiller filler = FillerFor(tune);
  StreamBuffer buffer;
  EXPECT_EQ(filler.Fill(buffer), FillResult::ReadError);
  EXPECT_EQ(buffer.EventCount(), 2u);
  EXPECT_EQ(filler.Fill(buffer), FillResult::RanOut);
  EXPECT_EQ(buffer.used, 0u);

  SmfTrackWriter onlyMeta;
  onlyMeta.Text(0, 0x03, "name");
  onlyMeta.EndOfTrack(100);
  const Bytes silent = WriteSmf(0, 480, {onlyMeta});
  StreamFiller nothing = FillerFor(silent);
  EXPECT_EQ(nothing.Fill(buffer), FillResult::RanOut);
}

}  // namespace
}  // namespace tilvane
