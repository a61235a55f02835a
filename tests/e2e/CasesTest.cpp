// Every case of the tests/**/*.case tables, one test each.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>

#include "support/Cases.h"

namespace {

class Cases : public ::testing::TestWithParam<q32test::Case> {};

TEST_P(Cases, Run) {
  ASSERT_FALSE(GetParam().file.empty()) << "no case table holds a case named " << GetParam().name
                                        << " (renamed or removed: build again so that ctest lists the cases anew)";
  q32test::RunCase(GetParam());
}

std::string Name(const q32test::Case& c) {
  if (c.file.empty()) return c.name;
  std::string name = c.file.substr(6, c.file.size() - 11) + "_" + c.name;
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

// ctest runs each case by its name as the build listed it; a name asked for
// that no table holds any more gets a case of its own that fails, rather than
// a run that selects nothing and passes.
std::vector<q32test::Case> Listed() {
  std::vector<q32test::Case> cases = q32test::LoadCases();
  std::set<std::string> names;
  for (const q32test::Case& c : cases) names.insert(Name(c));
  const std::string filter = GTEST_FLAG_GET(filter);
  std::stringstream wanted(filter.substr(0, filter.find('-')));
  for (std::string p; std::getline(wanted, p, ':');)
    if (p.rfind("Cases.Run/", 0) == 0 && p.find_first_of("*?") == std::string::npos && !names.count(p.substr(10)))
      cases.push_back({"", p.substr(10), {}});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(, Cases, ::testing::ValuesIn(Listed()),
                         [](const ::testing::TestParamInfo<q32test::Case>& info) { return Name(info.param); });

}  // namespace
