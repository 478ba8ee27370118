#include <windows.h>

#include <climits>

#include "core/platform/text_codes.h"

namespace tilvane::platform {

namespace {

// The text of code page `codePage` as UTF-16; nothing for bytes invalid in it.
std::optional<std::wstring> ToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return std::wstring();
  if (text.size() > INT_MAX) return std::nullopt;
  const int length = static_cast<int>(text.size());
  int units = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), units) != units) {
    return std::nullopt;
  }
  return wide;
}

}  // namespace

std::optional<Text> GbkToUtf8(ByteSpan bytes) {
  std::optional<std::wstring> wide = ToWide(936, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  if (!wide) return std::nullopt;
  return WideToUtf8(*wide);
}

std::optional<std::wstring> Utf8ToWide(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }

Text WideToUtf8(std::wstring_view wide) {
  if (wide.empty() || wide.size() > INT_MAX / 4) return {};
  const int length = static_cast<int>(wide.size());
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  Text text(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), bytes, nullptr, nullptr);
  return text;
}

}  // namespace tilvane::platform
