#include "raster/BmpHeader.h"

#include <algorithm>

#include "text/Bytes.h"

namespace q32 {
namespace {

// Field offsets in the file header and in the info header.
constexpr std::size_t kFileSizeField = 2, kPixelOffsetField = 10;
constexpr std::size_t kSizeField = 0, kWidthField = 4, kHeightField = 8, kPlanesField = 12, kBitCountField = 14,
                      kCompressionField = 16;

std::uint32_t Le32Or0(std::string_view s, std::size_t at) { return BytesFit(s.size(), at, 4) ? ReadLe32(s, at) : 0; }
std::uint16_t Le16Or0(std::string_view s, std::size_t at) { return BytesFit(s.size(), at, 2) ? ReadLe16(s, at) : 0; }

}  // namespace

BmpInfoHeader ReadBmpInfoHeader(std::string_view bytes, std::size_t at) {
  BmpInfoHeader info;
  if (at > bytes.size()) return info;
  info.bytes = std::min(bytes.size() - at, kBmpInfoHeaderBytes);
  info.size = Le32Or0(bytes, at + kSizeField);
  info.width = static_cast<std::int32_t>(Le32Or0(bytes, at + kWidthField));
  info.height = static_cast<std::int32_t>(Le32Or0(bytes, at + kHeightField));
  info.planes = Le16Or0(bytes, at + kPlanesField);
  info.bitCount = Le16Or0(bytes, at + kBitCountField);
  info.compression = Le32Or0(bytes, at + kCompressionField);
  return info;
}

BmpHeader ReadBmpHeader(std::string_view bytes) {
  BmpHeader header;
  header.bytes = std::min(bytes.size(), kBmpFileHeaderBytes);
  header.signature = bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
  header.fileSize = Le32Or0(bytes, kFileSizeField);
  header.pixelOffset = Le32Or0(bytes, kPixelOffsetField);
  header.info = ReadBmpInfoHeader(bytes, kBmpFileHeaderBytes);
  return header;
}

std::uint64_t BmpRowBytes(std::int32_t width, unsigned bitsPerPixel) {
  if (width <= 0) return 0;
  return (static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
}

bool BmpPixelsFit(std::uint64_t offset, std::uint64_t rowBytes, std::uint64_t rows, std::uint64_t size) {
  if (offset > size) return false;
  // Divided, not multiplied: no product of the header's numbers can wrap.
  return rows == 0 || rowBytes <= (size - offset) / rows;
}

}  // namespace q32
