// The shipped message catalogue: every message code the program can report
// has a text, in the conventional form, and the file itself is well formed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "diag/Diagnostics.h"
#include "platform/FileSystem.h"
#include "project/Tokenizer.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

// Every message code the program reports, returns or may report.
const int kMessageCodes[] = {
    1047,  1049,  3011,  3043,  3052,  3070,  3073,  3080,  3084,  3091,  3300,  3301,  3507,
    3509,  4010,  6506,  6509,  6510,  8200,  8201,  8202,  8203,  8204,  8205,  8206,  8207,
    8208,  8210,  8211,  8216,  8217,  8220,  8221,  8222,  8223,  8225,  8230,  -8231, 8232,
    8240,  8250,  8251,  8252,  8253,  8254,  8260,  8270,  8271,  8272,  8273,  8274,  -8275,
    8276,  8277,  8280,  8282,  8298,  8300,  8301,  8302,  -8305, 8306,  8307,  8308,  8309,
    8311,  8312,  8313,  8315,  8316,  8317,  8319,  8320,  8321,  8322,  8325,  8326,  8327,
    8328,  9999};

// Texts whose wording is fixed.
const struct {
  int code;
  const char* text;
} kFixedTexts[] = {
    {8220, "E8220: Error opening file"},
    {8273, "E8273: Format error in PLC project file"},
    {3043, "E3043: Instruction not allowed"},
    {3052, "F3052: Not enough main memory. Abort!"},
    {3070, "E3070: Unknown operand"},
    {1047, "W1047: Definition already exists (will be ignored)"},
    {1049, "W1049: Definition of a configuration string without quotation marks"},
};

// Only these reports pass an argument text; any other "%s" would be shown as is.
const int kCodesWithArgument[] = {-8231, 8321};

struct ShippedCatalogue {
  std::unique_ptr<FileSystem> fs = MakeHostFileSystem();
  Diagnostics d;
  int errors = 0, warnings = 0;
  int loaded;

  ShippedCatalogue() {
    d.fs = fs.get();
    std::string path = q32test::SourcePath(kCatalogueName);
    std::string dir = path.substr(0, path.size() - std::string(kCatalogueName).size());
    loaded = LoadMessageCatalogue(d, errors, warnings, dir, kCatalogueName, kCatalogueHeader, "");
  }
  ~ShippedCatalogue() { CloseMessageCatalogue(d); }
  std::string Text(int code) {
    std::string text;
    return LookupMessage(d, code, text) ? text : "<missing>";
  }
};

char ExpectedLetter(int code) {
  if (code == 3052) return 'F';
  if (code < 0 || code == 1047 || code == 1049) return 'W';
  return 'E';
}

TEST(ShippedCatalogue, EveryCodeHasAConventionalText) {
  ShippedCatalogue c;
  ASSERT_EQ(0, c.loaded);
  for (int code : kMessageCodes) {
    const std::string text = c.Text(code);
    const std::string prefix = ExpectedLetter(code) + std::to_string(std::abs(code)) + ": ";
    EXPECT_EQ(prefix, text.substr(0, prefix.size())) << code << ": " << text;
    bool takesArgument = false;
    for (int a : kCodesWithArgument) takesArgument |= a == code;
    EXPECT_EQ(takesArgument, text.find("%s") != std::string::npos) << code << ": " << text;
    EXPECT_EQ(std::string::npos, text.find('%', text.find("%s") + 1)) << code << ": " << text;
  }
  for (const auto& fixed : kFixedTexts) EXPECT_EQ(fixed.text, c.Text(fixed.code));
  // The labels keep their usual wording.
  c.Text(1);
  EXPECT_EQ("Error", c.d.errorLabel);
  EXPECT_EQ("Warning", c.d.warningLabel);
  EXPECT_EQ("Error no", c.d.errorNoLabel);
  EXPECT_EQ("File", c.d.fileLabel);
}

TEST(ShippedCatalogue, ProgressMessages) {
  ShippedCatalogue c;
  ASSERT_EQ(0, c.loaded);
  EXPECT_EQ("Processing menu.sys ...",
            FormatMessageText(c.Text(1), "menu.sys", nullptr, 0, 0));
  EXPECT_EQ("2 Error(s), 1 Warning(s)", FormatMessageText(c.Text(2), nullptr, nullptr, 2, 1));
  for (int n = 4; n <= 9; ++n) {
    const std::string text = c.Text(n);
    EXPECT_NE("<missing>", text) << n;
    EXPECT_EQ(std::string::npos, text.find('%')) << n;
  }
  EXPECT_EQ("<missing>", c.Text(3));
}

TEST(ShippedCatalogue, FileIsPlainAsciiWithTwoTokenEntries) {
  const std::string content = q32test::ReadFile(q32test::SourcePath(kCatalogueName));
  ASSERT_FALSE(content.empty());
  ASSERT_EQ('\n', content.back());
  std::size_t start = 0, lineNo = 0;
  std::vector<std::string> tokens;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    const std::string line = content.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    EXPECT_LT(line.size(), 200u) << lineNo;
    for (char ch : line)
      EXPECT_TRUE(ch >= 0x20 && ch < 0x7F) << "line " << lineNo << " byte " << int(ch);
    if (lineNo == 1) {
      EXPECT_EQ(kCatalogueHeader, line);
      continue;
    }
    if (line.empty() || line[0] == ';') continue;
    EXPECT_EQ(0, SplitTokens(line, tokens, 2, false)) << line;
    EXPECT_EQ(2u, tokens.size()) << line;
  }
}

}  // namespace
}  // namespace q32
