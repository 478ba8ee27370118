// Reading the target path stored in a shell shortcut (.lnk) file, without
// resolving it: a target that has moved or been deleted is still returned.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/error_or.h"
#include "core/text.h"

namespace tilvane {

// Longest shortcut path accepted, in UTF-16 units with ".lnk" included.
inline constexpr std::size_t kMaxShortcutPathUnits = 259;
// Longest target returned, in bytes.
inline constexpr std::size_t kMaxShortcutTargetBytes = 1023;
// The header, the largest IDList and a generous LinkInfo: nothing a link needs
// for its target lies further in, so a huge file is never read whole.
inline constexpr std::uint64_t kMaxShortcutBytesRead = 1u << 20;

// The file read for `shortcutPath`: the path unchanged when its lower-cased copy
// contains ".lnk" anywhere, otherwise the path with ".lnk" appended.
Text ShortcutFilePath(const Text& shortcutPath);

// True when the bytes start like a shell link: its header size (0x4C) and
// class id.
bool IsShellLinkData(ByteSpan bytes);

// The target stored in the bytes of a shell link: for a local target its base
// path followed by the common path suffix, for a network target the share name,
// "\" and the suffix (the UNC form wins when both are there); the Unicode fields
// are preferred. Fails for anything that is not a shell link, a link without a
// file-system path (a shell folder, an IDList only) and damage.
ErrorOr<Text> ShortcutTarget(ByteSpan bytes);
// The same, or empty text where ShortcutTarget fails.
Text ParseShortcutTarget(ByteSpan bytes);

// The target in the bytes of a shortcut file as ReadShortcutTarget finds it:
// ShortcutTarget over at most the first kMaxShortcutBytesRead bytes, cut to
// kMaxShortcutTargetBytes at a character boundary.
ErrorOr<Text> ShortcutFileTarget(ByteSpan fileBytes);

// The target of the shortcut at ShortcutFilePath(shortcutPath), UTF-8, cut to
// kMaxShortcutTargetBytes at a character boundary. Empty text when the path is
// too long, the file cannot be read or ShortcutFileTarget finds nothing.
Text ReadShortcutTarget(const Text& shortcutPath);

}  // namespace tilvane
