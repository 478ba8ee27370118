// The commands that make or change one group in place: new, add, remove, move.
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "core/imagegroup/codec.h"
#include "core/imagegroup/collection.h"
#include "core/imagegroup/default_group.h"
#include "core/intake/icon_conversion.h"
#include "exit_codes.h"
#include "group_edits.h"
#include "source_icon.h"
#include "tool_files.h"

namespace tilvane::qiltool {

namespace {

Text NoSuchImage(std::size_t index, const ImageList& list) {
  return "no image " + std::to_string(index) + " (the group holds " + std::to_string(list.ImageCount()) +
         (list.ImageCount() == 1 ? " image)" : " images)");
}

// An index operand, or nothing after saying on stderr that it is not one.
std::optional<std::size_t> IndexOperand(const Text& text) {
  std::optional<std::size_t> index = ParseIndex(text);
  if (!index) std::cerr << "qiltool: not an image index: " << text << '\n';
  return index;
}

}  // namespace

int RunNew(const Arguments& args) {
  const Text& path = args.operands[0];
  // Exactly what the editor does for a new document: the built-in group with
  // its placeholder taken out.
  Bytes group = DefaultImageGroup();
  if (!ImageGroupRemove(group, 0)) {
    Report(path, "the built-in group cannot be encoded");
    return kExitWriteFailed;
  }
  if (!WriteOutput(path, group)) return kExitWriteFailed;
  std::cout << path << ": new group, 0 images, 32x32 cells at 32 bits with a mask\n";
  return kExitOk;
}

int RunAdd(const Arguments& args) {
  SourceRequest request;
  if (std::optional<Text> icon = args.Value("--icon")) {
    std::optional<std::size_t> number = ParseIndex(*icon);
    if (!number || *number > 0xFFFF) {
      std::cerr << "qiltool: --icon needs an icon number from 0 to 65535, not " << *icon << '\n';
      return kExitUsage;
    }
    request.iconIndex = static_cast<int>(*number);
  }
  request.smallIcon = args.Has("--small");

  const Text& groupPath = args.operands[0];
  std::optional<ImageList> list = LoadGroup(groupPath);
  if (!list) return kExitBadInput;
  request.cellWidth = list->tileWidth;
  request.cellHeight = list->tileHeight;
  const Text conversion = PrepareForIcons(*list);
  // Widened to 32 bits, free slots and all, a group may outgrow what can be
  // read back before any image is added.
  if (const auto size = EncodedGroupSize(*list, list->capacity); !size || *size > kMaxImageGroupFileBytes) {
    Report(groupPath, conversion + ": the group would be too large to read back (over 512 MiB); left unchanged");
    return kExitBadInput;
  }

  std::vector<Text> gave;
  bool failed = false;
  for (std::size_t i = 1; i < args.operands.size(); ++i) {
    const Text& source = args.operands[i];
    Text reason;
    std::optional<SourceIcon> icon = ReadSourceIcon(source, request, reason);
    if (!icon) {
      Report(source, reason);
      failed = true;
      continue;
    }
    const std::size_t index = list->ImageCount();
    if (!AppendImage(*list, ToGroupImage(icon->picture))) {
      Report(source, index >= kMaxImagesInGroup
                         ? "the group is full (65,535 images)"
                         : "one more image would make the group too large to read back (over 512 MiB "
                           "or 67,108,864 pixels)");
      failed = true;
      continue;
    }
    gave.push_back(source + ": image " + std::to_string(index) + ", " + icon->description);
  }
  if (failed) {
    Report(groupPath, "left unchanged, since not every source gave an icon");
    return kExitBadInput;
  }
  if (!conversion.empty()) Report(groupPath, conversion);
  if (!SaveGroup(groupPath, *list)) return kExitWriteFailed;
  for (const Text& line : gave) std::cout << line << '\n';
  return kExitOk;
}

int RunRemove(const Arguments& args) {
  std::set<std::size_t> indexes;
  for (std::size_t i = 1; i < args.operands.size(); ++i) {
    std::optional<std::size_t> index = IndexOperand(args.operands[i]);
    if (!index) return kExitUsage;
    indexes.insert(*index);
  }
  const Text& path = args.operands[0];
  std::optional<ImageList> list = LoadGroup(path);
  if (!list) return kExitBadInput;
  for (std::size_t index : indexes) {
    if (index >= list->ImageCount()) {
      Report(path, NoSuchImage(index, *list));
      return kExitBadInput;
    }
  }
  RemoveImages(*list, indexes);
  if (!SaveGroup(path, *list)) return kExitWriteFailed;
  std::cout << path << ": removed " << indexes.size() << ", " << list->ImageCount() << " left\n";
  return kExitOk;
}

int RunMove(const Arguments& args) {
  std::optional<std::size_t> from = IndexOperand(args.operands[1]);
  std::optional<std::size_t> to = IndexOperand(args.operands[2]);
  if (!from || !to) return kExitUsage;
  const Text& path = args.operands[0];
  std::optional<ImageList> list = LoadGroup(path);
  if (!list) return kExitBadInput;
  for (std::size_t index : {*from, *to}) {
    if (index >= list->ImageCount()) {
      Report(path, NoSuchImage(index, *list));
      return kExitBadInput;
    }
  }
  MoveImage(*list, *from, *to);
  if (!SaveGroup(path, *list)) return kExitWriteFailed;
  std::cout << path << ": image " << *from << " is now image " << *to << '\n';
  return kExitOk;
}

}  // namespace tilvane::qiltool
