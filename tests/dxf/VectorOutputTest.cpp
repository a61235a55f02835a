// The vector emitters on their own: block names and the listing lines.  The
// records, para prefixes, pending buffer and block offsets show byte for
// byte in the DXF reader's tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "dxf/VectorOutput.h"
#include "raster/SoftkeyRecords.h"
#include "dxf/VectorTestSupport.h"

namespace q32 {
namespace {

using q32test::TestRun;

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
  TestRun t;
  std::unique_ptr<SoftkeyRecordWriter> writer = OpenSoftkeyRecords(*t.fs, t.dir / "v.PIC");
  VectorOutput out;
  out.diag = &t.run->diag;
  out.writer = writer.get();
  BeginVectorPass(out, VectorPass::WriteEntities);
  std::FILE* console = std::tmpfile();
  ASSERT_NE(console, nullptr);
  t.run->diag.console = console;
  t.run->diag.embedded = true;  // shown unconverted
  out.entityLine = 42;
  ASSERT_EQ(EmitFileHeader(out), 0);
  ASSERT_EQ(EmitLine(out, 0xFFFE, 0, 64, 32, 0, 9), 0);
  ASSERT_EQ(EmitText(out, 2, 3, 48, "Hi %s", 4, 9), 0);
  ASSERT_EQ(EmitCircle(out, 1, 2, 3, 0, 9), 0);
  ASSERT_EQ(EmitArc(out, 1, 2, 3, 4, 5, 6, 0, 9), 0);
  ASSERT_EQ(EmitFill(out, 7, 8, 0, 9), 0);
  ASSERT_EQ(EmitPoint(out, 9, 10, 0, 9), 0);
  const std::string listing = "Header 'HV02'        \n"
                              "42         LIN (65534,0)-(64,32) C9\n"
                              "42         PRN (2, 3) \"Hi %s\" 48, C9, Para:4\n"
                              "42         CIR (1, 2) Rad:3, C9\n"
                              "42         ARC 1:(1, 2) 2:(3, 4) M:(5 6) C9\n"
                              "42         PNT (7, 8), C9\n"
                              "42         POINT (9, 10) C9\n";
  CloseSoftkeyRecords(writer);
  EXPECT_EQ(t.Log(), q32test::Crlf(listing));
  std::string shown(4096, '\0');
  std::rewind(console);
  shown.resize(std::fread(shown.data(), 1, shown.size(), console));
  std::fclose(console);
  EXPECT_EQ(shown, listing);
}

}  // namespace
}  // namespace q32
