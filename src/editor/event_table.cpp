#include "editor/event_table.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <new>

#include "editor/document_commands.h"
#include "editor/drop_target.h"
#include "editor/export_dialog.h"
#include "editor/icon_list.h"
#include "editor/intake_commands.h"
#include "editor/main_window.h"
#include "editor/prompts.h"
#include "editor/widgets.h"
#include "editor/windows.h"

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
  try {
    handler();
  } catch (const std::bad_alloc&) {
    ShowOutOfMemory(editor);
  }
}

bool Guarded(Editor& editor, const std::function<bool()>& handler, bool onFailure) {
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

  QObject::connect(c.按钮1, &QPushButton::clicked, c.window, [e] { Guarded(*e, [e] { OnOpenButton(*e); }); });
  QObject::connect(c.按钮2, &QPushButton::clicked, c.window, [e] { Guarded(*e, [e] { OnAddImagesButton(*e); }); });
  QObject::connect(c.按钮3, &QPushButton::clicked, c.window, [e] { Guarded(*e, [e] { OnDeleteButton(*e); }); });
  QObject::connect(c.按钮4, &QPushButton::clicked, c.window, [e] { Guarded(*e, [e] { OnSaveButton(*e); }); });
  QObject::connect(c.按钮5, &QPushButton::clicked, c.window, [e] { Guarded(*e, [e] { OnSaveAsButton(*e); }); });

  c.图标列表框->onDoubleClick = [e] { Guarded(*e, [e] { OnIconListDoubleClick(*e); }); };
  c.图标列表框->onRightClick = [e](QPoint at) { Guarded(*e, [e, at] { OnIconListRightClick(*e, at); }); };
  c.图标列表框->onCurrentChanged = [e] { Guarded(*e, [e] { OnIconListCurrentChanged(*e); }); };

  QObject::connect(c.时钟1, &QTimer::timeout, c.window, [e] { Guarded(*e, [e] { OnTimerTick(*e); }); });
  c.拖放对象1->onFilesDropped = [e](const Text& paths) { Guarded(*e, [e, &paths] { OnFilesDropped(*e, paths); }); };

  QObject::connect(c.打开图片组, &QAction::triggered, c.window, [e] { Guarded(*e, [e] { OnOpenMenu(*e); }); });
  QObject::connect(c.保存图片组, &QAction::triggered, c.window, [e] { Guarded(*e, [e] { OnSaveMenu(*e); }); });
  QObject::connect(c.图组另存为, &QAction::triggered, c.window, [e] { Guarded(*e, [e] { OnSaveAsMenu(*e); }); });
  QObject::connect(c.添加图片, &QAction::triggered, c.window, [e] { Guarded(*e, [e] { OnAddImagesCommand(*e); }); });
  QObject::connect(c.删除图片, &QAction::triggered, c.window, [e] { Guarded(*e, [e] { OnDeleteMenu(*e); }); });
  QObject::connect(c.导出图片, &QAction::triggered, c.window, [e] { Guarded(*e, [e] { OnExportCommand(*e); }); });
  QObject::connect(c.关闭音乐, &QAction::triggered, c.window, [e] { Guarded(*e, [e] { OnCloseMusicCommand(*e); }); });
  QObject::connect(c.退出, &QAction::triggered, c.window, [e] { Guarded(*e, [e] { OnExitCommand(*e); }); });
}

// The export dialog's "created" event is run by LoadExportDialog after this.
void BindExportDialogEvents(Editor& editor) {
  Editor* e = &editor;
  ExportControls& c = editor.exportDialog;
  c.window->onCloseRequest = [e] {
    return Guarded(
        *e, [e] { return OnExportDialogCloseRequest(*e); }, true);
  };
  QObject::connect(c.按钮1, &QPushButton::clicked, c.window, [e] { Guarded(*e, [e] { OnExportConfirm(*e); }); });
  QObject::connect(c.按钮2, &QPushButton::clicked, c.window, [e] { Guarded(*e, [e] { OnExportDialogClose(*e); }); });
  c.颜色选择器1->onColourChanged = [e] { Guarded(*e, [e] { OnFillColourChanged(*e); }); };
}

}  // namespace tilvane
