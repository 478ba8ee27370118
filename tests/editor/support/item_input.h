// Real mouse input on an item view, at an item's rectangle as the view itself
// lays it out, so that the view sees what a person's mouse would give it:
// the window system's press and release, the double-click Qt makes of two
// quick clicks, and the context-menu event Qt makes of a right-click. Works on
// any QAbstractItemView (a QListWidget or a QListView over a model alike).
#pragma once

#include <QPoint>
#include <Qt>

class QAbstractItemView;

namespace tilvane::testing {

// The centre of item `row`, in the view's viewport, after scrolling it into
// view; the window is shown first when it is not.
QPoint ItemCentre(QAbstractItemView& view, int row);

void ClickItem(QAbstractItemView& view, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void DoubleClickItem(QAbstractItemView& view, int row);
void RightClickItem(QAbstractItemView& view, int row);

// A point of the viewport below every item, where a click hits no item.
QPoint EmptySpot(QAbstractItemView& view);
void DoubleClickAt(QAbstractItemView& view, QPoint inViewport);
void RightClickAt(QAbstractItemView& view, QPoint inViewport);

}  // namespace tilvane::testing
