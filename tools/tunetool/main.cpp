// tunetool events FILE.mid    the stream events of one pass, in playing order
// tunetool buffers FILE.mid   the bytes of each stream buffer of one pass, one
//                             buffer a line in hex, in the order they are queued
// tunetool render FILE.mid OUT.wav   one pass rendered offline through FluidSynth
#include <cstdio>
#include <cstring>
#include <string>

#include "core/files.h"
#include "core/music/offline_render.h"
#include "core/music/smf.h"
#include "core/music/stream_listing.h"
#include "event_text.h"
#include "wav_file.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: tunetool events FILE.mid\n"
               "       tunetool buffers FILE.mid\n"
               "       tunetool render FILE.mid OUT.wav\n");
  return 2;
}

// The file, or nothing after saying why.
bool ReadTune(const char* path, tilvane::Bytes& tune) {
  tune = tilvane::ReadFileBytes(path);
  if (tune.empty()) {
    std::fprintf(stderr, "tunetool: cannot read %s\n", path);
    return false;
  }
  tilvane::ErrorOr<tilvane::SmfFile> smf = tilvane::ReadSmf(tune);
  if (!smf) {
    std::fprintf(stderr, "tunetool: %s: %s\n", path, smf.reason());
    return false;
  }
  return true;
}

// One pass of the file on the virtual device, or nothing after saying why.
std::optional<tilvane::StreamListing> ListTune(const char* path) {
  tilvane::Bytes tune;
  if (!ReadTune(path, tune)) return std::nullopt;
  std::optional<tilvane::StreamListing> listing = tilvane::ListStreamEvents(tune);
  if (!listing) {
    std::fprintf(stderr, "tunetool: %s: nothing to play (a broken first event or no channel events)\n", path);
  }
  return listing;
}

int Events(const char* path) {
  std::optional<tilvane::StreamListing> listing = ListTune(path);
  if (!listing) return 1;
  std::printf("# tick\tdelta\tms\tevent\n");
  for (const tilvane::PlayedEvent& event : listing->events) {
    std::printf("%llu\t%u\t%.1f\t%s\n", static_cast<unsigned long long>(event.tick), event.delta, event.timeMs,
                tilvane::DescribeStreamEvent(event.event).c_str());
  }
  return 0;
}

int Buffers(const char* path) {
  std::optional<tilvane::StreamListing> listing = ListTune(path);
  if (!listing) return 1;
  std::string line;
  for (const tilvane::Bytes& buffer : listing->buffers) {
    line.clear();
    for (std::uint8_t byte : buffer) {
      static constexpr char kDigits[] = "0123456789abcdef";
      line += kDigits[byte >> 4];
      line += kDigits[byte & 15];
    }
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

int Render(const char* path, const char* wavPath) {
  tilvane::Bytes tune;
  if (!ReadTune(path, tune)) return 1;
  tilvane::WavFile wav;
  tilvane::OfflineRenderOptions options;
  if (!wav.Create(wavPath, static_cast<int>(options.sampleRate))) {
    std::fprintf(stderr, "tunetool: cannot write %s\n", wavPath);
    return 1;
  }
  auto result = tilvane::RenderTuneOffline(
      tune, options, [&](const float* left, const float* right, int frames) { wav.Write(left, right, frames); });
  if (!result) {
    // Only our own unfinished file goes; whatever was at OUT.wav stays.
    wav.Discard();
    std::fprintf(stderr, "tunetool: %s: could not render (no soundfont, or nothing to play)\n", path);
    return 1;
  }
  bool written = wav.Finish();
  if (!written) {
    std::fprintf(stderr, "tunetool: writing %s failed\n", wavPath);
    return 1;
  }
  std::printf("%s: pass of %.2f s%s, %.2f s written\n", wavPath,
              static_cast<double>(result->passFrames) / result->sampleRate, result->passEnded ? "" : " (cut off)",
              static_cast<double>(result->frames) / result->sampleRate);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "events") == 0) return Events(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "buffers") == 0) return Buffers(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "render") == 0) return Render(argv[2], argv[3]);
  return Usage();
}
