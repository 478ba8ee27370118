// Text and value primitives. Text is a byte string in the locale's multibyte
// encoding (UTF-8 here); lengths and positions count bytes, positions are
// 1-based and -1 means "not found".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tilvane {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

// A colour 0x00BBGGRR, red in the low byte.
using Colour = std::uint32_t;

// Number of bytes.
int TextLength(std::string_view text);
// The first (last) min(count, length) bytes; count <= 0 gives empty text.
Text LeftText(std::string_view text, int count);
Text RightText(std::string_view text, int count);

// Forward search from byte `start` (1-based, omitted or <= 1 = the beginning).
// Steps whole characters, so a match never starts inside a multibyte
// character. Empty `sought` gives 1 for a non-empty region, else -1.
int FindText(std::string_view text, std::string_view sought, std::optional<int> start = std::nullopt,
             bool ignoreCase = false);
// The last match within the first start - 1 bytes (the whole text when start
// is omitted); same stepping and empty-text rule as FindText.
int FindTextBackward(std::string_view text, std::string_view sought, std::optional<int> start = std::nullopt,
                     bool ignoreCase = false);

// A one-byte text holding `code`.
Text CharFromCode(std::uint8_t code);

// Concatenation of every argument, in order.
template <typename... Parts>
Text JoinTexts(const Parts&... parts) {
  Text result;
  (result.append(std::string_view(parts)), ...);
  return result;
}

// Exact byte-for-byte comparison.
bool TextEquals(std::string_view a, std::string_view b);

Text ToText(int value);
Text ToText(std::int64_t value);
Text ToText(std::uint8_t value);
Text ToText(float value);
Text ToText(double value);
Text ToText(bool value);
// The bytes up to the first zero byte (all of them when there is none).
Text ToText(ByteSpan bytes);

// Little-endian in-memory bytes of a number; the bytes of a text.
Bytes ToBytes(std::int32_t value);
Bytes ToBytes(std::string_view text);

// blue << 16 | (green & 0xFF) << 8 | red.
Colour MakeColor(int red, int green, int blue);

// Length in bytes of the character whose lead byte is `lead` in the locale's
// encoding (1 for ASCII and for bytes that cannot start a sequence).
int CharacterByteLength(std::uint8_t lead);

}  // namespace tilvane
