#include <gtest/gtest.h>

#include <set>

#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"
#include "core/imagegroup_test_groups.h"

namespace tilvane {
namespace {

using testing::U32At;

constexpr std::size_t kColourPixelsAt = 36 + 54;
constexpr std::size_t kMaskAt = kColourPixelsAt + 32768;
constexpr std::size_t kMaskBitsAt = kMaskAt + 62;

TEST(DefaultImageGroup, HasTheFixedSizeAndHeaderBytes) {
  const Bytes& group = DefaultImageGroup();
  ASSERT_EQ(group.size(), 33944u);
  const Bytes header = {0x4D, 0x49, 0x54, 0x4C, 0x00, 0x00, 0x00, 0xFF, 0x49, 0x4C, 0x01, 0x01,
                        0x01, 0x00, 0x06, 0x00, 0x04, 0x00, 0x20, 0x00, 0x20, 0x00, 0xFF, 0xFF,
                        0xFF, 0x00, 0x21, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const Bytes colourBmp = {0x42, 0x4D, 0x36, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00,
                           0x28, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x01, 0x00,
                           0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(Bytes(group.begin(), group.begin() + 36), header);
  EXPECT_EQ(Bytes(group.begin() + 36, group.begin() + 90), colourBmp);
  const Bytes maskBmp = {0x42, 0x4D, 0x3E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3E, 0x00, 0x00, 0x00, 0x28, 0x00,
                         0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00};
  EXPECT_EQ(Bytes(group.begin() + kMaskAt, group.begin() + kMaskBitsAt), maskBmp);
  EXPECT_EQ(&DefaultImageGroup(), &group);
}

TEST(DefaultImageGroup, DecodesToOnePlaceholderInSixSlots) {
  const Bytes& group = DefaultImageGroup();
  auto list = DecodeImageGroup(group);
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(list->ImageCount(), 1u);
  EXPECT_EQ(list->capacity, 6);
  EXPECT_EQ(list->growStep, 4);
  EXPECT_EQ(list->tileWidth, 32);
  EXPECT_EQ(list->tileHeight, 32);
  EXPECT_EQ(list->bitsPerPixel, 32);
  EXPECT_EQ(list->flags, 0x0021);
  EXPECT_EQ(list->backColour, 0x00FFFFFFu);
  EXPECT_EQ(list->overlays, (std::array<std::int16_t, 4>{-1, -1, -1, -1}));
  EXPECT_EQ(EncodeImageGroup(*list), group);
}

TEST(DefaultImageGroup, PlaceholderIsMaskedWhiteOutsideAndOpaqueInside) {
  auto list = DecodeImageGroup(DefaultImageGroup());
  ASSERT_TRUE(list.has_value());
  const Image& image = list->ImageAt(0);
  int transparent = 0;
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    EXPECT_EQ(image.pixels[i] >> 24, 0u) << i;
    if (image.mask[i] == 1) {
      ++transparent;
      EXPECT_EQ(image.pixels[i], 0x00FFFFFFu) << i;
    }
  }
  // Rounded corners and a one-pixel margin are see-through; the middle is not.
  EXPECT_EQ(image.mask[0], 1);
  EXPECT_EQ(image.mask[31], 1);
  EXPECT_EQ(image.mask[31 * 32], 1);
  EXPECT_EQ(image.mask[16 * 32 + 16], 0);
  EXPECT_EQ(image.mask[16 * 32 + 1], 0);
  EXPECT_GT(transparent, 124);
  EXPECT_LT(transparent, 300);
  // It is a picture, not a flat tile.
  std::set<std::uint32_t> colours(image.pixels.begin(), image.pixels.end());
  EXPECT_GE(colours.size(), 5u);
}

TEST(DefaultImageGroup, FreeSlotsAreZeroInBothBitmaps) {
  const Bytes& group = DefaultImageGroup();
  // Tile 0 is the top-left tile: stored rows 32 to 63, first 128 bytes of each.
  for (std::size_t row = 0; row < 64; ++row) {
    for (std::size_t x = 0; x < 128; ++x) {
      if (row >= 32 && x < 32) continue;
      ASSERT_EQ(U32At(group, kColourPixelsAt + row * 512 + 4 * x), 0u) << row << "," << x;
    }
    for (std::size_t byte = 0; byte < 16; ++byte) {
      if (row >= 32 && byte < 4) continue;
      ASSERT_EQ(group[kMaskBitsAt + row * 16 + byte], 0u) << row << "," << byte;
    }
  }
}

}  // namespace
}  // namespace tilvane
