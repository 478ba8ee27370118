#include "core/imagegroup/collection.h"

#include <algorithm>
#include <new>

#include "core/imagegroup/codec.h"

namespace tilvane {

int ImageGroupCount(ByteSpan group) {
  // The structure alone tells the count; widening every pixel to count them
  // would cost several times the group's size.
  DecodeError ignored;
  const auto shape = CheckImageGroup(group, ignored);
  return shape && WithinDecodeLimit(*shape) ? shape->imageCount : 0;
}

bool ImageGroupRemove(Bytes& group, int index, int count) try {
  if (group.empty()) return false;
  auto list = DecodeImageGroup(group);
  if (!list) return false;
  // Removing one image at a time at the same index until it runs past the end
  // is the same as removing the range, done here in one pass.
  auto& images = list->images;
  if (index >= 0 && count > 0 && static_cast<std::size_t>(index) < images.size()) {
    const std::size_t end = std::min(images.size(), static_cast<std::size_t>(index) + static_cast<std::size_t>(count));
    images.erase(images.begin() + index, images.begin() + static_cast<std::ptrdiff_t>(end));
  }
  auto encoded = EncodeImageGroup(*list);
  if (!encoded) return false;
  group = std::move(*encoded);
  return true;
} catch (const std::bad_alloc&) {
  return false;  // the group is replaced only at the end, so it is unchanged
}

}  // namespace tilvane
