// Writing text as a JSON string literal.
#pragma once

#include <string_view>

#include "core/text.h"

namespace tilvane::qiltool {

// `text` in double quotes with quotes, backslashes and control characters
// escaped. Bytes that are not well-formed UTF-8 (a file name in another
// encoding) become U+FFFD, so that the output is always valid JSON.
Text JsonString(std::string_view text);

}  // namespace tilvane::qiltool
