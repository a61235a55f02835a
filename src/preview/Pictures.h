// The pictures of the generated files, drawn from what the library's
// decoders read out of their bytes: raster softkeys and .bmx images as
// pixels, vector softkeys as drawings.  The rendering choices the files
// leave open (the colours of vector colour numbers and of raster bits, the
// control's fonts) are made once, in RenderingChoices.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace q32 {

struct BmxFile;
struct SoftkeyPicture;
struct VectorVariant;

// The choices stated on the page beside the pictures.
struct RenderingChoices {
  static const char* const kText;
  // Vector colour numbers 0 to 15; others show as the last entry.
  static const char* const kPalette[17];
  // Raster pixels: a set bit, a clear bit (as 0xRRGGBB).
  static constexpr std::uint32_t kSetBit = 0x000000, kClearBit = 0xFFFFFF;
  // The vector softkey's background.
  static constexpr const char* kVectorBackground = "#d8d8d8";
};

// A picture of pixels, rows from the top, 0xRRGGBB.
struct Pixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> rgb;
};

// One variant of a vector softkey as a whole SVG document.
std::string VectorSvg(const VectorVariant& variant);
// Why the walk of a variant stopped, in words; empty when it reached the end
// word.
std::string VectorStopText(const VectorVariant& variant);

// A .bmx image: the background, each layer applied to it, and the texts of
// its text elements with their selecting attributes ("language=de").
struct BmxText {
  std::string attributes, text;
  std::array<std::uint32_t, 21> words{};  // the text record's fields
  bool ownFont = false;                   // a size of its own, not a system font
};
// A picture element placed on the image: a bitmap (PNG bytes of its pixels)
// or an SVG drawing (its file's bytes), at a position and size in pixels.
struct BmxPlaced {
  std::string attributes;
  int x = 0, y = 0, width = 0, height = 0;
  std::string mediaType, bytes;
};
struct BmxPicture {
  Pixels pixels;  // the background
  // The background with each layer that changes it, and the attributes that
  // select the layer ("PARA=1").
  std::vector<std::pair<std::string, Pixels>> layers;
  std::vector<BmxText> texts;
  std::vector<BmxPlaced> placed;
  bool utf8 = false;  // the texts' coding: UTF-8, else Latin-1
  std::string problem;
};
// The pictures and texts of a decoded .bmx image (bytes: the file it was
// decoded from, which holds the layers' literal pixels); the problem says
// what stopped the drawing.
BmxPicture BmxPictures(const BmxFile& file, std::string_view bytes);

// The languages (LAN values, upper case) and states (PARA values) that
// choose among a .bmx image's elements; one empty language, or state -1,
// when none chooses by it.
std::vector<std::string> BmxLanguages(const BmxPicture& p);
std::vector<int> BmxStates(const BmxPicture& p);
// The whole image in one language and state as an SVG document: the
// background, each layer, bitmap and drawing chosen, then the texts, every
// picture inside it as data so that it shows as an <img>.
std::string BmxComposite(const BmxPicture& p, const std::string& language, int state);

// PNG bytes of a picture: two-colour pictures as 1-bit grey, others
// through stb_image_write.
std::string EncodePng(const Pixels& p);
// A softkey's pixels as PNG bytes: raster bits as 1-bit grey, a set bit
// black; the control's colour numbers in the palette of the vector softkeys.
std::string PicturePng(const SoftkeyPicture& picture);

}  // namespace q32
