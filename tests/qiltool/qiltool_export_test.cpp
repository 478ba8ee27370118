// export and export-all: the editor's BMP, PNG with the mask as alpha, and the
// round trip back through add.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/export/picture.h"
#include "core/intake/icon_image.h"
#include "qiltool/qiltool_fixture.h"

namespace tilvane::testing {
namespace {

class QiltoolExport : public QiltoolTest {
 protected:
  // One 32-bit image without alpha: fourth bytes 0, every third pixel masked.
  static ImageList MaskedGroup() {
    GroupShape shape;
    shape.images = 2;
    ImageList list = MakeList(shape, 7);
    for (std::size_t i = 0; i < list.ImageCount(); ++i) {
      const auto pixels = list.PixelsOf(i);
      const auto mask = list.MaskOf(i);
      for (std::size_t p = 0; p < pixels.size(); ++p) {
        pixels[p] &= 0x00FFFFFF;
        mask.Set(p, p % 3 == 0);
      }
    }
    return list;
  }
  static std::vector<std::string> SortedFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FsPath(folder))) names.push_back(Utf8Path(entry.path()));
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(QiltoolExport, BmpIsTheEditorsPictureOverTheFillColour) {
  const std::string group = FixtureGroup("g.qil");
  const Bytes bytes = ReadAll(group);
  ToolResult white = Run({"export", group, "2", File("白.bmp")});
  ASSERT_EQ(white.status, 0) << white.err;
  EXPECT_EQ(ReadAll(File("白.bmp")), ImageGroupPicture(bytes, 2));
  ToolResult magenta = Run({"export", group, "4", File("m.BMP"), "--fill", "#FF00FF"});
  ASSERT_EQ(magenta.status, 0) << magenta.err;
  EXPECT_EQ(ReadAll(File("m.BMP")), ImageGroupPicture(bytes, 4, MakeColor(255, 0, 255)));
  EXPECT_NE(ReadAll(File("m.BMP")), ImageGroupPicture(bytes, 4));
}

TEST_F(QiltoolExport, PngCarriesTheMaskAsAlpha) {
  const ImageList list = MaskedGroup();
  const std::string group = WriteGroup("masked.qil", list);
  ASSERT_EQ(Run({"export", group, "1", File("one.png")}).status, 0);
  ErrorOr<IconPixels> png = DecodePngImage(ReadAll(File("one.png")));
  ASSERT_TRUE(png);
  ASSERT_EQ(png->pixels.size(), list.PixelsPerImage());
  const Image& image = list.ImageAt(1);
  for (std::size_t p = 0; p < image.pixels.size(); ++p) {
    const std::uint32_t alpha = png->pixels[p] >> 24;
    if (image.mask[p]) {
      EXPECT_EQ(alpha, 0u) << p;
    } else {
      EXPECT_EQ(png->pixels[p], 0xFF000000u | image.pixels[p]) << p;
    }
  }
}

TEST_F(QiltoolExport, PngTakesTheFourthByteAsAlphaWhereTheImageCarriesOne) {
  ImageList list = MaskedGroup();
  list.PixelsOf(0)[1] |= 0x80000000u;  // half transparent, opaque in the mask
  list.PixelsOf(0)[2] |= 0xFF000000u;
  const std::string group = WriteGroup("alpha.qil", list);
  ASSERT_EQ(Run({"export", group, "0", File("a.png")}).status, 0);
  ErrorOr<IconPixels> png = DecodePngImage(ReadAll(File("a.png")));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->pixels[0] >> 24, 0u);     // masked
  EXPECT_EQ(png->pixels[1] >> 24, 0x80u);  // the fourth byte
  EXPECT_EQ(png->pixels[2] >> 24, 0xFFu);
  EXPECT_EQ(png->pixels[4] >> 24, 0u);     // fourth byte 0 in an image with alpha
}

TEST_F(QiltoolExport, AnIndexOutOfRangeWritesNothing) {
  const std::string group = FixtureGroup("g.qil");
  ToolResult result = Run({"export", group, "5", File("x.png")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "qiltool: " + group + ": no image 5 (the group holds 5)\n");
  EXPECT_FALSE(PathExists(File("x.png")));
  EXPECT_EQ(Run({"export", File("none.qil"), "0", File("x.png")}).status, 1);
}

TEST_F(QiltoolExport, ExportAllThenAddRebuildsTheSameImages) {
  const std::string group = FixtureGroup("原 组.qil");
  const std::string folder = File("导出 图片/深");
  ToolResult exported = Run({"export-all", group, folder});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const std::vector<std::string> files = SortedFiles(folder);
  ASSERT_EQ(files.size(), 5u);
  EXPECT_EQ(files.front(), folder + "/000.png");
  EXPECT_EQ(exported.out, folder + "/000.png\n" + folder + "/001.png\n" + folder + "/002.png\n" + folder +
                              "/003.png\n" + folder + "/004.png\n");

  const std::string rebuilt = File("rebuilt.qil");
  ASSERT_EQ(Run({"new", rebuilt}).status, 0);
  std::vector<std::string> args = {"add", rebuilt};
  args.insert(args.end(), files.begin(), files.end());
  ToolResult added = Run(args);
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(testing::AllImages(*Decode(rebuilt)), testing::AllImages(*Decode(group)));
}

TEST_F(QiltoolExport, RoundTripOfImagesWithoutAlphaKeepsColoursAndMask) {
  const ImageList list = MaskedGroup();
  const std::string group = WriteGroup("masked.qil", list);
  ASSERT_EQ(Run({"export-all", group, File("out")}).status, 0);
  ASSERT_EQ(Run({"new", File("back.qil")}).status, 0);
  ASSERT_EQ(Run({"add", File("back.qil"), File("out/000.png"), File("out/001.png")}).status, 0);
  std::optional<ImageList> back = Decode(File("back.qil"));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->ImageCount(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back->ImageAt(i).mask, list.ImageAt(i).mask);
    for (std::size_t p = 0; p < list.PixelsPerImage(); ++p) {
      // A PNG cannot say "no alpha": opaque pixels come back with alpha 255,
      // masked ones black, as every transparent icon pixel is.
      const std::uint32_t expected = list.MaskOf(i)[p] ? 0 : 0xFF000000u | list.PixelsOf(i)[p];
      ASSERT_EQ(back->PixelsOf(i)[p], expected) << i << " " << p;
    }
  }
}

TEST_F(QiltoolExport, ExportAllWritesTheEditorsBmpsOnRequest) {
  const std::string group = FixtureGroup("g.qil");
  ASSERT_EQ(Run({"export-all", group, File("bmps/"), "--bmp", "--fill", "00FF00"}).status, 0);
  EXPECT_EQ(ReadAll(File("bmps/003.bmp")), ImageGroupPicture(ReadAll(group), 3, MakeColor(0, 255, 0)));
  Write("in the way", ToBytes("x"));
  ToolResult blocked = Run({"export-all", group, File("in the way")});
  EXPECT_EQ(blocked.status, 3);
  EXPECT_NE(blocked.err.find("cannot make the folder"), std::string::npos) << blocked.err;
}

}  // namespace
}  // namespace tilvane::testing
