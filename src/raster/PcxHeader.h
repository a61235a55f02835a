// The 128-byte header of a PCX picture, as the PCX converter reads it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace q32 {

constexpr std::size_t kPcxHeaderBytes = 128;

struct PcxHeader {
  std::uint8_t manufacturer = 0;  // 10 for every PCX file
  std::uint8_t encoding = 0;      // 1: run-length encoded scan lines
  std::uint8_t bitsPerPixel = 0;
  std::uint16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // the picture's window, inclusive
  std::uint8_t planes = 0;
  std::uint16_t bytesPerLine = 0;  // per plane

  bool RunLengthEncoded() const { return manufacturer == 10 && encoding == 1; }
  // The window's size; a window whose maximum lies below its minimum gives
  // zero or less.
  std::int32_t Width() const { return std::int32_t{xMax} - std::int32_t{xMin} + 1; }
  std::int32_t Height() const { return std::int32_t{yMax} - std::int32_t{yMin} + 1; }
  // Bytes of one decoded scan line over every plane.
  std::size_t LineBytes() const { return std::size_t{bytesPerLine} * planes; }
};

[[nodiscard]] PcxHeader ReadPcxHeader(const std::uint8_t (&bytes)[kPcxHeaderBytes]);

}  // namespace q32
