// Whatever decodes must encode, and the encoding must decode to the same list
// and encode to the same bytes again.
#include <cstdint>
#include <cstdlib>

#include "core/imagegroup/codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto list = tilvane::DecodeImageGroup(tilvane::ByteSpan(data, size));
  if (!list) return 0;
  const auto encoded = tilvane::EncodeImageGroup(*list);
  if (!encoded) std::abort();
  const auto again = tilvane::DecodeImageGroup(*encoded);
  if (!again || !(*again == *list)) std::abort();
  const auto reencoded = tilvane::EncodeImageGroup(*again);
  if (!reencoded || *reencoded != *encoded) std::abort();
  return 0;
}
