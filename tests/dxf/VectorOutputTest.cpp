// The vector emitters on their own: record layouts, para prefixes, the
// pending buffer, the counters of the scan passes and the listing lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "dxf/VectorOutput.h"
#include "raster/SoftkeyRecords.h"
#include "dxf/VectorTestSupport.h"

namespace q32 {
namespace {

using q32test::Bytes;
using q32test::Cat;
using q32test::Chars;
using q32test::ReadFile;
using q32test::RecordFile;
using q32test::TestRun;
using q32test::Words;

// An output in the Write Entities pass writing into a record file.
struct Emitting {
  TestRun t;
  std::string path = t.dir / "v.PIC";
  std::unique_ptr<SoftkeyRecordWriter> writer;
  VectorOutput out;

  explicit Emitting(bool le = false) : t(le) {
    writer = OpenSoftkeyRecords(*t.fs, path);
    out.diag = &t.run->diag;
    out.controlFamilyLE = le;
    out.writer = writer.get();
    BeginVectorPass(out, VectorPass::WriteEntities);
  }
  std::string Close() {
    CloseSoftkeyRecords(writer);
    return ReadFile(path);
  }
};

Bytes ParaPrefix(std::uint16_t para) {
  return Words({0x3100, 0x0001, 0x000A, 0x3A00, 0x0000, para, 0x3C02, 0x0008, 0x3100, 0x0001, 0x0009});
}
Bytes TextPrefix(std::uint16_t para) {
  return Words({0x3100, 0x0001, 0x0009, 0x3100, 0x0001, 0x0009, 0x3A00, 0x0000, para, 0x3C02,
                0x000C, 0x0800, 0x0009, 0x3100, 0x0001, 0x000A});
}
Bytes ParaLine(std::uint16_t x1, std::uint16_t y1, std::uint16_t x2, std::uint16_t y2) {
  Bytes once = Words({0x1240, 0x0400, x1, y1, x2, y2, 0x0000, 0x0001});
  return Cat({once, once});
}

TEST(VectorOutput, ParaPrefixOnlyWhenTheParaChangesAndAfterEveryParaText) {
  Emitting e;
  VectorOutput& out = e.out;
  ASSERT_EQ(EmitLine(out, 1, 2, 3, 4, 2, 9), 0);
  ASSERT_EQ(EmitLine(out, 5, 6, 7, 8, 2, 9), 0);   // same para: no prefix
  ASSERT_EQ(EmitText(out, 1, 1, 16, "X", 2, 9), 0);  // text prefix, para none afterwards
  ASSERT_EQ(EmitLine(out, 1, 2, 3, 4, 2, 9), 0);   // prefix again
  ASSERT_EQ(EmitCircle(out, 10, 11, 5, 3, 9), 0);  // other para: prefix
  ASSERT_EQ(EmitLine(out, 0, 0, 1, 1, 0, 9), 0);   // plain: written at once
  // Nothing of the para records has been written yet; they count as pending.
  EXPECT_EQ(out.pending, 54 + 32 + 52 + 54 + 36);
  EXPECT_EQ(out.direct, 14);
  EXPECT_EQ(out.offset, 12 + 54 + 32 + 52 + 54 + 36 + 14);
  ASSERT_EQ(FinishVectorOutput(out), 0);

  Bytes pending = Cat({ParaPrefix(2), ParaLine(1, 2, 3, 4), ParaLine(5, 6, 7, 8), TextPrefix(2),
                       Words({0x2A40, 0x0800, 1, 1, 1}), Chars("X"), Bytes{0},
                       Words({0x0002, 0x0001, 0x0800, 0x000A}), ParaPrefix(2), ParaLine(1, 2, 3, 4),
                       ParaPrefix(3), Words({0x1A40, 0x0800, 10, 11, 5, 0x0000, 0x0001})});
  EXPECT_EQ(e.Close(), RecordFile({Words({0x1200, 0, 0, 1, 1, 0, 9}), pending, Words({0xFFFF})}));
}

TEST(VectorOutput, PlainRecordsOfEveryKindInBothByteOrders) {
  for (bool le : {false, true}) {
    Emitting e(le);
    VectorOutput& out = e.out;
    ASSERT_EQ(EmitLine(out, 0, 0, 64, 32, 0, 9), 0);
    ASSERT_EQ(EmitCircle(out, 1, 2, 0xFFFE, 0, 9), 0);
    ASSERT_EQ(EmitArc(out, 1, 2, 3, 4, 5, 6, 0, 9), 0);
    ASSERT_EQ(EmitFill(out, 7, 8, 0, 9), 0);
    ASSERT_EQ(EmitPoint(out, 9, 10, 0, 9), 0);
    ASSERT_EQ(EmitText(out, 11, 12, 32, "AB", 0, 9), 0);
    ASSERT_EQ(EmitText(out, 11, 12, 48, "ABC", 0, 9), 0);
    ASSERT_EQ(EmitText(out, 11, 12, 16, "", 0, 9), 0);
    EXPECT_EQ(out.direct, 14 + 12 + 20 + 10 + 8 + 14 + 16 + 12);
    EXPECT_EQ(out.pending, 0);
    ASSERT_EQ(FinishVectorOutput(out), 0);
    EXPECT_EQ(e.Close(),
              RecordFile({Words({0x1200, 0, 0, 64, 32, 0, 9}, le),
                          Words({0x1A00, 1, 2, 0xFFFE, 0, 9}, le),
                          Words({0x1C00, 1, 2, 3, 4, 5, 6, 0, 0, 9}, le),
                          Words({0x2200, 7, 8, 0xFFFF, 9}, le), Words({0x1000, 9, 10, 9}, le),
                          Cat({Words({0x2A00, 11, 12, 2}, le), Chars("AB"), Words({3, 9}, le)}),
                          Cat({Words({0x2A00, 11, 12, 3}, le), Chars("ABC"), Bytes{0},
                               Words({5, 9}, le)}),
                          Words({0x2A00, 11, 12, 0, 2, 9}, le), Words({0xFFFF}, le)}))
        << "little-endian " << le;
  }
}

TEST(VectorOutput, ParaRecordsOfEveryKind) {
  Emitting e;
  VectorOutput& out = e.out;
  ASSERT_EQ(EmitArc(out, 1, 2, 3, 4, 5, 6, 1, 9), 0);
  ASSERT_EQ(EmitFill(out, 7, 8, 1, 9), 0);
  ASSERT_EQ(EmitPoint(out, 9, 10, 1, 9), 0);
  ASSERT_EQ(FinishVectorOutput(out), 0);
  EXPECT_EQ(e.Close(),
            RecordFile({Cat({ParaPrefix(1),
                             Words({0x1C40, 0x0080, 1, 2, 3, 4, 5, 6, 0, 0, 1}),
                             Words({0x2240, 0x1000, 7, 8, 0xFFFF, 1}),
                             Words({0x1040, 0x2000, 9, 10, 1})}),
                        Words({0xFFFF})}));
}

TEST(VectorOutput, ScanPassCountsWhatTheWritePassWrites) {
  Emitting e;
  VectorOutput& out = e.out;
  // Scan: block X with one plain line and one para point, block Y with a
  // para point only.
  BeginVectorPass(out, VectorPass::ScanBlocks);
  AddVectorBlock(out, "X");
  ASSERT_EQ(EmitLine(out, 0, 0, 1, 1, 0, 9), 0);
  ASSERT_EQ(EmitPoint(out, 1, 1, 4, 9), 0);
  ASSERT_EQ(EmitBlockEnd(out), 0);
  AddVectorBlock(out, "Y");
  ASSERT_EQ(EmitPoint(out, 1, 1, 4, 9), 0);
  ASSERT_EQ(EmitBlockEnd(out), 0);
  EXPECT_FALSE(out.currentPara.has_value());
  ASSERT_EQ(out.blocks.size(), 2u);
  EXPECT_EQ(out.blocks[0].start, 12);
  EXPECT_EQ(out.blocks[0].directLength, 14);
  // X: header 20 + line 14 + point with prefix 32 + end 2 = 68.
  EXPECT_EQ(out.blocks[1].start, 12 + 68);
  EXPECT_EQ(out.blocks[1].directLength, 0);
  EXPECT_EQ(out.offset, 12 + 68 + 32 + 2);
  out.blocksLength = static_cast<std::uint16_t>(out.offset - 12);

  // Write: the same calls reach the same offsets.
  BeginVectorPass(out, VectorPass::WriteBlocks);
  ASSERT_EQ(EmitBlocksSkip(out), 0);
  ASSERT_EQ(EmitBlockBegin(out, 0), 0);
  ASSERT_EQ(EmitLine(out, 0, 0, 1, 1, 0, 9), 0);
  ASSERT_EQ(EmitPoint(out, 1, 1, 4, 9), 0);
  ASSERT_EQ(EmitBlockEnd(out), 0);
  EXPECT_EQ(out.offset, out.blocks[1].start);
  ASSERT_EQ(EmitBlockBegin(out, 1), 0);  // no header: direct length 0
  ASSERT_EQ(EmitPoint(out, 1, 1, 4, 9), 0);
  ASSERT_EQ(EmitBlockEnd(out), 0);
  EXPECT_EQ(out.offset, 12 + out.blocksLength);

  Bytes point = Cat({ParaPrefix(4), Words({0x1040, 0x2000, 1, 1, 1})});
  EXPECT_EQ(e.Close(),
            RecordFile({Words({0x3C00, 102 + 2}),
                        Words({0x3A00, 0, 0, 0x3C04, 0x000C, 0x3300, 0, 0x8000, 0x3C02, 16}),
                        Words({0x1200, 0, 0, 1, 1, 0, 9}), point, Words({0x3D00}), point,
                        Words({0x3D00})}));
}

TEST(VectorOutput, BlockNamesMatchOverTwentyCharacters) {
  VectorOutput out;
  AddVectorBlock(out, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  AddVectorBlock(out, "short");
  EXPECT_EQ(out.blocks[0].name, "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(FindVectorBlock(out, "ABCDEFGHIJKLMNOPQRST-other"), 0u);
  EXPECT_EQ(FindVectorBlock(out, "short"), 1u);
  EXPECT_FALSE(FindVectorBlock(out, "SHORT").has_value());  // names are exact
  EXPECT_FALSE(FindVectorBlock(out, "ABCDEFGHIJKLMNOPQRS").has_value());
  // Of two blocks of one name the first is found.
  AddVectorBlock(out, "short");
  EXPECT_EQ(FindVectorBlock(out, "short"), 1u);
}

TEST(VectorOutput, ListingLinesShowUnsignedSixteenBitValues) {
  Emitting e;
  VectorOutput& out = e.out;
  std::FILE* console = std::tmpfile();
  ASSERT_NE(console, nullptr);
  e.t.run->diag.console = console;
  e.t.run->diag.embedded = true;  // shown unconverted
  out.entityLine = 42;
  ASSERT_EQ(EmitFileHeader(out), 0);
  ASSERT_EQ(EmitLine(out, 0xFFFE, 0, 64, 32, 0, 9), 0);
  ASSERT_EQ(EmitText(out, 2, 3, 48, "Hi %s", 4, 9), 0);
  ASSERT_EQ(EmitCircle(out, 1, 2, 3, 0, 9), 0);
  ASSERT_EQ(EmitArc(out, 1, 2, 3, 4, 5, 6, 0, 9), 0);
  ASSERT_EQ(EmitFill(out, 7, 8, 0, 9), 0);
  ASSERT_EQ(EmitPoint(out, 9, 10, 0, 9), 0);
  e.Close();
  const std::string listing = "Header 'HV02'        \n"
                              "42         LIN (65534,0)-(64,32) C9\n"
                              "42         PRN (2, 3) \"Hi %s\" 48, C9, Para:4\n"
                              "42         CIR (1, 2) Rad:3, C9\n"
                              "42         ARC 1:(1, 2) 2:(3, 4) M:(5 6) C9\n"
                              "42         PNT (7, 8), C9\n"
                              "42         POINT (9, 10) C9\n";
  EXPECT_EQ(e.t.Log(), q32test::Crlf(listing));
  std::string shown(4096, '\0');
  std::rewind(console);
  shown.resize(std::fread(shown.data(), 1, shown.size(), console));
  std::fclose(console);
  EXPECT_EQ(shown, listing);
}

}  // namespace
}  // namespace q32
