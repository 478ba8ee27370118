// ImageGroupAddIcon over real fixtures: the failure results that leave the group
// alone, the index it returns, and what the appended image holds.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"
#include "core/intake/add_icon.h"
#include "imagegroup_test_groups.h"
#include "intake_test_support.h"
#include "support/large_group.h"

namespace tilvane {
namespace {

using testing::IntakeFixture;

Bytes EmptyDefaultGroup() {
  ErrorOr<ImageList> list = DecodeImageGroup(DefaultImageGroup());
  list->ClearImages();
  return *EncodeImageGroup(*list);
}

TEST(ImageGroupAddIconTest, FailuresReturnMinusOneAndLeaveTheGroupAlone) {
  testing::ScratchFolder folder;
  const std::string text = folder.Write("notes.exe", ToBytes("MZ is not enough to be an executable"));
  const std::string group = folder.Write("group.ico", DefaultImageGroup());
  testing::LinkSpec shortcut;
  shortcut.localBase = "C:\\a.exe";
  const std::string link = folder.Write("link.lnk", testing::WriteShellLink(shortcut));

  // A named pipe called .exe must neither be waited on nor read (on Windows
  // a device stands for it).
#ifdef _WIN32
  const std::string pipe = "NUL";
#else
  const std::string pipe = folder.File("pipe.exe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
#endif

  Bytes none;
  EXPECT_EQ(ImageGroupAddIcon(none, IntakeFixture("icons64.exe")), -1);
  EXPECT_TRUE(none.empty());
  Bytes placeholder(4, 0);
  EXPECT_EQ(ImageGroupAddIcon(placeholder, IntakeFixture("icons64.exe")), -1);
  EXPECT_EQ(placeholder, Bytes(4, 0));

  const Bytes original = DefaultImageGroup();
  struct Case {
    std::string path;
    int index;
    const char* why;
  };
  for (const Case& c : {Case{text, 0, "a text file"}, Case{group, 0, "an image-group file, whatever its name"},
                        Case{link, 0, "a shortcut"}, Case{IntakeFixture("noicons32.dll"), 0, "no icons"},
                        Case{IntakeFixture("noicons64.dll"), 0, "no icons"},
                        Case{IntakeFixture("icons32.exe"), 4, "past the last icon"},
                        Case{IntakeFixture("multi.ico"), 1, "an icon file has only icon 0"},
                        Case{folder.File("missing.exe"), 0, "no such file"}, Case{"", 0, "no path"},
                        Case{pipe, 0, "a named pipe"}, Case{folder.File(""), 0, "a folder"}}) {
    Bytes bytes = original;
    EXPECT_EQ(ImageGroupAddIcon(bytes, c.path, c.index), -1) << c.why;
    EXPECT_EQ(bytes, original) << c.why;
  }
}

TEST(ImageGroupAddIconTest, ReturnsTheOldCountAndAppendsTheIconWithItsMask) {
  Bytes group = EmptyDefaultGroup();
  EXPECT_EQ(ImageGroupAddIcon(group, IntakeFixture("icons32.exe")), 0);
  EXPECT_EQ(ImageGroupAddIcon(group, IntakeFixture("icons32.exe")), 1);
  EXPECT_EQ(ImageGroupAddIcon(group, IntakeFixture("multi.ico")), 2);
  ErrorOr<ImageList> list = DecodeImageGroup(group);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->ImageCount(), 3u);
  EXPECT_EQ(list->ImageAt(0), list->ImageAt(1)) << "no duplicate check";
  EXPECT_EQ(list->ImageAt(0), list->ImageAt(2)) << "the same picture from the executable and the icon file";
  const Image& image = list->ImageAt(0);
  EXPECT_EQ(image.pixels[0], 0xFFFF0000u);
  EXPECT_EQ(image.pixels[20], 0x8000FF00u);
  EXPECT_EQ(image.mask[31 * 32], 1);
  EXPECT_EQ(image.pixels[31 * 32], 0u);
  EXPECT_EQ(image.mask[31 * 32 + 31], 0);

  Bytes standard = DefaultImageGroup();
  EXPECT_EQ(ImageGroupAddIcon(standard, IntakeFixture("i48_16.ico"), 0, true), 1) << "after the placeholder";
  ErrorOr<ImageList> withSmall = DecodeImageGroup(standard);
  ASSERT_TRUE(withSmall);
  EXPECT_EQ(withSmall->PixelsOf(1)[0], 0x00FF00u | 0xFF000000u) << "the 16 x 16 green entry";
}

TEST(ImageGroupAddIconTest, GroupsOfOtherDepthsBecomeThirtyTwoBits) {
  for (std::uint16_t bits : {8, 24}) {
    SCOPED_TRACE(bits);
    ImageList before = testing::MakeList({.bitsPerPixel = bits, .images = 2});
    Bytes group = *EncodeImageGroup(before);
    ASSERT_EQ(ImageGroupAddIcon(group, IntakeFixture("icons64.dll")), 2);
    ErrorOr<ImageList> after = DecodeImageGroup(group);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->bitsPerPixel, 32);
    EXPECT_EQ(after->flags & kDepthCodeBits, 0x20);
    ASSERT_EQ(after->ImageCount(), 3u);
    for (std::size_t i = 0; i < before.PixelsPerImage(); i += 37) {
      EXPECT_EQ(PixelRgb(*after, after->PixelsOf(1)[i]), PixelRgb(before, before.PixelsOf(1)[i]));
    }
    EXPECT_EQ(after->ImageAt(0).mask, before.ImageAt(0).mask);
    EXPECT_EQ(after->PixelsOf(2)[0], 0xFFFF0000u);
  }
}

// A group already 32 bits deep keeps every stored byte of its images, the
// fourth included, whatever depth code it carries and whether or not it has
// to grow or gain a mask; only the depth code may become 0x20.
TEST(ImageGroupAddIconTest, ThirtyTwoBitGroupsKeepEveryStoredByteOfTheirImages) {
  struct Case {
    std::uint16_t flags;
    std::uint16_t capacity;
    const char* what;
  };
  for (const Case& c :
       {Case{0x0001, 4, "code 0, the display's default, with a mask"},
        Case{0x0001, 3, "code 0, full, so the group grows"}, Case{0x0000, 4, "code 0 without a mask"},
        Case{0x0101, 4, "code 0 with a flag bit above the code"}, Case{0x0021, 4, "code 0x20 with a mask"},
        Case{0x0021, 3, "code 0x20, full"}, Case{0x0020, 3, "code 0x20 without a mask, full"}}) {
    SCOPED_TRACE(c.what);
    ImageList before = testing::MakeList({.mask = (c.flags & kFlagMask) != 0, .images = 3, .capacity = c.capacity});
    before.flags = c.flags;
    for (std::uint32_t& value : before.pixels) value = (value & 0x00FFFFFF) | 0x80000000u;
    Bytes group = *EncodeImageGroup(before);
    ASSERT_EQ(ImageGroupAddIcon(group, IntakeFixture("icons64.dll")), 3);
    ErrorOr<ImageList> after = DecodeImageGroup(group);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->bitsPerPixel, 32);
    EXPECT_EQ(after->flags & kDepthCodeBits, kDepthCode32);
    EXPECT_TRUE(after->HasMask());
    ASSERT_EQ(after->ImageCount(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(after->ImageAt(i).pixels, before.ImageAt(i).pixels) << "image " << i;
      const std::vector<std::uint8_t> mask =
          before.HasMask() ? before.ImageAt(i).mask : std::vector<std::uint8_t>(before.PixelsPerImage(), 0);
      EXPECT_EQ(after->ImageAt(i).mask, mask) << "image " << i;
    }
    EXPECT_EQ(after->PixelsOf(3)[0], 0xFFFF0000u);
  }
}

TEST(ImageGroupAddIconTest, NoAddWritesAGroupTooLargeToReadBack) {
  // 64 x 64 icons, full, with the largest step a group may carry: one add
  // would make 65,535 slots, over 1 GiB. The step is cut to what the limit
  // holds, and the group still decodes with every old image as it was.
  ImageList before = testing::MakeList({.tileWidth = 64, .tileHeight = 64, .images = 4, .capacity = 4});
  before.growStep = 65535;
  Bytes group = *EncodeImageGroup(before);
  ASSERT_FALSE(IconWouldOutgrowReading(group));
  ASSERT_EQ(ImageGroupAddIcon(group, IntakeFixture("icons64.dll")), 4);
  EXPECT_LE(group.size(), kMaxImageGroupFileBytes);
  ErrorOr<ImageGroupShape> shape = CheckImageGroup(group);
  ASSERT_TRUE(shape);
  EXPECT_EQ(shape->imageCount, 5);
  EXPECT_GT(shape->header.capacity, 5) << "the group still grows, as far as it may";
  EXPECT_GT(*EncodedGroupSize(shape->header, shape->header.capacity + 1), kMaxImageGroupFileBytes)
      << "and exactly as far as it may";
  ErrorOr<ImageList> after = DecodeImageGroup(group);
  ASSERT_TRUE(after);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(after->ImageAt(i), before.ImageAt(i));
  group = Bytes();
  after = ErrorOr<ImageList>(ImageList());

  // Refused before any icon is read, the group kept: a fifth 4,096 x 4,096
  // image would pass the 64 Mi pixels a decode takes; a one-bit group of
  // 65,535 slots of 64 x 64 (64 MiB) would take 1 GiB widened to 32 bits.
  for (const Bytes& large : {testing::LargeOneBitGroup(4, 4096, true), testing::LargeOneBitGroup(1, 64, true, 65535)}) {
    Bytes refused = large;
    EXPECT_TRUE(IconWouldOutgrowReading(refused));
    EXPECT_EQ(ImageGroupAddIcon(refused, IntakeFixture("icons64.dll")), -1);
    EXPECT_EQ(refused, large);
  }
  // A fourth such image is still allowed: one tile row, 264 MiB at 32 bits.
  EXPECT_FALSE(IconWouldOutgrowReading(testing::LargeOneBitGroup(3, 4096, true)));
}

TEST(ImageGroupAddIconTest, GroupWithoutMaskGainsOneWithItsImagesOpaque) {
  ImageList before = testing::MakeList({.mask = false, .images = 1});
  Bytes group = *EncodeImageGroup(before);
  ASSERT_EQ(ImageGroupAddIcon(group, IntakeFixture("icons64.exe")), 1);
  ErrorOr<ImageList> after = DecodeImageGroup(group);
  ASSERT_TRUE(after);
  EXPECT_TRUE(after->HasMask());
  EXPECT_EQ(after->ImageAt(0).mask, std::vector<std::uint8_t>(32 * 32, 0));
  EXPECT_EQ(after->ImageAt(0).pixels, before.ImageAt(0).pixels);
  EXPECT_TRUE(after->MaskOf(1)[31 * 32]);
}

TEST(ImageGroupAddIconTest, IconIsFittedIntoTheGroupsCell) {
  for (auto [w, h] : {std::pair<std::uint16_t, std::uint16_t>{16, 16}, {48, 24}}) {
    Bytes group = *EncodeImageGroup(testing::MakeList({.tileWidth = w, .tileHeight = h, .images = 0}));
    ASSERT_EQ(ImageGroupAddIcon(group, IntakeFixture("icons32.dll"), 2), 0);
    ErrorOr<ImageList> list = DecodeImageGroup(group);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->ImageCount(), 1u);
    EXPECT_EQ(list->ImageAt(0).pixels.size(), std::size_t{w} * h);
    EXPECT_EQ(list->PixelsOf(0)[0], 0xFFFF0000u) << "the red corner stays red";
    EXPECT_TRUE(list->MaskOf(0)[std::size_t{w} * (h - 1)]) << "the bottom left stays transparent";
  }
}

}  // namespace
}  // namespace tilvane
