// Whole DXF conversions: drawings of every entity type, with and without
// blocks, compared byte for byte as record files in both byte orders; every
// failure code with its report and the fate of the output file; drawings
// that are truncated, garbled or huge.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "dxf/DxfReader.h"
#include "dxf/VectorOutput.h"
#include "dxf/VectorTestSupport.h"
#include "platform/FaultyFileSystem.h"

namespace q32 {
namespace {

using q32test::Bytes;
using q32test::Cat;
using q32test::Chars;
using q32test::FileExistsOnDisk;
using q32test::ReadFile;
using q32test::RecordFile;
using q32test::TestRun;
using q32test::WriteFile;
using P = std::vector<std::pair<int, std::string>>;

// ---------------------------------------------------------------------------
// Drawings.

P operator+(P a, const P& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

P Section(const std::string& name, const P& body) {
  return P{{0, "SECTION"}, {2, name}} + body + P{{0, "ENDSEC"}};
}
const P kEof = {{0, "EOF"}};

P Line(const std::string& layer, const std::string& x1, const std::string& y1,
       const std::string& x2, const std::string& y2) {
  return {{0, "LINE"}, {8, layer}, {62, "7"}, {10, x1}, {20, y1}, {30, "0.0"},
          {11, x2},    {21, y2},   {31, "0.0"}};
}
P Circle(const std::string& layer, const std::string& x, const std::string& y, const std::string& r) {
  return {{0, "CIRCLE"}, {8, layer}, {10, x}, {20, y}, {30, "0"}, {40, r}};
}
P Arc(const std::string& layer, const std::string& x, const std::string& y, const std::string& r,
      const std::string& a1, const std::string& a2) {
  return {{0, "ARC"}, {8, layer}, {10, x}, {20, y}, {40, r}, {50, a1}, {51, a2}};
}
P Text(const std::string& layer, const std::string& x, const std::string& y, const std::string& h,
       const std::string& text) {
  return {{0, "TEXT"}, {8, layer}, {10, x}, {20, y}, {40, h}, {1, text}, {50, "30"}, {72, "1"}};
}
P Solid(const std::string& layer, std::vector<std::string> c) {
  return {{0, "SOLID"}, {8, layer}, {10, c[0]}, {20, c[1]}, {11, c[2]}, {21, c[3]},
          {12, c[4]},   {22, c[5]}, {13, c[6]},  {23, c[7]}};
}
P Point(const std::string& layer, const std::string& x, const std::string& y) {
  return {{0, "POINT"}, {8, layer}, {10, x}, {20, y}};
}
P Polyline(const std::string& layer, const std::string& flags,
           const std::vector<std::pair<std::string, std::string>>& vertices) {
  P p = {{0, "POLYLINE"}, {8, layer}, {66, "1"}, {10, "0"}, {20, "0"}, {70, flags}};
  for (const auto& [x, y] : vertices) p = p + P{{0, "VERTEX"}, {8, "7"}, {10, x}, {20, y}, {42, "0.5"}};
  return p + P{{0, "SEQEND"}, {8, layer}};
}
P LwPolyline(const std::string& layer, const std::vector<std::pair<std::string, std::string>>& vertices) {
  P p = {{0, "LWPOLYLINE"}, {8, layer}, {90, std::to_string(vertices.size())}, {70, "1"}};
  for (const auto& [x, y] : vertices) p = p + P{{10, x}, {20, y}, {42, "0"}};
  return p;
}
P Insert(const std::string& name) {
  return {{0, "INSERT"}, {8, "0"}, {2, name}, {10, "100"}, {20, "100"}, {41, "2"}, {50, "45"}};
}
P Block(const std::string& name, const P& body) {
  return P{{0, "BLOCK"}, {8, "0"}, {2, name}, {70, "0"}, {10, "0"}, {20, "0"}, {3, name}} + body +
         P{{0, "ENDBLK"}, {8, "0"}};
}
const P kHeader = Section("HEADER", {{9, "$ACADVER"}, {1, "AC1009"}, {9, "$EXTMIN"}, {10, "0.0"},
                                     {20, "0.0"}, {30, "0.0"}, {9, "$EXTMAX"}, {10, "27.6"},
                                     {20, "17.2"}, {30, "0.0"}, {9, "$LUNITS"}, {70, "2"}});

// ---------------------------------------------------------------------------
// Expected records (the words as the control reads them).

struct Rec {
  bool le = false;
  Bytes W(std::initializer_list<std::uint16_t> w) const { return q32test::Words(w, le); }
  Bytes Header() const { return Cat({W({0x3C00, 0x0006}), Chars("HV02")}); }
  Bytes Lin(std::uint16_t x1, std::uint16_t y1, std::uint16_t x2, std::uint16_t y2) const {
    return W({0x1200, x1, y1, x2, y2, 0, 9});
  }
  Bytes ParaLin(std::uint16_t x1, std::uint16_t y1, std::uint16_t x2, std::uint16_t y2) const {
    Bytes once = W({0x1240, 0x0400, x1, y1, x2, y2, 0, 1});
    return Cat({once, once});
  }
  Bytes Prefix(std::uint16_t para) const {
    return W({0x3100, 1, 0x000A, 0x3A00, 0, para, 0x3C02, 8, 0x3100, 1, 9});
  }
  Bytes TextPrefix(std::uint16_t para) const {
    return W({0x3100, 1, 9, 0x3100, 1, 9, 0x3A00, 0, para, 0x3C02, 0x000C, 0x0800, 9, 0x3100, 1,
              0x000A});
  }
  Bytes Cir(std::uint16_t x, std::uint16_t y, std::uint16_t r) const {
    return W({0x1A00, x, y, r, 0, 9});
  }
  Bytes ArcR(std::uint16_t sx, std::uint16_t sy, std::uint16_t ex, std::uint16_t ey,
             std::uint16_t cx, std::uint16_t cy) const {
    return W({0x1C00, sx, sy, ex, ey, cx, cy, 0, 0, 9});
  }
  Bytes Fill(std::uint16_t x, std::uint16_t y) const { return W({0x2200, x, y, 0xFFFF, 9}); }
  Bytes Pt(std::uint16_t x, std::uint16_t y) const { return W({0x1000, x, y, 9}); }
  Bytes Txt(std::uint16_t x, std::uint16_t y, const std::string& text, std::uint16_t code) const {
    Bytes chars = Chars(text);
    if (text.size() % 2) chars.push_back(0);
    return Cat({W({0x2A00, x, y, static_cast<std::uint16_t>(text.size())}), chars, W({code, 9})});
  }
  Bytes End() const { return W({0xFFFF}); }
};

// ---------------------------------------------------------------------------
// Conversion.

struct Converted {
  int result = -1;
  std::string pic;  // the record file, or empty when there is none
  bool picExists = false;
  int errors = 0;
  std::string log;
};

Converted Convert(const std::string& drawing, bool le = false, int format = kDxfFormatVector) {
  TestRun t(le);
  std::string source = t.dir / "d.dxf";
  WriteFile(source, drawing);
  Converted c;
  c.result = ConvertDxfSoftkey(*t.run, source, format);
  c.picExists = FileExistsOnDisk(t.dir / "d.PIC");
  if (c.picExists) c.pic = ReadFile(t.dir / "d.PIC");
  c.errors = t.Errors();
  c.log = t.Log();
  return c;
}

Converted Convert(const P& drawing, bool le = false) { return Convert(q32test::Pairs(drawing), le); }

// ---------------------------------------------------------------------------

TEST(DxfReader, OneLineInBothByteOrders) {
  P drawing = Section("ENTITIES", Line("0", "0", "0", "23", "11.5")) + kEof;
  Converted be = Convert(drawing);
  ASSERT_EQ(be.result, 0) << be.log;
  // 23 and 11.5 drawing units are 64 and 32 softkey units.
  EXPECT_EQ(be.pic, RecordFile({{0x3C, 0x00, 0x00, 0x06, 'H', 'V', '0', '2'},
                                {0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x20, 0x00,
                                 0x00, 0x00, 0x09},
                                {0xFF, 0xFF}}));
  Converted le = Convert(drawing, true);
  ASSERT_EQ(le.result, 0);
  EXPECT_EQ(le.pic, RecordFile({{0x00, 0x3C, 0x06, 0x00, 'H', 'V', '0', '2'},
                                {0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x20, 0x00, 0x00,
                                 0x00, 0x09, 0x00},
                                {0xFF, 0xFF}}));
  EXPECT_EQ(be.errors, 0);
  // Another format value gives the same softkey.
  EXPECT_EQ(Convert(q32test::Pairs(drawing), false, 7).pic, be.pic);
  // Line ends CR LF read the same.
  std::string crlf = q32test::Crlf(q32test::Pairs(drawing));
  EXPECT_EQ(Convert(crlf).pic, be.pic);
}

// Every entity type in ENTITIES, no blocks: plain records are written in
// drawing order, para records collect in the pending buffer behind them.
P EveryEntityDrawing() {
  P entities =
      Line("0", "0", "0", "23", "11.5") + Line("L3", "0", "0", "1", "1") +
      Circle("0", "10", "10", "5") + Line("L3", "1", "1", "2", "2") +
      Arc("0", "10", "10", "5", "90", "180") + Text("L3", "0", "0", "1", "X") +
      Text("0", "1", "2", "10.8", "ABC") + Text("0", "1", "2", "7.2", "A") +
      Text("0", "1", "2", "7.1", "AB") + Text("0", "1", "2", "10.7", "AB") +
      Line("L3", "0", "0", "1", "1") +
      Solid("0", {"0", "0", "10", "0", "0", "10", "0", "10"}) + Circle("DASH5", "1", "1", "1") +
      Solid("0", {"0", "0", "10", "0", "0", "10", "10", "10"}) + Arc("L12B", "0", "0", "1", "0", "90") +
      Solid("0", {"0", "0", "1", "0", "2", "0", "3", "0"}) + Point("2", "1", "1") +
      Point("0", "3", "4") + Solid("2", {"0", "0", "10", "0", "0", "10", "0", "10"}) +
      Polyline("0", "1", {{"0", "0"}, {"10", "0"}, {"10", "10"}}) +
      Polyline("4", "1", {{"0", "0"}, {"1", "1"}}) +
      Polyline("0", "129", {{"0", "0"}, {"10", "0"}, {"10", "10"}}) +
      LwPolyline("4", {{"1", "1"}, {"2", "2"}}) + LwPolyline("0", {{"0", "0"}, {"5", "5"}, {"10", "0"}}) +
      P{{0, "HATCH"}, {8, "0"}, {62, "1"}, {2, "SOLID"}, {70, "1"}, {91, "1"}, {10, "1"}, {20, "1"}} +
      P{{0, "DIMENSION"}, {8, "0"}, {2, "*D1"}, {10, "0"}, {20, "0"}, {1, "<>"}} +
      Insert("NOPE") + Line("0", "-1", "0", "0", "0") + P{{0, "$EXTMIN"}, {10, "0"}};
  return kHeader + Section("TABLES", {{0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"}, {2, "L3"}, {0, "ENDTAB"}}) +
         Section("ENTITIES", entities) + kEof;
}

std::vector<Bytes> EveryEntityExpected(bool le) {
  Rec r{le};
  // Plain records, one write each: the line, the circle, the arc from 90 to
  // 180 degrees around (27,27) with radius 13, four texts (heights 10.8, 7.2,
  // 7.1 and 10.7 are 30, 20, 19 and 29 softkey units: sizes 48, 32, 16, 32),
  // a SOLID triangle with its fill, a quadrilateral with its fill, a SOLID on
  // one line without fill, a point, a closed and an open POLYLINE, an
  // LWPOLYLINE, and a line to x = -1 (0xFFFE).
  std::vector<Bytes> calls = {
      r.Header(),
      r.Lin(0, 0, 64, 32),
      r.Cir(27, 27, 13),
      r.ArcR(27, 40, 14, 27, 27, 27),
      r.Txt(2, 5, "ABC", 5),
      r.Txt(2, 5, "A", 3),
      r.Txt(2, 5, "AB", 2),
      r.Txt(2, 5, "AB", 3),
      r.Lin(0, 0, 27, 0), r.Lin(27, 0, 0, 27), r.Lin(0, 27, 0, 0), r.Fill(6, 13),
      r.Lin(0, 0, 27, 0), r.Lin(27, 0, 27, 27), r.Lin(27, 27, 0, 27), r.Lin(0, 27, 0, 0),
      r.Fill(13, 13),
      r.Lin(0, 0, 2, 0), r.Lin(2, 0, 8, 0), r.Lin(8, 0, 5, 0), r.Lin(5, 0, 0, 0),
      r.Pt(8, 11),
      r.Lin(0, 0, 27, 0), r.Lin(27, 0, 27, 27), r.Lin(27, 27, 0, 0),
      r.Lin(0, 0, 27, 0), r.Lin(27, 0, 27, 27),
      r.Lin(0, 0, 13, 13), r.Lin(13, 13, 27, 0),
      r.Lin(0xFFFE, 0, 0, 0),
  };
  // The pending buffer in drawing order: two lines on layer L3 share one
  // prefix; the text on L3 has its own prefix and leaves no para current, so
  // the next L3 line gets a prefix again; DASH5 is para 4, L12B para 11,
  // layer 2 para 1 (the point and the SOLID after it share the prefix), and
  // layer 4 para 3 (the closed POLYLINE and the LWPOLYLINE share it).
  calls.push_back(Cat({
      r.Prefix(2), r.ParaLin(0, 0, 2, 2), r.ParaLin(2, 2, 5, 5),
      r.TextPrefix(2), r.W({0x2A40, 0x0800, 0, 0, 1}), Chars("X"), Bytes{0}, r.W({2, 1, 0x0800, 0x000A}),
      r.Prefix(2), r.ParaLin(0, 0, 2, 2),
      r.Prefix(4), r.W({0x1A40, 0x0800, 2, 2, 2, 0, 1}),
      r.Prefix(11), r.W({0x1C40, 0x0080, 2, 0, 0, 2, 0, 0, 0, 0, 1}),
      r.Prefix(1), r.W({0x1040, 0x2000, 2, 2, 1}),
      r.ParaLin(0, 0, 27, 0), r.ParaLin(27, 0, 0, 27), r.ParaLin(0, 27, 0, 0),
      r.W({0x2240, 0x1000, 6, 13, 0xFFFF, 1}),
      r.Prefix(3), r.ParaLin(0, 0, 2, 2), r.ParaLin(2, 2, 0, 0),
      r.ParaLin(2, 2, 5, 5),
  }));
  calls.push_back(r.End());
  return calls;
}

TEST(DxfReader, EveryEntityTypeWithoutBlocks) {
  for (bool le : {false, true}) {
    Converted c = Convert(EveryEntityDrawing(), le);
    ASSERT_EQ(c.result, 0) << c.log;
    EXPECT_EQ(c.pic, RecordFile(EveryEntityExpected(le))) << "little-endian " << le;
    EXPECT_EQ(c.errors, 0);
  }
}

// Blocks B (a para point only), A (a plain line, a para circle and a call
// of B) and C (a call of itself), called from ENTITIES.
P BlocksDrawing() {
  P blocks = Block("B", Point("2", "1", "1")) +
             Block("A", Line("0", "0", "0", "23", "11.5") + Circle("3", "11.5", "11.5", "2.3") +
                            Insert("B")) +
             Block("C", Insert("C"));
  P entities = Insert("A") + Line("0", "0", "0", "23", "11.5") + Insert("C") +
               Text("L5", "1", "1", "7.2", "AB");
  return kHeader + Section("BLOCKS", blocks) + Section("ENTITIES", entities) + kEof;
}

std::vector<Bytes> BlocksExpected(bool le) {
  Rec r{le};
  // Scan Blocks (offsets from 12):
  //   B starts at 12: point with para prefix 22 + 10 = 32 -> 44, end -> 46;
  //     no plain record, so direct length 0 and no header.
  //   A starts at 46: line 14 -> 60 (direct 14), para circle 22 + 14 -> 96,
  //     call of B 4 -> 100, end 2 -> 102, header 20 -> 122; direct length 14.
  //   C starts at 122: call 4 -> 126, end -> 128.
  //   Blocks length 128 - 12 = 116; the skip record holds 118 (0x76).
  // Write Blocks, distance = target start - direct length - start - pending - 2:
  //   in A, calling B with 36 bytes pending: 12 - 14 - 46 - 36 - 2 = -86 = 0xFFAA.
  //   in C, calling C with nothing pending: 122 - 0 - 122 - 0 - 2 = -2 = 0xFFFE.
  // Scan Entities: one plain line, so the entities base is 14 + 24 = 38.
  // Write Entities, distance = target start - 38 - 116 - pending - 14:
  //   call of A, nothing pending: 46 - 38 - 116 - 0 - 14 = -122 = 0xFF86.
  //   call of C, 4 pending: 122 - 38 - 116 - 4 - 14 = -50 = 0xFFCE.
  // The text on layer L5 is para 4, height 7.2 gives size 32 (code 3).
  return {
      r.Header(),
      r.W({0x3C00, 118}),
      Cat({r.Prefix(1), r.W({0x1040, 0x2000, 2, 2, 1})}),
      r.W({0x3D00}),
      r.W({0x3A00, 0, 0, 0x3C04, 0x000C, 0x3300, 0, 0x8000, 0x3C02, 16}),
      r.Lin(0, 0, 64, 32),
      Cat({r.Prefix(2), r.W({0x1A40, 0x0800, 32, 32, 6, 0, 1}), r.W({0x3B80, 0xFFAA})}),
      r.W({0x3D00}),
      r.W({0x3B80, 0xFFFE}),
      r.W({0x3D00}),
      r.Lin(0, 0, 64, 32),
      Cat({r.W({0x3B80, 0xFF86}), r.W({0x3B80, 0xFFCE}), r.TextPrefix(4),
           r.W({0x2A40, 0x0800, 2, 2, 2}), Chars("AB"), r.W({3, 1, 0x0800, 0x000A})}),
      r.End(),
  };
}

TEST(DxfReader, BlocksWithCallsFromBlocksAndEntities) {
  for (bool le : {false, true}) {
    Converted c = Convert(BlocksDrawing(), le);
    ASSERT_EQ(c.result, 0) << c.log;
    EXPECT_EQ(c.pic, RecordFile(BlocksExpected(le))) << "little-endian " << le;
  }
}

TEST(DxfReader, BlockOfOnePlainLine) {
  // 14 + 20 + 2 = 36 bytes of blocks: the skip record holds 38.
  Converted c = Convert(Section("BLOCKS", Block("K", Line("0", "0", "0", "1", "1"))) +
                        Section("ENTITIES", {}) + kEof);
  ASSERT_EQ(c.result, 0);
  Rec r;
  EXPECT_EQ(c.pic, RecordFile({r.Header(), r.W({0x3C00, 38}),
                               r.W({0x3A00, 0, 0, 0x3C04, 0x000C, 0x3300, 0, 0x8000, 0x3C02, 16}),
                               r.Lin(0, 0, 2, 2), r.W({0x3D00}), r.End()}));
}

TEST(DxfReader, ListingLinesNameTheEntityLines) {
  // Lines: SECTION 2, BLOCKS 4, BLOCK 6, LINE 10, ENDBLK, ENDSEC, SECTION,
  // ENTITIES 28, INSERT 30, SOLID 34.
  std::string drawing = q32test::Pairs(
      Section("BLOCKS", P{{0, "BLOCK"}, {2, "B"}, {0, "LINE"}, {8, "0"}, {10, "0"}, {20, "0"},
                          {11, "1"}, {21, "1"}, {0, "ENDBLK"}}) +
      Section("ENTITIES", P{{0, "INSERT"}, {2, "B"}} +
                              Solid("0", {"0", "0", "10", "0", "0", "10", "0", "10"})) +
      kEof);
  Converted c = Convert(drawing);
  ASSERT_EQ(c.result, 0) << c.log;
  const std::string block = "6          BLOCK B\n10         LIN (0,0)-(2,2) C9\n";
  const std::string entities =
      "30         INSERT B\n"
      "          SOLID:\n"
      "34         LIN (0,0)-(27,0) C9\n"
      "34         LIN (27,0)-(0,27) C9\n"
      "34         LIN (0,27)-(0,0) C9\n"
      "34         PNT (6, 13), C9\n";
  EXPECT_EQ(c.log, q32test::Crlf("Header 'HV02'        \nScan Blocks:\n" + block + "Write Blocks:\n" +
                                 block + "Scan Entities:\n" + entities + "Write Entities:\n" +
                                 entities));
}

TEST(DxfReader, HeaderVariants) {
  P entities = Section("ENTITIES", Point("0", "1", "1")) + kEof;
  Converted plain = Convert(entities);
  ASSERT_EQ(plain.result, 0);
  // A HEADER without extents, and one whose last variable is $EXTMAX: that
  // variable takes the HEADER's ENDSEC, and the HEADER ends at the next one.
  EXPECT_EQ(Convert(Section("HEADER", {{9, "$ACADVER"}, {1, "AC1009"}}) + entities).pic, plain.pic);
  EXPECT_EQ(Convert(Section("HEADER", {{9, "$EXTMAX"}, {10, "1"}, {20, "1"}}) +
                    Section("TABLES", {}) + entities).pic,
            plain.pic);
  // Extents are needed whole but do not move the drawing.
  EXPECT_EQ(Convert(Section("HEADER", {{9, "$EXTMIN"}, {10, "-50"}, {20, "-50"}, {9, "$EXTMAX"},
                                       {20, "9"}, {10, "9"}}) + entities).pic,
            plain.pic);
}

TEST(DxfReader, ReaderDecisions) {
  Rec r;
  // A value line of 100 characters is read whole and cut to 78; the pairs
  // after it stay in step.
  std::string longText(100, 'T');
  Converted text = Convert(Section("ENTITIES", Text("0", "0", "0", "1", longText) +
                                                   Point("0", "1", "1")) + kEof);
  ASSERT_EQ(text.result, 0) << text.log;
  EXPECT_EQ(text.pic, RecordFile({r.Header(), r.Txt(0, 0, std::string(78, 'T'), 2), r.Pt(2, 2),
                                  r.End()}));

  // A group code of any size is just another group to skip.
  Converted huge = Convert(Section("ENTITIES", P{{0, "POINT"}, {10, "1"}} +
                                                   P{{-999999, "x"}} + P{{20, "1"}}) + kEof);
  std::string hugeDrawing = "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n 10\n1\n"
                            "99999999999999999999999\nx\n 20\n1\n  0\nENDSEC\n  0\nEOF\n";
  Converted huge2 = Convert(hugeDrawing);
  ASSERT_EQ(huge.result, 0);
  ASSERT_EQ(huge2.result, 0);
  EXPECT_EQ(huge2.pic, RecordFile({r.Header(), r.Pt(2, 2), r.End()}));

  // A VERTEX without 10 or 20 counts 0 for the missing coordinate.
  P polyline = {{0, "POLYLINE"}, {70, "0"}, {0, "VERTEX"}, {10, "1"}, {0, "VERTEX"}, {20, "1"},
                {0, "SEQEND"}};
  Converted vertex = Convert(Section("ENTITIES", polyline) + kEof);
  ASSERT_EQ(vertex.result, 0);
  EXPECT_EQ(vertex.pic, RecordFile({r.Header(), r.Lin(2, 0, 0, 2), r.End()}));

  // An LWPOLYLINE without vertices draws nothing and the next entity is read.
  Converted lw = Convert(Section("ENTITIES", P{{0, "LWPOLYLINE"}, {8, "3"}, {90, "0"}} +
                                                 Point("0", "1", "1")) + kEof);
  ASSERT_EQ(lw.result, 0);
  EXPECT_EQ(lw.pic, RecordFile({r.Header(), r.Pt(2, 2), r.End()}));

  // Block names count with their first 20 characters.
  Converted names = Convert(
      Section("BLOCKS", Block("ABCDEFGHIJKLMNOPQRSTUVWXYZ", Point("0", "1", "1"))) +
      Section("ENTITIES", Insert("ABCDEFGHIJKLMNOPQRST-another")) + kEof);
  ASSERT_EQ(names.result, 0);
  EXPECT_EQ(names.pic,
            RecordFile({r.Header(), r.W({0x3C00, 30 + 2}),
                        r.W({0x3A00, 0, 0, 0x3C04, 0x000C, 0x3300, 0, 0x8000, 0x3C02, 10}),
                        r.Pt(2, 2), r.W({0x3D00}),
                        // blocks length 20 + 8 + 2 = 30, entities base 0 + 24:
                        // 12 - 24 - 30 - 0 - 14 = -56
                        r.W({0x3B80, 0xFFC8}), r.End()}));
}

// ---------------------------------------------------------------------------
// Failures.

TEST(DxfReader, OpenFailures) {
  TestRun t;
  EXPECT_EQ(ConvertDxfSoftkey(*t.run, t.dir / "missing.dxf", 1), 8220);
  EXPECT_EQ(t.Errors(), 1);
  EXPECT_FALSE(FileExistsOnDisk(t.dir / "missing.PIC"));

  // The output cannot be created where a directory of its name stands.
  WriteFile(t.dir / "d.dxf", q32test::Pairs(Section("ENTITIES", {}) + kEof));
  ASSERT_TRUE(t.fs->MakeDirectory(t.dir / "d.PIC"));
  EXPECT_EQ(ConvertDxfSoftkey(*t.run, t.dir / "d.dxf", 1), 8220);
  EXPECT_EQ(t.Errors(), 2);

  // A source whose name already has the softkey extension is never
  // overwritten, nor deleted.
  std::string drawing = q32test::Pairs(Section("ENTITIES", P{{0, "ELLIPSE"}}) + kEof);
  WriteFile(t.dir / "self.pic", drawing);
  EXPECT_EQ(ConvertDxfSoftkey(*t.run, t.dir / "self.pic", 1), 8220);
  EXPECT_EQ(ReadFile(t.dir / "self.pic"), drawing);
  std::string log = t.Log();
  EXPECT_NE(log.find("missing.dxf"), std::string::npos) << log;
  EXPECT_NE(log.find("d.PIC"), std::string::npos) << log;
}

TEST(DxfReader, NoEntitiesKeepsTheOutputUnreported) {
  Converted c = Convert(kHeader + Section("BLOCKS", Block("B", Point("0", "1", "1"))) + kEof);
  EXPECT_EQ(c.result, 8250);
  EXPECT_EQ(c.errors, 0);
  ASSERT_TRUE(c.picExists);
  Rec r;
  // As far as it was written: header, skip record and the block; no end word.
  EXPECT_EQ(c.pic, RecordFile({r.Header(), r.W({0x3C00, 32}),
                               r.W({0x3A00, 0, 0, 0x3C04, 0x000C, 0x3300, 0, 0x8000, 0x3C02, 10}),
                               r.Pt(2, 2), r.W({0x3D00})}));
  Converted none = Convert(std::string());
  EXPECT_EQ(none.result, 8250);
  EXPECT_TRUE(none.picExists);
}

struct FailureCase {
  const char* what;
  std::string drawing;
  int code;
  bool outputKept;
};

TEST(DxfReader, FailureCodesReportAndDeleteTheOutput) {
  const P entitiesStart = {{0, "SECTION"}, {2, "ENTITIES"}};
  std::string full = q32test::Pairs(EveryEntityDrawing());
  std::vector<FailureCase> cases = {
      {"block unknown in a write pass", q32test::Pairs(Section("ENTITIES", Block("Z", {})) + kEof),
       8251, false},
      {"LINE without 21",
       q32test::Pairs(Section("ENTITIES", P{{0, "LINE"}, {10, "0"}, {20, "0"}, {11, "1"}}) + kEof),
       8252, false},
      {"TEXT without 1",
       q32test::Pairs(Section("ENTITIES", P{{0, "TEXT"}, {10, "0"}, {20, "0"}, {40, "1"}}) + kEof),
       8252, false},
      {"SOLID with three corners",
       q32test::Pairs(Section("BLOCKS", Block("S", P{{0, "SOLID"}, {10, "0"}, {20, "0"}, {11, "1"},
                                                     {21, "0"}, {12, "0"}, {22, "1"}})) +
                      Section("ENTITIES", {}) + kEof),
       8252, false},
      {"ARC without 51",
       q32test::Pairs(Section("ENTITIES", P{{0, "ARC"}, {10, "0"}, {20, "0"}, {40, "1"}, {50, "0"}}) +
                      kEof),
       8252, false},
      {"POLYLINE not followed by VERTEX",
       q32test::Pairs(Section("ENTITIES", P{{0, "POLYLINE"}, {70, "1"}} + Point("0", "1", "1")) + kEof),
       8252, false},
      {"$EXTMIN without 20",
       q32test::Pairs(Section("HEADER", {{9, "$EXTMIN"}, {10, "0"}, {9, "$EXTMAX"}, {10, "1"}, {20, "1"}}) +
                      Section("ENTITIES", {}) + kEof),
       8252, true},
      {"$EXTMAX cut off",
       "  0\nSECTION\n  2\nHEADER\n  9\n$EXTMAX\n 10\n1\n", 8252, true},
      {"HEADER cut off", "  0\nSECTION\n  2\nHEADER\n  9\n$EXTMAX\n 10\n1\n 20\n1\n", 8253, true},
      {"HEADER without ENDSEC",
       "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nEOF\n", 8253, true},
      {"drawing cut off in an entity", full.substr(0, full.size() * 2 / 3), 8253, false},
      {"POLYLINE without SEQEND",
       q32test::Pairs(Section("ENTITIES", P{{0, "POLYLINE"}, {0, "VERTEX"}, {10, "1"}, {20, "1"},
                                            {0, "VERTEX"}, {10, "2"}, {20, "2"}}) + kEof),
       8253, false},
      {"ENTITIES without ENDSEC", q32test::Pairs(P{{0, "SECTION"}, {2, "ENTITIES"}} + Point("0", "1", "1")),
       8253, false},
      {"ELLIPSE in BLOCKS",
       q32test::Pairs(Section("BLOCKS", Block("E", P{{0, "ELLIPSE"}, {8, "0"}})) + Section("ENTITIES", {}) +
                      kEof),
       8254, false},
      {"MTEXT in ENTITIES",
       q32test::Pairs(Section("ENTITIES", Point("0", "1", "1") + P{{0, "MTEXT"}, {1, "x"}}) + kEof), 8254,
       false},
      {"VERTEX outside a POLYLINE",
       q32test::Pairs(Section("ENTITIES", P{{0, "VERTEX"}, {10, "1"}}) + kEof), 8254, false},
      {"keywords compare with case", q32test::Pairs(Section("ENTITIES", P{{0, "line"}}) + kEof), 8254,
       false},
  };
  for (const FailureCase& f : cases) {
    Converted c = Convert(f.drawing);
    EXPECT_EQ(c.result, f.code) << f.what;
    EXPECT_EQ(c.errors, 1) << f.what;
    EXPECT_EQ(c.picExists, f.outputKept) << f.what;
    // Reported with the output and its line, or in the HEADER with the source.
    const std::string where = f.outputKept ? "d.dxf" : "d.PIC(";
    EXPECT_NE(c.log.find(where), std::string::npos) << f.what << "\n" << c.log;
    EXPECT_NE(c.log.find(std::to_string(f.code)), std::string::npos) << f.what << "\n" << c.log;
  }
}

TEST(DxfReader, WriteFailuresGive8223) {
  std::string drawing = q32test::Pairs(BlocksDrawing());
  bool sawSuccess = false;
  for (long failing = 1; failing < 400 && !sawSuccess; ++failing) {
    TestRun t;
    FaultyFileSystem faulty(*t.fs);
    long writes = 0;
    faulty.rule = [&](FileOp op, const std::string& path) {
      return op == FileOp::Write && path.find(".PIC") != std::string::npos && ++writes == failing;
    };
    RunContext run(faulty);
    run.diag.errorCount = &run.settings.errorCount;
    run.diag.console = nullptr;
    std::string source = t.dir / "d.dxf";
    WriteFile(source, drawing);
    int result = ConvertDxfSoftkey(run, source, 1);
    if (result == 0) {
      // Only the count line, written while closing, may fail unnoticed.
      if (writes < failing) {
        sawSuccess = true;
        EXPECT_EQ(ReadFile(t.dir / "d.PIC"), RecordFile(BlocksExpected(false)));
      }
      continue;
    }
    ASSERT_TRUE(result == 8223 || result == 8220) << failing << ": " << result;
    // Failures after the file header are reported and delete the output;
    // a failed file header keeps it without a report.
    bool reported = run.settings.errorCount == 1;
    EXPECT_EQ(FileExistsOnDisk(t.dir / "d.PIC"), !reported || result == 8220) << failing;
  }
  EXPECT_TRUE(sawSuccess);
}

// ---------------------------------------------------------------------------
// Robustness.

TEST(DxfReader, TruncatedAndGarbledDrawingsGiveCleanCodes) {
  std::vector<std::string> seeds = {q32test::Pairs(EveryEntityDrawing()),
                                    q32test::Pairs(BlocksDrawing())};
  auto clean = [](int code) {
    return code == 0 || code == 8223 || (code >= 8250 && code <= 8254);
  };
  TestRun t;
  std::string source = t.dir / "f.dxf";
  for (const std::string& seed : seeds) {
    for (std::size_t cut = 0; cut < seed.size(); cut += 7) {
      WriteFile(source, seed.substr(0, cut));
      int code = ConvertDxfSoftkey(*t.run, source, 1);
      ASSERT_TRUE(clean(code)) << cut << ": " << code;
    }
  }
  std::mt19937 random(20261205);
  const std::string alphabet = "0123456789 -.\nABCDEFLINTXSOP$\r\t\0";
  for (int round = 0; round < 1500; ++round) {
    std::string drawing = seeds[round % seeds.size()];
    int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits; ++e) {
      std::size_t at = random() % drawing.size();
      switch (random() % 4) {
        case 0: drawing[at] = alphabet[random() % alphabet.size()]; break;
        case 1: drawing.erase(at, random() % 40); break;
        case 2: drawing.insert(at, std::string(1 + random() % 200, alphabet[random() % alphabet.size()])); break;
        default: drawing.insert(at, "  0\nPOLYLINE\n  0\nBLOCK\n  2\nA\n  0\nINSERT\n  2\nA\n"); break;
      }
      if (drawing.empty()) drawing = "0";
    }
    WriteFile(source, drawing);
    int code = ConvertDxfSoftkey(*t.run, source, 1);
    ASSERT_TRUE(clean(code)) << "round " << round << ": " << code;
    // Failures other than a missing ENTITIES section leave no softkey
    // unless they came from the HEADER.
    if (code == 8251 || code == 8254) {
      EXPECT_FALSE(FileExistsOnDisk(t.dir / "f.PIC")) << round;
    }
  }
}

TEST(DxfReader, MillionLineDrawing) {
  std::string drawing = "  0\nSECTION\n  2\nENTITIES\n";
  drawing.reserve(8'000'000);
  for (int i = 0; i < 499'990; ++i) drawing += "999\nfiller comment\n";
  drawing += q32test::Pairs(Point("0", "1", "1") + P{{0, "ENDSEC"}} + kEof);
  auto start = std::chrono::steady_clock::now();
  Converted c = Convert(drawing);
  auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(c.result, 0);
  EXPECT_EQ(c.pic, RecordFile({Rec{}.Header(), Rec{}.Pt(2, 2), Rec{}.End()}));
  EXPECT_LT(seconds, 60.0);
}

TEST(DxfReader, ScaleParaAndGroupCodes) {
  EXPECT_EQ(ScaleDxfValue(23), 64);
  EXPECT_EQ(ScaleDxfValue(11.5), 32);
  EXPECT_EQ(ScaleDxfValue(-1), -2);
  EXPECT_EQ(ScaleDxfValue(7.1), 19);
  EXPECT_EQ(ScaleDxfValue(7.2), 20);
  EXPECT_EQ(ScaleDxfValue(10.7), 29);
  EXPECT_EQ(ScaleDxfValue(10.8), 30);
  EXPECT_EQ(ScaleDxfValue(1e300), ScaleDxfValue(1e301));
  EXPECT_EQ(ScaleDxfValue(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(ScaleDxfValue(std::numeric_limits<double>::infinity()), 0);

  EXPECT_EQ(ParaFromLayer("0"), 0u);
  EXPECT_EQ(ParaFromLayer("1"), 0u);
  EXPECT_EQ(ParaFromLayer("2"), 1u);
  EXPECT_EQ(ParaFromLayer("ABC"), 0u);
  EXPECT_EQ(ParaFromLayer("DASH5"), 4u);
  EXPECT_EQ(ParaFromLayer("L12B"), 11u);
  EXPECT_EQ(ParaFromLayer("A1B7"), 0u);  // only the first run of digits counts
  EXPECT_EQ(ParaFromLayer(""), 0u);
  EXPECT_EQ(ParaFromLayer("99999999999999999999"), 0xFFFFFFFEu);

  EXPECT_EQ(ParseDxfInteger("  0"), 0);
  EXPECT_EQ(ParseDxfInteger(" 10"), 10);
  EXPECT_EQ(ParseDxfInteger("\t-5x"), -5);
  EXPECT_EQ(ParseDxfInteger("+7"), 7);
  EXPECT_EQ(ParseDxfInteger("LINE"), 0);
  EXPECT_EQ(ParseDxfInteger(""), 0);
  EXPECT_EQ(ParseDxfInteger("99999999999999999999"), 2147483647);
  EXPECT_EQ(ParseDxfInteger("-99999999999999999999"), -2147483647 - 1);
}

}  // namespace
}  // namespace q32
