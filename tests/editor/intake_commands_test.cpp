// Taking icons in through the Add command and by dropping files on the list,
// with executables and icon files built by the real toolchain.
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup/collection.h"
#include "core/intake_test_support.h"
#include "editor/document_commands.h"
#include "editor/intake_commands.h"
#include "editor/refresh.h"
#include "editor/support/harness.h"
#include "front/qt/drop_target.h"
#include "front/qt/icon_list.h"
#include "front/qt/window.h"
#include "support/large_group.h"

using namespace tilvane;
using namespace tilvane::testing;

namespace {

const Text kAddTitle = "请选择文件路径:";
const Text kNewGroupQuestion = "当前未打开图片组,是否新建一组图标组?";
const Text kMergeOneLine = "该文件是一个Quill图片组的封装文件，是否将其与现在的文件合并?";
const Text kMergeTwoLines = kMergeOneLine + "\n\r由于合并操作比较复杂，本人时间有限，因此，合并功能尚未实现。";
const Text kNotAResourceFile = "您提供的文件不是标准的资源文件或图标文件!";
const Text kModifiedNoPath = "Tilvane    临时数据(未保存)";

Text Exe() { return IntakeFixture("icons32.exe"); }

Text WriteLink(Harness& h, const Text& name, const tilvane::testing::LinkSpec& spec) {
  Text path = h.PathOf(name);
  WriteFile(path, tilvane::testing::WriteShellLink(spec));
  return path;
}

Text LinkTo(Harness& h, const Text& name, const Text& target) {
  tilvane::testing::LinkSpec spec;
  spec.localBase = target;
  return WriteLink(h, name, spec);
}

// Drags `paths` over the list's viewport and drops them, as Qt delivers a drag
// from another program: enter, move, then drop, each with the keys held.
// Returns the action reported back to the source.
Qt::DropAction Drop(Harness& h, const std::vector<Text>& paths, Qt::KeyboardModifiers keys = Qt::NoModifier,
                    Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) {
  QWidget* viewport = h.Main().图标列表框->viewport();
  QMimeData data;
  QList<QUrl> urls;
  for (const Text& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
  data.setUrls(urls);
  QPoint at(40, 40);
  QDragEnterEvent enter(at, allowed, &data, Qt::LeftButton, keys);
  QCoreApplication::sendEvent(viewport, &enter);
  if (!enter.isAccepted()) return Qt::IgnoreAction;
  QDragMoveEvent move(at, allowed, &data, Qt::LeftButton, keys);
  QCoreApplication::sendEvent(viewport, &move);
  if (move.isAccepted() && move.dropAction() == Qt::MoveAction) return Qt::MoveAction;  // never promised
  QDropEvent drop(QPointF(at), allowed, &data, Qt::LeftButton, keys);
  QCoreApplication::sendEvent(viewport, &drop);
  return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

std::uint32_t PixelOf(const Bytes& group, int image, int x, int y, bool* transparent) {
  auto list = DecodeImageGroup(group);
  const Image img = list->ImageAt(static_cast<std::size_t>(image));
  std::size_t i = static_cast<std::size_t>(y) * list->tileWidth + static_cast<std::size_t>(x);
  *transparent = img.mask.at(i) != 0;
  return PixelRgb(*list, img.pixels.at(i));
}

}  // namespace

class IntakeCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void fixturesArePresent() { QVERIFY2(PathExists(Exe()), "intake fixtures are built with the tests"); }

  // --- The Add command ----------------------------------------------------
  void firstIconAfterStartUpMakesANewGroup() {
    for (auto handler : {OnAddImagesCommand, OnAddImagesButton}) {
      Harness h;
      h.prompts.ExpectDialog(FileDialogKind::Open, kAddTitle, Exe());
      h.prompts.ExpectBox(kNewGroupQuestion, BoxButtons::YesNoCancel, BoxIcon::None, "提示", BoxAnswer::Yes);
      handler(h.editor());
      const CommonDialog& shown = h.prompts.shownDialogs.back();
      QCOMPARE(shown.filter, Text("资源图标文件(*.exe)(*.dll)(*.ico)(*.mui)(*.lnk)(*.qil)|"
                                  "*.exe;*.dll;*.ico;*.mui;*.lnk;*.qil|所有文件|*.*"));
      QCOMPARE(shown.initialFilterIndex, 0);
      QCOMPARE(h.ItemCaptions(), std::vector<Text>{"0"});
      QCOMPARE(h.Caption(), kModifiedNoPath);
      QVERIFY(h.Main().按钮4->isEnabled());
      QCOMPARE(h.Main().图标列表框->backgroundColour(), 0x00F0F0FFu);
      auto list = DecodeImageGroup(h.editor().document.imageGroupBytes);
      QVERIFY(list);
      QCOMPARE(list->ImageCount(), std::size_t{1});
      QCOMPARE(int(list->tileWidth), 32);
      QCOMPARE(int(list->bitsPerPixel), 32);
      QVERIFY(list->HasMask());
      VERIFY_PROMPTS(h);
    }
  }

  void declinedNewGroupAddsNothing() {
    for (BoxAnswer answer : {BoxAnswer::No, BoxAnswer::Cancel}) {
      Harness h;
      h.prompts.ExpectDialog(FileDialogKind::Open, kAddTitle, Exe());
      h.prompts.ExpectBox(kNewGroupQuestion, BoxButtons::YesNoCancel, BoxIcon::None, "提示", answer);
      OnAddImagesCommand(h.editor());
      QCOMPARE(h.ItemCount(), 0);
      QCOMPARE(h.Caption(), Text("Tilvane"));
      VERIFY_PROMPTS(h);
    }
  }

  void declinedNewGroupStillOpensAPickedGroupFile() {
    Harness h;
    Text path = h.PathOf("g.qil");
    WriteFile(path, MakeGroup(3));
    h.prompts.ExpectDialog(FileDialogKind::Open, kAddTitle, path);
    h.prompts.ExpectBox(kNewGroupQuestion, BoxButtons::YesNoCancel, BoxIcon::None, "提示", BoxAnswer::No);
    OnAddImagesCommand(h.editor());
    QCOMPARE(h.ItemCount(), 3);
    QCOMPARE(h.Caption(), "Tilvane  " + path);
    QCOMPARE(h.editor().document.currentPath, path);
    VERIFY_PROMPTS(h);
  }

  void sameExecutableTwiceAppendsTwice() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    for (int i = 0; i < 2; ++i) {
      h.prompts.ExpectDialog(FileDialogKind::Open, kAddTitle, Exe());
      OnAddImagesCommand(h.editor());
    }
    QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "1", "2"}));
    auto list = DecodeImageGroup(h.editor().document.imageGroupBytes);
    QVERIFY(list->ImageAt(1) == list->ImageAt(2));
    VERIFY_PROMPTS(h);
  }

  void fileWithoutIconsStillMarksTheDocument() {
    Harness h;
    Text path = h.PathOf("a.qil");
    WriteFile(path, MakeGroup(2));
    h.prompts.ExpectDialog(FileDialogKind::Open, kAddTitle, path);
    h.prompts.ExpectBox(kNewGroupQuestion, BoxButtons::YesNoCancel, BoxIcon::None, "提示", BoxAnswer::Yes);
    h.prompts.ExpectBox(kMergeOneLine, BoxButtons::YesNo, BoxIcon::Question, "提示:", BoxAnswer::No);
    OnAddImagesButton(h.editor());
    // The button changes nothing after its question: the new empty group stays.
    QCOMPARE(h.ItemCount(), 0);
    QCOMPARE(h.Caption(), kModifiedNoPath);
    VERIFY_PROMPTS(h);
  }

  void addMenuAsksToMergeAGroupFileAndOnlyNoOpensIt() {
    for (BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::Cancel, BoxAnswer::No}) {
      Harness h;
      h.StartEditedGroup(MakeGroup(2));
      Text path = h.PathOf("other.qil");
      WriteFile(path, MakeGroup(4));
      h.prompts.ExpectDialog(FileDialogKind::Open, kAddTitle, path);
      h.prompts.ExpectBox(kMergeOneLine, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", answer);
      OnAddImagesCommand(h.editor());
      if (answer == BoxAnswer::No) {
        QCOMPARE(h.ItemCount(), 4);
        QCOMPARE(h.Caption(), "Tilvane  " + path);
        QVERIFY(h.Main().按钮4->isEnabled());
      } else {
        QCOMPARE(h.ItemCount(), 2);
        QCOMPARE(h.Caption(), kModifiedNoPath);
      }
      VERIFY_PROMPTS(h);
    }
  }

  void upperCaseGroupExtensionIsNotAGroupFile() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    Text path = h.PathOf("A.QIL");
    WriteFile(path, MakeGroup(3));
    h.prompts.ExpectDialog(FileDialogKind::Open, kAddTitle, path);
    OnAddImagesCommand(h.editor());
    QCOMPARE(h.ItemCount(), 1);
    VERIFY_PROMPTS(h);
  }

  void pickedShortcutStandsForItsTarget() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    Text link = LinkTo(h, "app.lnk", Exe());
    h.prompts.ExpectDialog(FileDialogKind::Open, kAddTitle, link);
    OnAddImagesCommand(h.editor());
    QCOMPARE(h.ItemCount(), 2);
    VERIFY_PROMPTS(h);
  }

  // --- Dropping ---------------------------------------------------------------
  void droppedExecutableAppendsItsFirstIcon() {
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    QCOMPARE(Drop(h, {Exe()}), Qt::IgnoreAction);  // the source is told nothing was done
    QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "1", "2"}));
    QCOMPARE(h.Caption(), kModifiedNoPath);
    VERIFY_PROMPTS(h);
  }

  // A group that one more icon would make too large to open again: the add
  // ends as running out of memory does, the document as it was.
  void addThatWouldOutgrowReadingIsRefusedWithTheMemoryBox() {
    Harness h;
    // One image in 65,535 one-bit slots of 64 x 64: 64 MiB, 1 GiB at 32 bits.
    const Bytes large = tilvane::testing::LargeOneBitGroup(1, 64, true, 65535);
    h.StartEditedGroup(large);
    h.prompts.ExpectBox("内存不足,无法完成该操作!", BoxButtons::Ok, BoxIcon::Warning, "错误");
    Drop(h, {Exe()});
    QVERIFY(h.editor().document.imageGroupBytes == large);
    QCOMPARE(h.ItemCount(), 1);
    VERIFY_PROMPTS(h);
  }

  void droppedExecutableWithNoGroupAsksFirst() {
    Harness h;
    h.prompts.ExpectBox(kNewGroupQuestion, BoxButtons::YesNoCancel, BoxIcon::None, "提示", BoxAnswer::Yes);
    Drop(h, {Exe()});
    QCOMPARE(h.ItemCount(), 1);
    for (BoxAnswer answer : {BoxAnswer::No, BoxAnswer::Cancel}) {
      Harness other;
      other.prompts.ExpectBox(kNewGroupQuestion, BoxButtons::YesNoCancel, BoxIcon::None, "提示", answer);
      Drop(other, {Exe()});
      QCOMPARE(other.ItemCount(), 0);
      QCOMPARE(other.Caption(), Text("Tilvane"));
      VERIFY_PROMPTS(other);
    }
    VERIFY_PROMPTS(h);
  }

  void refusedDrops() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    Text upper = h.PathOf("A.EXE");
    WriteFile(upper, ReadFileBytes(Exe()));
    h.prompts.ExpectBox(kNotAResourceFile, BoxButtons::Ok, BoxIcon::Information, "提示");
    Drop(h, {upper});
    // Two files together arrive as one text ending in a line break.
    h.prompts.ExpectBox(kNotAResourceFile, BoxButtons::Ok, BoxIcon::Information, "提示");
    Drop(h, {IntakeFixture("multi.ico"), IntakeFixture("only16.ico")});
    QCOMPARE(h.ItemCount(), 1);
    VERIFY_PROMPTS(h);
  }

  void dropEffectFollowsTheKeys() {
    const auto all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QCOMPARE(qt::DropEffect(true, Qt::NoModifier, all), Qt::CopyAction);
    QCOMPARE(qt::DropEffect(true, Qt::NoModifier, Qt::MoveAction | Qt::LinkAction), Qt::MoveAction);
    QCOMPARE(qt::DropEffect(true, Qt::NoModifier, Qt::LinkAction), Qt::LinkAction);
    QCOMPARE(qt::DropEffect(true, Qt::ControlModifier, all), Qt::CopyAction);
    QCOMPARE(qt::DropEffect(true, Qt::ControlModifier, Qt::MoveAction), Qt::IgnoreAction);
    QCOMPARE(qt::DropEffect(true, Qt::ShiftModifier, all), Qt::MoveAction);
    QCOMPARE(qt::DropEffect(true, Qt::ShiftModifier, Qt::CopyAction), Qt::IgnoreAction);
    QCOMPARE(qt::DropEffect(true, Qt::ControlModifier | Qt::ShiftModifier, all), Qt::IgnoreAction);
    QCOMPARE(qt::DropEffect(false, Qt::NoModifier, all), Qt::IgnoreAction);
  }

  void ctrlShiftDropDoesNothingAndAMoveIsNeverPerformed() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    QCOMPARE(Drop(h, {Exe()}, Qt::ControlModifier | Qt::ShiftModifier), Qt::IgnoreAction);
    QCOMPARE(h.ItemCount(), 1);
    QVERIFY(h.prompts.shownBoxes.empty());
    QCOMPARE(Drop(h, {Exe()}, Qt::ShiftModifier), Qt::IgnoreAction);
    QCOMPARE(h.ItemCount(), 2);
    QVERIFY(PathExists(Exe()));
    VERIFY_PROMPTS(h);
  }

  void dropTargetRegistersOnlyOnce() {
    Harness h;
    qt::DropFilter* target = h.Main().拖放对象1;
    QCOMPARE(target->registeredOn(), h.Main().图标列表框->viewport());
    QVERIFY(!target->Register(h.Main().window));
    QCOMPARE(target->registeredOn(), h.Main().图标列表框->viewport());
  }

  void droppedShortcuts() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    // To an executable: the shortcut step adds the target's icon.
    Drop(h, {LinkTo(h, "app.lnk", Exe())});
    QCOMPARE(h.ItemCount(), 2);
    QCOMPARE(h.Caption(), kModifiedNoPath);
    // To the computer folder: no file-system target.
    tilvane::testing::LinkSpec computer;
    computer.linkInfo = false;
    computer.idList = {0x14, 0x00, 0x1F, 0x50, 0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A,
                       0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
    h.prompts.ExpectBox("非标准快捷方式,请勿托放例如{我的电脑}等操作系统快捷方式如本软件！", BoxButtons::Ok,
                        BoxIcon::Information, "提示");
    Drop(h, {WriteLink(h, "computer.lnk", computer)});
    // To a text file.
    Text notes = h.PathOf("notes.txt");
    WriteFile(notes, Bytes{'x'});
    h.prompts.ExpectBox("该快捷方式目标不是标准的资源文件！", BoxButtons::Ok, BoxIcon::Information, "提示");
    Drop(h, {LinkTo(h, "notes.lnk", notes)});
    // To a group file: passes the test, adds nothing.
    Drop(h, {LinkTo(h, "group.lnk", h.PathOf("missing.qil"))});
    QCOMPARE(h.ItemCount(), 2);
    VERIFY_PROMPTS(h);
  }

  void droppedGroupFileOnAListWithItems() {
    for (BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::Cancel, BoxAnswer::No}) {
      Harness h;
      h.StartEditedGroup(MakeGroup(2));
      SetMainCaption(h.editor(), TitleSaved("/g/old.qil"));
      Text path = h.PathOf("other.qil");
      WriteFile(path, MakeGroup(3));
      h.prompts.ExpectBox(kMergeTwoLines, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", answer);
      Drop(h, {path});
      if (answer == BoxAnswer::No) {
        QCOMPARE(h.ItemCount(), 3);
        QCOMPARE(h.Caption(), "Tilvane  " + path);
      } else {
        QCOMPARE(h.ItemCount(), 2);
        QCOMPARE(h.Caption(), kModifiedNoPath);  // the icon step ran first
      }
      VERIFY_PROMPTS(h);
    }
  }

  void droppedGroupFileWithNoGroupOpenIsOpenedWhateverTheAnswer() {
    for (BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::No}) {
      Harness h;
      Text path = h.PathOf("g.qil");
      WriteFile(path, MakeGroup(2));
      h.prompts.ExpectBox(kNewGroupQuestion, BoxButtons::YesNoCancel, BoxIcon::None, "提示", answer);
      Drop(h, {path});
      QCOMPARE(h.ItemCount(), 2);
      QCOMPARE(h.Caption(), "Tilvane  " + path);
      VERIFY_PROMPTS(h);
    }
  }

  // --- End to end ---------------------------------------------------------------
  void droppedExecutableSavedAndReadBack() {
    Harness h;
    h.prompts.ExpectBox(kNewGroupQuestion, BoxButtons::YesNoCancel, BoxIcon::None, "提示", BoxAnswer::Yes);
    Drop(h, {Exe()});
    Text path = h.PathOf("icons.qil");
    h.prompts.ExpectDialog(FileDialogKind::Save, "请选择保存路径:", path);
    OnSaveButton(h.editor());
    Bytes saved = ReadFileBytes(path);
    QCOMPARE(ImageGroupCount(saved), 1);
    // The icon: a red square top left, a blue one bottom right, transparent bottom left.
    bool transparent = false;
    QCOMPARE(PixelOf(saved, 0, 3, 3, &transparent), 0x00FF0000u);
    QVERIFY(!transparent);
    QCOMPARE(PixelOf(saved, 0, 28, 28, &transparent), 0x000000FFu);
    QVERIFY(!transparent);
    QCOMPARE(PixelOf(saved, 0, 3, 28, &transparent), 0x00000000u);
    QVERIFY(transparent);
    QCOMPARE(h.Main().图标列表框->imageAt(0).pixelColor(3, 3), QColor(255, 0, 0));
    QCOMPARE(h.Main().图标列表框->imageAt(0).pixelColor(3, 28).alpha(), 0);
    VERIFY_PROMPTS(h);
  }
};

QTEST_MAIN(IntakeCommandsTest)
#include "intake_commands_test.moc"
