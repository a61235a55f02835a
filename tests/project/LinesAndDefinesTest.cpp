// The line reader and the splitters shared by project files, catalogues, BMX
// projects and language files: the limits of physical, continued and logical
// lines, token limits and escapes, which whole projects reach only with
// lines hundreds of characters long.  The define-list parser behind -a lists
// and DEFINE lines: value forms, malformed numbers, separators and
// duplicates, shown as the whole list it leaves (how defines decide sections
// is in tests/project/sections.case).
#include <gtest/gtest.h>

#include "platform/MemoryFileSystem.h"
#include "project/Defines.h"
#include "project/ProjectLines.h"
#include "run/DefineList.h"
#include "text/Tokenizer.h"

namespace q32 {
namespace {

using Lines = std::vector<std::string>;
enum Splitter { kPlain, kEscapes, kCondition };

TEST(Tokenizer, SplitTokensAndConditionTokens) {
  const struct {
    std::string line;
    Splitter splitter;
    std::size_t maximum;
    bool tooMany;
    Lines tokens;
  } cases[] = {
      {"a \"open ended\n", kPlain, 100, false, {"a", "open ended"}},  // the line end closes the quote
      {"abc\"d e\"f", kPlain, 100, false, {"abc", "d e", "f"}},        // a quote behind a token starts one
      // Escapes count only inside quotes and only when asked for.
      {R"("a\"b" "c\\d" "g\\" "e\nf" x\"y)", kEscapes, 100, false, {"a\"b", "c\\d", "g\\", "e\\nf", "x\\", "y"}},
      {R"('it\'s' 'q\"' "x\")", kEscapes, 100, false, {"it's", "q\\\"", "x\""}},
      {"a b c", kPlain, 3, false, {"a", "b", "c"}},
      {"a b c d e", kPlain, 3, true, {"a", "b", "c"}},
      // Condition tokens keep quotes, commas and equals signs; a comment ends them.
      {"#IF A=\"x, y\" AND 'b',c\n", kCondition, 100, false, {"#IF", "A=\"x, y\"", "AND", "'b',c"}},
      {"\"a b;c\"def g ; h", kCondition, 100, false, {"\"a b;c\"def", "g"}},
      {"a b c d", kCondition, 3, true, {"a", "b", "c"}},
  };
  for (const auto& c : cases) {
    Lines tokens;
    const Split split = c.splitter == kCondition ? SplitConditionTokens(c.line, tokens, c.maximum)
                                                 : SplitTokens(c.line, tokens, c.maximum, c.splitter == kEscapes);
    EXPECT_EQ(split == Split::TooManyTokens, c.tooMany) << c.line;
    EXPECT_EQ(tokens, c.tokens) << c.line;
  }
}

TEST(Tokenizer, LogicalLinesContinuationsAndLimits) {
  const std::string x(kMaxPhysicalLine, 'x'), n(kMaxPhysicalLine + 1, 'n'), p(197, 'p');
  const std::string piece = p + " \\\n", joined = p + " ";
  const struct {
    std::string bytes;
    Lines lines;
    std::vector<int> counters;  // the line counter after each logical line
  } cases[] = {
      {"first\r\nsecond\n\r\nlast", {"first\n", "second\n", "\n", "last"}, {1, 2, 3, 4}},
      {"", {}, {}},
      // A blank or tab and "\" continue the line, even into a comment; directly
      // behind a token the backslash is part of it.  Reports name the last line.
      {"BMP a.bmp \\\r\n  OK\r\nBMP b.bmp\t\\\r\n; comment\r\nBMP c.bmp\\\r\nnext\r\na \\\r\nb \\\r\nc\r\n",
       {"BMP a.bmp   OK\n", "BMP b.bmp\t; comment\n", "BMP c.bmp\\\n", "next\n", "a b c\n"},
       {2, 4, 5, 6, 9}},
      // The shortest continued line holds three characters with its line feed.
      {" \\\nx\n\\\ny\n", {" x\n", "\\\n", "y\n"}, {2, 3, 4}},
      {"a \\", {"a "}, {1}},  // the end of the file ends a continuation
      // Physical lines longer than the buffer arrive in pieces.
      {x + x + "xx\nshort\n", {x, x, "xx\n", "short\n"}, {1, 2, 3, 4}},
      // A continuation line is read with one character more than a first line.
      {"a \\\n" + n + "\nrest\n", {"a " + n, "\n", "rest\n"}, {2, 3, 4}},
      // Once the joined line holds more than the limit, its " \" stays.
      {piece + piece + piece + piece + piece + piece + "end\n",
       {joined + joined + joined + piece, joined + joined + "end\n"}, {4, 7}},
  };
  for (const auto& c : cases) {
    for (FileMode mode : {FileMode::ReadText, FileMode::ReadBinary}) {
      MemoryFileSystem fs;
      fs.AddFile("/p.spm", c.bytes);
      std::unique_ptr<File> file = fs.Open("/p.spm", mode);
      Lines lines;
      std::vector<int> counters;
      std::string line;
      int counter = 0;
      while (ReadLogicalLine(*file, line, counter)) lines.push_back(line), counters.push_back(counter);
      EXPECT_EQ(lines, c.lines) << c.bytes;
      EXPECT_EQ(counters, c.counters) << c.bytes;
    }
  }
}

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
