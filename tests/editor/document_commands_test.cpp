// Open, Save, Save As, Delete and leaving, driven through the real window with
// scripted answers and real files.
#include <sys/stat.h>
#include <QPushButton>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/files.h"
#include "core/imagegroup/collection.h"
#include "editor/document_commands.h"
#include "editor/main_window.h"
#include "editor/refresh.h"
#include "editor/support/harness.h"
#include "front/qt/icon_list.h"
#include "front/qt/window.h"
#include "support/file_size_limit.h"
#include "support/ordinary_user.h"

using namespace tilvane;
using namespace tilvane::testing;

namespace {

const Text kOpenTitle = "请选择要打开的Quill图片组文件:";
const Text kSaveTitle = "请选择保存路径:";
const Text kNothingToSave = "当前图片组中图片数量为0或未载入图片组,无需保存!";
const Text kLeaveQuestion = "当前图片组数据已更改,是否保存更改图片组数据?";
const Text kMergeQuestion =
    "该文件是一个Quill图片组的封装文件，是否将其与现在的文件合并?\n\r"
    "由于合并操作比较复杂，本人时间有限，因此，合并功能尚未实现。";

// A group file on disk, opened with the button.
Text OpenGroupFile(Harness& h, const Text& name, int count) {
  Text path = h.PathOf(name);
  WriteFile(path, MakeGroup(count));
  h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, path);
  OnOpenButton(h.editor());
  return path;
}

}  // namespace

class DocumentCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  // A string literal reaches the box as the text it says: no overload of
  // ShowMessageBox may take it for a truth value or a number.
  void aLiteralIsShownAsItsText() {
    Harness h;
    h.prompts.ExpectBox("文字", BoxButtons::YesNo, BoxIcon::Question, "标题", BoxAnswer::No);
    QVERIFY(ShowMessageBox(h.editor().prompts(), "文字", BoxButtons::YesNo, BoxIcon::Question, "标题") ==
            BoxAnswer::No);
    h.prompts.ExpectBox("没有标题", BoxButtons::Ok, BoxIcon::None, kDefaultMessageCaption);
    ShowMessageBox(h.editor().prompts(), "没有标题", BoxButtons::Ok, BoxIcon::None);
    VERIFY_PROMPTS(h);
  }

  // --- Open ---------------------------------------------------------------
  void openButtonReplacesTheDocumentWithoutAQuestion() {
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    Text path = h.PathOf("three.qil");
    WriteFile(path, MakeGroup(3));
    h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, path);
    OnOpenButton(h.editor());
    QCOMPARE(h.prompts.shownDialogs.back().filter, Text("Quill图片组(qil)|*.qil"));
    QCOMPARE(h.prompts.shownDialogs.back().fileName, Text(""));
    QCOMPARE(h.editor().document.currentPath, path);
    QCOMPARE(h.editor().document.imageGroupBytes, ReadFileBytes(path));
    QCOMPARE(h.Caption(), "Tilvane  " + path);
    QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "1", "2"}));
    QCOMPARE(h.Main().图标列表框->backgroundColour(), 0x00F0F0FFu);
    VERIFY_PROMPTS(h);
  }

  void cancelledOpenChangesNothing() {
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    Bytes before = h.editor().document.imageGroupBytes;
    h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, std::nullopt);
    OnOpenMenu(h.editor());
    QCOMPARE(h.editor().document.imageGroupBytes, before);
    QCOMPARE(h.Caption(), Text("Tilvane    临时数据(未保存)"));
    VERIFY_PROMPTS(h);
  }

  void openMenuAsksToMergeAndOnlyNoOpens() {
    for (BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::Cancel}) {
      Harness h;
      h.StartEditedGroup(MakeGroup(2));
      Text path = h.PathOf("other.qil");
      WriteFile(path, MakeGroup(5));
      h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, path);
      h.prompts.ExpectBox(kMergeQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", answer);
      OnOpenMenu(h.editor());
      QCOMPARE(h.ItemCount(), 2);
      QCOMPARE(h.editor().document.currentPath, Text(""));
      VERIFY_PROMPTS(h);
    }
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    Text path = h.PathOf("other.qil");
    WriteFile(path, MakeGroup(5));
    h.Main().按钮4->setEnabled(false);
    h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, path);
    h.prompts.ExpectBox(kMergeQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::No);
    OnOpenMenu(h.editor());
    QCOMPARE(h.ItemCount(), 5);
    QCOMPARE(h.Caption(), "Tilvane  " + path);
    QVERIFY(h.Main().按钮4->isEnabled());
    VERIFY_PROMPTS(h);
  }

  void openMenuOnAnEmptyListOpensWithoutAQuestion() {
    Harness h;
    Text path = h.PathOf("g.qil");
    WriteFile(path, MakeGroup(1));
    h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, path);
    OnOpenMenu(h.editor());
    QCOMPARE(h.ItemCount(), 1);
    QCOMPARE(h.Caption(), "Tilvane  " + path);
    VERIFY_PROMPTS(h);
  }

  void openingATextFileGivesAnEmptyListThenTheIdleTitle() {
    Harness h;
    Text path = h.PathOf("notes.qil");
    WriteFile(path, Bytes{'h', 'e', 'l', 'l', 'o'});
    h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, path);
    OnOpenButton(h.editor());
    QCOMPARE(h.ItemCount(), 0);
    QCOMPARE(h.Caption(), "Tilvane  " + path);
    h.Tick();
    QCOMPARE(h.Caption(), Text("Tilvane"));
    QCOMPARE(h.editor().document.currentPath, path);
    VERIFY_PROMPTS(h);
  }

  // --- Save ---------------------------------------------------------------
  void saveWithoutAPathAsksAndWritesTheNameAsTyped() {
    struct Variant {
      void (*handler)(Editor&);
      Text proposed;
      Text filter;
      Text chosenName;
    };
    for (const Variant& v : {Variant{OnSaveMenu, "图片组1", "Quill图片组(*.qil)|*.qil", "图片组1"},
                             Variant{OnSaveButton, "图片组1.qil", "Quill图片组(qil)|*.qil", "图片组1.qil"}}) {
      Harness h;
      h.StartEditedGroup(MakeGroup(2));
      Bytes document = h.editor().document.imageGroupBytes;
      Text path = h.PathOf(v.chosenName);
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, path);
      v.handler(h.editor());
      QCOMPARE(h.prompts.shownDialogs.back().fileName, v.proposed);
      QCOMPARE(h.prompts.shownDialogs.back().filter, v.filter);
      QCOMPARE(ReadFileBytes(path), document);
      QCOMPARE(h.editor().document.currentPath, path);
      QCOMPARE(h.Caption(), "Tilvane  " + path);
      QVERIFY(!h.Main().按钮4->isEnabled());
      QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "1"}));
      VERIFY_PROMPTS(h);
    }
  }

  void saveWithAKnownPathWritesThereWithoutADialog() {
    Harness h;
    Text path = OpenGroupFile(h, "g.qil", 3);
    h.Select(0);
    OnDeleteButton(h.editor());
    QCOMPARE(h.Caption(), "Tilvane  " + path + "  临时数据(未保存)");
    OnSaveMenu(h.editor());
    QCOMPARE(ImageGroupCount(ReadFileBytes(path)), 2);
    QCOMPARE(h.Caption(), "Tilvane  " + path);
    h.Tick();
    QVERIFY(!h.Main().按钮4->isEnabled());
    VERIFY_PROMPTS(h);
  }

  void saveAndSaveAsOnAnEmptyListOnlySayThereIsNothingToSave() {
    for (auto handler : {OnSaveMenu, OnSaveButton, OnSaveAsMenu, OnSaveAsButton}) {
      Harness h;
      h.prompts.ExpectBox(kNothingToSave, BoxButtons::Ok, BoxIcon::None, "提示:");
      handler(h.editor());
      VERIFY_PROMPTS(h);
    }
  }

  void openAndSaveWithoutAnEditWritesBackTheBytesRead() {
    Harness h;
    Text path = h.PathOf("odd.qil");
    Bytes original = MakeGroup(2);
    original[4] = 0x12;  // a colour word this editor would never write
    original[5] = 0x34;
    WriteFile(path, original);
    h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, path);
    OnOpenButton(h.editor());
    OnSaveButton(h.editor());
    QCOMPARE(ReadFileBytes(path), original);
    VERIFY_PROMPTS(h);
  }

  // --- Save As --------------------------------------------------------------
  void saveAsButtonAppendsQilAndTheMenuDoesNot() {
    struct Variant {
      void (*handler)(Editor&);
      Text typed;
      Text written;
    };
    for (const Variant& v : {Variant{OnSaveAsButton, "abc", "abc.qil"},
                             Variant{OnSaveAsButton, "abc.qil", "abc.qil.qil"}, Variant{OnSaveAsMenu, "abc", "abc"}}) {
      Harness h;
      h.StartEditedGroup(MakeGroup(1));
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, h.PathOf(v.typed));
      v.handler(h.editor());
      Text written = h.PathOf(v.written);
      QCOMPARE(h.prompts.shownDialogs.back().fileName, Text("图片组1"));
      QCOMPARE(ImageGroupCount(ReadFileBytes(written)), 1);
      QCOMPARE(h.editor().document.currentPath, written);
      QCOMPARE(h.Caption(), "Tilvane  " + written);
      QVERIFY(!h.Main().按钮4->isEnabled());
      VERIFY_PROMPTS(h);
    }
  }

  void saveAsProposesACopyName() {
    struct Case {
      Text currentPath;
      Text proposed;
    };
    for (const Case& c : {Case{"D:\\g\\abc.qil", "abc_副本"}, Case{"D:\\g\\readme", "_副本"},
                          Case{"D:\\g\\a.b.qil", "a.b_副本"}, Case{"/home/u/组.qil", "组_副本"}}) {
      Harness h;
      h.StartEditedGroup(MakeGroup(1));
      h.editor().document.currentPath = c.currentPath;
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, std::nullopt);
      OnSaveAsMenu(h.editor());
      QCOMPARE(h.prompts.shownDialogs.back().fileName, c.proposed);
      QCOMPARE(h.editor().document.currentPath, c.currentPath);
      VERIFY_PROMPTS(h);
    }
  }

  void saveAsFromANetworkSharePathShowsThePathErrorFirst() {
    Harness h;
    h.StartEditedGroup(MakeGroup(1));
    h.editor().document.currentPath = "\\\\server\\share\\g.qil";
    h.prompts.ExpectBox(
        "您提供的路径不是标准的磁盘文件路径或网络文件路径!\n\r标准的磁盘文件路径为{盘符:\\路径\\文件名}~~~~\n\r"
        "标准网络文件路径为{FTP或HTTP://网址/文件名}~~~",
        BoxButtons::Ok, BoxIcon::None, "错误");
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, std::nullopt);
    OnSaveAsButton(h.editor());
    QCOMPARE(h.prompts.shownDialogs.back().fileName, Text("输入错误_副本"));
    VERIFY_PROMPTS(h);
  }

  void saveAsButtonAsksBeforeReplacingTheNameItAppended() {
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    Text existing = h.PathOf("abc.qil");
    Bytes old = MakeGroup(5);
    WriteFile(existing, old);
    Text question = "文件已存在:\n\r" + existing + "\n\r要替换它吗?";
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, h.PathOf("abc"));
    h.prompts.ExpectBox(question, BoxButtons::YesNo, BoxIcon::Question, "提示:", BoxAnswer::No);
    OnSaveAsButton(h.editor());
    QCOMPARE(ReadFileBytes(existing), old);
    QCOMPARE(h.editor().document.currentPath, Text(""));
    QCOMPARE(h.Caption(), Text("Tilvane    临时数据(未保存)"));
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, h.PathOf("abc"));
    h.prompts.ExpectBox(question, BoxButtons::YesNo, BoxIcon::Question, "提示:", BoxAnswer::Yes);
    OnSaveAsButton(h.editor());
    QCOMPARE(ImageGroupCount(ReadFileBytes(existing)), 2);
    QCOMPARE(h.editor().document.currentPath, existing);
    VERIFY_PROMPTS(h);
  }

  // --- Delete ---------------------------------------------------------------
  void deleteButtonChecksCountBeforeSelection() {
    Harness h;
    h.prompts.ExpectBox("当前图片组中图片数量为0或未载入图片组,你想删除什么~?", BoxButtons::Ok, BoxIcon::None, "提示:");
    OnDeleteButton(h.editor());
    h.StartEditedGroup(MakeGroup(2));
    h.prompts.ExpectBox("请选择需要删除的图片!", BoxButtons::Ok, BoxIcon::Information, "提示");
    OnDeleteButton(h.editor());
    QCOMPARE(h.ItemCount(), 2);
    VERIFY_PROMPTS(h);
  }

  void deletingRenumbersTheItemsAndMarksTheDocument() {
    for (auto handler : {OnDeleteButton, OnDeleteMenu}) {
      Harness h;
      Text path = OpenGroupFile(h, "five.qil", 5);
      h.Select(2);
      h.Main().按钮4->setEnabled(false);
      handler(h.editor());
      QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "1", "2", "3"}));
      const Bytes& group = h.editor().document.imageGroupBytes;
      QCOMPARE(ColourOfImage(group, 1), ImageColour(1));
      QCOMPARE(ColourOfImage(group, 2), ImageColour(3));
      QCOMPARE(ColourOfImage(group, 3), ImageColour(4));
      QCOMPARE(h.Main().图标列表框->imageGroup(), group);
      QCOMPARE(h.Caption(), "Tilvane  " + path + "  临时数据(未保存)");
      QVERIFY(h.Main().按钮4->isEnabled());
      QCOMPARE(h.Main().图标列表框->backgroundColour(), 0x00F0F0FFu);
      QCOMPARE(ReadFileBytes(TempImageGroupPath()), group);
      QCOMPARE(ImageGroupCount(ReadFileBytes(path)), 5);  // the file itself is untouched
      VERIFY_PROMPTS(h);
    }
  }

  void deletingTheLastImageTurnsTheListGreyAndIdle() {
    Harness h;
    OpenGroupFile(h, "one.qil", 1);
    h.Select(0);
    OnDeleteButton(h.editor());
    QCOMPARE(h.ItemCount(), 0);
    QCOMPARE(h.Main().图标列表框->backgroundColour(), 0x00C8C8C8u);
    h.Tick();
    QCOMPARE(h.Caption(), Text("Tilvane"));
    QVERIFY(!PathExists(TempImageGroupPath()));
    VERIFY_PROMPTS(h);
  }

  // --- Leaving --------------------------------------------------------------
  void closeRequestAnswers() {
    {
      Harness h;
      h.StartEditedGroup(MakeGroup(1));
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Cancel);
      QCOMPARE(OnMainCloseRequest(h.editor()), std::optional<bool>(false));
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::No);
      QCOMPARE(OnMainCloseRequest(h.editor()), std::optional<bool>(true));
      VERIFY_PROMPTS(h);
    }
    {
      // Yes, then a cancelled save dialog: the changes are kept and so is the window.
      Harness h;
      h.StartEditedGroup(MakeGroup(1));
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Yes);
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, std::nullopt);
      QCOMPARE(OnMainCloseRequest(h.editor()), std::optional<bool>(false));
      QVERIFY(IsModified(h.editor()));
      VERIFY_PROMPTS(h);
    }
    {
      // Yes with an empty list: the message, then the window closes.
      Harness h;
      h.StartEditedGroup(MakeGroup(0));
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Yes);
      h.prompts.ExpectBox(kNothingToSave, BoxButtons::Ok, BoxIcon::None, "提示:");
      QCOMPARE(OnMainCloseRequest(h.editor()), std::nullopt);
      VERIFY_PROMPTS(h);
    }
    {
      Harness h;
      QCOMPARE(OnMainCloseRequest(h.editor()), std::nullopt);  // nothing to ask
      VERIFY_PROMPTS(h);
    }
  }

  void closingTheWindowAfterYesSavesAndRebuildsTheItems() {
    Harness h;
    h.StartEditedGroup(MakeGroup(3));
    Text path = h.PathOf("saved");
    h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Yes);
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, path);
    h.Main().window->show();
    QVERIFY(h.Main().window->close());
    QCOMPARE(h.prompts.shownDialogs.back().fileName, Text("图片组1"));
    QCOMPARE(h.prompts.shownDialogs.back().filter, Text("Quill图片组(qil)|*.qil"));
    QCOMPARE(ImageGroupCount(ReadFileBytes(path)), 3);
    QCOMPARE(h.ItemCaptions(), (std::vector<Text>{"0", "1", "2"}));
    QCOMPARE(h.Caption(), "Tilvane  " + path);
    QCOMPARE(h.exitCode, 0);
    QVERIFY(!PathExists(TempImageGroupPath()));
    VERIFY_PROMPTS(h);
  }

  void exitAnswers() {
    {
      Harness h;
      h.StartEditedGroup(MakeGroup(1));
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Yes);
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, std::nullopt);
      OnExitCommand(h.editor());
      QCOMPARE(h.exitCode, -1);
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Cancel);
      OnExitCommand(h.editor());
      QCOMPARE(h.exitCode, -1);
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::No);
      OnExitCommand(h.editor());
      QCOMPARE(h.exitCode, 0);
      QVERIFY(!PathExists(TempImageGroupPath()));
      VERIFY_PROMPTS(h);
    }
    {
      Harness h;
      h.StartEditedGroup(MakeGroup(0));
      h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Yes);
      h.prompts.ExpectBox(kNothingToSave, BoxButtons::Ok, BoxIcon::None, "提示:");
      OnExitCommand(h.editor());
      QCOMPARE(h.exitCode, -1);
      VERIFY_PROMPTS(h);
    }
    {
      // Nothing unsaved: Exit closes the editor and the temporary file goes.
      Harness h;
      Text path = OpenGroupFile(h, "g.qil", 1);
      h.Select(0);
      OnDeleteMenu(h.editor());
      SetMainCaption(h.editor(), TitleSaved(path));
      QVERIFY(PathExists(TempImageGroupPath()));
      OnExitCommand(h.editor());
      QCOMPARE(h.exitCode, 0);
      QVERIFY(!PathExists(TempImageGroupPath()));
      VERIFY_PROMPTS(h);
    }
  }

  void exitWithYesSavesAndEnds() {
    Harness h;
    h.StartEditedGroup(MakeGroup(2));
    Text path = h.PathOf("out.qil");
    h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Yes);
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, path);
    OnExitCommand(h.editor());
    QCOMPARE(ImageGroupCount(ReadFileBytes(path)), 2);
    QCOMPARE(h.exitCode, 0);
    VERIFY_PROMPTS(h);
  }

  // --- Failed writes ----------------------------------------------------------
  void failedSaveKeepsTheDocumentAndSaysWhy() {
    Harness h;
    Text target = h.LockedFolder("locked") + "/g.qil";
    h.StartEditedGroup(MakeGroup(2));
    Bytes document = h.editor().document.imageGroupBytes;
    Bytes temp = ReadFileBytes(TempImageGroupPath());
    for (auto handler : {OnSaveMenu, OnSaveAsMenu}) {
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, target);
      h.prompts.ExpectBox("无法写入文件:\n\r" + target + "\n\r原因: 没有权限", BoxButtons::Ok, BoxIcon::Warning,
                          "错误");
      {
        OrdinaryUser user;
        handler(h.editor());
      }
      QCOMPARE(h.editor().document.imageGroupBytes, document);
      QCOMPARE(h.editor().document.currentPath, Text(""));
      QCOMPARE(h.Caption(), Text("Tilvane    临时数据(未保存)"));
      QCOMPARE(ReadFileBytes(TempImageGroupPath()), temp);
      QCOMPARE(h.ItemCount(), 2);
      QVERIFY(!std::filesystem::exists(target));
    }
    // Leaving: the window stays open.
    h.prompts.ExpectBox(kLeaveQuestion, BoxButtons::YesNoCancel, BoxIcon::Question, "提示:", BoxAnswer::Yes);
    h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, target);
    h.prompts.ExpectBox("无法写入文件:\n\r" + target + "\n\r原因: 没有权限", BoxButtons::Ok, BoxIcon::Warning, "错误");
    {
      OrdinaryUser user;
      QCOMPARE(OnMainCloseRequest(h.editor()), std::optional<bool>(false));
    }
    QCOMPARE(h.editor().document.imageGroupBytes, document);
    VERIFY_PROMPTS(h);
  }

  void saveOverAProtectedFileSaysWhyAndLeavesItByteForByte() {
    // A group its owner made read-only (0444) in a folder the user may write:
    // the rename of an atomic save would be allowed, a write in place would not.
    Harness h;
    namespace fs = std::filesystem;
    fs::permissions(fs::path(h.Folder()).parent_path(), fs::perms::others_exec, fs::perm_options::add);
    fs::create_directories(h.PathOf("mine"));
    Text path = h.PathOf("mine/只读.qil");
    Bytes old = MakeGroup(1);
    WriteFile(path, old);
    QCOMPARE(::chmod(path.c_str(), 0444), 0);
    tilvane::testing::GiveToOrdinaryUser(h.PathOf("mine"));
    tilvane::testing::GiveToOrdinaryUser(path);
    struct stat before {};
    QCOMPARE(::stat(path.c_str(), &before), 0);
    h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, path);
    OnOpenButton(h.editor());
    h.StartEditedGroup(MakeGroup(3));
    Bytes document = h.editor().document.imageGroupBytes;
    const Text box = "无法写入文件:\n\r" + path + "\n\r原因: 没有权限";
    {
      tilvane::testing::OrdinaryUser user;
      h.prompts.ExpectBox(box, BoxButtons::Ok, BoxIcon::Warning, "错误");
      OnSaveButton(h.editor());
      h.prompts.ExpectBox(box, BoxButtons::Ok, BoxIcon::Warning, "错误");
      OnSaveMenu(h.editor());
      h.prompts.ExpectDialog(FileDialogKind::Save, kSaveTitle, path);
      h.prompts.ExpectBox(box, BoxButtons::Ok, BoxIcon::Warning, "错误");
      OnSaveAsMenu(h.editor());
    }
    QCOMPARE(ReadFileBytes(path), old);
    struct stat after {};
    QCOMPARE(::stat(path.c_str(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(std::distance(fs::directory_iterator(h.PathOf("mine")), fs::directory_iterator()), 1);
    // The document stays, still unsaved.
    QCOMPARE(h.editor().document.imageGroupBytes, document);
    QCOMPARE(h.editor().document.currentPath, path);
    QVERIFY(IsModified(h.editor()));
    VERIFY_PROMPTS(h);
  }

  void saveOnAFullDiskLeavesThePreviousFileWhole() {
    Harness h;
    Text path = h.PathOf("g.qil");
    Bytes old = MakeGroup(1);
    WriteFile(path, old);
    h.prompts.ExpectDialog(FileDialogKind::Open, kOpenTitle, path);
    OnOpenButton(h.editor());
    h.StartEditedGroup(MakeGroup(7));
    Bytes document = h.editor().document.imageGroupBytes;
    QVERIFY(document.size() > 8 * 1024);
    h.prompts.ExpectBox("无法写入文件:\n\r" + path + "\n\r原因: 文件太大", BoxButtons::Ok, BoxIcon::Warning, "错误");
    {
      FileSizeLimit disk(8 * 1024);  // room for the old group, not for the new one
      OnSaveButton(h.editor());
    }
    QCOMPARE(ReadFileBytes(path), old);
    QCOMPARE(h.editor().document.imageGroupBytes, document);
    QVERIFY(IsModified(h.editor()));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(h.Folder()), std::filesystem::directory_iterator()),
             1);  // no half-written copy left behind
    VERIFY_PROMPTS(h);
  }
};

QTEST_MAIN(DocumentCommandsTest)
#include "document_commands_test.moc"
