#include "core/text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tilvane {

namespace {

std::uint8_t FoldAscii(std::uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<std::uint8_t>(c + 32) : c; }

bool MatchesAt(std::string_view text, std::size_t at, std::string_view sought, bool ignoreCase) {
  for (std::size_t i = 0; i < sought.size(); ++i) {
    auto a = static_cast<std::uint8_t>(text[at + i]);
    auto b = static_cast<std::uint8_t>(sought[i]);
    if (ignoreCase ? FoldAscii(a) != FoldAscii(b) : a != b) return false;
  }
  return true;
}

// Walks [begin, end) character by character and returns the 0-based offsets of
// the first and last match that lie wholly inside it (npos when none).
struct Matches {
  std::size_t first = std::string_view::npos;
  std::size_t last = std::string_view::npos;
};

Matches FindMatches(std::string_view text, std::size_t begin, std::size_t end, std::string_view sought,
                    bool ignoreCase, bool stopAtFirst) {
  Matches found;
  std::size_t at = begin;
  while (at < end && end - at >= sought.size()) {
    if (MatchesAt(text, at, sought, ignoreCase)) {
      if (found.first == std::string_view::npos) found.first = at;
      found.last = at;
      if (stopAtFirst) break;
    }
    at += static_cast<std::size_t>(CharacterByteLength(static_cast<std::uint8_t>(text[at])));
  }
  return found;
}

Text Format(const char* format, auto value) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, format, value);
  return Text(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

int CharacterByteLength(std::uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;
}

int TextLength(std::string_view text) { return static_cast<int>(text.size()); }

Text LeftText(std::string_view text, int count) {
  if (count <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(count)));
}

Text RightText(std::string_view text, int count) {
  if (count <= 0) return {};
  auto n = std::min(text.size(), static_cast<std::size_t>(count));
  return Text(text.substr(text.size() - n));
}

int FindText(std::string_view text, std::string_view sought, std::optional<int> start, bool ignoreCase) {
  std::size_t begin = 0;
  if (start && *start > 1) begin = static_cast<std::size_t>(*start - 1);
  if (begin >= text.size()) return -1;
  if (sought.empty()) return 1;
  auto found = FindMatches(text, begin, text.size(), sought, ignoreCase, true);
  return found.first == std::string_view::npos ? -1 : static_cast<int>(found.first + 1);
}

int FindTextBackward(std::string_view text, std::string_view sought, std::optional<int> start, bool ignoreCase) {
  std::size_t end = text.size();
  if (start) {
    if (*start <= 1) return -1;
    end = std::min(end, static_cast<std::size_t>(*start - 1));
  }
  if (end == 0) return -1;
  if (sought.empty()) return 1;
  auto found = FindMatches(text, 0, end, sought, ignoreCase, false);
  return found.last == std::string_view::npos ? -1 : static_cast<int>(found.last + 1);
}

Text CharFromCode(std::uint8_t code) { return Text(1, static_cast<char>(code)); }

bool TextEquals(std::string_view a, std::string_view b) { return a == b; }

Text ToText(int value) { return Format("%d", value); }
Text ToText(std::int64_t value) { return Format("%lld", static_cast<long long>(value)); }
Text ToText(std::uint8_t value) { return Format("%u", static_cast<unsigned>(value)); }
Text ToText(float value) { return Format("%.6g", static_cast<double>(value)); }
Text ToText(double value) { return Format("%.13g", value); }
Text ToText(bool value) { return value ? "真" : "假"; }

Text ToText(ByteSpan bytes) {
  const auto* zero = static_cast<const std::uint8_t*>(std::memchr(bytes.data(), 0, bytes.size()));
  std::size_t n = zero ? static_cast<std::size_t>(zero - bytes.data()) : bytes.size();
  return Text(reinterpret_cast<const char*>(bytes.data()), n);
}

Bytes ToBytes(std::int32_t value) {
  auto u = static_cast<std::uint32_t>(value);
  return Bytes{static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u >> 16),
               static_cast<std::uint8_t>(u >> 24)};
}

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Colour MakeColor(int red, int green, int blue) {
  return (static_cast<Colour>(blue) << 16) | ((static_cast<Colour>(green) & 0xFF) << 8) | static_cast<Colour>(red);
}

}  // namespace tilvane
