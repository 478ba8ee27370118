// The in-memory operations on a decoded group: colour lookup, depth
// conversion and appending.
#include <algorithm>

#include "core/imagegroup/codec.h"
#include "core/imagegroup/pixel_rows.h"

namespace tilvane {

namespace {

constexpr std::size_t kMaxImages = 65535;

}  // namespace

Image ImageList::ImageAt(std::size_t index) const {
  Image image;
  const auto values = PixelsOf(index);
  image.pixels.assign(values.begin(), values.end());
  const auto entries = MaskOf(index);
  image.mask.assign(entries.begin(), entries.end());
  return image;
}

void ImageList::PushImage(const Image& image) {
  pixels.insert(pixels.end(), image.pixels.begin(), image.pixels.end());
  mask.insert(mask.end(), image.mask.begin(), image.mask.end());
}

void ImageList::EraseImages(std::size_t first, std::size_t count) {
  const std::size_t images = ImageCount();
  if (first >= images) return;
  count = std::min(count, images - first);
  const auto erase = [this, first, count](auto& block) {
    if (block.empty()) return;
    const auto begin = block.begin() + static_cast<std::ptrdiff_t>(first * PixelsPerImage());
    block.erase(begin, begin + static_cast<std::ptrdiff_t>(count * PixelsPerImage()));
  };
  erase(pixels);
  erase(mask);
}

std::uint32_t PixelRgb(const ImageList& list, std::uint32_t value) {
  switch (list.bitsPerPixel) {
    case 1:
    case 4:
    case 8: return value < list.palette.size() ? list.palette[value] & 0x00FFFFFF : 0;
    case 16: return pixel_rows::Rgb555ToRgb(value);
    default: return value & 0x00FFFFFF;
  }
}

void ConvertToDepth32(ImageList& list) {
  for (std::uint32_t& value : list.pixels) value = PixelRgb(list, value);
  list.bitsPerPixel = 32;
  list.flags = static_cast<std::uint16_t>((list.flags & ~kDepthCodeBits) | kDepthCode32);
  list.palette.clear();
}

bool IsReadyForIcons(const ImageList& header) {
  return header.bitsPerPixel == 32 && (header.flags & kDepthCodeBits) == kDepthCode32 && header.HasMask();
}

IconReadiness ReadyForIcons(ImageList& list) {
  IconReadiness done;
  done.oldBits = list.bitsPerPixel;
  if (list.bitsPerPixel != 32 || (list.flags & kDepthCodeBits) != kDepthCode32) {
    ConvertToDepth32(list);
    done.depthConverted = true;
  }
  if (!list.HasMask()) {
    list.flags |= kFlagMask;
    list.mask.assign(list.pixels.size(), 0);
    done.maskAdded = true;
  }
  return done;
}

std::optional<std::uint16_t> CapacityForOneMore(std::size_t images, std::uint16_t capacity, std::uint16_t growStep) {
  if (images >= kMaxImages) return std::nullopt;
  if (images < capacity) return capacity;
  const std::size_t step = std::max<std::size_t>(growStep, 1);
  const std::size_t grown = std::max(images + 1, std::size_t{capacity} + step);
  return static_cast<std::uint16_t>(std::min(grown, kMaxImages));
}

bool AppendImage(ImageList& list, const Image& image) {
  const auto capacity = CapacityForOneMore(list.ImageCount(), list.capacity, list.growStep);
  if (!capacity) return false;
  list.capacity = *capacity;
  list.PushImage(image);
  return true;
}

}  // namespace tilvane
