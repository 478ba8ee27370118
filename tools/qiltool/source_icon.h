// What one source named to "qiltool add" gives: the icon of an executable,
// library or icon file, the icon of a shortcut's target, or a PNG picture,
// each fitted into the group's cell. Sources are told apart by their content.
#pragma once

#include <optional>

#include "core/intake/icon_pixels.h"
#include "core/text.h"

namespace tilvane::qiltool {

// The largest cell side icons are fitted into. A group file of a hundred bytes
// can declare cells of 65,535 pixels; filling one would take gigabytes.
inline constexpr int kMaxCellSide = 1024;

struct SourceRequest {
  int iconIndex = 0;
  bool smallIcon = false;
  int cellWidth = 32;
  int cellHeight = 32;
};

struct SourceIcon {
  IconPixels picture;  // already cellWidth x cellHeight
  Text description;    // what was taken, e.g. "icon 0, 48x48 picture scaled to 32x32"
};

// The picture `path` gives, or nothing with `reason` set ("has no icon 3",
// "shortcut has no file target", ...), also for a cell side outside 1 to
// kMaxCellSide.
std::optional<SourceIcon> ReadSourceIcon(const Text& path, const SourceRequest& request, Text& reason);

}  // namespace tilvane::qiltool
