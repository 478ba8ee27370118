#include "core/intake/icon_directory.h"

#include <algorithm>
#include <cstdlib>

#include "core/span_reader.h"

namespace tilvane {
namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kIcoEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::uint16_t kTypeIcon = 1;

int SideFromByte(std::uint8_t stored) { return stored == 0 ? 256 : stored; }

int BitsFromColourCount(std::uint8_t colours) {
  if (colours == 0) return 8;  // 256 colours are stored as 0 as well
  int bits = 1;
  while ((1 << bits) < colours) ++bits;
  return bits;
}

// Width, height, colour count, reserved, planes, bit count, byte count: the
// fields both kinds of entry share.
IconDirectoryEntry ReadCommonFields(SpanReader& reader) {
  IconDirectoryEntry entry;
  entry.width = SideFromByte(reader.U8());
  entry.height = SideFromByte(reader.U8());
  std::uint8_t colours = reader.U8();
  reader.U8();
  reader.U16();
  entry.bitCount = reader.U16();
  if (entry.bitCount == 0) entry.bitCount = BitsFromColourCount(colours);
  entry.byteCount = reader.U32();
  return entry;
}

// The number of entries to read: the declared count, cut to the cap.
ErrorOr<std::uint16_t> ReadHeaderCount(ByteSpan header) {
  if (!IsIconDirectoryHeader(header)) return Failure{"not an icon directory"};
  SpanReader reader(header, 4);
  return static_cast<std::uint16_t>(std::min<std::size_t>(reader.U16(), kMaxIconDirectoryEntries));
}

}  // namespace

bool IsIconDirectoryHeader(ByteSpan bytes) {
  SpanReader reader(bytes);
  std::uint16_t reserved = reader.U16();
  std::uint16_t type = reader.U16();
  std::uint16_t count = reader.U16();
  return reader.Ok() && reserved == 0 && type == kTypeIcon && count >= 1;
}

ErrorOr<std::vector<IconDirectoryEntry>> ReadIcoDirectory(ByteSource& file) {
  ErrorOr<Bytes> header = file.Read(0, kHeaderSize);
  if (!header) return Failure{"not an icon directory"};
  const std::uint16_t count = TRY(ReadHeaderCount(*header));
  ErrorOr<Bytes> table = file.Read(kHeaderSize, std::uint64_t{count} * kIcoEntrySize);
  if (!table) return Failure{"icon directory cut short"};

  std::vector<IconDirectoryEntry> entries;
  SpanReader reader(*table);
  for (std::uint16_t i = 0; i < count; ++i) {
    IconDirectoryEntry entry = ReadCommonFields(reader);
    entry.location = reader.U32();
    entries.push_back(entry);
  }
  if (!reader.Ok()) return Failure{"icon directory cut short"};
  return entries;
}

ErrorOr<Bytes> ReadIcoPicture(ByteSource& file, const IconDirectoryEntry& entry) {
  if (entry.byteCount > kMaxIconPictureBytes) return Failure{"icon picture too large"};
  return file.Read(entry.location, entry.byteCount);
}

ErrorOr<std::vector<IconDirectoryEntry>> ParseGroupIconDirectory(ByteSpan bytes) {
  ErrorOr<std::uint16_t> count = ReadHeaderCount(bytes);
  if (!count) return Failure{"icon group is not an icon directory"};
  SpanReader reader(bytes, kHeaderSize);
  if (reader.Remaining() / kGroupEntrySize < *count) return Failure{"icon group cut short"};
  std::vector<IconDirectoryEntry> entries;
  for (std::uint16_t i = 0; i < *count; ++i) {
    IconDirectoryEntry entry = ReadCommonFields(reader);
    entry.location = reader.U16();
    entries.push_back(entry);
  }
  if (!reader.Ok()) return Failure{"icon group cut short"};
  return entries;
}

std::optional<std::size_t> ChooseIconEntry(std::span<const IconDirectoryEntry> entries, int width, int height) {
  std::optional<std::size_t> best;
  auto sizeDistance = [&](const IconDirectoryEntry& e) { return std::abs(e.width - width) + std::abs(e.height - height); };
  auto depthDistance = [](const IconDirectoryEntry& e) { return std::abs(e.bitCount - 32); };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!best) {
      best = i;
      continue;
    }
    const IconDirectoryEntry& candidate = entries[i];
    const IconDirectoryEntry& current = entries[*best];
    int size = sizeDistance(candidate);
    int currentSize = sizeDistance(current);
    if (size < currentSize || (size == currentSize && depthDistance(candidate) < depthDistance(current))) best = i;
  }
  return best;
}

}  // namespace tilvane
