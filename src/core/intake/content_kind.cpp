#include "core/intake/content_kind.h"

#include <algorithm>
#include <array>

#include "core/intake/icon_directory.h"
#include "core/intake/icon_image.h"
#include "core/intake/pe_resources.h"
#include "core/intake/shortcut.h"

namespace tilvane {
namespace {

// The container magic of an image group, as the group codec writes it.
constexpr std::array<std::uint8_t, 4> kImageGroupMagic{'M', 'I', 'T', 'L'};

bool IsImageGroupData(ByteSpan bytes) {
  return bytes.size() >= kImageGroupMagic.size() &&
         std::equal(kImageGroupMagic.begin(), kImageGroupMagic.end(), bytes.begin());
}

}  // namespace

ContentKind RecogniseContent(ByteSpan start) {
  if (IsShellLinkData(start)) return ContentKind::kShellLink;
  if (IsPngData(start)) return ContentKind::kPng;
  if (IsIconDirectoryHeader(start)) return ContentKind::kIconFile;
  if (IsMzHeader(start)) return ContentKind::kExecutable;
  if (IsImageGroupData(start)) return ContentKind::kImageGroup;
  return ContentKind::kUnknown;
}

ErrorOr<ContentKind> RecogniseContent(ByteSource& file) {
  const Bytes start = TRY(file.Read(0, std::min<std::uint64_t>(file.Size(), kContentSignatureBytes)));
  return RecogniseContent(start);
}

}  // namespace tilvane
