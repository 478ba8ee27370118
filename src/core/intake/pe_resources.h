// The resource tree of a PE32 or PE32+ executable or library, read through a
// ByteSource: only the headers, the section table, the directory nodes on the
// way and the one resource asked for are fetched from the file. A directory
// is read whole only where every entry is needed (the root, and the pictures'
// names when a group is checked); elsewhere its header and the one entry used.
// Whatever the file declares, the work stays linear in the bytes read: each
// node is read at most once per object, and each picture id looked up once.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "core/error_or.h"
#include "core/intake/byte_source.h"
#include "core/text.h"

namespace tilvane {

inline constexpr std::uint16_t kResourceTypeIcon = 3;
inline constexpr std::uint16_t kResourceTypeGroupIcon = 14;
// The Windows loader refuses images with more sections than this, so no
// executable that runs has more; a forged table of 65,535 is not walked.
inline constexpr std::uint16_t kMaxPeSections = 96;

// True when the bytes start with the "MZ" of an executable's DOS header.
bool IsMzHeader(ByteSpan bytes);

struct PeSection {
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawOffset = 0;
};

class PeResources {
 public:
  // Reads the headers of `file` (which must outlive the result). Fails when it
  // is not a PE image (an NE or LE executable included), has no resources or
  // declares more sections than a loader accepts (kMaxPeSections).
  static ErrorOr<PeResources> Open(ByteSource& file);

  // How many resources of `type` there are: 0 when the file has none.
  ErrorOr<std::uint32_t> Count(std::uint16_t type);
  // Resource number `index` of `type`, counted in directory order (named
  // entries first, then ids ascending), in its first language.
  ErrorOr<Bytes> ReadByIndex(std::uint16_t type, std::size_t index);
  // The resource of `type` with numeric id `id`, in its first language.
  ErrorOr<Bytes> ReadById(std::uint16_t type, std::uint16_t id);
  // For each of `ids`, whether a resource of `type` with that id exists whole
  // in the file, without reading its data; the type's directory is read once
  // and each distinct id looked up once, however often it is listed.
  std::vector<bool> HaveIds(std::uint16_t type, std::span<const std::uint16_t> ids);

  bool Is64Bit() const { return is64Bit_; }

 private:
  struct DirectoryEntry {
    std::uint32_t nameOrId = 0;
    std::uint32_t offset = 0;
    bool IsNamed() const { return (nameOrId & 0x80000000u) != 0; }
    bool IsDirectory() const { return (offset & 0x80000000u) != 0; }
    std::uint32_t Target() const { return offset & 0x7FFFFFFFu; }
  };
  struct DataEntry {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
  };

  PeResources(ByteSource& file, std::vector<PeSection> sections, std::uint32_t rootRva, bool is64Bit)
      : file_(&file), sections_(std::move(sections)), rootRva_(rootRva), is64Bit_(is64Bit) {}

  // The first entry of each id among a type's names, sorted by id.
  using IdIndex = std::vector<std::pair<std::uint32_t, DirectoryEntry>>;

  ErrorOr<std::uint64_t> FileOffsetOf(std::uint32_t rva, std::uint32_t size) const;
  ErrorOr<Bytes> ReadRva(std::uint32_t rva, std::uint32_t size);
  ErrorOr<std::uint32_t> TreeRva(std::uint32_t offsetInTree) const;
  // Entry count of the directory at `offsetInTree`.
  ErrorOr<std::uint32_t> DirectorySize(std::uint32_t offsetInTree);
  ErrorOr<DirectoryEntry> ReadDirectoryEntry(std::uint32_t offsetInTree, std::uint32_t index);
  ErrorOr<std::vector<DirectoryEntry>> ReadDirectory(std::uint32_t offsetInTree);
  // The type's entry in the root, or nothing when the file has no resource of it.
  ErrorOr<std::optional<DirectoryEntry>> FindType(std::uint16_t type);
  ErrorOr<const IdIndex*> NamesById(std::uint16_t type);
  ErrorOr<IdIndex> ReadIdIndex(std::uint16_t type);
  ErrorOr<DataEntry> FirstLanguageData(const DirectoryEntry& nameEntry);
  ErrorOr<DataEntry> FindById(std::uint16_t type, std::uint16_t id);
  ErrorOr<void> CheckDataPresent(const DataEntry& data) const;
  ErrorOr<Bytes> ReadData(const DataEntry& data);

  ByteSource* file_;
  std::vector<PeSection> sections_;
  std::uint32_t rootRva_ = 0;
  bool is64Bit_ = false;
  // Read once each, on first use.
  std::optional<ErrorOr<std::vector<DirectoryEntry>>> root_;
  std::map<std::uint16_t, ErrorOr<std::uint32_t>> counts_;
  std::map<std::uint16_t, ErrorOr<IdIndex>> namesById_;
};

}  // namespace tilvane
