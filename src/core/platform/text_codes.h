// Conversions between the program's own text encoding (UTF-8) and the
// encodings that the system or foreign files use. One implementation per
// platform: text_codes_posix.cpp (iconv) and text_codes_win32.cpp (the
// system's code-page conversions).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/text.h"

namespace tilvane::platform {

// GBK (code page 936) bytes as UTF-8; nothing when they are not GBK.
std::optional<Text> GbkToUtf8(ByteSpan bytes);

#ifdef _WIN32
// UTF-8 as the UTF-16 the system's wide calls take; nothing for bytes that
// are not UTF-8.
std::optional<std::wstring> Utf8ToWide(std::string_view utf8);
// UTF-16 from the system as UTF-8 (an unpaired surrogate becomes U+FFFD).
Text WideToUtf8(std::wstring_view wide);
#endif

}  // namespace tilvane::platform
