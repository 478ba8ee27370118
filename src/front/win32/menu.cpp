#include "front/win32/controls.h"

namespace tilvane::win32 {

bool Win32MenuItem::disabled() const { return (::GetMenuState(menu_, id_, MF_BYCOMMAND) & MF_GRAYED) != 0; }

void Win32MenuItem::setDisabled(bool disabled) {
  ::EnableMenuItem(menu_, id_, MF_BYCOMMAND | (disabled ? MF_GRAYED : MF_ENABLED));
}

Win32PopupMenu::Win32PopupMenu(Win32Window& window) : window_(window), menu_(::CreatePopupMenu()) {}

Win32PopupMenu::~Win32PopupMenu() { ::DestroyMenu(menu_); }

// The shortcut text stands after a tab, where the system aligns it to the
// right; no key is bound to it.
MenuItem* Win32PopupMenu::AddItem(const Text&, const Text& caption, const Text& shortcut) {
  Text shown = shortcut.empty() ? caption : JoinTexts(caption, "\t", shortcut);
  UINT id = window_.NewId();
  ::AppendMenuW(menu_, MF_STRING, id, WideOf(shown).c_str());
  auto item = std::make_unique<Win32MenuItem>(menu_, id, shown);
  window_.AddCommand(id, &item->onSelected);
  items_.push_back(std::move(item));
  return items_.back().get();
}

void Win32PopupMenu::AddSeparator() { ::AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr); }

// Shown from the event loop, so that this returns at once; the chosen item's
// command reaches the window after the menu has closed.
void Win32PopupMenu::Popup(Point screenPosition) {
  window_.Post([this, screenPosition] {
    HWND owner = window_.hwnd();
    // Without it the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(owner);
    ::TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screenPosition.x, screenPosition.y, 0,
                     owner, nullptr);
    ::PostMessageW(owner, WM_NULL, 0, 0);
  });
}

}  // namespace tilvane::win32
