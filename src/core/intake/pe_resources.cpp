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
  if (!reader.Ok() || sectionCount > kMaxPeSections) return std::nullopt;

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
  // At most kMaxPeSections, so this walk costs a bounded amount per read.
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

std::optional<std::uint32_t> PeResources::TreeRva(std::uint32_t offsetInTree) const {
  const std::uint64_t rva = std::uint64_t{rootRva_} + offsetInTree;
  if (rva > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(rva);
}

std::optional<std::uint32_t> PeResources::DirectorySize(std::uint32_t offsetInTree) {
  std::optional<std::uint32_t> rva = TreeRva(offsetInTree);
  if (!rva) return std::nullopt;
  std::optional<Bytes> header = ReadRva(*rva, kDirectoryHeaderSize);
  if (!header) return std::nullopt;
  SpanReader reader(*header, 12);
  return std::uint32_t{reader.U16()} + reader.U16();  // named entries, then id entries
}

std::optional<PeResources::DirectoryEntry> PeResources::ReadDirectoryEntry(std::uint32_t offsetInTree,
                                                                           std::uint32_t index) {
  std::optional<std::uint32_t> rva = TreeRva(offsetInTree);
  if (!rva) return std::nullopt;
  const std::uint64_t at = std::uint64_t{*rva} + kDirectoryHeaderSize + std::uint64_t{index} * kDirectoryEntrySize;
  if (at > 0xFFFFFFFFu) return std::nullopt;
  std::optional<Bytes> bytes = ReadRva(static_cast<std::uint32_t>(at), kDirectoryEntrySize);
  if (!bytes) return std::nullopt;
  SpanReader reader(*bytes);
  DirectoryEntry entry;
  entry.nameOrId = reader.U32();
  entry.offset = reader.U32();
  return entry;
}

std::optional<std::vector<PeResources::DirectoryEntry>> PeResources::ReadDirectory(std::uint32_t offsetInTree) {
  std::optional<std::uint32_t> count = DirectorySize(offsetInTree);
  if (!count) return std::nullopt;
  // At most 131,070 entries of 8 bytes by the header's two 16-bit counts, and
  // each is read once, so a whole directory costs at most 1 MB of reading.
  const std::uint64_t entriesRva = std::uint64_t{*TreeRva(offsetInTree)} + kDirectoryHeaderSize;
  if (entriesRva > 0xFFFFFFFFu) return std::nullopt;
  std::optional<Bytes> table = ReadRva(static_cast<std::uint32_t>(entriesRva), *count * kDirectoryEntrySize);
  if (!table) return std::nullopt;
  std::vector<DirectoryEntry> entries(*count);
  SpanReader entryReader(*table);
  for (DirectoryEntry& entry : entries) {
    entry.nameOrId = entryReader.U32();
    entry.offset = entryReader.U32();
  }
  return entries;
}

std::optional<PeResources::DirectoryEntry> PeResources::FindType(std::uint16_t type) {
  if (!root_) root_ = ReadDirectory(0);
  if (!*root_) return std::nullopt;
  for (const DirectoryEntry& entry : **root_) {
    if (!entry.IsNamed() && entry.nameOrId == type && entry.IsDirectory()) return entry;
  }
  return std::nullopt;
}

const PeResources::IdIndex* PeResources::NamesById(std::uint16_t type) {
  auto known = namesById_.find(type);
  if (known != namesById_.end()) return known->second ? &*known->second : nullptr;
  std::optional<IdIndex>& index = namesById_[type];
  std::optional<DirectoryEntry> typeEntry = FindType(type);
  if (!typeEntry) return nullptr;
  std::optional<std::vector<DirectoryEntry>> names = ReadDirectory(typeEntry->Target());
  if (!names) return nullptr;
  // The first entry per id wins, as a walk in directory order would find it.
  index.emplace();
  for (const DirectoryEntry& entry : *names) {
    if (!entry.IsNamed()) index->emplace_back(entry.nameOrId, entry);
  }
  std::stable_sort(index->begin(), index->end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  index->erase(
      std::unique(index->begin(), index->end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
      index->end());
  return &*index;
}

std::optional<PeResources::DataEntry> PeResources::FirstLanguageData(const DirectoryEntry& nameEntry) {
  if (!nameEntry.IsDirectory()) return std::nullopt;
  // Only the header and the first entry: a language directory may declare
  // 131,070 entries, of which nothing but the first is ever used.
  std::optional<std::uint32_t> count = DirectorySize(nameEntry.Target());
  if (!count || *count == 0) return std::nullopt;
  std::optional<DirectoryEntry> first = ReadDirectoryEntry(nameEntry.Target(), 0);
  // The tree has three levels; a fourth directory below a language is damage.
  if (!first || first->IsDirectory()) return std::nullopt;
  std::optional<std::uint32_t> rva = TreeRva(first->Target());
  if (!rva) return std::nullopt;
  std::optional<Bytes> leaf = ReadRva(*rva, kDataEntrySize);
  if (!leaf) return std::nullopt;
  SpanReader reader(*leaf);
  DataEntry data;
  data.rva = reader.U32();
  data.size = reader.U32();
  return data;
}

std::optional<PeResources::DataEntry> PeResources::FindById(std::uint16_t type, std::uint16_t id) {
  const IdIndex* names = NamesById(type);
  if (!names) return std::nullopt;
  auto it = std::lower_bound(names->begin(), names->end(), std::uint32_t{id},
                             [](const auto& entry, std::uint32_t wanted) { return entry.first < wanted; });
  if (it == names->end() || it->first != id) return std::nullopt;
  return FirstLanguageData(it->second);
}

std::optional<Bytes> PeResources::ReadData(const DataEntry& data) {
  if (!DataPresent(data)) return std::nullopt;
  return ReadRva(data.rva, data.size);
}

std::optional<Bytes> PeResources::ReadByIndex(std::uint16_t type, std::size_t index) {
  std::optional<DirectoryEntry> typeEntry = FindType(type);
  if (!typeEntry) return std::nullopt;
  // The header and the one entry asked for, not the whole list of names.
  std::optional<std::uint32_t> count = DirectorySize(typeEntry->Target());
  if (!count || index >= *count) return std::nullopt;
  std::optional<DirectoryEntry> name = ReadDirectoryEntry(typeEntry->Target(), static_cast<std::uint32_t>(index));
  if (!name) return std::nullopt;
  std::optional<DataEntry> data = FirstLanguageData(*name);
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
  // A group may list one id thousands of times; each is looked up once.
  std::map<std::uint16_t, bool> known;
  for (std::size_t k = 0; k < ids.size(); ++k) {
    auto [it, inserted] = known.try_emplace(ids[k], false);
    if (inserted) {
      std::optional<DataEntry> data = FindById(type, ids[k]);
      it->second = data && DataPresent(*data);
    }
    present[k] = it->second;
  }
  return present;
}

}  // namespace tilvane
