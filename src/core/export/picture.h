// One image of a group rendered over a fill colour as a 24-bit BMP file.
#pragma once

#include "core/text.h"

namespace tilvane {

// The complete BMP (54-byte headers, rows bottom-up, each padded with zero
// bytes to four) of image `index`: every pixel is (background AND m) OR c on
// 24-bit colours, c the stored colour and m white where the mask marks the
// pixel transparent; a group without a mask is copied as it is. Empty bytes
// when the group does not decode, `index` is not one of its images or memory
// runs out.
Bytes ImageGroupPicture(ByteSpan group, int index, Colour background = 0x00FFFFFF);

}  // namespace tilvane
