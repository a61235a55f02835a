// Text softkeys: sources in one to three languages, rows, sizes, positions
// and cutting, the code page mapping, and every failure with its report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dxf/VectorTestSupport.h"
#include "lang/TextSoftkey.h"
#include "platform/FaultyFileSystem.h"
#include "platform/LanguageLibrary.h"

namespace q32 {
namespace {

using q32test::Bytes;
using q32test::Cat;
using q32test::Chars;
using q32test::FileExistsOnDisk;
using q32test::ReadFile;
using q32test::RecordFile;
using q32test::TestRun;
using q32test::WriteFile;

// A source line: the text in columns 1 to 29, the language from column 31.
std::string Line(const std::string& text, const std::string& language = "") {
  if (language.empty()) return text + "\n";
  std::string line = text;
  line.resize(30, ' ');
  return line + language + "\n";
}

struct Converted {
  int result = -1;
  std::string pic;
  int errors = 0;
  std::string log;
};

Converted Convert(const std::string& source, char letter, bool le = false) {
  TestRun t(le);
  WriteFile(t.dir / "t.txs", source);
  Converted c;
  c.result = ConvertTextSoftkey(*t.run, t.dir / "t.txs", letter);
  if (FileExistsOnDisk(t.dir / "t.PIC")) c.pic = ReadFile(t.dir / "t.PIC");
  c.errors = t.Errors();
  c.log = t.Log();
  return c;
}

struct Rec {
  bool le = false;
  Bytes W(std::initializer_list<std::uint16_t> w) const { return q32test::Words(w, le); }
  Bytes Text(std::uint16_t x, std::uint16_t y, const std::string& text, std::uint16_t code) const {
    Bytes chars = Chars(text);
    if (chars.size() % 2) chars.push_back(0);
    return Cat({W({0x2A00, x, y, static_cast<std::uint16_t>(text.size())}), chars, W({code, 9})});
  }
  Bytes End() const { return W({0xFFFF}); }
};

// Fixed byte sequences, the same in both byte orders.
const Bytes kRea = {0x38, 0x00, 0x00, 0x00};
Bytes LanguageTest(const char* id, unsigned textBytes) {
  return {0x3A, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(GetLanguageIndex(id)),
          0x3C, 0x02, 0x00, static_cast<std::uint8_t>(textBytes + 4)};
}

TEST(TextSoftkey, SingleLineInBothByteOrders) {
  // x = (77 - 2 * 8) / 2 - 4 = 26, y = 20 for one small row.
  Converted be = Convert("OK\n", 'S');
  ASSERT_EQ(be.result, 0) << be.log;
  EXPECT_EQ(be.pic, RecordFile({{0x2A, 0x00, 0x00, 0x1A, 0x00, 0x14, 0x00, 0x02, 'O', 'K', 0x00, 0x02,
                                 0x00, 0x09},
                                {0xFF, 0xFF}}));
  Converted le = Convert("OK\n", 'S', true);
  ASSERT_EQ(le.result, 0);
  EXPECT_EQ(le.pic, RecordFile({{0x00, 0x2A, 0x1A, 0x00, 0x14, 0x00, 0x02, 0x00, 'O', 'K', 0x02, 0x00,
                                 0x09, 0x00},
                                {0xFF, 0xFF}}));
  // Comments, empty lines and trailing blanks do not matter; a line in
  // another single language needs no test either.
  EXPECT_EQ(Convert("; greeting\n\nOK   \n", 'S').pic, be.pic);
  EXPECT_EQ(Convert(Line("OK", "de"), 'S').pic, be.pic);
}

TEST(TextSoftkey, TwoLanguagesEnglishLast) {
  for (bool le : {false, true}) {
    Rec r{le};
    Converted c = Convert(Line("Ja", "de") + Line("Yes"), 'S', le);
    ASSERT_EQ(c.result, 0) << c.log;
    // "Ja" takes 12 + 2 bytes: the test skips 18.  "Yes" is 3 characters
    // padded to 4, at x = (77 - 24) / 2 - 4 = 22.
    EXPECT_EQ(c.pic, RecordFile({kRea, LanguageTest("de", 14), r.Text(26, 20, "Ja", 2), r.End(),
                                 r.Text(22, 20, "Yes", 2), r.End()}))
        << "little-endian " << le;
  }
}

TEST(TextSoftkey, ThreeLanguagesMoveEnglishToTheEnd) {
  Rec r;
  Converted c = Convert(Line("Yes", "en") + Line("Ja", "de") + Line("Oui", "fr"), 'S');
  ASSERT_EQ(c.result, 0) << c.log;
  EXPECT_EQ(c.pic, RecordFile({kRea, LanguageTest("de", 14), r.Text(26, 20, "Ja", 2), r.End(),
                               LanguageTest("fr", 16), r.Text(22, 20, "Oui", 2), r.End(),
                               r.Text(22, 20, "Yes", 2), r.End()}));

  // Of two English lines the last one is the default; the first keeps its
  // place and its test.
  Converted two = Convert(Line("Hello", "EN") + Line("Hallo", "de") + Line("Hi"), 'S');
  ASSERT_EQ(two.result, 0) << two.log;
  EXPECT_EQ(two.pic, RecordFile({kRea, LanguageTest("en", 18), r.Text(14, 20, "Hello", 2), r.End(),
                                 LanguageTest("de", 18), r.Text(14, 20, "Hallo", 2), r.End(),
                                 r.Text(26, 20, "Hi", 2), r.End()}));

  // Without an English line the last line stays last, without a test.
  Converted none = Convert(Line("Ja", "de") + Line("Oui", "fr"), 'S');
  ASSERT_EQ(none.result, 0);
  EXPECT_EQ(none.pic, RecordFile({kRea, LanguageTest("de", 14), r.Text(26, 20, "Ja", 2), r.End(),
                                  r.Text(22, 20, "Oui", 2), r.End()}));
}

TEST(TextSoftkey, RowsSizesPositionsAndCutting) {
  Rec r;
  struct Case {
    std::string text;
    char letter;
    std::vector<Bytes> records;
  };
  std::vector<Case> cases = {
      // Nine small characters fit: 12 are cut to 9 at x = (77 - 72) / 2 - 4 = -2.
      {"ABCDEFGHIJKL", 'S', {r.Text(0xFFFE, 20, "ABCDEFGHI", 2)}},
      {"ABCDEFG", 'M', {r.Text(2, 14, "ABCD", 3)}},
      {"ABC", 'B', {r.Text(2, 6, "AB", 5)}},
      {"A", 'B', {r.Text(18, 6, "A", 5)}},
      {"A|B|C", 'S', {r.Text(30, 34, "A", 2), r.Text(30, 20, "B", 2), r.Text(30, 6, "C", 2)}},
      {"AB|CD", 'S', {r.Text(26, 29, "AB", 2), r.Text(26, 11, "CD", 2)}},
      {"AB|CD", 'M', {r.Text(18, 26, "AB", 3), r.Text(18, 4, "CD", 3)}},
      // A fourth part stays in the third row; an empty row is still a record.
      {"A|B|C|D", 'S', {r.Text(30, 34, "A", 2), r.Text(30, 20, "B", 2), r.Text(22, 6, "C|D", 2)}},
      {"|X", 'S', {r.Text(34, 29, "", 2), r.Text(30, 11, "X", 2)}},
  };
  for (const Case& k : cases) {
    Converted c = Convert(k.text + "\n", k.letter);
    ASSERT_EQ(c.result, 0) << k.text << " " << k.letter;
    std::vector<Bytes> calls = k.records;
    calls.push_back(r.End());
    EXPECT_EQ(c.pic, RecordFile(calls)) << k.text << " " << k.letter;
  }

  // Column 30 is not read; the text ends at column 29.
  std::string line = std::string(29, 'Z') + "Q" + "de\n";
  Converted wide = Convert(line, 'S');
  ASSERT_EQ(wide.result, 0);
  EXPECT_EQ(wide.pic, RecordFile({r.Text(0xFFFE, 20, "ZZZZZZZZZ", 2), r.End()}));

  // With two lines the test counts the bytes of every row of its line:
  // 12 + 2 and 12 + 2 (the one-character row is padded) = 28, D = 32.
  Converted rows = Convert(Line("AB|C", "de") + Line("X"), 'S');
  ASSERT_EQ(rows.result, 0);
  EXPECT_EQ(rows.pic, RecordFile({kRea, LanguageTest("de", 28), r.Text(26, 29, "AB", 2),
                                  r.Text(30, 11, "C", 2), r.End(), r.Text(30, 20, "X", 2), r.End()}));
}

TEST(TextSoftkey, CodePage850Mapping) {
  EXPECT_EQ(Cp850ToLatin1(0x81), 0xFC);  // u with diaeresis
  EXPECT_EQ(Cp850ToLatin1(0x98), 0xFD);  // y with acute, not y with diaeresis
  EXPECT_EQ(Cp850ToLatin1(0xE1), 0xDF);  // sharp s
  EXPECT_EQ(Cp850ToLatin1(0xF8), 0xB0);  // degree sign
  EXPECT_EQ(Cp850ToLatin1(0x9C), 0x9C);  // pound sign: not in the table
  EXPECT_EQ(Cp850ToLatin1('A'), 'A');
  int mapped = 0;
  for (int c = 0; c < 256; ++c) mapped += Cp850ToLatin1(static_cast<unsigned char>(c)) != c;
  EXPECT_EQ(mapped, 64);

  Rec r;
  Converted c = Convert("\x81" "ber\xF8\n", 'S');
  ASSERT_EQ(c.result, 0);
  EXPECT_EQ(c.pic, RecordFile({r.Text(14, 20, "\xFC" "ber\xB0", 2), r.End()}));
}

TEST(TextSoftkey, Failures) {
  // No text line at all.
  Converted comments = Convert("; only\n;comments\n\n", 'S');
  EXPECT_EQ(comments.result, 8222);
  EXPECT_EQ(comments.errors, 1);
  EXPECT_NE(comments.log.find("t.txs(1)"), std::string::npos) << comments.log;
  EXPECT_EQ(comments.pic, RecordFile({}));  // kept as written: no data

  // A language the library does not know, on the text line with index 2.
  Converted unknown = Convert(Line("Ja", "de") + Line("Oui", "fr") + Line("Huh", "xx"), 'S');
  EXPECT_EQ(unknown.result, 8222);
  EXPECT_EQ(unknown.errors, 1);
  EXPECT_NE(unknown.log.find("t.txs(2)"), std::string::npos) << unknown.log;
  EXPECT_EQ(unknown.pic, RecordFile({}));

  // Too many rows for the size: 8260 is reported, 8222 returned, and the
  // records of earlier lines stay.
  Converted three = Convert("A|B|C\n", 'M');
  EXPECT_EQ(three.result, 8222);
  EXPECT_EQ(three.errors, 1);
  EXPECT_NE(three.log.find("8260"), std::string::npos) << three.log;
  EXPECT_EQ(Convert("A|B\n", 'B').result, 8222);
  EXPECT_EQ(Convert("A\n", 'X').result, 8222);
  Rec r;
  Converted later = Convert(Line("Ja", "de") + Line("A|B|C"), 'M');
  EXPECT_EQ(later.result, 8222);
  EXPECT_EQ(later.pic, RecordFile({kRea, LanguageTest("de", 14), r.Text(18, 14, "Ja", 3), r.End()}));

  // Only the first 40 text lines are read: a bad 41st line is never seen.
  std::string forty;
  for (int i = 0; i < 40; ++i) forty += Line("Ja", "de");
  EXPECT_EQ(Convert(forty + Line("Huh", "xx"), 'S').result, 0);
  EXPECT_EQ(Convert(forty.substr(0, forty.size() / 2) + Line("Huh", "xx"), 'S').result, 8222);
}

TEST(TextSoftkey, OpenAndWriteFailures) {
  TestRun t;
  EXPECT_EQ(ConvertTextSoftkey(*t.run, t.dir / "missing.txs", 'S'), 8220);
  WriteFile(t.dir / "k.txs", "OK\n");
  ASSERT_TRUE(t.fs->MakeDirectory(t.dir / "k.PIC"));
  EXPECT_EQ(ConvertTextSoftkey(*t.run, t.dir / "k.txs", 'S'), 8220);
  EXPECT_EQ(t.Errors(), 2);

  // A failed record write ends the conversion with 8223, reported against
  // the source; the output is closed and kept.
  std::string source = Line("Ja", "de") + Line("Oui", "fr") + Line("Yes");
  bool sawSuccess = false;
  for (long failing = 1; failing < 200 && !sawSuccess; ++failing) {
    TestRun run;
    FaultyFileSystem faulty(*run.fs);
    long writes = 0;
    faulty.rule = [&](FileOp op, const std::string& path) {
      return op == FileOp::Write && path.find(".PIC") != std::string::npos && ++writes == failing;
    };
    RunContext context(faulty);
    context.diag.errorCount = &context.settings.errorCount;
    context.diag.console = nullptr;
    WriteFile(run.dir / "w.txs", source);
    int result = ConvertTextSoftkey(context, run.dir / "w.txs", 'S');
    if (result == 0) {
      sawSuccess = writes < failing;
      continue;
    }
    ASSERT_TRUE(result == 8223 || result == 8220) << failing << ": " << result;
    EXPECT_EQ(context.settings.errorCount, 1);
    EXPECT_EQ(FileExistsOnDisk(run.dir / "w.PIC"), result == 8223);
  }
  EXPECT_TRUE(sawSuccess);
}

TEST(TextSoftkey, FailedWriteEndsWithTheRecordsSoFar) {
  // The language test after REA cannot be written (the header line is the
  // first write, REA the next six): the conversion stops there, the report
  // names the source, and the file is closed with what it holds.
  TestRun run;
  FaultyFileSystem faulty(*run.fs);
  long writes = 0;
  faulty.rule = [&](FileOp op, const std::string& path) {
    return op == FileOp::Write && path.find(".PIC") != std::string::npos && ++writes == 8;
  };
  RunContext context(faulty);
  context.diag.errorCount = &context.settings.errorCount;
  context.diag.console = nullptr;
  context.diag.log = run.fs->Open(run.logPath, FileMode::WriteText);
  WriteFile(run.dir / "w.txs", Line("Ja", "de") + Line("Yes"));
  EXPECT_EQ(ConvertTextSoftkey(context, run.dir / "w.txs", 'S'), 8223);
  EXPECT_EQ(context.settings.errorCount, 1);
  context.diag.log->Close();
  // No catalogue is loaded here: the report shows the bare number.
  EXPECT_EQ(ReadFile(run.logPath), "File: " + (run.dir / "w.txs") + ": Error no: 8223\r\n");
  EXPECT_EQ(ReadFile(run.dir / "w.PIC"), RecordFile({kRea}));
}

}  // namespace
}  // namespace q32
