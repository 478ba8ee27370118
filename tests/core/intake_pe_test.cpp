// Icons out of real 32- and 64-bit executables and libraries made by windres
// and the MinGW linker, and out of damaged PE images.
#include <gtest/gtest.h>

#include "core/intake/icon_file.h"
#include "core/intake/pe_resources.h"
#include "intake_test_support.h"

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

std::optional<IconPixels> Icon(const std::string& fixture, int index, bool small = false) {
  IconRequest request;
  request.iconIndex = index;
  request.smallIcon = small;
  return ReadFileIcon(IntakeFixture(fixture), request);
}

class PeFixtureTest : public ::testing::TestWithParam<std::string> {};

TEST_P(PeFixtureTest, GroupsInResourceOrderNamedFirst) {
  // icons.rc: ALPHA (multi.ico), ZETA (48 blue + 16 green), 3 (png256.ico), 7 (only16.ico).
  std::optional<IconPixels> alpha = Icon(GetParam(), 0);
  ASSERT_TRUE(alpha);
  ExpectPattern(*alpha);

  std::optional<IconPixels> zeta = Icon(GetParam(), 1);
  ASSERT_TRUE(zeta);
  EXPECT_EQ(zeta->pixels[0], 0xFF0000FFu) << "48 and 16 are equally far from 32: the first entry";

  std::optional<IconPixels> png = Icon(GetParam(), 2);
  ASSERT_TRUE(png);
  ExpectPattern(*png);  // the 256 PNG entry averaged down in 8 x 8 blocks

  std::optional<IconPixels> small = Icon(GetParam(), 3);
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
  std::optional<IconPixels> green = Icon(GetParam(), 1, true);
  ASSERT_TRUE(green);
  EXPECT_EQ(green->width, 32) << "the small entry is still fitted into the cell";
  EXPECT_EQ(green->pixels[0], 0xFF00FF00u);

  // Group 3 holds only the 256 entry.
  std::optional<IconPixels> standard = Icon(GetParam(), 2, false);
  std::optional<IconPixels> fallback = Icon(GetParam(), 2, true);
  ASSERT_TRUE(standard && fallback);
  EXPECT_EQ(fallback->pixels, standard->pixels);
  EXPECT_EQ(fallback->mask, standard->mask);
}

TEST_P(PeFixtureTest, OnlyHeadersAndTheChosenPictureAreRead) {
  std::optional<FileByteSource> file = FileByteSource::Open(IntakeFixture(GetParam()));
  ASSERT_TRUE(file);
  EXPECT_EQ(DetectIconFileKind(*file), IconFileKind::kExecutable);
  std::optional<IconPixels> icon = ReadIconForCell(*file, {});
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
    std::optional<FileByteSource> file = FileByteSource::Open(IntakeFixture(name));
    ASSERT_TRUE(file);
    std::optional<PeResources> resources = PeResources::Open(*file);
    ASSERT_TRUE(resources) << name;
    EXPECT_EQ(resources->Is64Bit(), is64);
  }
  for (const char* name : {"noicons32.dll", "noicons64.dll"}) {
    std::optional<FileByteSource> file = FileByteSource::Open(IntakeFixture(name));
    ASSERT_TRUE(file);
    ASSERT_TRUE(PeResources::Open(*file)) << "it has a string table and a version";
    EXPECT_FALSE(ReadIconForCell(*file, {})) << name;
  }
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
  testing::SetU32(farHeader, 0x3C, 0xFFFFFFF0);
  EXPECT_FALSE(iconOf(farHeader));
  Bytes newExecutable = good;
  newExecutable[pe] = 'N';
  newExecutable[pe + 1] = 'E';
  EXPECT_FALSE(iconOf(newExecutable)) << "16-bit executables are not read";
  Bytes badMagic = good;
  testing::SetU16(badMagic, pe + 24, 0x107);
  EXPECT_FALSE(iconOf(badMagic));
  Bytes fewDirectories = good;
  testing::SetU32(fewDirectories, pe + 24 + 92, 2);
  EXPECT_FALSE(iconOf(fewDirectories)) << "no resource directory slot";
  Bytes manySections = good;
  testing::SetU16(manySections, pe + 6, 0xFFFF);
  EXPECT_FALSE(iconOf(manySections)) << "the section table runs past the end";

  // Cut anywhere before the end, the file gives nothing or a whole icon.
  for (std::size_t length = 0; length < good.size(); length += 97) {
    Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
    std::optional<IconPixels> icon = iconOf(cut);
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
  std::optional<PeResources> resources = PeResources::Open(source);
  ASSERT_TRUE(resources);
  EXPECT_FALSE(resources->ReadByIndex(kResourceTypeGroupIcon, 0));

  // Root -> type 14 -> name 1 -> language 0 -> a data entry claiming 4 GB.
  Bytes tree = ResourceDirectory({{14, 0x80000000u | 24}});
  Bytes level2 = ResourceDirectory({{1, 0x80000000u | 48}});
  Bytes level3 = ResourceDirectory({{0x409, 72}});
  tree.insert(tree.end(), level2.begin(), level2.end());
  tree.insert(tree.end(), level3.begin(), level3.end());
  testing::PutU32(tree, 0x1000 + 88);
  testing::PutU32(tree, 0xFFFFFFFF);
  testing::PutU32(tree, 0);
  testing::PutU32(tree, 0);
  Bytes forged = testing::WriteMinimalPe(tree);
  MemoryByteSource forgedSource(forged);
  resources = PeResources::Open(forgedSource);
  ASSERT_TRUE(resources);
  EXPECT_FALSE(resources->ReadByIndex(kResourceTypeGroupIcon, 0));
  // The same entry with an honest size reads the bytes after it.
  testing::SetU32(forged, 0x200 + 76, 4);
  forged.insert(forged.end(), {1, 2, 3, 4});
  testing::SetU32(forged, 0x58 + 224 + 16, static_cast<std::uint32_t>(tree.size() + 4));
  testing::SetU32(forged, 0x58 + 224 + 8, static_cast<std::uint32_t>(tree.size() + 4));
  MemoryByteSource honestSource(forged);
  resources = PeResources::Open(honestSource);
  ASSERT_TRUE(resources);
  EXPECT_EQ(resources->ReadByIndex(kResourceTypeGroupIcon, 0), (Bytes{1, 2, 3, 4}));
}

// A tree with RT_ICON id 2 (a 16 x 16 picture) and one group listing a 32 x 32
// picture with id 5 first, which the file does not hold, then id 2.
Bytes PeWithMissingPicture(std::uint16_t presentId) {
  using testing::PutU16;
  using testing::PutU32;
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
    PutU32(tree, 0x1000 + at);
    PutU32(tree, size);
    PutU32(tree, 0);
    PutU32(tree, 0);
  }
  tree.insert(tree.end(), picture.begin(), picture.end());
  for (std::uint32_t v : {0u, 1u, 2u}) PutU16(tree, v);
  for (auto [side, id] : {std::pair{32u, 5u}, std::pair{16u, 2u}}) {
    tree.insert(tree.end(), {static_cast<std::uint8_t>(side), static_cast<std::uint8_t>(side), 0, 0});
    PutU16(tree, 1);
    PutU16(tree, 24);
    PutU32(tree, static_cast<std::uint32_t>(picture.size()));
    PutU16(tree, id);
  }
  return testing::WriteMinimalPe(tree);
}

TEST(PeResourcesTest, MissingPicturesArePassedOverAndAGroupWithNoneGivesNothing) {
  Bytes image = PeWithMissingPicture(2);
  MemoryByteSource source(image);
  std::optional<IconPixels> icon = ReadIconForCell(source, {});
  ASSERT_TRUE(icon) << "the 32 x 32 entry is missing, the 16 x 16 one is there";
  EXPECT_EQ(icon->pixels[0], 0x00FF00FFu);
  EXPECT_EQ(icon->pixels.size(), 32u * 32);

  Bytes none = PeWithMissingPicture(4);
  MemoryByteSource noneSource(none);
  EXPECT_FALSE(ReadIconForCell(noneSource, {}));
}

}  // namespace
}  // namespace tilvane
