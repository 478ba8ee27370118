#include "core/intake/add_icon.h"

#include <new>
#include <optional>
#include <utility>

#include "core/imagegroup/codec.h"
#include "core/intake/icon_conversion.h"
#include "core/intake/icon_file.h"

namespace tilvane {
namespace {

// Gives a group without a mask one in which every existing image is opaque, as
// it was drawn before, so the new icon's transparent parts can be kept.
void EnsureMask(ImageList& list) {
  if (list.HasMask()) return;
  list.flags |= kFlagMask;
  for (Image& image : list.images) image.mask.assign(list.PixelsPerImage(), 0);
}

}  // namespace

int ImageGroupAddIcon(Bytes& group, const Text& filePath, int iconIndex, bool smallIcon) try {
  if (group.empty()) return -1;
  // The structure tells the cell size; pixels are widened only when the
  // group's depth or mask has to change.
  DecodeError ignored;
  std::optional<ImageGroupShape> shape = CheckImageGroup(group, ignored);
  if (!shape || !WithinDecodeLimit(*shape)) return -1;
  const ImageList& header = shape->header;

  IconRequest request;
  request.iconIndex = iconIndex;
  request.cellWidth = header.tileWidth;
  request.cellHeight = header.tileHeight;
  request.smallIcon = smallIcon;
  ErrorOr<IconPixels> icon = ReadFileIcon(filePath, request);
  if (!icon) return -1;

  const int oldCount = shape->imageCount;
  if (header.bitsPerPixel == 32 && (header.flags & kDepthCodeBits) == 0x20 && header.HasMask()) {
    std::optional<Bytes> appended = AppendImageToGroup(group, ToGroupImage(*icon));
    if (!appended) return -1;
    group = std::move(*appended);
    return oldCount;
  }
  std::optional<ImageList> list = DecodeImageGroup(group);
  if (!list) return -1;
  if (list->bitsPerPixel != 32 || (list->flags & kDepthCodeBits) != 0x20) ConvertToDepth32(*list);
  EnsureMask(*list);
  if (!AppendImage(*list, ToGroupImage(*icon))) return -1;
  std::optional<Bytes> encoded = EncodeImageGroup(*list);
  if (!encoded) return -1;
  group = std::move(*encoded);
  return oldCount;
} catch (const std::bad_alloc&) {
  return -1;  // the group is replaced only at the end, so it is unchanged
}

}  // namespace tilvane
