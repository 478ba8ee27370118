// Both windows' layouts as data: geometry, captions, colours and initial
// states of every control, and the context menu's items. The code that builds
// widgets from these tables is in layout.cpp.
#pragma once

#include <span>

#include "core/text.h"

namespace tilvane {

enum class ControlKind { ColumnButton, Button, Label, VerticalLabel, IconList, PictureBox, ColourPicker };

struct ControlLayout {
  const char* name;
  ControlKind kind;
  int left, top, width, height;
  const char* text;
  bool enabled = true;
};

struct WindowLayout {
  const char* caption;
  int left, top, width, height;  // outer size
  bool sizable;
  bool hasBackground;  // false: the system's colour
  Colour background;
  std::span<const ControlLayout> controls;
};

struct MenuItemLayout {
  const char* name;      // empty for a separator
  const char* caption;
  const char* shortcut;  // shown after a tab; no key is bound to it
};

extern const WindowLayout kMainWindowLayout;
extern const WindowLayout kExportDialogLayout;
extern const std::span<const MenuItemLayout> kFileMenuLayout;

// Colours used by the commands and the timer.
inline constexpr Colour kListBackgroundIdle = 0x00C8C8C8;    // MakeColor(200, 200, 200)
inline constexpr Colour kListBackgroundLoaded = 0x00F0F0FF;  // MakeColor(255, 240, 240)
inline constexpr Colour kDefaultFillColour = 0x00F0F0F0;

}  // namespace tilvane
