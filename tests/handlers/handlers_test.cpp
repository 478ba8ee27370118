// The handlers over a front end without a toolkit: what they set on the
// controls, decided by the editor's own code alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"
#include "editor/accessibility.h"
#include "editor/document_commands.h"
#include "editor/export_dialog.h"
#include "editor/main_window.h"
#include "editor/refresh.h"
#include "handlers/recording_controls.h"
#include "support/numbered_group.h"
#include "support/test_folder.h"

namespace tilvane::testing {
namespace {

// Points the temporary folder at `folder`: TMPDIR on POSIX systems, TMP on
// Windows; empty text clears it.
void SetTemporaryFolder(const std::string& folder) {
#ifdef _WIN32
  _putenv_s("TMP", folder.c_str());
#else
  if (folder.empty())
    ::unsetenv("TMPDIR");
  else
    ::setenv("TMPDIR", folder.c_str(), 1);
#endif
}

class HandlersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = FreshTestFolder("handlers");
    std::filesystem::create_directories(root / "tmp");
    SetTemporaryFolder((root / "tmp").string());
    editor = Load(frontEnd);
    DrawFirstFrame(frontEnd);
  }
  std::unique_ptr<Editor> Load(RecordingFrontEnd& windows) {
    EditorServices services;
    services.frontEnd = &windows;
    services.prompts = &prompts;
    services.quit = [this](int code) { exitCode = code; };
    return LoadEditor(std::move(services));
  }
  // What a front end runs once the main window is on screen.
  static void DrawFirstFrame(RecordingFrontEnd& windows) {
    for (auto& action : windows.windows.at(0)->afterFirstFrame) action();
  }
  void TearDown() override {
    editor.reset();
    SetTemporaryFolder({});
    std::filesystem::remove_all(root);
  }
  Text PathOf(const char* name) const { return (root / name).string(); }

  RecordedWindow& MainWindow() { return *frontEnd.windows.at(0); }
  RecordedIconList& List() { return static_cast<RecordedIconList&>(*editor->main.图标列表框); }
  RecordedPopupMenu& Menu() { return *MainWindow().menus.at(0); }

  std::filesystem::path root;
  RecordingFrontEnd frontEnd;
  RecordingPrompts prompts;
  int exitCode = -1;
  std::unique_ptr<Editor> editor;
};

TEST_F(HandlersTest, LoadingBuildsBothWindowsFromTheirTablesAndStartsIdle) {
  ASSERT_EQ(frontEnd.windows.size(), 2u);
  EXPECT_EQ(frontEnd.owners[0], nullptr);
  EXPECT_EQ(frontEnd.owners[1], frontEnd.windows[0]);  // the export dialog stays above the main window
  EXPECT_EQ(MainWindow().caption(), "Tilvane");
  EXPECT_EQ(MainWindow().controls.size(), 6u);
  EXPECT_EQ(frontEnd.windows[1]->controls.size(), 7u);
  EXPECT_FALSE(editor->exportDialog.window->visible());
  EXPECT_FALSE(editor->main.按钮1->disabled());
  EXPECT_FALSE(editor->main.按钮2->disabled());
  EXPECT_TRUE(editor->main.按钮3->disabled());
  EXPECT_TRUE(editor->main.按钮4->disabled());
  EXPECT_TRUE(editor->main.按钮5->disabled());
  EXPECT_EQ(editor->main.按钮5->caption(), "另存为…");
  EXPECT_EQ(editor->main.时钟1->interval(), 200);
  EXPECT_TRUE(editor->main.拖放对象1->registered());
  EXPECT_EQ(editor->exportDialog.颜色选择器1->colour(), 0x00F0F0F0u);
  EXPECT_TRUE(editor->exportDialog.图片框1->picture().empty());
  ASSERT_EQ(Menu().items.size(), 8u);
  EXPECT_EQ(Menu().separators, 2);
  EXPECT_EQ(editor->main.打开图片组->caption(), "打开图片组(&O)\tCtrl+O");
  EXPECT_EQ(editor->main.添加图片->caption(), "添加图片(&A)");
}

// The export dialog and the drop target wait for the main window's first
// frame; a double click before it makes the dialog to show it, and the first
// frame does not make another.
TEST_F(HandlersTest, TheExportDialogAndDropTargetWaitForTheFirstFrame) {
  RecordingFrontEnd early;
  std::unique_ptr<Editor> started = Load(early);
  EXPECT_EQ(early.windows.size(), 1u);
  EXPECT_FALSE(started->main.拖放对象1->registered());
  OnIconListDoubleClick(*started);
  ASSERT_EQ(early.windows.size(), 2u);
  EXPECT_TRUE(started->exportDialog.window->visible());
  DrawFirstFrame(early);
  EXPECT_EQ(early.windows.size(), 2u);
  EXPECT_TRUE(started->exportDialog.window->visible());
  EXPECT_TRUE(started->main.拖放对象1->registered());
}

template <typename Kind>
const AccessibleText& SaidOf(Kind* control) {
  return static_cast<RecordedControl<Kind>*>(control)->accessible;
}

// Every control reaches its front end with the name a screen reader says: the
// words on it, without mnemonic marks, tabs or line breaks.
TEST_F(HandlersTest, EveryControlReachesTheFrontEndWithItsSpokenName) {
  const MainControls& m = editor->main;
  const ExportControls& x = editor->exportDialog;
  for (Button* b : {m.按钮1, m.按钮2, m.按钮3, m.按钮4, m.按钮5}) {
    EXPECT_EQ(Text(SaidOf(b).name), b->caption());
    EXPECT_NE(Text(SaidOf(b).description), "");
  }
  EXPECT_EQ(Text(SaidOf(m.图标列表框).name), "图片列表");
  EXPECT_EQ(Text(SaidOf(x.按钮1).name), "确定");
  EXPECT_EQ(Text(SaidOf(x.按钮2).name), "关闭");
  EXPECT_EQ(Text(SaidOf(x.标签3).name), x.标签3->caption());
  EXPECT_EQ(Text(SaidOf(x.图片框1).name), "导出预览");
  EXPECT_EQ(Text(SaidOf(x.颜色选择器1).name), "填充色");
  // The main window is named by its title; the export dialog has none to show.
  EXPECT_EQ(Text(MainWindow().accessible.name), "");
  EXPECT_EQ(Text(frontEnd.windows.at(1)->accessible.name), "导出图片");
  for (const auto* table : {&kMainWindowAccessibility, &kExportDialogAccessibility}) {
    for (const ControlAccessibility& entry : *table) {
      EXPECT_EQ(Text(entry.text.name).find_first_of("\t\r\n&"), Text::npos) << entry.control;
    }
  }
}

TEST(AccessibleNames, ItemsAreImagesAndSwatchesAreNamedByColour) {
  EXPECT_EQ(IconListItemName("3"), "图片 3");
  EXPECT_EQ(IconListItemName(""), "图片");
  std::vector<Text> names;
  for (Colour c : kColourSwatches) names.push_back(ColourName(c));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::unique(names.begin(), names.end()), names.end()) << "two swatches share a name";
  EXPECT_EQ(ColourName(0x000000FF), "红色");
  EXPECT_EQ(ColourName(0xFF0000FF), "红色");  // the unused top byte is no part of the colour
  EXPECT_EQ(ColourName(0x00563412), "自定义颜色 红 18,绿 52,蓝 86");
  EXPECT_EQ(ColourPickerDescription(0x00F0F0F0), "图片透明部分在导出的文件中的颜色,现为浅灰色");
}

// What one tick leaves enabled, for each state of the list and the title.
TEST_F(HandlersTest, TimerTickEnablesByTheListAndTheTitle) {
  struct Row {
    const char* what;
    int images;
    int selected;
    const char* title;  // nullptr: the idle title
    bool deleteOn, saveOn, saveAsOn;
    Colour background;
  };
  const Row rows[] = {
      {"empty list", 0, -1, "Tilvane  /g/a.qil  临时数据(未保存)", false, false, false, 0x00C8C8C8},
      {"saved, nothing selected", 2, -1, "Tilvane  /g/a.qil", false, false, true, 0x00F0F0FF},
      {"modified, nothing selected", 2, -1, "Tilvane  /g/a.qil  临时数据(未保存)", false, true, true, 0x00F0F0FF},
      {"modified, one selected", 2, 1, "Tilvane  /g/a.qil  临时数据(未保存)", true, true, true, 0x00F0F0FF},
      {"idle title with images", 2, 0, nullptr, true, false, true, 0x00C8C8C8},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    List().setBackgroundColour(0x00F0F0FF);
    List().setImageGroup(testing::NumberedGroup(row.images));
    List().setNumberedItems(row.images);
    List().setSelectedIndex(row.selected);
    SetMainCaption(*editor, row.title ? Text(row.title) : TitleIdle());
    editor->main.时钟1->onTick();
    EXPECT_EQ(!editor->main.按钮3->disabled(), row.deleteOn);
    EXPECT_EQ(!editor->main.按钮4->disabled(), row.saveOn);
    EXPECT_EQ(!editor->main.保存图片组->disabled(), row.saveOn);
    EXPECT_EQ(!editor->main.按钮5->disabled(), row.saveAsOn);
    EXPECT_EQ(!editor->main.图组另存为->disabled(), row.saveAsOn);
    EXPECT_EQ(List().backgroundColour(), row.background);
    if (row.images == 0) {
      EXPECT_EQ(MainWindow().caption(), TitleIdle());
    }
  }
}

TEST_F(HandlersTest, ResizingLaysTheListAndTheColumnOut) {
  MainWindow().Resize(603, 466);
  EXPECT_EQ(editor->main.图标列表框->width(), 558);
  EXPECT_EQ(editor->main.图标列表框->height(), 429);
  EXPECT_EQ(editor->main.按钮5->top(), 364);
  EXPECT_EQ(editor->main.按钮3->top(), 182);  // (1 + 364) / 2
  EXPECT_EQ(editor->main.按钮2->top(), 91);   // (182 + 1) / 2
  EXPECT_EQ(editor->main.按钮4->top(), 273);  // (182 + 364) / 2
  EXPECT_EQ(editor->main.按钮1->top(), 1);
}

TEST_F(HandlersTest, RightClickGreysTheImageItemsWithoutASelectionAndShowsTheMenuBesideThePointer) {
  List().setImageGroup(testing::NumberedGroup(2));
  List().setNumberedItems(2);
  editor->main.图标列表框->onRightClick({100, 200});
  EXPECT_TRUE(editor->main.删除图片->disabled());
  EXPECT_TRUE(editor->main.导出图片->disabled());
  ASSERT_EQ(Menu().shownAt.size(), 1u);
  EXPECT_EQ(Menu().shownAt[0].x, 103);
  EXPECT_EQ(Menu().shownAt[0].y, 203);
  List().setSelectedIndex(1);
  editor->main.图标列表框->onRightClick({0, 0});
  EXPECT_FALSE(editor->main.删除图片->disabled());
  EXPECT_FALSE(editor->main.导出图片->disabled());
}

// Open, select, delete, save and exit, as the buttons and the menu run them.
TEST_F(HandlersTest, OpenDeleteSaveAndExit) {
  const Text path = PathOf("three.qil");
  ASSERT_TRUE(WriteFileBytes(path, testing::NumberedGroup(3)));
  prompts.chosen = {path};
  editor->main.按钮1->onClicked();
  EXPECT_EQ(MainWindow().caption(), TitleSaved(path));
  ASSERT_EQ(List().itemCount(), 3);
  EXPECT_EQ(List().items[2].caption, "2");

  List().setSelectedIndex(1);
  editor->main.按钮3->onClicked();
  EXPECT_EQ(List().itemCount(), 2);
  EXPECT_EQ(MainWindow().caption(), TitleModified(path));
  EXPECT_FALSE(editor->main.按钮4->disabled());
  EXPECT_TRUE(PathExists(TempImageGroupPath()));

  editor->main.按钮4->onClicked();
  EXPECT_EQ(MainWindow().caption(), TitleSaved(path));
  EXPECT_EQ(ReadFileBytes(path), editor->document.imageGroupBytes);
  EXPECT_EQ(DecodeImageGroup(ReadFileBytes(path))->ImageCount(), 2u);

  editor->main.退出->onSelected();
  EXPECT_EQ(exitCode, 0);
  EXPECT_FALSE(PathExists(TempImageGroupPath()));
  EXPECT_TRUE(prompts.boxes.empty());
  ASSERT_EQ(prompts.dialogs.size(), 1u);
  EXPECT_EQ(prompts.dialogs[0].filter, "Quill图片组(qil)|*.qil");
}

TEST_F(HandlersTest, ClosingWithChangesAsksAndACancelKeepsTheWindow) {
  editor->document.imageGroupBytes = testing::NumberedGroup(1);
  RefreshIconList(*editor);
  prompts.answers = {BoxAnswer::Cancel};
  editor->main.window->close();
  EXPECT_FALSE(MainWindow().closed);
  EXPECT_EQ(prompts.boxes.size(), 1u);
  prompts.answers = {BoxAnswer::No};
  editor->main.window->close();
  EXPECT_TRUE(MainWindow().closed);
  EXPECT_EQ(exitCode, 0);
}

// Ctrl copies, Shift moves, both do nothing; no key copies, else moves, else
// links; and the cursor never says "move".
TEST(DropEffectRule, FollowsTheKeysAndWhatTheSourceAllows) {
  struct Row {
    bool acceptable, ctrl, shift;
    DropEffects allowed;
    DropEffect effect, cursor;
  };
  const DropEffects all{true, true, true};
  const Row rows[] = {
      {true, false, false, all, DropEffect::Copy, DropEffect::Copy},
      {true, false, false, {false, true, true}, DropEffect::Move, DropEffect::Copy},
      {true, false, false, {false, false, true}, DropEffect::Link, DropEffect::Link},
      {true, true, false, all, DropEffect::Copy, DropEffect::Copy},
      {true, true, false, {false, true, false}, DropEffect::None, DropEffect::None},
      {true, false, true, all, DropEffect::Move, DropEffect::Copy},
      {true, false, true, {true, false, false}, DropEffect::None, DropEffect::None},
      {true, true, true, all, DropEffect::None, DropEffect::None},
      {false, false, false, all, DropEffect::None, DropEffect::None},
  };
  for (const Row& row : rows) {
    DropEffect effect = DropEffectFor(row.acceptable, row.ctrl, row.shift, row.allowed);
    EXPECT_EQ(effect, row.effect);
    EXPECT_EQ(DropCursorFor(effect), row.cursor);
  }
  EXPECT_EQ(DroppedFilesText({"/a.exe"}), "/a.exe");
  EXPECT_EQ(DroppedFilesText({"/a.exe", "/b.dll"}), "/a.exe\r\n/b.dll\r\n");
}

TEST(FolderOfPath, TakesTheTextBeforeTheLastSeparator) {
  EXPECT_EQ(FolderOfPath("/home/u/a.qil"), "/home/u");
  EXPECT_EQ(FolderOfPath("/a.qil"), "/");
  EXPECT_EQ(FolderOfPath("a.qil"), "");
  EXPECT_EQ(FolderOfPath(""), "");
}

}  // namespace
}  // namespace tilvane::testing
