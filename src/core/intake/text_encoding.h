// Conversions of text stored in foreign files into the program's own encoding
// (UTF-8).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/error_or.h"
#include "core/text.h"

namespace tilvane {

// True when the bytes are well-formed UTF-8 (plain ASCII included).
bool IsValidUtf8(ByteSpan bytes);

// UTF-16LE code units as UTF-8; fails for an unpaired surrogate.
ErrorOr<Text> Utf16ToUtf8(const std::vector<std::uint16_t>& units);

// Text in the writing system's ANSI code page as UTF-8: kept when it already
// is UTF-8 (ASCII included), otherwise read as GBK, the code page the files
// this program meets were written in. Fails when neither fits.
ErrorOr<Text> AnsiToUtf8(ByteSpan bytes);

// The text with every byte that is not part of a well-formed UTF-8 sequence
// replaced by U+FFFD, one replacement per byte.
Text ReplaceMalformedUtf8(std::string_view text);

// The number of UTF-16 units the text would take (a malformed byte counts as one).
std::size_t Utf16Length(std::string_view utf8);

// The longest prefix of at most `maxBytes` bytes that does not end inside a
// UTF-8 sequence.
Text CutUtf8(std::string_view utf8, std::size_t maxBytes);

}  // namespace tilvane
