// Bounds-checked reading of untrusted bytes (little-endian, and big-endian
// for the formats that store numbers that way), with seeking and
// overflow-checked offset arithmetic, for every reader of files. A read past the end
// never touches memory outside the span: it yields 0 and makes the reader
// fail for good, so a caller reads a whole structure and checks Ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

#include "core/text.h"

namespace tilvane {

// a + b, or nothing when the sum does not fit in 64 bits.
inline std::optional<std::uint64_t> CheckedAdd(std::uint64_t a, std::uint64_t b) {
  if (a > std::numeric_limits<std::uint64_t>::max() - b) return std::nullopt;
  return a + b;
}

// True when [offset, offset + size) lies inside a buffer of `total` bytes.
inline bool RangeFits(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
  return offset <= total && size <= total - offset;
}

class SpanReader {
 public:
  explicit SpanReader(ByteSpan bytes, std::size_t position = 0) : bytes_(bytes), position_(position) {
    if (position_ > bytes_.size()) failed_ = true;
  }

  // False once any read, skip or seek went past the end.
  bool Ok() const { return !failed_; }
  std::size_t Position() const { return position_; }
  std::size_t Remaining() const { return failed_ ? 0 : bytes_.size() - position_; }

  std::uint8_t U8() { return static_cast<std::uint8_t>(ReadLittleEndian(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(ReadLittleEndian(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(ReadLittleEndian(4)); }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::uint16_t U16BigEndian() { return static_cast<std::uint16_t>(ReadBigEndian(2)); }
  std::uint32_t U32BigEndian() { return static_cast<std::uint32_t>(ReadBigEndian(4)); }

  // The next `count` bytes as a sub-span (empty on failure).
  ByteSpan Take(std::size_t count) {
    if (!Reserve(count)) return {};
    ByteSpan part = bytes_.subspan(position_, count);
    position_ += count;
    return part;
  }

  bool Skip(std::size_t count) {
    if (!Reserve(count)) return false;
    position_ += count;
    return true;
  }

  // Moves to an absolute position; a position past the end fails the reader.
  bool Seek(std::uint64_t position) {
    if (failed_ || position > bytes_.size()) {
      failed_ = true;
      return false;
    }
    position_ = static_cast<std::size_t>(position);
    return true;
  }

 private:
  bool Reserve(std::size_t count) {
    if (failed_ || count > bytes_.size() - position_) {
      failed_ = true;
      return false;
    }
    return true;
  }

  std::uint64_t ReadLittleEndian(std::size_t width) {
    if (!Reserve(width)) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value |= std::uint64_t{bytes_[position_ + i]} << (8 * i);
    position_ += width;
    return value;
  }

  std::uint64_t ReadBigEndian(std::size_t width) {
    if (!Reserve(width)) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = (value << 8) | bytes_[position_ + i];
    position_ += width;
    return value;
  }

  ByteSpan bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

}  // namespace tilvane
