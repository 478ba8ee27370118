// The PE resource walk and the icon pictures it leads to: whatever the bytes,
// the reader returns nothing or a whole picture fitted into the cell.
#include <cstdint>
#include <cstdlib>

#include "core/intake/icon_file.h"

namespace {
void CheckIcon(const tilvane::ErrorOr<tilvane::IconPixels>& icon, int width, int height) {
  if (!icon) return;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  if (icon->width != width || icon->height != height || icon->pixels.size() != count || icon->mask.size() != count) {
    std::abort();
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (icon->mask[i] > 1 || (icon->mask[i] && (icon->pixels[i] & 0x00FFFFFFu) != 0)) std::abort();
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tilvane::MemoryByteSource source(tilvane::ByteSpan(data, size));
  for (int index : {0, 1, 3}) {
    tilvane::IconRequest request;
    request.iconIndex = index;
    CheckIcon(tilvane::ReadIconForCell(source, request), 32, 32);
  }
  tilvane::IconRequest small;
  small.smallIcon = true;
  small.cellWidth = 16;
  small.cellHeight = 24;
  CheckIcon(tilvane::ReadIconForCell(source, small), 16, 24);
  return 0;
}
