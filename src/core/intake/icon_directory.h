// The icon directory shared by ICO files and RT_GROUP_ICON resources: a 6-byte
// header (reserved 0, type 1, count) and one entry per picture, and the choice
// of the picture that best fits an image cell.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/error_or.h"
#include "core/intake/byte_source.h"
#include "core/text.h"

namespace tilvane {

struct IconDirectoryEntry {
  int width = 0;   // a stored 0 means 256
  int height = 0;
  int bitCount = 0;  // as declared; derived from the colour count when declared 0
  std::uint32_t byteCount = 0;
  // In an ICO file the offset of the picture; in a group resource the RT_ICON id.
  std::uint32_t location = 0;
};

// An icon holds one picture per size and colour depth; one with every common
// size from 16 to 256 pixels in every depth from 1 to 32 bits has fewer than a
// hundred. Entries past this many are not looked at, so that a directory
// declaring 65,535 pictures costs no more than a real one.
inline constexpr std::size_t kMaxIconDirectoryEntries = 256;

// No icon picture comes near this (a 256 x 256 picture at 32 bits is 256 KB
// as a DIB); it keeps a forged size from turning into a huge read.
inline constexpr std::uint32_t kMaxIconPictureBytes = 16u << 20;

// True when the first bytes are an icon directory header (0, 1, count >= 1).
bool IsIconDirectoryHeader(ByteSpan bytes);

// The directory of an ICO file (16-byte entries holding offsets), at most its
// first kMaxIconDirectoryEntries. Fails when the header is wrong or those
// entries run past the end of the file.
ErrorOr<std::vector<IconDirectoryEntry>> ReadIcoDirectory(ByteSource& file);

// The picture of one ICO entry, checked against the file's size; fails for
// an entry of more than kMaxIconPictureBytes.
ErrorOr<Bytes> ReadIcoPicture(ByteSource& file, const IconDirectoryEntry& entry);

// An RT_GROUP_ICON resource (14-byte entries ending in a 16-bit RT_ICON id),
// at most its first kMaxIconDirectoryEntries.
ErrorOr<std::vector<IconDirectoryEntry>> ParseGroupIconDirectory(ByteSpan bytes);

// The entry whose size is nearest width x height (least |w - width| +
// |h - height|), then whose depth is nearest 32 bits; the first one wins ties.
// Nothing for an empty list.
std::optional<std::size_t> ChooseIconEntry(std::span<const IconDirectoryEntry> entries, int width, int height);

}  // namespace tilvane
