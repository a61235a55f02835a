// Every case of the tests/**/*.case tables, one test each.
#include <gtest/gtest.h>

#include <cctype>

#include "support/Cases.h"

namespace {

class Cases : public ::testing::TestWithParam<q32test::Case> {};

TEST_P(Cases, Run) { q32test::RunCase(GetParam()); }

std::string Name(const ::testing::TestParamInfo<q32test::Case>& info) {
  std::string name = info.param.file.substr(6, info.param.file.size() - 11) + "_" + info.param.name;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(, Cases, ::testing::ValuesIn(q32test::LoadCases()), Name);

}  // namespace
