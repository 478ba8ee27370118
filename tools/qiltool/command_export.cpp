// Writing images out of a group: one as BMP or PNG, or every one into a folder.
#include <cctype>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "commands.h"
#include "core/export/picture.h"
#include "core/imagegroup/codec.h"
#include "core/intake/icon_conversion.h"
#include "exit_codes.h"
#include "group_edits.h"
#include "tool_files.h"

namespace tilvane::qiltool {

namespace {

enum class PictureFormat { kBmp, kPng };

constexpr Colour kWhite = 0x00FFFFFF;

std::optional<PictureFormat> FormatOf(const Text& path) {
  if (path.size() < 4) return std::nullopt;
  Text suffix = path.substr(path.size() - 4);
  for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (suffix == ".bmp") return PictureFormat::kBmp;
  if (suffix == ".png") return PictureFormat::kPng;
  return std::nullopt;
}

// The fill colour option, white when absent; nothing after a usage message.
std::optional<Colour> FillOption(const Arguments& args) {
  std::optional<Text> text = args.Value("--fill");
  if (!text) return kWhite;
  std::optional<Colour> colour = ParseFillColour(*text);
  if (!colour) std::cerr << "qiltool: --fill needs a colour RRGGBB, such as FF00FF, not " << *text << '\n';
  return colour;
}

// Image `index` in the chosen format; the BMP is exactly the one the editor's
// export writes. Empty bytes only if encoding fails.
Bytes Picture(const Bytes& group, const ImageList& list, std::size_t index, PictureFormat format, Colour fill) {
  if (format == PictureFormat::kBmp) return ImageGroupPicture(group, static_cast<int>(index), fill);
  std::optional<IconPixels> picture = FromGroupImage(list, index);
  if (!picture) return {};
  return EncodePngIcon(*picture).value_or(Bytes{});
}

struct LoadedGroup {
  Bytes bytes;
  ImageList list;
};

std::optional<LoadedGroup> LoadGroupWithBytes(const Text& path) {
  std::optional<Bytes> bytes = ReadInput(path);
  if (!bytes) return std::nullopt;
  ErrorOr<ImageList> list = DecodeImageGroup(*bytes);
  if (!list) {
    Report(path, list.reason());
    return std::nullopt;
  }
  return LoadedGroup{std::move(*bytes), std::move(*list)};
}

Text NumberedName(std::size_t index, std::size_t count, PictureFormat format) {
  // Wide enough for the last index, so that the names sort in image order.
  std::size_t width = std::to_string(count == 0 ? 0 : count - 1).size();
  if (width < 3) width = 3;
  Text digits = std::to_string(index);
  return Text(width - digits.size(), '0') + digits + (format == PictureFormat::kBmp ? ".bmp" : ".png");
}

}  // namespace

int RunExport(const Arguments& args) {
  const Text& groupPath = args.operands[0];
  const Text& outPath = args.operands[2];
  std::optional<std::size_t> index = ParseIndex(args.operands[1]);
  if (!index) {
    std::cerr << "qiltool: not an image index: " << args.operands[1] << '\n';
    return kExitUsage;
  }
  std::optional<PictureFormat> format = FormatOf(outPath);
  if (!format) {
    std::cerr << "qiltool: the output name must end in .bmp or .png: " << outPath << '\n';
    return kExitUsage;
  }
  if (*format == PictureFormat::kPng && args.Value("--fill")) {
    std::cerr << "qiltool: --fill is for BMP output; a PNG keeps transparency as alpha\n";
    return kExitUsage;
  }
  std::optional<Colour> fill = FillOption(args);
  if (!fill) return kExitUsage;

  std::optional<LoadedGroup> group = LoadGroupWithBytes(groupPath);
  if (!group) return kExitBadInput;
  if (*index >= group->list.ImageCount()) {
    Report(groupPath, "no image " + std::to_string(*index) + " (the group holds " +
                          std::to_string(group->list.ImageCount()) + ")");
    return kExitBadInput;
  }
  Bytes picture = Picture(group->bytes, group->list, *index, *format, *fill);
  if (picture.empty()) {
    Report(outPath, "the picture could not be encoded");
    return kExitWriteFailed;
  }
  if (!WriteOutput(outPath, picture)) return kExitWriteFailed;
  std::cout << outPath << '\n';
  return kExitOk;
}

int RunExportAll(const Arguments& args) {
  const Text& groupPath = args.operands[0];
  const Text& folder = args.operands[1];
  const PictureFormat format = args.Has("--bmp") ? PictureFormat::kBmp : PictureFormat::kPng;
  if (format == PictureFormat::kPng && args.Value("--fill")) {
    std::cerr << "qiltool: --fill is for BMP output (--bmp); a PNG keeps transparency as alpha\n";
    return kExitUsage;
  }
  std::optional<Colour> fill = FillOption(args);
  if (!fill) return kExitUsage;

  std::optional<LoadedGroup> group = LoadGroupWithBytes(groupPath);
  if (!group) return kExitBadInput;

  // The folder's name is UTF-8 on every platform.
  const std::filesystem::path folderPath(std::u8string(folder.begin(), folder.end()));
  std::error_code error;
  std::filesystem::create_directories(folderPath, error);
  if (error || !std::filesystem::is_directory(folderPath)) {
    Report(folder, "cannot make the folder: " + (error ? error.message() : Text("a file of that name is in the way")));
    return kExitWriteFailed;
  }
  const std::size_t count = group->list.ImageCount();
  for (std::size_t i = 0; i < count; ++i) {
    const Text path = folder + (folder.back() == '/' ? "" : "/") + NumberedName(i, count, format);
    Bytes picture = Picture(group->bytes, group->list, i, format, *fill);
    if (picture.empty()) {
      Report(path, "the picture could not be encoded");
      return kExitWriteFailed;
    }
    if (!WriteOutput(path, picture)) return kExitWriteFailed;
    std::cout << path << '\n';
  }
  if (count == 0) Report(groupPath, "holds no images; nothing written");
  return kExitOk;
}

}  // namespace tilvane::qiltool
