// The bitmaps inside an encoded group, opened by ImageMagick as ordinary BMP
// files, must show the images in their tiles. (ImageMagick runs on the build
// machine, so this one is not part of the Windows tests.)
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup_test_groups.h"

namespace tilvane {
namespace {

using testing::GroupShape;
using testing::kColourBmpAt;
using testing::MakeList;
using testing::PutU32At;
using testing::ShapeName;
using testing::U32At;

bool HaveConvert() { return std::system("convert -version >/dev/null 2>&1") == 0; }

// The RGB bytes, top row first, that ImageMagick reads from `bmp`; empty when
// it cannot read it. A standalone BMP carries its own length in the file-size
// field (a group stores the pixel offset there), so that field is set first.
Bytes ReadWithImageMagick(Bytes bmp) {
  PutU32At(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
  const auto path = std::filesystem::temp_directory_path() / ("tilvane_codec_" + std::to_string(::getpid()) + ".bmp");
  if (!WriteFileBytes(path.string(), bmp)) return {};
  const std::string command = "convert 'bmp:" + path.string() + "' -alpha off -depth 8 rgb:- 2>/dev/null";
  Bytes rgb;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    std::uint8_t buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) rgb.insert(rgb.end(), buffer, buffer + got);
    if (::pclose(pipe) != 0) rgb.clear();
  }
  std::filesystem::remove(path);
  return rgb;
}

struct Slices {
  Bytes colour;
  Bytes mask;
};

Slices SliceBitmaps(const Bytes& group) {
  const std::size_t colourLength = U32At(group, kColourBmpAt + 10) + U32At(group, kColourBmpAt + 34);
  const std::size_t maskAt = kColourBmpAt + colourLength;
  Slices slices;
  slices.colour.assign(group.begin() + kColourBmpAt, group.begin() + static_cast<std::ptrdiff_t>(maskAt));
  if (maskAt < group.size()) slices.mask.assign(group.begin() + static_cast<std::ptrdiff_t>(maskAt), group.end());
  return slices;
}

int Channel(const Bytes& rgb, std::size_t pixel, int channel) { return rgb[3 * pixel + channel]; }

TEST(ImageGroupBitmaps, OpenInImageMagickWithEveryTileInPlace) {
  ASSERT_TRUE(HaveConvert()) << "ImageMagick's convert is needed (scripts/install-deps installs it)";
  // Width 5 puts tiles across byte boundaries; width 16 takes the whole-byte
  // paths of the mask and 1-bit packing.
  for (auto [bits, tileWidth] :
       {std::pair<std::uint16_t, std::uint16_t>{1, 5}, {4, 5}, {8, 5}, {16, 5}, {24, 5}, {32, 5}, {1, 16}, {32, 16}}) {
    const GroupShape shape{.tileWidth = tileWidth,
                           .tileHeight = 3,
                           .bitsPerPixel = bits,
                           .images = 6,
                           .capacity = 8,
                           .depthCodeZero = bits == 1};
    ImageList list = MakeList(shape, bits);
    // ImageMagick may take a non-zero fourth byte of 32-bit pixels as alpha.
    if (bits == 32)
      for (auto& pixel : list.pixels) pixel &= 0x00FFFFFF;
    const Bytes group = *EncodeImageGroup(list);
    const Slices slices = SliceBitmaps(group);
    const Bytes colour = ReadWithImageMagick(slices.colour);
    const Bytes mask = ReadWithImageMagick(slices.mask);
    const std::size_t width = 4 * shape.tileWidth;
    const std::size_t height = 2 * shape.tileHeight;
    ASSERT_EQ(colour.size(), 3 * width * height) << ShapeName(shape);
    ASSERT_EQ(mask.size(), 3 * width * height) << ShapeName(shape);
    for (std::size_t y = 0; y < height; ++y) {
      for (std::size_t x = 0; x < width; ++x) {
        const std::size_t tile = (y / shape.tileHeight) * 4 + x / shape.tileWidth;
        const std::size_t inTile = (y % shape.tileHeight) * shape.tileWidth + x % shape.tileWidth;
        const std::size_t at = y * width + x;
        // Free slots hold value 0, which is palette entry 0 at 1, 4 and 8 bits.
        std::uint32_t rgb = PixelRgb(list, 0);
        int transparent = 0;
        if (tile < list.ImageCount()) {
          rgb = PixelRgb(list, list.PixelsOf(tile)[inTile]);
          transparent = list.MaskOf(tile)[inTile];
        }
        EXPECT_EQ(Channel(colour, at, 0), static_cast<int>((rgb >> 16) & 0xFF)) << bits << " bits at " << x << "," << y;
        EXPECT_EQ(Channel(colour, at, 1), static_cast<int>((rgb >> 8) & 0xFF)) << bits << " bits at " << x << "," << y;
        EXPECT_EQ(Channel(colour, at, 2), static_cast<int>(rgb & 0xFF)) << bits << " bits at " << x << "," << y;
        EXPECT_EQ(Channel(mask, at, 0), transparent ? 255 : 0) << bits << " bits at " << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace tilvane

#endif  // _WIN32
