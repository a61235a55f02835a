// A .bmx image read back from its bytes: the background (a whole 24-bit
// bitmap file, whose stated size says where the rest begins), the header
// ("BMX2", or "BXX3" and ten words), the attribute dictionary (keys and
// values in 8-byte name fields), then the records up to a zero word: texts,
// layers (run-length units of the pixel differences to the background),
// placed bitmaps and SVG pictures, each with a value index per key.
//
// Every read is bounded by the file.  Where the file ends inside a word or a
// name, or a record would reach outside it, the reading stops and says where;
// a record whose body is too short for its type is kept with that noted, and
// the reading goes on behind it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "raster/BmpHeader.h"

namespace q32 {

// A stored pixel (blue, green, red) as 0xRRGGBB.
[[nodiscard]] std::uint32_t BmxPixel(std::string_view bytes, std::size_t at);

// The background and a placed bitmap are taken up to this many pixels wide
// and high.
constexpr std::int32_t kMaxBmxPictureSide = 4096;

struct BmxBackground {
  bool present = false;  // the file starts with "BM" (and not "BMX2")
  std::uint32_t size = 0;  // the size its file header states: where the header of the rest stands
  // Read from the start of the file; a field beyond the stated size is read
  // all the same.
  BmpHeader header;
  // The first field of the info header that the stated size does not hold
  // (0: it holds all of them).
  std::size_t headerCutAt = 0;
  // 24 bits a pixel, 1 to 4096 pixels wide and high (whatever the compression).
  bool described = false;
  bool inside = false;  // and its rows lie within the stated size
  // Those rows, as stored (bottom row first unless the height is negative).
  std::vector<std::uint32_t> pixels;
};

// An 8-byte name field.
struct BmxName {
  std::string name;        // up to its first zero
  bool zeroFilled = true;  // every byte behind the name is zero
};

struct BmxKey {
  BmxName name;
  std::uint32_t count = 0;      // the values it states
  std::vector<BmxName> values;  // as many as the file holds
};

// A layer's units, from the unit stream behind its size word.
enum class BmxUnitKind : std::uint8_t { Run, Skip, Literal, End };
struct BmxLayerUnit {
  BmxUnitKind kind = BmxUnitKind::End;
  std::size_t at = 0;      // in the stream
  std::size_t end = 0;     // behind the unit (a literal: behind its padding to whole words)
  std::uint32_t count = 0; // pixels of a run, a skip or a literal
  std::uint32_t value = 0; // the difference a run repeats
  bool whole = true;       // a literal's padding lies within the stream
  bool clean = true;       // a literal's padding and an end unit's last two bytes are zero
};
enum class BmxLayerStop : std::uint8_t {
  EndUnit,        // the last unit is the end unit
  NoEndUnit,      // the stream ends without it
  TooManyPixels,  // more than 2^24 pixels: more than any picture holds
  ZeroUnit,       // 00 00, no unit, at stopAt
  LiteralBeyond,  // a literal at stopAt whose pixels reach beyond the stream
};
struct BmxLayerUnits {
  std::vector<BmxLayerUnit> units;
  BmxLayerStop stop = BmxLayerStop::NoEndUnit;
  std::size_t stopAt = 0;
  std::uint64_t pixels = 0;  // what the units stand for
};
[[nodiscard]] BmxLayerUnits ReadBmxLayerUnits(std::string_view stream);
// The pixel differences the units stand for, at most `limit`.
[[nodiscard]] std::vector<std::uint32_t> BmxLayerDifferences(std::string_view stream,
                                                             std::span<const BmxLayerUnit> units, std::size_t limit);

struct BmxTextRecord {
  // The body's first 21 words: 0, horizontal and vertical alignment,
  // position unit (or template), x, y, font size given, font (or size unit),
  // font size, ... colour given (18), colour (19), the text's size with its
  // closing zero (20).
  std::array<std::uint32_t, 21> words{};
  std::string font;        // from byte 36 to its first zero (or to the body's end)
  bool textFits = false;   // the text's size is not zero and lies within the body
  std::string text;        // without the closing zero, when it fits
  bool asLaidOut = false;  // zeros where the writer leaves them, the body as long as the text needs
};

struct BmxPlacedBitmap {
  std::array<std::uint32_t, 5> words{};  // position unit, x, y, pixel offset (from byte 20), bitmap bytes
  BmpInfoHeader info;                    // at byte 20
  std::uint32_t pixelsAt = 0;            // 20 + the pixel offset, in 32 bits as the writer counts it
  bool described = false;                // as the background's
  bool inside = false;                   // its rows lie within the body
  std::vector<std::uint32_t> pixels;     // those rows, as stored
};

struct BmxSvgRecord {
  std::array<std::uint32_t, 8> words{};  // 0, position unit, x, y, size unit, width, height, bytes
  std::string svg;                       // behind the 32 bytes of words
};

constexpr std::uint32_t kBmxNoValue = 0xFFFFFFFFu;

struct BmxRecord {
  std::size_t at = 0;  // of its type word
  std::uint32_t type = 0, next = 0;
  std::vector<std::uint32_t> indexes;  // a value index per key, kBmxNoValue for none
  bool nextOutside = false;  // next lies before the body or beyond the file: the record has no body
  std::size_t bodyAt = 0, bodySize = 0;
  // Nonzero when the body is too short for its type: the offset of the first
  // field it does not hold (a layer's size word 0, a text's size word 80, a
  // placed bitmap's pixel offset 12 or its info header's width 24, height
  // 28, bit count 32, compression 36, an SVG picture's bytes 32).
  std::size_t shortAt = 0;
  bool bodyShort = false;
  std::uint32_t unitsSize = 0;  // a layer's first word
  BmxLayerUnits units;          // of a layer, from byte 4
  BmxTextRecord text;
  BmxPlacedBitmap bitmap;
  BmxSvgRecord svg;

  bool IsLayer() const { return type == 1; }
  bool IsText() const { return type == 2; }
  bool IsPlacedBitmap() const { return type == 3; }
  bool IsSvg() const { return type == 4; }
  std::string_view Body(std::string_view file) const { return file.substr(bodyAt, bodySize); }
};

// Where the reading stopped, and why.
enum class BmxPart : std::uint8_t { Background, Header, Dictionary, Records };
enum class BmxStop : std::uint8_t {
  FinalWord,             // the zero word at finalAt
  EndsInsideWord,        // the file ends inside the word at stopAt
  EndsInsideName,        // the file ends inside the name field at stopAt
  BackgroundBeyondFile,  // the background's stated size lies beyond the file
  NoHeader,              // neither BMX2 nor BXX3 at stopAt
  TooManyKeys,           // the dictionary states more than 64 keys
  NextOutside,           // the last record's next record lies outside (its nextOutside)
};

constexpr std::uint32_t kMaxBmxKeys = 64;

struct BmxFile {
  BmxBackground background;
  bool extended = false;                  // BXX3
  std::vector<std::uint32_t> headerWords; // BXX3's ten words, as many as the file holds
  std::uint32_t keyCount = 0;
  std::vector<BmxKey> keys;  // every key whose name and count were read
  std::vector<BmxRecord> records;
  BmxStop stop = BmxStop::FinalWord;
  BmxPart stopPart = BmxPart::Records;
  std::size_t stopAt = 0;
  std::size_t finalAt = 0;   // where the head of the next record (or the final word) was read
  std::size_t trailing = 0;  // bytes behind the final word
};

[[nodiscard]] BmxFile DecodeBmxFile(std::string_view bytes);

// A .bmx file as a listing: background, header, dictionary and every record,
// each fault a "!!" line.  The preview's details view shows it.
[[nodiscard]] std::string BmxListing(std::string_view bytes);
// The units of a layer stream ("run", "skip", "literal", the first twelve
// listed) and the pixel differences they stand for; false with the fault at
// a malformed unit.
[[nodiscard]] bool ListBmxLayerUnits(std::string_view stream, std::vector<std::uint32_t>& differences,
                                     std::string& units, std::string& error);

}  // namespace q32
