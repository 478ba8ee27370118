// tunetool as a user runs it: its output lines and exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "core/files.h"
#include "core/music/stream_output.h"
#include "music_fixtures.h"

namespace tilvane {
namespace {

#ifdef TILVANE_TUNETOOL

struct ToolRun {
  int exitCode;
  std::string out;
};

ToolRun RunTunetool(const std::string& arguments) {
  std::string command = std::string("\"") + TILVANE_TUNETOOL + "\" " + arguments + " 2>&1";
  ToolRun run{-1, {}};
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, got);
  int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string TempFile(const std::string& name) { return std::string(TILVANE_BINARY_DIR) + "/tunetool_test_" + name; }

TEST(Tunetool, EventsListsTheBackgroundTuneInPlayingOrder) {
  ToolRun run = RunTunetool(std::string("events \"") + TILVANE_SOURCE_DIR + "/src/core/music/background_tune.mid\"");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_GT(lines.size(), 1000u);
  EXPECT_EQ(lines[1], "0\t0\t0.0\ttempo 361445");
  EXPECT_EQ(lines.back().substr(0, 7), "230160\t");
  unsigned long long previous = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    unsigned long long tick = std::stoull(lines[i]);
    ASSERT_GE(tick, previous) << lines[i];
    previous = tick;
  }
}

// The Windows stream output is checked against these lines: each must hold
// the events of one queued buffer, together the whole pass in playing order.
TEST(Tunetool, BuffersHoldTheEventsListedInQueuingOrder) {
  const std::string tune = std::string("\"") + TILVANE_SOURCE_DIR + "/src/core/music/background_tune.mid\"";
  ToolRun events = RunTunetool("events " + tune);
  ToolRun buffers = RunTunetool("buffers " + tune);
  ASSERT_EQ(events.exitCode, 0) << events.out;
  ASSERT_EQ(buffers.exitCode, 0) << buffers.out;
  std::vector<std::string> eventLines = Lines(events.out);
  std::vector<std::string> bufferLines = Lines(buffers.out);
  ASSERT_GT(bufferLines.size(), 100u);
  std::size_t next = 1;  // past the heading
  for (const std::string& line : bufferLines) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.size() % 24, 0u) << line;
    ASSERT_LE(line.size() / 24, kMaxEventsPerBuffer);
    for (std::size_t at = 0; at < line.size(); at += 24) {
      auto word = [&](std::size_t offset) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | std::stoul(line.substr(at + offset + 2 * i, 2), nullptr, 16);
        return value;
      };
      ASSERT_LT(next, eventLines.size());
      std::istringstream fields(eventLines[next++]);
      std::string tick, delta;
      std::getline(fields, tick, '\t');
      std::getline(fields, delta, '\t');
      EXPECT_EQ(word(0), std::stoul(delta)) << "event " << next - 1;
      EXPECT_EQ(word(4), 0u);
    }
  }
  EXPECT_EQ(next, eventLines.size());
  EXPECT_EQ(bufferLines.front().substr(0, 24), "0000000000000000e5830501");  // tempo 361,445 at tick 0
}

TEST(Tunetool, EventsReportsABrokenFileAndFails) {
  std::string path = TempFile("broken.mid");
  const Bytes broken = {'M', 'T', 'h', 'd', 0, 0, 0, 7, 0, 0, 0, 1, 1, 0xE0, 0};
  ASSERT_TRUE(WriteFileBytes(path, broken));
  ToolRun run = RunTunetool("events \"" + path + "\"");
  RemoveFile(path);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("header length is not 6"), std::string::npos) << run.out;
  EXPECT_EQ(RunTunetool("").exitCode, 2);
}

TEST(Tunetool, RenderWritesAStereoWaveFileOfThePass) {
  std::string mid = TempFile("short.mid");
  std::string wav = TempFile("short.wav");
  ASSERT_TRUE(WriteFileBytes(mid, testing::QuarterNotes(2)));  // the last note ends at 0.75 s
  ToolRun run = RunTunetool("render \"" + mid + "\" \"" + wav + "\"");
  Bytes bytes = ReadFileBytes(wav);
  RemoveFile(mid);
  RemoveFile(wav);
  ASSERT_EQ(run.exitCode, 0) << run.out;
  ASSERT_GT(bytes.size(), 44u);
  auto le32 = [&](std::size_t at) {
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16 |
           std::uint32_t(bytes[at + 3]) << 24;
  };
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 12), "WAVE");
  EXPECT_EQ(bytes[22], 2);      // stereo
  EXPECT_EQ(le32(24), 44100u);  // sample rate
  EXPECT_EQ(le32(40), bytes.size() - 44);
  EXPECT_EQ(le32(4), bytes.size() - 8);
  // The pass ends with its last event, not its end-of-track; then the three-second tail.
  double seconds = (bytes.size() - 44) / 4.0 / 44100;
  EXPECT_NEAR(seconds, 0.75 + 3, 0.05);
  bool sound = false;
  for (std::size_t i = 44; i + 1 < bytes.size() && !sound; i += 2) {
    sound = std::abs(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8)) > 300;
  }
  EXPECT_TRUE(sound);
}

TEST(Tunetool, RenderReplacesItsOutputOnlyWhenFinishedAndLeavesNothingBeside) {
  namespace fs = std::filesystem;
  const fs::path folder = TempFile("render-folder");
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string mid = (folder / "tune.mid").string();
  const std::string silent = (folder / "silent.mid").string();
  const std::string wav = (folder / "out.wav").string();
  const Bytes keep = {'k', 'e', 'e', 'p'};
  ASSERT_TRUE(WriteFileBytes(wav, keep));
  ASSERT_TRUE(WriteFileBytes(silent, testing::RawSmf(1, 96, testing::TrackChunk({0x00, 0xFF, 0x2F, 0x00}))));
  ASSERT_TRUE(WriteFileBytes(mid, testing::QuarterNotes(1)));
  auto names = [&] {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
  };

  // Nothing to play: the render fails, and the file that was there stays.
  ToolRun failed = RunTunetool("render \"" + silent + "\" \"" + wav + "\"");
  EXPECT_EQ(failed.exitCode, 1) << failed.out;
  EXPECT_EQ(ReadFileBytes(wav), keep);
  EXPECT_EQ(names(), (std::vector<std::string>{"out.wav", "silent.mid", "tune.mid"}));

  ToolRun rendered = RunTunetool("render \"" + mid + "\" \"" + wav + "\"");
  EXPECT_EQ(rendered.exitCode, 0) << rendered.out;
  const Bytes written = ReadFileBytes(wav);
  ASSERT_GT(written.size(), 44u);
  EXPECT_EQ(std::string(written.begin(), written.begin() + 4), "RIFF");
  EXPECT_EQ(names(), (std::vector<std::string>{"out.wav", "silent.mid", "tune.mid"}));
  fs::remove_all(folder);
}

#endif

}  // namespace
}  // namespace tilvane
