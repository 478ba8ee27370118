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
  if (!reader.Ok()) return Fail(part, TILVANE_BMP_REASON("headers cut short"));
  if (b != 'B' || m != 'M') return Fail(part, TILVANE_BMP_REASON("is not a BMP"));
  if (headerSize < 40) return Fail(part, TILVANE_BMP_REASON("has an unknown header size"));
  // Longer information headers (V4, V5) only add fields that an uncompressed
  // bitmap does not need.
  if (!reader.Skip(headerSize - 40)) return Fail(part, TILVANE_BMP_REASON("headers cut short"));
  if (planes != 1) return Fail(part, TILVANE_BMP_REASON("has more than one plane"));
  if (compression != 0) return Fail(part, TILVANE_BMP_REASON("is compressed"));
  if (width < 0 || height < 0) return Fail(part, TILVANE_BMP_REASON("has a negative size"));
  if (!IsBmpDepth(bits)) return Fail(part, TILVANE_BMP_REASON("has an unsupported depth"));

  const std::uint32_t fullPalette = bits <= 8 ? (1u << bits) : 0;
  if (coloursUsed != 0 && coloursUsed != fullPalette)
    return Fail(part, TILVANE_BMP_REASON("has a partial colour table"));

  BmpView view;
  view.width = static_cast<std::uint32_t>(width);
  view.height = static_cast<std::uint32_t>(height);
  view.bitsPerPixel = bits;
  view.stride = BmpRowStride(view.width, bits);
  view.palette = reader.Take(std::size_t{fullPalette} * 4);
  if (!reader.Ok()) return Fail(part, TILVANE_BMP_REASON("colour table cut short"));

  const std::size_t tableEnd = reader.Position() - start;
  if (pixelOffset < tableEnd) return Fail(part, TILVANE_BMP_REASON("pixel offset lies inside its headers"));
  if (!reader.Skip(pixelOffset - tableEnd)) return Fail(part, TILVANE_BMP_REASON("cut short"));

  // stride <= 2^33 and height < 2^31, so compare by division instead of
  // forming a product that could wrap.
  if (view.stride != 0 && view.height > reader.Remaining() / view.stride)
    return Fail(part, TILVANE_BMP_REASON("pixel rows cut short"));
  view.pixels = reader.Take(static_cast<std::size_t>(view.stride * view.height));
  if (!reader.Ok()) return Fail(part, TILVANE_BMP_REASON("pixel rows cut short"));
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

#undef TILVANE_BMP_REASON

}  // namespace tilvane
