// Whole DXF conversions: drawings of every entity type, with and without
// blocks, compared byte for byte as record files in both byte orders; every
// failure code with its report and the fate of the output file; drawings
// that are truncated, garbled or huge.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "dxf/DxfReader.h"
#include "dxf/VectorTestSupport.h"

namespace q32 {
namespace {

using q32test::Bytes;
using q32test::Cat;
using q32test::Chars;
using q32test::Converted;
using q32test::FileExistsOnDisk;
using q32test::ReadFile;
using q32test::RecordFile;
using q32test::TestRun;
using q32test::WriteFile;
using P = std::vector<std::pair<int, std::string>>;
using Rec = q32test::PicWords;

// ---------------------------------------------------------------------------
// Drawings.

using S = const std::string&;
using Vertices = std::vector<std::pair<std::string, std::string>>;

P operator+(P a, const P& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
P Section(S name, const P& body) { return P{{0, "SECTION"}, {2, name}} + body + P{{0, "ENDSEC"}}; }
const P kEof = {{0, "EOF"}};

P Line(S layer, S x1, S y1, S x2, S y2) {
  return {{0, "LINE"}, {8, layer}, {62, "7"}, {10, x1}, {20, y1}, {30, "0.0"}, {11, x2}, {21, y2}, {31, "0.0"}};
}
P Circle(S layer, S x, S y, S r) { return {{0, "CIRCLE"}, {8, layer}, {10, x}, {20, y}, {30, "0"}, {40, r}}; }
P Arc(S layer, S x, S y, S r, S a1, S a2) {
  return {{0, "ARC"}, {8, layer}, {10, x}, {20, y}, {40, r}, {50, a1}, {51, a2}};
}
P Text(S layer, S x, S y, S h, S text) {
  return {{0, "TEXT"}, {8, layer}, {10, x}, {20, y}, {40, h}, {1, text}, {50, "30"}, {72, "1"}};
}
P Solid(S layer, std::vector<std::string> c) {
  return {{0, "SOLID"}, {8, layer}, {10, c[0]}, {20, c[1]}, {11, c[2]}, {21, c[3]},
          {12, c[4]},   {22, c[5]}, {13, c[6]},  {23, c[7]}};
}
P Point(S layer, S x, S y) { return {{0, "POINT"}, {8, layer}, {10, x}, {20, y}}; }
P Polyline(S layer, S flags, const Vertices& vertices) {
  P p = {{0, "POLYLINE"}, {8, layer}, {66, "1"}, {10, "0"}, {20, "0"}, {70, flags}};
  for (const auto& [x, y] : vertices) p = p + P{{0, "VERTEX"}, {8, "7"}, {10, x}, {20, y}, {42, "0.5"}};
  return p + P{{0, "SEQEND"}, {8, layer}};
}
P LwPolyline(S layer, const Vertices& vertices) {
  P p = {{0, "LWPOLYLINE"}, {8, layer}, {90, std::to_string(vertices.size())}, {70, "1"}};
  for (const auto& [x, y] : vertices) p = p + P{{10, x}, {20, y}, {42, "0"}};
  return p;
}
P Insert(S name) { return {{0, "INSERT"}, {8, "0"}, {2, name}, {10, "100"}, {20, "100"}, {41, "2"}, {50, "45"}}; }
P Block(S name, const P& body) {
  return P{{0, "BLOCK"}, {8, "0"}, {2, name}, {70, "0"}, {10, "0"}, {20, "0"}, {3, name}} + body +
         P{{0, "ENDBLK"}, {8, "0"}};
}
const P kHeader = Section("HEADER", {{9, "$ACADVER"}, {1, "AC1009"}, {9, "$EXTMIN"}, {10, "0.0"}, {20, "0.0"},
                                     {30, "0.0"}, {9, "$EXTMAX"}, {10, "27.6"}, {20, "17.2"}, {30, "0.0"},
                                     {9, "$LUNITS"}, {70, "2"}});

Converted Convert(const std::string& drawing, bool le = false, int format = kDxfFormatVector) {
  return q32test::ConvertSource("d.dxf", drawing, le, [format](RunContext& run, const std::string& path) {
    return ConvertDxfSoftkey(run, path, format);
  });
}
Converted Convert(const P& drawing, bool le = false) { return Convert(q32test::Pairs(drawing), le); }
std::string InEntities(const P& body) { return q32test::Pairs(Section("ENTITIES", body) + kEof); }

// ---------------------------------------------------------------------------

// Line ends, the format value and what the HEADER holds do not change the
// softkey.
TEST(DxfReader, EquivalentDrawingsGiveTheSameSoftkey) {
  const P entities = Section("ENTITIES", Line("0", "0", "0", "23", "11.5")) + kEof;
  const std::string plain = q32test::Pairs(entities);  // 23 and 11.5 units are 64 and 32 softkey units
  Converted base = Convert(plain);
  ASSERT_EQ(base.result, 0) << base.log;
  EXPECT_EQ(base.pic, RecordFile({Rec{}.Header(), Rec{}.Lin(0, 0, 64, 32), Rec{}.End()}));
  EXPECT_EQ(Convert(plain, false, 7).pic, base.pic);
  const std::pair<const char*, P> headers[] = {
      {"no extents", Section("HEADER", {{9, "$ACADVER"}, {1, "AC1009"}})},
      // The last variable $EXTMAX takes the HEADER's ENDSEC; the HEADER ends at the next one.
      {"$EXTMAX last", Section("HEADER", {{9, "$EXTMAX"}, {10, "1"}, {20, "1"}}) + Section("TABLES", {})},
      {"extents elsewhere",
       Section("HEADER", {{9, "$EXTMIN"}, {10, "-50"}, {20, "-50"}, {9, "$EXTMAX"}, {20, "9"}, {10, "9"}})},
  };
  EXPECT_EQ(Convert(q32test::Crlf(plain)).pic, base.pic) << "CR LF";
  for (const auto& [what, header] : headers) EXPECT_EQ(Convert(q32test::Pairs(header + entities)).pic, base.pic) << what;
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
      r.BlockHeader(14),
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

TEST(DxfReader, SolidListingNamesItsEntityLine) {
  Converted c = Convert(InEntities(Solid("0", {"0", "0", "10", "0", "0", "10", "0", "10"})));
  ASSERT_EQ(c.result, 0) << c.log;
  const std::string solid =
      "          SOLID:\n6          LIN (0,0)-(27,0) C9\n6          LIN (27,0)-(0,27) C9\n"
      "6          LIN (0,27)-(0,0) C9\n6          PNT (6, 13), C9\n";
  EXPECT_EQ(c.log, q32test::Crlf("Header 'HV02'        \nScan Entities:\n" + solid + "Write Entities:\n" + solid));
}

TEST(DxfReader, ReaderDecisions) {
  Rec r;
  const Bytes point = r.Pt(2, 2);
  const struct {
    const char* what;
    std::string drawing;
    std::vector<Bytes> records;
  } cases[] = {
      {"a value line of 100 characters is read whole and cut to 78",
       InEntities(Text("0", "0", "0", "1", std::string(100, 'T')) + Point("0", "1", "1")),
       {r.Txt(0, 0, std::string(78, 'T'), 2), point}},
      {"a group code of any size is another group to skip",
       "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n 10\n1\n-999999\nx\n99999999999999999999999\nx\n 20\n1\n"
       "  0\nENDSEC\n  0\nEOF\n",
       {point}},
      {"a VERTEX without 10 or 20 counts 0",
       InEntities({{0, "POLYLINE"}, {70, "0"}, {0, "VERTEX"}, {10, "1"}, {0, "VERTEX"}, {20, "1"}, {0, "SEQEND"}}),
       {r.Lin(2, 0, 0, 2)}},
      {"an LWPOLYLINE without vertices draws nothing",
       InEntities(P{{0, "LWPOLYLINE"}, {8, "3"}, {90, "0"}} + Point("0", "1", "1")), {point}},
      // Blocks length 20 + 8 + 2 = 30, entities base 24: 12 - 24 - 30 - 0 - 14 = -56.
      {"block names count with their first 20 characters",
       q32test::Pairs(Section("BLOCKS", Block("ABCDEFGHIJKLMNOPQRSTUVWXYZ", Point("0", "1", "1"))) +
                      Section("ENTITIES", Insert("ABCDEFGHIJKLMNOPQRST-another")) + kEof),
       {r.W({0x3C00, 32}), r.BlockHeader(8), point, r.W({0x3D00}), r.W({0x3B80, 0xFFC8})}},
  };
  for (const auto& c : cases) {
    Converted got = Convert(c.drawing);
    ASSERT_EQ(got.result, 0) << c.what << "\n" << got.log;
    std::vector<Bytes> records = {r.Header()};
    records.insert(records.end(), c.records.begin(), c.records.end());
    records.push_back(r.End());
    EXPECT_EQ(got.pic, RecordFile(records)) << c.what;
  }
}

// ---------------------------------------------------------------------------
// Failures.

TEST(DxfReader, OutputBlockedByADirectory) {
  TestRun t;
  WriteFile(t.dir / "d.dxf", q32test::Pairs(Section("ENTITIES", {}) + kEof));
  ASSERT_TRUE(t.fs->MakeDirectory(t.dir / "d.PIC"));
  EXPECT_EQ(ConvertDxfSoftkey(*t.run, t.dir / "d.dxf", 1), 8220);
  EXPECT_EQ(t.Errors(), 1);
  EXPECT_NE(t.Log().find("d.PIC"), std::string::npos);
}

TEST(DxfReader, NoEntitiesKeepsTheOutputUnreported) {
  Converted c = Convert(kHeader + Section("BLOCKS", Block("B", Point("0", "1", "1"))) + kEof);
  EXPECT_EQ(c.result, 8250);
  EXPECT_EQ(c.errors, 0);
  ASSERT_TRUE(c.picExists);
  Rec r;
  // As far as it was written: header, skip record and the block; no end word.
  EXPECT_EQ(c.pic, RecordFile({r.Header(), r.W({0x3C00, 32}),
                               r.BlockHeader(8),
                               r.Pt(2, 2), r.W({0x3D00})}));
  Converted none = Convert(std::string());
  EXPECT_EQ(none.result, 8250);
  EXPECT_TRUE(none.picExists);
}

TEST(DxfReader, FailureCodesReportAndDeleteTheOutput) {
  struct FailureCase {
    const char* what;
    std::string drawing;
    int code;
    bool outputKept;
  };
  const FailureCase cases[] = {
      {"LINE without 21", InEntities({{0, "LINE"}, {10, "0"}, {20, "0"}, {11, "1"}}), 8252, false},
      {"TEXT without 1", InEntities({{0, "TEXT"}, {10, "0"}, {20, "0"}, {40, "1"}}), 8252, false},
      {"SOLID with three corners",
       q32test::Pairs(Section("BLOCKS", Block("S", P{{0, "SOLID"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "0"},
                                                     {12, "0"}, {22, "1"}})) + Section("ENTITIES", {}) + kEof),
       8252, false},
      {"ARC without 51", InEntities({{0, "ARC"}, {10, "0"}, {20, "0"}, {40, "1"}, {50, "0"}}), 8252, false},
      {"POLYLINE not followed by VERTEX", InEntities(P{{0, "POLYLINE"}, {70, "1"}} + Point("0", "1", "1")), 8252,
       false},
      {"$EXTMIN without 20",
       q32test::Pairs(Section("HEADER", {{9, "$EXTMIN"}, {10, "0"}, {9, "$EXTMAX"}, {10, "1"}, {20, "1"}})) +
           InEntities({}),
       8252, true},
      {"$EXTMAX cut off", "  0\nSECTION\n  2\nHEADER\n  9\n$EXTMAX\n 10\n1\n", 8252, true},
      {"HEADER cut off", "  0\nSECTION\n  2\nHEADER\n  9\n$EXTMAX\n 10\n1\n 20\n1\n", 8253, true},
      {"HEADER without ENDSEC", "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nEOF\n", 8253, true},
      {"POLYLINE without SEQEND",
       InEntities({{0, "POLYLINE"}, {0, "VERTEX"}, {10, "1"}, {20, "1"}, {0, "VERTEX"}, {10, "2"}, {20, "2"}}), 8253,
       false},
      {"ENTITIES without ENDSEC", q32test::Pairs(P{{0, "SECTION"}, {2, "ENTITIES"}} + Point("0", "1", "1")), 8253,
       false},
      {"MTEXT in ENTITIES", InEntities(Point("0", "1", "1") + P{{0, "MTEXT"}, {1, "x"}}), 8254, false},
      {"VERTEX outside a POLYLINE", InEntities({{0, "VERTEX"}, {10, "1"}}), 8254, false},
      {"keywords compare with case", InEntities({{0, "line"}}), 8254, false},
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
  auto convert = [](RunContext& run, const std::string& path) { return ConvertDxfSoftkey(run, path, 1); };
  std::string done = q32test::EachFailingWrite("d.dxf", q32test::Pairs(BlocksDrawing()), convert,
                                               [](q32test::FailingWriteRun& f, int result, long failing) {
    // Only the count line, written while closing, may fail unnoticed.
    if (result == 0) return;
    ASSERT_TRUE(result == 8223 || result == 8220) << failing << ": " << result;
    // Failures after the file header are reported and delete the output;
    // a failed file header keeps it without a report.
    bool reported = f.run.settings.errorCount == 1;
    EXPECT_EQ(FileExistsOnDisk(f.t.dir / "d.PIC"), !reported || result == 8220) << failing;
  });
  EXPECT_EQ(done, RecordFile(BlocksExpected(false)));
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
    for (std::size_t cut = 0; cut < seed.size(); cut += 11) {
      WriteFile(source, seed.substr(0, cut));
      int code = ConvertDxfSoftkey(*t.run, source, 1);
      ASSERT_TRUE(clean(code)) << cut << ": " << code;
    }
  }
  std::mt19937 random(20261205);
  const std::string alphabet = "0123456789 -.\nABCDEFLINTXSOP$\r\t\0";
  for (int round = 0; round < 600; ++round) {
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

// The limits of the number conversions; ordinary values show in the
// drawings above.
TEST(DxfReader, ScaleParaAndGroupCodeLimits) {
  EXPECT_EQ(ScaleDxfValue(1e300), ScaleDxfValue(1e301));
  EXPECT_EQ(ScaleDxfValue(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(ScaleDxfValue(std::numeric_limits<double>::infinity()), 0);
  const std::pair<const char*, unsigned> paras[] = {
      {"1", 0}, {"ABC", 0}, {"A1B7", 0}, {"", 0}, {"99999999999999999999", 0xFFFFFFFEu}};
  for (const auto& [layer, para] : paras) EXPECT_EQ(ParaFromLayer(layer), para) << layer;
  const std::pair<const char*, int> codes[] = {{"\t-5x", -5}, {"+7", 7}, {"LINE", 0}, {"", 0},
                                               {"99999999999999999999", 2147483647},
                                               {"-99999999999999999999", -2147483647 - 1}};
  for (const auto& [text, code] : codes) EXPECT_EQ(ParseDxfInteger(text), code) << text;
}

}  // namespace
}  // namespace q32
