#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "core/imagegroup/codec.h"
#include "exit_codes.h"
#include "merge.h"
#include "tool_files.h"

namespace tilvane::qiltool {

int RunMerge(const Arguments& args) {
  const Text& outPath = args.operands[0];
  std::vector<ImageList> inputs;
  bool unreadable = false;
  for (std::size_t i = 1; i < args.operands.size(); ++i) {
    std::optional<ImageList> list = LoadGroup(args.operands[i]);
    if (list) {
      inputs.push_back(std::move(*list));
    } else {
      unreadable = true;
    }
  }
  if (unreadable) {
    Report(outPath, "not written, since not every input decodes");
    return kExitBadInput;
  }

  ImageList merged = MergeTarget(inputs);
  std::uint64_t total = 0;
  for (const ImageList& input : inputs) total += input.ImageCount();
  if (!MergedSizeAcceptable(merged, total)) {
    Report(outPath, "not written: the merged group would hold over 1 GiB of pixels");
    return kExitBadInput;
  }
  for (std::size_t k = 0; k < inputs.size(); ++k) {
    const Text& inPath = args.operands[k + 1];
    const ImageList& input = inputs[k];
    const bool needsScaling = input.tileWidth != merged.tileWidth || input.tileHeight != merged.tileHeight;
    if (needsScaling && input.ImageCount() != 0 && !CanScaleInto(merged)) {
      Report(inPath, "its images cannot be scaled into " + std::to_string(merged.tileWidth) + "x" +
                         std::to_string(merged.tileHeight) + " cells");
      return kExitBadInput;
    }
    std::vector<Text> notes;
    std::optional<std::vector<Image>> images = ConvertForTarget(input, merged, notes);
    if (!images) {
      Report(inPath, "its images cannot be converted");
      return kExitBadInput;
    }
    for (const Text& note : notes) Report(inPath, note);
    for (const Image& image : *images) {
      if (!AppendImage(merged, image)) {
        Report(outPath, "not written: a group holds at most 65,535 images");
        return kExitBadInput;
      }
    }
  }
  if (!SaveGroup(outPath, merged)) return kExitWriteFailed;
  std::cout << outPath << ": " << merged.ImageCount() << " images from " << inputs.size()
            << (inputs.size() == 1 ? " group\n" : " groups\n");
  return kExitOk;
}

}  // namespace tilvane::qiltool
