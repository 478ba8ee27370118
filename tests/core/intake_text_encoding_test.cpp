// Text from foreign files into UTF-8: malformed bytes replaced one by one, and
// UTF-16 with unpaired surrogates refused.
#include <gtest/gtest.h>

#include "core/intake/text_encoding.h"

namespace tilvane {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";

TEST(TextEncodingTest, EachMalformedByteBecomesOneReplacement) {
  const std::string wellFormed = "plain, \xE4\xB8\xAD\xE6\x96\x87 and \xF0\x9F\x98\x80";
  EXPECT_EQ(ReplaceMalformedUtf8(wellFormed), wellFormed);
  EXPECT_EQ(ReplaceMalformedUtf8("a\xB2" "b"), std::string("a") + kReplacement + "b") << "a stray continuation";
  EXPECT_EQ(ReplaceMalformedUtf8("\xE4\xB8"), std::string(kReplacement) + kReplacement) << "cut short at the end";
  EXPECT_EQ(ReplaceMalformedUtf8("\xE2\"q"), std::string(kReplacement) + "\"q") << "the next byte is kept";
  EXPECT_EQ(ReplaceMalformedUtf8("\xC0\x80"), std::string(kReplacement) + kReplacement) << "an overlong form";
  EXPECT_EQ(ReplaceMalformedUtf8("\xED\xA0\x80"), std::string(kReplacement) + kReplacement + kReplacement)
      << "a surrogate";
  EXPECT_EQ(ReplaceMalformedUtf8(""), "");
}

TEST(TextEncodingTest, Utf16WithAnUnpairedSurrogateFails) {
  EXPECT_EQ(Utf16ToUtf8({0x4E2D, 0xD83D, 0xDE00}).ToOptional(), "\xE4\xB8\xAD\xF0\x9F\x98\x80");
  EXPECT_STREQ(Utf16ToUtf8({0xD83D}).reason(), "unpaired UTF-16 surrogate");
  EXPECT_STREQ(Utf16ToUtf8({0xDE00, 0x41}).reason(), "unpaired UTF-16 surrogate");
}

}  // namespace
}  // namespace tilvane
