// Writes the seed corpus of imagegroup_decode_fuzz into the folder given on
// the command line: the default group, small generated groups at each depth,
// and a truncated one. Kept small so that mutations stay cheap.
#include <cstdio>
#include <string>

#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup/default_group.h"
#include "core/imagegroup_test_groups.h"

int main(int argc, char** argv) {
  using namespace tilvane;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  int failures = 0;
  auto write = [&](const std::string& name, const Bytes& bytes) {
    if (!WriteFileBytes(folder + name, bytes)) ++failures;
  };
  write("default_group.qil", DefaultImageGroup());
  for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    testing::GroupShape shape{.tileWidth = 5,
                              .tileHeight = 3,
                              .bitsPerPixel = bits,
                              .mask = bits != 16,
                              .images = 5,
                              .capacity = 6,
                              .depthCodeZero = bits == 1 || bits == 24};
    write("depth" + std::to_string(bits) + ".qil", *EncodeImageGroup(testing::MakeList(shape, bits)));
  }
  const Bytes odd = *EncodeImageGroup(testing::MakeList({.tileWidth = 15, .tileHeight = 7, .images = 2}));
  write("odd_tiles.qil", odd);
  write("truncated.qil", Bytes(odd.begin(), odd.begin() + static_cast<std::ptrdiff_t>(odd.size() / 2)));
  write("empty_group.qil", *EncodeImageGroup(testing::MakeList({.images = 0, .capacity = 0})));
  return failures == 0 ? 0 : 1;
}
