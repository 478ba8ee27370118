// An image group treated as a collection: each operation decodes the bytes it
// is given and, when it changes anything, replaces them with a new encoding.
#pragma once

#include "core/text.h"

namespace tilvane {

// Number of images; 0 when the group does not decode (too large included).
// Reads only the group's headers: no pixel is decoded.
int ImageGroupCount(ByteSpan group);

// Removes images index, index + 1, ... index + count - 1 as far as they exist
// and re-encodes the group, keeping its capacity. True whenever the group was
// decoded and encoded again, also when nothing was removed (index out of
// range, count <= 0); false, with `group` unchanged, when it does not decode
// or cannot be encoded, or memory runs out.
bool ImageGroupRemove(Bytes& group, int index, int count = 1);

}  // namespace tilvane
