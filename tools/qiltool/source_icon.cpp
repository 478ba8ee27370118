#include "source_icon.h"

#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "core/intake/byte_source.h"
#include "core/intake/content_kind.h"
#include "core/intake/icon_file.h"
#include "core/intake/icon_image.h"
#include "core/intake/icon_scale.h"
#include "core/intake/shortcut.h"
#include "core/platform/files.h"

namespace tilvane::qiltool {

namespace {

// Shell links and PNG sources are read whole; nothing genuine comes near this.
constexpr std::uint64_t kMaxWholeSourceBytes = 256ull << 20;

// The whole source, or nothing with `reason` set.
std::optional<Bytes> ReadWhole(FileByteSource& file, Text& reason) {
  if (file.Size() > kMaxWholeSourceBytes) {
    reason = "too large (over 256 MiB)";
    return std::nullopt;
  }
  ErrorOr<Bytes> bytes = file.Read(0, file.Size());
  if (!bytes) reason = bytes.reason();
  return std::move(bytes).ToOptional();
}

Text SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

// Fits `picture` into the cell and says how.
SourceIcon Fit(const IconPixels& picture, const SourceRequest& request, Text what) {
  SourceIcon result;
  what += SizeText(picture.width, picture.height) + " picture";
  if (picture.width != request.cellWidth || picture.height != request.cellHeight) {
    what += " scaled to " + SizeText(request.cellWidth, request.cellHeight);
  }
  result.picture = ScaleIcon(picture, request.cellWidth, request.cellHeight);
  result.description = std::move(what);
  return result;
}

// The reader's reason for an icon that could not be read, with the icon's
// number where the reason stands for it.
Text IconReason(const char* reason, int iconIndex) {
  if (std::string_view(reason) == kNoSuchIconReason) return "has no icon " + std::to_string(iconIndex);
  return reason;
}

std::optional<SourceIcon> ReadFileSource(const Text& path, const SourceRequest& request, Text& reason, int depth);

std::optional<SourceIcon> ReadShortcutSource(FileByteSource& file, const SourceRequest& request, Text& reason,
                                             int depth) {
  std::optional<Bytes> bytes = ReadWhole(file, reason);
  if (!bytes) return std::nullopt;
  ErrorOr<Text> stored = ShortcutFileTarget(*bytes);
  if (!stored) {
    reason = stored.reason();
    return std::nullopt;
  }
  const Text& target = *stored;
  if (depth > 0) {
    reason = "shortcut points at another shortcut";
    return std::nullopt;
  }
  Text targetReason;
  std::optional<SourceIcon> icon = ReadFileSource(target, request, targetReason, depth + 1);
  if (!icon) {
    reason = "target " + target + ": " + targetReason;
    return std::nullopt;
  }
  icon->description = "target " + target + ", " + icon->description;
  return icon;
}

std::optional<SourceIcon> ReadPngSource(FileByteSource& file, const SourceRequest& request, Text& reason) {
  if (request.iconIndex != 0) {
    reason = "a PNG holds only image 0";
    return std::nullopt;
  }
  std::optional<Bytes> bytes = ReadWhole(file, reason);
  if (!bytes) return std::nullopt;
  // The decoder cannot tell a damaged PNG from one past the size limit, so
  // the user is told both, with the limit.
  ErrorOr<IconPixels> picture = DecodePngImage(*bytes, kMaxPngSide);
  if (!picture) {
    reason = "PNG is damaged or larger than " + std::to_string(kMaxPngSide) + " pixels";
    return std::nullopt;
  }
  return Fit(*picture, request, "PNG, ");
}

std::optional<SourceIcon> ReadFileSource(const Text& path, const SourceRequest& request, Text& reason, int depth) {
  int error = 0;
  platform::PathKind pathKind = platform::KindOfPath(path, &error);
  if (pathKind == platform::PathKind::kNothing) {
    reason = std::strerror(error);
    return std::nullopt;
  }
  if (pathKind == platform::PathKind::kFolder) {
    reason = "is a folder, not a file";
    return std::nullopt;
  }
  ErrorOr<FileByteSource> file = FileByteSource::Open(path);
  if (!file) {
    reason = file.reason();
    return std::nullopt;
  }
  ErrorOr<ContentKind> kind = RecogniseContent(*file);
  if (!kind) {
    reason = kind.reason();
    return std::nullopt;
  }
  switch (*kind) {
    case ContentKind::kShellLink: return ReadShortcutSource(*file, request, reason, depth);
    case ContentKind::kPng: return ReadPngSource(*file, request, reason);
    case ContentKind::kExecutable:
    case ContentKind::kIconFile: break;
    case ContentKind::kImageGroup:
      reason = "is an image group; use qiltool merge to take in its images";
      return std::nullopt;
    case ContentKind::kUnknown:
      reason = "not an executable, library, icon file, PNG or shortcut";
      return std::nullopt;
  }
  IconRequest iconRequest;
  iconRequest.iconIndex = request.iconIndex;
  iconRequest.cellWidth = request.cellWidth;
  iconRequest.cellHeight = request.cellHeight;
  iconRequest.smallIcon = request.smallIcon;
  ErrorOr<IconPixels> picture = ReadIconPicture(*file, iconRequest);
  if (!picture) {
    reason = IconReason(picture.reason(), request.iconIndex);
    return std::nullopt;
  }
  return Fit(*picture, request, "icon " + std::to_string(request.iconIndex) + ", ");
}

}  // namespace

std::optional<SourceIcon> ReadSourceIcon(const Text& path, const SourceRequest& request, Text& reason) {
  if (request.cellWidth < 1 || request.cellHeight < 1 || request.cellWidth > kMaxCellSide ||
      request.cellHeight > kMaxCellSide) {
    reason = "the group's cells are not 1 to " + std::to_string(kMaxCellSide) + " pixels on each side";
    return std::nullopt;
  }
  if (path.empty()) {
    reason = "empty file name";
    return std::nullopt;
  }
  return ReadFileSource(path, request, reason, 0);
}

}  // namespace tilvane::qiltool
