#include "front/qt/icon_list.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "editor/accessibility.h"
#include "front/qt/controls.h"
#include "front/qt/widgets.h"

namespace tilvane::qt {

namespace {

// An image as the list draws it (ImageArgb).
QImage RenderImage(const ImageList& list, const Image& image) {
  QImage out(list.tileWidth, list.tileHeight, QImage::Format_ARGB32);
  std::vector<std::uint32_t> argb = ImageArgb(list, image);
  for (int y = 0; y < list.tileHeight; ++y) {
    std::copy_n(argb.begin() + std::ptrdiff_t{y} * list.tileWidth, list.tileWidth,
                reinterpret_cast<QRgb*>(out.scanLine(y)));
  }
  return out;
}

}  // namespace

int IconListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return items_.Count();
}

QVariant IconListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const int row = index.row();
  switch (role) {
    case Qt::DisplayRole: return QStringOf(items_.CaptionOf(row));
    case Qt::AccessibleTextRole: return QStringOf(IconListItemName(items_.CaptionOf(row)));
    case Qt::DecorationRole: {
      QImage image = Rendered(ImageOf(row));
      return image.isNull() ? QVariant() : QVariant(image);
    }
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::Alignment(Qt::AlignHCenter | Qt::AlignTop));
    default: return {};
  }
}

void IconListModel::SetGroup(const Bytes& bytes) {
  rendered_.clear();
  group_ = ImageGroupReader::Open(bytes).ToOptional();
  if (rowCount() > 0) emit dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole});
}

void IconListModel::ResetNumbered(int count) {
  beginResetModel();
  items_.SetNumbered(count);
  endResetModel();
}

int IconListModel::Insert(int position, const Text& caption, int imageIndex) {
  const int row = items_.PositionFor(position);
  beginInsertRows(QModelIndex(), row, row);
  items_.Insert(row, caption, imageIndex);
  endInsertRows();
  return row;
}

int IconListModel::ImageOf(int row) const { return items_.ImageOf(row); }

QImage IconListModel::Rendered(int imageIndex) const {
  if (!group_ || imageIndex < 0 || static_cast<std::size_t>(imageIndex) >= group_->size()) return {};
  auto found = rendered_.find(imageIndex);
  if (found != rendered_.end()) return found->second;
  QImage rendered = RenderImage(group_->header(), group_->ImageAt(static_cast<std::size_t>(imageIndex)));
  if (rendered.width() > largest_.width() || rendered.height() > largest_.height())
    rendered = rendered.scaled(largest_, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return rendered_.emplace(imageIndex, std::move(rendered)).first->second;
}

IconListView::IconListView(QWidget* parent) : QListView(parent), model_(new IconListModel(this)) {
  setModel(model_);
  setViewMode(QListView::IconMode);
  setIconSize(QSize(32, 32));
  model_->SetLargest(iconSize());
  setGridSize(QSize(76, 62));
  setSpacing(0);
  setWordWrap(true);
  setUniformItemSizes(true);
  setResizeMode(QListView::Adjust);
  setLayoutMode(QListView::Batched);
  setBatchSize(500);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setFrameShape(QFrame::Box);
  setLineWidth(1);
  // Icon mode turns on moving items by drag and drop; this list only takes drops from outside.
  setMovement(QListView::Static);
  setDragEnabled(false);
  setDragDropMode(QAbstractItemView::DropOnly);
  viewport()->setAcceptDrops(true);
  // Keep the selection visible while the list does not have the focus.
  QPalette p = palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
  p.setColor(QPalette::Text, Qt::black);
  setPalette(p);
}

void IconListView::setImageGroup(const Bytes& bytes) { setImageGroup(Bytes(bytes)); }

void IconListView::setImageGroup(Bytes&& bytes) {
  imageGroup_ = std::move(bytes);
  model_->SetGroup(imageGroup_);
}

Bytes IconListView::takeImageGroup() {
  Bytes taken = std::move(imageGroup_);
  imageGroup_.clear();
  model_->SetGroup(imageGroup_);
  return taken;
}

int IconListView::imageCount() const { return model_->ImageCount(); }

QImage IconListView::imageAt(int imageIndex) const { return model_->Rendered(imageIndex); }

int IconListView::imageOf(int row) const { return model_->ImageOf(row); }

int IconListView::insertItem(int position, const Text& caption, int imageIndex) {
  return model_->Insert(position, caption, imageIndex < -1 ? -1 : imageIndex);
}

void IconListView::setNumberedItems(int count) { model_->ResetNumbered(count); }

void IconListView::clearItems() { model_->Clear(); }

int IconListView::selectedIndex() const {
  int first = -1;
  for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
    if (first == -1 || index.row() < first) first = index.row();
  }
  return first;
}

void IconListView::setSelectedIndex(int index) {
  if (index < 0 || index >= itemCount()) {
    clearSelection();
    return;
  }
  selectionModel()->setCurrentIndex(model_->index(index), QItemSelectionModel::ClearAndSelect);
}

void IconListView::setBackgroundColour(std::uint32_t colour) {
  background_ = colour;
  QPalette p = palette();
  p.setColor(QPalette::Base, QColorOf(colour));
  setPalette(p);
}

// On a mouse press (and a drag over the items) the view makes the item under the
// pointer current first and selects it only afterwards; a handler told about
// the new current item at once would still read the old selection. Keys and
// setSelectedIndex select first, so they are reported straight away.
void IconListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QListView::currentChanged(current, previous);
  if (!current.isValid()) return;
  if (inMouseEvent_) {
    currentChangedHeldBack_ = true;
    return;
  }
  if (onCurrentChanged) onCurrentChanged();
}

template <typename BaseHandler>
void IconListView::WithCurrentChangeHeldBack(BaseHandler handler) {
  bool outermost = !inMouseEvent_;
  inMouseEvent_ = true;
  handler();
  if (!outermost) return;
  inMouseEvent_ = false;
  if (currentChangedHeldBack_) {
    currentChangedHeldBack_ = false;
    if (currentIndex().isValid() && onCurrentChanged) onCurrentChanged();
  }
}

void IconListView::mousePressEvent(QMouseEvent* event) {
  WithCurrentChangeHeldBack([&] { QListView::mousePressEvent(event); });
}

void IconListView::mouseMoveEvent(QMouseEvent* event) {
  WithCurrentChangeHeldBack([&] { QListView::mouseMoveEvent(event); });
}

void IconListView::mouseDoubleClickEvent(QMouseEvent* event) {
  WithCurrentChangeHeldBack([&] { QListView::mouseDoubleClickEvent(event); });
  if (event->button() == Qt::LeftButton && onDoubleClick) onDoubleClick();
}

// Shift+F10 asks for the context menu as the Menu key does, at the middle of
// the current item (its rectangle is in the viewport's coordinates).
void IconListView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
    QPoint inViewport = inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QPoint global = viewport()->mapToGlobal(inViewport);
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, mapFromGlobal(global), global, event->modifiers());
    QCoreApplication::sendEvent(this, &menuEvent);
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

void IconListView::contextMenuEvent(QContextMenuEvent* event) {
  if (onRightClick) onRightClick(event->globalPos());
  event->accept();
}

QtIconList::QtIconList(QWidget* parent, const ControlSpec& spec)
    : WidgetControl(Placed(new IconListView(parent), spec)), view_(static_cast<IconListView*>(widget())) {
  view_->onDoubleClick = [this] {
    if (onDoubleClick) onDoubleClick();
  };
  view_->onRightClick = [this](QPoint at) {
    if (onRightClick) onRightClick({at.x(), at.y()});
  };
  view_->onCurrentChanged = [this] {
    if (onCurrentChanged) onCurrentChanged();
  };
  // The list takes the keyboard when its window is first activated, so that
  // the menu key and type-ahead work without a click first.
  view_->setFocus(Qt::OtherFocusReason);
}

void QtIconList::setImageGroup(const Bytes& bytes) { view_->setImageGroup(bytes); }
void QtIconList::setImageGroup(Bytes&& bytes) { view_->setImageGroup(std::move(bytes)); }
const Bytes& QtIconList::imageGroup() const { return view_->imageGroup(); }
Bytes QtIconList::takeImageGroup() { return view_->takeImageGroup(); }
int QtIconList::imageCount() const { return view_->imageCount(); }
int QtIconList::itemCount() const { return view_->itemCount(); }
int QtIconList::insertItem(int position, const Text& caption, int imageIndex) {
  return view_->insertItem(position, caption, imageIndex);
}
void QtIconList::setNumberedItems(int count) { view_->setNumberedItems(count); }
void QtIconList::clearItems() { view_->clearItems(); }
int QtIconList::selectedIndex() const { return view_->selectedIndex(); }
void QtIconList::setSelectedIndex(int index) { view_->setSelectedIndex(index); }
Colour QtIconList::backgroundColour() const { return view_->backgroundColour(); }
void QtIconList::setBackgroundColour(Colour colour) { view_->setBackgroundColour(colour); }

}  // namespace tilvane::qt
