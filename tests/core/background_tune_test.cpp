#include "core/music/background_tune.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/music/smf.h"

namespace tilvane {
namespace {

struct TrackSummary {
  std::vector<SmfEvent> events;
  bool anyRunningStatus = false;
};

std::vector<TrackSummary> ReadTracks(ByteSpan tune) {
  auto smf = ReadSmf(tune);
  std::vector<TrackSummary> tracks;
  if (!smf) return tracks;
  for (TrackCursor cursor : smf->tracks) {
    TrackSummary summary;
    SmfEvent event;
    while (!cursor.Ended() && cursor.ReadEvent(event)) {
      summary.events.push_back(event);
      summary.anyRunningStatus |= event.usedRunningStatus;
    }
    EXPECT_EQ(cursor.Position(), cursor.Length());  // ended exactly at the chunk's end
    tracks.push_back(summary);
  }
  return tracks;
}

std::string Text(const SmfEvent& e) { return std::string(e.data.begin(), e.data.end()); }

TEST(BackgroundTune, HasTheHeaderAndEveryTrackEndsWithItsEndOfTrack) {
  ByteSpan tune = BackgroundTune();
  EXPECT_NEAR(static_cast<double>(tune.size()), 41079, 41079 * 0.01);
  auto smf = ReadSmf(tune);
  ASSERT_TRUE(smf);
  EXPECT_EQ(smf->header.format, 1);
  EXPECT_EQ(smf->header.trackCount, 17);
  EXPECT_EQ(smf->header.division, 480);
  std::vector<TrackSummary> tracks = ReadTracks(tune);
  ASSERT_EQ(tracks.size(), 17u);
  std::uint64_t lastTick = 0;
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    ASSERT_FALSE(tracks[t].events.empty()) << t;
    EXPECT_TRUE(tracks[t].events.back().IsEndOfTrack()) << t;
    EXPECT_FALSE(tracks[t].anyRunningStatus) << t;
    EXPECT_EQ(tracks[t].events.front().metaType, 0x03) << t;  // every track starts with its name
    lastTick = std::max(lastTick, tracks[t].events.back().time);
  }
  EXPECT_EQ(lastTick, 230160u);
  EXPECT_EQ(tracks[0].events.back().time, 161280u);
  EXPECT_EQ(tracks[1].events.back().time, 739u);
  EXPECT_EQ(tracks[16].events.back().time, 733u);
}

TEST(BackgroundTune, ConductorTrackHoldsTheMetersAndTheTempoMap) {
  std::vector<TrackSummary> tracks = ReadTracks(BackgroundTune());
  ASSERT_EQ(tracks.size(), 17u);
  const auto& events = tracks[0].events;
  ASSERT_EQ(events.size(), 10u);
  EXPECT_EQ(events[1].metaType, 0x02);
  EXPECT_EQ(events[2].metaType, 0x58);
  EXPECT_EQ(Bytes(events[2].data.begin(), events[2].data.end()), (Bytes{0x04, 0x02, 0x18, 0x08}));
  EXPECT_EQ(events[3].metaType, 0x59);
  EXPECT_TRUE(events[3].data.empty());
  const std::pair<std::uint64_t, std::uint32_t> tempi[] = {
      {0, 361445}, {34560, 363636}, {49920, 361445}, {145920, 363636}, {161280, 361445}};
  for (int i = 0; i < 5; ++i) {
    const SmfEvent& e = events[4 + i];
    ASSERT_EQ(e.metaType, kMetaTempo);
    ASSERT_EQ(e.data.size(), 3u);
    EXPECT_EQ(e.time, tempi[i].first);
    EXPECT_EQ(std::uint32_t(e.data[0]) << 16 | std::uint32_t(e.data[1]) << 8 | e.data[2], tempi[i].second);
  }
  for (const SmfEvent& e : events) EXPECT_NE(e.kind, SmfEventKind::Channel);
}

// The set-up messages of a track, in order, as (controller or 0xC0 for a
// program change); each must come right after a text event.
std::vector<int> SetUpPairs(const std::vector<SmfEvent>& events, int channel) {
  std::vector<int> pairs;
  for (std::size_t i = 1; i < events.size(); ++i) {
    const SmfEvent& e = events[i];
    if (e.kind != SmfEventKind::Channel || (e.status & 0x0F) != channel - 1) continue;
    if ((e.status & 0xF0) == 0x90) break;
    if (events[i - 1].metaType != 0x01) return {};
    // The text says what the message sets.
    static const std::pair<int, const char*> kWords[] = {
        {0, "Bank select MSB"}, {32, "Bank select LSB"}, {0xC0, "Program"}, {7, "Volume"}, {10, "Pan"},
        {91, "Reverb send"},    {93, "Chorus send"}};
    int what = (e.status & 0xF0) == 0xC0 ? 0xC0 : e.data1;
    for (const auto& [setting, word] : kWords) {
      if (setting == what) {
        EXPECT_EQ(Text(events[i - 1]).rfind(word, 0), 0u) << Text(events[i - 1]);
      }
    }
    pairs.push_back(what);
  }
  return pairs;
}

TEST(BackgroundTune, SetUpTrackAndChannelTracksFollowTheLayout) {
  std::vector<TrackSummary> tracks = ReadTracks(BackgroundTune());
  ASSERT_EQ(tracks.size(), 17u);
  const std::vector<int> sevenPairs = {0, 32, 0xC0, 7, 10, 91, 93};

  const auto& setUp = tracks[1].events;
  ASSERT_GE(setUp.size(), 3u);
  EXPECT_EQ(setUp[1].kind, SmfEventKind::SysEx);
  EXPECT_EQ(setUp[1].data.size(), 10u);
  EXPECT_EQ(setUp[1].data.back(), 0xF7);
  EXPECT_EQ(setUp[2].metaType, 0x01);
  EXPECT_EQ(SetUpPairs(setUp, 1), sevenPairs);
  EXPECT_EQ(setUp[setUp.size() - 2].metaType, 0x01);  // a closing text before the end

  for (int channel = 2; channel <= 16; ++channel) {
    const auto& events = tracks[channel].events;
    EXPECT_EQ(SetUpPairs(events, channel), sevenPairs) << channel;
    int notesOn = 0, notesOff = 0, expression = 0;
    for (const SmfEvent& e : events) {
      if (e.kind != SmfEventKind::Channel) continue;
      EXPECT_EQ(e.status & 0x0F, channel - 1) << channel;
      if ((e.status & 0xF0) == 0x90) (e.data2 ? notesOn : notesOff) += 1;
      EXPECT_NE(e.status & 0xF0, 0x80) << "notes end with a velocity-0 note-on";
      if ((e.status & 0xF0) == 0xB0 && e.data1 == 11) ++expression;
    }
    EXPECT_EQ(notesOn, notesOff) << channel;
    if (channel == 16) {
      EXPECT_EQ(notesOn, 0);
    } else {
      EXPECT_GT(notesOn, 20) << channel;
    }
    EXPECT_EQ(expression, channel == 6 ? 13 : 0) << channel;
  }
}

#ifdef TILVANE_TUNEGEN  // the generator is built with the tools
TEST(BackgroundTune, EmbeddedBytesEqualAFreshGeneration) {
  std::string path = std::string(TILVANE_BINARY_DIR) + "/background_tune_test.mid";
  std::string command = std::string("\"") + TILVANE_TUNEGEN + "\" \"" + path + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(path, std::ios::binary);
  Bytes fresh((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  ByteSpan embedded = BackgroundTune();
  EXPECT_EQ(fresh, Bytes(embedded.begin(), embedded.end()))
      << "src/core/music/background_tune.mid is out of date: run `ninja regenerate_tune`";
}
#endif

}  // namespace
}  // namespace tilvane
