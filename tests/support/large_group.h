// Valid image groups of large one-bit tiles, written straight as bytes (a
// decoded form would take several times their size): sixteen 4096 x 4096
// tiles with a mask make a 64 MB group of 268 million pixels.
#pragma once

#include "support/little_endian.h"

#include <cstdint>
#include <vector>

namespace tilvane::testing {

namespace large_group_detail {
using little_endian::Put16;
using little_endian::Put32;
// A one-bit bottom-up BMP of width x height whose rows alternate 0x55 and 0xAA.
inline void PutBitmap(std::vector<std::uint8_t>& out, std::uint32_t width, std::uint32_t height) {
  const std::uint32_t stride = (width + 31) / 32 * 4;
  out.push_back('B');
  out.push_back('M');
  for (std::uint32_t v : {62u, 0u, 62u, 40u, width, height}) Put32(out, v);
  Put16(out, 1);
  Put16(out, 1);
  for (std::uint32_t v : {0u, stride * height, 0u, 0u, 0u, 0u, 0x00000000u, 0x00FFFFFFu}) Put32(out, v);
  for (std::uint32_t row = 0; row < height; ++row) out.insert(out.end(), stride, row % 2 ? 0xAA : 0x55);
}
}  // namespace large_group_detail

// `images` one-bit tiles of side x side in `capacity` slots (0: as many as
// images), with a mask when asked; depth code 0, as a one-bit group always
// has. The free slots hold the same pattern as the images.
inline std::vector<std::uint8_t> LargeOneBitGroup(std::uint16_t images, std::uint16_t side, bool mask,
                                                  std::uint16_t capacity = 0) {
  using namespace large_group_detail;
  if (capacity < images) capacity = images;
  const std::uint32_t width = 4u * side;
  const std::uint32_t height = std::uint32_t{side} * ((capacity + 3u) / 4u);
  std::vector<std::uint8_t> out = {'M', 'I', 'T', 'L', 0, 0, 0, 0xFF, 'I', 'L'};
  for (std::uint32_t v :
       {0x0101u, std::uint32_t{images}, std::uint32_t{capacity}, 4u, std::uint32_t{side}, std::uint32_t{side}})
    Put16(out, v);
  Put32(out, 0xFFFFFFFFu);
  Put16(out, mask ? 1 : 0);
  for (int i = 0; i < 4; ++i) Put16(out, 0xFFFF);
  const std::size_t bitmapBytes = 62 + std::size_t{(width + 31) / 32 * 4} * height;
  out.reserve(out.size() + (mask ? 2 : 1) * bitmapBytes);
  PutBitmap(out, width, height);
  if (mask) PutBitmap(out, width, height);
  return out;
}

// The group of sixteen 4096 x 4096 tiles with a mask: 64 MB.
inline std::vector<std::uint8_t> SixteenHugeTiles() { return LargeOneBitGroup(16, 4096, true); }

}  // namespace tilvane::testing
