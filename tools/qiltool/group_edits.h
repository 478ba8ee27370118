// Edits of a decoded group that keep its overlay indexes pointing at the same
// pictures, and the preparation of a group for taking in new 32-bit icons.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string_view>

#include "core/imagegroup/codec.h"
#include "core/text.h"

namespace tilvane::qiltool {

// Removes the images at `indexes` (all below the image count), keeping the
// capacity. An overlay on a removed image becomes -1; one on a later image
// follows it forward.
void RemoveImages(ImageList& list, const std::set<std::size_t>& indexes);

// Takes image `from` out and puts it back so that it ends up at index `to`
// (both below the image count); overlays follow their images.
void MoveImage(ImageList& list, std::size_t from, std::size_t to);

// Gives the group the form new icons need, as the editor's intake does: 32
// bits per pixel, and a mask (existing images all opaque). Returns what was
// changed for the user, e.g. "8-bit colours converted to 32 bits"; empty when
// nothing was.
Text PrepareForIcons(ImageList& list);

// A decimal image index without sign, nothing for anything else.
std::optional<std::size_t> ParseIndex(std::string_view text);

// "RRGGBB" (optionally after "#") as a colour 0x00BBGGRR; nothing otherwise.
std::optional<Colour> ParseFillColour(std::string_view text);

// A colour 0x00BBGGRR written as "RRGGBB".
Text ColourText(Colour colour);

}  // namespace tilvane::qiltool
