// Icons out of real 32- and 64-bit executables and libraries made by windres
// and the MinGW linker, and out of damaged PE images.
#include <gtest/gtest.h>

#include "core/intake/icon_directory.h"
#include "core/intake/icon_file.h"
#include "core/intake/pe_resources.h"
#include "intake_test_support.h"
#include "support/crafted_pe.h"

namespace tilvane {
namespace {

using testing::IntakeFixture;

// What the fixtures' known 32 x 32 picture holds at (x, y).
std::pair<std::uint32_t, std::uint8_t> ExpectedPattern(int x, int y) {
  if (x < 16 && y < 16) return {0xFFFF0000, 0};
  if (x >= 16 && y >= 16) return {0xFF0000FF, 0};
  if (x >= 16 && y < 8) return {0x8000FF00, 0};
  return {0, 1};
}

void ExpectPattern(const IconPixels& icon) {
  ASSERT_EQ(icon.width, 32);
  ASSERT_EQ(icon.height, 32);
  EXPECT_TRUE(icon.hasAlpha);
  int wrong = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      auto [pixel, mask] = ExpectedPattern(x, y);
      std::size_t i = static_cast<std::size_t>(y) * 32 + x;
      if (icon.pixels[i] != pixel || icon.mask[i] != mask) {
        if (++wrong < 5) ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << icon.pixels[i];
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

ErrorOr<IconPixels> Icon(const std::string& fixture, int index, bool small = false) {
  IconRequest request;
  request.iconIndex = index;
  request.smallIcon = small;
  return ReadFileIcon(IntakeFixture(fixture), request);
}

class PeFixtureTest : public ::testing::TestWithParam<std::string> {};

TEST_P(PeFixtureTest, GroupsInResourceOrderNamedFirst) {
  // icons.rc: ALPHA (multi.ico), ZETA (48 blue + 16 green), 3 (png256.ico), 7 (only16.ico).
  ErrorOr<IconPixels> alpha = Icon(GetParam(), 0);
  ASSERT_TRUE(alpha);
  ExpectPattern(*alpha);

  ErrorOr<IconPixels> zeta = Icon(GetParam(), 1);
  ASSERT_TRUE(zeta);
  EXPECT_EQ(zeta->pixels[0], 0xFF0000FFu) << "48 and 16 are equally far from 32: the first entry";

  ErrorOr<IconPixels> png = Icon(GetParam(), 2);
  ASSERT_TRUE(png);
  ExpectPattern(*png);  // the 256 PNG entry averaged down in 8 x 8 blocks

  ErrorOr<IconPixels> small = Icon(GetParam(), 3);
  ASSERT_TRUE(small);
  ASSERT_EQ(small->pixels.size(), 32u * 32);
  for (int y = 0; y < 32; ++y) {
    for (int x : {0, 15, 17, 31}) {
      std::size_t i = static_cast<std::size_t>(y) * 32 + x;
      EXPECT_EQ(small->mask[i], x < 16 ? 0 : 1) << x << "," << y;
      if (x < 16) {
        EXPECT_EQ(small->pixels[i] & 0x00FFFFFFu, 0x00FF0000u);
      }
    }
  }

  EXPECT_FALSE(Icon(GetParam(), 4)) << "past the last group";
  EXPECT_FALSE(Icon(GetParam(), -1));
}

TEST_P(PeFixtureTest, SmallIconPrefersSixteenAndFallsBackToTheStandardEntry) {
  ErrorOr<IconPixels> green = Icon(GetParam(), 1, true);
  ASSERT_TRUE(green);
  EXPECT_EQ(green->width, 32) << "the small entry is still fitted into the cell";
  EXPECT_EQ(green->pixels[0], 0xFF00FF00u);

  // Group 3 holds only the 256 entry.
  ErrorOr<IconPixels> standard = Icon(GetParam(), 2, false);
  ErrorOr<IconPixels> fallback = Icon(GetParam(), 2, true);
  ASSERT_TRUE(standard && fallback);
  EXPECT_EQ(fallback->pixels, standard->pixels);
  EXPECT_EQ(fallback->mask, standard->mask);
}

TEST_P(PeFixtureTest, OnlyHeadersAndTheChosenPictureAreRead) {
  ErrorOr<FileByteSource> file = FileByteSource::Open(IntakeFixture(GetParam()));
  ASSERT_TRUE(file);
  EXPECT_EQ(DetectIconFileKind(*file), IconFileKind::kExecutable);
  ErrorOr<IconPixels> icon = ReadIconForCell(*file, {});
  ASSERT_TRUE(icon);
  // The 32 x 32 DIB alone is 4,264 bytes; the headers and the directory nodes
  // on the way add about two more.
  EXPECT_LT(file->BytesRead(), 7000u);
  EXPECT_LT(file->BytesRead(), file->Size() / 4);
}

INSTANTIATE_TEST_SUITE_P(Toolchains, PeFixtureTest,
                         ::testing::Values("icons32.exe", "icons64.exe", "icons32.dll", "icons64.dll"));

TEST(PeResourcesTest, BitnessAndLibrariesWithoutIcons) {
  for (auto [name, is64] : {std::pair{"icons32.exe", false}, std::pair{"icons64.dll", true}}) {
    ErrorOr<FileByteSource> file = FileByteSource::Open(IntakeFixture(name));
    ASSERT_TRUE(file);
    ErrorOr<PeResources> resources = PeResources::Open(*file);
    ASSERT_TRUE(resources) << name;
    EXPECT_EQ(resources->Is64Bit(), is64);
  }
  for (const char* name : {"noicons32.dll", "noicons64.dll"}) {
    ErrorOr<FileByteSource> file = FileByteSource::Open(IntakeFixture(name));
    ASSERT_TRUE(file);
    ASSERT_TRUE(PeResources::Open(*file)) << "it has a string table and a version";
    EXPECT_FALSE(ReadIconForCell(*file, {})) << name;
  }
}

TEST(PeResourcesTest, MissingIconsAreToldFromDamage) {
  EXPECT_STREQ(Icon("noicons32.dll", 0).reason(), kNoIconsReason);
  EXPECT_STREQ(Icon("noicons64.dll", 3).reason(), kNoIconsReason);
  EXPECT_STREQ(Icon("icons64.exe", 9).reason(), kNoSuchIconReason);
  EXPECT_TRUE(Icon("icons64.exe", 3)) << "the last icon is there";
  EXPECT_STREQ(Icon("icons64.exe", -1).reason(), kNoSuchIconReason);

  ErrorOr<FileByteSource> file = FileByteSource::Open(IntakeFixture("icons32.exe"));
  ASSERT_TRUE(file);
  ErrorOr<PeResources> resources = PeResources::Open(*file);
  ASSERT_TRUE(resources);
  EXPECT_EQ(resources->Count(kResourceTypeGroupIcon).ToOptional(), 4u);
  EXPECT_EQ(resources->Count(0x7FFF).ToOptional(), 0u) << "a type the file lacks";
  EXPECT_STREQ(resources->ReadByIndex(kResourceTypeGroupIcon, 4).reason(), "no resource of that number");
  EXPECT_STREQ(resources->ReadById(kResourceTypeIcon, 0xFFFF).reason(), "no resource with that id");
  EXPECT_STREQ(FileByteSource::Open(IntakeFixture("missing.exe")).reason(), "cannot be read");
}

TEST(PeResourcesTest, DamagedHeadersSayWhatIsWrong) {
  const Bytes good = testing::ReadAll(IntakeFixture("icons32.exe"));
  ASSERT_GT(good.size(), 0x200u);
  const std::uint32_t pe = good[0x3C] | good[0x3D] << 8;
  auto reasonOf = [](const Bytes& bytes) -> std::string {
    MemoryByteSource source(bytes);
    ErrorOr<IconPixels> icon = ReadIconPicture(source, {});
    return icon ? "read" : icon.reason();
  };
  ASSERT_EQ(reasonOf(good), "read");
  Bytes newExecutable = good;
  newExecutable[pe] = 'N';
  newExecutable[pe + 1] = 'E';
  EXPECT_EQ(reasonOf(newExecutable), "not a 32- or 64-bit executable");
  Bytes farHeader = good;
  testing::Set32(farHeader, 0x3C, 0xFFFFFFF0);
  EXPECT_EQ(reasonOf(farHeader), "not a 32- or 64-bit executable");
  Bytes fewDirectories = good;
  testing::Set32(fewDirectories, pe + 24 + 92, 2);
  EXPECT_EQ(reasonOf(fewDirectories), "an executable without resources");
  Bytes manySections = good;
  testing::Set16(manySections, pe + 6, 0xFFFF);
  EXPECT_EQ(reasonOf(manySections), "executable declares more sections than a loader accepts");
  EXPECT_EQ(reasonOf(Bytes{'M', 'Z', 0}), "executable header cut short");
}

TEST(PeResourcesTest, DamagedHeadersGiveNothing) {
  const Bytes good = testing::ReadAll(IntakeFixture("icons32.exe"));
  ASSERT_GT(good.size(), 0x200u);
  const std::uint32_t pe = good[0x3C] | good[0x3D] << 8;
  auto iconOf = [](const Bytes& bytes) {
    MemoryByteSource source(bytes);
    return ReadIconForCell(source, {});
  };
  ASSERT_TRUE(iconOf(good));

  Bytes farHeader = good;
  testing::Set32(farHeader, 0x3C, 0xFFFFFFF0);
  EXPECT_FALSE(iconOf(farHeader));
  Bytes newExecutable = good;
  newExecutable[pe] = 'N';
  newExecutable[pe + 1] = 'E';
  EXPECT_FALSE(iconOf(newExecutable)) << "16-bit executables are not read";
  Bytes badMagic = good;
  testing::Set16(badMagic, pe + 24, 0x107);
  EXPECT_FALSE(iconOf(badMagic));
  Bytes fewDirectories = good;
  testing::Set32(fewDirectories, pe + 24 + 92, 2);
  EXPECT_FALSE(iconOf(fewDirectories)) << "no resource directory slot";
  Bytes manySections = good;
  testing::Set16(manySections, pe + 6, 0xFFFF);
  EXPECT_FALSE(iconOf(manySections)) << "the section table runs past the end";

  // Cut anywhere before the end, the file gives nothing or a whole icon.
  for (std::size_t length = 0; length < good.size(); length += 97) {
    Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
    ErrorOr<IconPixels> icon = iconOf(cut);
    if (icon) {
      EXPECT_EQ(icon->pixels.size(), 32u * 32);
    }
  }
  Bytes noTail(good.begin(), good.end() - 0x800);
  EXPECT_FALSE(iconOf(noTail)) << "the resource section is at the end";
}

TEST(PeResourcesTest, LoopsAndForgedSizesInTheTreeGiveNothing) {
  using testing::ResourceDirectory;
  // Root -> type 14 -> name 1 -> the root again, as its "language" directory.
  Bytes loop = ResourceDirectory({{14, 0x80000000u | 24}});
  Bytes names = ResourceDirectory({{1, 0x80000000u}});
  loop.insert(loop.end(), names.begin(), names.end());
  Bytes image = testing::WriteMinimalPe(loop);
  MemoryByteSource source(image);
  ErrorOr<PeResources> resources = PeResources::Open(source);
  ASSERT_TRUE(resources);
  EXPECT_FALSE(resources->ReadByIndex(kResourceTypeGroupIcon, 0));

  // Root -> type 14 -> name 1 -> language 0 -> a data entry claiming 4 GB.
  Bytes tree = ResourceDirectory({{14, 0x80000000u | 24}});
  Bytes level2 = ResourceDirectory({{1, 0x80000000u | 48}});
  Bytes level3 = ResourceDirectory({{0x409, 72}});
  tree.insert(tree.end(), level2.begin(), level2.end());
  tree.insert(tree.end(), level3.begin(), level3.end());
  testing::Put32(tree, 0x1000 + 88);
  testing::Put32(tree, 0xFFFFFFFF);
  testing::Put32(tree, 0);
  testing::Put32(tree, 0);
  Bytes forged = testing::WriteMinimalPe(tree);
  MemoryByteSource forgedSource(forged);
  resources = PeResources::Open(forgedSource);
  ASSERT_TRUE(resources);
  EXPECT_FALSE(resources->ReadByIndex(kResourceTypeGroupIcon, 0));
  // The same entry with an honest size reads the bytes after it.
  testing::Set32(forged, 0x200 + 76, 4);
  forged.insert(forged.end(), {1, 2, 3, 4});
  testing::Set32(forged, 0x58 + 224 + 16, static_cast<std::uint32_t>(tree.size() + 4));
  testing::Set32(forged, 0x58 + 224 + 8, static_cast<std::uint32_t>(tree.size() + 4));
  MemoryByteSource honestSource(forged);
  resources = PeResources::Open(honestSource);
  ASSERT_TRUE(resources);
  EXPECT_EQ(resources->ReadByIndex(kResourceTypeGroupIcon, 0).ToOptional(), (Bytes{1, 2, 3, 4}));
}

// A tree with RT_ICON id 2 (a 16 x 16 picture) and one group listing a 32 x 32
// picture with id 5 first, which the file does not hold, then id 2.
Bytes PeWithMissingPicture(std::uint16_t presentId) {
  using testing::Put16;
  using testing::Put32;
  using testing::ResourceDirectory;
  testing::DibSpec spec;
  spec.width = spec.height = 16;
  spec.bits = 24;
  spec.values.assign(256, 0x00FF00FF);
  spec.andMask.assign(256, 0);
  const Bytes picture = testing::WriteDib(spec);
  Bytes tree = ResourceDirectory({{3, 0x80000000u | 32}, {14, 0x80000000u | 80}});
  for (const Bytes& part : {ResourceDirectory({{presentId, 0x80000000u | 56}}), ResourceDirectory({{0x409, 128}}),
                            ResourceDirectory({{1, 0x80000000u | 104}}), ResourceDirectory({{0x409, 144}})}) {
    tree.insert(tree.end(), part.begin(), part.end());
  }
  const std::uint32_t pictureAt = 160;
  const std::uint32_t groupAt = pictureAt + static_cast<std::uint32_t>(picture.size());
  for (auto [at, size] : {std::pair{pictureAt, static_cast<std::uint32_t>(picture.size())}, std::pair{groupAt, 34u}}) {
    Put32(tree, 0x1000 + at);
    Put32(tree, size);
    Put32(tree, 0);
    Put32(tree, 0);
  }
  tree.insert(tree.end(), picture.begin(), picture.end());
  for (std::uint32_t v : {0u, 1u, 2u}) Put16(tree, v);
  for (auto [side, id] : {std::pair{32u, 5u}, std::pair{16u, 2u}}) {
    tree.insert(tree.end(), {static_cast<std::uint8_t>(side), static_cast<std::uint8_t>(side), 0, 0});
    Put16(tree, 1);
    Put16(tree, 24);
    Put32(tree, static_cast<std::uint32_t>(picture.size()));
    Put16(tree, id);
  }
  return testing::WriteMinimalPe(tree);
}

TEST(PeResourcesTest, MissingPicturesArePassedOverAndAGroupWithNoneGivesNothing) {
  Bytes image = PeWithMissingPicture(2);
  MemoryByteSource source(image);
  ErrorOr<IconPixels> icon = ReadIconForCell(source, {});
  ASSERT_TRUE(icon) << "the 32 x 32 entry is missing, the 16 x 16 one is there";
  EXPECT_EQ(icon->pixels[0], 0x00FF00FFu);
  EXPECT_EQ(icon->pixels.size(), 32u * 32);

  Bytes none = PeWithMissingPicture(4);
  MemoryByteSource noneSource(none);
  EXPECT_FALSE(ReadIconForCell(noneSource, {}));
}

// The crafted picture: opaque red on the left half, transparent on the right.
void ExpectCraftedPicture(const ErrorOr<IconPixels>& icon) {
  ASSERT_TRUE(icon);
  ASSERT_EQ(icon->pixels.size(), 32u * 32);
  EXPECT_EQ(icon->pixels[0] & 0x00FFFFFFu, 0x00FF0000u);
  EXPECT_EQ(icon->mask[0], 0);
  EXPECT_EQ(icon->mask[31], 1);
}

TEST(PeResourcesTest, OnePictureListedThousandsOfTimesIsLookedUpOnce) {
  using testing::CraftedPeShape;
  testing::ScratchFolder folder;
  const Bytes crafted = testing::MakeCraftedPe(testing::OneIdManyTimes());
  ASSERT_GT(crafted.size(), 1900000u);
  ErrorOr<FileByteSource> file = FileByteSource::Open(folder.Write("crafted.exe", crafted));
  ASSERT_TRUE(file);
  ExpectCraftedPicture(ReadIconForCell(*file, {}));
  // The group resource itself is 917,496 bytes and is read whole; the 1 MB
  // language directory below picture 1 is not (only its header and first
  // entry), nor is the picture read more than twice.
  const std::uint64_t group = 6 + 14 * 65535;
  EXPECT_LT(file->BytesRead(), group + 16 * 1024);
}

TEST(PeResourcesTest, DirectoriesAreReadOnlyWhereTheirEntriesAreUsed) {
  testing::ScratchFolder folder;
  // 65,535 groups: the first is found without reading the other names.
  ErrorOr<FileByteSource> groups =
      FileByteSource::Open(folder.Write("groups.exe", testing::MakeCraftedPe({.groupEntries = 2, .groups = 65535})));
  ASSERT_TRUE(groups);
  ExpectCraftedPicture(ReadIconForCell(*groups, {}));
  EXPECT_LT(groups->BytesRead(), 16u * 1024) << "the 512 KB list of group names is left alone";

  // A group listing 65,535 different pictures: only the first 256 entries are
  // looked at, each picture once.
  ErrorOr<FileByteSource> distinct = FileByteSource::Open(
      folder.Write("distinct.exe", testing::MakeCraftedPe({.groupEntries = 65535, .distinctPictures = 65535})));
  ASSERT_TRUE(distinct);
  ExpectCraftedPicture(ReadIconForCell(*distinct, {}));
  const std::uint64_t group = 6 + 14 * 65535;
  const std::uint64_t pictureNames = 16 + 8 * 65535;
  EXPECT_LT(distinct->BytesRead(), group + pictureNames + 256 * 64 + 16 * 1024);
}

TEST(PeResourcesTest, MoreSectionsThanALoaderTakesAreRefused) {
  const Bytes most = testing::MakeCraftedPe({.groupEntries = 3, .extraSections = kMaxPeSections - 1});
  MemoryByteSource mostSource(most);
  ExpectCraftedPicture(ReadIconForCell(mostSource, {}));
  const Bytes tooMany = testing::MakeCraftedPe({.groupEntries = 3, .extraSections = kMaxPeSections});
  MemoryByteSource tooManySource(tooMany);
  EXPECT_FALSE(PeResources::Open(tooManySource));
  EXPECT_EQ(DetectIconFileKind(tooManySource), IconFileKind::kUnknown);
}

TEST(PeResourcesTest, DeepOffsetsAreReachedWithoutReadingWhatLiesBetween) {
  const Bytes deep = testing::MakeCraftedPe({.groupEntries = 4, .resourceOffset = 3u << 20, .gap = 2u << 20});
  ASSERT_GT(deep.size(), 5u << 20);
  testing::ScratchFolder folder;
  ErrorOr<FileByteSource> file = FileByteSource::Open(folder.Write("deep.exe", deep));
  ASSERT_TRUE(file);
  ExpectCraftedPicture(ReadIconForCell(*file, {}));
  EXPECT_LT(file->BytesRead(), 16u * 1024);
}

TEST(IconDirectoryTest, DirectoriesAreCutToTheirFirstEntriesAndHugePicturesPassedOver) {
  using testing::Put16;
  using testing::Put32;
  // A group resource declaring 1,000 entries, all there: the first 256 count.
  Bytes group;
  for (std::uint32_t v : {0u, 1u, 1000u}) Put16(group, v);
  for (std::uint32_t e = 0; e < 1000; ++e) {
    group.insert(group.end(), {16, 16, 0, 0});
    Put16(group, 1);
    Put16(group, 32);
    Put32(group, 100);
    Put16(group, e);
  }
  ErrorOr<std::vector<IconDirectoryEntry>> entries = ParseGroupIconDirectory(group);
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), kMaxIconDirectoryEntries);
  EXPECT_EQ(entries->back().location, kMaxIconDirectoryEntries - 1);

  // An icon file whose 32 x 32 entry claims 17 MB that the file does hold:
  // it is not read, and the 16 x 16 entry is taken instead.
  testing::DibSpec small;
  small.width = small.height = 16;
  small.bits = 24;
  small.values.assign(256, 0x0000FF00);
  small.andMask.assign(256, 0);
  testing::DibSpec large = small;
  large.width = large.height = 32;
  large.values.assign(1024, 0x000000FF);
  large.andMask.assign(1024, 0);
  Bytes ico = testing::WriteIco({{.width = 16, .height = 16, .bits = 24, .picture = testing::WriteDib(small)},
                                 {.width = 32, .height = 32, .bits = 24, .picture = testing::WriteDib(large)}});
  MemoryByteSource honest(ico);
  ErrorOr<IconPixels> blue = ReadIconForCell(honest, {});
  ASSERT_TRUE(blue);
  EXPECT_EQ(blue->pixels[0] & 0x00FFFFFFu, 0x000000FFu) << "with an honest size the 32 x 32 entry wins";
  testing::Set32(ico, 6 + 16 + 8, kMaxIconPictureBytes + 1);
  ico.resize(ico.size() + kMaxIconPictureBytes + 1, 0);
  MemoryByteSource forged(ico);
  ErrorOr<IconPixels> green = ReadIconForCell(forged, {});
  ASSERT_TRUE(green);
  EXPECT_EQ(green->pixels[0] & 0x00FFFFFFu, 0x0000FF00u);
  ErrorOr<std::vector<IconDirectoryEntry>> icoEntries = ReadIcoDirectory(forged);
  ASSERT_TRUE(icoEntries);
  EXPECT_FALSE(ReadIcoPicture(forged, (*icoEntries)[1]));
}

}  // namespace
}  // namespace tilvane
