#include "core/intake/icon_image.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "core/imagegroup/bmp_layout.h"
#include "core/imagegroup/pixel_rows.h"
#include "core/platform/png.h"
#include "core/span_reader.h"

namespace tilvane {
namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint32_t kCompressionNone = 0;

struct DibHeader {
  std::uint32_t headerSize = 0;
  int width = 0;
  int height = 0;  // colour rows, half of the stored field
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint32_t colorsUsed = 0;
};

ErrorOr<DibHeader> ReadDibHeader(SpanReader& reader, int maxSide) {
  DibHeader header;
  header.headerSize = reader.U32();
  std::int32_t width = reader.I32();
  std::int32_t height = reader.I32();
  reader.U16();  // planes: writers disagree on it and it changes nothing
  header.bitsPerPixel = reader.U16();
  std::uint32_t compression = reader.U32();
  reader.U32();  // image size: often 0, never needed
  reader.U32();  // resolutions
  reader.U32();
  header.colorsUsed = reader.U32();
  if (!reader.Ok()) return Failure{"bitmap header cut short"};
  if (header.headerSize < 40) return Failure{"bitmap header too small"};
  if (compression != kCompressionNone) return Failure{"compressed bitmap"};
  switch (header.bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return Failure{"unsupported bitmap depth"};
  }
  // The height field counts the colour rows and the AND mask rows together.
  if (width <= 0 || width > maxSide || height == 0 || height == INT32_MIN) return Failure{"bitmap size out of range"};
  header.topDown = height < 0;
  std::int64_t bothHalves = std::llabs(std::int64_t{height});
  if (bothHalves / 2 < 1 || bothHalves / 2 > maxSide) return Failure{"bitmap size out of range"};
  header.width = width;
  header.height = static_cast<int>(bothHalves / 2);
  return header;
}


// The colour of pixel x of a stored row as 0xAARRGGBB (AA as stored at 32 bits).
std::uint32_t ReadDibPixel(ByteSpan row, int x, int bitsPerPixel, const std::vector<std::uint32_t>& palette) {
  auto fromPalette = [&](std::size_t index) { return index < palette.size() ? palette[index] : 0u; };
  switch (bitsPerPixel) {
    case 1: return fromPalette((row[x / 8] >> (7 - x % 8)) & 1);
    case 4: return fromPalette((row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F);
    case 8: return fromPalette(row[x]);
    case 16: {
      std::uint32_t word = row[2 * x] | (std::uint32_t{row[2 * x + 1]} << 8);
      return pixel_rows::Rgb555ToRgb(word);
    }
    case 24: return std::uint32_t{row[3 * x + 2]} << 16 | std::uint32_t{row[3 * x + 1]} << 8 | row[3 * x];
    default:
      return std::uint32_t{row[4 * x + 3]} << 24 | std::uint32_t{row[4 * x + 2]} << 16 |
             std::uint32_t{row[4 * x + 1]} << 8 | row[4 * x];
  }
}

// Blackens the colour under every transparent pixel, and drops the alpha byte of
// a picture without alpha.
void NormaliseTransparentPixels(IconPixels& icon) {
  for (std::size_t i = 0; i < icon.pixels.size(); ++i) {
    std::uint32_t alphaByte = icon.hasAlpha ? icon.pixels[i] & 0xFF000000u : 0;
    icon.pixels[i] = icon.mask[i] ? alphaByte : alphaByte | (icon.pixels[i] & 0x00FFFFFFu);
  }
}

}  // namespace

bool IsPngData(ByteSpan bytes) {
  return bytes.size() >= kPngSignature.size() && std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin());
}

ErrorOr<IconPixels> DecodeDibIcon(ByteSpan bytes, int maxSide) {
  SpanReader reader(bytes);
  const DibHeader header = TRY(ReadDibHeader(reader, maxSide));
  if (!reader.Seek(header.headerSize)) return Failure{"bitmap header size past the end"};

  std::vector<std::uint32_t> palette;
  if (header.bitsPerPixel <= 8) {
    std::uint32_t full = 1u << header.bitsPerPixel;
    std::uint32_t count = header.colorsUsed == 0 ? full : header.colorsUsed;
    if (count > full) return Failure{"more palette colours than the depth holds"};
    palette.resize(count);
    for (auto& entry : palette) entry = reader.U32() & 0x00FFFFFFu;  // the fourth palette byte is padding
    if (!reader.Ok()) return Failure{"palette cut short"};
  }

  const int width = header.width;
  const int height = header.height;
  const std::size_t colourStride = BmpRowStride(static_cast<std::uint64_t>(width), header.bitsPerPixel);
  const std::size_t maskStride = BmpRowStride(static_cast<std::uint64_t>(width), 1);
  // Checked before allocating, so a header cannot promise more than the bytes hold.
  if (reader.Remaining() / colourStride < static_cast<std::size_t>(height)) return Failure{"bitmap rows cut short"};
  ByteSpan colourRows = reader.Take(colourStride * height);
  ByteSpan maskRows = reader.Remaining() / maskStride >= static_cast<std::size_t>(height)
                          ? reader.Take(maskStride * height)
                          : ByteSpan{};

  IconPixels icon;
  icon.width = width;
  icon.height = height;
  icon.pixels.resize(static_cast<std::size_t>(width) * height);
  icon.mask.assign(icon.pixels.size(), 0);
  for (int y = 0; y < height; ++y) {
    // Stored rows run bottom-up unless the height field was negative.
    int stored = header.topDown ? y : height - 1 - y;
    ByteSpan row = colourRows.subspan(stored * colourStride, colourStride);
    for (int x = 0; x < width; ++x) icon.pixels[std::size_t(y) * width + x] = ReadDibPixel(row, x, header.bitsPerPixel, palette);
    if (!maskRows.empty()) {
      ByteSpan maskRow = maskRows.subspan(stored * maskStride, maskStride);
      for (int x = 0; x < width; ++x) icon.mask[std::size_t(y) * width + x] = (maskRow[x / 8] >> (7 - x % 8)) & 1;
    }
  }

  if (header.bitsPerPixel == 32) {
    icon.hasAlpha = std::any_of(icon.pixels.begin(), icon.pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; });
  }
  if (icon.hasAlpha) {
    for (std::size_t i = 0; i < icon.pixels.size(); ++i) icon.mask[i] = (icon.pixels[i] >> 24) <= kAlphaMaskThreshold;
  }
  NormaliseTransparentPixels(icon);
  return icon;
}

ErrorOr<IconPixels> DecodePngImage(ByteSpan bytes, int maxSide) {
  if (!IsPngData(bytes)) return Failure{"not a PNG"};
  std::optional<platform::RgbaPicture> picture = platform::DecodePng(bytes, maxSide);
  if (!picture) return Failure{"PNG is damaged or too large"};

  IconPixels icon;
  icon.width = picture->width;
  icon.height = picture->height;
  icon.hasAlpha = true;
  icon.pixels.resize(static_cast<std::size_t>(icon.width) * icon.height);
  icon.mask.resize(icon.pixels.size());
  for (std::size_t i = 0; i < icon.pixels.size(); ++i) {
    const std::uint8_t* p = &picture->rgba[4 * i];
    icon.pixels[i] = std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    icon.mask[i] = p[3] <= kAlphaMaskThreshold;
  }
  NormaliseTransparentPixels(icon);
  return icon;
}

ErrorOr<IconPixels> DecodeIconEntry(ByteSpan bytes, int maxSide) {
  return IsPngData(bytes) ? DecodePngImage(bytes, maxSide) : DecodeDibIcon(bytes, maxSide);
}

}  // namespace tilvane
