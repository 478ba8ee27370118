#include "core/text.h"

#include <gtest/gtest.h>

namespace tilvane {
namespace {

TEST(TextCuts, LeftAndRightCountBytesAndClampTheCount) {
  EXPECT_EQ(RightText("", 1), "");
  EXPECT_FALSE(TextEquals(RightText("", 1), ")"));
  EXPECT_EQ(RightText("Tilvane  a)", 1), ")");
  EXPECT_EQ(LeftText("abc", 0), "");
  EXPECT_EQ(LeftText("abc", -3), "");
  EXPECT_EQ(LeftText("abc", 10), "abc");
  EXPECT_EQ(RightText("abc", 2), "bc");
  // Cuts are made in bytes: one byte of a three-byte character.
  EXPECT_EQ(RightText("中", 1), "\xAD");
  EXPECT_EQ(TextLength("中.exe"), 7);
}

TEST(FindTextForward, FindsFirstMatchAsOneBasedPosition) {
  EXPECT_EQ(FindText("abc", "a"), 1);
  EXPECT_EQ(FindText("abc", "c"), 3);
  EXPECT_EQ(FindText("abc", "x"), -1);
  EXPECT_EQ(FindText("abc", ""), 1);
  EXPECT_EQ(FindText("", ""), -1);
  EXPECT_EQ(FindText("abcabc", "bc", 3), 5);
  EXPECT_EQ(FindText("abc", "a", 4), -1);
  EXPECT_EQ(FindText("abc", "BC", std::nullopt, true), 2);
  EXPECT_EQ(FindText("abc", "BC"), -1);
  EXPECT_EQ(FindText("abc", "abcd"), -1);
}

TEST(FindTextForward, StepsWholeCharactersOfTheLocaleEncoding) {
  EXPECT_EQ(FindText("中.exe", "."), 4);
  // "中" is E4 B8 AD and "中" is E4 B8 AD too only by accident of bytes inside
  // other characters: a search for the trail bytes must not match inside one.
  EXPECT_EQ(FindText("中", "\xB8\xAD"), -1);
  EXPECT_EQ(FindText("a中b", "b"), 5);
  EXPECT_EQ(FindText("\xE4\xB8\xAD\xE4\xB8", "\xB8"), -1);
}

TEST(FindTextBackward, FindsLastMatchBeforeStart) {
  EXPECT_EQ(FindTextBackward("a.b.c", "."), 4);
  EXPECT_EQ(FindTextBackward("a.b.c", ".", 4), 2);
  EXPECT_EQ(FindTextBackward("a.b.c", ".", 1), -1);
  EXPECT_EQ(FindTextBackward("a.b.c", ".", 100), 4);
  EXPECT_EQ(FindTextBackward("abc", ""), 1);
  EXPECT_EQ(FindTextBackward("", ""), -1);
  EXPECT_EQ(FindTextBackward("文件.名.qil", "."), 11);
}

TEST(ValueConversions, FollowTheirFormats) {
  EXPECT_EQ(ToText(2.0), "2");
  EXPECT_EQ(ToText(0.5), "0.5");
  EXPECT_EQ(ToText(0.0), "0");
  EXPECT_EQ(ToText(-17), "-17");
  EXPECT_EQ(ToText(std::uint8_t{200}), "200");
  EXPECT_EQ(ToText(std::int64_t{1} << 40), "1099511627776");
  EXPECT_EQ(ToText(true), "真");
  EXPECT_EQ(ToText(false), "假");
  Bytes withZero{'a', 'b', 0, 'c'};
  EXPECT_EQ(ToText(ByteSpan(withZero)), "ab");
  EXPECT_EQ(ToBytes(0), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(ToBytes(0x01020304), (Bytes{4, 3, 2, 1}));
  EXPECT_EQ(JoinTexts("a", Text("b"), CharFromCode(10), CharFromCode(13)), "ab\n\r");
}

TEST(ValueConversions, MakeColorPutsRedInTheLowByte) {
  EXPECT_EQ(MakeColor(200, 200, 200), 0x00C8C8C8u);
  EXPECT_EQ(MakeColor(255, 240, 240), 0x00F0F0FFu);
  EXPECT_EQ(MakeColor(255, 0, 0), 0x000000FFu);
}

}  // namespace
}  // namespace tilvane
