// The icon list 图标列表框: a list view in large-icon mode that shows the
// images of the group last given to its imageGroup property.
#pragma once

#include <QImage>
#include <QListWidget>
#include <functional>
#include <vector>

#include "core/text.h"

namespace tilvane {

class IconList : public QListWidget {
 public:
  explicit IconList(QWidget* parent = nullptr);

  // Decodes `bytes` and keeps a copy of them; bytes that do not decode show
  // no icons at all. Images larger than the icon size are kept scaled down to
  // it. Items are left as they are.
  void setImageGroup(const Bytes& bytes);
  const Bytes& imageGroup() const { return imageGroup_; }

  int itemCount() const { return count(); }
  // Inserts one item at `position` (negative: at the end) and returns its
  // index; an image index below -1 is taken as -1 (no image).
  int insertItem(int position = -1, const Text& caption = {}, int imageIndex = -1);
  // Removes every item; imageGroup is not changed.
  void clearItems();

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
  std::vector<QImage> images_;
  std::uint32_t background_ = 0;
};

}  // namespace tilvane
