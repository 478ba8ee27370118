// The shell-link reader: empty text or a well-formed UTF-8 target.
#include <cstdint>
#include <cstdlib>

#include "core/intake/shortcut.h"
#include "core/intake/text_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tilvane::Text target = tilvane::ParseShortcutTarget(tilvane::ByteSpan(data, size));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(target.data());
  if (!tilvane::IsValidUtf8(tilvane::ByteSpan(bytes, target.size()))) std::abort();
  return 0;
}
