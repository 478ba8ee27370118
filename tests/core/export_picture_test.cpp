#include <gtest/gtest.h>

#include "core/export/picture.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"
#include "core/imagegroup_test_groups.h"

namespace tilvane {
namespace {

using testing::U16At;
using testing::U32At;

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// A 32-bit masked group with one w x h image; pixel i has colour colours(i)
// (0x00RRGGBB) and is transparent where transparent(i).
template <typename Colours, typename Transparent>
Bytes OneImageGroup(int w, int h, Colours colours, Transparent transparent, bool mask = true) {
  ImageList list;
  list.tileWidth = static_cast<std::uint16_t>(w);
  list.tileHeight = static_cast<std::uint16_t>(h);
  list.flags = static_cast<std::uint16_t>(0x20 | (mask ? kFlagMask : 0));
  list.capacity = 1;
  Image image;
  for (int i = 0; i < w * h; ++i) {
    image.pixels.push_back(colours(i));
    if (mask) image.mask.push_back(transparent(i) ? 1 : 0);
  }
  list.PushImage(image);
  return *EncodeImageGroup(list);
}

// Blue, green, red of pixel (x, y) counted from the top, read from the file.
std::array<int, 3> PixelAt(const Bytes& bmp, int x, int y) {
  const std::int32_t width = static_cast<std::int32_t>(U32At(bmp, 18));
  const std::int32_t height = static_cast<std::int32_t>(U32At(bmp, 22));
  const std::size_t stride = (24 * static_cast<std::size_t>(width) + 31) / 32 * 4;
  const std::size_t at = 54 + static_cast<std::size_t>(height - 1 - y) * stride + 3 * static_cast<std::size_t>(x);
  return {bmp[at], bmp[at + 1], bmp[at + 2]};
}

TEST(ImageGroupPicture, WritesTheBmpHeadersOfA24BitFile) {
  const Bytes bmp = ImageGroupPicture(DefaultImageGroup(), 0, 0x00F0F0F0);
  ASSERT_EQ(bmp.size(), 3126u);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(U32At(bmp, 2), 3126u);
  EXPECT_EQ(U32At(bmp, 6), 0u);
  EXPECT_EQ(U32At(bmp, 10), 54u);
  EXPECT_EQ(U32At(bmp, 14), 40u);
  EXPECT_EQ(U32At(bmp, 18), 32u);
  EXPECT_EQ(U32At(bmp, 22), 32u);
  EXPECT_EQ(U16At(bmp, 26), 1u);
  EXPECT_EQ(U16At(bmp, 28), 24u);
  EXPECT_EQ(U32At(bmp, 30), 0u);
  EXPECT_EQ(U32At(bmp, 34), 3072u);
  for (std::size_t at = 38; at < 54; at += 4) EXPECT_EQ(U32At(bmp, at), 0u) << at;
}

TEST(ImageGroupPicture, FillShowsThroughTransparentBlackOnly) {
  // Left half transparent black, right half opaque; row 0 of the right half
  // transparent white.
  const auto colour = [](int i) {
    return (i % 32 >= 16 && i / 32 == 0) ? kWhite : (i % 32 >= 16 ? 0x123456u : kBlack);
  };
  const auto transparent = [](int i) { return i % 32 < 16 || i / 32 == 0; };
  const Bytes group = OneImageGroup(32, 32, colour, transparent);

  const Bytes grey = ImageGroupPicture(group, 0, 0x00F0F0F0);
  EXPECT_EQ(PixelAt(grey, 0, 5), (std::array<int, 3>{0xF0, 0xF0, 0xF0}));
  EXPECT_EQ(PixelAt(grey, 20, 5), (std::array<int, 3>{0x56, 0x34, 0x12}));
  const Bytes red = ImageGroupPicture(group, 0, 0x000000FF);
  EXPECT_EQ(PixelAt(red, 0, 5), (std::array<int, 3>{0x00, 0x00, 0xFF}));
  EXPECT_EQ(PixelAt(red, 20, 0), (std::array<int, 3>{0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(PixelAt(red, 20, 5), (std::array<int, 3>{0x56, 0x34, 0x12}));
  // Blue fill 0x00FF0000 is written blue first.
  const Bytes blue = ImageGroupPicture(group, 0, 0x00FF0000);
  EXPECT_EQ(PixelAt(blue, 0, 5), (std::array<int, 3>{0xFF, 0x00, 0x00}));
  // The default fill is white.
  EXPECT_EQ(PixelAt(ImageGroupPicture(group, 0), 0, 5), (std::array<int, 3>{0xFF, 0xFF, 0xFF}));
}

TEST(ImageGroupPicture, TransparentColourIsOrOfFillAndStored) {
  const Bytes group = OneImageGroup(
      1, 1, [](int) { return 0x00800001u; }, [](int) { return true; });
  const Bytes bmp = ImageGroupPicture(group, 0, 0x00000F10);  // red 0x10, green 0x0F
  EXPECT_EQ(PixelAt(bmp, 0, 0), (std::array<int, 3>{0x01, 0x0F, 0x90}));
}

TEST(ImageGroupPicture, GroupsWithoutAMaskAreCopiedAsTheyAre) {
  const Bytes group = OneImageGroup(
      2, 1, [](int) { return kBlack; }, [](int) { return true; }, false);
  EXPECT_EQ(PixelAt(ImageGroupPicture(group, 0, 0x00F0F0F0), 1, 0), (std::array<int, 3>{0, 0, 0}));
}

TEST(ImageGroupPicture, RowsAreBottomUpAndPaddedWithZeros) {
  const Bytes small = OneImageGroup(
      16, 16, [](int) { return 0x010203u; }, [](int) { return false; });
  EXPECT_EQ(ImageGroupPicture(small, 0).size(), 822u);

  // 15 wide: 45 pixel bytes and 3 zero bytes per row. Row y has green y.
  const Bytes narrow = OneImageGroup(
      15, 4, [](int i) { return 0xFF0000u | static_cast<std::uint32_t>(i / 15) << 8; }, [](int) { return false; });
  const Bytes bmp = ImageGroupPicture(narrow, 0);
  ASSERT_EQ(bmp.size(), 54u + 48 * 4);
  for (int row = 0; row < 4; ++row) {
    const std::size_t start = 54 + 48 * static_cast<std::size_t>(row);
    EXPECT_EQ(bmp[start + 1], 3 - row) << "stored row " << row << " is image row " << 3 - row;
    for (int pad = 45; pad < 48; ++pad) EXPECT_EQ(bmp[start + pad], 0) << row;
  }
}

TEST(ImageGroupPicture, RendersOtherDepthsThroughTheirColours) {
  ImageList list = testing::MakeList({.tileWidth = 3, .tileHeight = 2, .bitsPerPixel = 8, .images = 3});
  const Bytes group = *EncodeImageGroup(list);
  const Bytes bmp = ImageGroupPicture(group, 2, 0);  // black fill: the stored colours only
  for (int i = 0; i < 6; ++i) {
    const std::uint32_t rgb = PixelRgb(list, list.PixelsOf(2)[i]);
    EXPECT_EQ(PixelAt(bmp, i % 3, i / 3), (std::array<int, 3>{int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int(rgb >> 16)}))
        << i;
  }
}

TEST(ImageGroupPicture, NothingToRenderGivesEmptyBytes) {
  const Bytes& group = DefaultImageGroup();
  EXPECT_TRUE(ImageGroupPicture(group, 1).empty());
  EXPECT_TRUE(ImageGroupPicture(group, -1).empty());
  EXPECT_TRUE(ImageGroupPicture(Bytes{}, 0).empty());
  EXPECT_TRUE(ImageGroupPicture(Bytes{0, 0, 0, 0}, 0).empty());
  EXPECT_TRUE(ImageGroupPicture(Bytes(group.begin(), group.end() - 1), 0).empty());
}

}  // namespace
}  // namespace tilvane
