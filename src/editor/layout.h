// Both windows' layouts as data: geometry, captions, colours and initial
// states of every control, the member of the window's controls each one is
// kept in, and the context menu's items. load_window.cpp builds the controls
// from these tables through the front end; layout.cpp checks them at compile
// time.
#pragma once

#include <span>
#include <variant>

#include "core/text.h"
#include "editor/accessibility.h"
#include "editor/editor.h"

namespace tilvane {

enum class ControlKind { ColumnButton, Button, Label, VerticalLabel, IconList, PictureBox, ColourPicker };

// The member of a window's controls (MainControls or ExportControls) that
// holds a built control. Its type must be one the row's kind makes.
template <typename Controls>
using ControlSlot = std::variant<Button * Controls::*, Label * Controls::*, PictureBox * Controls::*,
                                 IconList * Controls::*, ColourPicker * Controls::*>;

template <typename Controls>
struct ControlLayout {
  ControlSlot<Controls> slot;
  const char* name;
  ControlKind kind;
  int left, top, width, height;
  const char* text;
  bool enabled = true;
};

template <typename Controls>
struct WindowLayout {
  const char* caption;
  int left, top, width, height;  // outer size
  bool sizable;
  bool hasBackground;  // false: the system's colour
  Colour background;
  std::span<const ControlLayout<Controls>> controls;
  AccessibleText accessible;                            // the window's own (accessibility.h)
  std::span<const ControlAccessibility> accessibility;  // its controls', by name
};

struct MenuItemLayout {
  MenuItem* MainControls::*item = nullptr;  // none for a separator
  const char* name = "";
  const char* caption = "";
  const char* shortcut = "";  // shown after a tab; no key is bound to it
};

extern const WindowLayout<MainControls> kMainWindowLayout;
extern const WindowLayout<ExportControls> kExportDialogLayout;
extern const std::span<const MenuItemLayout> kFileMenuLayout;

// Colours used by the commands and the timer.
inline constexpr Colour kListBackgroundIdle = 0x00C8C8C8;    // MakeColor(200, 200, 200)
inline constexpr Colour kListBackgroundLoaded = 0x00F0F0FF;  // MakeColor(255, 240, 240)
inline constexpr Colour kDefaultFillColour = 0x00F0F0F0;

}  // namespace tilvane
