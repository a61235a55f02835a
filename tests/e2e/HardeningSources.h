// Small valid sources of every kind, for the runs that prove a failure or a
// collision loses no file: the content only has to carry each converter as
// far as it creates its output.
#pragma once

#include <cstdint>
#include <string>

namespace q32test {

inline std::string Le32(std::uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i) & 0xFF);
  return s;
}
inline std::string Le16(std::uint32_t v) { return Le32(v).substr(0, 2); }

// A 77 x 48 monochrome bitmap with a diagonal.
inline std::string MonochromeBitmap() {
  const std::uint32_t rowBytes = 12, pixels = rowBytes * 48, offset = 14 + 40 + 8;
  std::string b = "BM" + Le32(offset + pixels) + Le32(0) + Le32(offset);
  b += Le32(40) + Le32(77) + Le32(48) + Le16(1) + Le16(1) + Le32(0) + Le32(pixels);
  b += Le32(2835) + Le32(2835) + Le32(2) + Le32(2);
  b += std::string("\0\0\0\0\xFF\xFF\xFF\0", 8);
  for (int r = 0; r < 48; ++r) {
    std::string row(rowBytes, '\0');
    row[static_cast<std::size_t>(r / 8)] = static_cast<char>(0x80 >> (r % 8));
    b += row;
  }
  return b;
}

// A 77 x 48 run-length encoded PCX picture, every line one run of white.
inline std::string RunLengthPcx() {
  std::string p(128, '\0');
  p[0] = 10;
  p[1] = 5;
  p[2] = 1;
  p[3] = 1;
  p.replace(8, 2, Le16(76));
  p.replace(10, 2, Le16(47));
  p[65] = 1;
  p.replace(66, 2, Le16(10));
  for (int r = 0; r < 48; ++r) p += std::string("\xCA\xFF", 2);
  return p;
}

// A 4 x 2 picture of 24 bits a pixel, for BMX projects.
inline std::string TrueColourBitmap(std::uint32_t seed) {
  std::string pixels;
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) pixels += Le32(seed + static_cast<std::uint32_t>(y * 4 + x)).substr(0, 3);
  }
  std::string b = "BM" + Le32(54 + static_cast<std::uint32_t>(pixels.size())) + Le32(0) + Le32(54);
  b += Le32(40) + Le32(4) + Le32(2) + Le16(1) + Le16(24) + Le32(0) +
       Le32(static_cast<std::uint32_t>(pixels.size()));
  b += Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
  return b + pixels;
}

// A drawing of one line.
inline std::string LineDrawing() {
  return "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n23\n21\n11.5\n0\nENDSEC\n0\nEOF\n";
}

}  // namespace q32test
