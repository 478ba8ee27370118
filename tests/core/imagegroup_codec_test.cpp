#include <gtest/gtest.h>

#include <optional>

#include "core/imagegroup/codec.h"
#include "core/imagegroup_expect.h"
#include "core/imagegroup_test_groups.h"

namespace tilvane {
namespace {

using namespace testing;

std::string DecodeReason(const Bytes& bytes) {
  ErrorOr<ImageList> list = DecodeImageGroup(bytes);
  EXPECT_FALSE(list.has_value());
  return list.ok() ? std::string() : list.reason();
}

// Offset of the mask BMP in a group encoded by us.
std::size_t MaskBmpAt(const ImageList& list) {
  const std::size_t palette = list.bitsPerPixel <= 8 ? 4u << list.bitsPerPixel : 0;
  const std::size_t stride = (4u * list.tileWidth * list.bitsPerPixel + 31) / 32 * 4;
  const std::size_t height = std::size_t{list.tileHeight} * ((list.capacity + 3) / 4);
  return kColourBmpAt + 54 + palette + stride * height;
}

TEST(ImageGroupDecode, RejectsContainersThatAreTooShortOrMisnamed) {
  EXPECT_FALSE(DecodeImageGroup(Bytes{}).has_value());
  EXPECT_EQ(DecodeReason({'M', 'I', 'T', 'L', 0, 0, 0, 0xFF}), "too short for an image group");
  EXPECT_EQ(DecodeReason({'M', 'I', 'T', 'L', 0, 0, 0, 0xFF, 'I'}), "stream header cut short");
  EXPECT_EQ(DecodeReason({0, 0, 0, 0}), "too short for an image group");

  Bytes group = Encode(MakeList({}));
  Bytes lower = group;
  lower[0] = 'm', lower[1] = 'i', lower[2] = 't', lower[3] = 'l';
  EXPECT_EQ(DecodeReason(lower), "not an image group");
  Bytes badStream = group;
  badStream[testing::kStreamAt + 1] = 'l';
  EXPECT_EQ(DecodeReason(badStream), "not an image-list stream");
}

TEST(ImageGroupDecode, AcceptsAnyColourWordAndWritesNoneBack) {
  const ImageList list = MakeList({});
  Bytes group = Encode(list);
  EXPECT_EQ(U32At(group, 4), 0xFF000000u);
  for (std::uint32_t word : {0x00000000u, 0x00FF00FFu, 0x12345678u, 0xFFFFFFFFu}) {
    PutU32At(group, 4, word);
    auto decoded = DecodeImageGroup(group);
    ASSERT_TRUE(decoded.has_value()) << std::hex << word;
    EXPECT_EQ(*decoded, list);
    EXPECT_EQ(U32At(Encode(*decoded), 4), 0xFF000000u);
  }
}

TEST(ImageGroupDecode, RequiresVersion0101) {
  Bytes group = Encode(MakeList({}));
  for (std::uint16_t version : {0x0100, 0x0102, 0x0600, 0x0000}) {
    PutU16At(group, 10, version);
    EXPECT_EQ(DecodeReason(group), "unsupported image-list version");
  }
}

TEST(ImageGroupEncode, WritesFileSizeFieldsAsPixelOffsetsAndDecodeIgnoresThem) {
  const ImageList list = MakeList({.images = 3, .capacity = 6});
  Bytes group = Encode(list);
  const std::size_t maskAt = MaskBmpAt(list);
  ASSERT_EQ(group.size(), maskAt + 62 + 16 * 64);
  EXPECT_EQ(group[kColourBmpAt], 'B');
  EXPECT_EQ(group[kColourBmpAt + 1], 'M');
  EXPECT_EQ(U32At(group, kColourBmpAt + 2), 54u);
  EXPECT_EQ(U32At(group, kColourBmpAt + 10), 54u);
  EXPECT_EQ(U32At(group, kColourBmpAt + 34), 512u * 64);
  EXPECT_EQ(group[maskAt], 'B');
  EXPECT_EQ(U32At(group, maskAt + 2), 62u);
  EXPECT_EQ(U32At(group, maskAt + 10), 62u);
  EXPECT_EQ(U16At(group, maskAt + 28), 1u);
  EXPECT_EQ(U32At(group, maskAt + 54), 0x00000000u);
  EXPECT_EQ(U32At(group, maskAt + 58), 0x00FFFFFFu);

  // Lengths in the size fields would put the mask somewhere else entirely.
  PutU32At(group, kColourBmpAt + 2, static_cast<std::uint32_t>(maskAt - kColourBmpAt));
  PutU32At(group, maskAt + 2, 0xFFFFFFFF);
  auto decoded = DecodeImageGroup(group);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(*decoded, list);
}

TEST(ImageGroupEncode, BitmapHeightFollowsCapacityAndImageFourIsStoredFirst) {
  const ImageList list = MakeList({.tileWidth = 3, .tileHeight = 2, .images = 5, .capacity = 8});
  const Bytes group = Encode(list);
  EXPECT_EQ(U16At(group, 12), 5u);
  EXPECT_EQ(U16At(group, 14), 8u);
  EXPECT_EQ(U32At(group, kColourBmpAt + 18), 12u);  // four tiles of 3
  EXPECT_EQ(U32At(group, kColourBmpAt + 22), 4u);   // two tile rows of 2
  // The first stored row is the bottom row of tile row 1: image 4 on the
  // left, then the free slots 5 to 7 as zero.
  const std::size_t pixels = kColourBmpAt + 54;
  const auto& image4 = list.ImageAt(4).pixels;
  for (int x = 0; x < 3; ++x) EXPECT_EQ(U32At(group, pixels + 4 * x), image4[3 + x]) << x;
  for (int x = 3; x < 12; ++x) EXPECT_EQ(U32At(group, pixels + 4 * x), 0u) << x;
  // Its top row is the second stored row, and image 0's top row is the last.
  for (int x = 0; x < 3; ++x) EXPECT_EQ(U32At(group, pixels + 48 + 4 * x), image4[x]);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(U32At(group, pixels + 3 * 48 + 4 * x), list.PixelsOf(0)[x]);
  // Mask rows: 12 bits, padded to 4 bytes; free slots' bits are zero.
  const std::size_t maskRows = MaskBmpAt(list) + 62;
  const auto& mask4 = list.ImageAt(4).mask;
  const std::uint8_t expected = static_cast<std::uint8_t>(mask4[3] << 7 | mask4[4] << 6 | mask4[5] << 5);
  EXPECT_EQ(group[maskRows], expected);
  EXPECT_EQ(group[maskRows + 1], 0u);
}

TEST(ImageGroupCodec, RoundTripsEveryDepthAndTileShape) {
  int shapes = 0;
  for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    for (bool codeZero : {false, true}) {
      if (bits == 1 && !codeZero) continue;  // one bit has no depth code of its own
      for (auto [w, h] : {std::pair{1, 1}, {15, 7}, {32, 32}, {3, 5}, {9, 1}}) {
        for (bool mask : {true, false}) {
          for (auto [count, capacity] : {std::pair{0, 0}, {1, 1}, {5, 8}, {6, 6}, {2, 11}}) {
            GroupShape shape{static_cast<std::uint16_t>(w),
                             static_cast<std::uint16_t>(h),
                             bits,
                             mask,
                             count,
                             static_cast<std::uint16_t>(capacity),
                             codeZero};
            const ImageList list = MakeList(shape, static_cast<std::uint32_t>(++shapes));
            const Bytes group = Encode(list);
            auto decoded = DecodeImageGroup(group);
            ASSERT_TRUE(decoded.has_value()) << ShapeName(shape);
            EXPECT_EQ(*decoded, list) << ShapeName(shape);
            EXPECT_EQ(Encode(*decoded), group) << ShapeName(shape);
            EXPECT_EQ(U16At(group, kColourBmpAt + 28), bits) << ShapeName(shape);
          }
        }
      }
    }
  }
}

TEST(ImageGroupCodec, KeepsTheFourthByteOfThirtyTwoBitPixels) {
  ImageList list = MakeList({.tileWidth = 2, .tileHeight = 1, .images = 1});
  list.pixels = {0xFF102030, 0x7F405060};
  const Bytes group = Encode(list);
  EXPECT_EQ(group[kColourBmpAt + 54 + 3], 0xFF);
  EXPECT_EQ(group[kColourBmpAt + 54], 0x30);  // blue first
  auto decoded = DecodeImageGroup(group);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->ImageAt(0).pixels, list.ImageAt(0).pixels);
}

TEST(ImageGroupDecode, EmptyGroupsDecodeWithTheirGeometry) {
  ImageList list = MakeList({.images = 0, .capacity = 6});
  auto decoded = DecodeImageGroup(Encode(list));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_TRUE(decoded->ImageCount() == 0);
  EXPECT_EQ(decoded->capacity, 6);
  EXPECT_EQ(decoded->tileWidth, 32);
}

TEST(ImageGroupDecode, FailsCleanlyWhenCutAtAnyByte) {
  for (std::uint16_t bits : {4, 32}) {
    const Bytes group =
        Encode(MakeList({.tileWidth = 5, .tileHeight = 3, .bitsPerPixel = bits, .images = 5, .capacity = 7}));
    for (std::size_t length = 0; length < group.size(); ++length) {
      const Bytes cut(group.begin(), group.begin() + static_cast<std::ptrdiff_t>(length));
      EXPECT_FALSE(DecodeImageGroup(cut).has_value()) << bits << " bits, cut at " << length;
    }
  }
}

TEST(ImageGroupDecode, IgnoresBytesAfterTheLastBitmap) {
  const ImageList list = MakeList({.images = 2});
  Bytes group = Encode(list);
  group.insert(group.end(), {1, 2, 3});
  auto decoded = DecodeImageGroup(group);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(*decoded, list);
}

TEST(ImageGroupDecode, RejectsInconsistentStreams) {
  const ImageList list = MakeList({.tileWidth = 4, .tileHeight = 4, .images = 4, .capacity = 4});
  const Bytes good = Encode(list);
  const std::size_t maskAt = MaskBmpAt(list);
  auto broken = [&](auto change) {
    Bytes copy = good;
    change(copy);
    return DecodeReason(copy);
  };
  EXPECT_EQ(broken([](Bytes& b) { PutU16At(b, 14, 3); }), "capacity below image count");
  EXPECT_EQ(broken([](Bytes& b) { PutU16At(b, 18, 0); }), "images of zero size");
  EXPECT_EQ(broken([](Bytes& b) { PutU16At(b, 26, 0x0019); }), "depth code contradicts colour bitmap");
  EXPECT_EQ(broken([](Bytes& b) { PutU16At(b, 26, 0x0041); }), "unknown colour depth code");
  EXPECT_EQ(broken([](Bytes& b) { PutU16At(b, 26, 0x0003); }), "unknown colour depth code");
  // More images than the bitmap has tile rows for.
  EXPECT_EQ(broken([](Bytes& b) { PutU16At(b, 12, 5), PutU16At(b, 14, 5); }), "colour bitmap smaller than its tiles");
  EXPECT_EQ(broken([](Bytes& b) { PutU16At(b, 18, 5); }), "colour bitmap smaller than its tiles");
  EXPECT_EQ(broken([](Bytes& b) { b[kColourBmpAt] = 'X'; }), "colour bitmap is not a BMP");
  EXPECT_EQ(broken([](Bytes& b) { PutU32At(b, kColourBmpAt + 30, 1); }), "colour bitmap is compressed");
  EXPECT_EQ(broken([](Bytes& b) { PutU16At(b, kColourBmpAt + 26, 2); }), "colour bitmap has more than one plane");
  EXPECT_EQ(broken([](Bytes& b) { PutU16At(b, kColourBmpAt + 28, 2); }), "colour bitmap has an unsupported depth");
  EXPECT_EQ(broken([](Bytes& b) { PutU32At(b, kColourBmpAt + 22, 0xFFFFFFF0); }), "colour bitmap has a negative size");
  EXPECT_EQ(broken([](Bytes& b) { PutU32At(b, kColourBmpAt + 10, 40); }),
            "colour bitmap pixel offset lies inside its headers");
  EXPECT_EQ(broken([](Bytes& b) { PutU32At(b, kColourBmpAt + 14, 12); }), "colour bitmap has an unknown header size");
  EXPECT_EQ(broken([&](Bytes& b) { PutU16At(b, maskAt + 28, 24), PutU32At(b, maskAt + 22, 0); }),
            "mask bitmap is not one bit deep");
  EXPECT_EQ(broken([&](Bytes& b) { PutU32At(b, maskAt + 22, 3); }), "mask bitmap smaller than its tiles");
  EXPECT_EQ(broken([&](Bytes& b) { b.resize(maskAt + 50); }), "mask bitmap headers cut short");
  EXPECT_EQ(broken([&](Bytes& b) { b.resize(maskAt + 61); }), "mask bitmap colour table cut short");
  EXPECT_EQ(broken([&](Bytes& b) { b.resize(b.size() - 1); }), "mask bitmap pixel rows cut short");
}

TEST(ImageGroupDecode, HostileSizesFailBeforeAnythingIsAllocated) {
  // Every size field at its largest, in a file of a few hundred bytes: the
  // decoder must find the rows missing from the sizes alone.
  Bytes group = Encode(MakeList({.tileWidth = 2, .tileHeight = 2, .images = 1}));
  PutU16At(group, 12, 0xFFFF);
  PutU16At(group, 14, 0xFFFF);
  PutU16At(group, 18, 0xFFFF);
  PutU16At(group, 20, 0xFFFF);
  EXPECT_EQ(DecodeReason(group), "colour bitmap smaller than its tiles");
  PutU32At(group, kColourBmpAt + 18, 0x7FFFFFFF);
  PutU32At(group, kColourBmpAt + 22, 0x7FFFFFFF);
  EXPECT_EQ(DecodeReason(group), "colour bitmap pixel rows cut short");
  PutU32At(group, kColourBmpAt + 10, 0xFFFFFFFF);
  EXPECT_EQ(DecodeReason(group), "colour bitmap cut short");
  PutU32At(group, kColourBmpAt + 10, 54);
  PutU32At(group, kColourBmpAt + 14, 0xFFFFFFFF);
  EXPECT_EQ(DecodeReason(group), "colour bitmap headers cut short");
}

TEST(ImageGroupDecode, BitmapsMustHoldEveryFreeSlot) {
  // Found by fuzzing: an empty group claiming 65,023 slots in a bitmap with no
  // rows decoded, and encoding it again asked for 268 MB.
  Bytes group = Encode(MakeList({.images = 0, .capacity = 0}));
  PutU16At(group, 14, 0xFDFF);
  EXPECT_EQ(DecodeReason(group), "colour bitmap smaller than its tiles");
  // One slot more than the rows hold is just as wrong.
  group = Encode(MakeList({.tileWidth = 2, .tileHeight = 2, .images = 1, .capacity = 4}));
  PutU16At(group, 14, 5);
  EXPECT_EQ(DecodeReason(group), "colour bitmap smaller than its tiles");
  PutU16At(group, 14, 3);
  ASSERT_TRUE(DecodeImageGroup(group).has_value());
  EXPECT_EQ(DecodeImageGroup(group)->capacity, 3);
}

TEST(ImageGroupCodec, ZeroWidthTilesWithManyRowsCostNothing) {
  // A billion rows of no bytes each: encoding must not walk them one by one.
  ImageList list = MakeList({.tileWidth = 0, .tileHeight = 65535, .images = 0, .capacity = 65535});
  const auto group = EncodeImageGroup(list);
  ASSERT_TRUE(group.has_value());
  EXPECT_EQ(U32At(*group, kColourBmpAt + 22), 65535u * 16384);
  EXPECT_EQ(group->size(), 36u + 54 + 62);
  auto decoded = DecodeImageGroup(*group);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(*decoded, list);
}

TEST(ImageGroupDecode, AcceptsLongerInformationHeadersAndFullColourCounts) {
  // A V5-style 124-byte header and an explicit full colour count describe the
  // same bitmap.
  const ImageList list = MakeList({.tileWidth = 2, .tileHeight = 2, .bitsPerPixel = 4, .images = 2});
  Bytes group = Encode(list);
  PutU32At(group, kColourBmpAt + 46, 16);
  PutU32At(group, kColourBmpAt + 14, 124);
  PutU32At(group, kColourBmpAt + 10, 14 + 124 + 64);
  group.insert(group.begin() + kColourBmpAt + 54, 124 - 40, 0);
  auto decoded = DecodeImageGroup(group);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(*decoded, list);

  PutU32At(group, kColourBmpAt + 46, 3);
  EXPECT_EQ(DecodeReason(group), "colour bitmap has a partial colour table");
}

TEST(ImageGroupEncode, RefusesListsThatWouldNotReadBack) {
  const ImageList good = MakeList({.tileWidth = 2, .tileHeight = 2, .bitsPerPixel = 8, .images = 2});
  ASSERT_TRUE(EncodeImageGroup(good).has_value());
  auto refuses = [&](auto change) {
    ImageList copy = good;
    change(copy);
    return !EncodeImageGroup(copy).has_value();
  };
  EXPECT_TRUE(refuses([](ImageList& l) { l.capacity = 1; }));
  EXPECT_TRUE(refuses([](ImageList& l) { l.version = 0x0100; }));
  EXPECT_TRUE(refuses([](ImageList& l) { l.pixels.pop_back(); }));
  EXPECT_TRUE(refuses([](ImageList& l) { l.mask.resize(l.mask.size() - l.MaskBytesPerImage()); }));
  EXPECT_TRUE(refuses([](ImageList& l) { l.mask.pop_back(); }));
  EXPECT_TRUE(refuses([](ImageList& l) { l.MaskOf(1).Row(1)[0] |= 0x20; }));  // past the 2-pixel width
  EXPECT_TRUE(refuses([](ImageList& l) { l.PixelsOf(0)[3] = 256; }));
  EXPECT_TRUE(refuses([](ImageList& l) { l.palette.pop_back(); }));
  EXPECT_TRUE(refuses([](ImageList& l) { l.bitsPerPixel = 24; }));  // code still says 8
  EXPECT_TRUE(refuses([](ImageList& l) { l.bitsPerPixel = 7, l.flags = 1; }));
  EXPECT_TRUE(refuses([](ImageList& l) { l.flags = 0x0043; }));
  EXPECT_TRUE(refuses([](ImageList& l) { l.tileWidth = 0; }));  // pixels in tiles of no size
  // Only the bits past the width are spare: every bit of a row is a pixel.
  ImageList wide = MakeList({.tileWidth = 13, .tileHeight = 1, .images = 1});
  wide.MaskOf(0).Row(0)[1] |= 0x01;
  EXPECT_FALSE(EncodeImageGroup(wide).has_value());
  wide.MaskOf(0).Row(0)[1] = 0xF8;
  EXPECT_TRUE(EncodeImageGroup(wide).has_value());
  ImageList noMask = good;
  noMask.flags = 0x0008;
  EXPECT_FALSE(EncodeImageGroup(noMask).has_value());  // its images still carry masks
  noMask.mask.clear();
  EXPECT_TRUE(EncodeImageGroup(noMask).has_value());
}

TEST(ImageGroupEncode, LargestCapacityStillFitsTheFormat) {
  ImageList list = MakeList({.tileWidth = 1,
                             .tileHeight = 1,
                             .bitsPerPixel = 1,
                             .mask = false,
                             .images = 0,
                             .capacity = 65535,
                             .depthCodeZero = true});
  auto group = EncodeImageGroup(list);
  ASSERT_TRUE(group.has_value());
  EXPECT_EQ(U32At(*group, kColourBmpAt + 22), 16384u);
  auto decoded = DecodeImageGroup(*group);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->capacity, 65535);
}

TEST(ImageGroupEncode, RefusesBitmapsBeyondTheFormatsSizeFields) {
  // 262,140 pixels wide and a billion rows high, all of it free slots: the
  // image-size fields cannot hold it, so nothing is allocated.
  ImageList list = MakeList({.tileWidth = 65535, .tileHeight = 65535, .images = 0, .capacity = 65535});
  EXPECT_FALSE(EncodeImageGroup(list).has_value());
}

TEST(ImageListPixels, PixelRgbReadsEveryDepthAsRedGreenBlue) {
  ImageList list;
  Image image;
  list.bitsPerPixel = 32;
  image.pixels = {0xAA112233};
  EXPECT_EQ(PixelRgb(list, image.pixels[0]), 0x112233u);
  list.bitsPerPixel = 24;
  image.pixels = {0x445566};
  EXPECT_EQ(PixelRgb(list, image.pixels[0]), 0x445566u);
  list.bitsPerPixel = 16;
  image.pixels = {0x7C00, 0x03E0, 0x001F, 0x8000 | (1 << 10)};
  EXPECT_EQ(PixelRgb(list, image.pixels[0]), 0xFF0000u);
  EXPECT_EQ(PixelRgb(list, image.pixels[1]), 0x00FF00u);
  EXPECT_EQ(PixelRgb(list, image.pixels[2]), 0x0000FFu);
  EXPECT_EQ(PixelRgb(list, image.pixels[3]), 0x080000u);  // top bit unused
  list.bitsPerPixel = 4;
  list.palette.assign(16, 0);
  list.palette[9] = 0x7F123456;
  image.pixels = {9, 17};
  EXPECT_EQ(PixelRgb(list, image.pixels[0]), 0x123456u);
  EXPECT_EQ(PixelRgb(list, image.pixels[1]), 0u);  // no such entry
}

TEST(ImageListPixels, ConvertToDepth32KeepsColoursAndMasks) {
  for (std::uint16_t bits : {1, 4, 8, 16, 24}) {
    const ImageList original =
        MakeList({.tileWidth = 3, .tileHeight = 3, .bitsPerPixel = bits, .images = 2, .depthCodeZero = bits == 1});
    ImageList converted = original;
    ConvertToDepth32(converted);
    EXPECT_EQ(converted.bitsPerPixel, 32);
    EXPECT_EQ(converted.flags, kFlagMask | 0x20);
    EXPECT_TRUE(converted.palette.empty());
    for (std::size_t i = 0; i < original.ImageCount(); ++i) {
      EXPECT_EQ(converted.ImageAt(i).mask, original.ImageAt(i).mask);
      for (std::size_t p = 0; p < original.PixelsPerImage(); ++p)
        EXPECT_EQ(converted.PixelsOf(i)[p], PixelRgb(original, original.PixelsOf(i)[p])) << bits;
    }
    auto decoded = DecodeImageGroup(Encode(converted));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, converted);
  }
}

TEST(ImageListAppend, GrowsCapacityByTheStepWhenFull) {
  ImageList list = MakeList({.tileWidth = 1, .tileHeight = 1, .images = 2, .capacity = 2});
  list.growStep = 4;
  const Image extra = list.ImageAt(0);
  ASSERT_TRUE(AppendImage(list, extra));
  EXPECT_EQ(list.capacity, 6);
  ASSERT_TRUE(AppendImage(list, extra));
  EXPECT_EQ(list.capacity, 6);
  list.growStep = 0;
  list.capacity = 4;
  ASSERT_TRUE(AppendImage(list, extra));
  EXPECT_EQ(list.capacity, 5);
  EXPECT_EQ(list.ImageCount(), 5u);

  list.ClearImages();
  for (int i = 0; i < 65534; ++i) list.PushImage(extra);
  list.capacity = 65534;
  list.growStep = 100;
  ASSERT_TRUE(AppendImage(list, extra));
  EXPECT_EQ(list.capacity, 65535);
  EXPECT_FALSE(AppendImage(list, extra));
  EXPECT_EQ(list.ImageCount(), 65535u);
  EXPECT_TRUE(EncodeImageGroup(list).has_value());
}

// A full group grows by its step, but never past the slots that keep the
// encoded group within the 512 MiB any reader takes, and one more image is
// refused where the group would then not decode again. The expected
// capacities follow from the format: a tile row of 64 x 64 cells takes 64
// rows of 1,024 colour bytes (and 32 mask bytes), after 90 bytes of headers
// (152 with the mask's).
TEST(ImageListAppend, CapacityNeverOutgrowsWhatCanBeReadBack) {
  struct Case {
    GroupShape shape;
    std::size_t images;
    std::uint16_t growStep;
    std::optional<std::uint16_t> capacity;
    const char* what;
  };
  const std::optional<std::uint16_t> refused;
  for (const Case& c : {
           Case{{.images = 0, .capacity = 6}, 6, 4, 10, "an ordinary step"},
           Case{{.images = 0, .capacity = 6}, 5, 4, 6, "a free slot"},
           Case{{.images = 0, .capacity = 6}, 6, 0, 7, "no step: one slot"},
           Case{{.images = 0, .capacity = 65535}, 65535, 4, refused, "65,535 images"},
           Case{{.tileWidth = 64, .tileHeight = 64, .images = 0, .capacity = 4},
                4,
                65535,
                31772,
                "the step cut to 7,943 tile rows, 536,819,864 bytes"},
           Case{{.tileWidth = 64, .tileHeight = 64, .mask = false, .images = 0, .capacity = 4},
                4,
                65535,
                32764,
                "without a mask, 8,191 tile rows"},
           Case{{.tileWidth = 4096, .tileHeight = 4096, .images = 0, .capacity = 3},
                3,
                4,
                4,
                "one tile row of 4,096 x 4,096 cells, 264 MiB, where two would take 528 MiB"},
           Case{{.tileWidth = 4096, .tileHeight = 4096, .images = 0, .capacity = 8},
                4,
                4,
                refused,
                "a free slot, but a fifth image passes the 64 Mi pixels a decode takes"},
       }) {
    ImageList header = MakeList(c.shape);
    header.growStep = c.growStep;
    const auto capacity = CapacityForOneMore(header, c.images);
    EXPECT_EQ(capacity, c.capacity) << c.what;
    if (capacity) {
      EXPECT_LE(*EncodedGroupSize(header, *capacity), kMaxImageGroupFileBytes) << c.what;
    }
  }
}

// The mask is held as bits, rows padded to whole bytes: what an image hands
// in one pixel at a time comes back from the view and from ImageAt, and the
// spare bits past the width stay clear.
TEST(ImageListAppend, MaskBitsHoldEachPixelAndNothingPastTheWidth) {
  ImageList list = MakeList({.tileWidth = 13, .tileHeight = 3, .images = 0, .capacity = 0});
  Image image;
  image.pixels.assign(39, 7);
  image.mask.assign(39, 1);
  image.mask[0] = image.mask[12] = image.mask[13] = image.mask[38] = 0;
  ASSERT_TRUE(AppendImage(list, image));
  ASSERT_EQ(list.mask.size(), 6u);  // two bytes a row
  EXPECT_EQ(list.mask, (Bytes{0x7F, 0xF0, 0x7F, 0xF8, 0xFF, 0xF0}));
  EXPECT_EQ(list.ImageAt(0), image);
  const MutableMaskBits bits = list.MaskOf(0);
  for (std::size_t p = 0; p < 39; ++p) EXPECT_EQ(bits[p], image.mask[p] != 0) << p;
  bits.Set(12, true);
  bits.Set(1, false);
  EXPECT_EQ(list.mask, (Bytes{0x3F, 0xF8, 0x7F, 0xF8, 0xFF, 0xF0}));
  EXPECT_TRUE(EncodeImageGroup(list).has_value());
}

// An image that does not fit is refused and the list is left as it was:
// wrong sizes, a mask in a group without one (or none in a group with one),
// and a mask entry other than 0 or 1.
TEST(ImageListAppend, RefusesImagesThatDoNotFit) {
  const ImageList kept = MakeList({.tileWidth = 4, .tileHeight = 2, .images = 2, .capacity = 2});
  const Image good = kept.ImageAt(1);
  std::vector<Image> bad(5, good);
  bad[0].pixels.pop_back();
  bad[1].mask.pop_back();
  bad[2].mask.clear();
  bad[3].mask[7] = 2;
  bad[4].pixels.push_back(0);
  for (std::size_t k = 0; k < bad.size(); ++k) {
    ImageList list = kept;
    EXPECT_FALSE(ImageFits(list, bad[k])) << k;
    EXPECT_FALSE(AppendImage(list, bad[k])) << k;
    EXPECT_EQ(list, kept) << k;
  }
  ImageList noMask = MakeList({.tileWidth = 4, .tileHeight = 2, .mask = false, .images = 1});
  EXPECT_FALSE(AppendImage(noMask, good));
  Image bare = good;
  bare.mask.clear();
  EXPECT_TRUE(AppendImage(noMask, bare));
  EXPECT_TRUE(noMask.mask.empty());
}

// Decoding into a list and encoding into bytes that already hold something
// else (larger or smaller, with or without a mask, another depth) must give
// exactly what decoding and encoding afresh give: every byte of the old
// contents is written over or dropped.
TEST(ImageGroupCodec, DecodingAndEncodingIntoUsedStorageLeaveNothingOfIt) {
  const std::vector<GroupShape> shapes = {
      {.images = 9, .capacity = 12},
      {.tileWidth = 32, .tileHeight = 32, .bitsPerPixel = 32, .mask = true, .images = 3, .capacity = 5},
      {.tileWidth = 15, .tileHeight = 7, .bitsPerPixel = 4, .mask = true, .images = 5, .capacity = 8},
      {.tileWidth = 9,
       .tileHeight = 1,
       .bitsPerPixel = 1,
       .mask = false,
       .images = 6,
       .capacity = 6,
       .depthCodeZero = true},
      {.tileWidth = 32, .tileHeight = 16, .bitsPerPixel = 24, .mask = false, .images = 2, .capacity = 11},
      {.tileWidth = 3, .tileHeight = 5, .bitsPerPixel = 16, .mask = true, .images = 0, .capacity = 0},
  };
  ImageList list = MakeList({.images = 20, .capacity = 20}, 99);
  Bytes bytes(300000, 0xAA);
  std::uint32_t seed = 40;
  for (int pass = 0; pass < 2; ++pass) {
    for (const GroupShape& shape : shapes) {
      const ImageList expected = MakeList(shape, ++seed);
      const Bytes group = Encode(expected);
      ASSERT_TRUE(EncodeImageGroupInto(expected, bytes).ok()) << ShapeName(shape);
      EXPECT_EQ(bytes, group) << ShapeName(shape);
      ASSERT_TRUE(DecodeImageGroupInto(group, list).ok()) << ShapeName(shape);
      EXPECT_EQ(list, expected) << ShapeName(shape);
      // Dirty the storage for the next shape.
      std::fill(bytes.begin(), bytes.end(), 0xAA);
      std::fill(list.pixels.begin(), list.pixels.end(), 0xFFFFFFFFu);
      std::fill(list.mask.begin(), list.mask.end(), 1);
    }
  }
}

TEST(ImageGroupCodec, FailingToDecodeOrEncodeIntoStorageKeepsWhatItHeld) {
  const ImageList kept = MakeList({.images = 3, .capacity = 4}, 5);
  ImageList list = kept;
  Bytes group = Encode(MakeList({.images = 2}, 6));
  group.resize(group.size() - 1);
  EXPECT_FALSE(DecodeImageGroupInto(group, list).ok());
  EXPECT_EQ(list, kept);

  const Bytes keptBytes = Encode(kept);
  Bytes bytes = keptBytes;
  ImageList inconsistent = MakeList({.images = 2, .capacity = 2}, 7);
  inconsistent.capacity = 1;
  EXPECT_FALSE(EncodeImageGroupInto(inconsistent, bytes).ok());
  EXPECT_EQ(bytes, keptBytes);

  // A mask bit past an image's width, in the last row of the last image as
  // in the first, is found before anything is written.
  for (GroupShape shape : {GroupShape{.tileWidth = 31, .images = 6, .capacity = 8},
                           GroupShape{.tileWidth = 9, .tileHeight = 3, .images = 6, .capacity = 6}}) {
    ImageList badMask = MakeList(shape, 8);
    badMask.MaskOf(5).Row(shape.tileHeight - 1)[MaskRowBytes(shape.tileWidth) - 1] |= 0x01;
    const ErrorOr<void> encoded = EncodeImageGroupInto(badMask, bytes);
    ASSERT_FALSE(encoded.ok()) << ShapeName(shape);
    EXPECT_EQ(encoded.reason(), std::string("a mask bit set past an image's width"));
    EXPECT_EQ(bytes, keptBytes);
    EXPECT_FALSE(EncodeImageGroup(badMask).ok());
  }
}

}  // namespace
}  // namespace tilvane
