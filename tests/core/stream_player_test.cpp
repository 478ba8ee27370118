#include "core/music/stream_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/music/background_tune.h"
#include "core/music/stream_listing.h"
#include "core/music/virtual_output.h"
#include "music_fixtures.h"

namespace tilvane {
namespace {

using testing::QuarterNotes;
using testing::Tempo;

std::uint32_t NoteOn(int channel, int key, int velocity) {
  return static_cast<std::uint32_t>(0x90 | (channel - 1)) | std::uint32_t(key) << 8 | std::uint32_t(velocity) << 16;
}

TEST(StreamPlayer, BackgroundTuneStartsWithTheConductorTempoAndEndsAtItsLastTick) {
  auto listing = ListStreamEvents(BackgroundTune());
  ASSERT_TRUE(listing);
  EXPECT_TRUE(listing->passEnded);
  ASSERT_FALSE(listing->events.empty());
  const PlayedEvent& first = listing->events.front();
  EXPECT_EQ(first.delta, 0u);
  EXPECT_EQ(first.event, kTempoEventFlag | 361445u);
  EXPECT_EQ(listing->events.back().tick, 230160u);
  // 173.45 s with the tempo map; the pass lasts as long as its last event.
  EXPECT_NEAR(listing->events.back().timeMs, 173453, 2);

  std::vector<std::pair<std::uint64_t, std::uint32_t>> tempi;
  for (const PlayedEvent& e : listing->events) {
    if ((e.event >> 24) == 1) tempi.push_back({e.tick, e.event & 0xFFFFFF});
  }
  const std::vector<std::pair<std::uint64_t, std::uint32_t>> expected = {
      {0, 361445}, {34560, 363636}, {49920, 361445}, {145920, 363636}, {161280, 361445}};
  EXPECT_EQ(tempi, expected);
  for (std::size_t size : listing->bufferSizes) EXPECT_LE(size, kMaxEventsPerBuffer);
}

TEST(StreamPlayer, TiesGoToTheLowerTrack) {
  SmfTrackWriter a, b;
  b.Channel(0, 0x91, 70, 90);  // track 0 (lower), channel 2
  b.EndOfTrack(10);
  a.Channel(0, 0x90, 60, 90);  // track 1, channel 1
  a.EndOfTrack(10);
  auto listing = ListStreamEvents(WriteSmf(1, 480, {b, a}));
  ASSERT_TRUE(listing);
  ASSERT_EQ(listing->events.size(), 2u);
  EXPECT_EQ(listing->events[0].event, NoteOn(2, 70, 90));
  EXPECT_EQ(listing->events[1].event, NoteOn(1, 60, 90));
  EXPECT_EQ(listing->events[1].delta, 0u);
}

TEST(StreamPlayer, DroppedEventsDoNotShiftTheNextMessage) {
  SmfTrackWriter track;
  track.Channel(0, 0x90, 60, 100);
  track.Text(100, 0x01, "a text between two notes");
  const std::uint8_t sysex[] = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
  track.SysEx(180, sysex);
  track.Channel(250, 0x90, 60, 0);
  track.EndOfTrack(250);
  auto listing = ListStreamEvents(WriteSmf(0, 480, {track}));
  ASSERT_TRUE(listing);
  ASSERT_EQ(listing->events.size(), 2u);
  EXPECT_EQ(listing->events[1].delta, 250u);
  EXPECT_EQ(listing->events[1].tick, 250u);
}

TEST(StreamPlayer, NoBufferHoldsMoreThan85Events) {
  SmfTrackWriter track;
  for (int i = 0; i < 300; ++i) track.Channel(0, 0xB0, 7, static_cast<std::uint8_t>(i % 128));
  track.EndOfTrack(0);
  auto listing = ListStreamEvents(WriteSmf(0, 480, {track}));
  ASSERT_TRUE(listing);
  EXPECT_EQ(listing->events.size(), 300u);
  const std::vector<std::size_t> expected = {85, 85, 85, 45};
  EXPECT_EQ(listing->bufferSizes, expected);
}

TEST(StreamPlayer, ABufferSpansAboutSixtyMillisecondsOfMusic) {
  // Sixteenth notes at 120 bpm: 62.5 ms apart, so a buffer takes the event
  // that crosses the 60 ms span and one more.
  SmfTrackWriter track;
  Tempo(track, 0, 500000);
  for (int i = 0; i < 40; ++i) track.Channel(std::uint64_t(i) * 120, 0x90, 60, i % 2 ? 0 : 100);
  track.EndOfTrack(40 * 120);
  auto listing = ListStreamEvents(WriteSmf(0, 480, {track}));
  ASSERT_TRUE(listing);
  EXPECT_EQ(listing->events.size(), 41u);
  ASSERT_GT(listing->bufferSizes.size(), 10u);
  for (std::size_t i = 1; i < listing->bufferSizes.size(); ++i) EXPECT_LE(listing->bufferSizes[i], 2u) << i;
}

TEST(StreamPlayer, ATempoChangeTimesTheDeltasAfterIt) {
  SmfTrackWriter track;
  Tempo(track, 0, 500000);
  track.Channel(0, 0x90, 60, 100);
  Tempo(track, 480, 250000);
  for (int i = 0; i < 30; ++i) track.Channel(960 + std::uint64_t(i) * 480, 0x90, 60, i % 2 ? 100 : 0);
  track.EndOfTrack(960 + 30 * 480);
  auto listing = ListStreamEvents(WriteSmf(0, 480, {track}));
  ASSERT_TRUE(listing);
  ASSERT_GT(listing->bufferSizes.size(), 3u);  // the later notes lie in later buffers
  const PlayedEvent& last = listing->events.back();
  EXPECT_EQ(last.tick, 960u + 29 * 480);
  // 500 ms for the first quarter, then 250 ms for every one after it.
  EXPECT_DOUBLE_EQ(last.timeMs, 500 + 250 * (1 + 29));
}

TEST(StreamPlayer, ZeroOrMalformedTemposAreDropped) {
  SmfTrackWriter track;
  Tempo(track, 0, 0);
  const std::uint8_t shortTempo[] = {0x07, 0xA1};
  track.Meta(0, 0x51, shortTempo);
  track.Channel(480, 0x90, 60, 100);
  track.EndOfTrack(480);
  auto listing = ListStreamEvents(WriteSmf(0, 480, {track}));
  ASSERT_TRUE(listing);
  ASSERT_EQ(listing->events.size(), 1u);
  EXPECT_DOUBLE_EQ(listing->events[0].timeMs, 500);  // the default tempo still holds
}

class StreamPlayerOnDevice : public ::testing::Test {
 protected:
  VirtualMidiDevice device;
  std::unique_ptr<StreamOutput> output = device.MakeOutput();
  WakeEvent passEnded;
};

TEST_F(StreamPlayerOnDevice, PassEndsOnlyOnceEveryBufferIsBack) {
  Bytes tune = QuarterNotes(20);  // 20 quarter notes at 120 bpm: the last note-off at 9.75 s
  MidiStreamPlayer stream(*output);
  ASSERT_TRUE(stream.Load(tune, &passEnded));
  EXPECT_EQ(device.BuffersOut(), 2u);
  device.Advance(1000);
  EXPECT_TRUE(device.Played().empty());  // paused until started
  ASSERT_TRUE(stream.Start());
  for (int ms = 0; ms < 9700; ms += 50) {
    device.Advance(50);
    ASSERT_FALSE(passEnded.IsSet()) << ms;
    ASSERT_GE(device.BuffersOut(), 1u) << ms;
  }
  device.Advance(100);
  EXPECT_TRUE(passEnded.IsSet());
  EXPECT_EQ(device.BuffersOut(), 0u);
  EXPECT_EQ(device.Played().size(), 41u);
  EXPECT_EQ(stream.State(), OutputState::Closed);
}

TEST_F(StreamPlayerOnDevice, ATuneThatFitsOneBufferStillEndsItsPass) {
  SmfTrackWriter track;
  track.Channel(0, 0x90, 60, 100);
  track.Channel(10, 0x90, 60, 0);
  track.EndOfTrack(10);
  Bytes tune = WriteSmf(0, 480, {track});
  MidiStreamPlayer stream(*output);
  ASSERT_TRUE(stream.Load(tune, &passEnded));
  EXPECT_EQ(device.BuffersOut(), 1u);
  ASSERT_TRUE(stream.Start());
  device.Advance(20);
  EXPECT_TRUE(passEnded.IsSet());
}

TEST_F(StreamPlayerOnDevice, AReadErrorEndsThePassAfterWhatCameBefore) {
  SmfTrackWriter track;
  for (int i = 0; i < 200; ++i) track.Channel(std::uint64_t(i) * 10, 0x90, 60, i % 2 ? 0 : 100);
  Bytes tune = WriteSmf(0, 480, {track});
  // The track has no end: append a broken event, and fix the chunk length.
  const Bytes broken = {0x00, 0xF4};
  tune.insert(tune.end(), broken.begin(), broken.end());
  std::uint32_t length = static_cast<std::uint32_t>(track.Data().size() + broken.size());
  for (int i = 0; i < 4; ++i) tune[18 + i] = static_cast<std::uint8_t>(length >> (8 * (3 - i)));
  MidiStreamPlayer stream(*output);
  ASSERT_TRUE(stream.Load(tune, &passEnded));
  ASSERT_TRUE(stream.Start());
  device.Advance(1e9);
  EXPECT_TRUE(passEnded.IsSet());
  EXPECT_EQ(device.Played().size(), 200u);
}

TEST_F(StreamPlayerOnDevice, LoadFailsWithoutSomethingToPlayOrADevice) {
  MidiStreamPlayer stream(*output);
  SmfTrackWriter onlyMeta;
  onlyMeta.Text(0, 0x03, "name");
  onlyMeta.EndOfTrack(100);
  EXPECT_FALSE(stream.Load(WriteSmf(0, 480, {onlyMeta}), &passEnded));
  EXPECT_FALSE(stream.Load(QuarterNotes(4, 500000, 0), &passEnded));  // division 0 cannot be timed
  SmfTrackWriter brokenFirst;
  brokenFirst.Channel(0, 0x90, 60, 100);
  Bytes broken = WriteSmf(0, 480, {brokenFirst});
  broken.push_back(0x00);  // no end of track: the second read fails while priming
  broken[21] += 1;
  EXPECT_FALSE(stream.Load(broken, &passEnded));
  EXPECT_EQ(device.BuffersOut(), 0u);
  device.SetFailOpen(true);
  EXPECT_FALSE(stream.Load(QuarterNotes(4), &passEnded));
  EXPECT_FALSE(stream.Start());
}

TEST_F(StreamPlayerOnDevice, StopDuringAPassTakesEveryBufferBackAndSilences) {
  Bytes tune = QuarterNotes(100);
  MidiStreamPlayer stream(*output);
  ASSERT_TRUE(stream.Load(tune, &passEnded));
  ASSERT_TRUE(stream.Start());
  device.Advance(2000);
  std::size_t playedBefore = device.Played().size();
  stream.StopOutput();
  EXPECT_EQ(device.BuffersOut(), 0u);
  EXPECT_EQ(device.Counts().stops, 1);
  EXPECT_EQ(device.Counts().resets, 1);
  device.Advance(10000);
  EXPECT_EQ(device.Played().size(), playedBefore);
  EXPECT_FALSE(passEnded.IsSet());
  EXPECT_FALSE(stream.Start());  // nothing loaded any more
  stream.StopOutput();           // a second stop has nothing to do
  EXPECT_EQ(device.Counts().stops, 1);
}

TEST_F(StreamPlayerOnDevice, DestroyingThePlayerLeavesTheCallersEventAlone) {
  // The event may die before the player (declared after it, say); closing
  // from the destructor must neither signal it nor touch it.
  auto event = std::make_unique<WakeEvent>();
  auto stream = std::make_unique<MidiStreamPlayer>(*output);
  Bytes tune = QuarterNotes(100);
  ASSERT_TRUE(stream->Load(tune, event.get()));
  ASSERT_TRUE(stream->Start());
  device.Advance(500);
  stream.reset();
  EXPECT_FALSE(event->IsSet());
  EXPECT_EQ(device.Counts().closes, 1);
  // And the other way round, freed first: AddressSanitizer would see a touch.
  stream = std::make_unique<MidiStreamPlayer>(*output);
  ASSERT_TRUE(stream->Load(tune, event.get()));
  ASSERT_TRUE(stream->Start());
  event.reset();
  stream.reset();
  EXPECT_EQ(device.Counts().closes, 2);
}

TEST_F(StreamPlayerOnDevice, TheNextPassReusesTheOpenOutputWithoutStopping) {
  Bytes tune = QuarterNotes(4);
  MidiStreamPlayer stream(*output);
  for (int pass = 0; pass < 3; ++pass) {
    passEnded.Reset();
    ASSERT_TRUE(stream.Load(tune, &passEnded));
    ASSERT_TRUE(stream.Start());
    device.Advance(5000);
    ASSERT_TRUE(passEnded.IsSet()) << pass;
  }
  EXPECT_EQ(device.Counts().opens, 1);
  EXPECT_EQ(device.Counts().stops, 0);
  EXPECT_EQ(device.Played().size(), 3u * 9);
  stream.Close();
  EXPECT_EQ(device.Counts().closes, 1);
}

}  // namespace
}  // namespace tilvane
