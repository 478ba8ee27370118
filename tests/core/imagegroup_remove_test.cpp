// Removing and appending images by moving tiles as bytes gives exactly what
// decoding, changing the list and encoding again gives.
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

Image ImageOfShape(const GroupShape& shape, std::uint32_t seed) {
  GroupShape one = shape;
  one.images = 1;
  one.capacity = 1;
  return MakeList(one, seed).images[0];
}

TEST(AppendImageToGroup, MatchesTheWholeListWhetherOrNotTheGroupGrows) {
  std::uint32_t seed = 100;
  for (std::uint16_t bits : {32, 24, 8}) {
    for (std::uint16_t width : {32, 8, 3}) {
      for (bool mask : {true, false}) {
        // Full (the bitmaps grow by the step, moving every tile row), with a
        // slot to spare, and empty.
        for (auto [images, capacity] : {std::pair<int, std::uint16_t>{8, 8}, {5, 8}, {0, 0}, {7, 7}}) {
          GroupShape shape{width, 2, bits, mask, images, capacity, false};
          ImageList list = MakeList(shape, ++seed);
          list.growStep = 3;
          const Bytes group = *EncodeImageGroup(list);
          const Image image = ImageOfShape(shape, ++seed);
          auto appended = AppendImageToGroup(group, image);
          ASSERT_TRUE(appended.has_value()) << ShapeName(shape);
          ASSERT_TRUE(AppendImage(list, image));
          EXPECT_EQ(*appended, *EncodeImageGroup(list)) << ShapeName(shape);
        }
      }
    }
  }
}

TEST(AppendImageToGroup, RefusesImagesThatDoNotFitAndGroupsThatDoNotDecode) {
  const GroupShape shape{.tileWidth = 8, .tileHeight = 2, .images = 2};
  const Bytes group = *EncodeImageGroup(MakeList(shape));
  Image image = ImageOfShape(shape, 3);
  image.mask[5] = 2;
  EXPECT_FALSE(AppendImageToGroup(group, image).has_value());
  image = ImageOfShape(shape, 3);
  image.pixels.pop_back();
  EXPECT_FALSE(AppendImageToGroup(group, image).has_value());
  EXPECT_FALSE(AppendImageToGroup(Bytes(4, 0), ImageOfShape(shape, 3)).has_value());
}

}  // namespace
}  // namespace tilvane
