// Moving icon pictures in and out of an image group's 32-bit form.
#pragma once

#include <optional>

#include "core/imagegroup/codec.h"
#include "core/intake/icon_pixels.h"
#include "core/text.h"

namespace tilvane {

// The picture as an image of a 32-bit group with a mask (0xAARRGGBB kept as
// is); the caller has fitted it into the group's cell first.
Image ToGroupImage(const IconPixels& icon);

// Image `index` of `list` as a picture: colours through PixelRgb whatever the
// depth, the fourth byte kept at 32 bits, the mask (all opaque without one).
// Nothing for an index past the end.
std::optional<IconPixels> FromGroupImage(const ImageList& list, std::size_t index);

// The picture as an RGBA PNG: transparent pixels get alpha 0; opaque ones keep
// their alpha when the picture has one and get 255 otherwise. Nothing when
// the PNG encoder fails.
std::optional<Bytes> EncodePngIcon(const IconPixels& icon);

}  // namespace tilvane
