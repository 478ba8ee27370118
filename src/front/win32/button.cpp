#include "front/win32/controls.h"

namespace tilvane::win32 {

namespace {

// A column button's caption, one character per line: the system does not
// break Chinese text between characters by itself.
std::wstring ShownCaption(const Text& caption, bool column) {
  std::wstring wide = WideOf(caption);
  if (!column) return wide;
  std::wstring lines;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (!lines.empty()) lines += L'\n';
    lines += wide[i];
    // A surrogate pair is one character.
    if (IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size()) lines += wide[++i];
  }
  return lines;
}

}  // namespace

Win32Button::Win32Button(Win32Window& window, const ControlSpec& spec, bool column)
    : ChildControl(window, spec, WC_BUTTONW, BS_PUSHBUTTON | (column ? BS_MULTILINE | BS_CENTER | BS_VCENTER : 0),
                   ShownCaption(spec.text, column)),
      caption_(spec.text),
      column_(column) {}

void Win32Button::setCaption(const Text& caption) {
  caption_ = caption;
  ::SetWindowTextW(hwnd_, ShownCaption(caption, column_).c_str());
}

void Win32Button::OnCommand(WORD code) {
  if (code == BN_CLICKED && onClicked) onClicked();
}

}  // namespace tilvane::win32
