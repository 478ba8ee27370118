// merge: groups joined in order, other cell sizes and depths converted.
#include <gtest/gtest.h>

#include "qiltool/qiltool_fixture.h"

namespace tilvane::testing {
namespace {

class QiltoolMerge : public QiltoolTest {};

TEST_F(QiltoolMerge, JoinsGroupsOfOneFormatImageForImage) {
  GroupShape shape;
  shape.images = 3;
  const ImageList first = MakeList(shape, 1);
  shape.images = 2;
  const ImageList second = MakeList(shape, 2);
  const std::string a = WriteGroup("组 a.qil", first);
  const std::string b = WriteGroup("组 b.qil", second);

  ToolResult merged = Run({"merge", File("合并 组.qil"), a, b, a});
  ASSERT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(merged.err, "");
  EXPECT_EQ(merged.out, File("合并 组.qil") + ": 8 images from 3 groups\n");
  std::optional<ImageList> out = Decode(File("合并 组.qil"));
  ASSERT_TRUE(out);
  std::vector<Image> expected = testing::AllImages(first);
  for (const Image& image : testing::AllImages(second)) expected.push_back(image);
  for (const Image& image : testing::AllImages(first)) expected.push_back(image);
  EXPECT_EQ(testing::AllImages(*out), expected);
  EXPECT_EQ(out->backColour, first.backColour);
  EXPECT_EQ(out->overlays, first.overlays);
  EXPECT_EQ(out->bitsPerPixel, 32);
  EXPECT_GE(out->capacity, 8);
}

// A 16 x 16, 8-bit group without a mask whose one image is a single colour.
ImageList FlatSmallGroup(std::uint32_t rgb) {
  GroupShape shape;
  shape.tileWidth = 16;
  shape.tileHeight = 16;
  shape.bitsPerPixel = 8;
  shape.mask = false;
  ImageList list = MakeList(shape);
  list.palette[5] = rgb;
  std::fill(list.pixels.begin(), list.pixels.end(), 5);
  return list;
}

TEST_F(QiltoolMerge, ScalesAndConvertsOtherGroupsAndSaysSo) {
  const std::string big = FixtureGroup("big.qil");
  const std::string small = WriteGroup("small.qil", FlatSmallGroup(0x00123456));
  const std::string out = File("out.qil");
  ToolResult merged = Run({"merge", out, big, small});
  ASSERT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(merged.err, "qiltool: " + small + ": 8-bit colours converted to 32 bits\nqiltool: " + small +
                            ": images without a mask made wholly opaque\nqiltool: " + small +
                            ": 16x16 images scaled to 32x32\n");
  std::optional<ImageList> result = Decode(out);
  std::optional<ImageList> bigList = Decode(big);
  ASSERT_TRUE(result && bigList);
  ASSERT_EQ(result->ImageCount(), bigList->ImageCount() + 1);
  const std::vector<Image> resultImages = testing::AllImages(*result);
  const std::vector<Image> bigImages = testing::AllImages(*bigList);
  EXPECT_TRUE(std::equal(bigImages.begin(), bigImages.end(), resultImages.begin()));
  const Image& scaled = resultImages.back();
  ASSERT_EQ(scaled.pixels.size(), 32u * 32u);
  EXPECT_EQ(scaled.pixels, std::vector<std::uint32_t>(32 * 32, 0x00123456));
  EXPECT_EQ(scaled.mask, std::vector<std::uint8_t>(32 * 32, 0));
}

TEST_F(QiltoolMerge, KeepsADepthEveryInputShares) {
  const ImageList flat = FlatSmallGroup(0x00ABCDEF);
  const std::string one = WriteGroup("one.qil", flat);
  ToolResult merged = Run({"merge", File("out.qil"), one, one});
  ASSERT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(merged.err, "");
  std::optional<ImageList> result = Decode(File("out.qil"));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->bitsPerPixel, 8);
  EXPECT_EQ(result->palette, flat.palette);
  EXPECT_FALSE(result->HasMask());
  EXPECT_EQ(testing::AllImages(*result), std::vector<Image>(2, flat.ImageAt(0)));
}

TEST_F(QiltoolMerge, WritesNothingWhenAnInputDoesNotDecode) {
  const std::string good = FixtureGroup("good.qil");
  Bytes broken = ReadAll(good);
  broken[0] = 'm';
  const std::string bad = Write("bad.qil", broken);
  ToolResult fresh = Run({"merge", File("fresh.qil"), good, bad});
  EXPECT_EQ(fresh.status, 1);
  EXPECT_EQ(fresh.err, "qiltool: " + bad + ": not an image group\nqiltool: " + File("fresh.qil") +
                           ": not written, since not every input decodes\n");
  EXPECT_FALSE(PathExists(File("fresh.qil")));

  const Bytes before = ReadAll(good);
  EXPECT_EQ(Run({"merge", good, good, File("missing.qil")}).status, 1);
  EXPECT_EQ(ReadAll(good), before);
}

// A few bytes can declare huge cells; filling them must not take the machine down.
TEST_F(QiltoolMerge, RefusesToBlowTinyImagesUpIntoHugeCells) {
  const std::string big =
      WriteGroup("huge cells.qil", MakeList({.tileWidth = 1024, .tileHeight = 1024, .images = 0, .capacity = 0}));
  const std::string many =
      WriteGroup("many.qil", MakeList({.tileWidth = 1, .tileHeight = 1, .images = 300, .capacity = 300}));
  ToolResult merged = Run({"merge", File("out.qil"), big, many});
  EXPECT_EQ(merged.status, 1);
  EXPECT_EQ(merged.err, "qiltool: " + File("out.qil") + ": not written: the merged group would hold over 1 GiB of pixels\n");
  EXPECT_FALSE(PathExists(File("out.qil")));

  const std::string wider =
      WriteGroup("wider.qil", MakeList({.tileWidth = 2048, .tileHeight = 1024, .images = 0, .capacity = 0}));
  const std::string few = WriteGroup("few.qil", MakeList({.tileWidth = 1, .tileHeight = 1, .images = 2, .capacity = 300}));
  ToolResult scaled = Run({"merge", File("out.qil"), wider, few});
  EXPECT_EQ(scaled.status, 1);
  EXPECT_EQ(scaled.err, "qiltool: " + few + ": its images cannot be scaled into 2048x1024 cells\n");
  ToolResult added = Run({"add", wider, IntakeFixture("multi.ico")});
  EXPECT_EQ(added.status, 1);
  EXPECT_NE(added.err.find("multi.ico: the group's cells are not 1 to 1024 pixels on each side\n"), std::string::npos)
      << added.err;
}

TEST_F(QiltoolMerge, OutputMayBeOneOfTheInputs) {
  const std::string group = FixtureGroup("g.qil");
  const std::size_t count = Decode(group)->ImageCount();
  ToolResult merged = Run({"merge", group, group, group});
  ASSERT_EQ(merged.status, 0) << merged.err;
  EXPECT_EQ(Decode(group)->ImageCount(), 2 * count);
}

}  // namespace
}  // namespace tilvane::testing
