// The Windows stream output under Wine, through the player as the editor
// runs it. RecordedWinmm runs against the recording winmm.dll beside this
// program (WINEDLLOVERRIDES=winmm=n,b): its log, named by TILVANE_WINMM_LOG,
// must show the buffers the virtual device records on Linux for the same
// tune (TILVANE_STREAM_BUFFERS, one buffer a line in hex, written by tunetool
// built for Linux), and the stops and closes the player asks for.
// SystemWinmm runs against Wine's own winmm, which has no MIDI device here.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/music/background_tune.h"
#include "core/music/player.h"
#include "core/music/winmm_output.h"
#include "wait_until.h"

namespace tilvane {
namespace {

using Clock = std::chrono::steady_clock;

using testing::WaitUntil;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<std::string> ReadLines(const std::string& path, std::streamoff from = 0) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  in.seekg(from);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::streamoff FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? static_cast<std::streamoff>(in.tellg()) : 0;
}

// The recording winmm.dll exports only the calls the output makes; the
// system's (Wine's builtin one, which reports itself under the path where a
// native one was found) has the whole API.
bool RecorderLoaded() {
  HMODULE winmm = GetModuleHandleW(L"winmm.dll");
  // The recorder exports only what the output calls; the system's winmm also
  // describes its devices.
  return winmm && !GetProcAddress(winmm, "midiOutGetDevCapsW");
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

// A queued buffer's line: its id and its bytes in hex.
struct QueuedLine {
  std::string id;
  std::string hex;
};

// "midiStreamOut id=I bytes=N HEX -> 0"
QueuedLine ParseQueued(const std::string& line) {
  QueuedLine queued;
  std::size_t id = line.find("id=") + 3;
  queued.id = line.substr(id, line.find(' ', id) - id);
  std::size_t hex = line.find(' ', line.find("bytes=")) + 1;
  queued.hex = line.substr(hex, line.rfind(" -> ") - hex);
  return queued;
}

class RecordedWinmm : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RecorderLoaded())
        << "the recording winmm.dll is not the one loaded: run with WINEDLLOVERRIDES=winmm=n,b";
    logPath_ = Environment("TILVANE_WINMM_LOG");
    ASSERT_FALSE(logPath_.empty()) << "TILVANE_WINMM_LOG names no log";
    golden_ = ReadLines(Environment("TILVANE_STREAM_BUFFERS"));
    ASSERT_GT(golden_.size(), 100u) << "TILVANE_STREAM_BUFFERS names no listing of the tune's buffers";
    // The log is shared by every test of this run: each reads its own part.
    start_ = FileSize(logPath_);
    allow_ = reinterpret_cast<AllowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"winmm.dll"), "RecorderAllowHandBacks")));
    ASSERT_NE(allow_, nullptr) << "the recording winmm.dll cannot be held";
  }

  // The device keeps playing for the next test.
  void TearDown() override { AllowHandBacks(-1); }

  // Lets the device hand back `buffers` more buffers by playing them and then
  // hold the next one until called again; -1 lifts the limit.
  void AllowHandBacks(LONG buffers) const {
    if (allow_) allow_(buffers);
  }

  std::vector<std::string> Log() const { return ReadLines(logPath_, start_); }

  // Checks the calls up to the first buffer's queuing, and that every queued
  // buffer holds the events of the listing's buffer in the same place.
  // Returns the number of buffers queued.
  std::size_t ExpectOpenedAndQueuedInOrder(const std::vector<std::string>& log) {
    const std::vector<std::string> opening = {"midiStreamOpen device=-1 streams=1 callback=function -> 0", "MOM_OPEN",
                                              "midiStreamProperty set timediv=480 -> 0",
                                              "midiOutPrepareHeader id=0 length=1024 -> 0",
                                              "midiOutPrepareHeader id=1 length=1024 -> 0"};
    EXPECT_TRUE(log.size() > opening.size() && std::equal(opening.begin(), opening.end(), log.begin()))
        << (log.empty() ? "empty log" : log.front());
    std::size_t queued = 0;
    bool started = false;
    // For each id, whether it is out with the device.
    bool out[2] = {false, false};
    for (std::size_t i = 0; i < log.size(); ++i) {
      const std::string& line = log[i];
      if (StartsWith(line, "midiStreamRestart")) started = true;
      if (StartsWith(line, "MOM_DONE id=")) {
        int id = line.back() - '0';
        EXPECT_TRUE(out[id]) << "line " << i << ": " << line << " for a buffer not queued";
        out[id] = false;
      }
      if (!StartsWith(line, "midiStreamOut ")) continue;
      QueuedLine buffer = ParseQueued(line);
      const std::string expectedId = queued % 2 == 0 ? "0" : "1";
      EXPECT_EQ(buffer.id, expectedId) << "buffer " << queued;
      EXPECT_TRUE(line.ends_with(" -> 0")) << line;
      int id = buffer.id == "1";
      // A buffer goes out again only once it has come back; the first two
      // go out before the stream starts.
      EXPECT_FALSE(out[id]) << "buffer " << queued << " queued while still out";
      EXPECT_EQ(started, queued >= 2) << "buffer " << queued;
      out[id] = true;
      if (queued < golden_.size()) {
        EXPECT_EQ(buffer.hex, golden_[queued]) << "buffer " << queued << " differs from the virtual device's";
      } else {
        ADD_FAILURE() << "buffer " << queued << " is one more than the virtual device was given";
      }
      ++queued;
    }
    return queued;
  }

  using AllowFunction = void(WINAPI*)(LONG);
  AllowFunction allow_ = nullptr;
  std::string logPath_;
  std::vector<std::string> golden_;
  std::streamoff start_ = 0;
};

TEST_F(RecordedWinmm, OnePassQueuesTheVirtualDevicesBuffersAndClosesWhenItEnds) {
  MidiPlayer player([] { return std::make_unique<WinmmOutput>(); });
  player.PlayMidi(1, 0, {BackgroundTune()});
  ASSERT_TRUE(WaitUntil(std::chrono::seconds(300), [&] { return player.State() == PlayerState::Idle; }))
      << "the pass did not end";
  std::vector<std::string> log = Log();
  std::size_t queued = ExpectOpenedAndQueuedInOrder(log);
  EXPECT_EQ(queued, golden_.size());
  std::vector<std::string> calls;
  for (const std::string& line : log) {
    if (!StartsWith(line, "midiStreamOut ") && !StartsWith(line, "MOM_DONE")) calls.push_back(line);
  }
  // The pass ends with both buffers back: nothing to stop or reset.
  const std::vector<std::string> expected = {"midiStreamOpen device=-1 streams=1 callback=function -> 0",
                                             "MOM_OPEN",
                                             "midiStreamProperty set timediv=480 -> 0",
                                             "midiOutPrepareHeader id=0 length=1024 -> 0",
                                             "midiOutPrepareHeader id=1 length=1024 -> 0",
                                             "midiStreamRestart -> 0",
                                             "midiOutUnprepareHeader id=0 -> 0",
                                             "midiOutUnprepareHeader id=1 -> 0",
                                             "midiStreamClose -> 0",
                                             "MOM_CLOSE"};
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return StartsWith(l, "MOM_DONE"); }),
            static_cast<std::ptrdiff_t>(queued));
}

TEST_F(RecordedWinmm, AStopMidPassStopsResetsTakesEveryBufferBackAndCloses) {
  // The device plays 38 buffers and then holds the 39th, so the stop comes
  // with 40 queued and two out however slowly this test is scheduled.
  AllowHandBacks(38);
  MidiPlayer player([] { return std::make_unique<WinmmOutput>(); });
  player.PlayMidi(-1, 0, {BackgroundTune()});
  auto queuedSoFar = [&] {
    std::vector<std::string> log = Log();
    return std::count_if(log.begin(), log.end(), [](const std::string& l) { return StartsWith(l, "midiStreamOut "); });
  };
  ASSERT_TRUE(WaitUntil(std::chrono::seconds(60), [&] { return queuedSoFar() >= 40; }));
  player.StopMusic();
  EXPECT_EQ(player.State(), PlayerState::Idle);

  std::vector<std::string> log = Log();
  std::size_t queued = ExpectOpenedAndQueuedInOrder(log);
  EXPECT_EQ(queued, 40u);
  auto stop = std::find(log.begin(), log.end(), "midiStreamStop -> 0");
  ASSERT_NE(stop, log.end());
  // After the stop: the reset hands back what was out, then the headers are
  // unprepared and the stream closed, and nothing more happens.
  std::vector<std::string> tail(stop, log.end());
  ASSERT_GE(tail.size(), 2u);
  EXPECT_EQ(tail[1], "midiOutReset -> 0");
  std::size_t after = 2;
  while (after < tail.size() && StartsWith(tail[after], "MOM_DONE")) ++after;
  const std::vector<std::string> closing(tail.begin() + after, tail.end());
  const std::vector<std::string> expectedClosing = {
      "midiOutUnprepareHeader id=0 -> 0", "midiOutUnprepareHeader id=1 -> 0", "midiStreamClose -> 0", "MOM_CLOSE"};
  EXPECT_EQ(closing, expectedClosing);
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return StartsWith(l, "MOM_DONE"); }),
            static_cast<std::ptrdiff_t>(queued));
  EXPECT_EQ(std::count_if(stop, log.end(), [](const std::string& l) { return StartsWith(l, "midiStreamOut "); }), 0);
}

// A device whose reset keeps a buffer refuses to unprepare it and to close:
// the output must then leave the buffer and the handle to it, and open again
// only once the device has let go.
TEST_F(RecordedWinmm, ABufferTheDeviceKeepsAfterAResetStaysItsOwn) {
  struct Listener : StreamOutputListener {
    std::atomic<int> closed{0};
    void OnBufferDone(int) override {}
    void OnClosed() override { ++closed; }
  } listener;
  StreamBuffer buffer;
  ASSERT_TRUE(buffer.Append(StreamEvent{}));
  WinmmOutput output;
  ASSERT_TRUE(output.Open(480, &listener));
  ASSERT_TRUE(output.Queue(0, buffer));
  ASSERT_TRUE(::SetEnvironmentVariableW(L"TILVANE_WINMM_RESET_HOLDS", L"1"));
  output.Close();
  EXPECT_FALSE(output.IsOpen());
  EXPECT_EQ(listener.closed, 1);
  EXPECT_FALSE(output.Open(480, &listener)) << "opened over buffers the device still holds";
  std::vector<std::string> held = Log();
  EXPECT_NE(std::find(held.begin(), held.end(), "midiOutUnprepareHeader id=0 -> 65"), held.end());
  EXPECT_EQ(
      std::count_if(held.begin(), held.end(), [](const std::string& l) { return StartsWith(l, "midiStreamClose"); }),
      0);

  ASSERT_TRUE(::SetEnvironmentVariableW(L"TILVANE_WINMM_RESET_HOLDS", nullptr));
  ASSERT_TRUE(output.Open(480, &listener));
  output.Close();
  std::vector<std::string> log = Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "midiStreamClose -> 0"), 2);
  EXPECT_EQ(listener.closed, 2);
}

// Wraps the real output to see what the player does with it.
struct OpenAttempts {
  std::mutex mutex;
  std::vector<Clock::time_point> times;
  int opened = 0;
};

class WatchedOutput : public WinmmOutput {
 public:
  explicit WatchedOutput(std::shared_ptr<OpenAttempts> attempts) : attempts_(std::move(attempts)) {}
  bool Open(std::uint16_t division, StreamOutputListener* listener) override {
    bool opened = WinmmOutput::Open(division, listener);
    std::lock_guard lock(attempts_->mutex);
    attempts_->times.push_back(Clock::now());
    attempts_->opened += opened;
    return opened;
  }

 private:
  std::shared_ptr<OpenAttempts> attempts_;
};

class NoListener : public StreamOutputListener {
 public:
  void OnBufferDone(int) override { ADD_FAILURE() << "a buffer came back from an output that did not open"; }
  void OnClosed() override { ADD_FAILURE() << "an output that did not open reported closing"; }
};

TEST(SystemWinmm, WithoutADeviceTheOutputFailsToOpenAndThePlayerBacksOffSilently) {
  ASSERT_FALSE(RecorderLoaded()) << "this test needs Wine's own winmm.dll (WINEDLLOVERRIDES=winmm=b)";
  NoListener listener;
  {
    WinmmOutput output;
    EXPECT_FALSE(output.Open(480, &listener));
    EXPECT_FALSE(output.IsOpen());
    StreamBuffer buffer;
    EXPECT_FALSE(output.Queue(0, buffer));
    EXPECT_FALSE(output.Start());
    output.Stop();
    output.Reset();
    output.Close();
  }

  auto attempts = std::make_shared<OpenAttempts>();
  MidiPlayer player([attempts] { return std::make_unique<WatchedOutput>(attempts); });
  player.PlayMidi(-1, 0, {BackgroundTune()});
  ASSERT_TRUE(WaitUntil(std::chrono::seconds(60), [&] {
    std::lock_guard lock(attempts->mutex);
    return attempts->times.size() >= 3;
  }));
  EXPECT_EQ(player.State(), PlayerState::Playing);
  const Clock::time_point stopAsked = Clock::now();
  player.StopMusic();
  EXPECT_LT(Clock::now() - stopAsked, std::chrono::seconds(5));
  EXPECT_EQ(player.State(), PlayerState::Idle);
  std::lock_guard lock(attempts->mutex);
  EXPECT_EQ(attempts->opened, 0);
  // One second after the first failed pass, two after the second.
  EXPECT_GE(attempts->times[1] - attempts->times[0], std::chrono::milliseconds(950));
  EXPECT_GE(attempts->times[2] - attempts->times[1], std::chrono::milliseconds(1950));
}

}  // namespace
}  // namespace tilvane
