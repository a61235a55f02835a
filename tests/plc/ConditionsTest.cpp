#include "plc/Conditions.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "plc/MemoryFileSystem.h"
#include "plc/PlcFileBuilder.h"
#include "plc/PlcOperands.h"
#include "project/RunContext.h"
#include "project/RunRecords.h"

namespace q32 {
namespace {

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> tokens;
  std::istringstream in(line);
  for (std::string word; in >> word;) tokens.push_back(word);
  return tokens;
}

DefineEntry Define(std::string name, std::int32_t value) {
  DefineEntry e;
  e.name = std::move(name);
  e.hasValue = true;
  e.value = value;
  return e;
}

DefineEntry StringDefine(std::string name, std::string text) {
  DefineEntry e;
  e.name = std::move(name);
  e.hasValue = true;
  e.isString = true;
  e.valueText = std::move(text);
  return e;
}

struct Fixture {
  DefineList defines;
  PlcSymbolTables symbols;

  Fixture() {
    defines.Insert(Define("A", 1), false);
    defines.Insert(Define("B", 2), false);
    defines.Insert(Define("NEG", -5), false);
    defines.Insert(StringDefine("MACHINE", "Mill"), false);

    q32test::PlcFileBuilder b;
    b.structures = {{"AXIS", 20, {{"POS", 'D', 0, 0}, {"LIMITS", 'W', 8, 3}}, true}};
    q32test::BuiltSymbol axes{"AXES", 's', 2000, 4, 0, false, "AXIS", ""};
    b.symbols = {axes,
                 {"FLAG", 'M', 100, 0, 0, false, "", ""},
                 {"KSEVEN", 'K', 7, 0, 0, false, "", ""}};
    q32test::MemoryFileSystem fs;
    fs.files["P.PJ"] = b.Build();
    EXPECT_EQ(ReadPlcProjectFile(fs, "P.PJ", symbols), 0);
  }

  // The code of a condition; result through the pointer.
  int Eval(const std::string& line, bool* result = nullptr) {
    bool r = false;
    int code = EvaluateCondition(ConditionScope{defines, symbols}, Split(line), r);
    if (result) *result = r;
    return code;
  }
  bool True(const std::string& line) {
    bool r = false;
    EXPECT_EQ(Eval(line, &r), 0) << line;
    return r;
  }
};

TEST(Conditions, ComparisonsAndLogic) {
  Fixture f;
  EXPECT_TRUE(f.True("(A = 1) AND (B = 2)"));
  EXPECT_FALSE(f.True("(A = 1) AND (B = 3)"));
  EXPECT_TRUE(f.True("(A = 2) OR (B = 2)"));
  EXPECT_FALSE(f.True("(A = 2) OR (B = 3)"));
  EXPECT_TRUE(f.True("(A = 1) AND NOT (B = 3)"));
  EXPECT_TRUE(f.True("(A = 1) OR NOT (B = 2)"));
  EXPECT_FALSE(f.True("(A = 2) OR NOT (B = 2)"));
  // A NOT between two groups keeps the left group's value.
  EXPECT_TRUE(f.True("(A = 1) NOT (B = 3)"));
  EXPECT_FALSE(f.True("(A = 2) NOT (B = 2)"));
  // Left to right without precedence, groups nested.
  EXPECT_TRUE(f.True("((A = 2) OR (B = 2)) AND (A = 1)"));
  EXPECT_FALSE(f.True("(A = 2) OR ((B = 2) AND (A = 2))"));

  // The bare right side of AND is passed over: incomplete.
  EXPECT_EQ(f.Eval("A = 1 AND B = 2"), 3011);
  // NOT negates a group only.
  EXPECT_FALSE(f.True("NOT (A = 1)"));
  EXPECT_TRUE(f.True("NOT NOT (A = 1)"));
  EXPECT_TRUE(f.True("NOT A = 1"));
  EXPECT_TRUE(f.True("(NOT (A = 2))"));

  EXPECT_TRUE(f.True("A ! 2"));
  EXPECT_FALSE(f.True("A ! 1"));
  EXPECT_TRUE(f.True("NEG < 0"));  // signed
  EXPECT_TRUE(f.True("NEG <= -5"));
  EXPECT_FALSE(f.True("NEG > -5"));
  EXPECT_TRUE(f.True("B >= 2"));
  EXPECT_TRUE(f.True("$FFFFFFFF < 0"));
}

TEST(Conditions, Arithmetic) {
  Fixture f;
  EXPECT_TRUE(f.True("A + 1 = 2"));
  EXPECT_TRUE(f.True("A + 1 X 3 = 6"));  // left to right
  EXPECT_TRUE(f.True("5 - 7 = -2"));
  EXPECT_TRUE(f.True("6 X 7 = 42"));
  EXPECT_TRUE(f.True("7 / 2 = 3"));
  EXPECT_TRUE(f.True("-7 / 2 = -3"));  // toward zero
  EXPECT_TRUE(f.True("12 & 10 = 8"));
  EXPECT_TRUE(f.True("12 | 3 = 15"));
  EXPECT_TRUE(f.True("2147483647 + 1 = -2147483648"));  // 32-bit wrap
  EXPECT_TRUE(f.True("(A + 1) = 2"));
  EXPECT_TRUE(f.True("2 = (A + 1)"));
  EXPECT_TRUE(f.True("(A + 1) X (B + 1) = 6"));
  EXPECT_TRUE(f.True("((A + 1) = 2) AND ((B X 2) = 4)"));
  EXPECT_EQ(f.Eval("1 / 0 = 0"), 3043);
  EXPECT_EQ(f.Eval("-2147483648 / -1 = 0"), 3043);
  EXPECT_EQ(f.Eval("2 = (1 / 0)"), 3043);
  // A lone operand in parentheses is no computed number.
  EXPECT_EQ(f.Eval("(A) = 1"), 3043);
}

TEST(Conditions, OperandForms) {
  Fixture f;
  EXPECT_TRUE(f.True("$1F = 31"));
  EXPECT_TRUE(f.True("%101 = 5"));
  EXPECT_TRUE(f.True("%0 = 0"));
  EXPECT_TRUE(f.True("+5 = 5"));
  EXPECT_TRUE(f.True("-A = -1"));
  EXPECT_TRUE(f.True("$B$ = 2"));
  EXPECT_TRUE(f.True("-$10 = -16"));
  EXPECT_EQ(f.Eval("%102 = 5"), 3070);
  EXPECT_EQ(f.Eval("$1G = 5"), 3070);
  EXPECT_EQ(f.Eval("$ = 5"), 3070);
  EXPECT_EQ(f.Eval("$NOPE$ = 5"), 3070);
  EXPECT_EQ(f.Eval("$100000000 = 0"), 3070);  // runs over 32 bits to 0
  EXPECT_EQ(f.Eval("A+1 = 2"), 3070);
  EXPECT_EQ(f.Eval("UNDEFINED = 1"), 3070);
  EXPECT_EQ(f.Eval("--1 = 1"), 3070);
  EXPECT_EQ(f.Eval("12AB = 1"), 3070);

  std::int32_t value = 0;
  std::string text;
  ConditionScope scope{f.defines, f.symbols};
  EXPECT_EQ(EvaluateOperand(scope, "\"AB C\"", value, text), 3073);
  EXPECT_EQ(text, "AB C");
  EXPECT_EQ(EvaluateOperand(scope, "\"OPEN", value, text), 3084);
  EXPECT_EQ(EvaluateOperand(scope, "\"A-B\"", value, text), 3070);
  EXPECT_EQ(EvaluateOperand(scope, "MACHINE", value, text), 3073);
  EXPECT_EQ(text, "Mill");
  EXPECT_EQ(EvaluateOperand(scope, "$MACHINE$", value, text), 3073);
  EXPECT_EQ(EvaluateOperand(scope, "0000", value, text), 0);
  EXPECT_EQ(value, 0);
}

TEST(Conditions, Strings) {
  Fixture f;
  EXPECT_TRUE(f.True("MACHINE = \"MILL\""));  // ignoring case
  EXPECT_FALSE(f.True("MACHINE = \"LATHE\""));
  EXPECT_TRUE(f.True("MACHINE ! \"LATHE\""));
  EXPECT_TRUE(f.True("\"ABC\" < \"ABD\""));
  EXPECT_TRUE(f.True("\"B\" >= \"A\""));
  EXPECT_TRUE(f.True("(MACHINE = \"MILL\") AND (A = 1)"));
  EXPECT_EQ(f.Eval("MACHINE = 1"), 3043);      // a string with a number
  EXPECT_EQ(f.Eval("1 = MACHINE"), 3073);
  EXPECT_EQ(f.Eval("A = $MACHINE$"), 3073);
  EXPECT_EQ(f.Eval("MACHINE + \"X\""), 3043);  // no arithmetic on strings
  EXPECT_EQ(f.Eval("\"A\" = \"B"), 3043);      // an unclosed literal is no string
}

TEST(Conditions, StructureAndLevels) {
  Fixture f;
  EXPECT_EQ(f.Eval("A 1"), 3043);
  EXPECT_EQ(f.Eval("A = 1 = 1"), 3043);       // a comparison needs AND/OR next
  EXPECT_EQ(f.Eval("(A = 1) + (B = 2)"), 3043);
  EXPECT_EQ(f.Eval("(A = 1) AND (B)"), 3043);
  EXPECT_EQ(f.Eval("A"), 3011);
  EXPECT_EQ(f.Eval("A ="), 3011);
  EXPECT_EQ(f.Eval(""), 3011);
  EXPECT_EQ(f.Eval("(A = 1"), 3011);
  EXPECT_EQ(f.Eval("A = 1)"), 3011);          // would close level 0
  EXPECT_EQ(f.Eval("(A = 1))"), 3011);
  EXPECT_EQ(f.Eval("( A = 1 )"), 0);          // parentheses as tokens of their own

  EXPECT_TRUE(f.True("(((((((((A = 1)))))))))"));  // nine levels
  EXPECT_EQ(f.Eval("((((((((((A = 1))))))))))"), 4010);
  EXPECT_EQ(f.Eval("((((( (((((A = 1))))) )))))"), 4010);

  std::string many = "(A = 1)";
  for (int i = 0; i < 11; ++i) many += " AND (A = 1)";  // 47 tokens
  EXPECT_TRUE(f.True(many));
  EXPECT_EQ(f.Eval(many + " AND (A = 1)"), 3011);  // 51 tokens
}

TEST(Conditions, PlcSymbols) {
  Fixture f;
  EXPECT_TRUE(f.True("KSEVEN = 7"));
  EXPECT_TRUE(f.True("&FLAG = 100"));
  EXPECT_TRUE(f.True("&AXES.POS = 2000"));
  // address + structure size x i + member offset + 4 x j
  EXPECT_TRUE(f.True("&AXES[2].LIMITS[1] = 2052"));
  EXPECT_TRUE(f.True("&AXES[KSEVEN].LIMITS = 2148"));
  EXPECT_TRUE(f.True("-&FLAG = -100"));
  EXPECT_EQ(f.Eval("&FLAG.POS = 1"), 3507);
  EXPECT_EQ(f.Eval("&AXES.SPEED = 1"), 3509);
  EXPECT_EQ(f.Eval("&AXES[2.POS = 1"), 3091);
  EXPECT_EQ(f.Eval("&AXES.LIMITS[1 = 1"), 3091);
  EXPECT_EQ(f.Eval("&NOPE = 1"), 3070);
  EXPECT_EQ(f.Eval("&AXES[NOPE].POS = 1"), 3070);
  EXPECT_EQ(f.Eval("FLAG = 100"), 3070);  // only constants give a value

  // Hidden symbols are unknown operands.
  SetSymbolsVisible(f.symbols, false);
  EXPECT_EQ(f.Eval("KSEVEN = 7"), 3070);
  EXPECT_EQ(f.Eval("&FLAG = 100"), 3070);
  SetSymbolsVisible(f.symbols, true);

  // A hostile nesting of indices ends with a code.
  std::string deep = "&AXES";
  for (int i = 0; i < 40; ++i) deep += "[&AXES";
  deep += ".POS";
  std::int32_t value;
  std::string text;
  EXPECT_NE(EvaluateOperand(ConditionScope{f.defines, f.symbols}, deep, value, text), 0);
}

TEST(Conditions, IfLinesHideSymbolsWithoutPostProcessing) {
  q32test::MemoryFileSystem fs;
  RunContext run(fs);
  run.defines.Insert(Define("A", 1), false);
  Fixture f;
  run.plc = f.symbols;
  std::vector<std::string> line = Split("#IF (KSEVEN = 7) AND (A = 1)");
  bool result = false;
  EXPECT_EQ(EvaluateIfCondition(run, line, 1, result), 3070);
  EXPECT_FALSE(run.plc.hidden);  // shown again afterwards
  run.settings.postProcess = true;
  EXPECT_EQ(EvaluateIfCondition(run, line, 1, result), 0);
  EXPECT_TRUE(result);
}

TEST(Conditions, SectionStack) {
  SectionStack stack;
  bool active = false;
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_POP, false, active), 3300);
  EXPECT_TRUE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_TOGGLE, false, active), 3300);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_FINAL, false, active), 0);

  EXPECT_EQ(UpdateSectionStack(stack, SECTION_PUSH, true, active), 0);
  EXPECT_TRUE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_PUSH, false, active), 0);
  EXPECT_FALSE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_PUSH, true, active), 0);
  EXPECT_FALSE(active);  // inside a switched-off section
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_POP, false, active), 0);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_TOGGLE, false, active), 0);
  EXPECT_TRUE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_TOGGLE, false, active), 0);
  EXPECT_FALSE(active);  // every #ELSE inverts again
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_POP, false, active), 0);
  EXPECT_TRUE(active);
  // A popped section leaves no trace for the next one at its depth.
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_PUSH, true, active), 0);
  EXPECT_TRUE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_FINAL, false, active), 3300);
  EXPECT_EQ(stack.depth, 0);
  EXPECT_TRUE(active);

  for (int i = 0; i < 31; ++i) ASSERT_EQ(UpdateSectionStack(stack, SECTION_PUSH, true, active), 0);
  EXPECT_TRUE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_PUSH, true, active), 3301);
  EXPECT_EQ(stack.depth, 31);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_TOGGLE, false, active), 0);
  EXPECT_FALSE(active);  // the 31st bit counts
  for (int i = 0; i < 31; ++i) ASSERT_EQ(UpdateSectionStack(stack, SECTION_POP, false, active), 0);
  EXPECT_TRUE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_POP, false, active), 3300);
}

}  // namespace
}  // namespace q32

namespace q32 {
namespace {

// Random token soup from the evaluator's own alphabet: every answer is 0
// or one of its codes, never a crash.
TEST(Conditions, RandomConditionsGiveCleanCodes) {
  Fixture f;
  const std::set<int> allowed = {0, 3011, 3043, 3070, 3073, 3084, 3091, 3507, 3509, 4010};
  static const char* pieces[] = {"(", ")", "A", "B", "1", "-5", "$1F", "%10", "&AXES", "[", "]", ".POS",
                                 ".LIMITS", "\"", "X", "=", "!", "<=", ">=", "AND", "OR", "NOT", "+", "/",
                                 "|", "&", "KSEVEN", "MACHINE", "$", "%", "0", "&FLAG", "[KSEVEN]", "$A$"};
  std::mt19937 random(99);
  for (int round = 0; round < 20000; ++round) {
    std::vector<std::string> tokens(random() % 60);
    for (std::string& token : tokens) {
      int parts = 1 + static_cast<int>(random() % 3);
      for (int p = 0; p < parts; ++p) token += pieces[random() % (sizeof pieces / sizeof *pieces)];
    }
    bool result;
    int code = EvaluateCondition(ConditionScope{f.defines, f.symbols}, tokens, result);
    ASSERT_TRUE(allowed.count(code)) << code;
  }
}

}  // namespace
}  // namespace q32
