// The resource tree of a PE32 or PE32+ executable or library, read through a
// ByteSource: only the headers, the section table, the directory nodes on the
// way and the one resource asked for are fetched from the file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/intake/byte_source.h"
#include "core/text.h"

namespace tilvane {

inline constexpr std::uint16_t kResourceTypeIcon = 3;
inline constexpr std::uint16_t kResourceTypeGroupIcon = 14;

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
  // Reads the headers of `file` (which must outlive the result). Nothing when it
  // is not a PE image (an NE or LE executable included) or has no resources.
  static std::optional<PeResources> Open(ByteSource& file);

  // Resource number `index` of `type`, counted in directory order (named
  // entries first, then ids ascending), in its first language.
  std::optional<Bytes> ReadByIndex(std::uint16_t type, std::size_t index);
  // The resource of `type` with numeric id `id`, in its first language.
  std::optional<Bytes> ReadById(std::uint16_t type, std::uint16_t id);
  // For each of `ids`, whether a resource of `type` with that id exists whole
  // in the file, without reading its data; the type's directory is read once.
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

  std::optional<std::uint64_t> FileOffsetOf(std::uint32_t rva, std::uint32_t size) const;
  std::optional<Bytes> ReadRva(std::uint32_t rva, std::uint32_t size);
  std::optional<std::vector<DirectoryEntry>> ReadDirectory(std::uint32_t offsetInTree);
  std::optional<DirectoryEntry> FindType(std::uint16_t type);
  std::optional<DataEntry> FirstLanguageData(const DirectoryEntry& nameEntry);
  std::optional<DataEntry> FindById(std::uint16_t type, std::uint16_t id);
  bool DataPresent(const DataEntry& data) const;
  std::optional<Bytes> ReadData(const DataEntry& data);

  ByteSource* file_;
  std::vector<PeSection> sections_;
  std::uint32_t rootRva_ = 0;
  bool is64Bit_ = false;
};

}  // namespace tilvane
