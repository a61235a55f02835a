// #IF conditions: what each condition yields ("true", "false" or the code
// reported on its line), with the defines A=1, B=2, NEG=-5, MACHINE="Mill" and
// the PLC program of tests/data/plc/program.txt; and how deep sections nest.
#include <gtest/gtest.h>

#include "plc/Conditions.h"
#include "plc/PlcProjectFile.h"
#include "platform/FileSystem.h"
#include "project/Defines.h"
#include "run/DefineList.h"
#include "support/TestSupport.h"
#include "text/Ascii.h"
#include "text/Tokenizer.h"

namespace q32 {
namespace {

// "A + 1 + 1 ... = n + 1": 2n + 3 tokens.
std::string Sum(int n) {
  std::string text = "A";
  for (int i = 0; i < n; ++i) text += " + 1";
  return text + " = " + std::to_string(n + 1);
}

TEST(Conditions, YieldTheirValueOrTheirCode) {
  DefineList defines;
  ASSERT_EQ(ParseDefines(defines, "A=1, B=2, NEG=-5, MACHINE=\"Mill\"", false), Msg::Ok);
  PlcSymbolTables symbols;
  auto fs = MakeHostFileSystem();
  ASSERT_EQ(ReadPlcProjectFile(*fs, q32test::SourcePath("tests/data/plc/program.pj"), symbols), Msg::Ok);
  const std::pair<std::string, const char*> rows[] = {
      {"(A = 1) AND (B = 2)", "true"}, {"(A = 1) AND (B = 3)", "false"},
      {"(A = 2) OR (B = 2)", "true"}, {"(A = 2) OR (B = 3)", "false"},
      {"(A = 1) AND NOT (B = 3)", "true"}, {"(A = 2) OR NOT (B = 2)", "false"},
      {"(A = 1) NOT (B = 3)", "true"}, {"(A = 2) NOT (B = 2)", "false"},  // NOT between groups keeps the left
      {"((A = 2) OR (B = 2)) AND (A = 1)", "true"}, {"(A = 2) OR ((B = 2) AND (A = 2))", "false"},
      {"NOT (A = 1)", "false"}, {"NOT NOT (A = 1)", "true"}, {"(NOT (A = 2)) AND (NOT (B = 3))", "true"},
      {"NOT A = 1", "true"},  // NOT acts on groups only
      {"A ! 2", "true"}, {"A ! 1", "false"}, {"NEG < 0", "true"}, {"B < 2", "false"},
      {"NEG <= -5", "true"}, {"A <= 0", "false"}, {"NEG > -5", "false"}, {"B > 1", "true"},
      {"B >= 2", "true"}, {"A >= 2", "false"},
      // Arithmetic goes left to right in signed 32 bits.
      {"A + 1 X 3 = 6", "true"}, {"5 - 7 = -2", "true"}, {"-7 / 2 = -3", "true"}, {"6 / -1 = -6", "true"},
      {"12 & 10 = 8", "true"}, {"12 | 3 = 15", "true"}, {"2147483647 + 1 = -2147483648", "true"},
      {"(A + 1) X (B + 1) = 6", "true"}, {"((A + 1) = 2) AND ((B X 2) = 4)", "true"},
      {"$FFFFFFFF < 0", "true"}, {"$1f = 31", "true"}, {"%101 = 5", "true"}, {"+5 = 5", "true"},
      {"-A = -1", "true"}, {"$B$ = 2", "true"}, {"-$10 = -16", "true"}, {"0000 = 0", "true"},
      // Strings compare without regard to case.
      {"MACHINE = \"mill\"", "true"}, {"MACHINE = \"LATHE\"", "false"}, {"MACHINE ! \"LATHE\"", "true"},
      {"\"ABC\" < \"ABD\"", "true"}, {"\"ABD\" > \"ABC\"", "true"}, {"\"ABC\" >= \"ABD\"", "false"},
      {"\"ABC\" <= \"ABC\"", "true"}, {"(MACHINE = \"MILL\") AND (A = 1)", "true"},
      {"( A = 1 )", "true"}, {"(((((((((A = 1)))))))))", "true"}, {"NOT " + Sum(23), "true"},  // 50 tokens
      // PLC symbols: constants have a value, & gives an address (value + size x i + offset + 4 x j).
      {"KIDX = 2", "true"}, {"&FLAG = 100", "true"}, {"&AXES.POS = 2000", "true"},
      {"&AXES[2].LIMITS[1] = 2052", "true"}, {"&AXES[KIDX].LIMITS = 2048", "true"}, {"-&FLAG = -100", "true"},
      // The faults.
      {"A = 1 AND B = 2", "3011"}, {"A", "3011"}, {"", "3011"}, {"(A = 1", "3011"}, {"A = 1)", "3011"},
      {Sum(24), "3011"},  // 51 tokens
      {"1 / 0 = 0", "3043"}, {"-2147483648 / -1 = 0", "3043"}, {"2 = (1 / 0)", "3043"}, {"(A) = 1", "3043"},
      {"MACHINE = 1", "3043"}, {"MACHINE + \"X\"", "3043"}, {"\"A\" = \"B", "3043"}, {"A 1", "3043"},
      {"A = 1 = 1", "3043"}, {"(A = 1) + (B = 2)", "3043"}, {"(A = 1) AND (B)", "3043"},
      {"%102 = 5", "3070"}, {"$1G = 5", "3070"}, {"$ = 5", "3070"}, {"$NOPE$ = 5", "3070"},
      {"$100000000 = 0", "3070"}, {"A+1 = 2", "3070"}, {"UNDEFINED = 1", "3070"}, {"--1 = 1", "3070"},
      {"12AB = 1", "3070"}, {"\"A-B\" = \"C\"", "3070"}, {"&NOPE = 1", "3070"}, {"&AXES[NOPE].POS = 1", "3070"},
      {"FLAG = 100", "3070"},  // a marker has no value
      {"1 = MACHINE", "3073"}, {"A = $MACHINE$", "3073"}, {"\"OPEN", "3084"},
      {"&FLAG.POS = 1", "3507"}, {"&AXES.SPEED = 1", "3509"}, {"&AXES[2.POS = 1", "3091"},
      {"((((((((((A = 1))))))))))", "4010"}, {"((((( (((((A = 1))))) )))))", "4010"},
  };
  for (const auto& [condition, expected] : rows) {
    std::vector<std::string> tokens;
    ASSERT_EQ(SplitConditionTokens(UpperCase(condition), tokens, 100), Split::Complete);
    bool result = false;
    const Msg code = EvaluateCondition(ConditionScope{defines, symbols}, tokens, result);
    EXPECT_EQ(code == Msg::Ok ? (result ? "true" : "false") : std::to_string(Number(code)), expected) << condition;
  }
}

// 31 sections nest, and the #ELSE of the 31st still switches; a 32nd is 3301.
TEST(Conditions, ThirtyOneSectionsNest) {
  SectionStack stack;
  bool active = false;
  for (int i = 0; i < kMaxSectionDepth; ++i) ASSERT_EQ(UpdateSectionStack(stack, SECTION_PUSH, true, active), Msg::Ok);
  EXPECT_TRUE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_PUSH, true, active), Msg::SectionsTooDeep);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_TOGGLE, false, active), Msg::Ok);
  EXPECT_FALSE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_POP, false, active), Msg::Ok);
  EXPECT_TRUE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_FINAL, false, active), Msg::OpenSection);
  EXPECT_TRUE(active);
}

}  // namespace
}  // namespace q32
