// The ICO directory and the DIB and PNG entry decoders: nothing or a whole
// picture, never a read outside the bytes.
#include <cstdint>
#include <cstdlib>

#include "core/intake/icon_file.h"
#include "core/intake/icon_image.h"
#include "core/intake/icon_scale.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tilvane::ByteSpan bytes(data, size);
  tilvane::MemoryByteSource source(bytes);
  if (auto icon = tilvane::ReadIconForCell(source, {}); icon && icon->pixels.size() != 32 * 32) std::abort();

  // The same bytes as a bare entry: a DIB, or a PNG when they start like one.
  if (auto entry = tilvane::DecodeIconEntry(bytes)) {
    const std::size_t count = static_cast<std::size_t>(entry->width) * entry->height;
    if (entry->pixels.size() != count || entry->mask.size() != count) std::abort();
    tilvane::IconPixels scaled = tilvane::ScaleIcon(*entry, 7, 40);
    if (scaled.pixels.size() != 7 * 40 || scaled.mask.size() != 7 * 40) std::abort();
  }
  return 0;
}
