// Numbers in the bytes of files: little- and big-endian words read from and
// written to byte buffers, whatever the host's own order.
#pragma once

#include <cstdint>
#include <string>

namespace q32 {

inline std::uint16_t ReadLe16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t ReadLe32(const unsigned char* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
inline std::uint16_t ReadBe16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
inline std::uint32_t ReadBe32(const unsigned char* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
}

// The 16-bit order of the control: unchanged for the little-endian family,
// the two bytes exchanged otherwise.
inline std::uint16_t SwapForControl(std::uint16_t value, bool controlFamilyLE) {
  return controlFamilyLE ? value : static_cast<std::uint16_t>(value << 8 | value >> 8);
}

}  // namespace q32
