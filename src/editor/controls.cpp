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

}  // namespace tilvane
