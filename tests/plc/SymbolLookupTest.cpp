// Symbol lookup: a list in the tools' order is searched by halving, any other
// list is walked as the control's skip index leads (block starts every 50
// records; pjfile.case shows a list out of order).  On lists in order both
// must give the same answers: random lists with runs of equal names across
// block boundaries, locals of several modules, every current module.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "plc/PlcOperands.h"

namespace q32 {
namespace {

TEST(SymbolLookup, HalvingAnswersAsTheSkipWalk) {
  std::mt19937 random(7);
  auto name = [&](std::size_t range) { return "S" + std::to_string(1000 + random() % range); };
  for (int round = 0; round < 40; ++round) {
    PlcSymbolTables halved;
    const std::size_t n = 1 + random() % 400;
    for (std::size_t i = 0; i < n; ++i) {
      PlcSymbol s;
      s.name = name(n / 3 + 2);
      s.value = static_cast<std::uint32_t>(i);
      s.local = random() % 4 == 0;
      s.module = s.local ? static_cast<std::int32_t>(random() % 3) : 0;
      halved.symbols.push_back(s);
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
