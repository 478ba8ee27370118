// The built-in group new documents start from: 32 x 32 tiles at 32 bits with
// a mask, capacity 6, grow step 4, white background, and one placeholder image.
#pragma once

#include "core/text.h"

namespace tilvane {

// The same 33,944 bytes on every call and in every build; the flows that start
// from it remove the placeholder image straight away.
const Bytes& DefaultImageGroup();

}  // namespace tilvane
