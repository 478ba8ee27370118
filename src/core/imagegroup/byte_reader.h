// A cursor over untrusted bytes that never reads past the end: every read
// either succeeds completely or marks the reader failed and yields zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/text.h"

namespace tilvane {

class ByteReader {
 public:
  explicit ByteReader(ByteSpan bytes) : bytes_(bytes) {}

  // False once any read or skip ran past the end.
  bool ok() const { return ok_; }
  std::size_t position() const { return position_; }
  std::size_t remaining() const { return ok_ ? bytes_.size() - position_ : 0; }

  std::uint8_t U8() { return static_cast<std::uint8_t>(Read(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Read(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Read(4)); }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

  // The next `count` bytes as a view, or an empty view (and failure) when
  // fewer are left.
  ByteSpan Take(std::size_t count) {
    if (!Has(count)) return {};
    ByteSpan part = bytes_.subspan(position_, count);
    position_ += count;
    return part;
  }

  bool Skip(std::size_t count) { return Has(count) ? (position_ += count, true) : false; }

 private:
  bool Has(std::size_t count) {
    if (ok_ && count <= bytes_.size() - position_) return true;
    ok_ = false;
    return false;
  }

  // Little-endian unsigned value of `width` (at most 4) bytes.
  std::uint32_t Read(std::size_t width) {
    if (!Has(width)) return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value |= std::uint32_t{bytes_[position_ + i]} << (8 * i);
    position_ += width;
    return value;
  }

  ByteSpan bytes_;
  std::size_t position_ = 0;
  bool ok_ = true;
};

}  // namespace tilvane
