// Reading the target path stored in a shell shortcut (.lnk) file, without
// resolving it: a target that has moved or been deleted is still returned.
#pragma once

#include <cstddef>

#include "core/text.h"

namespace tilvane {

// Longest shortcut path accepted, in UTF-16 units with ".lnk" included.
inline constexpr std::size_t kMaxShortcutPathUnits = 259;
// Longest target returned, in bytes.
inline constexpr std::size_t kMaxShortcutTargetBytes = 1023;

// The file read for `shortcutPath`: the path unchanged when its lower-cased copy
// contains ".lnk" anywhere, otherwise the path with ".lnk" appended.
Text ShortcutFilePath(const Text& shortcutPath);

// The target stored in the bytes of a shell link: for a local target its base
// path followed by the common path suffix, for a network target the share name,
// "\" and the suffix (the UNC form wins when both are there); the Unicode fields
// are preferred. Empty text for anything that is not a shell link, a link
// without a file-system path (a shell folder, an IDList only) and damage.
Text ParseShortcutTarget(ByteSpan bytes);

// The target of the shortcut at ShortcutFilePath(shortcutPath), UTF-8, cut to
// kMaxShortcutTargetBytes at a character boundary. Empty text when the path is
// too long, the file cannot be read or ParseShortcutTarget finds nothing.
Text ReadShortcutTarget(const Text& shortcutPath);

}  // namespace tilvane
