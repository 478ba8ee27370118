#include "core/imagegroup/bmp_layout.h"

namespace tilvane {

namespace {

// One reason in the words of each bitmap, joined at compile time so that
// every reason stays a literal.
struct PartReason {
  const char* colour;
  const char* mask;
};
#define TILVANE_BMP_REASON(phrase) \
  PartReason { "colour bitmap " phrase, "mask bitmap " phrase }

constexpr PartReason kHeadersCutShort = TILVANE_BMP_REASON("headers cut short");
constexpr PartReason kNotABmp = TILVANE_BMP_REASON("is not a BMP");
constexpr PartReason kUnknownHeaderSize = TILVANE_BMP_REASON("has an unknown header size");
constexpr PartReason kSeveralPlanes = TILVANE_BMP_REASON("has more than one plane");
constexpr PartReason kCompressed = TILVANE_BMP_REASON("is compressed");
constexpr PartReason kNegativeSize = TILVANE_BMP_REASON("has a negative size");
constexpr PartReason kUnsupportedDepth = TILVANE_BMP_REASON("has an unsupported depth");
constexpr PartReason kPartialColourTable = TILVANE_BMP_REASON("has a partial colour table");
constexpr PartReason kColourTableCutShort = TILVANE_BMP_REASON("colour table cut short");
constexpr PartReason kOffsetInsideHeaders = TILVANE_BMP_REASON("pixel offset lies inside its headers");
constexpr PartReason kCutShort = TILVANE_BMP_REASON("cut short");
constexpr PartReason kRowsCutShort = TILVANE_BMP_REASON("pixel rows cut short");
#undef TILVANE_BMP_REASON

Failure Fail(BmpPart part, const PartReason& reason) {
  return Failure{part == BmpPart::kColour ? reason.colour : reason.mask};
}

}  // namespace

ErrorOr<BmpView> ReadBmp(SpanReader& reader, BmpPart part) {
  const std::size_t start = reader.Position();
  const std::uint8_t b = reader.U8();
  const std::uint8_t m = reader.U8();
  reader.Skip(4 + 2 + 2);  // file size (never trusted) and reserved words
  const std::uint32_t pixelOffset = reader.U32();
  const std::uint32_t headerSize = reader.U32();
  const std::int32_t width = reader.I32();
  const std::int32_t height = reader.I32();
  const std::uint16_t planes = reader.U16();
  const std::uint16_t bits = reader.U16();
  const std::uint32_t compression = reader.U32();
  reader.Skip(4 + 4 + 4);  // image size (may be 0 for uncompressed rows) and resolutions
  const std::uint32_t coloursUsed = reader.U32();
  reader.Skip(4);  // important colours
  if (!reader.Ok()) return Fail(part, kHeadersCutShort);
  if (b != 'B' || m != 'M') return Fail(part, kNotABmp);
  if (headerSize < 40) return Fail(part, kUnknownHeaderSize);
  // Longer information headers (V4, V5) only add fields that an uncompressed
  // bitmap does not need.
  if (!reader.Skip(headerSize - 40)) return Fail(part, kHeadersCutShort);
  if (planes != 1) return Fail(part, kSeveralPlanes);
  if (compression != 0) return Fail(part, kCompressed);
  if (width < 0 || height < 0) return Fail(part, kNegativeSize);
  if (!IsBmpDepth(bits)) return Fail(part, kUnsupportedDepth);

  const std::uint32_t fullPalette = bits <= 8 ? (1u << bits) : 0;
  if (coloursUsed != 0 && coloursUsed != fullPalette) return Fail(part, kPartialColourTable);

  BmpView view;
  view.width = static_cast<std::uint32_t>(width);
  view.height = static_cast<std::uint32_t>(height);
  view.bitsPerPixel = bits;
  view.stride = BmpRowStride(view.width, bits);
  view.palette = reader.Take(std::size_t{fullPalette} * 4);
  if (!reader.Ok()) return Fail(part, kColourTableCutShort);

  const std::size_t tableEnd = reader.Position() - start;
  if (pixelOffset < tableEnd) return Fail(part, kOffsetInsideHeaders);
  if (!reader.Skip(pixelOffset - tableEnd)) return Fail(part, kCutShort);

  // stride <= 2^33 and height < 2^31, so compare by division instead of
  // forming a product that could wrap.
  if (view.stride != 0 && view.height > reader.Remaining() / view.stride)
    return Fail(part, kRowsCutShort);
  view.pixels = reader.Take(static_cast<std::size_t>(view.stride * view.height));
  if (!reader.Ok()) return Fail(part, kRowsCutShort);
  return view;
}

void AppendU32(Bytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendU16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void AppendBmpHeaders(Bytes& out, std::uint32_t width, std::uint32_t height, std::uint16_t bitsPerPixel,
                      std::uint32_t paletteEntries, std::uint32_t fileSizeField) {
  const auto imageSize = static_cast<std::uint32_t>(BmpRowStride(width, bitsPerPixel) * height);
  out.push_back('B');
  out.push_back('M');
  AppendU32(out, fileSizeField);
  AppendU32(out, 0);  // two reserved words
  AppendU32(out, kBmpHeadersSize + 4 * paletteEntries);
  AppendU32(out, 40);
  AppendU32(out, width);
  AppendU32(out, height);
  AppendU16(out, 1);
  AppendU16(out, bitsPerPixel);
  AppendU32(out, 0);  // uncompressed
  AppendU32(out, imageSize);
  for (int i = 0; i < 4; ++i) AppendU32(out, 0);  // resolutions and colour counts
}

}  // namespace tilvane
