// A softkey as pixels: one colour number per pixel, whatever format it was
// read from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "raster/SoftkeySize.h"

namespace q32 {

// What a picture's numbers are: raster bits (1 set, 0 clear), or the
// control's colour numbers 0 to 15.
enum class PictureColours : std::uint8_t { Bits, Control };

struct SoftkeyPicture {
  int width = kSoftkeyWidth, height = kSoftkeyHeight;
  PictureColours colours = PictureColours::Bits;
  // Rows from the top, width numbers each.
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(std::size_t{kSoftkeyWidth} * kSoftkeyHeight);
  std::string problem;  // why the file draws no picture; empty when it does

  std::uint8_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace q32
