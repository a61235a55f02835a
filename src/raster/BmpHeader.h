// The headers of a Windows bitmap file: the 14-byte file header and the
// 40-byte info header behind it (the later, longer info headers begin with
// the same fields).  The bitmap converter, the BMX generator and the .bmx
// decoder read them here and each applies its own rules to what it finds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace q32 {

constexpr std::size_t kBmpFileHeaderBytes = 14;
constexpr std::size_t kBmpInfoHeaderBytes = 40;

// A field the bytes do not hold whole reads as 0.
struct BmpInfoHeader {
  std::uint32_t size = 0;  // the size it declares
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: rows stored from the top down
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::size_t bytes = 0;  // how many of its 40 bytes there are

  bool Whole() const { return bytes == kBmpInfoHeaderBytes; }
  bool TopDown() const { return height < 0; }
  // Rows of pixels, of the most negative height too.
  std::uint64_t Rows() const {
    const std::int64_t h = height;
    return static_cast<std::uint64_t>(h < 0 ? -h : h);
  }
};

struct BmpHeader {
  bool signature = false;        // the file starts with "BM"
  std::uint32_t fileSize = 0;    // the size the file header declares
  std::uint32_t pixelOffset = 0; // where the file header puts the pixels
  std::size_t bytes = 0;         // how many of its 14 bytes there are
  BmpInfoHeader info;            // behind the file header
};

// Both headers from the start of a bitmap file.
[[nodiscard]] BmpHeader ReadBmpHeader(std::string_view bytes);
// An info header at `at` (a bitmap stored without its file header).
[[nodiscard]] BmpInfoHeader ReadBmpInfoHeader(std::string_view bytes, std::size_t at);

// Bytes of one stored row of `width` pixels of `bitsPerPixel` bits, padded
// to whole 4-byte words; 0 for a width that is not positive.
[[nodiscard]] std::uint64_t BmpRowBytes(std::int32_t width, unsigned bitsPerPixel);
// Whether `rows` rows of `rowBytes` bytes from `offset` on lie within the
// first `size` bytes, whatever the header's numbers.
[[nodiscard]] bool BmpPixelsFit(std::uint64_t offset, std::uint64_t rowBytes, std::uint64_t rows, std::uint64_t size);

}  // namespace q32
