// A raster softkey read back from its data bytes as the control draws it:
// the element list (element code, x, y, the offset of its block counted
// from the offset word itself, a last word; ten bytes each, FFFFh after the
// last) and each element's block (row count, width in pixels, rows of bits
// padded to whole bytes, big-endian words) drawn at the element's place.
// Every read is bounded by the data; whatever the bytes, the result says
// what the list holds and where it ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "raster/SoftkeyPicture.h"

namespace q32 {

// More elements than this are no softkey picture (a converter writes two).
constexpr std::size_t kMaxRasterElements = 65;

struct RasterElement {
  std::size_t at = 0;         // offset of the element in the data
  std::uint16_t code = 0;     // 2600h in the converters' lists
  std::int16_t x = 0;         // the control draws the block from column x + 2
  std::uint16_t y = 0;        // the row of the block's first row
  std::uint16_t lastWord = 0;
  std::size_t blockAt = 0;    // where the offset word points
  bool blockInside = false;   // the block's two words and all its rows lie in the data
  std::uint16_t rows = 0;     // of a block inside the data
  std::uint16_t width = 0;    // pixels of each row

  std::size_t RowBytes() const { return (std::size_t{width} + 7) / 8; }
};

enum class RasterListEnd {
  EndWord,    // FFFFh at endAt
  CutShort,   // an element at endAt whose ten bytes the data does not hold
  NoEndWord,  // the data ends at endAt without the end word
};

struct RasterSoftkeyImage {
  std::vector<RasterElement> elements;  // every whole element before the end of the list
  RasterListEnd end = RasterListEnd::NoEndWord;
  std::size_t endAt = 0;
  // The softkey's pixels, top row first: 1 for the set bits of every block
  // inside the data (each row's `width` pixels, not the padding), where they
  // fall on the softkey.
  SoftkeyPicture picture;
};

[[nodiscard]] RasterSoftkeyImage DecodeRasterSoftkey(std::string_view data);

// Bit `bit` (from the left, padding included) of row `row` of an element's
// block; the element's block must lie inside the data.
[[nodiscard]] bool RasterBlockBit(std::string_view data, const RasterElement& element, std::size_t row,
                                  std::size_t bit);

// Whether the list is a whole softkey picture: it ends with its end word,
// every block lies in the data and there are at most kMaxRasterElements.
[[nodiscard]] bool IsWholeRasterSoftkey(const RasterSoftkeyImage& image);

// A softkey record file (its text) as a listing: what is wrong with its
// lines, the sizes of its data lines, every element with its block, and
// the 77 x 48 picture the blocks draw, one text row per pixel row ('#' set,
// '.' clear, '?' no block; after '|' the bits a row's last byte has left
// over).  The preview's details view shows it.
[[nodiscard]] std::string RasterListing(std::string_view recordFile);

}  // namespace q32
