// What one source named to "qiltool add" gives: the icon of an executable,
// library or icon file, the icon of a shortcut's target, or a PNG picture,
// each fitted into the group's cell. Sources are told apart by their content.
#pragma once

#include <optional>

#include "core/intake/icon_pixels.h"
#include "core/text.h"

namespace tilvane::qiltool {

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

// True when the bytes start like a shell link (header size 0x4C and its class id).
bool IsShellLinkData(ByteSpan bytes);

// The picture `path` gives, or nothing with `reason` set ("has no icon 3",
// "shortcut has no file target", ...). The cell must be 1 to kMaxPngSide
// pixels on each side.
std::optional<SourceIcon> ReadSourceIcon(const Text& path, const SourceRequest& request, Text& reason);

}  // namespace tilvane::qiltool
