// add, remove and move: what they do to the group file, and what a failure leaves.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/imagegroup/collection.h"
#include "core/imagegroup/default_group.h"
#include "core/intake/add_icon.h"
#include "core/intake/icon_conversion.h"
#include "core/intake/icon_file.h"
#include "qiltool/qiltool_fixture.h"
#include "support/large_group.h"

namespace tilvane::testing {
namespace {

class QiltoolEdit : public QiltoolTest {
 protected:
  static Bytes EmptyGroup() {
    Bytes group = DefaultImageGroup();
    EXPECT_TRUE(ImageGroupRemove(group, 0));
    return group;
  }
  // Four 32-bit images in a group whose overlays point at images 3, 1 and 0.
  std::string FourImages(const std::string& name) {
    GroupShape shape;
    shape.images = 4;
    ImageList list = MakeList(shape);
    list.overlays = {3, 1, -1, 0};
    original_ = list;
    return WriteGroup(name, list);
  }
  ImageList original_;
};

TEST_F(QiltoolEdit, AddTakesTheSameIconsAsTheEditor) {
  const std::string path = Write("fixtures group.qil", EmptyGroup());
  const std::vector<std::string> sources = {IntakeFixture("icons32.exe"), IntakeFixture("icons64.dll"),
                                            IntakeFixture("multi.ico"), IntakeFixture("png256.ico")};
  std::vector<std::string> args = {"add", path};
  args.insert(args.end(), sources.begin(), sources.end());
  ToolResult added = Run(args);
  ASSERT_EQ(added.status, 0) << added.err;

  Bytes expected = EmptyGroup();
  for (const std::string& source : sources) ASSERT_GE(ImageGroupAddIcon(expected, source), 0) << source;
  EXPECT_EQ(ReadAll(path), expected);
  EXPECT_EQ(added.out, sources[0] + ": image 0, icon 0, 32x32 picture\n" + sources[1] +
                           ": image 1, icon 0, 32x32 picture\n" + sources[2] + ": image 2, icon 0, 32x32 picture\n" +
                           sources[3] + ": image 3, icon 0, 256x256 picture scaled to 32x32\n");

  ToolResult small = Run({"add", path, "--small", IntakeFixture("icons32.exe"), "--icon", "1"});
  ASSERT_EQ(small.status, 0) << small.err;
  ASSERT_EQ(ImageGroupAddIcon(expected, IntakeFixture("icons32.exe"), 1, true), 4);
  EXPECT_EQ(ReadAll(path), expected);
  EXPECT_NE(small.out.find(": image 4, icon 1, 16x16 picture scaled to 32x32"), std::string::npos) << small.out;
}

TEST_F(QiltoolEdit, AddFollowsAShortcutAndScalesPngs) {
  std::filesystem::create_directories(FsPath(File("图标 文件夹")));
  const std::string target = File("图标 文件夹/icons 32.exe");
  std::filesystem::copy_file(FsPath(IntakeFixture("icons32.exe")), FsPath(target));
  LinkSpec link;
  link.localBase = target;
  const std::string shortcut = Write("快捷 方式.lnk", WriteShellLink(link));
  const std::string path = Write("g.qil", EmptyGroup());

  ToolResult added = Run({"add", path, shortcut, IntakeFixture("pattern256.png")});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_NE(added.out.find(shortcut + ": image 0, target " + target + ", icon 0, 32x32 picture\n"), std::string::npos)
      << added.out;
  EXPECT_NE(added.out.find("pattern256.png: image 1, PNG, 256x256 picture scaled to 32x32\n"), std::string::npos);

  std::optional<ImageList> list = Decode(path);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->ImageCount(), 2u);
  Bytes direct = EmptyGroup();
  ASSERT_EQ(ImageGroupAddIcon(direct, target), 0);
  EXPECT_EQ(list->ImageAt(0), DecodeImageGroup(direct)->ImageAt(0));
  ErrorOr<IconPixels> png = DecodePngIcon(ReadAll(IntakeFixture("pattern256.png")), 32, 32);
  ASSERT_TRUE(png);
  EXPECT_EQ(list->ImageAt(1), ToGroupImage(*png));
}

TEST_F(QiltoolEdit, AddLeavesTheGroupAloneWhenAnySourceGivesNoIcon) {
  const std::string path = FixtureGroup("g.qil");
  const Bytes before = ReadAll(path);
  LinkSpec folderLink;
  folderLink.linkInfo = false;
  folderLink.idList = {0x14, 0x00, 0x1F, 0x50};
  const std::vector<std::pair<std::string, std::string>> failures = {
      {IntakeFixture("noicons32.dll"), "has no icons"},
      {Write("notes.txt", ToBytes("just text")), "not an executable, library, icon file, PNG or shortcut"},
      {File("missing.exe"), "No such file or directory"},
      {Write("other.qil", DefaultImageGroup()), "is an image group; use qiltool merge to take in its images"},
      {Write("folder.lnk", WriteShellLink(folderLink)), "shortcut has no file target"},
      {Write("broken.png", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0}),
       "PNG is damaged or larger than 4096 pixels"},
  };
  for (const auto& [source, reason] : failures) {
    ToolResult result = Run({"add", path, IntakeFixture("multi.ico"), source});
    EXPECT_EQ(result.status, 1) << source;
    EXPECT_EQ(result.err, "qiltool: " + source + ": " + reason + "\nqiltool: " + path +
                              ": left unchanged, since not every source gave an icon\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(ReadAll(path), before) << source;
  }
  ToolResult noSuchIcon = Run({"add", path, IntakeFixture("icons64.exe"), "--icon", "9"});
  EXPECT_EQ(noSuchIcon.status, 1);
  EXPECT_NE(noSuchIcon.err.find("icons64.exe: has no icon 9\n"), std::string::npos);
  ToolResult icoIcon = Run({"add", path, IntakeFixture("multi.ico"), "--icon", "1"});
  EXPECT_NE(icoIcon.err.find("multi.ico: an icon file holds only icon 0\n"), std::string::npos);
  EXPECT_EQ(ReadAll(path), before);
}

// The reason printed is the one the reader found, whatever kind of damage.
TEST_F(QiltoolEdit, AddNamesWhatIsWrongWithADamagedSource) {
  const std::string path = FixtureGroup("g.qil");
  const Bytes before = ReadAll(path);
  Bytes newExecutable = ReadAll(IntakeFixture("icons32.exe"));
  const std::uint32_t pe = newExecutable[0x3C] | newExecutable[0x3D] << 8;
  newExecutable[pe] = 'N';
  newExecutable[pe + 1] = 'E';
  const Bytes shortIco{0, 0, 1, 0, 3, 0, 32};  // three entries declared, a byte of one there
  LinkSpec link;
  link.localBase = "C:\\a.exe";
  Bytes cutLink = WriteShellLink(link);
  cutLink.resize(0x4C + 3);
  const std::vector<std::pair<std::string, std::string>> failures = {
      {Write("old.exe", newExecutable), "not a 32- or 64-bit executable"},
      {Write("short.ico", shortIco), "icon directory cut short"},
      {Write("cut.lnk", cutLink), "shortcut cut short"},
      {Write("tiny.exe", Bytes{'M', 'Z', 0, 0}), "executable header cut short"},
  };
  for (const auto& [source, reason] : failures) {
    ToolResult result = Run({"add", path, source});
    EXPECT_EQ(result.status, 1) << source;
    EXPECT_EQ(result.err, "qiltool: " + source + ": " + reason + "\nqiltool: " + path +
                              ": left unchanged, since not every source gave an icon\n");
  }
  EXPECT_EQ(ReadAll(path), before);
}

TEST_F(QiltoolEdit, AddRefusesAGroupItCannotRead) {
  Bytes damaged = DefaultImageGroup();
  damaged.resize(damaged.size() - 100);
  const std::string path = Write("damaged.qil", damaged);
  ToolResult result = Run({"add", path, IntakeFixture("multi.ico")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "qiltool: " + path + ": mask bitmap pixel rows cut short\n");
  EXPECT_EQ(ReadAll(path), damaged);
  EXPECT_EQ(Run({"add", File("absent.qil"), IntakeFixture("multi.ico")}).status, 1);
  EXPECT_FALSE(PathExists(File("absent.qil")));
}

TEST_F(QiltoolEdit, AddConvertsAGroupOfAnotherDepthAndSaysSo) {
  GroupShape shape;
  shape.bitsPerPixel = 8;
  shape.mask = false;
  shape.images = 2;
  const ImageList eightBit = MakeList(shape);
  const std::string path = WriteGroup("eight.qil", eightBit);
  ToolResult result = Run({"add", path, IntakeFixture("multi.ico")});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err,
            "qiltool: " + path + ": 8-bit colours converted to 32 bits, mask added (existing images opaque)\n");
  std::optional<ImageList> list = Decode(path);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->bitsPerPixel, 32);
  EXPECT_TRUE(list->HasMask());
  ASSERT_EQ(list->ImageCount(), 3u);
  for (std::size_t i = 0; i < 2; ++i) {
    for (std::size_t p = 0; p < list->PixelsPerImage(); p += 97) {
      EXPECT_EQ(list->PixelsOf(i)[p], PixelRgb(eightBit, eightBit.PixelsOf(i)[p]));
      EXPECT_FALSE(list->MaskOf(i)[p]);
    }
  }
}

TEST_F(QiltoolEdit, RemoveCountsEveryIndexBeforeAnyIsRemovedAndKeepsOverlaysOnTheirImages) {
  const std::string path = FourImages("four.qil");
  ToolResult removed = Run({"remove", path, "2", "0", "2"});
  ASSERT_EQ(removed.status, 0) << removed.err;
  EXPECT_EQ(removed.out, path + ": removed 2, 2 left\n");
  std::optional<ImageList> list = Decode(path);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->ImageCount(), 2u);
  EXPECT_EQ(list->ImageAt(0), original_.ImageAt(1));
  EXPECT_EQ(list->ImageAt(1), original_.ImageAt(3));
  EXPECT_EQ(list->capacity, original_.capacity);
  EXPECT_EQ(list->overlays, (std::array<std::int16_t, 4>{1, 0, -1, -1}));
}

TEST_F(QiltoolEdit, RemoveOrMoveOutOfRangeChangesNothing) {
  const std::string path = FourImages("four.qil");
  const Bytes before = ReadAll(path);
  ToolResult removed = Run({"remove", path, "1", "4"});
  EXPECT_EQ(removed.status, 1);
  EXPECT_EQ(removed.err, "qiltool: " + path + ": no image 4 (the group holds 4 images)\n");
  EXPECT_EQ(Run({"move", path, "0", "4"}).status, 1);
  EXPECT_EQ(Run({"move", path, "9", "0"}).status, 1);
  EXPECT_EQ(ReadAll(path), before);
}

TEST_F(QiltoolEdit, AddKeepsEveryStoredByteOfAThirtyTwoBitGroup) {
  // Depth code 0 (the display's default) and 0x20, with a mask and without;
  // every image's fourth byte 0x80.
  for (std::uint16_t flags : {0x0001, 0x0021, 0x0000}) {
    SCOPED_TRACE(flags);
    ImageList before = MakeList({.mask = (flags & kFlagMask) != 0, .images = 2, .capacity = 2});
    before.flags = flags;
    for (std::uint32_t& value : before.pixels) value = (value & 0x00FFFFFF) | 0x80000000u;
    const std::string path = WriteGroup("deep.qil", before);
    ToolResult added = Run({"add", path, IntakeFixture("icons64.dll")});
    ASSERT_EQ(added.status, 0) << added.err;
    std::optional<ImageList> after = Decode(path);
    ASSERT_TRUE(after);
    ASSERT_EQ(after->ImageCount(), 3u);
    EXPECT_EQ(after->flags & kDepthCodeBits, kDepthCode32);
    for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(after->ImageAt(i).pixels, before.ImageAt(i).pixels) << i;
  }
}

TEST_F(QiltoolEdit, AddNeverWritesAGroupTooLargeToReadBack) {
  // 64 x 64 cells with the largest grow step: the group grows only as far as
  // the 512 MiB a reader takes.
  ImageList list = MakeList({.tileWidth = 64, .tileHeight = 64, .images = 4, .capacity = 4});
  list.growStep = 65535;
  const std::string path = WriteGroup("wide step.qil", list);
  ToolResult added = Run({"add", path, IntakeFixture("icons64.dll")});
  ASSERT_EQ(added.status, 0) << added.err;
  std::optional<ImageList> grown;
  {
    // Read back as the editor and qiltool read a group, the limit checked first.
    ErrorOr<Bytes> bytes = ReadWholeFile(path, kMaxImageGroupFileBytes);
    ASSERT_TRUE(bytes) << bytes.reason();
    grown = DecodeImageGroup(*bytes).ToOptional();
  }
  ASSERT_TRUE(grown) << "the group reads back";
  EXPECT_EQ(grown->ImageCount(), 5u);
  EXPECT_GT(grown->capacity, 5);
  std::filesystem::remove(FsPath(path));

  // A one-bit group of 65,535 slots of 64 x 64 (64 MiB) would take 1 GiB
  // widened to 32 bits: refused, and left byte for byte.
  const Bytes large = LargeOneBitGroup(1, 64, true, 65535);
  const std::string largePath = Write("large.qil", large);
  ToolResult refused = Run({"add", largePath, IntakeFixture("icons64.dll")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "qiltool: " + largePath +
                             ": 1-bit colours converted to 32 bits: the group would be too large to read back (over "
                             "512 MiB); left unchanged\n");
  EXPECT_EQ(ReadFileBytes(largePath, kMaxImageGroupFileBytes), large);
}

TEST_F(QiltoolEdit, MoveTakesAnImageToItsNewPlace) {
  const std::string path = FourImages("four.qil");
  ToolResult moved = Run({"move", path, "0", "2"});
  ASSERT_EQ(moved.status, 0) << moved.err;
  std::optional<ImageList> list = Decode(path);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->ImageCount(), 4u);
  EXPECT_EQ(list->ImageAt(0), original_.ImageAt(1));
  EXPECT_EQ(list->ImageAt(1), original_.ImageAt(2));
  EXPECT_EQ(list->ImageAt(2), original_.ImageAt(0));
  EXPECT_EQ(list->ImageAt(3), original_.ImageAt(3));
  EXPECT_EQ(list->overlays, (std::array<std::int16_t, 4>{3, 0, -1, 2}));

  ASSERT_EQ(Run({"move", path, "3", "0"}).status, 0);
  list = Decode(path);
  EXPECT_EQ(list->ImageAt(0), original_.ImageAt(3));
  EXPECT_EQ(list->ImageAt(1), original_.ImageAt(1));
}

}  // namespace
}  // namespace tilvane::testing
