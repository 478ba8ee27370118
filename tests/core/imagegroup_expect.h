// Encoding and decoding in tests that expect them to succeed.
#pragma once

#include <gtest/gtest.h>

#include "core/imagegroup/codec.h"

namespace tilvane::testing {

// The list encoded, or (with a failed expectation) nothing.
inline Bytes Encode(const ImageList& list) {
  auto bytes = EncodeImageGroup(list);
  EXPECT_TRUE(bytes.has_value()) << bytes.reason();
  return std::move(bytes).value_or(Bytes{});
}

// The bytes decoded, or (with a failed expectation) an empty list.
inline ImageList Decoded(const Bytes& group) {
  auto list = DecodeImageGroup(group);
  EXPECT_TRUE(list.has_value()) << list.reason();
  return std::move(list).value_or(ImageList{});
}

}  // namespace tilvane::testing
