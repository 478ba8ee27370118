#include "editor/support/qt_controls.h"

namespace tilvane::testing {

using qt::QtOf;

QtMainControls QtControlsOf(const MainControls& c) {
  return {QtOf<qt::TopLevelWidget>(c.window.get()),
          QtOf<qt::ColumnButton>(c.按钮1),
          QtOf<qt::ColumnButton>(c.按钮2),
          QtOf<qt::ColumnButton>(c.按钮3),
          QtOf<qt::ColumnButton>(c.按钮4),
          QtOf<qt::ColumnButton>(c.按钮5),
          QtOf<qt::IconListView>(c.图标列表框),
          QtOf<QTimer>(c.时钟1),
          QtOf<qt::DropFilter>(c.拖放对象1),
          QtOf<QMenu>(c.文件),
          QtOf<QAction>(c.打开图片组),
          QtOf<QAction>(c.保存图片组),
          QtOf<QAction>(c.图组另存为),
          QtOf<QAction>(c.添加图片),
          QtOf<QAction>(c.删除图片),
          QtOf<QAction>(c.导出图片),
          QtOf<QAction>(c.关闭音乐),
          QtOf<QAction>(c.退出)};
}

QtExportControls QtControlsOf(const ExportControls& c) {
  return {QtOf<qt::TopLevelWidget>(c.window.get()),
          QtOf<QLabel>(c.标签1),
          QtOf<QLabel>(c.标签2),
          QtOf<QLabel>(c.标签3),
          QtOf<QLabel>(c.图片框1),
          QtOf<qt::ColourCombo>(c.颜色选择器1),
          QtOf<QPushButton>(c.按钮1),
          QtOf<QPushButton>(c.按钮2)};
}

}  // namespace tilvane::testing
