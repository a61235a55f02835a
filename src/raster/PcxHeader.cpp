#include "raster/PcxHeader.h"

#include "text/Bytes.h"

namespace q32 {
namespace {

constexpr std::size_t kManufacturerField = 0, kEncodingField = 2, kBitsPerPixelField = 3;
constexpr std::size_t kXMinField = 4, kYMinField = 6, kXMaxField = 8, kYMaxField = 10;
constexpr std::size_t kPlanesField = 65, kBytesPerLineField = 66;

}  // namespace

PcxHeader ReadPcxHeader(const std::uint8_t (&bytes)[kPcxHeaderBytes]) {
  PcxHeader header;
  header.manufacturer = bytes[kManufacturerField];
  header.encoding = bytes[kEncodingField];
  header.bitsPerPixel = bytes[kBitsPerPixelField];
  header.xMin = ReadLe16(bytes + kXMinField);
  header.yMin = ReadLe16(bytes + kYMinField);
  header.xMax = ReadLe16(bytes + kXMaxField);
  header.yMax = ReadLe16(bytes + kYMaxField);
  header.planes = bytes[kPlanesField];
  header.bytesPerLine = ReadLe16(bytes + kBytesPerLineField);
  return header;
}

}  // namespace q32
