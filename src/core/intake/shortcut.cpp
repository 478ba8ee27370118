#include "core/intake/shortcut.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/span_reader.h"
#include "core/intake/byte_source.h"
#include "core/intake/text_encoding.h"

namespace tilvane {
namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
// 00021401-0000-0000-C000-000000000046 as stored.
constexpr std::array<std::uint8_t, 16> kShellLinkClassId{0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint32_t kHasLinkTargetIdList = 0x00000001;
constexpr std::uint32_t kHasLinkInfo = 0x00000002;
constexpr std::uint32_t kForceNoLinkInfo = 0x00000100;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x00000001;
constexpr std::uint32_t kCommonNetworkRelativeLinkAndPathSuffix = 0x00000002;
constexpr std::uint32_t kLinkInfoMinimumHeader = 0x1C;
constexpr std::uint32_t kLinkInfoUnicodeHeader = 0x24;
constexpr std::uint32_t kNetworkLinkMinimumSize = 0x14;

// A zero-terminated ANSI string starting at `offset` of `block`, ending inside it.
ErrorOr<Text> AnsiStringAt(ByteSpan block, std::uint32_t offset) {
  if (offset >= block.size()) return Failure{"shortcut path lies outside its block"};
  ByteSpan rest = block.subspan(offset);
  auto end = std::find(rest.begin(), rest.end(), std::uint8_t{0});
  if (end == rest.end()) return Failure{"shortcut path not terminated"};
  return AnsiToUtf8(rest.first(static_cast<std::size_t>(end - rest.begin())));
}

// A zero-terminated UTF-16LE string starting at `offset` of `block`.
ErrorOr<Text> UnicodeStringAt(ByteSpan block, std::uint32_t offset) {
  SpanReader reader(block, offset);
  if (!reader.Ok()) return Failure{"shortcut path lies outside its block"};
  std::vector<std::uint16_t> units;
  while (true) {
    std::uint16_t unit = reader.U16();
    if (!reader.Ok()) return Failure{"shortcut path not terminated"};
    if (unit == 0) break;
    units.push_back(unit);
  }
  return Utf16ToUtf8(units);
}

// The string at the Unicode offset when the structure has one, else at the ANSI one.
ErrorOr<Text> StringAt(ByteSpan block, std::uint32_t ansiOffset, std::uint32_t unicodeOffset) {
  if (unicodeOffset != 0) return UnicodeStringAt(block, unicodeOffset);
  return AnsiStringAt(block, ansiOffset);
}

ErrorOr<Text> NetworkShareName(ByteSpan linkInfo, std::uint32_t offset) {
  SpanReader header(linkInfo, offset);
  std::uint32_t size = header.U32();
  header.U32();  // flags: only the device name depends on them
  std::uint32_t netNameOffset = header.U32();
  header.U32();  // device name offset
  header.U32();  // provider type
  if (!header.Ok() || size < kNetworkLinkMinimumSize || !RangeFits(offset, size, linkInfo.size())) {
    return Failure{"shortcut network block damaged"};
  }
  ByteSpan block = linkInfo.subspan(offset, size);
  std::uint32_t unicodeOffset = 0;
  if (netNameOffset > kNetworkLinkMinimumSize) {
    SpanReader extra(block, kNetworkLinkMinimumSize);
    unicodeOffset = extra.U32();
    if (!extra.Ok()) return Failure{"shortcut network block damaged"};
  }
  return StringAt(block, netNameOffset, unicodeOffset);
}

ErrorOr<Text> TargetFromLinkInfo(ByteSpan linkInfo) {
  SpanReader reader(linkInfo);
  reader.U32();  // size, already applied by the caller
  std::uint32_t headerSize = reader.U32();
  std::uint32_t flags = reader.U32();
  reader.U32();  // volume id offset
  std::uint32_t localBasePathOffset = reader.U32();
  std::uint32_t networkLinkOffset = reader.U32();
  std::uint32_t suffixOffset = reader.U32();
  std::uint32_t localBasePathOffsetUnicode = 0;
  std::uint32_t suffixOffsetUnicode = 0;
  if (headerSize >= kLinkInfoUnicodeHeader) {
    localBasePathOffsetUnicode = reader.U32();
    suffixOffsetUnicode = reader.U32();
  }
  if (!reader.Ok() || headerSize < kLinkInfoMinimumHeader || headerSize > linkInfo.size()) {
    return Failure{"shortcut link information damaged"};
  }

  const Text suffix = TRY(StringAt(linkInfo, suffixOffset, suffixOffsetUnicode));
  // A network path is asked for first, as the shell does when told to prefer it.
  if (flags & kCommonNetworkRelativeLinkAndPathSuffix) {
    const Text share = TRY(NetworkShareName(linkInfo, networkLinkOffset));
    if (share.empty()) return Failure{"shortcut has no file target"};
    return suffix.empty() ? share : JoinTexts(share, "\\", suffix);
  }
  if (flags & kVolumeIdAndLocalBasePath) {
    const Text base = TRY(StringAt(linkInfo, localBasePathOffset, localBasePathOffsetUnicode));
    return JoinTexts(base, suffix);
  }
  return Failure{"shortcut has no file target"};
}

}  // namespace

Text ShortcutFilePath(const Text& shortcutPath) {
  Text lower = shortcutPath;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  if (lower.find(".lnk") != Text::npos) return shortcutPath;
  return JoinTexts(shortcutPath, ".lnk");
}

bool IsShellLinkData(ByteSpan bytes) {
  SpanReader reader(bytes);
  std::uint32_t headerSize = reader.U32();
  ByteSpan classId = reader.Take(kShellLinkClassId.size());
  return reader.Ok() && headerSize == kHeaderSize &&
         std::equal(kShellLinkClassId.begin(), kShellLinkClassId.end(), classId.begin());
}

ErrorOr<Text> ShortcutTarget(ByteSpan bytes) {
  if (!IsShellLinkData(bytes)) return Failure{"not a shortcut"};
  SpanReader reader(bytes, 4 + kShellLinkClassId.size());  // the link flags, after the size and class id
  std::uint32_t linkFlags = reader.U32();
  if (!reader.Ok() || !reader.Seek(kHeaderSize)) return Failure{"shortcut cut short"};
  if (linkFlags & kHasLinkTargetIdList) {
    std::uint16_t idListSize = reader.U16();
    if (!reader.Skip(idListSize)) return Failure{"shortcut cut short"};
  }
  // Without LinkInfo the target is only an IDList: a shell folder such as the
  // computer, which has no file-system path.
  if (!(linkFlags & kHasLinkInfo) || (linkFlags & kForceNoLinkInfo)) return Failure{"shortcut has no file target"};
  const std::size_t linkInfoStart = reader.Position();
  std::uint32_t linkInfoSize = reader.U32();
  if (!reader.Ok() || linkInfoSize > bytes.size() - linkInfoStart) return Failure{"shortcut cut short"};
  Text target = TRY(TargetFromLinkInfo(bytes.subspan(linkInfoStart, linkInfoSize)));
  if (target.empty()) return Failure{"shortcut has no file target"};
  return target;
}

Text ParseShortcutTarget(ByteSpan bytes) { return ShortcutTarget(bytes).ToOptional().value_or(Text()); }

ErrorOr<Text> ShortcutFileTarget(ByteSpan fileBytes) {
  const std::size_t looked = static_cast<std::size_t>(std::min<std::uint64_t>(fileBytes.size(), kMaxShortcutBytesRead));
  const Text target = TRY(ShortcutTarget(fileBytes.first(looked)));
  return CutUtf8(target, kMaxShortcutTargetBytes);
}

Text ReadShortcutTarget(const Text& shortcutPath) {
  Text path = ShortcutFilePath(shortcutPath);
  if (Utf16Length(path) > kMaxShortcutPathUnits) return {};
  ErrorOr<FileByteSource> file = FileByteSource::Open(path);
  if (!file) return {};
  ErrorOr<Bytes> bytes = file->Read(0, std::min(file->Size(), kMaxShortcutBytesRead));
  if (!bytes) return {};
  return ShortcutFileTarget(*bytes).ToOptional().value_or(Text());
}

}  // namespace tilvane
