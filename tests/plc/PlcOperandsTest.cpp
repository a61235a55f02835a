#include "plc/PlcOperands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "plc/MemoryFileSystem.h"
#include "plc/PlcFileBuilder.h"

namespace q32 {
namespace {

using q32test::BuiltSymbol;
using q32test::PlcFileBuilder;

PlcSymbolTables Read(PlcFileBuilder& b) {
  q32test::MemoryFileSystem fs;
  fs.files["P.PJ"] = b.Build();
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

int Check(PlcSymbolTables& t, std::string text, OperandResult& r) { return CheckOperand(t, text, r); }

TEST(PlcOperands, DirectOperandsWithoutAFile) {
  PlcSymbolTables t;
  OperandResult r;
  EXPECT_EQ(Check(t, "M100", r), 0);
  EXPECT_EQ(r.type, 'M');
  EXPECT_EQ(r.address, 100u);
  EXPECT_EQ(Check(t, "ib4", r), 0);  // upper-cased first
  EXPECT_EQ(r.type, 'b');
  EXPECT_EQ(r.address, 4u);
  EXPECT_EQ(Check(t, "OD8", r), 0);
  EXPECT_EQ(r.type, 'd' + 0x80);
  EXPECT_EQ(Check(t, "OW2", r), 0);
  EXPECT_EQ(r.type, 'w' + 0x80);
  EXPECT_EQ(Check(t, "K5", r), 0);
  EXPECT_EQ(r.type, 'K');
  EXPECT_EQ(r.address, 5u);
  EXPECT_EQ(Check(t, "I7", r), 0);
  EXPECT_EQ(r.type, 'I');
  EXPECT_EQ(Check(t, "B9", r), 0);
  EXPECT_EQ(r.type, 'B');

  EXPECT_EQ(Check(t, "I4X", r), 3070);
  EXPECT_EQ(Check(t, "M", r), 3070);
  EXPECT_EQ(Check(t, "IB", r), 3070);
  EXPECT_EQ(Check(t, "MB4", r), 3070);   // only inputs and outputs carry a size
  EXPECT_EQ(Check(t, "X100", r), 3070);
  EXPECT_EQ(Check(t, "", r), 3070);
  // A direct operand is no array and has no members.
  EXPECT_EQ(Check(t, "M100[0]", r), 8216);
  EXPECT_EQ(Check(t, "M100.X", r), 8216);
  EXPECT_EQ(Check(t, "NOPE::M100", r), 6510);
}

TEST(PlcOperands, SymbolsArraysAndConstantIndices) {
  PlcSymbolTables t = Program();
  OperandResult r;
  std::string text = "flag";
  EXPECT_EQ(CheckOperand(t, text, r), 0);
  EXPECT_EQ(text, "FLAG");  // the caller's text is upper-cased
  EXPECT_EQ(r.address, 100u);
  EXPECT_EQ(r.type, 'M');

  // Steps of 2 for words, 4 for double words, 1 for the rest; sized I/O too.
  EXPECT_EQ(Check(t, "WORDS[3]", r), 0);
  EXPECT_EQ(r.address, 506u);
  EXPECT_EQ(Check(t, "DOUBLES[2]", r), 0);
  EXPECT_EQ(r.address, 608u);
  EXPECT_EQ(Check(t, "BYTES[7]", r), 0);
  EXPECT_EQ(r.address, 407u);
  EXPECT_EQ(Check(t, "INPUTS[3]", r), 0);
  EXPECT_EQ(r.address, 46u);
  EXPECT_EQ(r.type, 'w');
  EXPECT_EQ(Check(t, "OUTPUTS[1]", r), 0);
  EXPECT_EQ(r.address, 84u);
  EXPECT_EQ(Check(t, "WORDS", r), 0);
  EXPECT_EQ(r.address, 500u);

  // A constant symbol as index, a number with what "%d" accepts.
  EXPECT_EQ(Check(t, "WORDS[KIDX]", r), 0);
  EXPECT_EQ(r.address, 504u);
  EXPECT_EQ(Check(t, "WORDS[ 1]", r), 0);
  EXPECT_EQ(r.address, 502u);

  EXPECT_EQ(Check(t, "WORDS[5]", r), 8216);   // equal to the element count
  EXPECT_EQ(Check(t, "WORDS[-1]", r), 8216);
  EXPECT_EQ(Check(t, "WORDS[FLAG]", r), 8216);  // not a constant
  EXPECT_EQ(Check(t, "WORDS[NOPE]", r), 8216);
  EXPECT_EQ(Check(t, "WORDS[2", r), 8216);
  EXPECT_EQ(Check(t, "FLAG[0]", r), 8216);     // no array
  EXPECT_EQ(Check(t, "WORDS.X", r), 8216);     // no structure

  // Names are cut to 24 characters before the lookup.
  EXPECT_EQ(Check(t, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234", r), 0);
  EXPECT_EQ(r.address, 77u);
}

TEST(PlcOperands, StructureMembers) {
  PlcSymbolTables t = Program();
  OperandResult r;
  EXPECT_EQ(Check(t, "AXES.POS", r), 0);
  EXPECT_EQ(r.type, 'D');
  EXPECT_EQ(r.address, 2000u);
  EXPECT_EQ(Check(t, "AXES.FLAGS", r), 0);
  EXPECT_EQ(r.type, 'D');  // M members are reported as D
  EXPECT_EQ(r.address, 2004u);
  // value + 4 x j + structure size x i + member offset
  EXPECT_EQ(Check(t, "AXES[2].LIMITS[1]", r), 0);
  EXPECT_EQ(r.type, 'W');
  EXPECT_EQ(r.address, 2000u + 4 + 40 + 8);
  EXPECT_EQ(Check(t, "axes[kidx].limits[kidx]", r), 0);
  EXPECT_EQ(r.address, 2000u + 8 + 40 + 8);

  EXPECT_EQ(Check(t, "AXES", r), 8216);            // a structure needs a member
  EXPECT_EQ(Check(t, "AXES.LIMITS[3]", r), 8216);  // j below the member's count
  EXPECT_EQ(Check(t, "AXES.LIMITS[X", r), 8216);
  EXPECT_EQ(Check(t, "AXES.LIMITS[FLAG]", r), 8216);
  EXPECT_EQ(Check(t, "AXES.SPEED", r), 3070);
  EXPECT_EQ(Check(t, "BROKEN.POS", r), 3070);      // its structure type is unknown
}

TEST(PlcOperands, ModulesAndAmbiguity) {
  PlcSymbolTables t = Program();
  OperandResult r;
  // Global FLAG before the local one of MOD1.
  EXPECT_EQ(Check(t, "FLAG", r), 0);
  EXPECT_EQ(r.address, 100u);
  EXPECT_EQ(Check(t, "mod1::flag", r), 0);
  EXPECT_EQ(r.address, 101u);
  EXPECT_EQ(t.currentModule, 1);
  // The current module stays for later lookups, until the next check.
  PlcSymbol found;
  ASSERT_EQ(LookUpSymbol(t, "FLAG", &found), SymbolLookup::Found);
  EXPECT_EQ(found.value, 101u);
  EXPECT_EQ(Check(t, "MOD2::FLAG", r), 0);
  EXPECT_EQ(r.address, 100u);  // MOD2 has no local FLAG: the global one
  EXPECT_EQ(Check(t, "M1", r), 0);
  EXPECT_EQ(t.currentModule, -1);

  // Local TWICE before the global one: ambiguous with and without module.
  EXPECT_EQ(Check(t, "MOD1::TWICE", r), 6509);
  EXPECT_EQ(Check(t, "TWICE", r), 6509);
  EXPECT_EQ(Check(t, "MOD2::TWICE", r), 0);  // MOD1's local does not count
  EXPECT_EQ(r.address, 400u);

  // Two locals of different modules.
  EXPECT_EQ(Check(t, "PAIR", r), 6509);
  EXPECT_EQ(Check(t, "MOD1::PAIR", r), 0);
  EXPECT_EQ(r.address, 301u);
  EXPECT_EQ(Check(t, "MOD2::PAIR", r), 0);
  EXPECT_EQ(r.address, 302u);

  // A lone local is found without a module, but not from another module.
  EXPECT_EQ(Check(t, "ONLYLOCAL", r), 0);
  EXPECT_EQ(r.address, 222u);
  EXPECT_EQ(Check(t, "MOD1::ONLYLOCAL", r), 3070);

  EXPECT_EQ(Check(t, "MOD3::FLAG", r), 6510);
  EXPECT_EQ(Check(t, "::FLAG", r), 6510);
}

TEST(PlcOperands, RewriteForPostProcessing) {
  PlcSymbolTables t = Program();
  std::string token = "ENABLE:flag";
  EXPECT_EQ(RewriteOperandToken(t, token, false), 0);
  EXPECT_EQ(token, "ENABLE:flag");  // checked, not changed
  EXPECT_EQ(RewriteOperandToken(t, token, true), 0);
  EXPECT_EQ(token, "ENABLE:M100");

  std::string member = "status:AXES[1].FLAGS";
  EXPECT_EQ(RewriteOperandToken(t, member, true), 0);
  EXPECT_EQ(member, "status:D2024");
  std::string input = "HIDE:INPUTS[1]";
  EXPECT_EQ(RewriteOperandToken(t, input, true), 0);
  EXPECT_EQ(input, "HIDE:IW42");
  std::string output = "HIDE:OUTPUTS";
  EXPECT_EQ(RewriteOperandToken(t, output, true), 0);
  EXPECT_EQ(output, "HIDE:OD80");
  std::string constant = "ENABLE:KIDX";
  EXPECT_EQ(RewriteOperandToken(t, constant, true), 0);
  EXPECT_EQ(constant, "ENABLE:K2");
  std::string direct = "ENABLE:ib3";
  EXPECT_EQ(RewriteOperandToken(t, direct, true), 0);
  EXPECT_EQ(direct, "ENABLE:IB3");

  std::string empty;
  EXPECT_EQ(RewriteOperandToken(t, empty, true), 0);
  EXPECT_TRUE(empty.empty());
  std::string noColon = "ENABLE";
  EXPECT_EQ(RewriteOperandToken(t, noColon, true), 8204);
  std::string bad = "ENABLE:WORDS[9]";
  EXPECT_EQ(RewriteOperandToken(t, bad, true), 8216);
  EXPECT_EQ(bad, "ENABLE:WORDS[9]");
  // Only 80 characters of the operand are looked at.
  std::string longOne = "ENABLE:M" + std::string(79, '1') + "X";
  EXPECT_EQ(RewriteOperandToken(t, longOne, false), 0);

  EXPECT_EQ(OperandPrefix('b'), "IB");
  EXPECT_EQ(OperandPrefix('w' + 0x80), "OW");
  EXPECT_EQ(OperandPrefix('T'), "T");
}

TEST(PlcOperands, VisibilitySwitch) {
  PlcSymbolTables t = Program();
  {
    SymbolVisibilityScope hide(t, false);
    EXPECT_EQ(LookUpSymbol(t, "FLAG"), SymbolLookup::NotFound);
    OperandResult r;
    EXPECT_EQ(Check(t, "TWICE", r), 3070);  // not even ambiguous while hidden
  }
  EXPECT_EQ(LookUpSymbol(t, "FLAG"), SymbolLookup::Found);
  {
    SymbolVisibilityScope keep(t, true);
    EXPECT_EQ(LookUpSymbol(t, "FLAG"), SymbolLookup::Found);
  }
  SetSymbolsVisible(t, false);
  EXPECT_EQ(LookUpSymbol(t, "FLAG"), SymbolLookup::NotFound);
  SetSymbolsVisible(t, true);
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

TEST(PlcOperands, LookupSpeedOverTwoHundredThousandSymbols) {
  PlcFileBuilder b;
  const std::size_t count = 200000;
  for (std::size_t i = 0; i < count; ++i) {
    char name[24];
    std::snprintf(name, sizeof name, "SYMBOL_%07zu", i * 2);
    b.symbols.push_back(Sym(name, 'W', static_cast<std::uint32_t>(i), 10));
  }
  PlcSymbolTables t = Read(b);
  ASSERT_EQ(t.symbols.size(), count);
  ASSERT_TRUE(t.sorted);

  std::mt19937 random(1);
  auto start = std::chrono::steady_clock::now();
  std::size_t found = 0;
  for (int q = 0; q < 100000; ++q) {
    char text[32];
    std::snprintf(text, sizeof text, "symbol_%07u[3]", static_cast<unsigned>(random() % (count * 2)));
    std::string operand = text;
    OperandResult r;
    if (CheckOperand(t, operand, r) == 0) ++found;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(found, 40000u);
  EXPECT_LT(found, 60000u);
  // A scan from the head would take minutes here.
  EXPECT_LT(seconds, 5.0);
  std::printf("100000 operand checks over %zu symbols: %.3f s\n", count, seconds);
}

}  // namespace
}  // namespace q32
