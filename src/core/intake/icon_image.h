// Decoding of the picture of one icon entry (the bytes one ICO directory entry
// or one RT_ICON resource points at): a DIB with an AND mask, or a PNG.
#pragma once

#include "core/error_or.h"
#include "core/intake/icon_pixels.h"
#include "core/text.h"

namespace tilvane {

// True when the bytes start with the PNG signature.
bool IsPngData(ByteSpan bytes);

// A DIB icon entry: a BITMAPINFOHEADER whose height counts colour rows and AND
// mask rows together, the palette (1, 4 and 8 bits), the colour rows (1, 4, 8,
// 16 as 5-5-5, 24, 32 bits, uncompressed) and the 1-bit AND mask. A 32-bit
// entry with any alpha above 0 keeps its alpha and takes its mask from it; every
// other entry takes the AND mask (all opaque when the mask rows are missing).
// Fails for a broken header, cut-short colour rows or a side over `maxSide`.
ErrorOr<IconPixels> DecodeDibIcon(ByteSpan bytes, int maxSide = kMaxIconEntrySide);

// Any PNG (every colour type and depth), its alpha kept and its
// mask taken from the alpha. Fails for a damaged PNG or a side over `maxSide`.
ErrorOr<IconPixels> DecodePngImage(ByteSpan bytes, int maxSide = kMaxPngSide);

// An icon entry of either kind, told apart by the PNG signature.
ErrorOr<IconPixels> DecodeIconEntry(ByteSpan bytes, int maxSide = kMaxIconEntrySide);

}  // namespace tilvane
