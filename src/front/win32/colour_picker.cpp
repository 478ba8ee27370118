#include <algorithm>

#include "front/win32/controls.h"

namespace tilvane::win32 {

namespace {

// The item data of the last entry, which asks for any other colour.
constexpr LPARAM kOtherColour = -1;

// Keeps the user's custom colours between two openings of the colour dialog.
COLORREF gCustomColours[16] = {};

std::optional<Colour> ChooseOtherColour(HWND owner, Colour start) {
  CHOOSECOLORW choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = owner;
  choose.rgbResult = start;
  choose.lpCustColors = gCustomColours;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  if (!::ChooseColorW(&choose)) return std::nullopt;
  return static_cast<Colour>(choose.rgbResult) & 0x00FFFFFF;
}

}  // namespace

// A drop-down list of colour swatches, then "…" for any other colour. Each
// entry holds its colour as item data and its name as its string, which the
// list does not draw and a screen reader reads.
Win32ColourPicker::Win32ColourPicker(Win32Window& window, const ControlSpec& spec)
    : ChildControl(window, spec, WC_COMBOBOXW, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL),
      colour_(kColourSwatches[0]) {
  for (Colour swatch : kColourSwatches) AddEntry(-1, WideOf(ColourName(swatch)), static_cast<LPARAM>(swatch));
  customEntry_ = AddEntry(-1, WideOf(kOtherColourName), kOtherColour);
  Rescale();
  ShowCurrent();
}

// The closed box is as tall as the layout says; the list below it shows every
// entry.
void Win32ColourPicker::Rescale() {
  ChildControl::Rescale();
  const int field = std::max(8, window_.Scaled(layout_.height) - 6);
  const int entry = window_.Scaled(18);
  ::SendMessageW(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  ::SendMessageW(hwnd_, CB_SETITEMHEIGHT, 0, entry);
  ::MoveWindow(hwnd_, window_.Scaled(layout_.left), window_.Scaled(layout_.top), window_.Scaled(layout_.width),
               window_.Scaled(layout_.height) + entry * (customEntry_ + 2), TRUE);
}

void Win32ColourPicker::OnMeasureItem(MEASUREITEMSTRUCT& item) {
  item.itemHeight = item.itemID == static_cast<UINT>(-1) ? window_.Scaled(layout_.height) - 6 : window_.Scaled(18);
}

int Win32ColourPicker::AddEntry(int position, const std::wstring& name, LPARAM data) {
  auto entry = static_cast<int>(
      ::SendMessageW(hwnd_, CB_INSERTSTRING, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(name.c_str())));
  ::SendMessageW(hwnd_, CB_SETITEMDATA, static_cast<WPARAM>(entry), data);
  return entry;
}

void Win32ColourPicker::setColour(Colour colour) {
  colour_ = colour & 0x00FFFFFF;
  ShowCurrent();
}

// Selects the swatch of the current colour; a colour that has none gets a
// swatch of its own just before the last entry.
void Win32ColourPicker::ShowCurrent() {
  int found = -1;
  for (int k = 0; k < customEntry_; ++k) {
    if (static_cast<Colour>(::SendMessageW(hwnd_, CB_GETITEMDATA, k, 0)) == colour_) {
      found = k;
      break;
    }
  }
  if (found < 0) {
    const int customSwatch = static_cast<int>(std::size(kColourSwatches));
    if (customEntry_ > customSwatch) ::SendMessageW(hwnd_, CB_DELETESTRING, customSwatch, 0);
    found = AddEntry(customSwatch, WideOf(ColourName(colour_)), static_cast<LPARAM>(colour_));
    customEntry_ = customSwatch + 1;
  }
  ::SendMessageW(hwnd_, CB_SETCURSEL, found, 0);
}

// The user's choice: picked in the open list, or stepped to with the keys in
// the closed box. The colour dialog opens once the list has closed.
void Win32ColourPicker::OnCommand(WORD code) {
  bool dropped = ::SendMessageW(hwnd_, CB_GETDROPPEDSTATE, 0, 0) != 0;
  if (code != CBN_SELENDOK && !(code == CBN_SELCHANGE && !dropped)) return;
  int entry = static_cast<int>(::SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
  window_.Post([this, entry] { Choose(entry); });
}

void Win32ColourPicker::Choose(int entry) {
  Colour before = colour_;
  if (entry == customEntry_) {
    if (auto chosen = ChooseOtherColour(window_.hwnd(), colour_)) colour_ = *chosen;
  } else if (entry >= 0) {
    colour_ = static_cast<Colour>(::SendMessageW(hwnd_, CB_GETITEMDATA, entry, 0)) & 0x00FFFFFF;
  }
  ShowCurrent();  // also restores the previous colour after a cancelled dialog
  if (colour_ != before && onColourChanged) onColourChanged();
}

void Win32ColourPicker::OnDrawItem(const DRAWITEMSTRUCT& item) {
  RECT box = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  ::FillRect(item.hDC, &box, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID == static_cast<UINT>(-1)) return;
  ::InflateRect(&box, -3, -2);
  if (item.itemData == static_cast<ULONG_PTR>(kOtherColour)) {
    HGDIOBJ old = ::SelectObject(item.hDC, window_.font());
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    ::DrawTextW(item.hDC, L"\u2026", 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SelectObject(item.hDC, old);
    return;
  }
  HBRUSH swatch = ::CreateSolidBrush(static_cast<COLORREF>(item.itemData));
  ::FillRect(item.hDC, &box, swatch);
  ::DeleteObject(swatch);
  ::FrameRect(item.hDC, &box, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
}

}  // namespace tilvane::win32
