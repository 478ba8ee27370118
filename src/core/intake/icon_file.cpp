#include "core/intake/icon_file.h"

#include <vector>

#include "core/intake/icon_directory.h"
#include "core/intake/icon_image.h"
#include "core/intake/icon_scale.h"
#include "core/intake/pe_resources.h"
#include "core/span_reader.h"

namespace tilvane {
namespace {

// The entry for the request among those whose picture is actually there.
std::optional<std::size_t> ChooseAvailable(const std::vector<IconDirectoryEntry>& entries,
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
  if (!chosen) return std::nullopt;
  return positions[*chosen];
}

std::optional<IconPixels> ReadExecutableIcon(ByteSource& file, const IconRequest& request) {
  std::optional<PeResources> resources = PeResources::Open(file);
  if (!resources || request.iconIndex < 0) return std::nullopt;
  std::optional<Bytes> group =
      resources->ReadByIndex(kResourceTypeGroupIcon, static_cast<std::size_t>(request.iconIndex));
  if (!group) return std::nullopt;
  std::optional<std::vector<IconDirectoryEntry>> entries = ParseGroupIconDirectory(*group);
  if (!entries) return std::nullopt;
  std::vector<std::uint16_t> ids;
  for (const IconDirectoryEntry& entry : *entries) ids.push_back(static_cast<std::uint16_t>(entry.location));
  std::vector<bool> available = resources->HaveIds(kResourceTypeIcon, ids);
  std::optional<std::size_t> chosen = ChooseAvailable(*entries, available, request);
  if (!chosen) return std::nullopt;
  std::optional<Bytes> picture =
      resources->ReadById(kResourceTypeIcon, static_cast<std::uint16_t>((*entries)[*chosen].location));
  if (!picture) return std::nullopt;
  return DecodeIconEntry(*picture);
}

std::optional<IconPixels> ReadIcoIcon(ByteSource& file, const IconRequest& request) {
  if (request.iconIndex != 0) return std::nullopt;
  std::optional<std::vector<IconDirectoryEntry>> entries = ReadIcoDirectory(file);
  if (!entries) return std::nullopt;
  std::vector<bool> available(entries->size());
  for (std::size_t i = 0; i < entries->size(); ++i) {
    const IconDirectoryEntry& entry = (*entries)[i];
    available[i] = entry.byteCount != 0 && entry.byteCount <= kMaxIconPictureBytes &&
                   RangeFits(entry.location, entry.byteCount, file.Size());
  }
  std::optional<std::size_t> chosen = ChooseAvailable(*entries, available, request);
  if (!chosen) return std::nullopt;
  std::optional<Bytes> picture = ReadIcoPicture(file, (*entries)[*chosen]);
  if (!picture) return std::nullopt;
  return DecodeIconEntry(*picture);
}

bool CellSizeAcceptable(int width, int height) {
  return width >= 1 && height >= 1 && width <= kMaxPngSide && height <= kMaxPngSide;
}

}  // namespace

IconFileKind DetectIconFileKind(ByteSource& file) {
  std::optional<Bytes> start = file.Read(0, 6);
  if (!start) return IconFileKind::kUnknown;
  if (IsIconDirectoryHeader(*start)) return IconFileKind::kIconFile;
  if (IsMzHeader(*start) && PeResources::Open(file)) return IconFileKind::kExecutable;
  return IconFileKind::kUnknown;
}

std::optional<IconPixels> ReadIconPicture(ByteSource& file, const IconRequest& request) {
  std::optional<Bytes> start = file.Read(0, 6);
  if (!start) return std::nullopt;
  if (IsIconDirectoryHeader(*start)) return ReadIcoIcon(file, request);
  if (IsMzHeader(*start)) return ReadExecutableIcon(file, request);
  return std::nullopt;
}

std::optional<IconPixels> ReadIconForCell(ByteSource& file, const IconRequest& request) {
  if (!CellSizeAcceptable(request.cellWidth, request.cellHeight)) return std::nullopt;
  std::optional<IconPixels> picture = ReadIconPicture(file, request);
  if (!picture) return std::nullopt;
  return ScaleIcon(*picture, request.cellWidth, request.cellHeight);
}

std::optional<IconPixels> ReadFileIcon(const Text& path, const IconRequest& request) {
  std::optional<FileByteSource> file = FileByteSource::Open(path);
  if (!file) return std::nullopt;
  return ReadIconForCell(*file, request);
}

std::optional<IconPixels> DecodePngIcon(ByteSpan png, int width, int height) {
  if (!CellSizeAcceptable(width, height)) return std::nullopt;
  std::optional<IconPixels> picture = DecodePngImage(png, kMaxPngSide);
  if (!picture) return std::nullopt;
  return ScaleIcon(*picture, width, height);
}

}  // namespace tilvane
