// Words of the file formats read from their bytes: little-endian in bitmaps,
// PCX pictures, .bmx images and the records of PLC project files, big-endian
// in raster softkeys and the PLC project file's header, either order in
// vector softkeys.  The readers do not check: callers make sure the bytes
// are there (BytesFit) before they read them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace q32 {

// Whether n bytes from `at` lie within `size` bytes, without overflow.
constexpr bool BytesFit(std::size_t size, std::size_t at, std::size_t n) { return at <= size && size - at >= n; }

inline std::uint16_t ReadLe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}
inline std::uint16_t ReadBe16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
inline std::uint32_t ReadBe32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
}

inline const std::uint8_t* BytesAt(std::string_view s, std::size_t at) {
  return reinterpret_cast<const std::uint8_t*>(s.data() + at);
}
inline std::uint16_t ReadLe16(std::string_view s, std::size_t at) { return ReadLe16(BytesAt(s, at)); }
inline std::uint32_t ReadLe32(std::string_view s, std::size_t at) { return ReadLe32(BytesAt(s, at)); }
inline std::uint16_t ReadBe16(std::string_view s, std::size_t at) { return ReadBe16(BytesAt(s, at)); }
inline std::uint32_t ReadBe32(std::string_view s, std::size_t at) { return ReadBe32(BytesAt(s, at)); }

// Little-endian numbers appended to bytes being built (a std::string or a
// std::vector of bytes), the lowest byte first.
template <typename Bytes>
void AppendLe(Bytes& out, std::uint32_t value, int byteCount) {
  using Byte = typename Bytes::value_type;
  for (int i = 0; i < byteCount; ++i) out.push_back(static_cast<Byte>(value >> (8 * i) & 0xFFu));
}
template <typename Bytes>
void AppendLe16(Bytes& out, std::uint16_t value) { AppendLe(out, value, 2); }
template <typename Bytes>
void AppendLe24(Bytes& out, std::uint32_t value) { AppendLe(out, value, 3); }
template <typename Bytes>
void AppendLe32(Bytes& out, std::uint32_t value) { AppendLe(out, value, 4); }

// The 16-bit order of the control: unchanged for the little-endian family,
// the two bytes exchanged otherwise.
inline std::uint16_t SwapForControl(std::uint16_t value, bool controlFamilyLE) {
  return controlFamilyLE ? value : static_cast<std::uint16_t>(value << 8 | value >> 8);
}

}  // namespace q32
