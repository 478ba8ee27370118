#include "core/imagegroup/collection.h"

#include <limits>

#include "core/imagegroup/codec.h"

namespace tilvane {

int ImageGroupCount(ByteSpan group) {
  // The structure alone tells the count; widening every pixel to count them
  // would cost several times the group's size.
  const auto shape = CheckImageGroup(group);
  return shape && WithinDecodeLimit(*shape) ? shape->imageCount : 0;
}

bool ImageGroupRemove(Bytes& group, int index, int count) {
  if (group.empty()) return false;
  // A negative index or count removes nothing; the group is still written
  // back in its normal form.
  const std::size_t first = index < 0 ? std::numeric_limits<std::size_t>::max() : static_cast<std::size_t>(index);
  const std::size_t howMany = count > 0 ? static_cast<std::size_t>(count) : 0;
  return RemoveImagesInPlace(group, first, howMany).ok();
}

}  // namespace tilvane
