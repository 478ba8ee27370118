// Writes the application icon: the default group's placeholder picture as a
// PNG with its mask as alpha.
//   make_app_icon OUT.png
#include <cstdio>
#include <fstream>

#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"
#include "core/intake/icon_conversion.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_app_icon OUT.png\n");
    return 2;
  }
  auto list = tilvane::DecodeImageGroup(tilvane::DefaultImageGroup());
  auto picture = list ? tilvane::FromGroupImage(*list, 0) : std::nullopt;
  auto png = picture ? tilvane::EncodePngIcon(*picture) : std::nullopt;
  if (!png) {
    std::fprintf(stderr, "make_app_icon: the default group's picture did not encode\n");
    return 1;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
  return out ? 0 : 1;
}
