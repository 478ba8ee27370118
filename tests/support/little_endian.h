// Little-endian writers for the files tests build by hand (executables,
// groups, icons): appended at the end, or set at an offset already there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tilvane::testing::little_endian {

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}
inline void Set16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  out[at] = static_cast<std::uint8_t>(value);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
inline void Set32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  Set16(out, at, value & 0xFFFF);
  Set16(out, at + 2, value >> 16);
}

}  // namespace tilvane::testing::little_endian
