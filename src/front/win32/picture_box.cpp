#include <algorithm>
#include <cstring>

#include "core/imagegroup/bmp_layout.h"
#include "front/win32/controls.h"

namespace tilvane::win32 {

namespace {

// The bitmap information header and colour table StretchDIBits takes for a
// checked BMP.
// Layout pixels of which the window's scale is read, fine enough for any DPI.
constexpr int kScaleUnit = 960;

struct DibHeader {
  BITMAPINFOHEADER header;
  RGBQUAD palette[256];
};

DibHeader HeaderOf(const BmpView& bmp) {
  DibHeader dib{};
  dib.header.biSize = sizeof dib.header;
  dib.header.biWidth = static_cast<LONG>(bmp.width);
  dib.header.biHeight = static_cast<LONG>(bmp.height);
  dib.header.biPlanes = 1;
  dib.header.biBitCount = bmp.bitsPerPixel;
  dib.header.biCompression = BI_RGB;
  std::size_t entries = std::min<std::size_t>(bmp.palette.size() / 4, 256);
  dib.header.biClrUsed = static_cast<DWORD>(entries);
  std::memcpy(dib.palette, bmp.palette.data(), entries * 4);
  return dib;
}

}  // namespace

Win32PictureBox::Win32PictureBox(Win32Window& window, const ControlSpec& spec)
    : ChildControl(window, spec, WC_STATICW, SS_OWNERDRAW) {}

void Win32PictureBox::setPicture(Bytes picture) {
  picture_ = std::move(picture);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

// As large as at 96 DPI in layout pixels (twice its pixels at 192 DPI),
// shrunk to fit when larger than the box, keeping its proportions; centred.
void Win32PictureBox::OnDrawItem(const DRAWITEMSTRUCT& item) {
  RECT box = item.rcItem;
  ::FillRect(item.hDC, &box, window_.background());
  SpanReader reader{ByteSpan(picture_)};
  ErrorOr<BmpView> bmp = ReadBmp(reader, BmpPart::kColour);
  if (!bmp || bmp->width == 0 || bmp->height == 0) return;
  const int boxWidth = box.right - box.left;
  const int boxHeight = box.bottom - box.top;
  const double natural = window_.Scaled(kScaleUnit) / double(kScaleUnit);
  double scale = std::min({natural, double(boxWidth) / bmp->width, double(boxHeight) / bmp->height});
  int width = std::max(1, static_cast<int>(bmp->width * scale));
  int height = std::max(1, static_cast<int>(bmp->height * scale));
  DibHeader dib = HeaderOf(*bmp);
  // Shrunk, pixels are averaged; grown, each stays a sharp square.
  ::SetStretchBltMode(item.hDC, scale < 1.0 ? HALFTONE : COLORONCOLOR);
  ::SetBrushOrgEx(item.hDC, 0, 0, nullptr);
  ::StretchDIBits(item.hDC, box.left + (boxWidth - width) / 2, box.top + (boxHeight - height) / 2, width, height, 0, 0,
                  static_cast<int>(bmp->width), static_cast<int>(bmp->height), bmp->pixels.data(),
                  reinterpret_cast<const BITMAPINFO*>(&dib), DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace tilvane::win32
