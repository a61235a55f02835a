// The algorithms behind PLC operands and #IF conditions, as tables over the
// PLC program tests/data/plc/program.pj: what an operand resolves to, what a
// condition yields, and the symbol lookup.  The cases (*.case) show how a run
// applies them.  program.pj is what tools/make_plc_project.py makes of:
//   MODULE 1 MOD1
//   MODULE -2 Mod2
//   STRUCT AXIS 20
//   MEMBER POS D 0
//   MEMBER FLAGS M 4
//   MEMBER LIMITS W 8 3
//   STRUCT EMPTY 4
//   SYMBOL ABCDEFGHIJKLMNOPQRSTUVWX M 77
//   SYMBOL AXES s 2000 count=4 struct=AXIS
//   SYMBOL BROKEN s 3000 struct=NOSUCH
//   SYMBOL BYTES B 400 count=8
//   SYMBOL DOUBLES D 600 count=5
//   SYMBOL FLAG M 100
//   SYMBOL FLAG M 101 module=1 local
//   SYMBOL GREETING S 0 text=Hello PLC
//   SYMBOL INPUTS w 40 count=4
//   SYMBOL KIDX K 2
//   SYMBOL ONLYLOCAL M 222 module=-2 local
//   SYMBOL OUTPUTS 0xE4 80 count=4
//   SYMBOL PAIR M 301 module=1 local
//   SYMBOL PAIR M 302 module=-2 local
//   SYMBOL TWICE M 401 module=1 local
//   SYMBOL TWICE M 400
//   SYMBOL WORDS W 500 count=5
//   SYMBOL ZAXIS s 2100 struct=AXIS
//   SYMBOL2 SECOND K 7
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "plc/Conditions.h"
#include "plc/PlcOperands.h"
#include "plc/PlcProjectFile.h"
#include "platform/FileSystem.h"
#include "project/Defines.h"
#include "run/DefineList.h"
#include "support/TestSupport.h"
#include "text/Ascii.h"
#include "text/Tokenizer.h"

namespace q32 {
namespace {

PlcSymbolTables Program(const std::string& name = "program.pj", Msg* read = nullptr) {
  PlcSymbolTables symbols;
  auto fs = MakeHostFileSystem();
  const Msg code = ReadPlcProjectFile(*fs, q32test::SourcePath("tests/data/plc/" + name), symbols);
  if (read) *read = code;
  else EXPECT_EQ(code, Msg::Ok) << name;
  return symbols;
}

// A damaged copy of program.pj keeps what lies before the damage: whole module
// records count (none.pj: module size 543, two.pj: 1588); a module section
// shorter than announced (huge.pj: 2^32-1 bytes, past.pj: past the end) is
// 6506; sections without end records (structs.pj: the structures behind the
// symbols; symbols.pj), a file cut in the type name of ZAXIS (cut.pj) and
// sections past the end (far.pj) end there.  The code of the reading, and what
// MOD1::FLAG and ZAXIS.FLAGS resolve to, tell what was read.
TEST(PlcFile, DamageKeepsWhatLiesBeforeIt) {
  const std::pair<const char*, const char*> rows[] = {
      {"none.pj", "0 6510 D2104"}, {"two.pj", "0 M101 D2104"}, {"huge.pj", "6506 3070 3070"},
      {"past.pj", "6506 6510 3070"}, {"structs.pj", "0 M101 D2104"}, {"symbols.pj", "0 M101 D2104"},
      {"cut.pj", "0 M101 3070"}, {"far.pj", "0 3070 3070"},
  };
  for (const auto& [file, expected] : rows) {
    Msg read;
    PlcSymbolTables symbols = Program(file, &read);
    std::string out = std::to_string(Number(read));
    for (std::string token : {"E:MOD1::FLAG", "E:ZAXIS.FLAGS"}) {
      const Msg code = RewriteOperandToken(symbols, token, true);
      out += " " + (code == Msg::Ok ? token.substr(2) : std::to_string(Number(code)));
    }
    EXPECT_EQ(out, expected) << file;
  }
}

// -post writes the operand letter and the address, or the run reports the code.
TEST(Operands, ResolveToTheirAddressOrTheirCode) {
  PlcSymbolTables symbols = Program();
  const std::pair<std::string, const char*> rows[] = {
      {"flag", "M100"}, {"M100", "M100"}, {"ib4", "IB4"}, {"OD8", "OD8"}, {"OW2", "OW2"}, {"K5", "K5"},
      // Arrays step by 2 for words, 4 for double words, 1 for the rest; a constant may index.
      {"WORDS[3]", "W506"}, {"DOUBLES[2]", "D608"}, {"BYTES[7]", "B407"}, {"INPUTS[3]", "IW46"}, {"OUTPUTS", "OD80"},
      {"OUTPUTS[1]", "OD84"}, {"WORDS[KIDX]", "W504"}, {"WORDS[ 1]", "W502"}, {"WORDS[+1]", "W502"}, {"KIDX", "K2"}, {"GREETING", "S0"},
      // Members: value + size x i + offset + 4 x j; a marker member is a double word.
      {"AXES.POS", "D2000"}, {"AXES.FLAGS", "D2004"}, {"AXES[2].LIMITS[1]", "W2052"}, {"axes[kidx].limits[kidx]", "W2056"},
      // A module prefix takes the module's local symbol, else the global one.
      {"mod1::flag", "M101"}, {"MOD2::FLAG", "M100"}, {"MOD2::TWICE", "M400"}, {"MOD1::PAIR", "M301"},
      {"MOD2::PAIR", "M302"}, {"ONLYLOCAL", "M222"}, {"MOD1::ONLYLOCAL", "3070"}, {"NOPE::M100", "6510"},
      // Names are cut to 24 characters, operands to 80.
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ1234", "M77"}, {"M" + std::string(80, '1') + "X", "M-1449365049"},
      {"I4X", "3070"}, {"IB", "3070"}, {"MB4", "3070"}, {"X100", "3070"}, {"", "3070"}, {"M100[0]", "8216"},
      {"M100.X", "8216"}, {"WORDS[5]", "8216"}, {"WORDS[-1]", "8216"}, {"WORDS[FLAG]", "8216"}, {"WORDS[--1]", "8216"},
      {"WORDS[2", "8216"}, {"FLAG[0]", "8216"}, {"WORDS.X", "8216"}, {"AXES", "8216"}, {"AXES.LIMITS[3]", "8216"},
      {"AXES.LIMITS[X", "8216"}, {"AXES.SPEED", "3070"}, {"BROKEN.POS", "3070"}, {"MOD1::TWICE", "6509"},
      {"TWICE", "6509"}, {"PAIR", "6509"}, {"SECOND", "3070"},  // the second list is not searched
  };
  for (const auto& [operand, expected] : rows) {
    std::string token = "ENABLE:" + operand;
    const Msg code = RewriteOperandToken(symbols, token, true);
    EXPECT_EQ(code == Msg::Ok ? token.substr(7) : std::to_string(Number(code)), expected) << operand;
  }
}

// "A + 1 + 1 ... = n + 1": 2n + 3 tokens.
std::string Sum(int n) {
  std::string text = "A";
  for (int i = 0; i < n; ++i) text += " + 1";
  return text + " = " + std::to_string(n + 1);
}

// What a condition yields ("true", "false" or the code reported on its line)
// with the defines A=1, B=2, NEG=-5, MACHINE="Mill".
TEST(Conditions, YieldTheirValueOrTheirCode) {
  DefineList defines;
  ASSERT_EQ(ParseDefines(defines, "A=1, B=2, NEG=-5, MACHINE=\"Mill\"", false), Msg::Ok);
  PlcSymbolTables symbols = Program();
  const std::pair<std::string, const char*> rows[] = {
      {"(A = 1) AND (B = 2)", "true"}, {"(A = 1) AND (B = 3)", "false"}, {"(A = 2) OR (B = 2)", "true"},
      {"(A = 2) OR (B = 3)", "false"}, {"(A = 1) AND NOT (B = 3)", "true"}, {"(A = 2) OR NOT (B = 2)", "false"},
      {"(A = 1) NOT (B = 3)", "true"}, {"(A = 2) NOT (B = 2)", "false"},  // NOT between groups keeps the left
      {"((A = 2) OR (B = 2)) AND (A = 1)", "true"}, {"(A = 2) OR ((B = 2) AND (A = 2))", "false"},
      {"NOT (A = 1)", "false"}, {"NOT NOT (A = 1)", "true"}, {"(NOT (A = 2)) AND (NOT (B = 3))", "true"},
      {"NOT A = 1", "true"},  // NOT acts on groups only
      {"A ! 2", "true"}, {"A ! 1", "false"}, {"NEG < 0", "true"}, {"B < 2", "false"}, {"NEG <= -5", "true"},
      {"A <= 0", "false"}, {"NEG > -5", "false"}, {"B > 1", "true"}, {"B >= 2", "true"}, {"A >= 2", "false"},
      // Arithmetic goes left to right in signed 32 bits.
      {"A + 1 X 3 = 6", "true"}, {"5 - 7 = -2", "true"}, {"-7 / 2 = -3", "true"}, {"6 / -1 = -6", "true"},
      {"12 & 10 = 8", "true"}, {"12 | 3 = 15", "true"}, {"2147483647 + 1 = -2147483648", "true"},
      {"(A + 1) X (B + 1) = 6", "true"}, {"((A + 1) = 2) AND ((B X 2) = 4)", "true"}, {"$FFFFFFFF < 0", "true"},
      {"$1f = 31", "true"}, {"%101 = 5", "true"}, {"+5 = 5", "true"}, {"-A = -1", "true"}, {"$B$ = 2", "true"},
      {"-$10 = -16", "true"}, {"0000 = 0", "true"}, {"( A = 1 )", "true"}, {"(((((((((A = 1)))))))))", "true"},
      {"NOT " + Sum(23), "true"},  // 50 tokens
      // Strings compare without regard to case.
      {"MACHINE = \"mill\"", "true"}, {"MACHINE = \"LATHE\"", "false"}, {"MACHINE ! \"LATHE\"", "true"},
      {"\"ABC\" < \"ABD\"", "true"}, {"\"ABD\" > \"ABC\"", "true"}, {"\"ABC\" >= \"ABD\"", "false"},
      {"\"ABC\" <= \"ABC\"", "true"}, {"(MACHINE = \"MILL\") AND (A = 1)", "true"},
      // PLC symbols: constants have a value, & gives an address.
      {"KIDX = 2", "true"}, {"&FLAG = 100", "true"}, {"&AXES.POS = 2000", "true"}, {"-&FLAG = -100", "true"},
      {"&AXES[2].LIMITS[1] = 2052", "true"}, {"&AXES[KIDX].LIMITS = 2048", "true"},
      {"A = 1 AND B = 2", "3011"}, {"A", "3011"}, {"", "3011"}, {"(A = 1", "3011"}, {"A = 1)", "3011"},
      {Sum(24), "3011"},  // 51 tokens
      {"1 / 0 = 0", "3043"}, {"-2147483648 / -1 = 0", "3043"}, {"2 = (1 / 0)", "3043"}, {"(A) = 1", "3043"},
      {"MACHINE = 1", "3043"}, {"MACHINE + \"X\"", "3043"}, {"\"A\" = \"B", "3043"}, {"A 1", "3043"},
      {"A = 1 = 1", "3043"}, {"(A = 1) + (B = 2)", "3043"}, {"(A = 1) AND (B)", "3043"}, {"%102 = 5", "3070"},
      {"$1G = 5", "3070"}, {"$1@ = 25", "3070"}, {"$ = 5", "3070"}, {"$NOPE$ = 5", "3070"}, {"$100000000 = 0", "3070"}, {"A+1 = 2", "3070"},
      {"UNDEFINED = 1", "3070"}, {"--1 = 1", "3070"}, {"12AB = 1", "3070"}, {"\"A-B\" = \"C\"", "3070"},
      {"&NOPE = 1", "3070"}, {"&AXES[NOPE].POS = 1", "3070"}, {"FLAG = 100", "3070"},  // a marker has no value
      {"1 = MACHINE", "3073"}, {"A = $MACHINE$", "3073"}, {"\"OPEN", "3084"}, {"&FLAG.POS = 1", "3507"},
      {"&AXES.SPEED = 1", "3509"}, {"&AXES[2.POS = 1", "3091"}, {"((((((((((A = 1))))))))))", "4010"},
      {"((((( (((((A = 1))))) )))))", "4010"},
  };
  for (const auto& [condition, expected] : rows) {
    std::vector<std::string> tokens;
    ASSERT_EQ(SplitConditionTokens(UpperCase(condition), tokens, 100), Split::Complete);
    bool result = false;
    const Msg code = EvaluateCondition(ConditionScope{defines, symbols}, tokens, result);
    EXPECT_EQ(code == Msg::Ok ? (result ? "true" : "false") : std::to_string(Number(code)), expected) << condition;
  }
}

// A list in the tools' order is searched by halving, any other walked as the
// control's skip index leads: from the last block start (every 50 records)
// whose name is smaller.  unsorted.pj holds Y00 to Y49, then X50 to X59: Y20
// is missed there.  On lists in order both answer alike: random lists with
// runs of equal names across block starts, locals of several modules.
TEST(SymbolLookup, HalvingAnswersAsTheSkipWalk) {
  PlcSymbolTables unsorted = Program("unsorted.pj");
  EXPECT_EQ(LookUpSymbol(unsorted, "Y00"), SymbolLookup::Found);
  EXPECT_EQ(LookUpSymbol(unsorted, "Y20"), SymbolLookup::NotFound);
  std::mt19937 random(7);
  auto name = [&](std::size_t range) { return "S" + std::to_string(1000 + random() % range); };
  for (int round = 0; round < 40; ++round) {
    PlcSymbolTables halved;
    const std::size_t n = 1 + random() % 400;
    for (std::uint32_t i = 0; i < n; ++i) {
      const bool local = random() % 4 == 0;
      const std::int32_t module = local ? static_cast<std::int32_t>(random() % 3) : 0;
      halved.symbols.push_back({.name = name(n / 3 + 2), .module = module, .value = i, .local = local, .text = {}});
    }
    std::stable_sort(halved.symbols.begin(), halved.symbols.end(), [](auto& x, auto& y) { return x.name < y.name; });
    IndexPlcSymbols(halved);
    ASSERT_TRUE(halved.sorted);
    PlcSymbolTables walked = halved;
    walked.sorted = false;
    for (int q = 0; q < 200; ++q) {
      halved.currentModule = walked.currentModule = static_cast<std::int32_t>(random() % 4) - 1;
      const std::string key = name(n / 3 + 4);
      PlcSymbol a, b;
      ASSERT_EQ(LookUpSymbol(halved, key, &a), LookUpSymbol(walked, key, &b)) << key << " round " << round;
      ASSERT_EQ(a.value, b.value) << key;
    }
  }
}

}  // namespace
}  // namespace q32
