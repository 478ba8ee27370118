// thumbnail: sizes and shapes the file manager's script does not reach, and
// the command line's edges.
#include <gtest/gtest.h>

#include "core/intake/icon_image.h"
#include "qiltool/qiltool_fixture.h"

namespace tilvane::testing {
namespace {

class QiltoolThumbnail : public QiltoolTest {
 protected:
  // The thumbnail of `list` at `size`, decoded; nothing when the run failed.
  std::optional<IconPixels> Thumbnail(const ImageList& list, const std::string& size) {
    const std::string group = WriteGroup("g.qil", list);
    ToolResult result = Run({"thumbnail", "-s", size, group, File("t.png")});
    EXPECT_EQ(result.status, 0) << result.err;
    if (result.status != 0) return std::nullopt;
    return DecodePngImage(ReadAll(File("t.png"))).ToOptional();
  }
};

TEST_F(QiltoolThumbnail, CellsLargerThanTheSizeAreShrunkToFit) {
  GroupShape shape;
  shape.tileWidth = 64;
  shape.tileHeight = 32;
  shape.images = 3;
  std::optional<IconPixels> png = Thumbnail(MakeList(shape), "48");
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 48);
  EXPECT_EQ(png->height, 24);
}

TEST_F(QiltoolThumbnail, WideCellsKeepTheirShapeAndTheirWholeScale) {
  GroupShape shape;
  shape.tileWidth = 32;
  shape.tileHeight = 16;
  shape.images = 2;
  // Two cells of 32 x 16 fit twice over in 128: two a row at scale 2.
  std::optional<IconPixels> png = Thumbnail(MakeList(shape), "128");
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 128);
  EXPECT_EQ(png->height, 32);
}

TEST_F(QiltoolThumbnail, ASizeThatIsNoMultipleLeavesTheRestOut) {
  GroupShape shape;
  shape.images = 1;
  std::optional<IconPixels> png = Thumbnail(MakeList(shape), "100");
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 96);  // 32 x 3
  EXPECT_EQ(png->height, 96);
  for (std::uint8_t bit : png->mask) EXPECT_EQ(bit, 0);  // opaque everywhere: image or checkerboard
}

TEST_F(QiltoolThumbnail, TheDefaultSizeIs128) {
  const std::string group = WriteGroup("g.qil", MakeList(GroupShape{}));
  ASSERT_EQ(Run({"thumbnail", group, File("t.png")}).status, 0);
  ErrorOr<IconPixels> png = DecodePngImage(ReadAll(File("t.png")));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 128);
}

TEST_F(QiltoolThumbnail, BadSizesAndArgumentsAreUsageErrors) {
  const std::string group = WriteGroup("g.qil", MakeList(GroupShape{}));
  for (const char* size : {"0", "4097", "12x", "-3", ""}) {
    ToolResult result = Run({"thumbnail", "-s", size, group, File("t.png")});
    EXPECT_EQ(result.status, 2) << size;
    EXPECT_NE(result.err.find("-s needs a size"), std::string::npos) << result.err;
  }
  EXPECT_EQ(Run({"thumbnail", group}).status, 2);
  EXPECT_EQ(Run({"thumbnail", "-s"}).status, 2);
  EXPECT_FALSE(std::filesystem::exists(File("t.png")));
}

TEST_F(QiltoolThumbnail, AnOutputThatCannotBeWrittenIsStatusThree) {
  const std::string group = WriteGroup("g.qil", MakeList(GroupShape{}));
  ToolResult result = Run({"thumbnail", group, File("no/such/folder/t.png")});
  EXPECT_EQ(result.status, 3);
  EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace tilvane::testing
