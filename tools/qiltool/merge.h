// Bringing groups of different cell sizes and depths into one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/imagegroup/codec.h"
#include "core/text.h"

namespace tilvane::qiltool {

// The empty group the inputs are merged into (at least one input): the first
// input's cell size, capacity, grow step, background colour and overlays; its
// depth and palette when every input shares them and the cell size, 32 bits
// otherwise; a mask when any input has one.
ImageList MergeTarget(std::span<const ImageList> inputs);

// The images of `source` in the form of `target`: scaled with the intake
// scaler when the cell size differs, converted to 32 bits when the depth
// does, given an all-opaque mask when the target has one and the source does
// not. One line per conversion made is appended to `notes`. Nothing when an
// image does not hold its cell's pixels (never so for a decoded group).
std::optional<std::vector<Image>> ConvertForTarget(const ImageList& source, const ImageList& target, std::vector<Text>& notes);

// Whether images can be scaled into `target`'s cell without an absurd
// allocation (each side 1 to kMaxCellSide).
bool CanScaleInto(const ImageList& target);

// The most colour bytes a merged group may hold at 32 bits; scaling small
// images into large cells could otherwise ask for far more memory than the
// inputs take.
inline constexpr std::uint64_t kMaxMergedColourBytes = 1ull << 30;

// Whether `imageCount` images of `target`'s cell stay within kMaxMergedColourBytes.
bool MergedSizeAcceptable(const ImageList& target, std::uint64_t imageCount);

}  // namespace tilvane::qiltool
