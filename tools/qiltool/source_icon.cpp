#include "source_icon.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string>

#include "core/intake/byte_source.h"
#include "core/intake/icon_file.h"
#include "core/intake/icon_image.h"
#include "core/intake/icon_scale.h"
#include "core/intake/pe_resources.h"
#include "core/intake/shortcut.h"
#include "core/intake/text_encoding.h"
#include "core/platform/files.h"

namespace tilvane::qiltool {

namespace {

constexpr std::array<std::uint8_t, 20> kShellLinkStart = {0x4C, 0x00, 0x00, 0x00, 0x01, 0x14, 0x02,
                                                           0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00,
                                                           0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// Shell links and PNG sources are read whole; nothing genuine comes near this.
constexpr std::uint64_t kMaxWholeSourceBytes = 256ull << 20;

// The whole source, or nothing with `reason` set.
std::optional<Bytes> ReadWhole(FileByteSource& file, Text& reason) {
  if (file.Size() > kMaxWholeSourceBytes) {
    reason = "too large (over 256 MiB)";
    return std::nullopt;
  }
  std::optional<Bytes> bytes = file.Read(0, file.Size());
  if (!bytes) reason = "cannot be read";
  return bytes;
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

// Why an executable or icon file gave no picture.
Text MissingIconReason(ByteSource& file, IconFileKind kind, const SourceRequest& request) {
  if (kind == IconFileKind::kIconFile) {
    if (request.iconIndex != 0) return "an icon file holds only icon 0";
    return "icon file is damaged";
  }
  std::optional<PeResources> resources = PeResources::Open(file);
  if (resources && request.iconIndex >= 0 &&
      !resources->ReadByIndex(kResourceTypeGroupIcon, static_cast<std::size_t>(request.iconIndex))) {
    return request.iconIndex == 0 ? "has no icons" : "has no icon " + std::to_string(request.iconIndex);
  }
  return "icon " + std::to_string(request.iconIndex) + " is damaged";
}

std::optional<SourceIcon> ReadFileSource(const Text& path, const SourceRequest& request, Text& reason, int depth);

std::optional<SourceIcon> ReadShortcutSource(FileByteSource& file, const SourceRequest& request, Text& reason,
                                             int depth) {
  std::optional<Bytes> bytes = ReadWhole(file, reason);
  if (!bytes) return std::nullopt;
  Text target = CutUtf8(ParseShortcutTarget(*bytes), kMaxShortcutTargetBytes);
  if (target.empty()) {
    reason = "shortcut has no file target";
    return std::nullopt;
  }
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
  std::optional<IconPixels> picture = DecodePngImage(*bytes, kMaxPngSide);
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
  std::optional<FileByteSource> file = FileByteSource::Open(path);
  if (!file) {
    reason = "cannot be read";
    return std::nullopt;
  }
  Bytes start(std::min<std::uint64_t>(file->Size(), kShellLinkStart.size()));
  if (!file->ReadAt(0, start)) {
    reason = "cannot be read";
    return std::nullopt;
  }
  if (IsShellLinkData(start)) return ReadShortcutSource(*file, request, reason, depth);
  if (IsPngData(start)) return ReadPngSource(*file, request, reason);

  IconFileKind kind = DetectIconFileKind(*file);
  if (kind == IconFileKind::kUnknown) {
    if (start.size() >= 4 && std::equal(start.begin(), start.begin() + 4, "MITL")) {
      reason = "is an image group; use qiltool merge to take in its images";
    } else if (IsMzHeader(start)) {
      reason = "an executable without resources, or not a 32- or 64-bit one";
    } else {
      reason = "not an executable, library, icon file, PNG or shortcut";
    }
    return std::nullopt;
  }
  IconRequest iconRequest;
  iconRequest.iconIndex = request.iconIndex;
  iconRequest.cellWidth = request.cellWidth;
  iconRequest.cellHeight = request.cellHeight;
  iconRequest.smallIcon = request.smallIcon;
  std::optional<IconPixels> picture = ReadIconPicture(*file, iconRequest);
  if (!picture) {
    reason = MissingIconReason(*file, kind, request);
    return std::nullopt;
  }
  return Fit(*picture, request, "icon " + std::to_string(request.iconIndex) + ", ");
}

}  // namespace

bool IsShellLinkData(ByteSpan bytes) {
  return bytes.size() >= kShellLinkStart.size() && std::equal(kShellLinkStart.begin(), kShellLinkStart.end(), bytes.begin());
}

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
