// Taking one icon out of an executable, library or icon file into an image
// group held as file bytes.
#pragma once

#include "core/text.h"

namespace tilvane {

// Appends icon `iconIndex` of `filePath` (recognised by content), fitted into
// the group's cell, as the group's new last image with its mask; `smallIcon`
// prefers the 16 x 16 entry. A group of another depth is converted to 32 bits
// first (a 32-bit group keeps every stored byte of its images, only its depth
// code becoming 0x20), and one without a mask gains one (its images all
// opaque). Returns the
// new image's index, which is the old image count, or -1 with `group`
// unchanged: no group, a group that does not decode, no such icon, a file that
// is not an executable or icon file, a full group, a group that one more icon
// would make too large to read back (IconWouldOutgrowReading), a failed
// encode, memory running out.
int ImageGroupAddIcon(Bytes& group, const Text& filePath, int iconIndex = 0, bool smallIcon = false);

// Whether ImageGroupAddIcon would refuse `group` because the group it writes
// could not be read back: over kMaxImageGroupFileBytes once readied for icons
// and grown for one more, or over kMaxDecodedPixels with one more image. False
// for a group that does not decode and for a full one, which are refused
// for reasons of their own.
bool IconWouldOutgrowReading(ByteSpan group);

}  // namespace tilvane
