// Symbol lookup over lists that are not in the tools' order: the lookup
// must walk as the skip index leads (block starts every 50 records), which
// the cases cannot set up in numbers.  A reference walk, written out step by
// step, gives the expected answers over random lists with runs of equal
// names across block boundaries, locals of several modules and every
// current module.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "plc/PlcOperands.h"

namespace q32 {
namespace {

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

TEST(SymbolLookup, SortedAndUnsortedListsAnswerAsTheSkipWalk) {
  std::mt19937 random(7);
  auto name = [&](std::size_t range) {
    char text[16];
    std::snprintf(text, sizeof text, "S%03u", static_cast<unsigned>(random() % range));
    return std::string(text);
  };
  for (int round = 0; round < 40; ++round) {
    PlcSymbolTables t;
    std::size_t n = 1 + random() % 400;
    for (std::size_t i = 0; i < n; ++i) {
      PlcSymbol s;
      s.name = name(n / 3 + 2);
      s.type = 'M';
      s.value = static_cast<std::uint32_t>(i);
      s.local = random() % 4 == 0;
      s.module = s.local ? static_cast<std::int32_t>(random() % 3) : 0;
      t.symbols.push_back(s);
    }
    if (round % 2 == 0)
      std::stable_sort(t.symbols.begin(), t.symbols.end(), [](auto& x, auto& y) { return x.name < y.name; });
    IndexPlcSymbols(t);
    for (int q = 0; q < 200; ++q) {
      t.currentModule = static_cast<std::int32_t>(random() % 4) - 1;
      std::string key = name(n / 3 + 4);
      std::uint32_t expected = 0;
      PlcSymbol found;
      SymbolLookup want = SkipWalk(t, key, &expected);
      ASSERT_EQ(LookUpSymbol(t, key, &found), want) << key << " round " << round;
      if (want == SymbolLookup::Found) {
        ASSERT_EQ(found.value, expected) << key;
      }
    }
  }
}

}  // namespace
}  // namespace q32
