// Decoding of DIB and PNG icon entries, the alpha and mask rules, scaling into
// a cell, and the choice of directory entry.
#include <gtest/gtest.h>

#include "core/intake/icon_conversion.h"
#include "core/intake/icon_directory.h"
#include "core/intake/icon_file.h"
#include "core/intake/icon_image.h"
#include "core/intake/icon_scale.h"
#include "intake_test_support.h"

namespace tilvane {
namespace {

using testing::DibSpec;
using testing::WriteDib;

// A 4 x 2 palette picture whose right column is masked out.
DibSpec PaletteSpec(int bits) {
  DibSpec spec;
  spec.width = 4;
  spec.height = 2;
  spec.bits = bits;
  spec.palette = {0x00112233, 0x00FF0000};
  if (bits >= 4) spec.palette.push_back(0x0000FF00);
  spec.values = {0, 1, 0, 1, 1, 0, bits >= 4 ? 2u : 1u, 0};
  spec.andMask = {0, 0, 0, 1, 0, 0, 0, 1};
  return spec;
}

TEST(DibIconTest, PaletteDepthsTakeColoursFromThePaletteAndBlackUnderTheMask) {
  for (int bits : {1, 4, 8}) {
    SCOPED_TRACE(bits);
    ErrorOr<IconPixels> icon = DecodeDibIcon(WriteDib(PaletteSpec(bits)));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->width, 4);
    EXPECT_EQ(icon->height, 2);
    EXPECT_FALSE(icon->hasAlpha);
    std::uint32_t third = bits >= 4 ? 0x0000FF00 : 0x00FF0000;
    EXPECT_EQ(icon->pixels, (std::vector<std::uint32_t>{0x00112233, 0x00FF0000, 0x00112233, 0, 0x00FF0000, 0x00112233,
                                                        third, 0}));
    EXPECT_EQ(icon->mask, (std::vector<std::uint8_t>{0, 0, 0, 1, 0, 0, 0, 1}));
  }
}

TEST(DibIconTest, SixteenTwentyFourAndThirtyTwoBitsWithoutAlpha) {
  DibSpec spec;
  spec.width = 4;
  spec.height = 1;
  spec.andMask = {0, 0, 0, 1};

  spec.bits = 16;
  spec.values = {0x7C00, 0x03E0, 0x4210, 0x001F};
  ErrorOr<IconPixels> icon = DecodeDibIcon(WriteDib(spec));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->pixels, (std::vector<std::uint32_t>{0x00FF0000, 0x0000FF00, 0x00848484, 0}));

  spec.bits = 24;
  spec.values = {0x123456, 0xABCDEF, 0x000001, 0xFFFFFF};
  icon = DecodeDibIcon(WriteDib(spec));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->pixels, (std::vector<std::uint32_t>{0x123456, 0xABCDEF, 0x000001, 0}));

  // 32 bits with every alpha byte 0 is an entry without alpha: the AND mask rules.
  spec.bits = 32;
  icon = DecodeDibIcon(WriteDib(spec));
  ASSERT_TRUE(icon);
  EXPECT_FALSE(icon->hasAlpha);
  EXPECT_EQ(icon->pixels, (std::vector<std::uint32_t>{0x123456, 0xABCDEF, 0x000001, 0}));
  EXPECT_EQ(icon->mask, (std::vector<std::uint8_t>{0, 0, 0, 1}));
}

TEST(DibIconTest, AlphaAboveZeroKeepsTheAlphaAndMasksAtTwentyFiveOrLess) {
  DibSpec spec;
  spec.width = 4;
  spec.height = 1;
  spec.bits = 32;
  spec.values = {0xFF102030, 0x1A405060, 0x19708090, 0x00A0B0C0};
  spec.andMask = {1, 1, 0, 0};  // ignored: the alpha decides
  ErrorOr<IconPixels> icon = DecodeDibIcon(WriteDib(spec));
  ASSERT_TRUE(icon);
  EXPECT_TRUE(icon->hasAlpha);
  EXPECT_EQ(icon->mask, (std::vector<std::uint8_t>{0, 0, 1, 1}));
  EXPECT_EQ(icon->pixels, (std::vector<std::uint32_t>{0xFF102030, 0x1A405060, 0x19000000, 0}));
}

TEST(DibIconTest, MissingMaskRowsMeanOpaque) {
  DibSpec spec = PaletteSpec(8);
  spec.andMask.clear();
  ErrorOr<IconPixels> icon = DecodeDibIcon(WriteDib(spec));
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->mask, std::vector<std::uint8_t>(8, 0));
}

TEST(DibIconTest, BrokenHeadersAndShortDataFail) {
  Bytes good = WriteDib(PaletteSpec(8));
  ASSERT_TRUE(DecodeDibIcon(good));

  auto broken = [&](std::size_t at, std::uint32_t value) {
    Bytes bytes = good;
    testing::Set32(bytes, at, value);
    return bytes;
  };
  EXPECT_FALSE(DecodeDibIcon(broken(0, 39))) << "header smaller than BITMAPINFOHEADER";
  EXPECT_FALSE(DecodeDibIcon(broken(0, 0xFFFFFFF0))) << "header size past the end";
  EXPECT_FALSE(DecodeDibIcon(broken(4, 0))) << "zero width";
  EXPECT_FALSE(DecodeDibIcon(broken(4, 0x7FFFFFFF))) << "absurd width";
  EXPECT_FALSE(DecodeDibIcon(broken(8, 1))) << "height field below two rows";
  EXPECT_FALSE(DecodeDibIcon(broken(8, 0x80000000))) << "most negative height";
  EXPECT_FALSE(DecodeDibIcon(broken(16, 1))) << "compressed";
  EXPECT_FALSE(DecodeDibIcon(broken(32, 257))) << "more colours than 8 bits hold";
  Bytes depth = good;
  testing::Set16(depth, 14, 7);
  EXPECT_FALSE(DecodeDibIcon(depth)) << "7 bits per pixel";
  // Colour rows cut short: 40 header + 8 palette bytes + 2 rows of 4 bytes.
  Bytes cut(good.begin(), good.begin() + 40 + 8 + 7);
  EXPECT_FALSE(DecodeDibIcon(cut));
  EXPECT_FALSE(DecodeDibIcon(Bytes{}));
}

// Each failure names what is wrong, in words a message to the user can carry.
TEST(DibIconTest, FailuresSayWhatIsWrong) {
  Bytes good = WriteDib(PaletteSpec(8));
  auto reasonOf = [&](std::size_t at, std::uint32_t value) -> std::string {
    Bytes bytes = good;
    testing::Set32(bytes, at, value);
    ErrorOr<IconPixels> icon = DecodeDibIcon(bytes);
    return icon ? "decoded" : icon.reason();
  };
  EXPECT_EQ(reasonOf(0, 39), "bitmap header too small");
  EXPECT_EQ(reasonOf(0, 0xFFFFFFF0), "bitmap header size past the end");
  EXPECT_EQ(reasonOf(4, 0x7FFFFFFF), "bitmap size out of range");
  EXPECT_EQ(reasonOf(16, 1), "compressed bitmap");
  EXPECT_EQ(reasonOf(32, 257), "more palette colours than the depth holds");
  EXPECT_EQ(reasonOf(14, 7), "unsupported bitmap depth");
  EXPECT_STREQ(DecodeDibIcon(Bytes(good.begin(), good.begin() + 40 + 8 + 7)).reason(), "bitmap rows cut short");
  EXPECT_STREQ(DecodeDibIcon(Bytes(good.begin(), good.begin() + 40 + 6)).reason(), "palette cut short");
  EXPECT_STREQ(DecodeDibIcon(Bytes{}).reason(), "bitmap header cut short");
  EXPECT_STREQ(DecodeIconEntry(Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0}).reason(),
               "PNG is damaged or too large");
  EXPECT_STREQ(DecodePngImage(good).reason(), "not a PNG");
}

TEST(DibIconTest, NegativeHeightIsReadTopDown) {
  DibSpec spec = PaletteSpec(8);
  Bytes bottomUp = WriteDib(spec);
  // Reverse the stored rows and negate the height: the same picture.
  std::swap(spec.values[0], spec.values[4]);
  std::swap(spec.values[1], spec.values[5]);
  std::swap(spec.values[2], spec.values[6]);
  std::swap(spec.values[3], spec.values[7]);
  Bytes topDown = WriteDib(spec);
  testing::Set32(topDown, 8, static_cast<std::uint32_t>(-4));
  ErrorOr<IconPixels> a = DecodeDibIcon(bottomUp);
  ErrorOr<IconPixels> b = DecodeDibIcon(topDown);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->pixels, b->pixels);
}

IconPixels Solid(int width, int height, std::uint32_t pixel, bool hasAlpha) {
  IconPixels icon;
  icon.width = width;
  icon.height = height;
  icon.hasAlpha = hasAlpha;
  icon.pixels.assign(static_cast<std::size_t>(width) * height, pixel);
  icon.mask.assign(icon.pixels.size(), 0);
  return icon;
}

TEST(ScaleIconTest, UniformPicturesStayExactWhenShrunkOrEnlarged) {
  for (auto [w, h] : {std::pair{7, 5}, std::pair{32, 32}, std::pair{100, 3}, std::pair{1, 1}}) {
    IconPixels scaled = ScaleIcon(Solid(13, 11, 0x00336699, false), w, h);
    EXPECT_EQ(scaled.width, w);
    EXPECT_EQ(scaled.height, h);
    EXPECT_EQ(scaled.pixels, std::vector<std::uint32_t>(std::size_t(w) * h, 0x00336699));
    EXPECT_EQ(scaled.mask, std::vector<std::uint8_t>(std::size_t(w) * h, 0));
  }
}

TEST(ScaleIconTest, AreaAverageWeighsColoursByOpacity) {
  // 2 x 2 to 1 x 1 without alpha: half coverage stays opaque, and the
  // transparent (black) pixels do not darken the colour.
  IconPixels icon = Solid(2, 2, 0x00FF0000, false);
  icon.pixels[1] = icon.pixels[3] = 0;
  icon.mask[1] = icon.mask[3] = 1;
  IconPixels half = ScaleIcon(icon, 1, 1);
  EXPECT_EQ(half.mask[0], 0);
  EXPECT_EQ(half.pixels[0], 0x00FF0000u);
  icon.mask[2] = 1;
  icon.pixels[2] = 0;
  EXPECT_EQ(ScaleIcon(icon, 1, 1).mask[0], 1) << "a quarter covered is transparent";

  // With alpha: red and white at 255 and a transparent pixel twice: alpha 128.
  IconPixels alpha = Solid(2, 2, 0, true);
  alpha.pixels[0] = 0xFFFF0000;
  alpha.pixels[1] = 0xFFFFFFFF;
  alpha.mask = {0, 0, 1, 1};
  IconPixels mixed = ScaleIcon(alpha, 1, 1);
  EXPECT_EQ(mixed.pixels[0], 0x80FF8080u);
  EXPECT_EQ(mixed.mask[0], 0);
}

TEST(ScaleIconTest, EnlargingIsBilinear) {
  IconPixels icon = Solid(2, 1, 0x00000000, false);
  icon.pixels[1] = 0x000000FF;
  IconPixels wide = ScaleIcon(icon, 4, 1);
  // Centres at -0.25, 0.25, 0.75, 1.25 source pixels.
  EXPECT_EQ(wide.pixels, (std::vector<std::uint32_t>{0x00, 0x40, 0xBF, 0xFF}));
}

TEST(ChooseIconEntryTest, NearestSizeThenNearestDepthThenFirst) {
  using E = IconDirectoryEntry;
  auto entry = [](int w, int h, int bits) { return E{w, h, bits, 1, 0}; };
  std::vector<E> entries{entry(48, 48, 32), entry(16, 16, 32), entry(32, 32, 8), entry(32, 32, 32), entry(32, 32, 32)};
  EXPECT_EQ(ChooseIconEntry(entries, 32, 32), 3u);
  EXPECT_EQ(ChooseIconEntry(entries, 16, 16), 1u);
  EXPECT_EQ(ChooseIconEntry(entries, 256, 256), 0u);
  std::vector<E> tie{entry(48, 48, 24), entry(16, 16, 24)};
  EXPECT_EQ(ChooseIconEntry(tie, 32, 32), 0u) << "equal distance: the first wins";
  std::vector<E> depths{entry(32, 32, 4), entry(32, 32, 24), entry(32, 32, 1)};
  EXPECT_EQ(ChooseIconEntry(depths, 32, 32), 1u);
  EXPECT_FALSE(ChooseIconEntry(std::vector<E>{}, 32, 32));
}

TEST(IcoFileTest, DirectoryEntriesAndDamage) {
  Bytes small = WriteDib(PaletteSpec(4));
  Bytes ico = testing::WriteIco({{256, 256, 32, small}, {4, 2, 4, small}});
  MemoryByteSource source(ico);
  ErrorOr<std::vector<IconDirectoryEntry>> entries = ReadIcoDirectory(source);
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 2u);
  EXPECT_EQ((*entries)[0].width, 256) << "a stored 0 means 256";
  EXPECT_EQ((*entries)[1].location, 6u + 32 + small.size());

  // The 4 x 2 entry is nearest a 4 x 2 cell.
  ErrorOr<IconPixels> icon = ReadIconForCell(source, {0, 4, 2, false});
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->mask, (std::vector<std::uint8_t>{0, 0, 0, 1, 0, 0, 0, 1}));
  EXPECT_FALSE(ReadIconForCell(source, {1, 4, 2, false})) << "an icon file has only icon 0";

  // An entry pointing past the end is passed over; when all do, nothing.
  Bytes pastEnd = ico;
  testing::Set32(pastEnd, 6 + 16 + 12, 0xFFFFFF00);
  MemoryByteSource partly(pastEnd);
  icon = ReadIconForCell(partly, {0, 4, 2, false});
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->width, 4) << "the 256 entry remains and is scaled into the cell";
  testing::Set32(pastEnd, 6 + 12, 0xFFFFFF00);
  MemoryByteSource none(pastEnd);
  EXPECT_FALSE(ReadIconForCell(none, {}));

  Bytes countTooLarge = ico;
  testing::Set16(countTooLarge, 4, 500);
  MemoryByteSource truncated(countTooLarge);
  EXPECT_FALSE(ReadIcoDirectory(truncated));
  Bytes cursor = ico;
  testing::Set16(cursor, 2, 2);
  MemoryByteSource cursorSource(cursor);
  EXPECT_EQ(DetectIconFileKind(cursorSource), IconFileKind::kUnknown) << "type 2 is a cursor file";
}

TEST(IcoFileTest, FailuresSayWhatIsWrong) {
  Bytes small = WriteDib(PaletteSpec(4));
  Bytes ico = testing::WriteIco({{4, 2, 4, small}});
  MemoryByteSource source(ico);
  EXPECT_STREQ(ReadIconPicture(source, {1, 4, 2, false}).reason(), "an icon file holds only icon 0");
  EXPECT_STREQ(ReadIconForCell(source, {0, 0, 2, false}).reason(), "cell size out of range");

  Bytes pastEnd = ico;
  testing::Set32(pastEnd, 6 + 12, 0xFFFFFF00);
  MemoryByteSource none(pastEnd);
  EXPECT_STREQ(ReadIconPicture(none, {}).reason(), "none of the icon's pictures is in the file");
  EXPECT_STREQ(ReadIcoPicture(none, (*ReadIcoDirectory(none))[0]).reason(), "data runs past the end of the file");

  Bytes countTooLarge = ico;
  testing::Set16(countTooLarge, 4, 500);
  MemoryByteSource truncated(countTooLarge);
  EXPECT_STREQ(ReadIconPicture(truncated, {}).reason(), "icon directory cut short");
  Bytes text = ToBytes("neither an icon file nor an executable");
  MemoryByteSource textSource(text);
  EXPECT_STREQ(ReadIconPicture(textSource, {}).reason(), "not an executable or icon file");
  EXPECT_STREQ(ReadIcoDirectory(textSource).reason(), "not an icon directory");
  EXPECT_STREQ(ReadFileIcon("").reason(), "empty file name");
}

TEST(PngIconTest, StandalonePngIsFittedIntoTheCellWithItsAlpha) {
  Bytes png = testing::ReadAll(testing::IntakeFixture("pattern256.png"));
  ASSERT_FALSE(png.empty());
  ErrorOr<IconPixels> icon = DecodePngIcon(png, 32, 32);
  ASSERT_TRUE(icon);
  EXPECT_TRUE(icon->hasAlpha);
  EXPECT_EQ(icon->pixels[0], 0xFFFF0000u);            // red square
  EXPECT_EQ(icon->pixels[20], 0x8000FF00u);           // green band at alpha 0x80
  EXPECT_EQ(icon->pixels[31 * 32 + 31], 0xFF0000FFu);  // blue square
  EXPECT_EQ(icon->mask[31 * 32], 1);                  // bottom left is transparent
  EXPECT_EQ(icon->pixels[31 * 32], 0u);

  ErrorOr<IconPixels> odd = DecodePngIcon(png, 48, 8);
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->pixels.size(), 48u * 8);
  EXPECT_FALSE(DecodePngIcon(png, 0, 32));
  EXPECT_FALSE(DecodePngIcon(png, 32, kMaxPngSide + 1));
  Bytes cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
  EXPECT_FALSE(DecodePngIcon(cut));
  EXPECT_FALSE(DecodePngIcon(Bytes{0x89, 'P', 'N', 'G'}));
}

TEST(PngIconTest, EncodedPngReadsBackToTheSamePicture) {
  ErrorOr<IconPixels> icon = DecodePngIcon(testing::ReadAll(testing::IntakeFixture("pattern32.png")));
  ASSERT_TRUE(icon);
  std::optional<Bytes> png = EncodePngIcon(*icon);
  ASSERT_TRUE(png);
  ErrorOr<IconPixels> again = DecodePngImage(*png);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->pixels, icon->pixels);
  EXPECT_EQ(again->mask, icon->mask);

  // Without alpha the opaque pixels become alpha 255 and the masked ones 0.
  IconPixels plain = Solid(2, 1, 0x00123456, false);
  plain.mask[1] = 1;
  plain.pixels[1] = 0;
  ErrorOr<IconPixels> back = DecodePngImage(*EncodePngIcon(plain));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pixels, (std::vector<std::uint32_t>{0xFF123456, 0}));
  EXPECT_EQ(back->mask, (std::vector<std::uint8_t>{0, 1}));
}

}  // namespace
}  // namespace tilvane
