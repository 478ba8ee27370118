#include "editor/controls.h"

namespace tilvane {

void Control::setTop(int top) {
  Rect r = geometry();
  r.top = top;
  setGeometry(r);
}

void Control::setSize(int width, int height) {
  Rect r = geometry();
  r.width = width;
  r.height = height;
  setGeometry(r);
}

DropEffect DropEffectFor(bool acceptable, bool ctrl, bool shift, DropEffects allowed) {
  if (!acceptable || (ctrl && shift)) return DropEffect::None;
  if (ctrl) return allowed.copy ? DropEffect::Copy : DropEffect::None;
  if (shift) return allowed.move ? DropEffect::Move : DropEffect::None;
  if (allowed.copy) return DropEffect::Copy;
  if (allowed.move) return DropEffect::Move;
  if (allowed.link) return DropEffect::Link;
  return DropEffect::None;
}

DropEffect DropCursorFor(DropEffect effect) { return effect == DropEffect::Move ? DropEffect::Copy : effect; }

Text DroppedFilesText(const std::vector<Text>& paths) {
  if (paths.size() == 1) return paths.front();
  Text text;
  for (const auto& path : paths) text += path + "\r\n";
  return text;
}

void IconListItems::SetNumbered(int count) {
  items_.clear();
  listed_ = false;
  numbered_ = count > 0 ? count : 0;
}

int IconListItems::PositionFor(int position) const {
  const int count = Count();
  return (position < 0 || position > count) ? count : position;
}

int IconListItems::Insert(int position, const Text& caption, int imageIndex) {
  const int count = Count();
  const int item = PositionFor(position);
  if (imageIndex < -1) imageIndex = -1;
  if (!listed_ && item == count && imageIndex == count && caption == ToText(count)) {
    ++numbered_;
    return item;
  }
  if (!listed_) {
    items_.reserve(static_cast<std::size_t>(numbered_) + 1);
    for (int k = 0; k < numbered_; ++k) items_.push_back({ToText(k), k});
    listed_ = true;
  }
  items_.insert(items_.begin() + item, Item{caption, imageIndex});
  return item;
}

int IconListItems::ImageOf(int item) const {
  if (item < 0 || item >= Count()) return -1;
  return listed_ ? items_[static_cast<std::size_t>(item)].image : item;
}

Text IconListItems::CaptionOf(int item) const {
  if (item < 0 || item >= Count()) return {};
  return listed_ ? items_[static_cast<std::size_t>(item)].caption : ToText(item);
}

}  // namespace tilvane
