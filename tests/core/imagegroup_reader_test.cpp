// Reading a group one image at a time gives what a whole decode gives.
#include <gtest/gtest.h>

#include "core/imagegroup/codec.h"
#include "core/imagegroup_test_groups.h"
#include "support/large_group.h"

namespace tilvane {
namespace {

using testing::GroupShape;
using testing::MakeList;
using testing::ShapeName;

TEST(ImageGroupReader, EveryImageMatchesTheWholeDecodeAtEveryDepth) {
  std::uint32_t seed = 0;
  for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    for (bool mask : {true, false}) {
      // Odd widths put neighbouring tiles in one byte at the small depths;
      // five images leave a half-used tile row stored first.
      const GroupShape shape{7, 3, bits, mask, 5, 9, bits == 1};
      const ImageList list = MakeList(shape, ++seed);
      const Bytes group = *EncodeImageGroup(list);
      auto reader = ImageGroupReader::Open(group);
      ASSERT_TRUE(reader.has_value()) << ShapeName(shape);
      ASSERT_EQ(reader->size(), 5u);
      ImageList header = list;
      header.ClearImages();
      EXPECT_EQ(reader->header(), header) << ShapeName(shape);
      // Out of order, as a view asks for what scrolls into sight.
      for (std::size_t i : {4u, 0u, 2u, 1u, 3u}) EXPECT_EQ(reader->ImageAt(i), list.ImageAt(i)) << ShapeName(shape);
    }
  }
}

TEST(ImageGroupReader, OpensExactlyWhatDecodes) {
  const Bytes good = *EncodeImageGroup(MakeList({.images = 2}));
  EXPECT_TRUE(ImageGroupReader::Open(good).has_value());
  EXPECT_FALSE(ImageGroupReader::Open(Bytes(4, 0)).has_value());
  EXPECT_FALSE(ImageGroupReader::Open(ByteSpan(good).first(good.size() - 1)).has_value());
  // Sound in structure but over the pixel limit: neither decodes.
  const Bytes large = testing::LargeOneBitGroup(17, 2048, false);
  EXPECT_FALSE(DecodeImageGroup(large).has_value());
  EXPECT_FALSE(ImageGroupReader::Open(large).has_value());
  auto empty = ImageGroupReader::Open(*EncodeImageGroup(MakeList({.images = 0, .capacity = 4})));
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->size(), 0u);
}

}  // namespace
}  // namespace tilvane
