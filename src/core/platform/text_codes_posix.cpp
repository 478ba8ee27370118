#include <iconv.h>

#include "core/platform/text_codes.h"

namespace tilvane::platform {

std::optional<Text> GbkToUtf8(ByteSpan bytes) {
  iconv_t converter = ::iconv_open("UTF-8", "GBK");
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  Text in(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  // Every GBK character takes at most three UTF-8 bytes per two input bytes.
  Text out(in.size() * 2 + 4, '\0');
  char* inPointer = in.data();
  std::size_t inLeft = in.size();
  char* outPointer = out.data();
  std::size_t outLeft = out.size();
  std::size_t result = ::iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
  ::iconv_close(converter);
  if (result == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace tilvane::platform
