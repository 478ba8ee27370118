#include "core/intake/icon_conversion.h"

#include "core/platform/png.h"

namespace tilvane {

Image ToGroupImage(const IconPixels& icon) {
  Image image;
  image.pixels = icon.pixels;
  image.mask = icon.mask;
  return image;
}

std::optional<IconPixels> FromGroupImage(const ImageList& list, std::size_t index) {
  if (index >= list.ImageCount()) return std::nullopt;
  const auto pixels = list.PixelsOf(index);
  const auto mask = list.MaskOf(index);
  IconPixels icon;
  icon.width = list.tileWidth;
  icon.height = list.tileHeight;
  const std::size_t count = list.PixelsPerImage();
  icon.pixels.resize(count);
  icon.mask.assign(count, 0);
  const bool fourthByteKept = list.bitsPerPixel == 32;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t fourth = fourthByteKept ? pixels[i] & 0xFF000000u : 0;
    icon.pixels[i] = fourth | (PixelRgb(list, pixels[i]) & 0x00FFFFFFu);
    if (!mask.empty()) icon.mask[i] = mask[i] ? 1 : 0;
    if (fourth != 0) icon.hasAlpha = true;
  }
  return icon;
}

std::optional<Bytes> EncodePngIcon(const IconPixels& icon) {
  const std::size_t count = static_cast<std::size_t>(icon.width) * icon.height;
  if (icon.width < 1 || icon.height < 1 || icon.pixels.size() != count || icon.mask.size() != count) {
    return std::nullopt;
  }
  platform::RgbaPicture picture;
  picture.width = icon.width;
  picture.height = icon.height;
  picture.rgba.resize(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t pixel = icon.pixels[i];
    std::uint8_t alpha = icon.mask[i] ? 0 : (icon.hasAlpha ? static_cast<std::uint8_t>(pixel >> 24) : 255);
    picture.rgba[4 * i] = static_cast<std::uint8_t>(pixel >> 16);
    picture.rgba[4 * i + 1] = static_cast<std::uint8_t>(pixel >> 8);
    picture.rgba[4 * i + 2] = static_cast<std::uint8_t>(pixel);
    picture.rgba[4 * i + 3] = alpha;
  }
  return platform::EncodePng(picture);
}

}  // namespace tilvane
