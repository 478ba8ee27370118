#include "editor/load_window.h"

#include <type_traits>

namespace tilvane {

namespace {

// Makes the control of one row in `window` and keeps it in the row's member
// of `controls` (layout.cpp asserts that the two agree).
template <typename Controls>
void LoadControl(Window& window, const ControlLayout<Controls>& row, Controls& controls,
                 std::span<const ControlAccessibility> accessibility) {
  ControlSpec spec{row.name,
                   {row.left, row.top, row.width, row.height},
                   row.text,
                   !row.enabled,
                   AccessibleTextOf(accessibility, row.name)};
  std::visit(
      [&](auto slot) {
        auto& member = controls.*slot;
        using Kind = std::remove_pointer_t<std::remove_reference_t<decltype(member)>>;
        if constexpr (std::is_same_v<Kind, Button>) {
          member = window.AddButton(spec, row.kind == ControlKind::ColumnButton);
        } else if constexpr (std::is_same_v<Kind, Label>) {
          member = window.AddLabel(spec, row.kind == ControlKind::VerticalLabel);
        } else if constexpr (std::is_same_v<Kind, PictureBox>) {
          member = window.AddPictureBox(spec);
        } else if constexpr (std::is_same_v<Kind, ColourPicker>) {
          member = window.AddColourPicker(spec);
        } else {
          static_assert(std::is_same_v<Kind, IconList>);
          member = window.AddIconList(spec);
        }
      },
      row.slot);
}

template <typename Controls>
std::unique_ptr<Window> Load(FrontEnd& frontEnd, const WindowLayout<Controls>& layout, Controls& controls,
                             Window* owner) {
  WindowStyle style{layout.caption,    {layout.left, layout.top, layout.width, layout.height},
                    layout.sizable,    layout.hasBackground,
                    layout.background, layout.accessible};
  std::unique_ptr<Window> window = frontEnd.NewWindow(style, owner);
  for (const auto& row : layout.controls) LoadControl(*window, row, controls, layout.accessibility);
  return window;
}

}  // namespace

std::unique_ptr<Window> LoadWindow(FrontEnd& frontEnd, const WindowLayout<MainControls>& layout, MainControls& controls,
                                   Window* owner) {
  return Load(frontEnd, layout, controls, owner);
}

std::unique_ptr<Window> LoadWindow(FrontEnd& frontEnd, const WindowLayout<ExportControls>& layout,
                                   ExportControls& controls, Window* owner) {
  return Load(frontEnd, layout, controls, owner);
}

void LoadMenu(PopupMenu& menu, std::span<const MenuItemLayout> items, MainControls& controls) {
  for (const MenuItemLayout& item : items) {
    if (!item.item) {
      menu.AddSeparator();
      continue;
    }
    controls.*item.item = menu.AddItem(item.name, item.caption, item.shortcut);
  }
}

}  // namespace tilvane
