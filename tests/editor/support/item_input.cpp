// The mouse events go through the window system's path (the QWindow of the
// view's top-level window), as the platform delivers them, not straight to the
// widget: only that path makes Qt turn two clicks into a double-click and a
// right-click into a context-menu event.
#define QTEST_QPA_MOUSE_HANDLING
#include "editor/support/item_input.h"

#include <QAbstractItemView>
#include <QTest>
#include <QWindow>

namespace tilvane::testing {

namespace {

QWidget* ShownViewport(QAbstractItemView& view) {
  QWidget* window = view.window();
  if (!window->isVisible()) {
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) qWarning("the view's window was not exposed");
  }
  return view.viewport();
}

QModelIndex IndexOf(const QAbstractItemView& view, int row) {
  return view.model() ? view.model()->index(row, 0, view.rootIndex()) : QModelIndex();
}

}  // namespace

QPoint ItemCentre(QAbstractItemView& view, int row) {
  ShownViewport(view);
  QModelIndex index = IndexOf(view, row);
  if (!index.isValid()) {
    qWarning("no item %d in the view", row);
    return {};
  }
  view.scrollTo(index);
  QRect rect = view.visualRect(index);
  if (!rect.isValid() || !view.viewport()->rect().contains(rect.center())) {
    qWarning("item %d is not on the viewport", row);
  }
  return rect.center();
}

void ClickItem(QAbstractItemView& view, int row, Qt::KeyboardModifiers modifiers) {
  QPoint at = ItemCentre(view, row);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, modifiers, at);
}

void DoubleClickItem(QAbstractItemView& view, int row) { DoubleClickAt(view, ItemCentre(view, row)); }

void DoubleClickAt(QAbstractItemView& view, QPoint inViewport) {
  ShownViewport(view);
  QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, inViewport);
}

void RightClickItem(QAbstractItemView& view, int row) { RightClickAt(view, ItemCentre(view, row)); }

QPoint EmptySpot(QAbstractItemView& view) {
  QWidget* viewport = ShownViewport(view);
  int bottom = 0;
  for (int row = 0; view.model() && row < view.model()->rowCount(view.rootIndex()); ++row) {
    bottom = qMax(bottom, view.visualRect(IndexOf(view, row)).bottom());
  }
  QPoint spot(viewport->width() / 2, bottom + (viewport->height() - bottom) / 2);
  if (bottom >= viewport->height() - 2) qWarning("the items fill the viewport: no empty spot");
  return spot;
}

void RightClickAt(QAbstractItemView& view, QPoint inViewport) {
  ShownViewport(view);
  QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier, inViewport);
}

}  // namespace tilvane::testing
