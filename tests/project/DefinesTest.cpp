// The define-list parser behind -a lists and DEFINE lines: value forms,
// malformed numbers, separators and duplicates, shown as the whole list it
// leaves.  How defines decide sections is in tests/project/sections.case.
#include "project/Defines.h"

#include <gtest/gtest.h>

#include "run/DefineList.h"

namespace q32 {
namespace {

// The list in its order: NAME (no value), NAME=number or NAME="text".
std::string Listed(const DefineList& list) {
  std::string out;
  for (const DefineEntry& e : list.Entries()) {
    out += (out.empty() ? "" : " ") + e.name;
    if (e.isString) out += "=\"" + e.valueText + "\"";
    else if (e.hasValue) out += "=" + std::to_string(e.value);
  }
  return out;
}

TEST(ParseDefines, ValueFormsSeparatorsAndDuplicates) {
  const struct {
    const char* before;  // parsed first, as a configuration file line
    const char* list;
    bool replace;  // as the command line does
    int code;
    const char* listed;
  } cases[] = {
      {"", "hex=$1F, lowhex=$1f, bin=%101, ref=%PATH%, quoted=\"ab c\", num=12abc, neg=-7, plus=+3, bare, ZERO=0",
       false, 0, "BARE BIN=5 HEX=31 LOWHEX=31 NEG=-7 NUM=12 PLUS=3 QUOTED=\"ab c\" REF=\"%PATH%\" ZERO=0"},
      // Numbers stop at the 32-bit limits; $ and % numbers wrap as registers do.
      {"", "BIG=99999999999, SMALL=-99999999999, WRAP=$1FFFFFFFF, B=%100000000000000000000000000000001, M=-2147483648",
       false, 0, "B=1 BIG=2147483647 M=-2147483648 SMALL=-2147483648 WRAP=-1"},
      {"", "A=abc", false, -1049, "A=\"abc\""},
      {"", "Q=\"open end", false, 0, "Q=\"open end\""},
      {"", "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234=\"abcdefghijklmnopqrstuvwxyz\"", false, 0,
       "ABCDEFGHIJKLMNOPQRSTUVWX=\"abcdefghijklmnopqrstuvwx\""},
      // A malformed number ends the list, and outranks a string without quotes.
      {"", "X=1, Y=%12, Z=3", false, 3080, "X=1"},
      {"", "P=$", false, 3080, ""},
      {"", "P=$1W", false, 3080, ""},
      {"", "P=%2", false, 3080, ""},
      {"", "S=abc, T=%9", false, 3080, "S=\"abc\""},
      // Definitions after a missing comma or a comment are not read.
      {"", "A=1 B=2", false, 0, "A=1"},
      {"", "C=1;D=2", false, 0, "C=1"},
      {"", " = E , F ,,G", false, 0, "E F G"},
      {"", "J = = 4 , K\t=\t5", false, 0, "J=4 K=5"},
      // The first definition stays in force; the command line's goes first.
      // A name defined twice outranks the other results.
      {"X=2", "X=3", false, -1047, "X=2 X=3"},
      {"X=2", "X=1,Y", true, -1047, "X=1 X=2 Y"},
      {"X=2", "X=5, S=abc", false, -1047, "S=\"abc\" X=2 X=5"},
  };
  for (const auto& c : cases) {
    DefineList list;
    (void)ParseDefines(list, c.before, false);
    EXPECT_EQ(Number(ParseDefines(list, c.list, c.replace)), c.code) << c.list;
    EXPECT_EQ(Listed(list), c.listed) << c.list;
  }
}

}  // namespace
}  // namespace q32
