// The thumbnail a file manager asks for (see tilvane.thumbnailer).
#include <iostream>
#include <string>

#include "commands.h"
#include "core/intake/icon_conversion.h"
#include "exit_codes.h"
#include "thumbnail.h"
#include "tool_files.h"

namespace tilvane::qiltool {

namespace {

std::optional<int> ParseSize(const Text& text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > kThumbnailMaxSize) return std::nullopt;
  return value;
}

}  // namespace

int RunThumbnail(const Arguments& args) {
  const Text& groupPath = args.operands[0];
  const Text& outPath = args.operands[1];
  int size = kThumbnailDefaultSize;
  if (std::optional<Text> text = args.Value("-s")) {
    std::optional<int> parsed = ParseSize(*text);
    if (!parsed) {
      std::cerr << "qiltool: -s needs a size in pixels from 1 to " << kThumbnailMaxSize << ", not " << *text << '\n';
      return kExitUsage;
    }
    size = *parsed;
  }
  std::optional<ImageList> list = LoadGroup(groupPath);
  if (!list) return kExitBadInput;
  std::optional<IconPixels> picture = DrawThumbnail(*list, PlanThumbnail(*list, size));
  std::optional<Bytes> png = picture ? EncodePngIcon(*picture) : std::nullopt;
  if (!png) {
    Report(groupPath, "the thumbnail could not be drawn");
    return kExitBadInput;
  }
  if (!WriteOutput(outPath, *png)) return kExitWriteFailed;
  std::cout << outPath << '\n';
  return kExitOk;
}

}  // namespace tilvane::qiltool
