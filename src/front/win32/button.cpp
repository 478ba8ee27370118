#include <string>
#include <vector>

#include "front/win32/controls.h"

namespace tilvane::win32 {

namespace {

// The characters of a caption, a surrogate pair being one.
std::vector<std::wstring> CharactersOf(const std::wstring& text) {
  std::vector<std::wstring> characters;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::size_t length = IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() ? 2 : 1;
    characters.push_back(text.substr(i, length));
    i += length - 1;
  }
  return characters;
}

}  // namespace

// The window text is the caption as it is, which is what a screen reader
// reads; a column button draws it itself, one character a line, since the
// system does not break Chinese text between characters.
Win32Button::Win32Button(Win32Window& window, const ControlSpec& spec, bool column)
    : ChildControl(window, spec, WC_BUTTONW, column ? BS_OWNERDRAW : BS_PUSHBUTTON, WideOf(spec.text)),
      caption_(spec.text),
      column_(column) {}

void Win32Button::setCaption(const Text& caption) {
  caption_ = caption;
  ::SetWindowTextW(hwnd_, WideOf(caption).c_str());
}

void Win32Button::OnDrawItem(const DRAWITEMSTRUCT& item) {
  RECT box = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  ::DrawFrameControl(item.hDC, &box, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const std::vector<std::wstring> lines = CharactersOf(WideOf(caption_));
  HGDIOBJ old = ::SelectObject(item.hDC, window_.font());
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(item.hDC, &metrics);
  const int lineHeight = metrics.tmHeight;
  int top = box.top + (box.bottom - box.top - lineHeight * static_cast<int>(lines.size())) / 2 + (pushed ? 1 : 0);
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ::GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  for (const std::wstring& line : lines) {
    RECT place{box.left, top, box.right, top + lineHeight};
    ::DrawTextW(item.hDC, line.c_str(), static_cast<int>(line.size()), &place,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    top += lineHeight;
  }
  ::SelectObject(item.hDC, old);
  if (item.itemState & ODS_FOCUS) {
    ::InflateRect(&box, -3, -3);
    ::DrawFocusRect(item.hDC, &box);
  }
}

void Win32Button::OnCommand(WORD code) {
  if (code == BN_CLICKED && onClicked) onClicked();
}

}  // namespace tilvane::win32
