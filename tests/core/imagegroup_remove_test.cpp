// Removing images by moving tiles as bytes gives exactly what decoding,
// erasing and encoding again gives.
#include <gtest/gtest.h>

#include "core/imagegroup/codec.h"
#include "core/imagegroup_test_groups.h"

namespace tilvane {
namespace {

using testing::GroupShape;
using testing::MakeList;
using testing::PutU32At;
using testing::ShapeName;

Bytes ThroughTheWholeList(const Bytes& group, std::size_t first, std::size_t count) {
  ImageList list = *DecodeImageGroup(group);
  auto& images = list.images;
  if (first < images.size()) {
    const std::size_t end = first + std::min(count, images.size() - first);
    images.erase(images.begin() + static_cast<std::ptrdiff_t>(first),
                 images.begin() + static_cast<std::ptrdiff_t>(end));
  }
  return *EncodeImageGroup(list);
}

TEST(RemoveImagesFromGroup, MatchesTheWholeListAtEveryDepthAndTileWidth) {
  std::uint32_t seed = 0;
  for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    // 16 pixels wide moves whole bytes at every depth; 3 and 5 share bytes
    // between neighbouring tiles at the small depths and in the mask.
    for (std::uint16_t width : {16, 3, 5, 8}) {
      for (bool mask : {true, false}) {
        const GroupShape shape{width, 3, bits, mask, 7, 10, bits == 1};
        const Bytes group = *EncodeImageGroup(MakeList(shape, ++seed));
        for (auto [first, count] : {std::pair<std::size_t, std::size_t>{0, 1},
                                    {3, 1},
                                    {6, 1},
                                    {2, 3},
                                    {5, 99},
                                    {7, 1},
                                    {100, 1},
                                    {0, 7},
                                    {4, 0}}) {
          auto removed = RemoveImagesFromGroup(group, first, count);
          ASSERT_TRUE(removed.has_value()) << ShapeName(shape);
          EXPECT_EQ(*removed, ThroughTheWholeList(group, first, count))
              << ShapeName(shape) << " removing " << count << " at " << first;
        }
      }
    }
  }
}

TEST(RemoveImagesFromGroup, WritesTheNormalFormAndRefusesWhatDoesNotDecode) {
  const ImageList list = MakeList({.tileWidth = 8, .tileHeight = 8, .images = 3, .capacity = 5});
  Bytes group = *EncodeImageGroup(list);
  PutU32At(group, 4, 0x00123456);        // a key colour, written back as none
  group.insert(group.end(), {1, 2, 3});  // bytes after the last bitmap, dropped
  auto removed = RemoveImagesFromGroup(group, 1, 1);
  ASSERT_TRUE(removed.has_value());
  EXPECT_EQ(*removed, ThroughTheWholeList(group, 1, 1));
  EXPECT_EQ(DecodeImageGroup(*removed)->images.size(), 2u);
  EXPECT_FALSE(RemoveImagesFromGroup(Bytes(4, 0), 0, 1).has_value());
  EXPECT_FALSE(RemoveImagesFromGroup(ByteSpan(group).first(100), 0, 1).has_value());
}

}  // namespace
}  // namespace tilvane
