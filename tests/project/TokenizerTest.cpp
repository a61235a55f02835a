#include "project/Tokenizer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using Tokens = std::vector<std::string>;

Tokens Split(std::string_view line, bool escapes = false, std::size_t maximum = kMaxProjectTokens) {
  Tokens tokens;
  EXPECT_EQ(SplitTokens(line, tokens, maximum, escapes), 0) << line;
  return tokens;
}

Tokens SplitCondition(std::string_view line) {
  Tokens tokens;
  EXPECT_EQ(SplitConditionTokens(line, tokens, kMaxProjectTokens), 0) << line;
  return tokens;
}

TEST(Tokenizer, SeparatorsCommentsQuotesAndEscapes) {
  const struct {
    const char* line;
    bool escapes;
    Tokens tokens;
  } cases[] = {
      {"BMP, a.bmp = OK\n", false, {"BMP", "a.bmp", "OK"}},
      {"\t a=b,,c  ; comment \"x y\" d\n", false, {"a", "b", "c"}},
      {"; whole line comment\n", false, {}},
      {"\n", false, {}},
      {"a;b", false, {"a"}},
      {"a\r\n", false, {"a\r"}},  // the line reader removes a CR, not the splitter
      {"TEXT \"a, b; c=d\" 'it''s' x\n", false, {"TEXT", "a, b; c=d", "it", "s", "x"}},
      {"\"\" x ''", false, {"", "x", ""}},
      {"'say \"hi\"' \"it's\"", false, {"say \"hi\"", "it's"}},
      {"a \"open ended\n", false, {"a", "open ended"}},  // the line end closes the quote
      {"a 'open", false, {"a", "open"}},
      {"abc\"d e\"f", false, {"abc", "d e", "f"}},  // a quote behind a token starts one
      // Escapes count only inside quotes and only when asked for; without
      // them the backslash is ordinary and the quote behind it closes.
      {R"("a\"b" "c\\d" "e\nf" x\"y)", true, {"a\"b", "c\\d", "e\\nf", "x\\", "y"}},
      {R"('it\'s' 'q\"')", true, {"it's", "q\\\""}},
      {R"("c\\d" "x\")", false, {"c\\\\d", "x\\"}},
      {"\"a\\", true, {"a\\"}},  // a backslash at the very end stays
  };
  for (const auto& c : cases) EXPECT_EQ(Split(c.line, c.escapes), c.tokens) << c.line;
}

TEST(Tokenizer, MoreTokensThanTheMaximumGiveTwo) {
  Tokens tokens;
  EXPECT_EQ(SplitTokens("a b c", tokens, 3, false), 0);
  EXPECT_EQ(tokens.size(), 3u);
  EXPECT_EQ(SplitTokens("a b c d e", tokens, 3, false), 2);
  EXPECT_EQ(tokens, (Tokens{"a", "b", "c"}));
  EXPECT_EQ(SplitTokens("a b c \"d\"", tokens, 3, false), 2);
  EXPECT_EQ(SplitTokens("a b c ; d e", tokens, 3, false), 0);

  EXPECT_EQ(SplitConditionTokens("a b c d", tokens, 3), 2);
  EXPECT_EQ(tokens, (Tokens{"a", "b", "c"}));
  EXPECT_EQ(SplitConditionTokens("a b c", tokens, 3), 0);
}

TEST(Tokenizer, ConditionTokensKeepQuotesCommasAndEquals) {
  EXPECT_EQ(SplitCondition("#IF A=\"x, y\" AND 'b',c\n"), (Tokens{"#IF", "A=\"x, y\"", "AND", "'b',c"}));
  EXPECT_EQ(SplitCondition("\"a b;c\"def g"), (Tokens{"\"a b;c\"def", "g"}));
  EXPECT_EQ(SplitCondition("  X  ; comment"), (Tokens{"X"}));
  EXPECT_EQ(SplitCondition("\t\n"), Tokens{});
  EXPECT_EQ(SplitCondition("\"unclosed part\n"), (Tokens{"\"unclosed part"}));
}

// Reads every logical line of a file written with the given bytes.
struct Read {
  std::vector<std::string> lines;
  std::vector<int> counters;
};

Read ReadAllLines(const std::string& bytes, FileMode mode) {
  q32test::TempDir temp;
  q32test::WriteFile(temp / "p.spm", bytes);
  std::unique_ptr<FileSystem> fs = MakeHostFileSystem();
  std::unique_ptr<File> file = fs->Open(temp / "p.spm", mode);
  Read out;
  if (!file) {
    ADD_FAILURE() << "cannot open";
    return out;
  }
  std::string line;
  int counter = 0;
  while (ReadLogicalLine(*file, line, counter)) {
    out.lines.push_back(line);
    out.counters.push_back(counter);
  }
  EXPECT_TRUE(line.empty());
  return out;
}

TEST(Tokenizer, PlainLinesAndCarriageReturns) {
  for (FileMode mode : {FileMode::ReadText, FileMode::ReadBinary}) {
    Read r = ReadAllLines("first\r\nsecond\n\r\nlast", mode);
    EXPECT_EQ(r.lines, (std::vector<std::string>{"first\n", "second\n", "\n", "last"}));
    EXPECT_EQ(r.counters, (std::vector<int>{1, 2, 3, 4}));
  }
  Read empty = ReadAllLines("", FileMode::ReadText);
  EXPECT_TRUE(empty.lines.empty());
}

TEST(Tokenizer, ContinuationLines) {
  for (FileMode mode : {FileMode::ReadText, FileMode::ReadBinary}) {
    Read r = ReadAllLines(
        "BMP a.bmp \\\r\n"
        "  OK\r\n"
        "BMP b.bmp\t\\\r\n"
        "; continued although it looks like a comment\r\n"
        "BMP c.bmp\\\r\n"
        "next\r\n"
        "a \\\r\n"
        "b \\\r\n"
        "c\r\n",
        mode);
    ASSERT_EQ(r.lines.size(), 5u);
    EXPECT_EQ(r.lines[0], "BMP a.bmp   OK\n");
    EXPECT_EQ(r.lines[1], "BMP b.bmp\t; continued although it looks like a comment\n");
    // Directly behind a token the backslash is part of it.
    EXPECT_EQ(r.lines[2], "BMP c.bmp\\\n");
    EXPECT_EQ(r.lines[3], "next\n");
    EXPECT_EQ(r.lines[4], "a b c\n");
    // Messages about a continued line name its last physical line.
    EXPECT_EQ(r.counters, (std::vector<int>{2, 4, 5, 6, 9}));
  }
}

TEST(Tokenizer, ContinuationNeedsThreeCharactersAndEndsAtEndOfFile) {
  // " \" alone holds only two characters before the line feed, and three
  // with it: the shortest continued line.
  Read r = ReadAllLines(" \\\nx\n\\\ny\n", FileMode::ReadBinary);
  EXPECT_EQ(r.lines, (std::vector<std::string>{" x\n", "\\\n", "y\n"}));
  // A last line without line feed may still ask for a continuation; the end
  // of the file ends it.
  r = ReadAllLines("a \\", FileMode::ReadBinary);
  EXPECT_EQ(r.lines, (std::vector<std::string>{"a "}));
  EXPECT_EQ(r.counters, (std::vector<int>{1}));
}

TEST(Tokenizer, OverLongPhysicalLinesAreReadInPieces) {
  std::string longLine(600, 'x');
  Read r = ReadAllLines(longLine + "\nshort\n", FileMode::ReadText);
  ASSERT_EQ(r.lines.size(), 4u);
  EXPECT_EQ(r.lines[0], std::string(kMaxPhysicalLine, 'x'));
  EXPECT_EQ(r.lines[1], std::string(kMaxPhysicalLine, 'x'));
  EXPECT_EQ(r.lines[2], std::string(600 - 2 * kMaxPhysicalLine, 'x') + "\n");
  EXPECT_EQ(r.lines[3], "short\n");
  EXPECT_EQ(r.counters, (std::vector<int>{1, 2, 3, 4}));

  // A continuation line is read with one character more than a first line.
  std::string first = "a \\\n";
  std::string next(kMaxPhysicalLine + 1, 'n');
  r = ReadAllLines(first + next + "\nrest\n", FileMode::ReadText);
  ASSERT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[0], "a " + next);
  // What did not fit is a line of its own.
  EXPECT_EQ(r.lines[1], "\n");
  EXPECT_EQ(r.lines[2], "rest\n");
  EXPECT_EQ(r.counters, (std::vector<int>{2, 3, 4}));
}

TEST(Tokenizer, ContinuationStopsBeyondTheLogicalLineLimit) {
  // Each piece adds 200 characters; once the joined line holds more than
  // the limit, its trailing " \" stays and the next line stands alone.
  std::string piece = std::string(197, 'p') + " \\\n";
  std::string bytes;
  for (int i = 0; i < 6; ++i) bytes += piece;
  bytes += "end\n";
  Read r = ReadAllLines(bytes, FileMode::ReadText);
  ASSERT_EQ(r.lines.size(), 2u);
  std::string joined = std::string(197, 'p') + " ";
  EXPECT_EQ(r.lines[0], joined + joined + joined + piece);
  EXPECT_EQ(r.lines[1], joined + joined + "end\n");
  EXPECT_EQ(r.counters, (std::vector<int>{4, 7}));
}

}  // namespace
}  // namespace q32
