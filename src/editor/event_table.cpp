#include "editor/event_table.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>

#include "editor/document_commands.h"
#include "editor/drop_target.h"
#include "editor/export_dialog.h"
#include "editor/icon_list.h"
#include "editor/intake_commands.h"
#include "editor/main_window.h"
#include "editor/widgets.h"
#include "editor/windows.h"

namespace tilvane {

// Reading this file tells which code runs for which click. The window's
// "created" event is run by LoadEditor once everything here is bound.
void BindMainWindowEvents(Editor& editor) {
  Editor* e = &editor;
  MainControls& c = editor.main;

  c.window->onCloseRequest = [e] { return OnMainCloseRequest(*e).value_or(true); };
  c.window->onDestroyed = [e] { OnMainDestroyed(*e); };
  c.window->onResized = [e] { OnMainResized(*e); };

  QObject::connect(c.按钮1, &QPushButton::clicked, c.window, [e] { OnOpenButton(*e); });
  QObject::connect(c.按钮2, &QPushButton::clicked, c.window, [e] { OnAddImagesButton(*e); });
  QObject::connect(c.按钮3, &QPushButton::clicked, c.window, [e] { OnDeleteButton(*e); });
  QObject::connect(c.按钮4, &QPushButton::clicked, c.window, [e] { OnSaveButton(*e); });
  QObject::connect(c.按钮5, &QPushButton::clicked, c.window, [e] { OnSaveAsButton(*e); });

  c.图标列表框->onDoubleClick = [e] { OnIconListDoubleClick(*e); };
  c.图标列表框->onRightClick = [e](QPoint at) { OnIconListRightClick(*e, at); };
  c.图标列表框->onCurrentChanged = [e] { OnIconListCurrentChanged(*e); };

  QObject::connect(c.时钟1, &QTimer::timeout, c.window, [e] { OnTimerTick(*e); });
  c.拖放对象1->onFilesDropped = [e](const Text& paths) { OnFilesDropped(*e, paths); };

  QObject::connect(c.打开图片组, &QAction::triggered, c.window, [e] { OnOpenMenu(*e); });
  QObject::connect(c.保存图片组, &QAction::triggered, c.window, [e] { OnSaveMenu(*e); });
  QObject::connect(c.图组另存为, &QAction::triggered, c.window, [e] { OnSaveAsMenu(*e); });
  QObject::connect(c.添加图片, &QAction::triggered, c.window, [e] { OnAddImagesCommand(*e); });
  QObject::connect(c.删除图片, &QAction::triggered, c.window, [e] { OnDeleteMenu(*e); });
  QObject::connect(c.导出图片, &QAction::triggered, c.window, [e] { OnExportCommand(*e); });
  QObject::connect(c.关闭音乐, &QAction::triggered, c.window, [e] { OnCloseMusicCommand(*e); });
  QObject::connect(c.退出, &QAction::triggered, c.window, [e] { OnExitCommand(*e); });
}

// The export dialog's "created" event is run by LoadExportDialog after this.
void BindExportDialogEvents(Editor& editor) {
  Editor* e = &editor;
  ExportControls& c = editor.exportDialog;
  c.window->onCloseRequest = [e] { return OnExportDialogCloseRequest(*e); };
  QObject::connect(c.按钮1, &QPushButton::clicked, c.window, [e] { OnExportConfirm(*e); });
  QObject::connect(c.按钮2, &QPushButton::clicked, c.window, [e] { OnExportDialogClose(*e); });
  c.颜色选择器1->onColourChanged = [e] { OnFillColourChanged(*e); };
}

}  // namespace tilvane
