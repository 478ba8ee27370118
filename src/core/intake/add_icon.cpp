#include "core/intake/add_icon.h"

#include <new>
#include <optional>
#include <utility>

#include "core/imagegroup/codec.h"
#include "core/intake/icon_conversion.h"
#include "core/intake/icon_file.h"

namespace tilvane {

bool IconWouldOutgrowReading(ByteSpan group) try {
  const ErrorOr<ImageGroupShape> shape = CheckImageGroup(group);
  if (!shape || !WithinDecodeLimit(*shape) || shape->imageCount >= kMaxImagesInGroup) return false;
  // The header alone, readied as an add readies the group: 32 bits, a mask.
  ImageList ready = shape->header;
  ReadyForIcons(ready);
  const auto capacity = CapacityForOneMore(ready, shape->imageCount);
  if (!capacity) return true;
  // A free slot needs no growth, but widening to 32 bits may still outgrow the limit.
  const auto size = EncodedGroupSize(ready, *capacity);
  return !size || *size > kMaxImageGroupFileBytes;
} catch (const std::bad_alloc&) {
  return false;  // the add itself then meets the shortage
}

int ImageGroupAddIcon(Bytes& group, const Text& filePath, int iconIndex, bool smallIcon) try {
  if (group.empty()) return -1;
  // The structure tells the cell size; pixels are widened only when the
  // group's depth or mask has to change.
  ErrorOr<ImageGroupShape> shape = CheckImageGroup(group);
  if (!shape || !WithinDecodeLimit(*shape) || IconWouldOutgrowReading(group)) return -1;
  const ImageList& header = shape->header;

  IconRequest request;
  request.iconIndex = iconIndex;
  request.cellWidth = header.tileWidth;
  request.cellHeight = header.tileHeight;
  request.smallIcon = smallIcon;
  ErrorOr<IconPixels> icon = ReadFileIcon(filePath, request);
  if (!icon) return -1;

  const int oldCount = shape->imageCount;
  if (IsReadyForIcons(header)) {
    return AppendImageInPlace(group, ToGroupImage(*icon)).ok() ? oldCount : -1;
  }
  ErrorOr<ImageList> list = DecodeImageGroup(group);
  if (!list) return -1;
  ReadyForIcons(*list);
  if (!AppendImage(*list, ToGroupImage(*icon))) return -1;
  ErrorOr<Bytes> encoded = EncodeImageGroup(*list);
  if (!encoded) return -1;
  group = std::move(*encoded);
  return oldCount;
} catch (const std::bad_alloc&) {
  return -1;  // the group is replaced only at the end, so it is unchanged
}

}  // namespace tilvane
