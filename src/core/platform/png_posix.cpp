#include <png.h>

#include <cstring>

#include "core/platform/png.h"

namespace tilvane::platform {

std::optional<RgbaPicture> DecodePng(ByteSpan bytes, int maxSide) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  if (image.width == 0 || image.height == 0 || image.width > static_cast<png_uint_32>(maxSide) ||
      image.height > static_cast<png_uint_32>(maxSide)) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGBA;  // 8-bit sRGB, alpha not premultiplied
  RgbaPicture picture;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  return picture;
}

std::optional<Bytes> EncodePng(const RgbaPicture& picture) {
  if (picture.width < 1 || picture.height < 1 ||
      picture.rgba.size() != static_cast<std::size_t>(picture.width) * picture.height * 4) {
    return std::nullopt;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, picture.rgba.data(), 0, nullptr)) return std::nullopt;
  Bytes png(size);
  if (!png_image_write_to_memory(&image, png.data(), &size, 0, picture.rgba.data(), 0, nullptr)) return std::nullopt;
  png.resize(size);
  return png;
}

}  // namespace tilvane::platform
