// The decoded form of one icon picture, as the image group stores it at
// 32 bits: the colour pixels and the transparency mask.
#pragma once

#include <cstdint>
#include <vector>

namespace tilvane {

struct IconPixels {
  int width = 0;
  int height = 0;
  // width x height values, top row first, each 0xAARRGGBB. AA is the alpha when
  // hasAlpha is set and 0 otherwise; the colour of a transparent pixel is black.
  std::vector<std::uint32_t> pixels;
  // One entry per pixel: 1 = transparent, 0 = opaque.
  std::vector<std::uint8_t> mask;
  // The picture came with an alpha channel (a PNG, or a 32-bit DIB with some
  // alpha above 0); its mask then follows the alpha.
  bool hasAlpha = false;
};

// A pixel whose alpha is at or below this is transparent in the mask.
inline constexpr std::uint8_t kAlphaMaskThreshold = 25;

// Largest side accepted for a picture inside an executable or icon file, and
// for a standalone PNG; both bound what a corrupted header can make us allocate.
inline constexpr int kMaxIconEntrySide = 1024;
inline constexpr int kMaxPngSide = 4096;

}  // namespace tilvane
