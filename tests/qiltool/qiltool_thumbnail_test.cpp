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

// How cells of each shape fill a thumbnail of each size.
TEST_F(QiltoolThumbnail, CellsKeepTheirShapeAndAWholeScaleWhereOneFits) {
  struct Case {
    std::uint16_t tileWidth, tileHeight;
    int images;
    std::string size;
    int width, height;
    const char* what;
  };
  for (const Case& c : {Case{64, 32, 3, "48", 48, 24, "cells larger than the size are shrunk to fit"},
                        Case{32, 16, 2, "128", 128, 32, "two 32 x 16 cells fit twice over: two a row at scale 2"}}) {
    GroupShape shape;
    shape.tileWidth = c.tileWidth;
    shape.tileHeight = c.tileHeight;
    shape.images = c.images;
    std::optional<IconPixels> png = Thumbnail(MakeList(shape), c.size);
    ASSERT_TRUE(png) << c.what;
    EXPECT_EQ(png->width, c.width) << c.what;
    EXPECT_EQ(png->height, c.height) << c.what;
  }
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
