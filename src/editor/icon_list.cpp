#include "editor/icon_list.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

#include "core/imagegroup/codec.h"

namespace tilvane {

namespace {

constexpr int kImageIndexRole = Qt::UserRole + 1;

QColor ColourOf(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

// An image as the list draws it: pixels under the mask are transparent; a
// 32-bit image whose fourth bytes are not all zero carries its own alpha.
QImage RenderImage(const ImageList& list, const Image& image) {
  QImage out(list.tileWidth, list.tileHeight, QImage::Format_ARGB32);
  bool carriesAlpha = false;
  if (list.bitsPerPixel == 32) {
    for (auto pixel : image.pixels) {
      if ((pixel >> 24) != 0) {
        carriesAlpha = true;
        break;
      }
    }
  }
  std::size_t i = 0;
  for (int y = 0; y < list.tileHeight; ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < list.tileWidth; ++x, ++i) {
      bool transparent = list.HasMask() && image.mask[i] != 0;
      std::uint32_t rgb = PixelRgb(list, image, i);
      std::uint32_t alpha = transparent ? 0 : (carriesAlpha ? image.pixels[i] >> 24 : 0xFF);
      row[x] = (alpha << 24) | rgb;
    }
  }
  return out;
}

}  // namespace

IconList::IconList(QWidget* parent) : QListWidget(parent) {
  setViewMode(QListView::IconMode);
  setIconSize(QSize(32, 32));
  setGridSize(QSize(76, 62));
  setSpacing(0);
  setWordWrap(true);
  setUniformItemSizes(true);
  setResizeMode(QListView::Adjust);
  setLayoutMode(QListView::Batched);
  setBatchSize(500);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSortingEnabled(false);
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

void IconList::setImageGroup(const Bytes& bytes) {
  imageGroup_ = bytes;
  images_.clear();
  if (auto list = DecodeImageGroup(imageGroup_)) {
    images_.reserve(list->images.size());
    // Each image is kept at most as large as the list draws it, and its decoded
    // pixels go as soon as it is drawn: a group of large tiles then costs what
    // it shows, not four bytes more per pixel for as long as it is shown.
    for (auto& image : list->images) {
      QImage rendered = RenderImage(*list, image);
      if (rendered.width() > iconSize().width() || rendered.height() > iconSize().height())
        rendered = rendered.scaled(iconSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
      images_.push_back(std::move(rendered));
      image = Image();
    }
  }
  for (int row = 0; row < count(); ++row) {
    QListWidgetItem* it = item(row);
    it->setData(Qt::DecorationRole, imageAt(it->data(kImageIndexRole).toInt()));
  }
}

QImage IconList::imageAt(int imageIndex) const {
  if (imageIndex < 0 || static_cast<std::size_t>(imageIndex) >= images_.size()) return {};
  return images_[static_cast<std::size_t>(imageIndex)];
}

int IconList::imageOf(int row) const {
  QListWidgetItem* it = item(row);
  return it ? it->data(kImageIndexRole).toInt() : -1;
}

int IconList::insertItem(int position, const Text& caption, int imageIndex) {
  if (imageIndex < -1) imageIndex = -1;
  int row = (position < 0 || position > count()) ? count() : position;
  auto* it = new QListWidgetItem(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
  it->setData(kImageIndexRole, imageIndex);
  it->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
  QImage image = imageAt(imageIndex);
  if (!image.isNull()) it->setData(Qt::DecorationRole, image);
  QListWidget::insertItem(row, it);
  return row;
}

void IconList::clearItems() { clear(); }

int IconList::selectedIndex() const {
  int first = -1;
  for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
    if (first == -1 || index.row() < first) first = index.row();
  }
  return first;
}

void IconList::setSelectedIndex(int index) {
  if (index < 0 || index >= count()) {
    clearSelection();
    return;
  }
  setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

void IconList::setBackgroundColour(std::uint32_t colour) {
  background_ = colour;
  QPalette p = palette();
  p.setColor(QPalette::Base, ColourOf(colour));
  setPalette(p);
}

// On a mouse press (and a drag over the items) the view makes the item under the
// pointer current first and selects it only afterwards; a handler told about
// the new current item at once would still read the old selection. Keys and
// setSelectedIndex select first, so they are reported straight away.
void IconList::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QListWidget::currentChanged(current, previous);
  if (!current.isValid()) return;
  if (inMouseEvent_) {
    currentChangedHeldBack_ = true;
    return;
  }
  if (onCurrentChanged) onCurrentChanged();
}

template <typename BaseHandler>
void IconList::WithCurrentChangeHeldBack(BaseHandler handler) {
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

void IconList::mousePressEvent(QMouseEvent* event) {
  WithCurrentChangeHeldBack([&] { QListWidget::mousePressEvent(event); });
}

void IconList::mouseMoveEvent(QMouseEvent* event) {
  WithCurrentChangeHeldBack([&] { QListWidget::mouseMoveEvent(event); });
}

void IconList::mouseDoubleClickEvent(QMouseEvent* event) {
  WithCurrentChangeHeldBack([&] { QListWidget::mouseDoubleClickEvent(event); });
  if (event->button() == Qt::LeftButton && onDoubleClick) onDoubleClick();
}

void IconList::contextMenuEvent(QContextMenuEvent* event) {
  if (onRightClick) onRightClick(event->globalPos());
  event->accept();
}

}  // namespace tilvane
