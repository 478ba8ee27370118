// The editor's background tune: started with the main window, stopped for
// good by 关闭音乐(&M), and stopped when the program ends.
#include <QAction>
#include <QElapsedTimer>
#include <QTest>

#include "core/music/player.h"
#include "core/music/virtual_output.h"
#include "core/music_fixtures.h"
#include "editor/main_window.h"
#include "editor/support/harness.h"
#include "front/qt/window.h"

using namespace tilvane;
using tilvane::testing::Harness;

namespace {

// Advances the device until it has played something, for at most 30 s of wall
// time (the player thread opens the output on its own schedule, which a busy
// machine may put off).
bool PlaysSomething(VirtualMidiDevice& device) {
  QElapsedTimer waited;
  waited.start();
  while (device.Played().empty() && waited.elapsed() < 30000) {
    device.Advance(20);
    QTest::qWait(5);
  }
  return !device.Played().empty();
}

}  // namespace

class MusicTest : public QObject {
  Q_OBJECT

 private slots:
  void tuneStartsWithTheWindowAndStopsForGood() {
    VirtualMidiDevice device;
    MidiPlayer player([&device] { return device.MakeOutput(); });
    Harness h(&player);
    QCOMPARE(player.State(), PlayerState::Playing);
    QVERIFY(PlaysSomething(device));
    // The tune's first event is its opening tempo, 361,445 microseconds a quarter.
    QCOMPARE(device.Played().front().event, 0x01000000u + 361445u);
    h.Main().关闭音乐->trigger();
    QCOMPARE(device.Counts().closes, 1);
    std::size_t played = device.Played().size();
    device.Advance(5000);
    QCOMPARE(device.Played().size(), played);
    h.Main().关闭音乐->trigger();  // a second time: nothing happens
    QCOMPARE(device.Counts().closes, 1);
    QCOMPARE(device.Counts().stops, 1);
  }

  // The synthesizer loads after the first frame, not while it is drawn.
  void tuneLoadsOnlyOnceTheWindowHasDrawnItsFirstFrame() {
    VirtualMidiDevice device;
    MidiPlayer player([&device] { return device.MakeOutput(); });
    Harness h(&player, true);
    qt::TopLevelWidget* window = h.Main().window;
    window->show();
    QCOMPARE(player.State(), PlayerState::Playing);
    // The event loop has not run yet, so the frame is not on screen: the
    // player waits for it without running the loop.
    QVERIFY(testing::WaitUntil([&] { return player.Waiting() == PlayerWait::Release; }));
    QCOMPARE(device.Counts().openAttempts, 0);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(PlaysSomething(device));
    QVERIFY(window->firstFrameDrawn());
    QCOMPARE(device.Counts().opens, 1);
    QVERIFY(h.Export().window != nullptr);  // made after the same frame
  }

  void endingTheProgramStopsTheTune() {
    VirtualMidiDevice device;
    MidiPlayer player([&device] { return device.MakeOutput(); });
    Harness h(&player);
    QVERIFY(PlaysSomething(device));
    const std::size_t played = device.Played().size();
    EndProgram(h.editor(), 0);
    QCOMPARE(device.Counts().closes, 1);
    device.Advance(5000);
    QCOMPARE(device.Played().size(), played);
    QCOMPARE(h.exitCode, 0);
  }

  void editorWorksWithoutAnyOutputDevice() {
    VirtualMidiDevice device;
    device.SetFailOpen(true);
    MidiPlayer player([&device] { return device.MakeOutput(); });
    Harness h(&player);
    QTRY_VERIFY_WITH_TIMEOUT(player.Waiting() == PlayerWait::Retry, 30000);
    QCOMPARE(device.Counts().openAttempts, 1);  // tried once, then backed off
    QVERIFY(device.Played().empty());
    QVERIFY(h.prompts.shownBoxes.empty());
    QElapsedTimer timer;
    timer.start();
    h.Main().关闭音乐->trigger();
    QVERIFY(timer.elapsed() < 5000);  // the back-off is cut short
    QCOMPARE(player.State(), PlayerState::Idle);
  }
};

QTEST_MAIN(MusicTest)
#include "music_test.moc"
