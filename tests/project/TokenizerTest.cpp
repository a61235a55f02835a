// The line reader and the splitters shared by project files, catalogues, BMX
// projects and language files: the limits of physical, continued and logical
// lines, token limits and escapes, which whole projects reach only with
// lines hundreds of characters long.
#include "project/ProjectLines.h"
#include "text/Tokenizer.h"

#include <gtest/gtest.h>

#include "support/MemoryFileSystem.h"

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
      q32test::MemoryFileSystem fs;
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

}  // namespace
}  // namespace q32
