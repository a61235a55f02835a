#include "plc/PlcOperands.h"

#include <gtest/gtest.h>

#include <random>

#include "support/MemoryFileSystem.h"
#include "support/PlcFileBuilder.h"

namespace q32 {
namespace {

using q32test::BuiltSymbol;
using q32test::PlcFileBuilder;

PlcSymbolTables Read(PlcFileBuilder& b) {
  q32test::MemoryFileSystem fs;
  fs.AddFile("P.PJ", b.Build());
  PlcSymbolTables t;
  EXPECT_EQ(ReadPlcProjectFile(fs, "P.PJ", t), 0);
  return t;
}

BuiltSymbol Sym(std::string name, char type, std::uint32_t value, std::uint32_t count = 0) {
  BuiltSymbol s;
  s.name = std::move(name);
  s.type = type;
  s.value = value;
  s.count = count;
  return s;
}

BuiltSymbol Local(std::string name, std::int32_t module, std::uint32_t value) {
  BuiltSymbol s = Sym(std::move(name), 'M', value);
  s.module = module;
  s.local = true;
  return s;
}

// A program with two modules, arrays of every size, a structure and
// constants; the symbol list in the tools' byte order.
PlcSymbolTables Program() {
  PlcFileBuilder b;
  b.modules = {{1, "MOD1"}, {2, "Mod2"}};
  b.structures = {{"AXIS", 20, {{"POS", 'D', 0, 0}, {"FLAGS", 'M', 4, 0}, {"LIMITS", 'W', 8, 3}}, true}};
  BuiltSymbol axis = Sym("AXES", 's', 2000, 4);
  axis.structure = "AXIS";
  BuiltSymbol lost = Sym("BROKEN", 's', 3000);
  lost.structure = "NOSUCH";
  b.symbols = {
      Sym("ABCDEFGHIJKLMNOPQRSTUVWX", 'M', 77),  // 24 characters
      axis,
      lost,
      Sym("BYTES", 'B', 400, 8),
      Sym("DOUBLES", 'D', 600, 5),
      Sym("FLAG", 'M', 100),
      Local("FLAG", 1, 101),
      Sym("INPUTS", 'w', 40, 4),
      Sym("KIDX", 'K', 2),
      Local("ONLYLOCAL", 2, 222),
      Sym("OUTPUTS", 'd' + 0x80, 80, 4),
      Local("PAIR", 1, 301),
      Local("PAIR", 2, 302),
      Local("TWICE", 1, 401),
      Sym("TWICE", 'M', 400),
      Sym("WORDS", 'W', 500, 5),
  };
  PlcSymbolTables t = Read(b);
  EXPECT_TRUE(t.sorted);
  return t;
}

// One operand check: the text, its code, and on success the type and
// address found (type 0: not compared).
struct OperandCase {
  const char* text;
  int code;
  int type = 0;
  std::uint32_t address = 0;
};

void ExpectOperands(PlcSymbolTables& t, std::initializer_list<OperandCase> cases) {
  for (const OperandCase& c : cases) {
    std::string text = c.text;
    OperandResult r;
    EXPECT_EQ(CheckOperand(t, text, r), c.code) << c.text;
    if (c.code != 0) continue;
    if (c.type) {
      EXPECT_EQ(r.type, c.type) << c.text;
    }
    EXPECT_EQ(r.address, c.address) << c.text;
  }
}

TEST(PlcOperands, DirectOperandsWithoutAFile) {
  PlcSymbolTables t;
  ExpectOperands(t, {
      {"M100", 0, 'M', 100},
      {"ib4", 0, 'b', 4},  // upper-cased first
      {"OD8", 0, 'd' + 0x80, 8},
      {"OW2", 0, 'w' + 0x80, 2},
      {"K5", 0, 'K', 5},
      {"I4X", 3070},
      {"IB", 3070},
      {"MB4", 3070},  // only inputs and outputs carry a size
      {"X100", 3070},
      {"", 3070},
      {"M100[0]", 8216},  // a direct operand is no array ...
      {"M100.X", 8216},   // ... and has no members
      {"NOPE::M100", 6510},
  });
}

TEST(PlcOperands, SymbolsArraysStructuresAndConstantIndices) {
  PlcSymbolTables t = Program();
  std::string text = "flag";
  OperandResult r;
  EXPECT_EQ(CheckOperand(t, text, r), 0);
  EXPECT_EQ(text, "FLAG");  // the caller's text is upper-cased
  ExpectOperands(t, {
      // Steps of 2 for words, 4 for double words, 1 for the rest; sized I/O too.
      {"WORDS[3]", 0, 'W', 506},
      {"DOUBLES[2]", 0, 'D', 608},
      {"BYTES[7]", 0, 'B', 407},
      {"INPUTS[3]", 0, 'w', 46},
      {"OUTPUTS[1]", 0, 0, 84},
      {"WORDS[KIDX]", 0, 0, 504},  // a constant symbol as index
      {"WORDS[ 1]", 0, 0, 502},    // a number with what "%d" accepts
      {"WORDS[5]", 8216},          // equal to the element count
      {"WORDS[-1]", 8216},
      {"WORDS[FLAG]", 8216},  // not a constant
      {"WORDS[NOPE]", 8216},
      {"WORDS[2", 8216},
      {"FLAG[0]", 8216},  // no array
      {"WORDS.X", 8216},  // no structure
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ1234", 0, 'M', 77},  // cut to 24 characters
      // Members: value + 4 x j + structure size x i + member offset.
      {"AXES.POS", 0, 'D', 2000},
      {"AXES.FLAGS", 0, 'D', 2004},  // M members are reported as D
      {"AXES[2].LIMITS[1]", 0, 'W', 2000 + 4 + 40 + 8},
      {"axes[kidx].limits[kidx]", 0, 'W', 2000 + 8 + 40 + 8},
      {"AXES", 8216},            // a structure needs a member
      {"AXES.LIMITS[3]", 8216},  // j below the member's count
      {"AXES.LIMITS[X", 8216},
      {"AXES.LIMITS[FLAG]", 8216},
      {"AXES.SPEED", 3070},
      {"BROKEN.POS", 3070},  // its structure type is unknown
  });
}

TEST(PlcOperands, ModulesAndAmbiguity) {
  PlcSymbolTables t = Program();
  // Global FLAG before the local one of MOD1.
  ExpectOperands(t, {{"FLAG", 0, 'M', 100}, {"mod1::flag", 0, 'M', 101}});
  EXPECT_EQ(t.currentModule, 1);
  // The current module stays for later lookups, until the next check.
  PlcSymbol found;
  ASSERT_EQ(LookUpSymbol(t, "FLAG", &found), SymbolLookup::Found);
  EXPECT_EQ(found.value, 101u);
  ExpectOperands(t, {{"M1", 0, 'M', 1}});
  EXPECT_EQ(t.currentModule, -1);
  ExpectOperands(t, {
      {"MOD2::FLAG", 0, 'M', 100},  // MOD2 has no local FLAG: the global one
      // Local TWICE before the global one: ambiguous with and without module.
      {"MOD1::TWICE", 6509},
      {"TWICE", 6509},
      {"MOD2::TWICE", 0, 'M', 400},  // MOD1's local does not count
      {"PAIR", 6509},                // two locals of different modules
      {"MOD1::PAIR", 0, 'M', 301},
      {"MOD2::PAIR", 0, 'M', 302},
      // A lone local is found without a module, but not from another module.
      {"ONLYLOCAL", 0, 'M', 222},
      {"MOD1::ONLYLOCAL", 3070},
      {"MOD3::FLAG", 6510},
      {"::FLAG", 6510},
  });
}

TEST(PlcOperands, RewriteForPostProcessing) {
  PlcSymbolTables t = Program();
  std::string token = "ENABLE:flag";
  EXPECT_EQ(RewriteOperandToken(t, token, false), 0);
  EXPECT_EQ(token, "ENABLE:flag");  // checked, not changed
  const struct {
    const char* in;
    int code;
    const char* out;
  } cases[] = {
      {"ENABLE:flag", 0, "ENABLE:M100"},
      {"status:AXES[1].FLAGS", 0, "status:D2024"},
      {"HIDE:INPUTS[1]", 0, "HIDE:IW42"},
      {"HIDE:OUTPUTS", 0, "HIDE:OD80"},
      {"ENABLE:KIDX", 0, "ENABLE:K2"},
      {"ENABLE:ib3", 0, "ENABLE:IB3"},
      {"", 0, ""},
      {"ENABLE", 8204, "ENABLE"},
      {"ENABLE:WORDS[9]", 8216, "ENABLE:WORDS[9]"},
  };
  for (const auto& c : cases) {
    std::string text = c.in;
    EXPECT_EQ(RewriteOperandToken(t, text, true), c.code) << c.in;
    EXPECT_EQ(text, c.out);
  }
  // Only 80 characters of the operand are looked at.
  std::string longOne = "ENABLE:M" + std::string(79, '1') + "X";
  EXPECT_EQ(RewriteOperandToken(t, longOne, false), 0);
}

TEST(PlcOperands, VisibilitySwitch) {
  PlcSymbolTables t = Program();
  {
    SymbolVisibilityScope hide(t, false);
    EXPECT_EQ(LookUpSymbol(t, "FLAG"), SymbolLookup::NotFound);
    ExpectOperands(t, {{"TWICE", 3070}});  // not even ambiguous while hidden
  }
  EXPECT_EQ(LookUpSymbol(t, "FLAG"), SymbolLookup::Found);
}

// The lookup as the skip index leads it, written out step by step: the
// answers of the real lookup must be the same on sorted and unsorted lists.
SymbolLookup SkipWalk(const PlcSymbolTables& t, std::string key, std::uint32_t* value) {
  key = key.substr(0, 24);
  const auto& list = t.symbols;
  if (list.empty()) return SymbolLookup::NotFound;
  std::vector<std::size_t> starts = {0};
  for (std::size_t s = 50; s < list.size() && starts.size() < 100; s += 50) starts.push_back(s);
  std::size_t from = 0;
  if (list[0].name < key) {
    std::size_t k = 1;
    while (k < starts.size() && list[starts[k]].name < key) ++k;
    from = starts[k - 1];
  }
  while (from < list.size() && list[from].name < key) ++from;
  const PlcSymbol *global = nullptr, *local = nullptr;
  for (; from < list.size() && list[from].name == key; ++from) {
    const PlcSymbol& s = list[from];
    if (!s.local) {
      if (global || local) return SymbolLookup::Ambiguous;
      global = &s;
    } else if (t.currentModule == -1 || t.currentModule == s.module) {
      if (local) return SymbolLookup::Ambiguous;
      local = &s;
    }
  }
  const PlcSymbol* r = t.currentModule == -1 ? (global ? global : local) : (local ? local : global);
  if (!r) return SymbolLookup::NotFound;
  *value = r->value;
  return SymbolLookup::Found;
}

TEST(PlcOperands, LookupsPastTheSkipBlocksMatchTheSkipWalk) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    PlcFileBuilder b;
    std::size_t n = 1 + random() % 400;
    for (std::size_t i = 0; i < n; ++i) {
      // Few distinct names, so runs of equal names cross block boundaries.
      char name[16];
      std::snprintf(name, sizeof name, "S%03u", static_cast<unsigned>(random() % (n / 3 + 2)));
      BuiltSymbol s = Sym(name, 'M', static_cast<std::uint32_t>(i));
      if (random() % 4 == 0) {
        s.local = true;
        s.module = static_cast<std::int32_t>(random() % 3);
      }
      b.symbols.push_back(s);
    }
    if (round % 2 == 0)
      std::sort(b.symbols.begin(), b.symbols.end(),
                [](const BuiltSymbol& x, const BuiltSymbol& y) { return x.name < y.name; });
    PlcSymbolTables t = Read(b);
    ASSERT_EQ(t.sorted, round % 2 == 0 || std::is_sorted(b.symbols.begin(), b.symbols.end(),
                                                          [](auto& x, auto& y) { return x.name < y.name; }));
    for (int q = 0; q < 200; ++q) {
      t.currentModule = static_cast<std::int32_t>(random() % 4) - 1;
      char name[16];
      std::snprintf(name, sizeof name, "S%03u", static_cast<unsigned>(random() % (n / 3 + 4)));
      std::uint32_t expected = 0;
      PlcSymbol found;
      SymbolLookup want = SkipWalk(t, name, &expected);
      SymbolLookup got = LookUpSymbol(t, name, &found);
      ASSERT_EQ(got, want) << name << " round " << round;
      if (got == SymbolLookup::Found) {
        ASSERT_EQ(found.value, expected) << name;
      }
    }
  }
}

}  // namespace
}  // namespace q32
