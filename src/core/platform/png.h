// PNG pictures in and out, from what each platform offers: libpng on POSIX
// systems (png_posix.cpp), the header-only stb_image and stb_image_write on
// Windows (png_win32.cpp). Both sides pass the same tests.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/text.h"

namespace tilvane::platform {

// 8 bits per channel, red, green, blue, alpha (not premultiplied), rows top first.
struct RgbaPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
};

// Any PNG (every colour type and depth, palettes and transparency chunks
// included, 16-bit channels reduced to 8) as RGBA. Nothing for a damaged PNG or
// one wider or higher than `maxSide`, which is checked before the pixels are
// decoded.
std::optional<RgbaPicture> DecodePng(ByteSpan png, int maxSide);

// The picture as an 8-bit RGBA PNG; nothing for an empty or inconsistent picture.
std::optional<Bytes> EncodePng(const RgbaPicture& picture);

}  // namespace tilvane::platform
