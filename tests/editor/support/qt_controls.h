// The Qt objects behind the editor's controls, member for member, so that a
// test reaches the real widget a handler set through its control.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "editor/editor.h"
#include "front/qt/controls.h"
#include "front/qt/drop_target.h"
#include "front/qt/icon_list.h"
#include "front/qt/widgets.h"
#include "front/qt/window.h"

namespace tilvane::testing {

struct QtMainControls {
  qt::TopLevelWidget* window;
  qt::ColumnButton* 按钮1;
  qt::ColumnButton* 按钮2;
  qt::ColumnButton* 按钮3;
  qt::ColumnButton* 按钮4;
  qt::ColumnButton* 按钮5;
  qt::IconListView* 图标列表框;
  QTimer* 时钟1;
  qt::DropFilter* 拖放对象1;
  QMenu* 文件;
  QAction* 打开图片组;
  QAction* 保存图片组;
  QAction* 图组另存为;
  QAction* 添加图片;
  QAction* 删除图片;
  QAction* 导出图片;
  QAction* 关闭音乐;
  QAction* 退出;
};

struct QtExportControls {
  qt::TopLevelWidget* window;
  QLabel* 标签1;
  QLabel* 标签2;
  QLabel* 标签3;
  QLabel* 图片框1;
  qt::ColourCombo* 颜色选择器1;
  QPushButton* 按钮1;
  QPushButton* 按钮2;
};

QtMainControls QtControlsOf(const MainControls& c);
QtExportControls QtControlsOf(const ExportControls& c);

}  // namespace tilvane::testing
