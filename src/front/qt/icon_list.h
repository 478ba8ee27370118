// The icon list 图标列表框 over Qt: a list view in large-icon mode that shows
// the images of the group last given to its imageGroup property.
#pragma once

#include <QAbstractListModel>
#include <QImage>
#include <QListView>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "core/imagegroup/codec.h"
#include "core/text.h"
#include "editor/controls.h"

namespace tilvane::qt {

// The items of the icon list and the images they show. Items are held as a
// count while they are the usual ones (item k captioned "k", showing image
// k), so that filling the list costs the same for ten items or ten thousand;
// any other insertion turns them into a list of their own. Each image is
// rendered when a view first asks for it and kept until the group changes.
class IconListModel : public QAbstractListModel {
 public:
  explicit IconListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // Keeps `bytes` (which must stay unchanged until the next call) as the
  // group the images come from; items are left as they are.
  void SetGroup(const Bytes& bytes);
  // Replaces every item by `count` usual items, in one reset.
  void ResetNumbered(int count);
  int Insert(int position, const Text& caption, int imageIndex);
  void Clear() { ResetNumbered(0); }
  int ImageOf(int row) const;
  int ImageCount() const { return group_ ? static_cast<int>(group_->size()) : 0; }

  // Image `imageIndex` as the list draws it, null when the group has none.
  // At most `largest` in size: larger images are scaled down to it.
  QImage Rendered(int imageIndex) const;
  void SetLargest(QSize largest) { largest_ = largest; }

 private:
  std::optional<ImageGroupReader> group_;
  QSize largest_{32, 32};
  IconListItems items_;
  mutable std::unordered_map<int, QImage> rendered_;
};

class IconListView : public QListView {
 public:
  explicit IconListView(QWidget* parent = nullptr);

  // Decodes `bytes` and keeps a copy of them; bytes that do not decode show
  // no icons at all. Images larger than the icon size are kept scaled down to
  // it. Items are left as they are.
  void setImageGroup(const Bytes& bytes);
  void setImageGroup(Bytes&& bytes);
  const Bytes& imageGroup() const { return imageGroup_; }
  // Hands the group's bytes back (their storage to be reused) and shows no
  // images until the next setImageGroup.
  Bytes takeImageGroup();
  // The number of images in imageGroup, 0 when it does not decode.
  int imageCount() const;

  int itemCount() const { return model_->rowCount(); }
  // Inserts one item at `position` (negative: at the end) and returns its
  // index; an image index below -1 is taken as -1 (no image).
  int insertItem(int position = -1, const Text& caption = {}, int imageIndex = -1);
  // Removes every item and puts `count` items in their place, item k
  // captioned ToText(k) and showing image k: what `count` calls of
  // insertItem(-1, ToText(k), k) give, in one step.
  void setNumberedItems(int count);
  // Removes every item; imageGroup is not changed.
  void clearItems();

  // Items stay in the order they were inserted: item k is image k. There is
  // no sorting to turn on.
  bool isSortingEnabled() const { return false; }

  // The first selected item, -1 when none; a value below -1 clears it.
  int selectedIndex() const;
  void setSelectedIndex(int index);

  // 0x00BBGGRR.
  void setBackgroundColour(std::uint32_t colour);
  std::uint32_t backgroundColour() const { return background_; }

  // The image an item shows, as the list draws it (for tests and previews): at
  // its own size, or scaled down to fit the icon size when larger.
  QImage imageAt(int imageIndex) const;
  int imageOf(int item) const;

  // Left-button double-click anywhere on the list, and right-click.
  std::function<void()> onDoubleClick;
  std::function<void(QPoint globalPosition)> onRightClick;
  // An item has become the current one, and the selection already says so.
  std::function<void()> onCurrentChanged;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  // Runs a mouse event of the base class, holding back onCurrentChanged until
  // the event is done (see currentChanged).
  template <typename BaseHandler>
  void WithCurrentChangeHeldBack(BaseHandler handler);

  bool inMouseEvent_ = false;
  bool currentChangedHeldBack_ = false;
  Bytes imageGroup_;
  IconListModel* model_ = nullptr;
  std::uint32_t background_ = 0;
};

}  // namespace tilvane::qt
