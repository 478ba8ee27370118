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

ErrorOr<PeResources> PeResources::Open(ByteSource& file) {
  ErrorOr<Bytes> dos = file.Read(0, kNewHeaderPointerOffset + 4);
  if (!dos) return Failure{"executable header cut short"};
  if (!IsMzHeader(*dos)) return Failure{"not an executable"};
  std::uint32_t peOffset = SpanReader(*dos, kNewHeaderPointerOffset).U32();

  // An NE or LE executable points at a header of its own kind, or past the end.
  ErrorOr<Bytes> coff = file.Read(peOffset, 4 + kCoffHeaderSize);
  if (!coff) return Failure{"not a 32- or 64-bit executable"};
  SpanReader reader(*coff);
  if (reader.U32() != kPeSignature) return Failure{"not a 32- or 64-bit executable"};
  reader.U16();  // machine
  std::uint16_t sectionCount = reader.U16();
  reader.Skip(12);  // time stamp, symbol table pointer and count
  std::uint16_t optionalHeaderSize = reader.U16();
  if (!reader.Ok()) return Failure{"executable header cut short"};
  if (sectionCount > kMaxPeSections) return Failure{"executable declares more sections than a loader accepts"};

  const std::uint64_t optionalHeaderOffset = std::uint64_t{peOffset} + 4 + kCoffHeaderSize;
  const Bytes optional = TRY(file.Read(optionalHeaderOffset, optionalHeaderSize));
  SpanReader header(optional);
  std::uint16_t magic = header.U16();
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return Failure{"not a 32- or 64-bit executable"};
  const bool is64Bit = magic == kMagicPe32Plus;
  const std::size_t countOffset = is64Bit ? 108 : 92;
  header.Seek(countOffset);
  std::uint32_t directoryCount = header.U32();
  if (!header.Ok() || directoryCount <= kResourceDirectoryIndex) return Failure{"an executable without resources"};
  header.Seek(countOffset + 4 + kResourceDirectoryIndex * 8);
  std::uint32_t resourceRva = header.U32();
  std::uint32_t resourceSize = header.U32();
  if (!header.Ok() || resourceRva == 0 || resourceSize == 0) return Failure{"an executable without resources"};

  const Bytes table =
      TRY(file.Read(optionalHeaderOffset + optionalHeaderSize, std::uint64_t{sectionCount} * kSectionHeaderSize));
  std::vector<PeSection> sections(sectionCount);
  SpanReader sectionReader(table);
  for (PeSection& section : sections) {
    sectionReader.Skip(8);  // name
    section.virtualSize = sectionReader.U32();
    section.virtualAddress = sectionReader.U32();
    section.rawSize = sectionReader.U32();
    section.rawOffset = sectionReader.U32();
    sectionReader.Skip(16);  // relocations, line numbers, characteristics
  }
  if (!sectionReader.Ok()) return Failure{"section table cut short"};
  return PeResources(file, std::move(sections), resourceRva, is64Bit);
}

ErrorOr<std::uint64_t> PeResources::FileOffsetOf(std::uint32_t rva, std::uint32_t size) const {
  // At most kMaxPeSections, so this walk costs a bounded amount per read.
  for (const PeSection& section : sections_) {
    if (rva < section.virtualAddress) continue;
    std::uint64_t into = std::uint64_t{rva} - section.virtualAddress;
    // Only the bytes the file holds for the section count; the rest of its
    // memory image would be zeros, which no resource consists of.
    if (RangeFits(into, size, section.rawSize)) return std::uint64_t{section.rawOffset} + into;
  }
  return Failure{"resource lies outside every section"};
}

ErrorOr<Bytes> PeResources::ReadRva(std::uint32_t rva, std::uint32_t size) {
  const std::uint64_t offset = TRY(FileOffsetOf(rva, size));
  return file_->Read(offset, size);
}

ErrorOr<std::uint32_t> PeResources::TreeRva(std::uint32_t offsetInTree) const {
  const std::uint64_t rva = std::uint64_t{rootRva_} + offsetInTree;
  if (rva > 0xFFFFFFFFu) return Failure{"resource offset out of range"};
  return static_cast<std::uint32_t>(rva);
}

ErrorOr<std::uint32_t> PeResources::DirectorySize(std::uint32_t offsetInTree) {
  const std::uint32_t rva = TRY(TreeRva(offsetInTree));
  const Bytes header = TRY(ReadRva(rva, kDirectoryHeaderSize));
  SpanReader reader(header, 12);
  return std::uint32_t{reader.U16()} + reader.U16();  // named entries, then id entries
}

ErrorOr<PeResources::DirectoryEntry> PeResources::ReadDirectoryEntry(std::uint32_t offsetInTree,
                                                                     std::uint32_t index) {
  const std::uint32_t rva = TRY(TreeRva(offsetInTree));
  const std::uint64_t at = std::uint64_t{rva} + kDirectoryHeaderSize + std::uint64_t{index} * kDirectoryEntrySize;
  if (at > 0xFFFFFFFFu) return Failure{"resource offset out of range"};
  const Bytes bytes = TRY(ReadRva(static_cast<std::uint32_t>(at), kDirectoryEntrySize));
  SpanReader reader(bytes);
  DirectoryEntry entry;
  entry.nameOrId = reader.U32();
  entry.offset = reader.U32();
  return entry;
}

ErrorOr<std::vector<PeResources::DirectoryEntry>> PeResources::ReadDirectory(std::uint32_t offsetInTree) {
  const std::uint32_t count = TRY(DirectorySize(offsetInTree));
  // At most 131,070 entries of 8 bytes by the header's two 16-bit counts, and
  // each is read once, so a whole directory costs at most 1 MB of reading.
  const std::uint64_t entriesRva = std::uint64_t{TRY(TreeRva(offsetInTree))} + kDirectoryHeaderSize;
  if (entriesRva > 0xFFFFFFFFu) return Failure{"resource offset out of range"};
  const Bytes table = TRY(ReadRva(static_cast<std::uint32_t>(entriesRva), count * kDirectoryEntrySize));
  std::vector<DirectoryEntry> entries(count);
  SpanReader entryReader(table);
  for (DirectoryEntry& entry : entries) {
    entry.nameOrId = entryReader.U32();
    entry.offset = entryReader.U32();
  }
  return entries;
}

ErrorOr<std::optional<PeResources::DirectoryEntry>> PeResources::FindType(std::uint16_t type) {
  if (!root_) root_ = ReadDirectory(0);
  if (!root_->ok()) return root_->failure();
  for (const DirectoryEntry& entry : root_->value()) {
    if (!entry.IsNamed() && entry.nameOrId == type && entry.IsDirectory()) return std::optional(entry);
  }
  return std::optional<DirectoryEntry>();
}

ErrorOr<std::uint32_t> PeResources::Count(std::uint16_t type) {
  auto known = counts_.find(type);
  if (known != counts_.end()) return known->second;
  auto count = [&]() -> ErrorOr<std::uint32_t> {
    const std::optional<DirectoryEntry> typeEntry = TRY(FindType(type));
    if (!typeEntry) return 0u;
    return DirectorySize(typeEntry->Target());
  };
  return counts_.try_emplace(type, count()).first->second;
}

ErrorOr<PeResources::IdIndex> PeResources::ReadIdIndex(std::uint16_t type) {
  const std::optional<DirectoryEntry> typeEntry = TRY(FindType(type));
  if (!typeEntry) return Failure{"no resource of that type"};
  const std::vector<DirectoryEntry> names = TRY(ReadDirectory(typeEntry->Target()));
  // The first entry per id wins, as a walk in directory order would find it.
  IdIndex index;
  for (const DirectoryEntry& entry : names) {
    if (!entry.IsNamed()) index.emplace_back(entry.nameOrId, entry);
  }
  std::stable_sort(index.begin(), index.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  index.erase(std::unique(index.begin(), index.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
              index.end());
  return index;
}

ErrorOr<const PeResources::IdIndex*> PeResources::NamesById(std::uint16_t type) {
  auto known = namesById_.find(type);
  if (known == namesById_.end()) known = namesById_.try_emplace(type, ReadIdIndex(type)).first;
  if (!known->second.ok()) return known->second.failure();
  return &known->second.value();
}

ErrorOr<PeResources::DataEntry> PeResources::FirstLanguageData(const DirectoryEntry& nameEntry) {
  if (!nameEntry.IsDirectory()) return Failure{"resource without a language directory"};
  // Only the header and the first entry: a language directory may declare
  // 131,070 entries, of which nothing but the first is ever used.
  const std::uint32_t count = TRY(DirectorySize(nameEntry.Target()));
  if (count == 0) return Failure{"resource without a language"};
  const DirectoryEntry first = TRY(ReadDirectoryEntry(nameEntry.Target(), 0));
  // The tree has three levels; a fourth directory below a language is damage.
  if (first.IsDirectory()) return Failure{"resource tree deeper than three levels"};
  const std::uint32_t rva = TRY(TreeRva(first.Target()));
  const Bytes leaf = TRY(ReadRva(rva, kDataEntrySize));
  SpanReader reader(leaf);
  DataEntry data;
  data.rva = reader.U32();
  data.size = reader.U32();
  return data;
}

ErrorOr<PeResources::DataEntry> PeResources::FindById(std::uint16_t type, std::uint16_t id) {
  const IdIndex* names = TRY(NamesById(type));
  auto it = std::lower_bound(names->begin(), names->end(), std::uint32_t{id},
                             [](const auto& entry, std::uint32_t wanted) { return entry.first < wanted; });
  if (it == names->end() || it->first != id) return Failure{"no resource with that id"};
  return FirstLanguageData(it->second);
}

ErrorOr<Bytes> PeResources::ReadData(const DataEntry& data) {
  TRY(CheckDataPresent(data));
  return ReadRva(data.rva, data.size);
}

ErrorOr<Bytes> PeResources::ReadByIndex(std::uint16_t type, std::size_t index) {
  const std::optional<DirectoryEntry> typeEntry = TRY(FindType(type));
  if (!typeEntry) return Failure{"no resource of that type"};
  // The header and the one entry asked for, not the whole list of names.
  const std::uint32_t count = TRY(Count(type));
  if (index >= count) return Failure{"no resource of that number"};
  const DirectoryEntry name = TRY(ReadDirectoryEntry(typeEntry->Target(), static_cast<std::uint32_t>(index)));
  const DataEntry data = TRY(FirstLanguageData(name));
  return ReadData(data);
}

ErrorOr<Bytes> PeResources::ReadById(std::uint16_t type, std::uint16_t id) {
  const DataEntry data = TRY(FindById(type, id));
  return ReadData(data);
}

ErrorOr<void> PeResources::CheckDataPresent(const DataEntry& data) const {
  if (data.size == 0 || data.size > kMaxResourceBytes) return Failure{"resource size out of range"};
  const std::uint64_t offset = TRY(FileOffsetOf(data.rva, data.size));
  if (!RangeFits(offset, data.size, file_->Size())) return Failure{"resource runs past the end of the file"};
  return {};
}

std::vector<bool> PeResources::HaveIds(std::uint16_t type, std::span<const std::uint16_t> ids) {
  std::vector<bool> present(ids.size(), false);
  // A group may list one id thousands of times; each is looked up once.
  std::map<std::uint16_t, bool> known;
  for (std::size_t k = 0; k < ids.size(); ++k) {
    auto [it, inserted] = known.try_emplace(ids[k], false);
    if (inserted) {
      ErrorOr<DataEntry> data = FindById(type, ids[k]);
      it->second = data && CheckDataPresent(*data);
    }
    present[k] = it->second;
  }
  return present;
}

}  // namespace tilvane
