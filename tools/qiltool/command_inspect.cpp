// The commands that only look: target (of a shortcut) and check.
#include <iostream>
#include <string>

#include "commands.h"
#include "core/files.h"
#include "core/imagegroup/codec.h"
#include "core/intake/shortcut.h"
#include "core/intake/text_encoding.h"
#include "exit_codes.h"
#include "tool_files.h"

namespace tilvane::qiltool {

int RunTarget(const Arguments& args) {
  const Text& given = args.operands[0];
  // The editor reads "NAME.lnk" for a name without ".lnk" in it; so do we.
  const Text file = ShortcutFilePath(given);
  if (Utf16Length(file) > kMaxShortcutPathUnits) {
    Report(file, "path too long for a shortcut (over " + std::to_string(kMaxShortcutPathUnits) + " characters)");
    return kExitBadInput;
  }
  std::optional<Bytes> bytes = ReadInput(file);
  if (!bytes) return kExitBadInput;
  if (!IsShellLinkData(*bytes)) {
    Report(file, "not a shortcut");
    return kExitBadInput;
  }
  // A link without a file-system target (a shell folder) prints nothing.
  ErrorOr<Text> target = ShortcutFileTarget(*bytes);
  if (target) std::cout << *target << '\n';
  return kExitOk;
}

int RunCheck(const Arguments& args) {
  bool allDecode = true;
  for (const Text& path : args.operands) {
    std::optional<Bytes> bytes = ReadInput(path);
    if (!bytes) {
      allDecode = false;
      continue;
    }
    ErrorOr<ImageList> list = DecodeImageGroup(*bytes);
    if (!list) {
      Report(path, list.reason());
      allDecode = false;
      continue;
    }
    std::cout << path << ": ok, " << list->ImageCount() << (list->ImageCount() == 1 ? " image" : " images")
              << " of " << list->tileWidth << 'x' << list->tileHeight << " at " << list->bitsPerPixel << " bits"
              << (list->HasMask() ? " with a mask" : " without a mask") << '\n';
  }
  return allDecode ? kExitOk : kExitBadInput;
}

}  // namespace tilvane::qiltool
