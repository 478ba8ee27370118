#include "core/intake/pe_resources.h"

#include <algorithm>

#include "core/span_reader.h"

namespace tilvane {
namespace {

constexpr std::uint64_t kNewHeaderPointerOffset = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kDirectoryEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
// No icon picture or icon group comes near this; it keeps a forged size from
// turning into a huge read.
constexpr std::uint32_t kMaxResourceBytes = 16u << 20;

}  // namespace

bool IsMzHeader(ByteSpan bytes) { return bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z'; }

std::optional<PeResources> PeResources::Open(ByteSource& file) {
  std::optional<Bytes> dos = file.Read(0, kNewHeaderPointerOffset + 4);
  if (!dos || !IsMzHeader(*dos)) return std::nullopt;
  std::uint32_t peOffset = SpanReader(*dos, kNewHeaderPointerOffset).U32();

  std::optional<Bytes> coff = file.Read(peOffset, 4 + kCoffHeaderSize);
  if (!coff) return std::nullopt;
  SpanReader reader(*coff);
  if (reader.U32() != kPeSignature) return std::nullopt;
  reader.U16();  // machine
  std::uint16_t sectionCount = reader.U16();
  reader.Skip(12);  // time stamp, symbol table pointer and count
  std::uint16_t optionalHeaderSize = reader.U16();
  if (!reader.Ok()) return std::nullopt;

  const std::uint64_t optionalHeaderOffset = std::uint64_t{peOffset} + 4 + kCoffHeaderSize;
  std::optional<Bytes> optional = file.Read(optionalHeaderOffset, optionalHeaderSize);
  if (!optional) return std::nullopt;
  SpanReader header(*optional);
  std::uint16_t magic = header.U16();
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return std::nullopt;
  const bool is64Bit = magic == kMagicPe32Plus;
  const std::size_t countOffset = is64Bit ? 108 : 92;
  header.Seek(countOffset);
  std::uint32_t directoryCount = header.U32();
  if (!header.Ok() || directoryCount <= kResourceDirectoryIndex) return std::nullopt;
  header.Seek(countOffset + 4 + kResourceDirectoryIndex * 8);
  std::uint32_t resourceRva = header.U32();
  std::uint32_t resourceSize = header.U32();
  if (!header.Ok() || resourceRva == 0 || resourceSize == 0) return std::nullopt;

  std::optional<Bytes> table =
      file.Read(optionalHeaderOffset + optionalHeaderSize, std::uint64_t{sectionCount} * kSectionHeaderSize);
  if (!table) return std::nullopt;
  std::vector<PeSection> sections(sectionCount);
  SpanReader sectionReader(*table);
  for (PeSection& section : sections) {
    sectionReader.Skip(8);  // name
    section.virtualSize = sectionReader.U32();
    section.virtualAddress = sectionReader.U32();
    section.rawSize = sectionReader.U32();
    section.rawOffset = sectionReader.U32();
    sectionReader.Skip(16);  // relocations, line numbers, characteristics
  }
  if (!sectionReader.Ok()) return std::nullopt;
  return PeResources(file, std::move(sections), resourceRva, is64Bit);
}

std::optional<std::uint64_t> PeResources::FileOffsetOf(std::uint32_t rva, std::uint32_t size) const {
  for (const PeSection& section : sections_) {
    if (rva < section.virtualAddress) continue;
    std::uint64_t into = std::uint64_t{rva} - section.virtualAddress;
    // Only the bytes the file holds for the section count; the rest of its
    // memory image would be zeros, which no resource consists of.
    if (RangeFits(into, size, section.rawSize)) return std::uint64_t{section.rawOffset} + into;
  }
  return std::nullopt;
}

std::optional<Bytes> PeResources::ReadRva(std::uint32_t rva, std::uint32_t size) {
  std::optional<std::uint64_t> offset = FileOffsetOf(rva, size);
  if (!offset) return std::nullopt;
  return file_->Read(*offset, size);
}

std::optional<std::vector<PeResources::DirectoryEntry>> PeResources::ReadDirectory(std::uint32_t offsetInTree) {
  std::optional<std::uint64_t> rva = CheckedAdd(rootRva_, offsetInTree);
  if (!rva || *rva > 0xFFFFFFFFu) return std::nullopt;
  std::optional<Bytes> header = ReadRva(static_cast<std::uint32_t>(*rva), kDirectoryHeaderSize);
  if (!header) return std::nullopt;
  SpanReader reader(*header, 12);
  std::uint32_t count = std::uint32_t{reader.U16()} + reader.U16();  // named entries, then id entries
  std::uint64_t entriesRva = *rva + kDirectoryHeaderSize;
  if (entriesRva > 0xFFFFFFFFu) return std::nullopt;
  std::optional<Bytes> table = ReadRva(static_cast<std::uint32_t>(entriesRva), count * kDirectoryEntrySize);
  if (!table) return std::nullopt;
  std::vector<DirectoryEntry> entries(count);
  SpanReader entryReader(*table);
  for (DirectoryEntry& entry : entries) {
    entry.nameOrId = entryReader.U32();
    entry.offset = entryReader.U32();
  }
  return entries;
}

std::optional<PeResources::DirectoryEntry> PeResources::FindType(std::uint16_t type) {
  std::optional<std::vector<DirectoryEntry>> types = ReadDirectory(0);
  if (!types) return std::nullopt;
  for (const DirectoryEntry& entry : *types) {
    if (!entry.IsNamed() && entry.nameOrId == type && entry.IsDirectory()) return entry;
  }
  return std::nullopt;
}

std::optional<PeResources::DataEntry> PeResources::FirstLanguageData(const DirectoryEntry& nameEntry) {
  if (!nameEntry.IsDirectory()) return std::nullopt;
  std::optional<std::vector<DirectoryEntry>> languages = ReadDirectory(nameEntry.Target());
  // The tree has three levels; a fourth directory below a language is damage.
  if (!languages || languages->empty() || languages->front().IsDirectory()) return std::nullopt;
  std::optional<std::uint64_t> rva = CheckedAdd(rootRva_, languages->front().Target());
  if (!rva || *rva > 0xFFFFFFFFu) return std::nullopt;
  std::optional<Bytes> leaf = ReadRva(static_cast<std::uint32_t>(*rva), kDataEntrySize);
  if (!leaf) return std::nullopt;
  SpanReader reader(*leaf);
  DataEntry data;
  data.rva = reader.U32();
  data.size = reader.U32();
  return data;
}

std::optional<PeResources::DataEntry> PeResources::FindById(std::uint16_t type, std::uint16_t id) {
  std::optional<DirectoryEntry> typeEntry = FindType(type);
  if (!typeEntry) return std::nullopt;
  std::optional<std::vector<DirectoryEntry>> names = ReadDirectory(typeEntry->Target());
  if (!names) return std::nullopt;
  for (const DirectoryEntry& entry : *names) {
    if (!entry.IsNamed() && entry.nameOrId == id) return FirstLanguageData(entry);
  }
  return std::nullopt;
}

std::optional<Bytes> PeResources::ReadData(const DataEntry& data) {
  if (!DataPresent(data)) return std::nullopt;
  return ReadRva(data.rva, data.size);
}

std::optional<Bytes> PeResources::ReadByIndex(std::uint16_t type, std::size_t index) {
  std::optional<DirectoryEntry> typeEntry = FindType(type);
  if (!typeEntry) return std::nullopt;
  std::optional<std::vector<DirectoryEntry>> names = ReadDirectory(typeEntry->Target());
  if (!names || index >= names->size()) return std::nullopt;
  std::optional<DataEntry> data = FirstLanguageData((*names)[index]);
  if (!data) return std::nullopt;
  return ReadData(*data);
}

std::optional<Bytes> PeResources::ReadById(std::uint16_t type, std::uint16_t id) {
  std::optional<DataEntry> data = FindById(type, id);
  if (!data) return std::nullopt;
  return ReadData(*data);
}

bool PeResources::DataPresent(const DataEntry& data) const {
  if (data.size == 0 || data.size > kMaxResourceBytes) return false;
  std::optional<std::uint64_t> offset = FileOffsetOf(data.rva, data.size);
  return offset && RangeFits(*offset, data.size, file_->Size());
}

std::vector<bool> PeResources::HaveIds(std::uint16_t type, std::span<const std::uint16_t> ids) {
  std::vector<bool> present(ids.size(), false);
  std::optional<DirectoryEntry> typeEntry = FindType(type);
  if (!typeEntry) return present;
  std::optional<std::vector<DirectoryEntry>> names = ReadDirectory(typeEntry->Target());
  if (!names) return present;
  // First entry per id, looked up by binary search: a forged group of 65,535
  // pictures must not rescan a directory of as many names for each of them.
  std::vector<std::pair<std::uint32_t, std::size_t>> byId;
  for (std::size_t i = 0; i < names->size(); ++i) {
    if (!(*names)[i].IsNamed()) byId.emplace_back((*names)[i].nameOrId, i);
  }
  std::stable_sort(byId.begin(), byId.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t k = 0; k < ids.size(); ++k) {
    auto it = std::lower_bound(byId.begin(), byId.end(), std::uint32_t{ids[k]},
                               [](const auto& entry, std::uint32_t id) { return entry.first < id; });
    if (it == byId.end() || it->first != ids[k]) continue;
    std::optional<DataEntry> data = FirstLanguageData((*names)[it->second]);
    present[k] = data && DataPresent(*data);
  }
  return present;
}

}  // namespace tilvane
