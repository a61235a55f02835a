#include "plc/Conditions.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "support/MemoryFileSystem.h"
#include "support/PlcFileBuilder.h"
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
    fs.AddFile("P.PJ", b.Build());
    EXPECT_EQ(ReadPlcProjectFile(fs, "P.PJ", symbols), 0);
  }

  // The code of a condition; result through the pointer.
  int Eval(const std::string& line, bool* result = nullptr) {
    bool r = false;
    int code = EvaluateCondition(ConditionScope{defines, symbols}, Split(line), r);
    if (result) *result = r;
    return code;
  }
  // Each row: the condition, its code, and on success its value.
  struct Case {
    const char* line;
    int code;
    bool value = false;
  };
  void Expect(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
      bool r = !c.value;
      EXPECT_EQ(Eval(c.line, &r), c.code) << c.line;
      if (c.code == 0) {
        EXPECT_EQ(r, c.value) << c.line;
      }
    }
  }
};

constexpr bool T = true, F = false;

TEST(Conditions, ComparisonsLogicAndArithmetic) {
  Fixture f;
  f.Expect({
      {"(A = 1) AND (B = 2)", 0, T},
      {"(A = 1) AND (B = 3)", 0, F},
      {"(A = 2) OR (B = 2)", 0, T},
      {"(A = 1) AND NOT (B = 3)", 0, T},
      {"(A = 2) OR NOT (B = 2)", 0, F},
      {"(A = 1) NOT (B = 3)", 0, T},  // a NOT between groups keeps the left value
      {"(A = 2) NOT (B = 2)", 0, F},
      {"((A = 2) OR (B = 2)) AND (A = 1)", 0, T},  // left to right, groups nested
      {"(A = 2) OR ((B = 2) AND (A = 2))", 0, F},
      {"A = 1 AND B = 2", 3011},  // the bare right side of AND is passed over
      {"NOT (A = 1)", 0, F},      // NOT negates a group only
      {"NOT NOT (A = 1)", 0, T},
      {"NOT A = 1", 0, T},
      {"A ! 2", 0, T},
      {"A ! 1", 0, F},
      {"NEG < 0", 0, T},  // signed
      {"NEG <= -5", 0, T},
      {"NEG > -5", 0, F},
      {"B >= 2", 0, T},
      {"$FFFFFFFF < 0", 0, T},
      {"A + 1 X 3 = 6", 0, T},  // left to right
      {"5 - 7 = -2", 0, T},
      {"-7 / 2 = -3", 0, T},  // toward zero
      {"12 & 10 = 8", 0, T},
      {"12 | 3 = 15", 0, T},
      {"2147483647 + 1 = -2147483648", 0, T},  // 32-bit wrap
      {"(A + 1) X (B + 1) = 6", 0, T},
      {"((A + 1) = 2) AND ((B X 2) = 4)", 0, T},
      {"1 / 0 = 0", 3043},
      {"-2147483648 / -1 = 0", 3043},
      {"2 = (1 / 0)", 3043},
      {"(A) = 1", 3043},  // a lone operand in parentheses is no computed number
  });
}

TEST(Conditions, OperandFormsAndStrings) {
  Fixture f;
  f.Expect({
      {"$1F = 31", 0, T},
      {"%101 = 5", 0, T},
      {"+5 = 5", 0, T},
      {"-A = -1", 0, T},
      {"$B$ = 2", 0, T},
      {"-$10 = -16", 0, T},
      {"%102 = 5", 3070},
      {"$1G = 5", 3070},
      {"$ = 5", 3070},
      {"$NOPE$ = 5", 3070},
      {"$100000000 = 0", 3070},  // runs over 32 bits to 0
      {"A+1 = 2", 3070},
      {"UNDEFINED = 1", 3070},
      {"--1 = 1", 3070},
      {"12AB = 1", 3070},
      {"MACHINE = \"MILL\"", 0, T},  // ignoring case
      {"MACHINE = \"LATHE\"", 0, F},
      {"MACHINE ! \"LATHE\"", 0, T},
      {"\"ABC\" < \"ABD\"", 0, T},
      {"(MACHINE = \"MILL\") AND (A = 1)", 0, T},
      {"MACHINE = 1", 3043},  // a string with a number
      {"1 = MACHINE", 3073},
      {"A = $MACHINE$", 3073},
      {"MACHINE + \"X\"", 3043},  // no arithmetic on strings
      {"\"A\" = \"B", 3043},     // an unclosed literal is no string
  });

  std::int32_t value = 0;
  std::string text;
  ConditionScope scope{f.defines, f.symbols};
  EXPECT_EQ(EvaluateOperand(scope, "\"OPEN", value, text), 3084);
  EXPECT_EQ(EvaluateOperand(scope, "$MACHINE$", value, text), 3073);
  EXPECT_EQ(text, "Mill");
  EXPECT_EQ(EvaluateOperand(scope, "0000", value, text), 0);
  EXPECT_EQ(value, 0);
}

TEST(Conditions, StructureAndLevels) {
  Fixture f;
  std::string many = "(A = 1)";
  for (int i = 0; i < 11; ++i) many += " AND (A = 1)";  // 47 tokens
  std::string tooMany = many + " AND (A = 1)";          // 51 tokens
  f.Expect({
      {"A 1", 3043},
      {"A = 1 = 1", 3043},  // a comparison needs AND/OR next
      {"(A = 1) + (B = 2)", 3043},
      {"(A = 1) AND (B)", 3043},
      {"A", 3011},
      {"", 3011},
      {"(A = 1", 3011},
      {"A = 1)", 3011},  // would close level 0
      {"( A = 1 )", 0, T},  // parentheses as tokens of their own
      {"(((((((((A = 1)))))))))", 0, T},  // nine levels
      {"((((((((((A = 1))))))))))", 4010},
      {"((((( (((((A = 1))))) )))))", 4010},
      {many.c_str(), 0, T},
      {tooMany.c_str(), 3011},
  });
}

TEST(Conditions, PlcSymbols) {
  Fixture f;
  f.Expect({
      {"KSEVEN = 7", 0, T},
      {"&FLAG = 100", 0, T},
      {"&AXES.POS = 2000", 0, T},
      {"&AXES[2].LIMITS[1] = 2052", 0, T},  // address + size x i + offset + 4 x j
      {"&AXES[KSEVEN].LIMITS = 2148", 0, T},
      {"-&FLAG = -100", 0, T},
      {"&FLAG.POS = 1", 3507},
      {"&AXES.SPEED = 1", 3509},
      {"&AXES[2.POS = 1", 3091},
      {"&NOPE = 1", 3070},
      {"&AXES[NOPE].POS = 1", 3070},
      {"FLAG = 100", 3070},  // only constants give a value
  });
  // Hidden symbols are unknown operands.
  SetSymbolsVisible(f.symbols, false);
  f.Expect({{"KSEVEN = 7", 3070}, {"&FLAG = 100", 3070}});
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
  // Each step: the operation, the condition, the code, whether lines count.
  const struct {
    SectionOperation op;
    bool condition;
    int code;
    bool active;
  } steps[] = {
      {SECTION_POP, false, 3300, true},   {SECTION_TOGGLE, false, 3300, true},
      {SECTION_FINAL, false, 0, true},    {SECTION_PUSH, true, 0, true},
      {SECTION_PUSH, false, 0, false},    {SECTION_PUSH, true, 0, false},  // inside a switched-off section
      {SECTION_POP, false, 0, false},     {SECTION_TOGGLE, false, 0, true},
      {SECTION_TOGGLE, false, 0, false},  // every #ELSE inverts again
      {SECTION_POP, false, 0, true},
      {SECTION_PUSH, true, 0, true},      // a popped section leaves no trace at its depth
      {SECTION_FINAL, false, 3300, true},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(UpdateSectionStack(stack, s.op, s.condition, active), s.code);
    EXPECT_EQ(active, s.active);
  }
  EXPECT_EQ(stack.depth, 0);

  for (int i = 0; i < 31; ++i) ASSERT_EQ(UpdateSectionStack(stack, SECTION_PUSH, true, active), 0);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_PUSH, true, active), 3301);
  EXPECT_EQ(stack.depth, 31);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_TOGGLE, false, active), 0);
  EXPECT_FALSE(active);  // the 31st bit counts
  for (int i = 0; i < 31; ++i) ASSERT_EQ(UpdateSectionStack(stack, SECTION_POP, false, active), 0);
  EXPECT_TRUE(active);
  EXPECT_EQ(UpdateSectionStack(stack, SECTION_POP, false, active), 3300);
}

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
