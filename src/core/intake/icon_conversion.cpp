#include "core/intake/icon_conversion.h"

#include <png.h>

#include <cstring>

namespace tilvane {

Image ToGroupImage(const IconPixels& icon) {
  Image image;
  image.pixels = icon.pixels;
  image.mask = icon.mask;
  return image;
}

std::optional<IconPixels> FromGroupImage(const ImageList& list, std::size_t index) {
  if (index >= list.images.size()) return std::nullopt;
  const Image& image = list.images[index];
  IconPixels icon;
  icon.width = list.tileWidth;
  icon.height = list.tileHeight;
  const std::size_t count = list.PixelsPerImage();
  if (image.pixels.size() != count) return std::nullopt;
  icon.pixels.resize(count);
  icon.mask.assign(count, 0);
  const bool fourthByteKept = list.bitsPerPixel == 32;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t fourth = fourthByteKept ? image.pixels[i] & 0xFF000000u : 0;
    icon.pixels[i] = fourth | (PixelRgb(list, image, i) & 0x00FFFFFFu);
    if (image.mask.size() == count) icon.mask[i] = image.mask[i] ? 1 : 0;
    if (fourth != 0) icon.hasAlpha = true;
  }
  return icon;
}

std::optional<Bytes> EncodePngIcon(const IconPixels& icon) {
  const std::size_t count = static_cast<std::size_t>(icon.width) * icon.height;
  if (icon.width < 1 || icon.height < 1 || icon.pixels.size() != count || icon.mask.size() != count) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> rgba(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t pixel = icon.pixels[i];
    std::uint8_t alpha = icon.mask[i] ? 0 : (icon.hasAlpha ? static_cast<std::uint8_t>(pixel >> 24) : 255);
    rgba[4 * i] = static_cast<std::uint8_t>(pixel >> 16);
    rgba[4 * i + 1] = static_cast<std::uint8_t>(pixel >> 8);
    rgba[4 * i + 2] = static_cast<std::uint8_t>(pixel);
    rgba[4 * i + 3] = alpha;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(icon.width);
  image.height = static_cast<png_uint_32>(icon.height);
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr)) return std::nullopt;
  Bytes png(size);
  if (!png_image_write_to_memory(&image, png.data(), &size, 0, rgba.data(), 0, nullptr)) return std::nullopt;
  png.resize(size);
  return png;
}

}  // namespace tilvane
