#include "core/export/picture.h"

#include <new>

#include "core/imagegroup/bmp_layout.h"
#include "core/imagegroup/codec.h"

namespace tilvane {

namespace {

// 0x00BBGGRR (how colours are passed around) to 0x00RRGGBB (how pixels are
// read back from a group).
std::uint32_t ToRgb(Colour colour) {
  return (colour & 0x0000FF) << 16 | (colour & 0x00FF00) | (colour & 0xFF0000) >> 16;
}

}  // namespace

Bytes ImageGroupPicture(ByteSpan group, int index, Colour background) try {
  // Only the one image is cut out: a preview follows every click.
  const auto reader = ImageGroupReader::Open(group);
  if (!reader || index < 0 || static_cast<std::size_t>(index) >= reader->size()) return {};
  const ImageList& list = reader->header();
  const Image image = reader->ImageAt(static_cast<std::size_t>(index));
  const std::uint32_t width = list.tileWidth;
  const std::uint32_t height = list.tileHeight;
  const std::size_t stride = BmpRowStride(width, 24);
  const std::size_t pixelBytes = stride * height;
  const std::uint32_t fill = ToRgb(background) & 0x00FFFFFF;
  // Tiles up to 65,535 pixels square could need more than the 32-bit size
  // fields can say.
  if (kBmpHeadersSize + pixelBytes > 0xFFFFFFFFu) return {};

  Bytes out;
  out.reserve(kBmpHeadersSize + pixelBytes);
  AppendBmpHeaders(out, width, height, 24, 0, static_cast<std::uint32_t>(kBmpHeadersSize + pixelBytes));
  out.resize(kBmpHeadersSize + pixelBytes);  // zero row padding
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + kBmpHeadersSize + (height - 1 - y) * stride;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t i = std::size_t{y} * width + x;
      std::uint32_t rgb = PixelRgb(list, image.pixels[i]);
      if (list.HasMask() && image.mask[i] != 0) rgb |= fill;
      row[3 * x] = static_cast<std::uint8_t>(rgb);
      row[3 * x + 1] = static_cast<std::uint8_t>(rgb >> 8);
      row[3 * x + 2] = static_cast<std::uint8_t>(rgb >> 16);
    }
  }
  return out;
} catch (const std::bad_alloc&) {
  return {};
}

}  // namespace tilvane
