#include "raster/RasterDecoder.h"

#include <algorithm>

#include "text/Bytes.h"

namespace q32 {
namespace {

constexpr std::size_t kElementBytes = 10;
constexpr std::size_t kBlockHeaderBytes = 4;
constexpr std::uint16_t kEndWord = 0xFFFF;
// The column of a block's first pixel lies two to the right of the element's x.
constexpr int kColumnShift = 2;

bool HasWord(std::string_view d, std::size_t at) { return BytesFit(d.size(), at, 2); }

}  // namespace

bool RasterBlockBit(std::string_view data, const RasterElement& element, std::size_t row, std::size_t bit) {
  const auto byte = static_cast<unsigned char>(
      data[element.blockAt + kBlockHeaderBytes + row * element.RowBytes() + bit / 8]);
  return (byte & (0x80u >> bit % 8)) != 0;
}

RasterSoftkeyImage DecodeRasterSoftkey(std::string_view d) {
  RasterSoftkeyImage image;
  std::size_t at = 0;
  for (;; at += kElementBytes) {
    if (!HasWord(d, at)) {
      image.end = RasterListEnd::NoEndWord;
      break;
    }
    if (ReadBe16(d, at) == kEndWord) {
      image.end = RasterListEnd::EndWord;
      break;
    }
    if (!BytesFit(d.size(), at, kElementBytes)) {
      image.end = RasterListEnd::CutShort;
      break;
    }
    RasterElement e;
    e.at = at;
    e.code = ReadBe16(d, at);
    e.x = static_cast<std::int16_t>(ReadBe16(d, at + 2));
    e.y = ReadBe16(d, at + 4);
    e.blockAt = at + 6 + ReadBe16(d, at + 6);
    e.lastWord = ReadBe16(d, at + 8);
    if (BytesFit(d.size(), e.blockAt, kBlockHeaderBytes)) {
      const std::uint16_t rows = ReadBe16(d, e.blockAt), width = ReadBe16(d, e.blockAt + 2);
      const std::size_t rowBytes = (std::size_t{width} + 7) / 8;
      if (BytesFit(d.size(), e.blockAt + kBlockHeaderBytes, std::size_t{rows} * rowBytes)) {
        e.blockInside = true;
        e.rows = rows;
        e.width = width;
      }
    }
    image.elements.push_back(e);
  }
  image.endAt = at;

  // Only what falls on the softkey is read: a block may be far larger.
  for (const RasterElement& e : image.elements) {
    if (!e.blockInside || e.y >= kSoftkeyHeight) continue;
    const int left = e.x + kColumnShift;
    const int firstBit = std::max(0, -left), endBit = std::min<int>(e.width, kSoftkeyWidth - left);
    const int rows = std::min<int>(e.rows, kSoftkeyHeight - e.y);
    for (int row = 0; row < rows; ++row) {
      // The row's bytes lie inside the data (blockInside).
      const char* bytes = d.data() + e.blockAt + kBlockHeaderBytes + static_cast<std::size_t>(row) * e.RowBytes();
      // Without a branch per bit: a picture's bits follow no pattern a
      // processor could guess.
      for (int bit = firstBit; bit < endBit; ++bit)
        image.picture.At(left + bit, e.y + row) |= (static_cast<unsigned char>(bytes[bit / 8]) >> (7 - bit % 8)) & 1u;
    }
  }
  return image;
}

bool IsWholeRasterSoftkey(const RasterSoftkeyImage& image) {
  if (image.end != RasterListEnd::EndWord || image.elements.size() > kMaxRasterElements) return false;
  return std::all_of(image.elements.begin(), image.elements.end(),
                     [](const RasterElement& e) { return e.blockInside; });
}

}  // namespace q32
