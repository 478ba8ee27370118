#include <gtest/gtest.h>

#include "core/imagegroup/codec.h"
#include "core/imagegroup/collection.h"
#include "core/imagegroup/default_group.h"
#include "core/imagegroup_expect.h"
#include "core/imagegroup_test_groups.h"
#include "support/large_group.h"

namespace tilvane {
namespace {

using namespace testing;

Bytes GroupOf(int images, std::uint16_t capacity) {
  return *EncodeImageGroup(MakeList({.tileWidth = 4, .tileHeight = 4, .images = images, .capacity = capacity}));
}

TEST(ImageGroupCount, CountsDecodableGroupsOnly) {
  EXPECT_EQ(ImageGroupCount(DefaultImageGroup()), 1);
  EXPECT_EQ(ImageGroupCount(GroupOf(7, 9)), 7);
  EXPECT_EQ(ImageGroupCount(GroupOf(0, 4)), 0);
  EXPECT_EQ(ImageGroupCount(Bytes{}), 0);
  EXPECT_EQ(ImageGroupCount(Bytes{0, 0, 0, 0}), 0);
  Bytes cut = GroupOf(3, 4);
  cut.pop_back();
  EXPECT_EQ(ImageGroupCount(cut), 0);
}

TEST(ImageGroupCount, AgreesWithTheDecoderWhereverAGroupIsCut) {
  const Bytes group =
      *EncodeImageGroup(MakeList({.tileWidth = 5, .tileHeight = 3, .bitsPerPixel = 4, .images = 5, .capacity = 6}));
  for (std::size_t length = 0; length <= group.size(); ++length) {
    const ByteSpan cut(group.data(), length);
    const auto decoded = DecodeImageGroup(cut);
    ASSERT_EQ(ImageGroupCount(cut), decoded ? static_cast<int>(decoded->ImageCount()) : 0) << length;
  }
}

TEST(ImageGroupCount, GroupsTooLargeToDecodeCountNothingAndSayWhy) {
  // 17 one-bit tiles of 2048 x 2048: a 10 MB file of 71 million pixels,
  // over the decoder's limit of 64 Mi.
  const Bytes large = testing::LargeOneBitGroup(17, 2048, false);
  ASSERT_LT(large.size(), 11u << 20);
  const auto shape = CheckImageGroup(large);
  ASSERT_TRUE(shape) << shape.reason();
  EXPECT_EQ(shape->imageCount, 17);
  EXPECT_EQ(shape->header.tileWidth, 2048);
  EXPECT_EQ(shape->header.bitsPerPixel, 1);
  EXPECT_EQ(shape->header.palette, (std::vector<std::uint32_t>{0x00000000, 0x00FFFFFF}));
  EXPECT_FALSE(WithinDecodeLimit(*shape));
  EXPECT_EQ(ImageGroupCount(large), 0);
  const auto decoded = DecodeImageGroup(large);
  ASSERT_FALSE(decoded);
  EXPECT_STREQ(decoded.reason(), kTooLargeReason);
  Bytes unchanged = large;
  EXPECT_FALSE(ImageGroupRemove(unchanged, 0));
  EXPECT_EQ(unchanged, large);

  // One tile fewer is exactly at the limit: checked, counted, not decoded here
  // (its pixels alone would take 256 MB).
  const Bytes atLimit = testing::LargeOneBitGroup(16, 2048, false);
  const auto limitShape = CheckImageGroup(atLimit);
  ASSERT_TRUE(limitShape);
  EXPECT_EQ(limitShape->DecodedPixels(), kMaxDecodedPixels);
  EXPECT_TRUE(WithinDecodeLimit(*limitShape));
  EXPECT_EQ(ImageGroupCount(atLimit), 16);
}

TEST(ImageGroupRemove, RemovingImageZeroMovesTheOthersForward) {
  Bytes group = GroupOf(3, 4);
  const ImageList before = Decoded(group);
  ASSERT_TRUE(ImageGroupRemove(group, 0));
  const ImageList after = Decoded(group);
  ASSERT_EQ(after.ImageCount(), 2u);
  EXPECT_EQ(after.ImageAt(0), before.ImageAt(1));
  EXPECT_EQ(after.ImageAt(1), before.ImageAt(2));
  EXPECT_EQ(after.capacity, 4);  // capacity is kept
}

TEST(ImageGroupRemove, CountStopsAtTheEndOfTheGroup) {
  Bytes group = GroupOf(4, 4);
  const ImageList before = Decoded(group);
  ASSERT_TRUE(ImageGroupRemove(group, 3, 2));
  const ImageList after = Decoded(group);
  ASSERT_EQ(after.ImageCount(), 3u);
  EXPECT_EQ(after.ImageAt(2), before.ImageAt(2));

  group = GroupOf(6, 8);
  ASSERT_TRUE(ImageGroupRemove(group, 1, 3));
  const ImageList middle = Decoded(group);
  ASSERT_EQ(middle.ImageCount(), 3u);
  EXPECT_EQ(middle.ImageAt(1), Decoded(GroupOf(6, 8)).ImageAt(4));
}

TEST(ImageGroupRemove, OutOfRangeRemovesNothingButRewritesTheGroup) {
  Bytes group = GroupOf(3, 4);
  PutU32At(group, 4, 0x00123456);  // a key colour this editor never writes
  const ImageList before = Decoded(group);
  for (auto [index, count] : {std::pair{3, 1}, {100, 1}, {-1, 1}, {0, 0}, {1, -5}}) {
    Bytes copy = group;
    ASSERT_TRUE(ImageGroupRemove(copy, index, count)) << index << " " << count;
    EXPECT_EQ(Decoded(copy), before);
    EXPECT_EQ(U32At(copy, 4), 0xFF000000u);  // normalised
  }
  // A group in the form the editor writes, its tiles whole bytes wide (so
  // edited where it lies), comes back byte for byte when nothing is removed.
  const Bytes normal = *EncodeImageGroup(MakeList({.tileWidth = 8, .tileHeight = 8, .images = 5, .capacity = 8}));
  for (auto [index, count] : {std::pair{0, 0}, {2, 0}, {4, 0}, {1, -1}, {3, -65536}}) {
    Bytes copy = normal;
    ASSERT_TRUE(ImageGroupRemove(copy, index, count)) << index << " " << count;
    EXPECT_EQ(copy, normal) << index << " " << count;
  }
}

TEST(ImageGroupRemove, UndecodableGroupsStayByteIdentical) {
  for (Bytes group : {Bytes{}, Bytes{0, 0, 0, 0}, Bytes{'M', 'I', 'T', 'L', 0, 0, 0, 0, 'I', 'L'}}) {
    const Bytes before = group;
    EXPECT_FALSE(ImageGroupRemove(group, 0));
    EXPECT_EQ(group, before);
  }
}

TEST(ImageGroupRemove, RemovingEveryImageLeavesAValidEmptyGroup) {
  Bytes group = DefaultImageGroup();
  ASSERT_TRUE(ImageGroupRemove(group, 0));
  EXPECT_EQ(group.size(), DefaultImageGroup().size());  // six slots still written
  const ImageList empty = Decoded(group);
  EXPECT_TRUE(empty.ImageCount() == 0);
  EXPECT_EQ(empty.capacity, 6);
  EXPECT_EQ(ImageGroupCount(group), 0);
  ASSERT_TRUE(ImageGroupRemove(group, 0));
  EXPECT_EQ(ImageGroupCount(group), 0);

  group = GroupOf(5, 8);
  ASSERT_TRUE(ImageGroupRemove(group, 0, 1000));
  EXPECT_TRUE(Decoded(group).ImageCount() == 0);
}

}  // namespace
}  // namespace tilvane
