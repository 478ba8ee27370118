// ReadShortcutTarget over shell links written by the fixture writer: local,
// Unicode and network targets, links without a file-system path, damage, and
// the path rules.
#include <gtest/gtest.h>

#include "core/intake/shortcut.h"
#include "intake_test_support.h"

namespace tilvane {
namespace {

using testing::LinkSpec;
using testing::WriteShellLink;

LinkSpec Local(const std::string& base, const std::string& suffix = "") {
  LinkSpec spec;
  spec.idList = {0x14, 0x00, 0x1F, 0x50};  // a first item, as shell-made links carry
  spec.localBase = base;
  spec.suffix = suffix;
  return spec;
}

TEST(ShortcutFilePathTest, TheLnkSuffixRule) {
  EXPECT_EQ(ShortcutFilePath("C:\\a\\b"), "C:\\a\\b.lnk");
  EXPECT_EQ(ShortcutFilePath("C:\\x.LNK"), "C:\\x.LNK") << "the test ignores case";
  EXPECT_EQ(ShortcutFilePath("C:\\my.lnk.d\\file"), "C:\\my.lnk.d\\file") << ".lnk anywhere counts";
  EXPECT_EQ(ShortcutFilePath("/home/u/app"), "/home/u/app.lnk");
}

TEST(ShortcutTest, LocalUnicodeAndNetworkTargets) {
  EXPECT_EQ(ParseShortcutTarget(WriteShellLink(Local("C:\\Program Files\\app.exe"))), "C:\\Program Files\\app.exe");
  EXPECT_EQ(ParseShortcutTarget(WriteShellLink(Local("C:\\Tools\\", "bin\\run.exe"))), "C:\\Tools\\bin\\run.exe");

  LinkSpec unicode = Local("C:\\??\\a.exe");
  unicode.unicodeBase = u"C:\\\u4E2D\u6587\\a.exe";
  EXPECT_EQ(ParseShortcutTarget(WriteShellLink(unicode)), "C:\\\u4E2D\u6587\\a.exe") << "Unicode fields win";

  // ANSI text from a GBK system: 中文 is D6 D0 CE C4 there.
  EXPECT_EQ(ParseShortcutTarget(WriteShellLink(Local("C:\\\xD6\xD0\xCE\xC4.exe"))), "C:\\\u4E2D\u6587.exe");

  LinkSpec network;
  network.netName = "\\\\server\\share";
  network.suffix = "dir\\tool.exe";
  EXPECT_EQ(ParseShortcutTarget(WriteShellLink(network)), "\\\\server\\share\\dir\\tool.exe");
  network.suffix.clear();
  EXPECT_EQ(ParseShortcutTarget(WriteShellLink(network)), "\\\\server\\share");
}

TEST(ShortcutTest, LinksWithoutAFileSystemPathGiveEmptyText) {
  LinkSpec computer;
  // The computer folder: one root item with its class id, and no LinkInfo.
  computer.idList = {0x14, 0x00, 0x1F, 0x50, 0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A,
                     0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
  computer.linkInfo = false;
  EXPECT_EQ(ParseShortcutTarget(WriteShellLink(computer)), "");

  LinkSpec nothing;
  nothing.linkInfo = false;
  EXPECT_EQ(ParseShortcutTarget(WriteShellLink(nothing)), "") << "no IDList and no LinkInfo";
}

TEST(ShortcutTest, NotALinkOrDamagedGivesEmptyText) {
  LinkSpec wrongSize = Local("C:\\a.exe");
  wrongSize.headerSize = 0x4D;
  EXPECT_EQ(ParseShortcutTarget(WriteShellLink(wrongSize)), "");
  LinkSpec wrongClass = Local("C:\\a.exe");
  wrongClass.validClassId = false;
  EXPECT_EQ(ParseShortcutTarget(WriteShellLink(wrongClass)), "");
  EXPECT_EQ(ParseShortcutTarget(ToBytes("just some text in a file")), "");

  const Bytes good = WriteShellLink(Local("C:\\Tools\\", "run.exe"));
  ASSERT_EQ(ParseShortcutTarget(good), "C:\\Tools\\run.exe");
  // Cut before the last string's terminator, the link gives nothing.
  for (std::size_t length = 0; length + 6 < good.size(); ++length) {
    Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_EQ(ParseShortcutTarget(cut), "") << length;
  }
  // A base path offset past the LinkInfo, and an unterminated suffix.
  Bytes pastInfo = good;
  const std::size_t info = 0x4C + 2 + 4 + 2;
  testing::Set32(pastInfo, info + 16, 0x7FFFFFFF);
  EXPECT_EQ(ParseShortcutTarget(pastInfo), "");
  Bytes unterminated = good;
  unterminated[unterminated.size() - 5] = 'x';
  EXPECT_EQ(ParseShortcutTarget(unterminated), "");
}

TEST(ShortcutTest, FailuresSayWhatIsWrong) {
  EXPECT_STREQ(ShortcutTarget(ToBytes("just some text in a file")).reason(), "not a shortcut");
  LinkSpec computer;
  computer.linkInfo = false;
  computer.idList = {0x14, 0x00, 0x1F, 0x50};
  EXPECT_STREQ(ShortcutTarget(WriteShellLink(computer)).reason(), "shortcut has no file target");
  const Bytes good = WriteShellLink(Local("C:\\Tools\\", "run.exe"));
  EXPECT_EQ(ShortcutTarget(good).ToOptional(), "C:\\Tools\\run.exe");
  EXPECT_STREQ(ShortcutTarget(Bytes(good.begin(), good.begin() + 0x4C + 3)).reason(), "shortcut cut short");
  Bytes unterminated = good;
  unterminated[unterminated.size() - 5] = 'x';
  EXPECT_STREQ(ShortcutTarget(unterminated).reason(), "shortcut path not terminated");
  EXPECT_TRUE(IsShellLinkData(good));
  EXPECT_FALSE(IsShellLinkData(Bytes(good.begin(), good.begin() + 19))) << "the header size and the whole class id";
}

TEST(ReadShortcutTargetTest, ReadsTheFileByTheSuffixRuleAndNeverResolves) {
  testing::ScratchFolder folder;
  // The target does not exist, and is still returned.
  folder.Write("gone.lnk", WriteShellLink(Local("C:\\deleted\\old.exe")));
  EXPECT_EQ(ReadShortcutTarget(folder.File("gone")), "C:\\deleted\\old.exe");
  EXPECT_EQ(ReadShortcutTarget(folder.File("gone.lnk")), "C:\\deleted\\old.exe");
  folder.Write("upper.LNK", WriteShellLink(Local("C:\\u.exe")));
  EXPECT_EQ(ReadShortcutTarget(folder.File("upper.LNK")), "C:\\u.exe");
#ifdef _WIN32
  EXPECT_EQ(ReadShortcutTarget(folder.File("upper")), "C:\\u.exe") << "file names are case-blind on Windows";
#else
  EXPECT_EQ(ReadShortcutTarget(folder.File("upper")), "") << "upper.lnk does not exist";
#endif
  EXPECT_EQ(ReadShortcutTarget(folder.File("missing")), "");
  EXPECT_EQ(ReadShortcutTarget(""), "");

  Bytes truncated = WriteShellLink(Local("C:\\a.exe"));
  truncated.resize(60);
  folder.Write("truncated.lnk", truncated);
  EXPECT_EQ(ReadShortcutTarget(folder.File("truncated.lnk")), "");
}

TEST(ReadShortcutTargetTest, PathAndTargetLimits) {
  testing::ScratchFolder folder;
  const std::string base = folder.File("");
  // Names that make the whole path 259 and 260 units long, ".lnk" included.
  ASSERT_LT(base.size(), 200u);
  const std::string fits = std::string(259 - base.size() - 4, 'a');
  const std::string tooLong = std::string(260 - base.size() - 4, 'b');
  folder.Write(fits + ".lnk", WriteShellLink(Local("C:\\fits.exe")));
  folder.Write(tooLong + ".lnk", WriteShellLink(Local("C:\\long.exe")));
  EXPECT_EQ(ReadShortcutTarget(base + fits), "C:\\fits.exe");
  EXPECT_EQ(ReadShortcutTarget(base + tooLong), "");

  // A stored target of 1,100 bytes is cut to 1,023, never inside a character.
  std::string longTarget = "C:\\" + std::string(1019, 'x') + "\xD6\xD0" + std::string(76, 'y');
  folder.Write("cut.lnk", WriteShellLink(Local(longTarget)));
  std::string target = ReadShortcutTarget(folder.File("cut"));
  EXPECT_EQ(target, "C:\\" + std::string(1019, 'x')) << "the three-byte 中 would end at byte 1,025";
  folder.Write("exact.lnk", WriteShellLink(Local("C:\\" + std::string(1100, 'z'))));
  EXPECT_EQ(ReadShortcutTarget(folder.File("exact")).size(), kMaxShortcutTargetBytes);
}

}  // namespace
}  // namespace tilvane
