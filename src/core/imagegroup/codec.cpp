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

bool IsKnownDepthCode(unsigned code) {
  return code == 0 || code == 4 || code == 8 || code == 16 || code == 24 || code == 32;
}

bool IsBmpDepth(unsigned bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

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

// Records why, and converts to an empty result of any kind.
std::nullopt_t Fail(DecodeError& error, const char* reason) {
  error.reason = reason;
  return std::nullopt;
}

void CutColourTile(const BmpView& bmp, std::size_t tw, std::size_t th, std::size_t i, std::uint32_t* pixels) {
  const std::size_t x0 = (i % kTilesPerRow) * tw;
  for (std::size_t y = 0; y < th; ++y) {
    const std::uint8_t* row = bmp.pixels.data() + StoredRow(bmp.height, th, i, y) * bmp.stride;
    pixel_rows::ReadRow(row, bmp.bitsPerPixel, x0, tw, pixels + y * tw);
  }
}

void CutMaskTile(const BmpView& bmp, std::size_t tw, std::size_t th, std::size_t i, std::uint8_t* mask) {
  const std::size_t x0 = (i % kTilesPerRow) * tw;
  for (std::size_t y = 0; y < th; ++y) {
    const std::uint8_t* row = bmp.pixels.data() + StoredRow(bmp.height, th, i, y) * bmp.stride;
    pixel_rows::UnpackBits(row, x0, tw, mask + y * tw);
  }
}

void CutColourTiles(const BmpView& bmp, ImageList& list) {
  for (std::size_t i = 0; i < list.images.size(); ++i) {
    auto& pixels = list.images[i].pixels;
    pixels.resize(list.PixelsPerImage());
    CutColourTile(bmp, list.tileWidth, list.tileHeight, i, pixels.data());
  }
}

void CutMaskTiles(const BmpView& bmp, ImageList& list) {
  for (std::size_t i = 0; i < list.images.size(); ++i) {
    auto& mask = list.images[i].mask;
    mask.resize(list.PixelsPerImage());
    CutMaskTile(bmp, list.tileWidth, list.tileHeight, i, mask.data());
  }
}

// A group whose structure checked out: its header fields and palette, and
// where its bitmaps lie in the bytes. Nothing here is sized by the pixels.
struct ParsedGroup {
  ImageGroupShape shape;
  BmpView colour;
  std::optional<BmpView> mask;
};

std::optional<ParsedGroup> Parse(ByteSpan bytes, DecodeError& error) {
  if (bytes.size() <= kContainerHeaderSize) return Fail(error, "too short for an image group");
  if (bytes[0] != 'M' || bytes[1] != 'I' || bytes[2] != 'T' || bytes[3] != 'L')
    return Fail(error, "not an image group");

  // The colour word is a key colour for drawing without masks; nothing here
  // draws that way, so its value is not read.
  SpanReader reader(bytes.subspan(kContainerHeaderSize));
  if (reader.Remaining() < kStreamHeaderSize) return Fail(error, "stream header cut short");
  const std::uint8_t i = reader.U8();
  const std::uint8_t l = reader.U8();
  if (i != 'I' || l != 'L') return Fail(error, "not an image-list stream");

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

  if (list.version != kImageListVersion) return Fail(error, "unsupported image-list version");
  if (list.capacity < imageCount) return Fail(error, "capacity below image count");
  if (imageCount > 0 && (list.tileWidth == 0 || list.tileHeight == 0)) return Fail(error, "images of zero size");
  const unsigned depthCode = list.flags & kDepthCodeBits;
  if (!IsKnownDepthCode(depthCode)) return Fail(error, "unknown colour depth code");

  auto colour = ReadBmp(reader, "colour bitmap", error.reason);
  if (!colour) return std::nullopt;
  if (depthCode != 0 && depthCode != colour->bitsPerPixel) return Fail(error, "depth code contradicts colour bitmap");
  if (!TilesFit(*colour, list.tileWidth, list.tileHeight, list.capacity))
    return Fail(error, "colour bitmap smaller than its tiles");
  parsed.colour = *colour;

  if (list.HasMask()) {
    parsed.mask = ReadBmp(reader, "mask bitmap", error.reason);
    if (!parsed.mask) return std::nullopt;
    if (parsed.mask->bitsPerPixel != 1) return Fail(error, "mask bitmap is not one bit deep");
    if (!TilesFit(*parsed.mask, list.tileWidth, list.tileHeight, list.capacity))
      return Fail(error, "mask bitmap smaller than its tiles");
  }

  // At most 256 entries, whatever the bitmap.
  list.bitsPerPixel = colour->bitsPerPixel;
  const std::size_t entries = colour->palette.size() / 4;
  list.palette.resize(entries);
  for (std::size_t e = 0; e < entries; ++e) {
    const std::uint8_t* p = colour->palette.data() + 4 * e;
    list.palette[e] = p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  }
  return parsed;
}

std::optional<ImageList> Decode(ByteSpan bytes, DecodeError& error) {
  std::optional<ParsedGroup> parsed = Parse(bytes, error);
  if (!parsed) return std::nullopt;
  if (parsed->shape.DecodedPixels() > kMaxDecodedPixels) return Fail(error, kTooLargeReason);
  // Everything below is sized by what the bitmaps were just shown to hold,
  // and by the cap just checked.
  ImageList list = std::move(parsed->shape.header);
  list.images.resize(parsed->shape.imageCount);
  CutColourTiles(parsed->colour, list);
  if (parsed->mask) CutMaskTiles(*parsed->mask, list);
  return list;
}

std::uint32_t LargestValue(unsigned bits) { return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1; }

// Every check that makes a list impossible to write, or one that would not
// decode back to itself, apart from mask entries, which are checked while
// they are packed.
bool CanEncode(const ImageList& list) {
  if (list.version != kImageListVersion) return false;
  if (list.images.size() > list.capacity) return false;
  const unsigned bits = list.bitsPerPixel;
  const unsigned depthCode = list.flags & kDepthCodeBits;
  if (!IsBmpDepth(bits) || !IsKnownDepthCode(depthCode)) return false;
  if (depthCode != 0 && depthCode != bits) return false;
  if (list.palette.size() != (bits <= 8 ? std::size_t{1} << bits : 0)) return false;
  if (!list.images.empty() && list.PixelsPerImage() == 0) return false;

  const std::size_t pixels = list.PixelsPerImage();
  const std::size_t maskSize = list.HasMask() ? pixels : 0;
  const std::uint32_t largest = LargestValue(bits);
  for (const Image& image : list.images) {
    if (image.pixels.size() != pixels || image.mask.size() != maskSize) return false;
    if (bits < 32) {
      std::uint32_t any = 0;
      for (std::uint32_t value : image.pixels) any |= value;
      if ((any & ~largest) != 0) return false;
    }
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

std::optional<BitmapSize> SizeBitmaps(const ImageList& list) {
  BitmapSize size;
  size.width = kTilesPerRow * list.tileWidth;
  // At most 65,535 x 16,384 rows, which the signed height field holds.
  size.height = std::uint32_t{list.tileHeight} * TileRowsFor(list.capacity);
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

// Appends the zeroed pixel rows of a tiled bitmap in one step and fills in
// the used tiles where they lie, so that no row is built elsewhere and
// copied. `putRow(row, image, x0, y)` writes row y of an image at pixel x0
// into a zeroed row; its results are ORed together and returned.
template <typename PutRow>
unsigned AppendTileRows(Bytes& out, const ImageList& list, std::uint32_t height, std::size_t stride, PutRow putRow) {
  const std::size_t tw = list.tileWidth;
  const std::size_t th = list.tileHeight;
  const std::size_t count = list.images.size();
  unsigned any = 0;
  // Zero-width tiles give rows of no bytes, however many rows are declared.
  if (stride == 0) return any;
  const std::size_t start = out.size();
  out.resize(start + stride * height);
  std::uint8_t* const rows = out.data() + start;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t x0 = (i % kTilesPerRow) * tw;
    const Image& image = list.images[i];
    for (std::size_t y = 0; y < th; ++y) any |= putRow(rows + StoredRow(height, th, i, y) * stride, image, x0, y);
  }
  return any;
}

void AppendColourBitmap(Bytes& out, const ImageList& list, const BitmapSize& size) {
  const std::uint32_t entries = static_cast<std::uint32_t>(list.palette.size());
  AppendBmpHeaders(out, size.width, size.height, list.bitsPerPixel, entries, kBmpHeadersSize + 4 * entries);
  for (std::uint32_t entry : list.palette) AppendU32(out, entry);
  const std::size_t tw = list.tileWidth;
  const unsigned bits = list.bitsPerPixel;
  AppendTileRows(out, list, size.height, size.colourStride,
                 [tw, bits](std::uint8_t* row, const Image& image, std::size_t x0, std::size_t y) {
                   pixel_rows::WriteRow(row, bits, x0, tw, image.pixels.data() + y * tw);
                   return 0u;
                 });
}

// False when a mask entry was neither 0 nor 1; `out` is then of no use.
bool AppendMaskBitmap(Bytes& out, const ImageList& list, const BitmapSize& size) {
  AppendBmpHeaders(out, size.width, size.height, 1, kMaskPaletteEntries, kBmpHeadersSize + 4 * kMaskPaletteEntries);
  AppendU32(out, 0x00000000);  // entry 0: black, opaque
  AppendU32(out, 0x00FFFFFF);  // entry 1: white, transparent
  const std::size_t tw = list.tileWidth;
  const unsigned any = AppendTileRows(out, list, size.height, size.maskStride,
                                      [tw](std::uint8_t* row, const Image& image, std::size_t x0, std::size_t y) {
                                        return unsigned{pixel_rows::PackBits(row, x0, tw, image.mask.data() + y * tw)};
                                      });
  return any <= 1;
}

// Appends the zeroed rows of a tiled bitmap holding `count` images, tile j
// copied as bytes from tile source(j) of `from`, and returns where the rows
// start. Every tile row must start
// and end on a byte, which `bits` x tileWidth being a multiple of 8 ensures.
template <typename Source>
std::uint8_t* AppendMovedTiles(Bytes& out, const BmpView& from, const ImageList& header, std::uint32_t height,
                               std::size_t stride, unsigned bits, std::size_t count, Source source) {
  const std::size_t tw = header.tileWidth;
  const std::size_t th = header.tileHeight;
  const std::size_t start = out.size();
  out.resize(start + stride * height);
  std::uint8_t* const rows = out.data() + start;
  if (stride == 0) return rows;
  const std::size_t rowBytes = tw * bits / 8;
  for (std::size_t j = 0; j < count; ++j) {
    const std::size_t i = source(j);
    const std::size_t to = (j % kTilesPerRow) * rowBytes;
    const std::size_t at = (i % kTilesPerRow) * rowBytes;
    for (std::size_t y = 0; y < th; ++y) {
      std::memcpy(rows + StoredRow(height, th, j, y) * stride + to,
                  from.pixels.data() + StoredRow(from.height, th, i, y) * from.stride + at, rowBytes);
    }
  }
  return rows;
}

}  // namespace

std::optional<ImageList> DecodeImageGroup(ByteSpan bytes) {
  DecodeError ignored;
  return DecodeImageGroup(bytes, ignored);
}

std::optional<ImageList> DecodeImageGroup(ByteSpan bytes, DecodeError& error) {
  try {
    return Decode(bytes, error);
  } catch (const std::bad_alloc&) {
    return Fail(error, "out of memory");
  }
}

std::optional<ImageGroupShape> CheckImageGroup(ByteSpan bytes, DecodeError& error) {
  try {
    std::optional<ParsedGroup> parsed = Parse(bytes, error);
    if (!parsed) return std::nullopt;
    return std::move(parsed->shape);
  } catch (const std::bad_alloc&) {
    error.reason = "out of memory";
    return std::nullopt;
  }
}

bool WithinDecodeLimit(const ImageGroupShape& shape) { return shape.DecodedPixels() <= kMaxDecodedPixels; }

std::optional<Bytes> EncodeImageGroup(const ImageList& list) {
  if (!CanEncode(list)) return std::nullopt;
  const auto size = SizeBitmaps(list);
  if (!size) return std::nullopt;
  const std::size_t paletteBytes = 4 * list.palette.size();
  const std::size_t total = kContainerHeaderSize + kStreamHeaderSize + kBmpHeadersSize + paletteBytes +
                            size->colourBytes +
                            (list.HasMask() ? kBmpHeadersSize + 4 * kMaskPaletteEntries + size->maskBytes : 0);
  try {
    Bytes out;
    out.reserve(total);
    AppendStreamHeader(out, list, list.images.size());
    AppendColourBitmap(out, list, *size);
    if (list.HasMask() && !AppendMaskBitmap(out, list, *size)) return std::nullopt;
    return out;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

struct ImageGroupReader::Parts {
  ParsedGroup parsed;
};

ImageGroupReader::ImageGroupReader(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
ImageGroupReader::~ImageGroupReader() = default;
ImageGroupReader::ImageGroupReader(ImageGroupReader&&) noexcept = default;
ImageGroupReader& ImageGroupReader::operator=(ImageGroupReader&&) noexcept = default;

std::optional<ImageGroupReader> ImageGroupReader::Open(ByteSpan bytes) {
  DecodeError ignored;
  try {
    std::optional<ParsedGroup> parsed = Parse(bytes, ignored);
    if (!parsed || parsed->shape.DecodedPixels() > kMaxDecodedPixels) return std::nullopt;
    return ImageGroupReader(std::make_unique<Parts>(Parts{std::move(*parsed)}));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

const ImageList& ImageGroupReader::header() const { return parts_->parsed.shape.header; }
std::size_t ImageGroupReader::size() const { return parts_->parsed.shape.imageCount; }

Image ImageGroupReader::ImageAt(std::size_t index) const {
  const ParsedGroup& parsed = parts_->parsed;
  const ImageList& list = parsed.shape.header;
  Image image;
  image.pixels.resize(list.PixelsPerImage());
  CutColourTile(parsed.colour, list.tileWidth, list.tileHeight, index, image.pixels.data());
  if (parsed.mask) {
    image.mask.resize(list.PixelsPerImage());
    CutMaskTile(*parsed.mask, list.tileWidth, list.tileHeight, index, image.mask.data());
  }
  return image;
}

std::optional<Bytes> RemoveImagesFromGroup(ByteSpan bytes, std::size_t first, std::size_t count) {
  try {
    DecodeError ignored;
    std::optional<ParsedGroup> parsed = Parse(bytes, ignored);
    if (!parsed || parsed->shape.DecodedPixels() > kMaxDecodedPixels) return std::nullopt;
    const ImageList& header = parsed->shape.header;
    const std::size_t images = parsed->shape.imageCount;
    const std::size_t tw = header.tileWidth;
    if ((tw * header.bitsPerPixel) % 8 != 0 || (parsed->mask && tw % 8 != 0)) {
      // Tiles that share bytes with their neighbours are moved pixel by pixel.
      auto list = Decode(bytes, ignored);
      if (!list) return std::nullopt;
      auto& all = list->images;
      if (first < all.size()) {
        const std::size_t end = first + std::min(count, all.size() - first);
        all.erase(all.begin() + static_cast<std::ptrdiff_t>(first), all.begin() + static_cast<std::ptrdiff_t>(end));
      }
      return EncodeImageGroup(*list);
    }
    const std::size_t removed = first < images ? std::min(count, images - first) : 0;
    const std::size_t kept = images - removed;
    const auto source = [first, removed](std::size_t j) { return j < first ? j : j + removed; };
    const auto size = SizeBitmaps(header);
    if (!size) return std::nullopt;
    Bytes out;
    out.reserve(kContainerHeaderSize + kStreamHeaderSize + 2 * (kBmpHeadersSize + 4 * header.palette.size()) +
                size->colourBytes + size->maskBytes + 4 * kMaskPaletteEntries);
    AppendStreamHeader(out, header, kept);
    const std::uint32_t entries = static_cast<std::uint32_t>(header.palette.size());
    AppendBmpHeaders(out, size->width, size->height, header.bitsPerPixel, entries, kBmpHeadersSize + 4 * entries);
    for (std::uint32_t entry : header.palette) AppendU32(out, entry);
    AppendMovedTiles(out, parsed->colour, header, size->height, size->colourStride, header.bitsPerPixel, kept, source);
    if (parsed->mask) {
      AppendBmpHeaders(out, size->width, size->height, 1, kMaskPaletteEntries,
                       kBmpHeadersSize + 4 * kMaskPaletteEntries);
      AppendU32(out, 0x00000000);
      AppendU32(out, 0x00FFFFFF);
      AppendMovedTiles(out, *parsed->mask, header, size->height, size->maskStride, 1, kept, source);
    }
    return out;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<Bytes> AppendImageToGroup(ByteSpan bytes, const Image& image) {
  try {
    DecodeError ignored;
    std::optional<ParsedGroup> parsed = Parse(bytes, ignored);
    if (!parsed || parsed->shape.DecodedPixels() > kMaxDecodedPixels) return std::nullopt;
    ImageList header = parsed->shape.header;
    const std::size_t images = parsed->shape.imageCount;
    const std::size_t tw = header.tileWidth;
    const std::size_t th = header.tileHeight;
    const bool bytesMove = header.bitsPerPixel == 32 && (header.flags & kDepthCodeBits) == 32 && header.HasMask() &&
                           tw % 8 == 0 && std::endian::native == std::endian::little;
    if (!bytesMove) {
      auto list = Decode(bytes, ignored);
      if (!list || !AppendImage(*list, image)) return std::nullopt;
      return EncodeImageGroup(*list);
    }
    const std::size_t pixels = header.PixelsPerImage();
    if (image.pixels.size() != pixels || image.mask.size() != pixels) return std::nullopt;
    const auto capacity = CapacityForOneMore(images, header.capacity, header.growStep);
    if (!capacity) return std::nullopt;
    header.capacity = *capacity;
    const auto size = SizeBitmaps(header);
    if (!size) return std::nullopt;
    const auto same = [](std::size_t j) { return j; };
    Bytes out;
    out.reserve(kContainerHeaderSize + kStreamHeaderSize + 2 * kBmpHeadersSize + 4 * kMaskPaletteEntries +
                size->colourBytes + size->maskBytes);
    AppendStreamHeader(out, header, images + 1);
    AppendBmpHeaders(out, size->width, size->height, 32, 0, kBmpHeadersSize);
    const std::size_t x0 = (images % kTilesPerRow) * tw;
    std::uint8_t* rows =
        AppendMovedTiles(out, parsed->colour, header, size->height, size->colourStride, 32, images, same);
    for (std::size_t y = 0; y < th; ++y)
      pixel_rows::WriteRow(rows + StoredRow(size->height, th, images, y) * size->colourStride, 32, x0, tw,
                           image.pixels.data() + y * tw);
    AppendBmpHeaders(out, size->width, size->height, 1, kMaskPaletteEntries, kBmpHeadersSize + 4 * kMaskPaletteEntries);
    AppendU32(out, 0x00000000);
    AppendU32(out, 0x00FFFFFF);
    rows = AppendMovedTiles(out, *parsed->mask, header, size->height, size->maskStride, 1, images, same);
    std::uint8_t any = 0;
    for (std::size_t y = 0; y < th; ++y)
      any |= pixel_rows::PackBits(rows + StoredRow(size->height, th, images, y) * size->maskStride, x0, tw,
                                  image.mask.data() + y * tw);
    if (any > 1) return std::nullopt;  // a mask entry other than 0 or 1
    return out;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace tilvane
