// The PNG pair of each platform (libpng here, stb on Windows) meets the same
// expectations: these tests run in both builds.
#include <gtest/gtest.h>

#include <array>

#include "core/platform/png.h"
#include "intake_test_support.h"

namespace tilvane {
namespace {

using platform::DecodePng;
using platform::EncodePng;
using platform::RgbaPicture;

// RGBA of pixel (x, y).
std::array<int, 4> At(const RgbaPicture& picture, int x, int y) {
  const std::size_t i = (static_cast<std::size_t>(y) * picture.width + x) * 4;
  return {picture.rgba[i], picture.rgba[i + 1], picture.rgba[i + 2], picture.rgba[i + 3]};
}

// The fixture pattern: red square top left, blue bottom right, a half-transparent
// green band top right, transparent elsewhere.
void ExpectPattern(const RgbaPicture& picture, bool halfAlpha) {
  ASSERT_EQ(picture.width, 32);
  ASSERT_EQ(picture.height, 32);
  EXPECT_EQ(At(picture, 0, 0), (std::array<int, 4>{255, 0, 0, 255}));
  EXPECT_EQ(At(picture, 15, 15), (std::array<int, 4>{255, 0, 0, 255}));
  EXPECT_EQ(At(picture, 31, 31), (std::array<int, 4>{0, 0, 255, 255}));
  EXPECT_EQ(At(picture, 0, 31)[3], 0);
  if (halfAlpha) {
    EXPECT_EQ(At(picture, 20, 2), (std::array<int, 4>{0, 255, 0, 128}));
  }
}

TEST(PngTest, DecodesRgbaPaletteAndSixteenBitPictures) {
  std::optional<RgbaPicture> rgba = DecodePng(testing::ReadAll(testing::IntakeFixture("pattern32.png")), 256);
  ASSERT_TRUE(rgba);
  ExpectPattern(*rgba, true);
  std::optional<RgbaPicture> palette =
      DecodePng(testing::ReadAll(testing::IntakeFixture("pattern32-palette.png")), 256);
  ASSERT_TRUE(palette);
  ExpectPattern(*palette, false);
  std::optional<RgbaPicture> deep = DecodePng(testing::ReadAll(testing::IntakeFixture("pattern32-16bit.png")), 256);
  ASSERT_TRUE(deep);
  ExpectPattern(*deep, false);
}

TEST(PngTest, EncodedPicturesDecodeToTheSamePixels) {
  RgbaPicture picture;
  picture.width = 5;
  picture.height = 3;
  for (int i = 0; i < 15 * 4; ++i) picture.rgba.push_back(static_cast<std::uint8_t>(i * 37 + 11));
  std::optional<Bytes> png = EncodePng(picture);
  ASSERT_TRUE(png);
  ASSERT_GE(png->size(), 8u);
  EXPECT_EQ((*png)[1], 'P');
  std::optional<RgbaPicture> back = DecodePng(*png, 5);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width, 5);
  EXPECT_EQ(back->height, 3);
  EXPECT_EQ(back->rgba, picture.rgba);
}

TEST(PngTest, RefusesDamagedOversizedAndInconsistentPictures) {
  Bytes png = testing::ReadAll(testing::IntakeFixture("pattern32.png"));
  ASSERT_FALSE(png.empty());
  EXPECT_FALSE(DecodePng(png, 31)) << "wider than allowed";
  EXPECT_FALSE(DecodePng(Bytes(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2)), 256));
  EXPECT_FALSE(DecodePng(Bytes(png.begin(), png.begin() + 8), 256));
  EXPECT_FALSE(DecodePng({}, 256));
  RgbaPicture wrong;
  wrong.width = 2;
  wrong.height = 2;
  wrong.rgba.assign(15, 0);
  EXPECT_FALSE(EncodePng(wrong));
  EXPECT_FALSE(EncodePng(RgbaPicture{}));
}

}  // namespace
}  // namespace tilvane
