// Writes files built to be slow or large to read, for measuring by hand and
// as fuzz seeds:
//   hostile_files DIR            the executable of one picture listed 65,535
//                                times (2 MB), the group of sixteen
//                                4096 x 4096 tiles (64 MB) and one of four
//                                such tiles (16 MB, at the decode limit)
//   hostile_files --seeds CORPUS smaller files of the same shapes into the
//                                fuzz corpora under CORPUS (fuzz/corpus)
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/crafted_pe.h"
#include "support/large_group.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool Write(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) std::fprintf(stderr, "hostile_files: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

// An icon file whose directory lists `entries` pictures, all the same 32 x 32
// one, and whose last entry claims `lastSize` bytes.
Bytes ManyEntryIcon(std::uint32_t entries, std::uint32_t lastSize) {
  Bytes out;
  auto put16 = [&](std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto put32 = [&](std::uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  const Bytes picture = tilvane::testing::crafted_detail::Picture();
  put16(0);
  put16(1);
  put16(entries);
  const std::uint32_t at = 6 + 16 * entries;
  for (std::uint32_t e = 0; e < entries; ++e) {
    out.insert(out.end(), {32, 32, 0, 0});
    put16(1);
    put16(32);
    put32(e + 1 == entries ? lastSize : static_cast<std::uint32_t>(picture.size()));
    put32(at);
  }
  out.insert(out.end(), picture.begin(), picture.end());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tilvane::testing;
  bool ok = true;
  if (argc == 3 && std::strcmp(argv[1], "--seeds") == 0) {
    const std::string corpus = std::string(argv[2]) + "/";
    ok &= Write(corpus + "pe_icon_fuzz/one_id_65535_times.exe", MakeCraftedPe(OneIdManyTimes()));
    ok &= Write(corpus + "pe_icon_fuzz/300_distinct_pictures.exe",
                MakeCraftedPe({.groupEntries = 300, .distinctPictures = 300}));
    ok &= Write(corpus + "pe_icon_fuzz/96_sections_deep.exe",
                MakeCraftedPe({.groupEntries = 8, .extraSections = 95, .resourceOffset = 1u << 20, .gap = 1u << 19}));
    ok &= Write(corpus + "ico_fuzz/65535_entries.ico", ManyEntryIcon(65535, 17u << 20));
    ok &= Write(corpus + "imagegroup_decode_fuzz/large_tiles.qil", LargeOneBitGroup(1, 1024, true));
    return ok ? 0 : 1;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR | --seeds CORPUS\n", argv[0]);
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  ok &= Write(folder + "one_id_65535_times.exe", MakeCraftedPe(OneIdManyTimes()));
  ok &= Write(folder + "sixteen_4096_tiles.qil", SixteenHugeTiles());
  ok &= Write(folder + "four_4096_tiles.qil", LargeOneBitGroup(4, 4096, true));  // just at the decode limit
  return ok ? 0 : 1;
}
