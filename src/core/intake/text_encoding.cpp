#include "core/intake/text_encoding.h"

#include <optional>
#include <utility>

#include "core/platform/text_codes.h"

namespace tilvane {
namespace {

// Length of the well-formed UTF-8 sequence at `at`, or 0 when it is malformed
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t SequenceLength(std::string_view text, std::size_t at) {
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  std::uint8_t lead = byte(at);
  std::size_t length = 0;
  std::uint32_t value = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) { length = 2; value = lead & 0x1F; }
  else if (lead >= 0xE0 && lead <= 0xEF) { length = 3; value = lead & 0x0F; }
  else if (lead >= 0xF0 && lead <= 0xF4) { length = 4; value = lead & 0x07; }
  else return 0;
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  if ((length == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) ||
      (length == 4 && (value < 0x10000 || value > 0x10FFFF))) {
    return 0;
  }
  return length;
}

void AppendUtf8(Text& out, std::uint32_t value) {
  if (value < 0x80) {
    out.push_back(static_cast<char>(value));
  } else if (value < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (value >> 6)));
    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
  } else if (value < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (value >> 12)));
    out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (value >> 18)));
    out.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (value & 0x3F)));
  }
}

std::string_view AsChars(ByteSpan bytes) { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }

}  // namespace

bool IsValidUtf8(ByteSpan bytes) {
  std::string_view text = AsChars(bytes);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = SequenceLength(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

ErrorOr<Text> Utf16ToUtf8(const std::vector<std::uint16_t>& units) {
  Text out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::uint32_t unit = units[i];
    if (unit >= 0xDC00 && unit <= 0xDFFF) return Failure{"unpaired UTF-16 surrogate"};
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) {
        return Failure{"unpaired UTF-16 surrogate"};
      }
      unit = 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(out, unit);
  }
  return out;
}

ErrorOr<Text> AnsiToUtf8(ByteSpan bytes) {
  if (IsValidUtf8(bytes)) return Text(AsChars(bytes));
  std::optional<Text> text = platform::GbkToUtf8(bytes);
  if (!text) return Failure{"text is neither UTF-8 nor GBK"};
  return std::move(*text);
}

Text ReplaceMalformedUtf8(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = SequenceLength(text, at);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++at;
    } else {
      out.append(text.substr(at, length));
      at += length;
    }
  }
  return out;
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t length = SequenceLength(utf8, at);
    if (length == 0) length = 1;
    units += length == 4 ? 2 : 1;
    at += length;
  }
  return units;
}

Text CutUtf8(std::string_view utf8, std::size_t maxBytes) {
  std::size_t end = 0;
  while (end < utf8.size()) {
    std::size_t length = SequenceLength(utf8, end);
    if (length == 0) length = 1;
    if (end + length > maxBytes) break;
    end += length;
  }
  return Text(utf8.substr(0, end));
}

}  // namespace tilvane
