#include "json_text.h"

#include "core/intake/text_encoding.h"

namespace tilvane::qiltool {

namespace {

void AppendJson(const Json& value, Text& out) {
  if (value.is_object() || value.is_array()) {
    const bool object = value.is_object();
    out += object ? '{' : '[';
    bool first = true;
    for (auto member = value.begin(); member != value.end(); ++member) {
      if (!first) out += ", ";
      first = false;
      if (object) {
        AppendJson(member.key(), out);
        out += ": ";
      }
      AppendJson(member.value(), out);
    }
    out += object ? '}' : ']';
  } else if (value.is_string()) {
    // Replaced here, byte by byte, so that the library's own handler, which
    // would fold a malformed sequence into one U+FFFD, never has to.
    const Json text = ReplaceMalformedUtf8(value.get_ref<const std::string&>());
    out += text.dump(-1, ' ', false, Json::error_handler_t::replace);
  } else {
    out += value.dump();
  }
}

}  // namespace

Text JsonText(const Json& value) {
  Text out;
  AppendJson(value, out);
  return out;
}

}  // namespace tilvane::qiltool
