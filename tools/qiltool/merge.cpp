#include "merge.h"

#include <string>

#include "core/intake/icon_conversion.h"
#include "core/intake/icon_scale.h"
#include "source_icon.h"

namespace tilvane::qiltool {

namespace {

bool SameCell(const ImageList& a, const ImageList& b) {
  return a.tileWidth == b.tileWidth && a.tileHeight == b.tileHeight;
}

bool SameColours(const ImageList& a, const ImageList& b) {
  return a.bitsPerPixel == b.bitsPerPixel && (a.flags & kDepthCodeBits) == (b.flags & kDepthCodeBits) &&
         a.palette == b.palette;
}

Text CellText(const ImageList& list) { return std::to_string(list.tileWidth) + "x" + std::to_string(list.tileHeight); }

}  // namespace

ImageList MergeTarget(std::span<const ImageList> inputs) {
  ImageList target = inputs.front();
  target.ClearImages();
  bool keepColours = true;
  bool anyMask = false;
  for (const ImageList& input : inputs) {
    if (!SameCell(input, target) || !SameColours(input, target)) keepColours = false;
    if (input.HasMask()) anyMask = true;
  }
  if (!keepColours) {
    target.bitsPerPixel = 32;
    target.palette.clear();
    target.flags = static_cast<std::uint16_t>((target.flags & ~kDepthCodeBits) | kDepthCode32);
  }
  if (anyMask) target.flags |= kFlagMask;
  return target;
}

bool CanScaleInto(const ImageList& target) {
  return target.tileWidth >= 1 && target.tileHeight >= 1 && target.tileWidth <= kMaxCellSide &&
         target.tileHeight <= kMaxCellSide;
}

bool MergedSizeAcceptable(const ImageList& target, std::uint64_t imageCount) {
  const std::uint64_t bytesPerImage = std::uint64_t{target.tileWidth} * target.tileHeight * 4;
  return bytesPerImage == 0 || imageCount <= kMaxMergedColourBytes / bytesPerImage;
}

std::optional<std::vector<Image>> ConvertForTarget(const ImageList& source, const ImageList& target, std::vector<Text>& notes) {
  if (source.ImageCount() == 0) return std::vector<Image>{};
  ImageList work = source;
  if (!SameColours(work, target)) {
    // Only a 32-bit target ever differs in colours from an input (see MergeTarget).
    if (work.bitsPerPixel != 32) notes.push_back(std::to_string(work.bitsPerPixel) + "-bit colours converted to 32 bits");
    ConvertToDepth32(work);
  }
  if (target.HasMask() && !work.HasMask()) {
    notes.push_back("images without a mask made wholly opaque");
    work.AddOpaqueMask();
  }
  if (SameCell(work, target)) {
    std::vector<Image> same;
    same.reserve(work.ImageCount());
    for (std::size_t i = 0; i < work.ImageCount(); ++i) same.push_back(work.ImageAt(i));
    return same;
  }

  notes.push_back(CellText(work) + " images scaled to " + CellText(target));
  std::vector<Image> scaled;
  scaled.reserve(work.ImageCount());
  for (std::size_t i = 0; i < work.ImageCount(); ++i) {
    std::optional<IconPixels> picture = FromGroupImage(work, i);
    if (!picture) return std::nullopt;
    Image image = ToGroupImage(ScaleIcon(*picture, target.tileWidth, target.tileHeight));
    if (!target.HasMask()) image.mask.clear();
    scaled.push_back(std::move(image));
  }
  return scaled;
}

}  // namespace tilvane::qiltool
