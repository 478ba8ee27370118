#include "json_text.h"

#include <cstdio>

#include "core/intake/text_encoding.h"

namespace tilvane::qiltool {

namespace {

// Length of the well-formed UTF-8 sequence at the start of `rest`, 0 if none.
std::size_t Utf8SequenceLength(std::string_view rest) {
  const auto lead = static_cast<std::uint8_t>(rest[0]);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || length > rest.size()) return 0;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(rest.data());
  return IsValidUtf8(ByteSpan(bytes, length)) ? length : 0;
}

}  // namespace

Text JsonString(std::string_view text) {
  Text out = "\"";
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
      ++i;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
      ++i;
    } else if (byte < 0x80) {
      out += c;
      ++i;
    } else if (std::size_t length = Utf8SequenceLength(text.substr(i)); length != 0) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  out += '"';
  return out;
}

}  // namespace tilvane::qiltool
