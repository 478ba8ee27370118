#include "editor/main_window.h"

#include "core/files.h"
#include "core/music/background_tune.h"
#include "core/music/player.h"
#include "editor/event_table.h"
#include "editor/export_dialog.h"
#include "editor/load_window.h"

namespace tilvane {

std::unique_ptr<Editor> LoadEditor(EditorServices services) {
  auto editor = std::make_unique<Editor>();
  editor->services = std::move(services);
  MainControls& c = editor->main;
  c.window = LoadWindow(*editor->services.frontEnd, kMainWindowLayout, c);
  c.图标列表框->setBackgroundColour(kMainWindowLayout.background);
  c.时钟1 = c.window->AddTimer("时钟1");
  c.拖放对象1 = c.window->AddDropTarget("拖放对象1");
  c.文件 = c.window->AddPopupMenu("文件");
  LoadMenu(*c.文件, kFileMenuLayout, c);

  BindMainWindowEvents(*editor);
  c.时钟1->setInterval(200);
  OnMainCreated(*editor);
  return editor;
}

void LoadExportDialog(Editor& editor) {
  ExportControls& c = editor.exportDialog;
  if (c.window) return;
  c.window = LoadWindow(*editor.services.frontEnd, kExportDialogLayout, c, editor.main.window.get());
  BindExportDialogEvents(editor);
  OnExportDialogCreated(editor);
}

void OnMainCreated(Editor& editor) {
  MainControls& c = editor.main;
  // Nothing is dropped on the list, and nothing needs the export dialog,
  // before the user can see the main window; registering the one and making
  // the other cost its first frame about a third of the time it takes. What
  // shows the dialog sooner makes it then.
  c.window->AfterFirstFrame([&editor] {
    editor.main.拖放对象1->Register(*editor.main.图标列表框);
    LoadExportDialog(editor);
  });
  c.按钮3->setDisabled(true);
  c.按钮4->setDisabled(true);
  c.按钮5->setDisabled(true);
  if (MidiPlayer* music = editor.services.music) {
    // The synthesizer and its soundfont load on the player's thread; loading
    // them while the window draws its first frame would slow that frame on a
    // busy machine, so the tune plays from now on but loads only after it.
    music->HoldOutput();
    c.window->AfterFirstFrame([music] { music->ReleaseOutput(); });
    music->PlayMidi(-1, std::nullopt, {BackgroundTune()});
  }
}

void OnMainResized(Editor& editor) {
  MainControls& c = editor.main;
  Rect outer = c.window->geometry();
  double width = outer.width;
  double height = outer.height;
  auto truncate = [](double v) { return static_cast<int>(v); };
  c.图标列表框->setSize(truncate(width - 45), truncate(height - 37));
  c.按钮5->setTop(truncate(height - 102));
  c.按钮3->setTop(truncate((c.按钮1->top() + c.按钮5->top()) / 2.0));
  c.按钮2->setTop(truncate((c.按钮3->top() + c.按钮1->top()) / 2.0));
  c.按钮4->setTop(truncate((c.按钮3->top() + c.按钮5->top()) / 2.0));
}

void OnTimerTick(Editor& editor) {
  MainControls& c = editor.main;
  IconList& list = *c.图标列表框;
  int n = list.itemCount();
  if (n == 0) {
    c.按钮3->setDisabled(true);
    c.按钮5->setDisabled(true);
    c.图组另存为->setDisabled(true);
    SetMainCaption(editor, TitleIdle());
    RemoveFile(TempImageGroupPath());
    editor.document.imageGroupBytes = ToBytes(0);
  } else if (list.selectedIndex() == -1) {
    c.按钮3->setDisabled(true);
    c.按钮5->setDisabled(false);
    c.图组另存为->setDisabled(false);
  }
  if (list.selectedIndex() > -1) {
    c.按钮3->setDisabled(false);
    c.按钮5->setDisabled(false);
    c.图组另存为->setDisabled(false);
  }
  if (TextEquals(MainCaption(editor), TitleIdle())) {
    c.按钮4->setDisabled(true);
    c.保存图片组->setDisabled(true);
    list.setBackgroundColour(kListBackgroundIdle);
    return;
  }
  bool canSave = list.itemCount() != 0 && RightText(MainCaption(editor), 1) == ")";
  c.按钮4->setDisabled(!canSave);
  c.保存图片组->setDisabled(!canSave);
}

void OnMainDestroyed(Editor& editor) {
  RemoveFile(TempImageGroupPath());
  EndProgram(editor, 0);
}

void OnIconListRightClick(Editor& editor, Point screenPosition) {
  MainControls& c = editor.main;
  bool selected = c.图标列表框->selectedIndex() != -1;
  c.删除图片->setDisabled(!selected);
  c.导出图片->setDisabled(!selected);
  ShowPopupMenu(editor, {screenPosition.x + 3, screenPosition.y + 3});
}

void ShowPopupMenu(Editor& editor, Point screenPosition) { editor.main.文件->Popup(screenPosition); }

void OnCloseMusicCommand(Editor& editor) {
  if (editor.services.music) editor.services.music->StopMusic();
}

}  // namespace tilvane
