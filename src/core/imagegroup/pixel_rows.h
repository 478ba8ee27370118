// Moving one tile row of pixel values between a packed BMP row and an array
// of per-pixel values, at any of the BMP depths. Sub-byte depths hold the
// leftmost pixel in the most significant bits of a byte.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tilvane::pixel_rows {

// A 5-5-5 word (top bit unused) as 0x00RRGGBB, each channel widened so that
// 31 becomes 255.
constexpr std::uint32_t Rgb555ToRgb(std::uint32_t word) {
  const auto widen = [](std::uint32_t channel) { return (channel << 3) | (channel >> 2); };
  return widen((word >> 10) & 0x1F) << 16 | widen((word >> 5) & 0x1F) << 8 | widen(word & 0x1F);
}

// Byte k of entry b is bit (7 - k) of b: one packed mask byte as eight values.
inline constexpr std::array<std::array<std::uint8_t, 8>, 256> kUnpackedBits = [] {
  std::array<std::array<std::uint8_t, 8>, 256> table{};
  for (unsigned b = 0; b < 256; ++b)
    for (unsigned k = 0; k < 8; ++k) table[b][k] = static_cast<std::uint8_t>((b >> (7 - k)) & 1);
  return table;
}();

// Reads `count` one-bit values starting at pixel x0 of `row`.
template <typename T>
void UnpackBits(const std::uint8_t* row, std::size_t x0, std::size_t count, T* out) {
  std::size_t i = 0;
  for (; i < count && ((x0 + i) & 7) != 0; ++i) out[i] = (row[(x0 + i) >> 3] >> (7 - ((x0 + i) & 7))) & 1;
  for (; i + 8 <= count; i += 8) {
    const auto& bits = kUnpackedBits[row[(x0 + i) >> 3]];
    if constexpr (sizeof(T) == 1) {
      std::memcpy(out + i, bits.data(), 8);
    } else {
      for (int k = 0; k < 8; ++k) out[i + k] = bits[k];
    }
  }
  for (; i < count; ++i) out[i] = (row[(x0 + i) >> 3] >> (7 - ((x0 + i) & 7))) & 1;
}

// Eight one-byte values of 0 or 1 as one packed byte, the first value in the
// top bit. Multiplying gathers bit 0 of every byte into the top byte.
inline std::uint8_t PackEight(const std::uint8_t* values) {
  std::uint64_t word;
  std::memcpy(&word, values, 8);
  if constexpr (std::endian::native != std::endian::little) word = __builtin_bswap64(word);
  return static_cast<std::uint8_t>(((word & 0x0101010101010101ull) * 0x8040201008040201ull) >> 56);
}

// ORs `count` one-bit values (bit 0 of each) into `row` from pixel x0 on:
// the row starts zeroed, and neighbouring tiles may share a byte.
template <typename T>
void PackBits(std::uint8_t* row, std::size_t x0, std::size_t count, const T* values) {
  std::size_t i = 0;
  for (; i < count && ((x0 + i) & 7) != 0; ++i)
    row[(x0 + i) >> 3] |= static_cast<std::uint8_t>((values[i] & 1) << (7 - ((x0 + i) & 7)));
  for (; i + 8 <= count; i += 8) {
    if constexpr (sizeof(T) == 1) {
      row[(x0 + i) >> 3] = PackEight(values + i);
    } else {
      unsigned byte = 0;
      for (int k = 0; k < 8; ++k) byte |= (static_cast<unsigned>(values[i + k]) & 1) << (7 - k);
      row[(x0 + i) >> 3] = static_cast<std::uint8_t>(byte);
    }
  }
  for (; i < count; ++i) row[(x0 + i) >> 3] |= static_cast<std::uint8_t>((values[i] & 1) << (7 - ((x0 + i) & 7)));
}

// ORs `count` bits of `from`, starting at bit x0, into `to` from bit t0 on,
// where they are 0. Bit x of a row is bit (7 - x % 8) of its byte x / 8.
inline void OrBits(const std::uint8_t* from, std::size_t x0, std::size_t count, std::uint8_t* to, std::size_t t0) {
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned bit = (from[(x0 + i) >> 3] >> (7 - ((x0 + i) & 7))) & 1;
    to[(t0 + i) >> 3] |= static_cast<std::uint8_t>(bit << (7 - ((t0 + i) & 7)));
  }
}

// Reads `count` pixel values of `bits` per pixel from pixel x0 of `row`, as
// stored and little-endian.
inline void ReadRow(const std::uint8_t* row, unsigned bits, std::size_t x0, std::size_t count, std::uint32_t* out) {
  switch (bits) {
    case 32:
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, row + 4 * x0, 4 * count);
      } else {
        for (std::size_t i = 0; i < count; ++i) {
          const std::uint8_t* p = row + 4 * (x0 + i);
          out[i] = p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
        }
      }
      return;
    case 24:
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = row + 3 * (x0 + i);
        out[i] = p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
      }
      return;
    case 16:
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = row + 2 * (x0 + i);
        out[i] = p[0] | std::uint32_t{p[1]} << 8;
      }
      return;
    case 8:
      for (std::size_t i = 0; i < count; ++i) out[i] = row[x0 + i];
      return;
    case 4:
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t x = x0 + i;
        out[i] = (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
      }
      return;
    default: UnpackBits(row, x0, count, out); return;
  }
}

// Writes `count` pixel values (each already known to fit `bits`) into a
// zeroed `row` from pixel x0 on.
inline void WriteRow(std::uint8_t* row, unsigned bits, std::size_t x0, std::size_t count, const std::uint32_t* values) {
  switch (bits) {
    case 32:
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(row + 4 * x0, values, 4 * count);
      } else {
        for (std::size_t i = 0; i < count; ++i)
          for (int k = 0; k < 4; ++k) row[4 * (x0 + i) + k] = static_cast<std::uint8_t>(values[i] >> (8 * k));
      }
      return;
    case 24:
      for (std::size_t i = 0; i < count; ++i)
        for (int k = 0; k < 3; ++k) row[3 * (x0 + i) + k] = static_cast<std::uint8_t>(values[i] >> (8 * k));
      return;
    case 16:
      for (std::size_t i = 0; i < count; ++i)
        for (int k = 0; k < 2; ++k) row[2 * (x0 + i) + k] = static_cast<std::uint8_t>(values[i] >> (8 * k));
      return;
    case 8:
      for (std::size_t i = 0; i < count; ++i) row[x0 + i] = static_cast<std::uint8_t>(values[i]);
      return;
    case 4:
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t x = x0 + i;
        row[x >> 1] |= static_cast<std::uint8_t>((x & 1) ? values[i] : values[i] << 4);
      }
      return;
    default: PackBits(row, x0, count, values); return;
  }
}

}  // namespace tilvane::pixel_rows
