// The helper that writes PLC project information files for the example
// project: its output must read back as the tables it describes.
#include <gtest/gtest.h>

#include "plc/Conditions.h"
#include "plc/PlcOperands.h"
#include "plc/PlcProjectFile.h"
#include "platform/FileSystem.h"
#include "project/RunRecords.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

TEST(PlcTool, ExampleDescriptionReadsBack) {
  if (!q32test::HaveTool("python3")) GTEST_SKIP() << "python3 not installed";
  q32test::TempDir dir;
  std::string out = dir / "example.pj";
  auto run = q32test::RunCommand("python3 '" + q32test::SourcePath("tools/make_plc_project.py") + "' '" +
                                     q32test::SourcePath("tools/example_plc_project.txt") + "' '" + out + "'",
                                 dir.path());
  ASSERT_EQ(run.status, 0) << run.out;

  auto fs = MakeHostFileSystem();
  PlcSymbolTables t;
  ASSERT_EQ(ReadPlcProjectFile(*fs, out, t), 0);
  ASSERT_EQ(t.modules.size(), 2u);
  EXPECT_EQ(t.modules[1].name, "TOOLCHANGE");
  ASSERT_EQ(t.structures.size(), 1u);
  EXPECT_EQ(t.structures[0].members.size(), 3u);
  EXPECT_EQ(t.symbols.size(), 8u);
  EXPECT_TRUE(t.sorted);  // the helper writes the tools' order
  ASSERT_EQ(t.secondSymbols.size(), 1u);
  EXPECT_EQ(t.secondSymbols[0].name, "CYCLE_TIME");

  PlcSymbol text;
  ASSERT_EQ(LookUpSymbol(t, "MACHINE_TEXT", &text), SymbolLookup::Found);
  EXPECT_EQ(text.text, "Example machine");

  auto rewrite = [&](std::string token) {
    EXPECT_EQ(RewriteOperandToken(t, token, true), 0) << token;
    return token;
  };
  EXPECT_EQ(rewrite("ENABLE:COOLANT_ON"), "ENABLE:M100");
  EXPECT_EQ(rewrite("STATUS:SPINDLE1.RUNNING"), "STATUS:D2004");
  EXPECT_EQ(rewrite("STATUS:SPINDLE1.LOAD[2]"), "STATUS:W2016");
  EXPECT_EQ(rewrite("HIDE:TOOL_TABLE[3]"), "HIDE:W606");
  std::string past = "HIDE:TOOL_TABLE[MAX_TOOLS]";  // 24 is one past the last element
  EXPECT_EQ(RewriteOperandToken(t, past, true), 8216);
  EXPECT_EQ(rewrite("HIDE:AXIS_OUT[2]"), "HIDE:OD88");
  EXPECT_EQ(rewrite("ENABLE:toolchange::tool_ready"), "ENABLE:M210");

  DefineList defines;
  bool result = false;
  std::vector<std::string> condition = {"(MAX_TOOLS", ">=", "24)", "AND", "(&SPINDLE1.LOAD[1]", "=", "2012)"};
  EXPECT_EQ(EvaluateCondition(ConditionScope{defines, t}, condition, result), 0);
  EXPECT_TRUE(result);
}

}  // namespace
}  // namespace q32
