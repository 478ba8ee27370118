#include "editor/event_table.h"

#include <new>

#include "editor/document_commands.h"
#include "editor/export_dialog.h"
#include "editor/intake_commands.h"
#include "editor/main_window.h"
#include "editor/prompts.h"

namespace tilvane {

namespace {

constexpr const char* kOutOfMemory = "内存不足,无法完成该操作!";

// Tells the user that the command could not finish. The allocation that
// failed was a large one, so a message box still fits; if even that fails,
// the command just ends.
void ShowOutOfMemory(Editor& editor) {
  try {
    ShowMessageBox(editor.prompts(), kOutOfMemory, BoxButtons::Ok, BoxIcon::Warning, "错误");
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace

void Guarded(Editor& editor, const std::function<void()>& handler) {
  if (editor.destroying) return;
  try {
    handler();
  } catch (const std::bad_alloc&) {
    ShowOutOfMemory(editor);
  }
}

bool Guarded(Editor& editor, const std::function<bool()>& handler, bool onFailure) {
  if (editor.destroying) return onFailure;
  try {
    return handler();
  } catch (const std::bad_alloc&) {
    ShowOutOfMemory(editor);
    return onFailure;
  }
}

// Reading this file tells which code runs for which click. The window's
// "created" event is run by LoadEditor once everything here is bound.
void BindMainWindowEvents(Editor& editor) {
  Editor* e = &editor;
  MainControls& c = editor.main;

  // Out of memory while asking or saving: the window stays open with the document.
  c.window->onCloseRequest = [e] {
    return Guarded(
        *e, [e] { return OnMainCloseRequest(*e).value_or(true); }, false);
  };
  c.window->onDestroyed = [e] { Guarded(*e, [e] { OnMainDestroyed(*e); }); };
  c.window->onResized = [e] { Guarded(*e, [e] { OnMainResized(*e); }); };

  c.按钮1->onClicked = [e] { Guarded(*e, [e] { OnOpenButton(*e); }); };
  c.按钮2->onClicked = [e] { Guarded(*e, [e] { OnAddImagesButton(*e); }); };
  c.按钮3->onClicked = [e] { Guarded(*e, [e] { OnDeleteButton(*e); }); };
  c.按钮4->onClicked = [e] { Guarded(*e, [e] { OnSaveButton(*e); }); };
  c.按钮5->onClicked = [e] { Guarded(*e, [e] { OnSaveAsButton(*e); }); };

  c.图标列表框->onDoubleClick = [e] { Guarded(*e, [e] { OnIconListDoubleClick(*e); }); };
  c.图标列表框->onRightClick = [e](Point at) { Guarded(*e, [e, at] { OnIconListRightClick(*e, at); }); };
  c.图标列表框->onCurrentChanged = [e] { Guarded(*e, [e] { OnIconListCurrentChanged(*e); }); };

  c.时钟1->onTick = [e] { Guarded(*e, [e] { OnTimerTick(*e); }); };
  c.拖放对象1->onFilesDropped = [e](const Text& paths) { Guarded(*e, [e, &paths] { OnFilesDropped(*e, paths); }); };

  c.打开图片组->onSelected = [e] { Guarded(*e, [e] { OnOpenMenu(*e); }); };
  c.保存图片组->onSelected = [e] { Guarded(*e, [e] { OnSaveMenu(*e); }); };
  c.图组另存为->onSelected = [e] { Guarded(*e, [e] { OnSaveAsMenu(*e); }); };
  c.添加图片->onSelected = [e] { Guarded(*e, [e] { OnAddImagesCommand(*e); }); };
  c.删除图片->onSelected = [e] { Guarded(*e, [e] { OnDeleteMenu(*e); }); };
  c.导出图片->onSelected = [e] { Guarded(*e, [e] { OnExportCommand(*e); }); };
  c.关闭音乐->onSelected = [e] { Guarded(*e, [e] { OnCloseMusicCommand(*e); }); };
  c.退出->onSelected = [e] { Guarded(*e, [e] { OnExitCommand(*e); }); };
}

// The export dialog's "created" event is run by LoadExportDialog after this.
void BindExportDialogEvents(Editor& editor) {
  Editor* e = &editor;
  ExportControls& c = editor.exportDialog;
  c.window->onCloseRequest = [e] {
    return Guarded(
        *e, [e] { return OnExportDialogCloseRequest(*e); }, true);
  };
  c.按钮1->onClicked = [e] { Guarded(*e, [e] { OnExportConfirm(*e); }); };
  c.按钮2->onClicked = [e] { Guarded(*e, [e] { OnExportDialogClose(*e); }); };
  // Escape closes the dialog as 关闭 does.
  c.window->onEscape = c.按钮2->onClicked;
  c.颜色选择器1->onColourChanged = [e] { Guarded(*e, [e] { OnFillColourChanged(*e); }); };
}

}  // namespace tilvane
