#include "core/intake/icon_file.h"

#include <optional>
#include <vector>

#include "core/intake/content_kind.h"
#include "core/intake/icon_directory.h"
#include "core/intake/icon_image.h"
#include "core/intake/icon_scale.h"
#include "core/intake/pe_resources.h"
#include "core/span_reader.h"

namespace tilvane {
namespace {

// The entry for the request among those whose picture is actually there.
ErrorOr<std::size_t> ChooseAvailable(const std::vector<IconDirectoryEntry>& entries,
                                     const std::vector<bool>& available, const IconRequest& request) {
  std::vector<IconDirectoryEntry> present;
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (available[i]) {
      present.push_back(entries[i]);
      positions.push_back(i);
    }
  }
  int width = request.smallIcon ? kSmallIconSide : request.cellWidth;
  int height = request.smallIcon ? kSmallIconSide : request.cellHeight;
  std::optional<std::size_t> chosen = ChooseIconEntry(present, width, height);
  if (!chosen) return Failure{"none of the icon's pictures is in the file"};
  return positions[*chosen];
}

ErrorOr<IconPixels> ReadExecutableIcon(ByteSource& file, const IconRequest& request) {
  PeResources resources = TRY(PeResources::Open(file));
  const std::uint32_t groups = TRY(resources.Count(kResourceTypeGroupIcon));
  if (groups == 0) return Failure{kNoIconsReason};
  if (request.iconIndex < 0 || static_cast<std::uint32_t>(request.iconIndex) >= groups) {
    return Failure{kNoSuchIconReason};
  }
  const Bytes group = TRY(resources.ReadByIndex(kResourceTypeGroupIcon, static_cast<std::size_t>(request.iconIndex)));
  const std::vector<IconDirectoryEntry> entries = TRY(ParseGroupIconDirectory(group));
  std::vector<std::uint16_t> ids;
  ids.reserve(entries.size());
  for (const IconDirectoryEntry& entry : entries) ids.push_back(static_cast<std::uint16_t>(entry.location));
  std::vector<bool> available = resources.HaveIds(kResourceTypeIcon, ids);
  const std::size_t chosen = TRY(ChooseAvailable(entries, available, request));
  const auto id = static_cast<std::uint16_t>(entries[chosen].location);
  const Bytes picture = TRY(resources.ReadById(kResourceTypeIcon, id));
  return DecodeIconEntry(picture);
}

ErrorOr<IconPixels> ReadIcoIcon(ByteSource& file, const IconRequest& request) {
  if (request.iconIndex != 0) return Failure{"an icon file holds only icon 0"};
  const std::vector<IconDirectoryEntry> entries = TRY(ReadIcoDirectory(file));
  std::vector<bool> available(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const IconDirectoryEntry& entry = entries[i];
    available[i] = entry.byteCount != 0 && entry.byteCount <= kMaxIconPictureBytes &&
                   RangeFits(entry.location, entry.byteCount, file.Size());
  }
  const std::size_t chosen = TRY(ChooseAvailable(entries, available, request));
  const Bytes picture = TRY(ReadIcoPicture(file, entries[chosen]));
  return DecodeIconEntry(picture);
}

ErrorOr<void> CheckCellSize(int width, int height) {
  if (width < 1 || height < 1 || width > kMaxPngSide || height > kMaxPngSide) return Failure{"cell size out of range"};
  return {};
}

}  // namespace

IconFileKind DetectIconFileKind(ByteSource& file) {
  switch (RecogniseContent(file).ToOptional().value_or(ContentKind::kUnknown)) {
    case ContentKind::kIconFile: return IconFileKind::kIconFile;
    case ContentKind::kExecutable: return PeResources::Open(file) ? IconFileKind::kExecutable : IconFileKind::kUnknown;
    default: return IconFileKind::kUnknown;
  }
}

ErrorOr<IconPixels> ReadIconPicture(ByteSource& file, const IconRequest& request) {
  switch (TRY(RecogniseContent(file))) {
    case ContentKind::kIconFile: return ReadIcoIcon(file, request);
    case ContentKind::kExecutable: return ReadExecutableIcon(file, request);
    default: return Failure{"not an executable or icon file"};
  }
}

ErrorOr<IconPixels> ReadIconForCell(ByteSource& file, const IconRequest& request) {
  TRY(CheckCellSize(request.cellWidth, request.cellHeight));
  const IconPixels picture = TRY(ReadIconPicture(file, request));
  return ScaleIcon(picture, request.cellWidth, request.cellHeight);
}

ErrorOr<IconPixels> ReadFileIcon(const Text& path, const IconRequest& request) {
  FileByteSource file = TRY(FileByteSource::Open(path));
  return ReadIconForCell(file, request);
}

ErrorOr<IconPixels> DecodePngIcon(ByteSpan png, int width, int height) {
  TRY(CheckCellSize(width, height));
  const IconPixels picture = TRY(DecodePngImage(png, kMaxPngSide));
  return ScaleIcon(picture, width, height);
}

}  // namespace tilvane
