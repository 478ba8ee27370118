#include "core/imagegroup/default_group.h"

#include <algorithm>
#include <cstdlib>

#include "core/imagegroup/codec.h"

namespace tilvane {

namespace {

constexpr int kSize = 32;
constexpr std::uint32_t kTransparentWhite = 0x00FFFFFF;

// Whether pixel (x, y) lies inside a square with rounded corners, inset `inset`
// pixels from the tile edge. Works in half-pixel units so that pixel centres
// are exact integers and the picture is the same everywhere.
bool InsideRoundedSquare(int x, int y, int inset) {
  constexpr int kRadius = 6;
  const int lo = 2 * inset;
  const int hi = 2 * (kSize - inset);
  const int px = 2 * x + 1;
  const int py = 2 * y + 1;
  if (px < lo || px > hi || py < lo || py > hi) return false;
  const int r = 2 * (kRadius - inset);
  const int cx = std::clamp(px, lo + r, hi - r);
  const int cy = std::clamp(py, lo + r, hi - r);
  return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
}

// A small landscape: sky fading downwards, a sun, two hills, framed.
std::uint32_t LandscapeColour(int x, int y) {
  if (!InsideRoundedSquare(x, y, 2)) return 0x3F6F9F;  // frame
  const int sx = x - 21;
  const int sy = y - 10;
  if (sx * sx + sy * sy <= 16) return 0xFFD24A;  // sun
  const bool farHill = y >= 20 + std::abs(x - 10) / 2;
  const bool nearHill = y >= 23 + std::abs(x - 22) / 3;
  if (nearHill) return 0x3E9E4F;
  if (farHill) return 0x6DBF6A;
  const std::uint32_t shade = static_cast<std::uint32_t>(y) * 3;
  return (0x9C + shade) << 16 | (0xC8 + shade / 2) << 8 | 0xF4;
}

Image Placeholder() {
  Image image;
  image.pixels.resize(kSize * kSize);
  image.mask.resize(kSize * kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool opaque = InsideRoundedSquare(x, y, 1);
      image.pixels[y * kSize + x] = opaque ? LandscapeColour(x, y) : kTransparentWhite;
      image.mask[y * kSize + x] = opaque ? 0 : 1;
    }
  }
  return image;
}

Bytes BuildDefaultGroup() {
  ImageList list;
  list.tileWidth = kSize;
  list.tileHeight = kSize;
  list.flags = kFlagMask | kDepthCode32;
  list.backColour = 0x00FFFFFF;
  list.growStep = 4;
  list.capacity = 6;
  list.bitsPerPixel = 32;
  list.PushImage(Placeholder());
  // The list above is well formed, so encoding cannot fail.
  return *EncodeImageGroup(list);
}

}  // namespace

const Bytes& DefaultImageGroup() {
  static const Bytes group = BuildDefaultGroup();
  return group;
}

}  // namespace tilvane
