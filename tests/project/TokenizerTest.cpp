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

TEST(Tokenizer, SplitTokens) {
  const struct {
    std::string line;
    bool escapes;
    std::size_t maximum;
    int code;
    Lines tokens;
  } cases[] = {
      {"BMP, a.bmp = OK\n", false, 100, 0, {"BMP", "a.bmp", "OK"}},
      {"\t a=b,,c  ; comment \"x y\" d\n", false, 100, 0, {"a", "b", "c"}},
      {"a\r\n", false, 100, 0, {"a\r"}},  // the line reader removes a CR, not the splitter
      {"TEXT \"a, b; c=d\" 'it''s' x\n", false, 100, 0, {"TEXT", "a, b; c=d", "it", "s", "x"}},
      {"\"\" x ''", false, 100, 0, {"", "x", ""}},
      {"'say \"hi\"' \"it's\"", false, 100, 0, {"say \"hi\"", "it's"}},
      {"a \"open ended\n", false, 100, 0, {"a", "open ended"}},  // the line end closes the quote
      {"abc\"d e\"f", false, 100, 0, {"abc", "d e", "f"}},        // a quote behind a token starts one
      // Escapes count only inside quotes and only when asked for.
      {R"("a\"b" "c\\d" "e\nf" x\"y)", true, 100, 0, {"a\"b", "c\\d", "e\\nf", "x\\", "y"}},
      {R"('it\'s' 'q\"')", true, 100, 0, {"it's", "q\\\""}},
      {R"("c\\d" "x\")", false, 100, 0, {"c\\\\d", "x\\"}},
      {"\"a\\", true, 100, 0, {"a\\"}},  // a backslash at the very end stays
      {"a b c", false, 3, 0, {"a", "b", "c"}},
      {"a b c d e", false, 3, 2, {"a", "b", "c"}},
      {"a b c \"d\"", false, 3, 2, {"a", "b", "c"}},
      {"a b c ; d e", false, 3, 0, {"a", "b", "c"}},
  };
  for (const auto& c : cases) {
    Lines tokens;
    EXPECT_EQ(SplitTokens(c.line, tokens, c.maximum, c.escapes) == Split::TooManyTokens, c.code == 2) << c.line;
    EXPECT_EQ(tokens, c.tokens) << c.line;
  }
}

TEST(Tokenizer, SplitConditionTokensKeepsQuotesCommasAndEquals) {
  const struct {
    std::string line;
    std::size_t maximum;
    int code;
    Lines tokens;
  } cases[] = {
      {"#IF A=\"x, y\" AND 'b',c\n", 100, 0, {"#IF", "A=\"x, y\"", "AND", "'b',c"}},
      {"\"a b;c\"def g", 100, 0, {"\"a b;c\"def", "g"}},
      {"  X  ; comment", 100, 0, {"X"}},
      {"\t\n", 100, 0, {}},
      {"\"unclosed part\nnext", 100, 0, {"\"unclosed part"}},
      {"a b c d", 3, 2, {"a", "b", "c"}},
  };
  for (const auto& c : cases) {
    Lines tokens;
    EXPECT_EQ(SplitConditionTokens(c.line, tokens, c.maximum) == Split::TooManyTokens, c.code == 2) << c.line;
    EXPECT_EQ(tokens, c.tokens) << c.line;
  }
}

// Every logical line of a file and the line counter after each.
std::pair<Lines, std::vector<int>> ReadAll(const std::string& bytes, FileMode mode) {
  q32test::MemoryFileSystem fs;
  fs.AddFile("/p.spm", bytes);
  std::unique_ptr<File> file = fs.Open("/p.spm", mode);
  std::pair<Lines, std::vector<int>> out;
  std::string line;
  int counter = 0;
  while (ReadLogicalLine(*file, line, counter)) {
    out.first.push_back(line);
    out.second.push_back(counter);
  }
  return out;
}

TEST(Tokenizer, LogicalLinesContinuationsAndLimits) {
  const std::string x(kMaxPhysicalLine, 'x'), n(kMaxPhysicalLine + 1, 'n'), p(197, 'p');
  const std::string piece = p + " \\\n", joined = p + " ";
  const struct {
    std::string bytes;
    Lines lines;
    std::vector<int> counters;
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
      auto [lines, counters] = ReadAll(c.bytes, mode);
      EXPECT_EQ(lines, c.lines) << c.bytes;
      EXPECT_EQ(counters, c.counters) << c.bytes;
    }
  }
}

}  // namespace
}  // namespace q32
