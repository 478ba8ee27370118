// The in-memory operations on a decoded group: colour lookup, depth
// conversion and appending.
#include <algorithm>

#include "core/imagegroup/codec.h"
#include "core/imagegroup/pixel_rows.h"

namespace tilvane {

Image ImageList::ImageAt(std::size_t index) const {
  Image image;
  const auto values = PixelsOf(index);
  image.pixels.assign(values.begin(), values.end());
  if (const MaskBits bits = MaskOf(index); !bits.empty()) {
    image.mask.resize(bits.size());
    for (std::size_t y = 0; y < tileHeight; ++y)
      pixel_rows::UnpackBits(bits.Row(y), 0, tileWidth, image.mask.data() + y * tileWidth);
  }
  return image;
}

void ImageList::PushImage(const Image& image) {
  pixels.insert(pixels.end(), image.pixels.begin(), image.pixels.end());
  if (image.mask.empty()) return;
  mask.resize(mask.size() + MaskBytesPerImage());
  const MutableMaskBits bits = MaskOf(ImageCount() - 1);
  for (std::size_t y = 0; y < tileHeight; ++y)
    pixel_rows::PackBits(bits.Row(y), 0, tileWidth, image.mask.data() + y * tileWidth);
}

void ImageList::AddOpaqueMask() {
  flags |= kFlagMask;
  mask.assign(ImageCount() * MaskBytesPerImage(), 0);
}

void ImageList::EraseImages(std::size_t first, std::size_t count) {
  const std::size_t images = ImageCount();
  if (first >= images) return;
  count = std::min(count, images - first);
  const auto erase = [first, count](auto& block, std::size_t perImage) {
    if (block.empty()) return;
    const auto begin = block.begin() + static_cast<std::ptrdiff_t>(first * perImage);
    block.erase(begin, begin + static_cast<std::ptrdiff_t>(count * perImage));
  };
  erase(pixels, PixelsPerImage());
  erase(mask, MaskBytesPerImage());
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

std::vector<std::uint32_t> ImageArgb(const ImageList& list, const Image& image) {
  const bool carriesAlpha =
      list.bitsPerPixel == 32 &&
      std::any_of(image.pixels.begin(), image.pixels.end(), [](std::uint32_t pixel) { return (pixel >> 24) != 0; });
  std::vector<std::uint32_t> argb(image.pixels.size());
  for (std::size_t i = 0; i < argb.size(); ++i) {
    bool transparent = list.HasMask() && i < image.mask.size() && image.mask[i] != 0;
    std::uint32_t alpha = transparent ? 0 : (carriesAlpha ? image.pixels[i] >> 24 : 0xFF);
    argb[i] = (alpha << 24) | PixelRgb(list, image.pixels[i]);
  }
  return argb;
}

void ConvertToDepth32(ImageList& list) {
  // A group already 32 bits deep (say with depth code 0) keeps every stored byte;
  // only the depth code changes.
  if (list.bitsPerPixel != 32)
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
    list.AddOpaqueMask();
    done.maskAdded = true;
  }
  return done;
}

std::optional<std::uint16_t> CapacityForOneMore(const ImageList& header, std::size_t images) {
  if (images >= kMaxImagesInGroup) return std::nullopt;
  // One more image must leave a group that decodes again.
  if ((images + 1) * std::uint64_t{header.PixelsPerImage()} > kMaxDecodedPixels) return std::nullopt;
  const auto fits = [&header](std::size_t capacity) {
    const auto size = EncodedGroupSize(header, static_cast<std::uint16_t>(capacity));
    return size && *size <= kMaxImageGroupFileBytes;
  };
  if (images < header.capacity) return header.capacity;
  if (!fits(images + 1)) return std::nullopt;
  const std::size_t step = std::max<std::size_t>(header.growStep, 1);
  std::size_t grown = std::min(std::max(images + 1, std::size_t{header.capacity} + step), kMaxImagesInGroup);
  if (!fits(grown)) {
    // The step is cut to the most slots that still leave a file small
    // enough to be read back: the largest fitting capacity in (images, grown).
    std::size_t low = images + 1;
    while (grown - low > 1) {
      const std::size_t middle = low + (grown - low) / 2;
      (fits(middle) ? low : grown) = middle;
    }
    grown = low;
  }
  return static_cast<std::uint16_t>(grown);
}

bool ImageFits(const ImageList& header, const Image& image) {
  const std::size_t pixels = header.PixelsPerImage();
  if (image.pixels.size() != pixels || image.mask.size() != (header.HasMask() ? pixels : 0)) return false;
  return std::ranges::all_of(image.mask, [](std::uint8_t entry) { return entry <= 1; });
}

bool AppendImage(ImageList& list, const Image& image) {
  if (!ImageFits(list, image)) return false;
  const auto capacity = CapacityForOneMore(list, list.ImageCount());
  if (!capacity) return false;
  list.capacity = *capacity;
  list.PushImage(image);
  return true;
}

}  // namespace tilvane
