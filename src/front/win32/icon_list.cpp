
#include <algorithm>
#include <cwchar>

#include "front/win32/controls.h"

namespace tilvane::win32 {

namespace {

// The icons' size in layout pixels.
constexpr int kLayoutIconSize = 32;

}  // namespace

// One image as a 32-bit bitmap of the icon size with straight (not
// premultiplied) alpha, since the image list multiplies by alpha itself when
// it draws; the mask beside it for lists that draw without alpha. A tile of
// another size is scaled to the nearest pixels. The two bitmaps are drawn
// into again for every image: the image list keeps copies.
int Win32IconList::AddImage(const ImageList& header, const Image& image) {
  const int iconSize = window_.Scaled(kLayoutIconSize);
  const int maskStride = (iconSize + 15) / 16 * 2;
  if (!colourBitmap_ || bitmapSize_ != iconSize) {
    ReleaseBitmaps();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = iconSize;
    info.bmiHeader.biHeight = -iconSize;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    colourBitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    colourBits_ = static_cast<std::uint32_t*>(bits);
    maskBitmap_ = ::CreateBitmap(iconSize, iconSize, 1, 1, nullptr);
    maskBits_.assign(static_cast<std::size_t>(maskStride) * iconSize, 0);
    bitmapSize_ = iconSize;
    if (!colourBitmap_ || !maskBitmap_) {
      ReleaseBitmaps();
      return -1;
    }
  }
  ::GdiFlush();
  std::fill(maskBits_.begin(), maskBits_.end(), 0);
  std::vector<std::uint32_t> argb = ImageArgb(header, image);
  const int width = header.tileWidth;
  const int height = header.tileHeight;
  // As large as at 96 DPI in layout pixels, shrunk to fit when larger than
  // the icon, keeping proportions, and centred.
  const double scale =
      std::min({double(iconSize) / kLayoutIconSize, double(iconSize) / width, double(iconSize) / height});
  const int shownWidth = std::max(1, static_cast<int>(width * scale));
  const int shownHeight = std::max(1, static_cast<int>(height * scale));
  const int left = (iconSize - shownWidth) / 2;
  const int top = (iconSize - shownHeight) / 2;
  for (int y = 0; y < iconSize; ++y) {
    for (int x = 0; x < iconSize; ++x) {
      std::uint32_t pixel = 0;
      if (x >= left && x < left + shownWidth && y >= top && y < top + shownHeight) {
        int sx = (x - left) * width / shownWidth;
        int sy = (y - top) * height / shownHeight;
        pixel = argb[static_cast<std::size_t>(sy) * width + sx];
      }
      colourBits_[static_cast<std::size_t>(y) * iconSize + x] = pixel;
      if ((pixel >> 24) == 0) maskBits_[static_cast<std::size_t>(y) * maskStride + x / 8] |= 0x80 >> (x % 8);
    }
  }
  ::SetBitmapBits(maskBitmap_, static_cast<DWORD>(maskBits_.size()), maskBits_.data());
  return ImageList_Add(images_, colourBitmap_, maskBitmap_);
}

void Win32IconList::ReleaseBitmaps() {
  if (colourBitmap_) ::DeleteObject(colourBitmap_);
  if (maskBitmap_) ::DeleteObject(maskBitmap_);
  colourBitmap_ = maskBitmap_ = nullptr;
  colourBits_ = nullptr;
}

namespace {

// The image list is ours (LVS_SHAREIMAGELISTS): it is replaced on a DPI
// change and destroyed by ~Win32IconList, never by the list view.
constexpr DWORD kListStyle = LVS_ICON | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE |
                             LVS_SHAREIMAGELISTS | WS_BORDER | WS_HSCROLL | WS_VSCROLL;

// Whether `caption` starts with `typed` (or is it, unless `partial`), case
// ignored.
bool CaptionMatches(const std::wstring& caption, const wchar_t* typed, bool partial) {
  const int typedLength = static_cast<int>(std::wcslen(typed));
  const int captionLength = static_cast<int>(caption.size());
  if (typedLength == 0 || captionLength < typedLength || (!partial && captionLength != typedLength)) return false;
  return ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, caption.c_str(), typedLength, typed, typedLength) ==
         CSTR_EQUAL;
}

}  // namespace

Win32IconList::Win32IconList(Win32Window& window, const ControlSpec& spec)
    : ChildControl(window, spec, WC_LISTVIEWW, kListStyle) {
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_DOUBLEBUFFER);
  Rescale();
  ShowBackground();
  // The menu key and type-ahead work from the start, without a click.
  window.TakeFocusFirst(hwnd_);
}

Win32IconList::~Win32IconList() {
  ReleaseBitmaps();
  if (images_) ImageList_Destroy(images_);
}

// A new icon size comes with a new image list.
void Win32IconList::Rescale() {
  ChildControl::Rescale();
  const int size = window_.Scaled(kLayoutIconSize);
  HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 64, 256);
  ListView_SetImageList(hwnd_, images, LVSIL_NORMAL);
  if (images_) ImageList_Destroy(images_);
  images_ = images;
  slots_.clear();
  ListView_SetIconSpacing(hwnd_, window_.Scaled(76), window_.Scaled(62));
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

// The system's image list holds only the images drawn so far: each is
// rendered the first time the list shows it, so that showing a new group
// costs nothing per image.
void Win32IconList::ShowImages() {
  slots_.clear();
  ImageList_RemoveAll(images_);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32IconList::setImageGroup(const Bytes& bytes) {
  group_.reset();
  bytes_ = bytes;
  group_ = ImageGroupReader::Open(bytes_).ToOptional();
  ShowImages();
}

// The bytes' storage is taken over, and read where they are.
void Win32IconList::setImageGroup(Bytes&& bytes) {
  group_.reset();
  bytes_ = std::move(bytes);
  group_ = ImageGroupReader::Open(bytes_).ToOptional();
  ShowImages();
}

Bytes Win32IconList::takeImageGroup() {
  group_.reset();
  Bytes taken = std::move(bytes_);
  bytes_.clear();
  ShowImages();
  return taken;
}

int Win32IconList::SlotOf(int image) {
  if (!group_ || image < 0 || static_cast<std::size_t>(image) >= group_->size()) return -1;
  auto found = slots_.find(image);
  if (found != slots_.end()) return found->second;
  int slot = AddImage(group_->header(), group_->ImageAt(static_cast<std::size_t>(image)));
  slots_.emplace(image, slot);
  return slot;
}

int Win32IconList::imageCount() const { return group_ ? static_cast<int>(group_->size()) : 0; }

// The list asks for what it shows; it keeps no item of its own. While the
// count changes the list does not draw: it would otherwise lay out and draw
// its scroll bars at once, and under Wine ask for every item's image.
void Win32IconList::ItemsChanged() {
  if (ListView_GetItemCount(hwnd_) != items_.Count()) {
    ::SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemCountEx(hwnd_, items_.Count(), LVSICF_NOSCROLL);
    ::SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
  }
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

int Win32IconList::insertItem(int position, const Text& caption, int imageIndex) {
  const int selected = selectedIndex();
  const int item = items_.Insert(position, caption, imageIndex);
  ItemsChanged();
  // The selection stays on its item, which has moved one place on.
  if (selected >= item) setSelectedIndex(selected + 1);
  return item;
}

// Neither a selected nor a current item is left. Only the items that have
// either state are told: telling every item (item -1) costs the list two
// notifications an item.
void Win32IconList::setNumberedItems(int count) {
  ClearStates(LVIS_SELECTED | LVIS_FOCUSED);
  items_.SetNumbered(count);
  ItemsChanged();
}

void Win32IconList::ClearStates(UINT states) {
  for (UINT state : {UINT{LVIS_SELECTED}, UINT{LVIS_FOCUSED}}) {
    if (!(states & state)) continue;
    int item = ListView_GetNextItem(hwnd_, -1, state == LVIS_SELECTED ? LVNI_SELECTED : LVNI_FOCUSED);
    if (item >= 0) ListView_SetItemState(hwnd_, item, 0, state);
  }
}

void Win32IconList::clearItems() { setNumberedItems(0); }

int Win32IconList::selectedIndex() const { return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); }

void Win32IconList::setSelectedIndex(int index) {
  ClearStates(LVIS_SELECTED);
  if (index < 0 || index >= itemCount()) return;
  ListView_SetItemState(hwnd_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(hwnd_, index, FALSE);
}

// The editor sets the colour on every idle tick: an unchanged colour costs
// the list no new brush and no redraw.
void Win32IconList::setBackgroundColour(Colour colour) {
  colour &= 0x00FFFFFF;
  if (colour == background_) return;
  background_ = colour;
  ShowBackground();
}

void Win32IconList::ShowBackground() {
  ListView_SetBkColor(hwnd_, background_);
  ListView_SetTextBkColor(hwnd_, background_);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32IconList::OnContextMenu(POINT at) {
  if (at.x == -1 && at.y == -1) {
    // The menu key: below the selected item, or at the list's corner.
    RECT box{};
    int selected = selectedIndex();
    if (selected < 0 || !ListView_GetItemRect(hwnd_, selected, &box, LVIR_ICON)) box = {};
    at = {box.left, box.bottom};
    ::ClientToScreen(hwnd_, &at);
  }
  if (onRightClick) onRightClick({at.x, at.y});
}

// Type-ahead: the list asks for the first item from `start` on whose
// caption starts with what was typed, going round to the top when `find`
// says so. It keeps no captions, so it cannot look for itself.
int Win32IconList::FindItem(const LVFINDINFOW& find, int start) const {
  const int count = items_.Count();
  if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.psz || count == 0) return -1;
  const bool wrap = (find.flags & LVFI_WRAP) != 0;
  if (start < 0 || start >= count) {
    if (!wrap && start >= count) return -1;
    start = 0;
  }
  const int last = wrap ? count : count - start;
  for (int k = 0; k < last; ++k) {
    const int item = (start + k) % count;
    if (CaptionMatches(WideOf(items_.CaptionOf(item)), find.psz, (find.flags & LVFI_PARTIAL) != 0)) return item;
  }
  return -1;
}

void Win32IconList::ReportCurrentChanged() {
  currentChangePending_ = false;
  if (onCurrentChanged && ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED) >= 0) onCurrentChanged();
}

LRESULT Win32IconList::OnNotify(NMHDR* header, bool& handled) {
  handled = true;
  switch (header->code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
      if (item.mask & LVIF_TEXT && item.pszText && item.cchTextMax > 0) {
        std::wstring caption = WideOf(items_.CaptionOf(item.iItem));
        ::lstrcpynW(item.pszText, caption.c_str(), item.cchTextMax);
      }
      if (item.mask & LVIF_IMAGE) {
        item.iImage = SlotOf(items_.ImageOf(item.iItem));
      }
      return 0;
    }
    case LVN_ITEMCHANGED: {
      const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      // Reported once the click or key that made it is over, when the
      // selection already says so.
      if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_FOCUSED) &&
          !(change->uOldState & LVIS_FOCUSED) && !currentChangePending_) {
        currentChangePending_ = true;
        window_.Post([this] { ReportCurrentChanged(); });
      }
      return 0;
    }
    case LVN_ODFINDITEMW: {
      const auto* find = reinterpret_cast<NMLVFINDITEMW*>(header);
      return FindItem(find->lvfi, find->iStart);
    }
    case NM_DBLCLK:
      if (onDoubleClick) onDoubleClick();
      return 0;
    default: handled = false; return 0;
  }
}

}  // namespace tilvane::win32
