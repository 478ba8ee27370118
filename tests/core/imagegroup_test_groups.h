// Generated image groups for the codec, collection and export tests: every
// pixel value fits the depth, palettes carry a varying fourth byte, and the
// content is a fixed pseudo-random function of the parameters.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/imagegroup/codec.h"

namespace tilvane::testing {

struct GroupShape {
  std::uint16_t tileWidth = 32;
  std::uint16_t tileHeight = 32;
  std::uint16_t bitsPerPixel = 32;
  bool mask = true;
  int images = 1;
  std::uint16_t capacity = 4;
  bool depthCodeZero = false;  // leave the depth to the colour bitmap
};

inline std::uint32_t NextRandom(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state ^ (state >> 16);
}

inline ImageList MakeList(const GroupShape& shape, std::uint32_t seed = 1) {
  ImageList list;
  list.tileWidth = shape.tileWidth;
  list.tileHeight = shape.tileHeight;
  list.bitsPerPixel = shape.bitsPerPixel;
  list.flags =
      static_cast<std::uint16_t>((shape.mask ? kFlagMask : 0) | (shape.depthCodeZero ? 0 : shape.bitsPerPixel));
  list.backColour = 0x00ABCDEF;
  list.growStep = 3;
  list.capacity = shape.capacity;
  list.overlays = {2, -1, 0, 7};
  std::uint32_t state = seed;
  if (shape.bitsPerPixel <= 8) {
    list.palette.resize(std::size_t{1} << shape.bitsPerPixel);
    for (auto& entry : list.palette) entry = NextRandom(state);
  }
  const std::uint32_t valueMask = shape.bitsPerPixel == 32 ? 0xFFFFFFFFu : (1u << shape.bitsPerPixel) - 1;
  for (int i = 0; i < shape.images; ++i) {
    Image image;
    image.pixels.resize(list.PixelsPerImage());
    for (auto& pixel : image.pixels) pixel = NextRandom(state) & valueMask;
    if (shape.mask) {
      image.mask.resize(list.PixelsPerImage());
      for (auto& bit : image.mask) bit = NextRandom(state) & 1;
    }
    list.PushImage(image);
  }
  return list;
}

// Every image of a list, each on its own.
inline std::vector<Image> AllImages(const ImageList& list) {
  std::vector<Image> images;
  for (std::size_t i = 0; i < list.ImageCount(); ++i) images.push_back(list.ImageAt(i));
  return images;
}

inline std::string ShapeName(const GroupShape& s) {
  char name[96];
  std::snprintf(name, sizeof name, "%ux%u at %u bits%s%s, %d images in %u slots", s.tileWidth, s.tileHeight,
                s.bitsPerPixel, s.mask ? " with mask" : "", s.depthCodeZero ? " (code 0)" : "", s.images, s.capacity);
  return name;
}

// Little-endian field readers for checking encoded bytes.
inline std::uint32_t U32At(const Bytes& b, std::size_t at) {
  return b[at] | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 | std::uint32_t{b[at + 3]} << 24;
}
inline std::uint16_t U16At(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
inline void PutU32At(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PutU16At(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// File offsets of the fixed parts of a group.
inline constexpr std::size_t kStreamAt = 8;
inline constexpr std::size_t kColourBmpAt = 36;

}  // namespace tilvane::testing
