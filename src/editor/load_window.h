// Loading a window from its layout table, through the front end: the window
// with its stored geometry, caption, border and colours, then every control
// in table order, each kept in its member of the window's controls.
#pragma once

#include "editor/layout.h"

namespace tilvane {

// The window, hidden, with its controls; `owner` makes it a tool window
// kept above that one.
std::unique_ptr<Window> LoadWindow(FrontEnd& frontEnd, const WindowLayout<MainControls>& layout, MainControls& controls,
                                   Window* owner = nullptr);
std::unique_ptr<Window> LoadWindow(FrontEnd& frontEnd, const WindowLayout<ExportControls>& layout,
                                   ExportControls& controls, Window* owner = nullptr);

// Adds the menu of `items` to `menu`, each item kept in its member of `controls`.
void LoadMenu(PopupMenu& menu, std::span<const MenuItemLayout> items, MainControls& controls);

}  // namespace tilvane
