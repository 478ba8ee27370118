#include "core/music/smf.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/music/smf_writer.h"
#include "music_fixtures.h"

namespace tilvane {
namespace {

using testing::RawSmf;
using testing::TrackChunk;

// Every event of a single-track file, in order; stops at the first failure.
std::vector<SmfEvent> ReadAll(const Bytes& trackData, bool* failed = nullptr) {
  TrackCursor cursor;
  std::vector<SmfEvent> events;
  bool ok = cursor.Begin(trackData);
  SmfEvent event;
  while (ok && !cursor.Ended()) {
    ok = cursor.ReadEvent(event);
    if (ok) events.push_back(event);
  }
  if (failed) *failed = !ok;
  return events;
}

TEST(SmfRead, RejectsEachBrokenHeaderAndChunk) {
  const Bytes endOnly = {0x00, 0xFF, 0x2F, 0x00};
  const Bytes good = TrackChunk(endOnly);
  Bytes wrongChunk = good;
  wrongChunk[3] = 'x';
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"empty", {}},
      {"four bytes", {'M', 'T', 'h', 'd'}},
      {"not MThd", {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 1, 0, 1, 1, 0xE0}},
      {"header length 5", RawSmf(1, 480, good, 5)},
      {"header length 7", RawSmf(1, 480, good, 7)},
      {"header cut short", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0}},
      {"fewer chunks than announced", RawSmf(2, 480, good)},
      {"chunk other than MTrk", RawSmf(1, 480, wrongChunk)},
      {"chunk longer than the file", RawSmf(1, 480, TrackChunk(endOnly, 5))},
      {"chunk length near 4 GiB", RawSmf(1, 480, TrackChunk(endOnly, 0xFFFFFFFF))},
      {"first delta cut short", RawSmf(1, 480, TrackChunk({0x81}))},
      {"first delta of five bytes", RawSmf(1, 480, TrackChunk({0x81, 0x81, 0x81, 0x81, 0x00}))},
  };
  for (const auto& [name, bytes] : cases) {
    ErrorOr<SmfFile> smf = ReadSmf(bytes);
    ASSERT_FALSE(smf.ok()) << name;
    EXPECT_STRNE(smf.reason(), "") << name;
  }
}

TEST(SmfRead, ReadsHeaderAndPlacesEachCursorOnItsFirstEvent) {
  Bytes chunks = TrackChunk({0x83, 0x60, 0xFF, 0x2F, 0x00});  // delta 480
  Bytes empty = TrackChunk({});
  chunks.insert(chunks.end(), empty.begin(), empty.end());
  Bytes file = RawSmf(2, 96, chunks);
  file.insert(file.end(), {'J', 'U', 'N', 'K'});  // after the announced chunks: ignored
  auto smf = ReadSmf(file);
  ASSERT_TRUE(smf);
  EXPECT_EQ(smf->header.format, 1);
  EXPECT_EQ(smf->header.trackCount, 2);
  EXPECT_EQ(smf->header.division, 96);
  ASSERT_EQ(smf->tracks.size(), 2u);
  EXPECT_FALSE(smf->tracks[0].Ended());
  EXPECT_EQ(smf->tracks[0].NextTime(), 480u);
  EXPECT_TRUE(smf->tracks[1].Ended());  // a track of length 0 ends at once
}

TEST(TrackCursor, KeepsRunningStatusAcrossMetaAndSysEx) {
  const Bytes data = {
      0x00, 0x92, 0x3C, 0x64,        // note-on, channel 3
      0x10, 0x3C, 0x00,              // running status
      0x00, 0xFF, 0x01, 0x01, 'x',   // text
      0x05, 0xF0, 0x02, 0x7E, 0xF7,  // system exclusive
      0x00, 0x3E, 0x50,              // still running status
      0x00, 0xC1, 0x05,              // program change: one data byte
      0x00, 0x07,                    // running status of the program change
      0x00, 0xFF, 0x2F, 0x00,
  };
  bool failed = true;
  std::vector<SmfEvent> events = ReadAll(data, &failed);
  EXPECT_FALSE(failed);
  ASSERT_EQ(events.size(), 8u);
  EXPECT_EQ(events[1].status, 0x92);
  EXPECT_TRUE(events[1].usedRunningStatus);
  EXPECT_EQ(events[1].time, 16u);
  EXPECT_EQ(events[1].data1, 0x3C);
  EXPECT_EQ(events[1].data2, 0x00);
  EXPECT_EQ(events[2].kind, SmfEventKind::Meta);
  EXPECT_EQ(events[2].data.size(), 1u);
  EXPECT_EQ(events[3].kind, SmfEventKind::SysEx);
  EXPECT_EQ(events[3].time, 21u);
  EXPECT_EQ(events[3].data.size(), 2u);
  EXPECT_EQ(events[4].status, 0x92);
  EXPECT_EQ(events[4].data1, 0x3E);
  EXPECT_EQ(events[6].status, 0xC1);
  EXPECT_EQ(events[6].data1, 0x07);
  EXPECT_TRUE(events[7].IsEndOfTrack());
}

TEST(TrackCursor, FailsOnMalformedEvents) {
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"running status with none set", {0x00, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00}},
      {"status 0xF1", {0x00, 0xF1, 0x00, 0x00, 0xFF, 0x2F, 0x00}},
      {"status 0xFE", {0x00, 0xFE, 0x00, 0xFF, 0x2F, 0x00}},
      {"data byte with the high bit", {0x00, 0x90, 0x3C, 0x90, 0x00, 0xFF, 0x2F, 0x00}},
      {"message cut short", {0x00, 0x90, 0x3C}},
      {"meta length past the end", {0x00, 0xFF, 0x01, 0x10, 'a'}},
      {"sysex length past the end", {0x00, 0xF0, 0x7F, 0x01}},
      {"no end of track", {0x00, 0x90, 0x3C, 0x64}},
      {"delta cut short after an event", {0x00, 0x90, 0x3C, 0x64, 0x81}},
  };
  for (const auto& [name, data] : cases) {
    bool failed = false;
    ReadAll(data, &failed);
    EXPECT_TRUE(failed) << name;
  }
}

TEST(TrackCursor, StaysEndedAfterAFailure) {
  TrackCursor cursor;
  const Bytes data = {0x00, 0xF4, 0x00, 0x90, 0x3C, 0x64};
  ASSERT_TRUE(cursor.Begin(data));
  SmfEvent event;
  EXPECT_FALSE(cursor.ReadEvent(event));
  EXPECT_TRUE(cursor.Ended());
  EXPECT_FALSE(cursor.ReadEvent(event));
}

TEST(TrackMerger, TakesTheEarliestEventAndTheLowerTrackOnTies) {
  // Track t has events at ticks (t * 7) % 5, 5, 10: many ties at 5 and 10.
  std::vector<SmfTrackWriter> writers(6);
  for (int t = 0; t < 6; ++t) {
    writers[t].Channel((t * 7) % 5, 0x90, static_cast<std::uint8_t>(t), 1);
    writers[t].Channel(5, 0x90, static_cast<std::uint8_t>(t), 2);
    writers[t].Channel(10, 0x90, static_cast<std::uint8_t>(t), 3);
    writers[t].EndOfTrack(10);
  }
  Bytes file = WriteSmf(1, 480, writers);
  auto smf = ReadSmf(file);
  ASSERT_TRUE(smf);
  TrackMerger merger(std::move(smf->tracks));
  SmfEvent event;
  std::size_t track = 0;
  std::vector<std::pair<std::uint64_t, std::size_t>> order;
  while (merger.Next(event, track) == TrackMerger::Step::Event) {
    if (!event.IsEndOfTrack()) order.push_back({event.time, track});
    EXPECT_EQ(event.data1, event.IsEndOfTrack() ? 0 : track);
  }
  ASSERT_EQ(order.size(), 18u);
  for (std::size_t i = 1; i < order.size(); ++i) EXPECT_LT(order[i - 1], order[i]) << i;
  EXPECT_EQ(merger.Next(event, track), TrackMerger::Step::End);
}

TEST(TrackMerger, StopsAtTheFirstBrokenTrack) {
  Bytes chunks = TrackChunk({0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00});
  Bytes broken = TrackChunk({0x05, 0xF2, 0x00});
  chunks.insert(chunks.end(), broken.begin(), broken.end());
  const Bytes file = RawSmf(2, 480, chunks);  // the cursors point into it
  auto smf = ReadSmf(file);
  ASSERT_TRUE(smf);
  TrackMerger merger(std::move(smf->tracks));
  SmfEvent event;
  std::size_t track = 0;
  EXPECT_EQ(merger.Next(event, track), TrackMerger::Step::Event);  // track 0, tick 0
  EXPECT_EQ(merger.Next(event, track), TrackMerger::Step::Event);  // its end of track
  EXPECT_EQ(merger.Next(event, track), TrackMerger::Step::Error);
  EXPECT_EQ(merger.Next(event, track), TrackMerger::Step::Error);
}

TEST(SmfWriter, WritesVariableLengthQuantitiesMostSignificantFirst) {
  const std::vector<std::pair<std::uint32_t, Bytes>> cases = {{0, {0x00}},
                                                              {0x7F, {0x7F}},
                                                              {0x80, {0x81, 0x00}},
                                                              {0x3FFF, {0xFF, 0x7F}},
                                                              {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}}};
  for (const auto& [value, expected] : cases) {
    Bytes out;
    AppendVariableLength(out, value);
    EXPECT_EQ(out, expected) << value;
  }
}

}  // namespace
}  // namespace tilvane
