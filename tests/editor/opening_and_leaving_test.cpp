// How the editor meets a desktop: the folder its file dialogs start in, a file
// handed over on the command line, and the end of the desktop session.
#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <csignal>

#include "core/files.h"
#include "core/imagegroup/collection.h"
#include "editor/dialog_folder.h"
#include "editor/document_commands.h"
#include "editor/export_dialog.h"
#include "editor/intake_commands.h"
#include "editor/main_window.h"
#include "editor/support/harness.h"
#include "front/qt/icon_list.h"
#include "front/qt/termination_signals.h"
#include "front/qt/widgets.h"

using namespace tilvane;
using namespace tilvane::testing;

namespace {

const Text kOpenTitle = "请选择要打开的Quill图片组文件:";
const Text kSaveTitle = "请选择保存路径:";
const Text kAddTitle = "请选择文件路径:";
const Text kLeaveQuestion = "当前图片组数据已更改,是否保存更改图片组数据?";

// HOME pointed at a folder of the harness for as long as it lives.
class HomeAt {
 public:
  explicit HomeAt(const Text& path) : old_(qgetenv("HOME")) {
    QDir().mkpath(QStringOf(path));
    qputenv("HOME", QByteArray::fromStdString(path));
  }
  ~HomeAt() { qputenv("HOME", old_); }

 private:
  QByteArray old_;
};

// Whether a dialog control has a folder of its own to start in: the start
// folder goes to the prompts beside the control, never into it.
template <typename Dialog>
constexpr bool kDialogKeepsAFolder = requires(Dialog dialog) {
  dialog.initialDirectory;
};

Text StartFolderShown(const Harness& h) { return h.prompts.shownDialogs.back().startFolder; }

}  // namespace

class OpeningAndLeavingTest : public QObject {
  Q_OBJECT

 private slots:
  void dialogsStartAtHomeThenWhereTheUserWasLast() {
    Harness h;
    HomeAt home(h.PathOf("home"));
    const QString workingDirectory = QDir::currentPath();
    h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, std::nullopt);
    OnOpenButton(h.editor());
    QCOMPARE(StartFolderShown(h), h.PathOf("home"));
    QVERIFY(StartFolderShown(h) != TextOf(QCoreApplication::applicationDirPath()));

    // Opening a group from another folder: the next dialog, of any command, starts there.
    QDir().mkpath(QStringOf(h.PathOf("groups")));
    Text group = h.PathOf("groups/g.qil");
    WriteFile(group, MakeGroup(2));
    h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, group);
    OnOpenButton(h.editor());
    QCOMPARE(StartFolderShown(h), h.PathOf("home"));
    h.prompts.ExpectDialog(FileDialogKind::Open, kAddTitle, std::nullopt);
    OnAddImagesButton(h.editor());
    QCOMPARE(StartFolderShown(h), h.PathOf("groups"));

    // A cancelled dialog changes nothing; a confirmed one moves the start along.
    QDir().mkpath(QStringOf(h.PathOf("pictures")));
    h.Select(0);
    OnExportCommand(h.editor());
    h.prompts.ExpectDialog(FileDialogKind::Save, "请选择要保存的文件名：", h.PathOf("pictures/p.bmp"));
    h.prompts.ExpectBox("导出图片文件操作已完成", BoxButtons::Ok, BoxIcon::Information, "提示:");
    OnExportConfirm(h.editor());
    QCOMPARE(StartFolderShown(h), h.PathOf("groups"));
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, std::nullopt);
    OnSaveAsMenu(h.editor());
    QCOMPARE(StartFolderShown(h), h.PathOf("pictures"));
    // The control keeps no folder of its own, and the working directory stays.
    static_assert(!kDialogKeepsAFolder<CommonDialog>);
    QCOMPARE(QDir::currentPath(), workingDirectory);
    VERIFY_PROMPTS(h);
  }

  void aFolderThatHasGoneGivesWayToTheDocumentsThenHome() {
    Harness h;
    HomeAt home(h.PathOf("home"));
    QDir().mkpath(QStringOf(h.PathOf("docs")));
    QDir().mkpath(QStringOf(h.PathOf("last")));
    h.editor().document.currentPath = h.PathOf("docs/g.qil");
    QCOMPARE(DialogStartFolder(h.editor()), h.PathOf("docs"));
    h.editor().lastDialogFolder = h.PathOf("last");
    QCOMPARE(DialogStartFolder(h.editor()), h.PathOf("last"));
    QVERIFY(QDir(QStringOf(h.PathOf("last"))).removeRecursively());
    QCOMPARE(DialogStartFolder(h.editor()), h.PathOf("docs"));
    QVERIFY(QDir(QStringOf(h.PathOf("docs"))).removeRecursively());
    QCOMPARE(DialogStartFolder(h.editor()), h.PathOf("home"));
  }

  void aFileFromTheCommandLineOpensAsTheOpenButtonOpensIt() {
    Harness h;
    Text path = h.PathOf("两张.qil");
    WriteFile(path, MakeGroup(2));
    OpenDocumentFile(h.editor(), path);
    QCOMPARE(h.Caption(), TitleSaved(path));
    QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "1"}));
    QCOMPARE(h.editor().document.currentPath, path);
    QCOMPARE(h.Main().图标列表框->backgroundColour(), 0x00F0F0FFu);
    // The next dialog starts beside it.
    QCOMPARE(DialogStartFolder(h.editor()), h.Folder());
    VERIFY_PROMPTS(h);
  }

  void aFileThatDoesNotDecodeOpensEmptyAndTheTickMakesTheWindowIdle() {
    Harness h;
    Text path = h.PathOf("broken.qil");
    WriteFile(path, Bytes{'M', 'I', 'T', 'L', 1, 2, 3});
    OpenDocumentFile(h.editor(), path);
    QCOMPARE(h.Caption(), TitleSaved(path));
    QCOMPARE(h.ItemCount(), 0);
    h.Tick();
    QCOMPARE(h.Caption(), TitleIdle());
    VERIFY_PROMPTS(h);
  }

  void aMissingFileOrAFolderIsRefusedWithABox() {
    Harness h;
    for (const Text& path : {h.PathOf("missing.qil"), h.Folder()}) {
      h.prompts.ExpectBox("无法打开文件,它不存在或不可读:\n\r" + path, BoxButtons::Ok, BoxIcon::Warning, "错误");
      OpenDocumentFile(h.editor(), path);
      QCOMPARE(h.Caption(), TitleIdle());
      QVERIFY(h.editor().document.currentPath.empty());
    }
    VERIFY_PROMPTS(h);
  }

  void signalsEndTheProgramFromTheEventLoopAsTheWindowsEndDoes() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    QVERIFY(PathExists(TempImageGroupPath()));
    std::vector<int> seen;
    {
      qt::TerminationSignals signalsSeen([&](int signal) {
        seen.push_back(signal);
        OnMainDestroyed(h.editor());
      });
      QVERIFY(signalsSeen.installed());
      for (int signal : {SIGHUP, SIGINT, SIGTERM}) QCOMPARE(std::raise(signal), 0);
      // The handler only wrote bytes; nothing has run yet.
      QVERIFY(seen.empty());
      QVERIFY(PathExists(TempImageGroupPath()));
      QTRY_COMPARE(seen.size(), std::size_t{3});
    }
    QCOMPARE(seen, (std::vector<int>{SIGHUP, SIGINT, SIGTERM}));
    QVERIFY(!PathExists(TempImageGroupPath()));
    QCOMPARE(h.exitCode, 0);
  }

  void theSessionsEndAsksTheQuestionOfExit() {
    {
      // Nothing unsaved: no question, the session may end.
      Harness h;
      QVERIFY(OnSessionEnding(h.editor()));
      VERIFY_PROMPTS(h);
    }
    {
      Harness h;
      h.StartEditedGroup(MakeGroup(2));
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Cancel);
      QVERIFY(!OnSessionEnding(h.editor()));
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::No);
      QVERIFY(OnSessionEnding(h.editor()));
      // Yes saves; a cancelled save dialog keeps the session going.
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Yes);
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, std::nullopt);
      QVERIFY(!OnSessionEnding(h.editor()));
      Text path = h.PathOf("saved.qil");
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Yes);
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, path);
      QVERIFY(OnSessionEnding(h.editor()));
      QCOMPARE(ImageGroupCount(ReadFileBytes(path)), 2);
      // The program itself is left to the session manager to end.
      QCOMPARE(h.exitCode, -1);
      VERIFY_PROMPTS(h);
    }
    {
      // A failed save keeps the session going too.
      Harness h;
      h.StartEditedGroup(MakeGroup(1));
      Text path = h.PathOf("no/such/folder.qil");
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Yes);
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, path);
      h.prompts.ExpectBox("无法写入文件:\n\r" + path + "\n\r原因: 文件夹不存在", BoxButtons::Ok, BoxIcon::Warning,
                          "错误");
      QVERIFY(!OnSessionEnding(h.editor()));
      VERIFY_PROMPTS(h);
    }
  }
};

QTEST_MAIN(OpeningAndLeavingTest)
#include "opening_and_leaving_test.moc"
