#include "core/imagegroup/codec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

#include "core/imagegroup/bmp_layout.h"
#include "core/imagegroup/pixel_rows.h"
#include "core/span_reader.h"

namespace tilvane {

namespace {

constexpr std::size_t kContainerHeaderSize = 8;
constexpr std::size_t kStreamHeaderSize = 28;
constexpr std::uint32_t kNoKeyColour = 0xFF000000;
constexpr std::uint32_t kTilesPerRow = 4;
constexpr std::uint32_t kMaskPaletteEntries = 2;

constexpr const char* kOutOfMemory = "out of memory";
constexpr const char* kInconsistentList = "the images do not agree with the group's own fields";
constexpr const char* kTooLargeToWrite = "too large for the format's bitmaps";
constexpr const char* kMaskBitPastWidth = "a mask bit set past an image's width";
constexpr const char* kImageDoesNotFit = "the image does not fit the group's cells";
constexpr const char* kGroupFull = "the group already holds 65,535 images";
constexpr const char* kNoRoomToGrow = "one more image would make the group too large to read back";

// Why CapacityForOneMore gave nothing for a group of `images` images.
const char* NoCapacityReason(std::size_t images) { return images >= kMaxImagesInGroup ? kGroupFull : kNoRoomToGrow; }

bool IsKnownDepthCode(unsigned code) {
  return code == 0 || code == 4 || code == 8 || code == 16 || code == 24 || code == 32;
}

std::uint32_t TileRowsFor(std::uint32_t tiles) { return (tiles + kTilesPerRow - 1) / kTilesPerRow; }

// The stored row (bottom-up) that holds row y of tile i in a bitmap `height`
// rows high whose tiles are `tileHeight` rows each.
std::size_t StoredRow(std::size_t height, std::size_t tileHeight, std::size_t i, std::size_t y) {
  return height - (i / kTilesPerRow) * tileHeight - 1 - y;
}

// Whether the bitmap has room for every slot, used or free. Holding the
// decoder to all slots (not only the used ones) keeps a re-encoding no larger
// than the bytes it came from: a few hundred bytes claiming 65,535 free slots
// would otherwise encode to hundreds of megabytes.
bool TilesFit(const BmpView& bmp, std::uint32_t tileWidth, std::uint32_t tileHeight, std::uint32_t capacity) {
  return bmp.width >= std::uint64_t{kTilesPerRow} * tileWidth &&
         bmp.height >= std::uint64_t{TileRowsFor(capacity)} * tileHeight;
}

// The icons this editor makes: 32 x 32 pixels, 32 bits deep. Their tile rows
// are copied with a width known at compile time.
constexpr std::size_t kIconWidth = 32;

// Calls cutRow(row, x0, out) for rows 0 .. th - 1 of tiles first .. end - 1,
// with `row` the stored row that holds the tile's row, x0 the tile's first
// pixel in it and `out` the row's place in `block`, where the tiles lie one
// after another from tile `first` on, th rows of `rowSize` elements each.
// The stored rows are visited in the order they lie in the bytes, each once
// for all the tiles it crosses.
template <typename T, typename CutRow>
void CutTileRows(const BmpView& bmp, std::size_t tw, std::size_t th, std::size_t rowSize, std::size_t first,
                 std::size_t end, T* block, CutRow cutRow) {
  const std::size_t per = rowSize * th;
  for (std::size_t tileRow = first / kTilesPerRow; tileRow * kTilesPerRow < end; ++tileRow) {
    const std::size_t from = std::max(first, tileRow * kTilesPerRow);
    const std::size_t to = std::min(end, (tileRow + 1) * kTilesPerRow);
    const std::uint8_t* row = bmp.pixels.data() + StoredRow(bmp.height, th, from, th - 1) * bmp.stride;
    for (std::size_t y = th; y-- > 0; row += bmp.stride)
      for (std::size_t i = from; i < to; ++i)
        cutRow(row, (i % kTilesPerRow) * tw, block + (i - first) * per + y * rowSize);
  }
}

// Widens tiles first .. end - 1 of the colour bitmap into `pixels`.
void CutColourTiles(const BmpView& colour, std::size_t tw, std::size_t th, std::size_t first, std::size_t end,
                    std::uint32_t* pixels) {
  if (colour.bitsPerPixel == 32 && tw == kIconWidth && std::endian::native == std::endian::little) {
    CutTileRows(colour, tw, th, tw, first, end, pixels,
                [](const std::uint8_t* row, std::size_t x0, std::uint32_t* out) {
                  std::memcpy(out, row + 4 * x0, 4 * kIconWidth);
                });
    return;
  }
  const unsigned bits = colour.bitsPerPixel;
  CutTileRows(colour, tw, th, tw, first, end, pixels,
              [bits, tw](const std::uint8_t* row, std::size_t x0, std::uint32_t* out) {
                pixel_rows::ReadRow(row, bits, x0, tw, out);
              });
}

// Widens tiles first .. end - 1 of the mask bitmap into `entries`, a byte
// a pixel, as Image::mask holds them.
void CutMaskEntries(const BmpView& mask, std::size_t tw, std::size_t th, std::size_t first, std::size_t end,
                    std::uint8_t* entries) {
  CutTileRows(mask, tw, th, tw, first, end, entries, [tw](const std::uint8_t* row, std::size_t x0, std::uint8_t* out) {
    pixel_rows::UnpackBits(row, x0, tw, out);
  });
}

// Tile rows of whole bytes copied as they are, `kWidth` pixels wide when it
// is not 0 (so that the bytes of a row are a constant), `tw` otherwise.
template <std::size_t kWidth>
void CutWholeByteMaskTiles(const BmpView& mask, std::size_t tw, std::size_t th, std::size_t first, std::size_t end,
                           std::uint8_t* bits) {
  const std::size_t bytes = kWidth != 0 ? kWidth / 8 : tw / 8;
  CutTileRows(
      mask, tw, th, bytes, first, end, bits,
      [bytes](const std::uint8_t* row, std::size_t x0, std::uint8_t* out) { std::memcpy(out, row + x0 / 8, bytes); });
}

// Cuts tiles first .. end - 1 of the mask bitmap into `bits`, laid out as
// ImageList::mask holds them.
void CutMaskTiles(const BmpView& mask, std::size_t tw, std::size_t th, std::size_t first, std::size_t end,
                  std::uint8_t* bits) {
  if (tw == kIconWidth) return CutWholeByteMaskTiles<kIconWidth>(mask, tw, th, first, end, bits);
  if (tw % 8 == 0) return CutWholeByteMaskTiles<0>(mask, tw, th, first, end, bits);
  const std::size_t bytes = MaskRowBytes(tw);
  CutTileRows(mask, tw, th, bytes, first, end, bits,
              [tw, bytes](const std::uint8_t* row, std::size_t x0, std::uint8_t* out) {
                std::memset(out, 0, bytes);
                pixel_rows::OrBits(row, x0, tw, out, 0);
              });
}

// A group whose structure checked out: its header fields and palette, and
// where its bitmaps lie in the bytes. Nothing here is sized by the pixels.
struct ParsedGroup {
  ImageGroupShape shape;
  BmpView colour;
  std::optional<BmpView> mask;
};

ErrorOr<ParsedGroup> Parse(ByteSpan bytes) {
  if (bytes.size() <= kContainerHeaderSize) return Failure{"too short for an image group"};
  if (bytes[0] != 'M' || bytes[1] != 'I' || bytes[2] != 'T' || bytes[3] != 'L') return Failure{"not an image group"};

  // The colour word is a key colour for drawing without masks; nothing here
  // draws that way, so its value is not read.
  SpanReader reader(bytes.subspan(kContainerHeaderSize));
  if (reader.Remaining() < kStreamHeaderSize) return Failure{"stream header cut short"};
  const std::uint8_t i = reader.U8();
  const std::uint8_t l = reader.U8();
  if (i != 'I' || l != 'L') return Failure{"not an image-list stream"};

  ParsedGroup parsed;
  ImageList& list = parsed.shape.header;
  list.version = reader.U16();
  parsed.shape.imageCount = reader.U16();
  list.capacity = reader.U16();
  list.growStep = reader.U16();
  list.tileWidth = reader.U16();
  list.tileHeight = reader.U16();
  list.backColour = reader.U32();
  list.flags = reader.U16();
  for (auto& overlay : list.overlays) overlay = reader.I16();
  const std::uint16_t imageCount = parsed.shape.imageCount;

  if (list.version != kImageListVersion) return Failure{"unsupported image-list version"};
  if (list.capacity < imageCount) return Failure{"capacity below image count"};
  if (imageCount > 0 && (list.tileWidth == 0 || list.tileHeight == 0)) return Failure{"images of zero size"};
  const unsigned depthCode = list.flags & kDepthCodeBits;
  if (!IsKnownDepthCode(depthCode)) return Failure{"unknown colour depth code"};

  const BmpView colour = TRY(ReadBmp(reader, BmpPart::kColour));
  if (depthCode != 0 && depthCode != colour.bitsPerPixel) return Failure{"depth code contradicts colour bitmap"};
  if (!TilesFit(colour, list.tileWidth, list.tileHeight, list.capacity))
    return Failure{"colour bitmap smaller than its tiles"};
  parsed.colour = colour;

  if (list.HasMask()) {
    parsed.mask = TRY(ReadBmp(reader, BmpPart::kMask));
    if (parsed.mask->bitsPerPixel != 1) return Failure{"mask bitmap is not one bit deep"};
    if (!TilesFit(*parsed.mask, list.tileWidth, list.tileHeight, list.capacity))
      return Failure{"mask bitmap smaller than its tiles"};
  }

  // At most 256 entries, whatever the bitmap.
  list.bitsPerPixel = colour.bitsPerPixel;
  const std::size_t entries = colour.palette.size() / 4;
  list.palette.resize(entries);
  for (std::size_t e = 0; e < entries; ++e) {
    const std::uint8_t* p = colour.palette.data() + 4 * e;
    list.palette[e] = p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  }
  return parsed;
}

// A parsed group small enough to decode.
ErrorOr<ParsedGroup> ParseWithinLimit(ByteSpan bytes) {
  ParsedGroup parsed = TRY(Parse(bytes));
  if (parsed.shape.DecodedPixels() > kMaxDecodedPixels) return Failure{kTooLargeReason};
  return parsed;
}

// Decodes into `list`, keeping the storage of its blocks. Room is made in
// both blocks before anything is changed, so that running out of memory
// leaves `list` as it was.
ErrorOr<void> DecodeInto(ByteSpan bytes, ImageList& list) {
  ParsedGroup parsed = TRY(ParseWithinLimit(bytes));
  // Everything below is sized by what the bitmaps were just shown to hold,
  // and by the cap just checked.
  ImageList& header = parsed.shape.header;
  const std::size_t count = parsed.shape.imageCount;
  const std::size_t values = count * header.PixelsPerImage();
  const std::size_t maskBytes = parsed.mask ? count * header.MaskBytesPerImage() : 0;
  list.pixels.reserve(values);
  list.mask.reserve(maskBytes);
  list.pixels.resize(values);
  list.mask.resize(maskBytes);
  header.pixels.swap(list.pixels);
  header.mask.swap(list.mask);
  list = std::move(header);
  const std::size_t tw = list.tileWidth;
  const std::size_t th = list.tileHeight;
  CutColourTiles(parsed.colour, tw, th, 0, count, list.pixels.data());
  if (parsed.mask) CutMaskTiles(*parsed.mask, tw, th, 0, count, list.mask.data());
  return {};
}

ErrorOr<ImageList> Decode(ByteSpan bytes) {
  ImageList list;
  TRY(DecodeInto(bytes, list));
  return list;
}

std::uint32_t LargestValue(unsigned bits) { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1; }

// Every check that makes a list impossible to write, or one that would not
// decode back to itself, apart from the mask's bits past the width.
bool CanEncode(const ImageList& list) {
  if (list.version != kImageListVersion) return false;
  const unsigned bits = list.bitsPerPixel;
  const unsigned depthCode = list.flags & kDepthCodeBits;
  if (!IsBmpDepth(bits) || !IsKnownDepthCode(depthCode)) return false;
  if (depthCode != 0 && depthCode != bits) return false;
  if (list.palette.size() != (bits <= 8 ? std::size_t{1} << bits : 0)) return false;
  const std::size_t pixels = list.PixelsPerImage();
  if (pixels == 0 ? !list.pixels.empty() : list.pixels.size() % pixels != 0) return false;
  if (list.mask.size() != (list.HasMask() ? list.ImageCount() * list.MaskBytesPerImage() : 0)) return false;
  if (list.ImageCount() > list.capacity) return false;
  if (bits < 32) {
    std::uint32_t any = 0;
    for (std::uint32_t value : list.pixels) any |= value;
    if ((any & ~LargestValue(bits)) != 0) return false;
  }
  return true;
}

struct BitmapSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint64_t colourStride = 0;
  std::uint64_t colourBytes = 0;
  std::uint64_t maskStride = 0;
  std::uint64_t maskBytes = 0;
};

// The bitmaps of a group shaped as `list` with `capacity` slots.
std::optional<BitmapSize> SizeBitmaps(const ImageList& list, std::uint16_t capacity) {
  BitmapSize size;
  size.width = kTilesPerRow * list.tileWidth;
  // At most 65,535 x 16,384 rows, which the signed height field holds.
  size.height = std::uint32_t{list.tileHeight} * TileRowsFor(capacity);
  size.colourStride = BmpRowStride(size.width, list.bitsPerPixel);
  size.colourBytes = size.colourStride * size.height;
  size.maskStride = list.HasMask() ? BmpRowStride(size.width, 1) : 0;
  size.maskBytes = size.maskStride * size.height;
  // The information header holds each image size in 32 bits.
  if (size.colourBytes > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  if (size.maskBytes > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  if (size.colourBytes + size.maskBytes > std::numeric_limits<std::size_t>::max() / 2) return std::nullopt;
  return size;
}

// Where EncodeImageGroup puts each part of a group: the headers, then the
// colour rows, then (with a mask) the mask's headers and rows.
struct GroupLayout {
  BitmapSize size;
  std::size_t colourRowsAt = 0;
  std::size_t maskHeaderAt = 0;
  std::size_t maskRowsAt = 0;
  std::size_t total = 0;
};

constexpr std::size_t kImageCountAt = kContainerHeaderSize + 4;
constexpr std::size_t kMaskHeadersSize = kBmpHeadersSize + 4 * kMaskPaletteEntries;

std::optional<GroupLayout> LayoutFor(const ImageList& header, std::uint16_t capacity) {
  const auto size = SizeBitmaps(header, capacity);
  if (!size) return std::nullopt;
  GroupLayout layout;
  layout.size = *size;
  layout.colourRowsAt = kContainerHeaderSize + kStreamHeaderSize + kBmpHeadersSize + 4 * header.palette.size();
  layout.maskHeaderAt = layout.colourRowsAt + size->colourBytes;
  layout.maskRowsAt = layout.maskHeaderAt + (header.HasMask() ? kMaskHeadersSize : 0);
  layout.total = layout.maskRowsAt + size->maskBytes;
  return layout;
}

std::optional<GroupLayout> LayoutFor(const ImageList& header) { return LayoutFor(header, header.capacity); }

void AppendStreamHeader(Bytes& out, const ImageList& list, std::size_t imageCount) {
  out.push_back('M');
  out.push_back('I');
  out.push_back('T');
  out.push_back('L');
  AppendU32(out, kNoKeyColour);
  out.push_back('I');
  out.push_back('L');
  AppendU16(out, kImageListVersion);
  AppendU16(out, static_cast<std::uint16_t>(imageCount));
  AppendU16(out, list.capacity);
  AppendU16(out, list.growStep);
  AppendU16(out, list.tileWidth);
  AppendU16(out, list.tileHeight);
  AppendU32(out, list.backColour);
  AppendU16(out, list.flags);
  for (std::int16_t overlay : list.overlays) AppendU16(out, static_cast<std::uint16_t>(overlay));
}

// Every byte before the colour rows: the stream header and the colour
// bitmap's headers and palette.
void AppendLeadingHeaders(Bytes& out, const ImageList& list, std::size_t imageCount, const BitmapSize& size) {
  AppendStreamHeader(out, list, imageCount);
  const std::uint32_t entries = static_cast<std::uint32_t>(list.palette.size());
  AppendBmpHeaders(out, size.width, size.height, list.bitsPerPixel, entries, kBmpHeadersSize + 4 * entries);
  for (std::uint32_t entry : list.palette) AppendU32(out, entry);
}

void AppendMaskHeaders(Bytes& out, const BitmapSize& size) {
  AppendBmpHeaders(out, size.width, size.height, 1, kMaskPaletteEntries, kMaskHeadersSize);
  AppendU32(out, 0x00000000);  // entry 0: black, opaque
  AppendU32(out, 0x00FFFFFF);  // entry 1: white, transparent
}

// Fills the `height` pixel rows of a tiled bitmap at `rows`, `stride` bytes
// each, a tile row at a time and in each from its top row down, so that
// every image is read front to back. Each row is cleared first unless
// `tilesFillRows` says the tiles cover all of it and four tiles cross it;
// `putRow(row, image, x0, y)` then writes row y of each image it crosses from
// pixel x0 on, ORing sub-byte pixels in.
template <typename PutRow>
void PutTileRows(std::uint8_t* rows, const ImageList& list, std::uint32_t height, std::size_t stride,
                 bool tilesFillRows, PutRow putRow) {
  const std::size_t tw = list.tileWidth;
  const std::size_t th = list.tileHeight;
  const std::size_t count = list.ImageCount();
  // Zero-width tiles give rows of no bytes, however many rows are declared.
  if (stride == 0) return;
  for (std::size_t first = 0; first / kTilesPerRow * th < height; first += kTilesPerRow) {
    const std::size_t end = std::min(first + kTilesPerRow, std::max(first, count));
    const bool clear = !tilesFillRows || end != first + kTilesPerRow;
    std::uint8_t* row = rows + StoredRow(height, th, first, 0) * stride;
    for (std::size_t y = 0; y < th; ++y, row -= stride) {
      if (clear) std::memset(row, 0, stride);
      for (std::size_t i = first; i < end; ++i) putRow(row, i, (i % kTilesPerRow) * tw, y);
    }
  }
}

void PutColourRows(std::uint8_t* rows, const ImageList& list, const BitmapSize& size) {
  const std::size_t tw = list.tileWidth;
  const unsigned bits = list.bitsPerPixel;
  const bool tilesFillRows = bits >= 8 && size.colourStride == kTilesPerRow * tw * bits / 8;
  if (bits == 32 && tw == kIconWidth && std::endian::native == std::endian::little) {
    PutTileRows(rows, list, size.height, size.colourStride, tilesFillRows,
                [&list](std::uint8_t* row, std::size_t image, std::size_t x0, std::size_t y) {
                  std::memcpy(row + 4 * x0, list.PixelsOf(image).data() + y * kIconWidth, 4 * kIconWidth);
                });
    return;
  }
  PutTileRows(rows, list, size.height, size.colourStride, tilesFillRows,
              [&list, tw, bits](std::uint8_t* row, std::size_t image, std::size_t x0, std::size_t y) {
                pixel_rows::WriteRow(row, bits, x0, tw, list.PixelsOf(image).data() + y * tw);
              });
}

// Copies whole-byte tile rows as CutWholeByteMaskTiles reads them.
template <std::size_t kWidth>
void PutWholeByteMaskRows(std::uint8_t* rows, const ImageList& list, const BitmapSize& size) {
  const std::size_t tw = list.tileWidth;
  const std::size_t bytes = kWidth != 0 ? kWidth / 8 : tw / 8;
  // Four tiles then fill a row, which is written over.
  const bool tilesFillRows = size.maskStride == kTilesPerRow * bytes;
  PutTileRows(rows, list, size.height, size.maskStride, tilesFillRows,
              [&list, bytes](std::uint8_t* row, std::size_t image, std::size_t x0, std::size_t y) {
                std::memcpy(row + x0 / 8, list.MaskOf(image).Row(y), bytes);
              });
}

// The bits past the width are already known to be 0.
void PutMaskRows(std::uint8_t* rows, const ImageList& list, const BitmapSize& size) {
  const std::size_t tw = list.tileWidth;
  if (tw == kIconWidth) return PutWholeByteMaskRows<kIconWidth>(rows, list, size);
  if (tw % 8 == 0) return PutWholeByteMaskRows<0>(rows, list, size);
  PutTileRows(rows, list, size.height, size.maskStride, false,
              [&list, tw](std::uint8_t* row, std::size_t image, std::size_t x0, std::size_t y) {
                pixel_rows::OrBits(list.MaskOf(image).Row(y), 0, tw, row, x0);
              });
}

// Whether every mask row's bits past the width are 0: a set one would land
// in the next tile.
bool MaskPaddingClear(const ImageList& list) {
  const std::size_t bytes = MaskRowBytes(list.tileWidth);
  const std::size_t spare = bytes * 8 - list.tileWidth;
  if (spare == 0) return true;
  const auto low = static_cast<std::uint8_t>((1u << spare) - 1);
  for (std::size_t end = bytes; end <= list.mask.size(); end += bytes)
    if ((list.mask[end - 1] & low) != 0) return false;
  return true;
}

// Encodes into `out`, keeping its storage. Every check is made and every
// allocation done before the first byte of `out` is written, so that a
// failure leaves it as it was and a list can be written back over the bytes
// it was decoded from.
ErrorOr<void> EncodeInto(const ImageList& list, Bytes& out) {
  if (!CanEncode(list)) return Failure{kInconsistentList};
  const auto layout = LayoutFor(list);
  if (!layout) return Failure{kTooLargeToWrite};
  if (!MaskPaddingClear(list)) return Failure{kMaskBitPastWidth};
  Bytes headers;
  AppendLeadingHeaders(headers, list, list.ImageCount(), layout->size);
  Bytes maskHeaders;
  if (list.HasMask()) AppendMaskHeaders(maskHeaders, layout->size);
  // Only the growth of a shorter vector is cleared; every byte is written below.
  out.resize(layout->total);
  std::memcpy(out.data(), headers.data(), headers.size());
  PutColourRows(out.data() + layout->colourRowsAt, list, layout->size);
  if (list.HasMask()) {
    std::memcpy(out.data() + layout->maskHeaderAt, maskHeaders.data(), maskHeaders.size());
    PutMaskRows(out.data() + layout->maskRowsAt, list, layout->size);
  }
  return {};
}

// One of a group's two tiled bitmaps inside its bytes, for moving tiles as
// bytes: every tile row starts and ends on a byte.
struct TileRows {
  std::uint8_t* rows;
  std::size_t height;
  std::size_t stride;
  std::size_t tileHeight;
  std::size_t rowBytes;  // bytes in one row of one tile

  std::uint8_t* Row(std::size_t tile, std::size_t y) const {
    return rows + StoredRow(height, tileHeight, tile, y) * stride + (tile % kTilesPerRow) * rowBytes;
  }
  void MoveTile(std::size_t from, std::size_t to) const {
    for (std::size_t y = 0; y < tileHeight; ++y) std::memcpy(Row(to, y), Row(from, y), rowBytes);
  }
  void ClearTile(std::size_t tile) const {
    for (std::size_t y = 0; y < tileHeight; ++y) std::memset(Row(tile, y), 0, rowBytes);
  }
  // Whether every slot from `first` on holds only zero bytes.
  bool SlotsClear(std::size_t first) const {
    const std::size_t usedTileRows = TileRowsFor(static_cast<std::uint32_t>(first));
    // Whole tile rows past the used ones lie together at the start.
    const std::size_t freeRows = height - std::min(height, usedTileRows * tileHeight);
    if (!AllZero(rows, freeRows * stride)) return false;
    for (std::size_t tile = first; tile < usedTileRows * kTilesPerRow; ++tile)
      for (std::size_t y = 0; y < tileHeight; ++y)
        if (!AllZero(Row(tile, y), rowBytes)) return false;
    return true;
  }
  static bool AllZero(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes + i, 8);
      any |= word;
    }
    for (; i < size; ++i) any |= bytes[i];
    return any == 0;
  }
};

// A group that can be edited where it lies: its bytes are exactly what
// EncodeImageGroup writes for what it decodes to (the same headers, zeros in
// every free slot, nothing after the last bitmap), and its tile rows start
// and end on bytes, so its rows have no padding.
struct InPlaceGroup {
  ImageList header;
  std::size_t images = 0;
  GroupLayout layout;

  TileRows Colour(Bytes& group) const {
    return {group.data() + layout.colourRowsAt, layout.size.height, layout.size.colourStride, header.tileHeight,
            std::size_t{header.tileWidth} * header.bitsPerPixel / 8};
  }
  TileRows Mask(Bytes& group) const {
    return {group.data() + layout.maskRowsAt, layout.size.height, layout.size.maskStride, header.tileHeight,
            std::size_t{header.tileWidth} / 8};
  }
};

bool SameBytes(ByteSpan bytes, std::size_t at, const Bytes& expected) {
  return at <= bytes.size() && expected.size() <= bytes.size() - at &&
         std::memcmp(bytes.data() + at, expected.data(), expected.size()) == 0;
}

// Nothing for any other group, which is then edited as a whole.
std::optional<InPlaceGroup> OpenInPlace(Bytes& group) {
  ErrorOr<ParsedGroup> parsed = ParseWithinLimit(group);
  if (!parsed) return std::nullopt;
  InPlaceGroup open{std::move(parsed->shape.header), parsed->shape.imageCount, {}};
  const ImageList& header = open.header;
  const std::size_t tw = header.tileWidth;
  if (tw == 0 || header.tileHeight == 0) return std::nullopt;
  if ((tw * header.bitsPerPixel) % 8 != 0 || (header.HasMask() && tw % 8 != 0)) return std::nullopt;
  const auto layout = LayoutFor(header);
  if (!layout || group.size() != layout->total) return std::nullopt;
  open.layout = *layout;
  Bytes expected;
  AppendLeadingHeaders(expected, header, open.images, layout->size);
  if (!SameBytes(group, 0, expected)) return std::nullopt;
  if (header.HasMask()) {
    expected.clear();
    AppendMaskHeaders(expected, layout->size);
    if (!SameBytes(group, layout->maskHeaderAt, expected)) return std::nullopt;
  }
  if (!open.Colour(group).SlotsClear(open.images)) return std::nullopt;
  if (header.HasMask() && !open.Mask(group).SlotsClear(open.images)) return std::nullopt;
  return open;
}

void PutImageCount(Bytes& group, std::size_t count) {
  group[kImageCountAt] = static_cast<std::uint8_t>(count);
  group[kImageCountAt + 1] = static_cast<std::uint8_t>(count >> 8);
}

// Makes room for `capacity` slots where the group lies: the colour and mask
// rows move towards the end by the tile rows added (rows are stored bottom
// up, so new tile rows come first), the new rows are cleared, and every
// header is written again. Only the vector's growth can fail, and then
// nothing has changed.
void GrowInPlace(Bytes& group, InPlaceGroup& open, std::uint16_t capacity) {
  ImageList grown = open.header;
  grown.capacity = capacity;
  const GroupLayout old = open.layout;
  const GroupLayout layout = *LayoutFor(grown);  // checked by the caller
  const std::size_t addedRows = layout.size.height - old.size.height;
  group.resize(layout.total);
  std::uint8_t* const bytes = group.data();
  if (grown.HasMask()) {
    std::memmove(bytes + layout.maskRowsAt + addedRows * layout.size.maskStride, bytes + old.maskRowsAt,
                 old.size.maskBytes);
    std::memset(bytes + layout.maskRowsAt, 0, addedRows * layout.size.maskStride);
  }
  std::memmove(bytes + layout.colourRowsAt + addedRows * layout.size.colourStride, bytes + old.colourRowsAt,
               old.size.colourBytes);
  std::memset(bytes + layout.colourRowsAt, 0, addedRows * layout.size.colourStride);
  Bytes headers;
  AppendLeadingHeaders(headers, grown, open.images, layout.size);
  std::memcpy(bytes, headers.data(), headers.size());
  if (grown.HasMask()) {
    headers.clear();
    AppendMaskHeaders(headers, layout.size);
    std::memcpy(bytes + layout.maskHeaderAt, headers.data(), headers.size());
  }
  open.header = std::move(grown);
  open.layout = layout;
}

// Adds `image` (already known to fit) into the first free slot of a 32-bit
// group with a mask where it lies.
ErrorOr<void> AppendInPlace(Bytes& group, InPlaceGroup& open, const Image& image) {
  if (!ImageFits(open.header, image)) return Failure{kImageDoesNotFit};
  const auto capacity = CapacityForOneMore(open.header, open.images);
  if (!capacity) return Failure{NoCapacityReason(open.images)};
  // CapacityForOneMore gives only capacities that can be written.
  if (*capacity != open.header.capacity) GrowInPlace(group, open, *capacity);
  const std::size_t tw = open.header.tileWidth;
  const TileRows colour = open.Colour(group);
  const TileRows mask = open.Mask(group);
  for (std::size_t y = 0; y < open.header.tileHeight; ++y) {
    pixel_rows::WriteRow(colour.Row(open.images, y), 32, 0, tw, image.pixels.data() + y * tw);
    pixel_rows::PackBits(mask.Row(open.images, y), 0, tw, image.mask.data() + y * tw);
  }
  PutImageCount(group, open.images + 1);
  return {};
}

// Appends the zeroed rows of a tiled bitmap with tiles 0 .. count - 1
// copied as bytes from `from`, whose tiles are as high and whose tile rows
// start and end on bytes.
void AppendTilesAsBytes(Bytes& out, const BmpView& from, std::size_t tileHeight, std::size_t rowBytes,
                        std::uint32_t height, std::size_t stride, std::size_t count) {
  const std::size_t start = out.size();
  out.resize(start + stride * height);
  if (stride == 0) return;
  const TileRows to{out.data() + start, height, stride, tileHeight, rowBytes};
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = (i % kTilesPerRow) * rowBytes;
    for (std::size_t y = 0; y < tileHeight; ++y)
      std::memcpy(to.Row(i, y), from.pixels.data() + StoredRow(from.height, tileHeight, i, y) * from.stride + at,
                  rowBytes);
  }
}

// The group exactly as EncodeImageGroup would write what it decodes to
// (headers written afresh, free slots cleared, nothing after the last
// bitmap), its tiles moved as bytes, so that it can be edited in place.
// Nothing when its tile rows share bytes, which only a decode can separate.
ErrorOr<std::optional<Bytes>> NormalForm(ByteSpan bytes) {
  const ParsedGroup parsed = TRY(ParseWithinLimit(bytes));
  const ImageList& header = parsed.shape.header;
  const std::size_t tw = header.tileWidth;
  if (tw == 0 || (tw * header.bitsPerPixel) % 8 != 0 || (parsed.mask && tw % 8 != 0)) return std::nullopt;
  const auto layout = LayoutFor(header);
  if (!layout) return Failure{kTooLargeToWrite};
  const BitmapSize& size = layout->size;
  const std::size_t count = parsed.shape.imageCount;
  Bytes out;
  out.reserve(layout->total);
  AppendLeadingHeaders(out, header, count, size);
  AppendTilesAsBytes(out, parsed.colour, header.tileHeight, tw * header.bitsPerPixel / 8, size.height,
                     size.colourStride, count);
  if (parsed.mask) {
    AppendMaskHeaders(out, size);
    AppendTilesAsBytes(out, *parsed.mask, header.tileHeight, tw / 8, size.height, size.maskStride, count);
  }
  return std::optional<Bytes>(std::move(out));
}

// Opens `group` to be edited in place, first replacing `normal` with its
// normal form when it is not already in it (`group` itself is left as it
// is); the bytes to edit are then `normal`. Nothing when its tiles cannot
// move as bytes.
ErrorOr<std::optional<InPlaceGroup>> OpenForEdit(Bytes& group, Bytes& normal, bool& useNormal) {
  useNormal = false;
  if (std::optional<InPlaceGroup> open = OpenInPlace(group)) return open;
  std::optional<Bytes> rewritten = TRY(NormalForm(group));
  if (!rewritten) return std::optional<InPlaceGroup>();
  normal = std::move(*rewritten);
  useNormal = true;
  return OpenInPlace(normal);
}

void RemoveTiles(Bytes& group, const InPlaceGroup& open, std::size_t first, std::size_t count) {
  const std::size_t images = open.images;
  const std::size_t removed = first < images ? std::min(count, images - first) : 0;
  const std::size_t kept = images - removed;
  // Nothing removed, nothing moves: a tile is never copied onto itself.
  if (removed == 0) return;
  for (const TileRows& rows : {open.Colour(group), open.Mask(group)}) {
    if (rows.stride == 0) continue;  // no mask
    for (std::size_t j = first; j < kept; ++j) rows.MoveTile(j + removed, j);
    for (std::size_t j = kept; j < images; ++j) rows.ClearTile(j);
  }
  PutImageCount(group, kept);
}

}  // namespace

ErrorOr<ImageList> DecodeImageGroup(ByteSpan bytes) {
  try {
    return Decode(bytes);
  } catch (const std::bad_alloc&) {
    return Failure{kOutOfMemory};
  }
}

ErrorOr<void> DecodeImageGroupInto(ByteSpan bytes, ImageList& list) {
  try {
    return DecodeInto(bytes, list);
  } catch (const std::bad_alloc&) {
    return Failure{kOutOfMemory};
  }
}

ErrorOr<ImageGroupShape> CheckImageGroup(ByteSpan bytes) {
  try {
    return TRY(Parse(bytes)).shape;
  } catch (const std::bad_alloc&) {
    return Failure{kOutOfMemory};
  }
}

bool WithinDecodeLimit(const ImageGroupShape& shape) { return shape.DecodedPixels() <= kMaxDecodedPixels; }

std::optional<std::uint64_t> EncodedGroupSize(const ImageList& header, std::uint16_t capacity) {
  const auto layout = LayoutFor(header, capacity);
  if (!layout) return std::nullopt;
  return layout->total;
}

ErrorOr<Bytes> EncodeImageGroup(const ImageList& list) {
  try {
    Bytes out;
    TRY(EncodeInto(list, out));
    return out;
  } catch (const std::bad_alloc&) {
    return Failure{kOutOfMemory};
  }
}

ErrorOr<void> EncodeImageGroupInto(const ImageList& list, Bytes& out) {
  try {
    return EncodeInto(list, out);
  } catch (const std::bad_alloc&) {
    return Failure{kOutOfMemory};
  }
}

struct ImageGroupReader::Parts {
  ParsedGroup parsed;
};

ImageGroupReader::ImageGroupReader(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
ImageGroupReader::~ImageGroupReader() = default;
ImageGroupReader::ImageGroupReader(ImageGroupReader&&) noexcept = default;
ImageGroupReader& ImageGroupReader::operator=(ImageGroupReader&&) noexcept = default;

ErrorOr<ImageGroupReader> ImageGroupReader::Open(ByteSpan bytes) {
  try {
    ParsedGroup parsed = TRY(ParseWithinLimit(bytes));
    return ImageGroupReader(std::make_unique<Parts>(Parts{std::move(parsed)}));
  } catch (const std::bad_alloc&) {
    return Failure{kOutOfMemory};
  }
}

const ImageList& ImageGroupReader::header() const { return parts_->parsed.shape.header; }
std::size_t ImageGroupReader::size() const { return parts_->parsed.shape.imageCount; }

Image ImageGroupReader::ImageAt(std::size_t index) const {
  const ParsedGroup& parsed = parts_->parsed;
  const ImageList& list = parsed.shape.header;
  Image image;
  image.pixels.resize(list.PixelsPerImage());
  CutColourTiles(parsed.colour, list.tileWidth, list.tileHeight, index, index + 1, image.pixels.data());
  if (parsed.mask) {
    image.mask.resize(list.PixelsPerImage());
    CutMaskEntries(*parsed.mask, list.tileWidth, list.tileHeight, index, index + 1, image.mask.data());
  }
  return image;
}

ErrorOr<Bytes> RemoveImagesFromGroup(ByteSpan bytes, std::size_t first, std::size_t count) {
  try {
    Bytes group(bytes.begin(), bytes.end());
    TRY(RemoveImagesInPlace(group, first, count));
    return group;
  } catch (const std::bad_alloc&) {
    return Failure{kOutOfMemory};
  }
}

ErrorOr<Bytes> AppendImageToGroup(ByteSpan bytes, const Image& image) {
  try {
    Bytes group(bytes.begin(), bytes.end());
    TRY(AppendImageInPlace(group, image));
    return group;
  } catch (const std::bad_alloc&) {
    return Failure{kOutOfMemory};
  }
}

ErrorOr<void> RemoveImagesInPlace(Bytes& group, std::size_t first, std::size_t count) {
  try {
    Bytes normal;
    bool useNormal = false;
    const std::optional<InPlaceGroup> open = TRY(OpenForEdit(group, normal, useNormal));
    if (!open) {
      // Tiles that share bytes with their neighbours are moved pixel by
      // pixel; the list is written back over the group's own bytes.
      ImageList list = TRY(Decode(group));
      list.EraseImages(first, count);
      TRY(EncodeInto(list, group));
      return {};
    }
    Bytes& edited = useNormal ? normal : group;
    RemoveTiles(edited, *open, first, count);
    if (useNormal) group = std::move(normal);
    return {};
  } catch (const std::bad_alloc&) {
    return Failure{kOutOfMemory};
  }
}

ErrorOr<void> AppendImageInPlace(Bytes& group, const Image& image) {
  try {
    Bytes normal;
    bool useNormal = false;
    std::optional<InPlaceGroup> open = TRY(OpenForEdit(group, normal, useNormal));
    if (!open || !IsReadyForIcons(open->header)) {
      // Pixels of another depth, or tiles sharing bytes: through the whole list.
      ImageList list = TRY(Decode(group));
      if (!ImageFits(list, image)) return Failure{kImageDoesNotFit};
      if (!AppendImage(list, image)) return Failure{NoCapacityReason(list.ImageCount())};
      TRY(EncodeInto(list, group));
      return {};
    }
    Bytes& edited = useNormal ? normal : group;
    TRY(AppendInPlace(edited, *open, image));
    if (useNormal) group = std::move(normal);
    return {};
  } catch (const std::bad_alloc&) {
    return Failure{kOutOfMemory};
  }
}

}  // namespace tilvane
