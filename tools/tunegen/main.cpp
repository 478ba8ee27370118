// tunegen OUT.mid: writes the background tune. The build embeds the committed
// copy under src/core/music/; a test checks that it equals a fresh generation.
#include <cstdio>

#include "compose.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tunegen OUT.mid\n");
    return 2;
  }
  tilvane::Bytes tune = tilvane::ComposeBackgroundTune();
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::fprintf(stderr, "tunegen: cannot write %s\n", argv[1]);
    return 1;
  }
  bool ok = std::fwrite(tune.data(), 1, tune.size(), out) == tune.size();
  ok = std::fclose(out) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "tunegen: writing %s failed\n", argv[1]);
    return 1;
  }
  return 0;
}
