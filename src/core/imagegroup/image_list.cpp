// The in-memory operations on a decoded group: colour lookup, depth
// conversion and appending.
#include <algorithm>

#include "core/imagegroup/codec.h"

namespace tilvane {

namespace {

constexpr std::size_t kMaxImages = 65535;

// Widens a 5-bit channel to 8 bits so that 31 becomes 255.
std::uint32_t Widen5(std::uint32_t channel) { return (channel << 3) | (channel >> 2); }

}  // namespace

std::uint32_t PixelRgb(const ImageList& list, const Image& image, std::size_t index) {
  if (index >= image.pixels.size()) return 0;
  const std::uint32_t value = image.pixels[index];
  switch (list.bitsPerPixel) {
    case 1:
    case 4:
    case 8: return value < list.palette.size() ? list.palette[value] & 0x00FFFFFF : 0;
    case 16: return Widen5((value >> 10) & 0x1F) << 16 | Widen5((value >> 5) & 0x1F) << 8 | Widen5(value & 0x1F);
    default: return value & 0x00FFFFFF;
  }
}

void ConvertToDepth32(ImageList& list) {
  for (Image& image : list.images)
    for (std::size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = PixelRgb(list, image, i);
  list.bitsPerPixel = 32;
  list.flags = static_cast<std::uint16_t>((list.flags & ~kDepthCodeBits) | 0x20);
  list.palette.clear();
}

std::optional<std::uint16_t> CapacityForOneMore(std::size_t images, std::uint16_t capacity, std::uint16_t growStep) {
  if (images >= kMaxImages) return std::nullopt;
  if (images < capacity) return capacity;
  const std::size_t step = std::max<std::size_t>(growStep, 1);
  const std::size_t grown = std::max(images + 1, std::size_t{capacity} + step);
  return static_cast<std::uint16_t>(std::min(grown, kMaxImages));
}

bool AppendImage(ImageList& list, Image image) {
  const auto capacity = CapacityForOneMore(list.images.size(), list.capacity, list.growStep);
  if (!capacity) return false;
  list.capacity = *capacity;
  list.images.push_back(std::move(image));
  return true;
}

}  // namespace tilvane
