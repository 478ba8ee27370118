// PNG through stb_image and stb_image_write, compiled here from their headers.
#include <climits>

#include "core/platform/png.h"

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_image.h>
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace tilvane::platform {

namespace {

void AppendTo(void* context, void* data, int size) {
  auto* out = static_cast<Bytes*>(context);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

std::optional<RgbaPicture> DecodePng(ByteSpan bytes, int maxSide) {
  if (bytes.empty() || bytes.size() > INT_MAX) return std::nullopt;
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int length = static_cast<int>(bytes.size());
  int width = 0;
  int height = 0;
  int channels = 0;
  // The size first, so that a huge picture is refused before any allocation.
  if (!stbi_info_from_memory(data, length, &width, &height, &channels)) return std::nullopt;
  if (width < 1 || height < 1 || width > maxSide || height > maxSide) return std::nullopt;
  stbi_uc* pixels = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
  if (!pixels) return std::nullopt;
  RgbaPicture picture;
  picture.width = width;
  picture.height = height;
  picture.rgba.assign(pixels, pixels + static_cast<std::size_t>(width) * height * 4);
  stbi_image_free(pixels);
  return picture;
}

std::optional<Bytes> EncodePng(const RgbaPicture& picture) {
  if (picture.width < 1 || picture.height < 1 || picture.width > INT_MAX / 4 ||
      picture.rgba.size() != static_cast<std::size_t>(picture.width) * picture.height * 4) {
    return std::nullopt;
  }
  Bytes png;
  if (!stbi_write_png_to_func(AppendTo, &png, picture.width, picture.height, 4, picture.rgba.data(),
                              picture.width * 4)) {
    return std::nullopt;
  }
  return png;
}

}  // namespace tilvane::platform
