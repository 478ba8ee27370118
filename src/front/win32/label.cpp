#include <algorithm>

#include "front/win32/controls.h"

namespace tilvane::win32 {

// A vertical label draws itself, one character per line, in a face small
// enough for every line to fit its box; its window text, which a screen
// reader reads, is the whole text.
Win32Label::Win32Label(Win32Window& window, const ControlSpec& spec, bool vertical)
    : ChildControl(window, spec, WC_STATICW, vertical ? SS_OWNERDRAW : SS_LEFT | SS_NOPREFIX, WideOf(spec.text)),
      caption_(spec.text) {}

void Win32Label::OnDrawItem(const DRAWITEMSTRUCT& item) {
  std::wstring text = WideOf(caption_);
  RECT box = item.rcItem;
  ::FillRect(item.hDC, &box, window_.background());
  if (text.empty()) return;
  const int lines = static_cast<int>(text.size());
  const int lineHeight = (box.bottom - box.top) / lines;
  const int normal = ::MulDiv(kCaptionFontPointSize, static_cast<int>(DpiOfWindow(hwnd_)), 72);
  HFONT font =
      NewCaptionFont(DpiOfWindow(hwnd_), std::max(1, std::min({normal, lineHeight, int(box.right - box.left)})));
  HGDIOBJ old = ::SelectObject(item.hDC, font);
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ::GetSysColor(COLOR_BTNTEXT));
  for (int k = 0; k < lines; ++k) {
    RECT line{box.left, box.top + k * lineHeight, box.right, box.top + (k + 1) * lineHeight};
    ::DrawTextW(item.hDC, &text[static_cast<std::size_t>(k)], 1, &line,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  ::SelectObject(item.hDC, old);
  ::DeleteObject(font);
}

}  // namespace tilvane::win32
