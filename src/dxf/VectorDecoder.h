// Vector softkeys read back from their data bytes: the drawings the DXF
// converter writes (an "HV02" header, block subroutines behind a skip, the
// entities, the end word) and the text softkeys (language tests, text
// records, an end word per language).  Two readings:
//
// - the record list: every record in file order with its words, where each
//   relative operand lands, the block subroutines and where the entities
//   begin;
// - the walk: the records followed as the control runs them, block calls
//   into their subroutines and back, one language at a time, giving the
//   shapes drawn.
//
// Every read is bounded by the data and every walk by a step count: whatever
// the bytes, both say where and why they stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q32 {

// True when the data is a vector softkey of a drawing ("HV02" header) or of a
// text softkey (language tests and text records), not a raster one.
[[nodiscard]] bool LooksLikeVectorSoftkey(std::string_view data);
// The byte order of the words, as the first record shows it: its opcode has
// a zero low byte.  The REA and the language tests of text softkeys are fixed
// bytes in either order, so the first record after them tells.
[[nodiscard]] bool VectorWordsLittleEndian(std::string_view data);

// ---------------------------------------------------------------------------
// The record list.

// The layout of a record the DXF converter writes, one character per word
// after the opcode: x y a point; r a radius; c a colour; s a text size code;
// P a para; L a block header's skip over its plain records; t a text's
// character count, then its characters padded to an even count; any other
// character a fixed word (VectorFixedWord).  A strict layout (prefixes, block
// header) is the record only with every fixed word; a drawing record keeps a
// fixed word that differs.
struct VectorRecordLayout {
  std::uint16_t opcode;
  const char* name;
  const char* words;
  bool strict;
};
[[nodiscard]] std::span<const VectorRecordLayout> VectorRecordLayouts();
// The value of a fixed word of a layout.
[[nodiscard]] std::uint16_t VectorFixedWord(char code);

enum class VectorRecordKind : std::uint8_t {
  Rea,           // 38 00 00 00: the language tests follow
  LanguageTest,  // 3A 00 00 00 00 language 3C 02 00 skip
  End,           // FFFFh
  BlockEnd,      // 3D00h
  Header,        // 3C00h 0006h "HV02" at the start of a drawing
  Skip,          // 3C00h and its distance
  BlocksSkip,    // the skip right after the header: over the block subroutines
  Call,          // 3B80h and its distance: a call of a block subroutine
  Layout,        // a record of one of the layouts
};

enum class VectorLanding : std::uint8_t {
  None,          // no relative operand
  OnBlock,       // a call on the first record of a block subroutine
  OnRecord,      // on the first byte of a record (for a call: of no block)
  AtEnd,         // just behind the last byte of the data
  Outside,       // beyond the data
  InsideRecord,  // on a byte inside a record
};

struct VectorRecord {
  VectorRecordKind kind = VectorRecordKind::End;
  const VectorRecordLayout* layout = nullptr;  // of a kLayout record
  std::size_t at = 0, end = 0;
  // The operand of a skip or call; the language index and skip byte of a
  // language test; one word per layout character (a text's count).
  std::vector<std::uint16_t> words;
  std::string text;  // the characters of a text record
  // Where the relative operand lands: skips, language tests and block
  // headers count from the operand word; a call counts as the drawing's
  // writer lays the file out (without the 20-byte header of the block it
  // stands in, from 24 bytes further in the entities), modulo 65536.
  long target = -1;
  VectorLanding landing = VectorLanding::None;
  int targetBlock = 0;    // the block a call lands on
  int block = 0;          // the number of the block subroutine it begins (from 1), or 0
  bool entities = false;  // the entities begin here (the blocks skip lands here)
};

enum class VectorListStop : std::uint8_t {
  None,           // the records reach the end of the data
  ByteLeftOver,   // one byte after the last record
  CutOff,         // the data ends inside a record
  UnknownRecord,  // an opcode of no record
};

struct VectorRecordList {
  bool littleEndian = false;
  std::vector<VectorRecord> records;
  VectorListStop stop = VectorListStop::None;
  std::size_t stopAt = 0;        // where the records end
  std::uint16_t stopOpcode = 0;  // of an unknown record
};

[[nodiscard]] VectorRecordList ListVectorRecords(std::string_view data);
// Whether a relative operand lands where it should: a call on a block, any
// other on a record or at the end of the data.
[[nodiscard]] bool LandsRight(const VectorRecord& record);

// A vector softkey record file (its text) as a listing: what is wrong with
// its lines, the byte order and size, every record with its offset, words
// and where a relative operand lands, and whether the record list is clean.
// The preview's details view shows it.
[[nodiscard]] std::string VectorListing(std::string_view recordFile);

// ---------------------------------------------------------------------------
// The walk.

enum class VectorShapeKind : std::uint8_t { Line, Circle, Arc, Dot, Text };

// In softkey pixels, y upward from the bottom edge.
struct VectorShape {
  VectorShapeKind kind = VectorShapeKind::Line;
  int x1 = 0, y1 = 0;  // line and arc: start; circle: centre; dot, text: position
  int x2 = 0, y2 = 0;  // line and arc: end
  int cx = 0, cy = 0;  // arc: centre, counter-clockwise from start to end
  int radius = 0;      // circle
  int colour = 0;      // colour number; para records draw in 9
  int sizeCode = 0;    // text: 2 small, 3 medium, 5 big
  std::string text;
};

// The character cell of the control's font that a text record's size code
// names, in softkey pixels: small (2) 8 x 12, medium (3) 16 x 20, big (5)
// 32 x 36; any other code draws in the small font.  The widths are those the
// text softkeys lay their rows out by; a text runs rightward from its
// position, a cell a character.
struct VectorTextCell {
  int width = 0, height = 0;
  const char* font = "";  // "small", "medium", "big"
};
[[nodiscard]] VectorTextCell TextCell(int sizeCode);

enum class VectorWalkStop : std::uint8_t {
  None,                  // the walk reached the end word
  Loops,                 // more steps than any softkey takes
  NoEndWord,             // the records end without the end word
  BlockEndOutsideBlock,
  CutOff,                // a record is cut off
  CallsTooDeep,          // more than 32 calls nested
  CallOffBlock,          // a call lands at stopAt, not on a block
  TextCutOff,            // a text record is cut off
  UnknownRecord,         // stopOpcode at stopAt
};

// What one language shows (a drawing has one variant).
struct VectorVariant {
  int language = -1;  // the language index tested; -1 the part shown when no test matches
  std::vector<VectorShape> shapes;
  // Where the lines, circles, arcs and points reach (texts do not count: how
  // far a text reaches is the control's font's business).
  bool drawsSomething = false;
  int minX = 0, minY = 0, maxX = 0, maxY = 0;
  VectorWalkStop stop = VectorWalkStop::None;
  std::size_t stopAt = 0;
  std::uint16_t stopOpcode = 0;
  int calls = 0;  // block calls followed
};

// One variant per language a text softkey tests, in file order, then the
// default part; a drawing has only the default part.
[[nodiscard]] std::vector<VectorVariant> DrawVectorSoftkey(std::string_view data);
// The language indices a text softkey tests, in file order.
[[nodiscard]] std::vector<int> TestedLanguages(std::string_view data);

}  // namespace q32
