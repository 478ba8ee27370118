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
  list.EraseImages(first, count);
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
          Bytes inPlace = group;
          ASSERT_TRUE(RemoveImagesInPlace(inPlace, first, count));
          EXPECT_EQ(inPlace, *removed) << ShapeName(shape) << " in place, removing " << count << " at " << first;
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
  EXPECT_EQ(DecodeImageGroup(*removed)->ImageCount(), 2u);
  EXPECT_FALSE(RemoveImagesFromGroup(Bytes(4, 0), 0, 1).has_value());
  EXPECT_FALSE(RemoveImagesFromGroup(ByteSpan(group).first(100), 0, 1).has_value());
}

Image ImageOfShape(const GroupShape& shape, std::uint32_t seed) {
  GroupShape one = shape;
  one.images = 1;
  one.capacity = 1;
  return MakeList(one, seed).ImageAt(0);
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
          Bytes inPlace = group;
          ASSERT_TRUE(AppendImageInPlace(inPlace, image));
          EXPECT_EQ(inPlace, *appended) << ShapeName(shape) << " in place";
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

  // In place, a refusal leaves every byte as it was.
  Bytes inPlace = group;
  image = ImageOfShape(shape, 3);
  image.mask[5] = 2;
  EXPECT_FALSE(AppendImageInPlace(inPlace, image));
  image.mask.pop_back();
  EXPECT_FALSE(AppendImageInPlace(inPlace, image));
  EXPECT_EQ(inPlace, group);
  // So it does through the whole list (a group of another depth), which is
  // written back over the group's own bytes only once it is known to fit.
  const GroupShape deep{.tileWidth = 8, .tileHeight = 2, .bitsPerPixel = 24, .images = 2};
  const Bytes deepGroup = *EncodeImageGroup(MakeList(deep));
  Bytes deepInPlace = deepGroup;
  image = ImageOfShape(deep, 4);
  image.mask[1] = 2;
  EXPECT_FALSE(AppendImageInPlace(deepInPlace, image));
  EXPECT_EQ(deepInPlace, deepGroup);
  Bytes broken(group.begin(), group.begin() + 100);
  EXPECT_FALSE(AppendImageInPlace(broken, ImageOfShape(shape, 3)));
  EXPECT_FALSE(RemoveImagesInPlace(broken, 0, 1));
  EXPECT_EQ(broken, Bytes(group.begin(), group.begin() + 100));
}

// A group grown one image at a time in place and emptied again, as the editor
// does, passes through exactly the bytes of the whole-list edits.
TEST(EditsInPlace, GrowAndEmptyAGroupThroughEveryTileRow) {
  const GroupShape shape{.tileWidth = 16, .tileHeight = 3, .images = 0, .capacity = 1};
  ImageList list = MakeList(shape);
  list.growStep = 4;
  Bytes group = *EncodeImageGroup(list);
  for (std::uint32_t k = 0; k < 23; ++k) {
    const Image image = ImageOfShape(shape, k);
    ASSERT_TRUE(AppendImageInPlace(group, image));
    ASSERT_TRUE(AppendImage(list, image));
    ASSERT_EQ(group, *EncodeImageGroup(list)) << "after adding image " << k;
  }
  for (std::size_t k = list.ImageCount(), step = 0; k > 0; --k, ++step) {
    const std::size_t at = step % 3 == 0 ? k - 1 : (step * 5) % k;  // the end, the middle, the start
    ASSERT_TRUE(RemoveImagesInPlace(group, at, 1));
    list.EraseImages(at, 1);
    ASSERT_EQ(group, *EncodeImageGroup(list)) << "after removing image " << at << " of " << k;
  }
}

// Groups not exactly in the encoder's form are edited through the whole-list
// path, so the result is still the normal form.
TEST(EditsInPlace, OtherFormsGiveTheNormalForm) {
  const GroupShape shape{.tileWidth = 8, .tileHeight = 2, .images = 3, .capacity = 8};
  const Bytes normal = *EncodeImageGroup(MakeList(shape));
  const std::size_t colourRows = 8 + 28 + 54;
  const std::size_t freeSlotByte = colourRows;  // the bottom row belongs to the second, empty tile row
  std::vector<Bytes> others(3, normal);
  others[0].insert(others[0].end(), {1, 2, 3});  // bytes after the last bitmap
  PutU32At(others[1], 4, 0x00123456);           // a key colour
  others[2][freeSlotByte] = 0x5A;                // something left in a free slot
  for (const Bytes& other : others) {
    Bytes removed = other;
    ASSERT_TRUE(RemoveImagesInPlace(removed, 1, 1));
    EXPECT_EQ(removed, *RemoveImagesFromGroup(other, 1, 1));
    EXPECT_EQ(removed, ThroughTheWholeList(normal, 1, 1));
    Bytes appended = other;
    ASSERT_TRUE(AppendImageInPlace(appended, ImageOfShape(shape, 9)));
    EXPECT_EQ(appended, *AppendImageToGroup(other, ImageOfShape(shape, 9)));
  }
}

}  // namespace
}  // namespace tilvane
