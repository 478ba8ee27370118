// qiltool's JSON output: documents built with nlohmann-json, written on one
// line in the layout the tool has always used.
#pragma once

#include <nlohmann/json.hpp>

#include "core/text.h"

namespace tilvane::qiltool {

// A JSON value whose object members keep the order they were set in.
using Json = nlohmann::ordered_json;

// `value` on one line, with ", " between members and elements and ": " after
// each key. Bytes of strings that are not well-formed UTF-8 (a file name in
// another encoding) become U+FFFD, one per byte, so that the output is always
// valid JSON.
Text JsonText(const Json& value);

}  // namespace tilvane::qiltool
