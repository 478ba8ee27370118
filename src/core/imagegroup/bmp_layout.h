// The uncompressed BMP variant found inside image groups and written by
// export: a 14-byte file header, a 40-byte information header, an optional
// colour table, then pixel rows bottom-up, each padded to four bytes.
#pragma once

#include <cstdint>

#include "core/error_or.h"
#include "core/span_reader.h"
#include "core/text.h"

namespace tilvane {

inline constexpr std::uint32_t kBmpHeadersSize = 14 + 40;

// Bytes per stored row: width * bitsPerPixel bits rounded up to whole 32-bit
// words. Exact for every width and depth a BMP header can declare.
constexpr std::uint64_t BmpRowStride(std::uint64_t width, std::uint64_t bitsPerPixel) {
  return (width * bitsPerPixel + 31) / 32 * 4;
}

// The depths an uncompressed BMP can have.
constexpr bool IsBmpDepth(unsigned bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Which of a group's two bitmaps is read, for the reasons a read gives.
enum class BmpPart { kColour, kMask };

// A BMP located in untrusted bytes: every view lies inside the input.
struct BmpView {
  std::uint32_t width = 0;
  std::uint32_t height = 0;  // rows stored bottom-up
  std::uint16_t bitsPerPixel = 0;
  std::uint64_t stride = 0;
  ByteSpan palette;  // 4 bytes per entry; 2^bits entries at 1, 4 and 8 bits, else empty
  ByteSpan pixels;   // exactly stride * height bytes, bottom row first
};

// Reads a BMP starting at the reader's position and leaves the reader just
// after its last pixel row (the declared file size is ignored). Accepts
// uncompressed, single-plane, bottom-up bitmaps of 1, 4, 8, 16, 24 or 32 bits.
// Fails with "<colour|mask> bitmap <short phrase>".
ErrorOr<BmpView> ReadBmp(SpanReader& reader, BmpPart part);

// Appends the file and information headers of an uncompressed bottom-up BMP
// with `paletteEntries` colour-table entries to follow. `fileSizeField` is
// written as given, since image groups store the pixel-data offset there.
void AppendBmpHeaders(Bytes& out, std::uint32_t width, std::uint32_t height, std::uint16_t bitsPerPixel,
                      std::uint32_t paletteEntries, std::uint32_t fileSizeField);

// Appends `value` as four little-endian bytes (two for AppendU16).
void AppendU32(Bytes& out, std::uint32_t value);
void AppendU16(Bytes& out, std::uint16_t value);

}  // namespace tilvane
