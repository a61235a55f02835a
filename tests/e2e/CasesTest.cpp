// Every case of the tests/**/*.case tables, one test each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "support/Cases.h"

namespace {

class Cases : public ::testing::TestWithParam<q32test::Case> {};

TEST_P(Cases, Run) {
  ASSERT_FALSE(GetParam().file.empty()) << "no table holds the case " << GetParam().name << " (build again to list them anew)";
  q32test::RunCase(GetParam());
}

std::string Name(const q32test::Case& c) {
  if (c.file.empty()) return c.name;
  std::string name = c.file.substr(6, c.file.size() - 11) + "_" + c.name;
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

// ctest runs each case by the name the build listed; a name that no table
// holds any more gets a case of its own that fails, rather than a run that
// selects nothing and passes.
std::vector<q32test::Case> Listed() {
  std::vector<q32test::Case> cases = q32test::LoadCases();
  const std::string wanted = GTEST_FLAG_GET(filter);
  if (wanted.rfind("Cases.Run/", 0) == 0 && wanted.find_first_of(":-*?") == std::string::npos &&
      std::none_of(cases.begin(), cases.end(), [&](const q32test::Case& c) { return "Cases.Run/" + Name(c) == wanted; }))
    cases.push_back({"", wanted.substr(10), {}});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(, Cases, ::testing::ValuesIn(Listed()),
                         [](const ::testing::TestParamInfo<q32test::Case>& info) { return Name(info.param); });

}  // namespace
