#include <cstdio>
#include <iostream>
#include <string>

#include "commands.h"
#include "core/imagegroup/codec.h"
#include "exit_codes.h"
#include "group_edits.h"
#include "json_text.h"
#include "tool_files.h"

namespace tilvane::qiltool {

namespace {

constexpr std::uint32_t kNoBackground = 0xFFFFFFFF;
constexpr std::uint32_t kNoKeyColour = 0xFF000000;

// The container's colour word, which the decoder skips.
std::uint32_t KeyColourWord(const Bytes& bytes) {
  return bytes[4] | std::uint32_t{bytes[5]} << 8 | std::uint32_t{bytes[6]} << 16 | std::uint32_t{bytes[7]} << 24;
}

Text Hex(std::uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
  return buffer;
}

// "none" for the word that means no colour, RRGGBB for a colour, and the raw
// word for anything else a foreign writer may have stored.
Text ColourWordText(std::uint32_t word, std::uint32_t none) {
  if (word == none) return "none";
  return (word >> 24) == 0 ? ColourText(word) : Hex(word, 8);
}

Json ColourWordJson(std::uint32_t word, std::uint32_t none) {
  return word == none ? Json(nullptr) : Json(ColourWordText(word, none));
}

Text DepthText(const ImageList& list) {
  Text text = std::to_string(list.bitsPerPixel) + " bits";
  if ((list.flags & kDepthCodeBits) == 0) text += " (display default)";
  return text;
}

Text OverlaysText(const ImageList& list) {
  Text text;
  bool any = false;
  for (std::int16_t overlay : list.overlays) {
    if (overlay != -1) any = true;
    text += (text.empty() ? "" : " ") + std::to_string(overlay);
  }
  return any ? text : Text("none");
}

void PrintText(const Text& path, const ImageGroupShape& shape, std::uint32_t keyWord) {
  const ImageList& list = shape.header;
  std::cout << path << '\n'
            << "  version       " << Hex(list.version, 4) << '\n'
            << "  images        " << shape.imageCount << '\n'
            << "  capacity      " << list.capacity << '\n'
            << "  grow step     " << list.growStep << '\n'
            << "  tile size     " << list.tileWidth << 'x' << list.tileHeight << '\n'
            << "  colour depth  " << DepthText(list) << '\n'
            << "  mask          " << (list.HasMask() ? "yes" : "no") << '\n'
            << "  background    " << ColourWordText(list.backColour, kNoBackground) << '\n'
            << "  overlays      " << OverlaysText(list) << '\n'
            << "  key colour    " << ColourWordText(keyWord, kNoKeyColour) << '\n';
}

void PrintJson(const Text& path, const ImageGroupShape& shape, std::uint32_t keyWord) {
  const ImageList& list = shape.header;
  Json info;
  info["file"] = path;
  info["version"] = list.version;
  info["images"] = shape.imageCount;
  info["capacity"] = list.capacity;
  info["growStep"] = list.growStep;
  info["tileWidth"] = list.tileWidth;
  info["tileHeight"] = list.tileHeight;
  info["bitsPerPixel"] = list.bitsPerPixel;
  info["depthCode"] = list.flags & kDepthCodeBits;
  info["mask"] = list.HasMask();
  info["background"] = ColourWordJson(list.backColour, kNoBackground);
  info["overlays"] = Json::array();
  for (std::int16_t overlay : list.overlays) info["overlays"].push_back(overlay);
  info["keyColour"] = ColourWordJson(keyWord, kNoKeyColour);
  std::cout << JsonText(info) << '\n';
}

}  // namespace

int RunInfo(const Arguments& args) {
  const Text& path = args.operands[0];
  std::optional<Bytes> bytes = ReadInput(path);
  if (!bytes) return kExitBadInput;
  // The headers are all it prints, so no pixel is decoded: a group of huge
  // tiles costs no more than its bytes.
  ErrorOr<ImageGroupShape> shape = CheckImageGroup(*bytes);
  if (!shape) {
    Report(path, shape.reason());
    return kExitBadInput;
  }
  // A checked group is longer than its 8-byte container header.
  const std::uint32_t keyWord = KeyColourWord(*bytes);
  if (args.Has("--json")) {
    PrintJson(path, *shape, keyWord);
  } else {
    PrintText(path, *shape, keyWord);
  }
  // Its header is sound, but the other commands and the editor cannot hold it.
  if (!WithinDecodeLimit(*shape)) Report(path, kTooLargeReason);
  return kExitOk;
}

}  // namespace tilvane::qiltool
