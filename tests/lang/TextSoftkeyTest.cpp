// Text softkeys: sources in one to three languages, rows, sizes, positions
// and cutting, the code page mapping, and the failures the end-to-end runs
// do not reach.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dxf/VectorTestSupport.h"
#include "lang/TextSoftkey.h"

namespace q32 {
namespace {

using q32test::Bytes;
using q32test::Converted;
using q32test::FileExistsOnDisk;
using q32test::kReaRecord;
using q32test::ReadFile;
using q32test::RecordFile;
using q32test::TestRun;
using q32test::WriteFile;
using Test = Bytes (*)(const char*, unsigned);
constexpr Test kTest = q32test::LanguageTestRecord;

// A source line: the text in columns 1 to 29, the language from column 31.
std::string Line(const std::string& text, const std::string& language = "") {
  if (language.empty()) return text + "\n";
  std::string line = text;
  line.resize(30, ' ');
  return line + language + "\n";
}

Converted Convert(const std::string& source, char letter, bool le = false) {
  return q32test::ConvertSource("t.txs", source, le, [letter](RunContext& run, const std::string& path) {
    return ConvertTextSoftkey(run, path, letter);
  });
}

const q32test::PicWords r;

TEST(TextSoftkey, LanguageOrderAndTests) {
  // x = (77 - 8n) / 2 - 4 in small letters; "Ja" takes 12 + 2 bytes, so its
  // test skips 18.
  const struct {
    const char* what;
    std::string source;
    std::vector<Bytes> records;
  } cases[] = {
      {"one line; comments, empty lines, trailing blanks", "; greeting\n\nOK   \n", {r.Txt(26, 20, "OK", 2), r.End()}},
      {"one line in a single language needs no test", Line("OK", "de"), {r.Txt(26, 20, "OK", 2), r.End()}},
      {"an untagged line is English and goes last", Line("Ja", "de") + Line("Yes"),
       {kReaRecord, kTest("de", 14), r.Txt(26, 20, "Ja", 2), r.End(), r.Txt(22, 20, "Yes", 2), r.End()}},
      {"English moves to the end", Line("Yes", "en") + Line("Ja", "de") + Line("Oui", "fr"),
       {kReaRecord, kTest("de", 14), r.Txt(26, 20, "Ja", 2), r.End(), kTest("fr", 16), r.Txt(22, 20, "Oui", 2),
        r.End(), r.Txt(22, 20, "Yes", 2), r.End()}},
      // Of two English lines the last one is the default; the first keeps its place and test.
      {"two English lines", Line("Hello", "EN") + Line("Hallo", "de") + Line("Hi"),
       {kReaRecord, kTest("en", 18), r.Txt(14, 20, "Hello", 2), r.End(), kTest("de", 18), r.Txt(14, 20, "Hallo", 2),
        r.End(), r.Txt(26, 20, "Hi", 2), r.End()}},
      {"without English the last line stays last", Line("Ja", "de") + Line("Oui", "fr"),
       {kReaRecord, kTest("de", 14), r.Txt(26, 20, "Ja", 2), r.End(), r.Txt(22, 20, "Oui", 2), r.End()}},
      // The test counts the bytes of every row of its line: 14 + 14 (padded) = 28.
      {"a test over two rows", Line("AB|C", "de") + Line("X"),
       {kReaRecord, kTest("de", 28), r.Txt(26, 29, "AB", 2), r.Txt(30, 11, "C", 2), r.End(), r.Txt(30, 20, "X", 2),
        r.End()}},
  };
  for (const auto& c : cases) {
    Converted got = Convert(c.source, 'S');
    ASSERT_EQ(got.result, 0) << c.what << "\n" << got.log;
    EXPECT_EQ(got.pic, RecordFile(c.records)) << c.what;
  }
  // For the little-endian control family the text records and end words turn.
  const q32test::PicWords le{true};
  EXPECT_EQ(Convert(Line("Ja", "de") + Line("Yes"), 'S', true).pic,
            RecordFile({kReaRecord, kTest("de", 14), le.Txt(26, 20, "Ja", 2), le.End(), le.Txt(22, 20, "Yes", 2), le.End()}));
}

TEST(TextSoftkey, RowsSizesPositionsAndCutting) {
  const struct {
    std::string text;
    char letter;
    std::vector<Bytes> records;
  } cases[] = {
      // Nine small characters fit: 12 are cut to 9 at x = (77 - 72) / 2 - 4 = -2.
      {"ABCDEFGHIJKL", 'S', {r.Txt(0xFFFE, 20, "ABCDEFGHI", 2)}},
      // Column 30 is not read; the text ends at column 29.
      {std::string(29, 'Z') + "Qde", 'S', {r.Txt(0xFFFE, 20, "ZZZZZZZZZ", 2)}},
      {"ABCDEFG", 'M', {r.Txt(2, 14, "ABCD", 3)}}, {"ABC", 'B', {r.Txt(2, 6, "AB", 5)}},
      {"A", 'B', {r.Txt(18, 6, "A", 5)}},
      {"A|B|C", 'S', {r.Txt(30, 34, "A", 2), r.Txt(30, 20, "B", 2), r.Txt(30, 6, "C", 2)}},
      {"AB|CD", 'S', {r.Txt(26, 29, "AB", 2), r.Txt(26, 11, "CD", 2)}},
      {"AB|CD", 'M', {r.Txt(18, 26, "AB", 3), r.Txt(18, 4, "CD", 3)}},
      // A fourth part stays in the third row; an empty row is still a record.
      {"A|B|C|D", 'S', {r.Txt(30, 34, "A", 2), r.Txt(30, 20, "B", 2), r.Txt(22, 6, "C|D", 2)}},
      {"|X", 'S', {r.Txt(34, 29, "", 2), r.Txt(30, 11, "X", 2)}},
  };
  for (const auto& k : cases) {
    Converted c = Convert(k.text + "\n", k.letter);
    ASSERT_EQ(c.result, 0) << k.text << " " << k.letter;
    std::vector<Bytes> records = k.records;
    records.push_back(r.End());
    EXPECT_EQ(c.pic, RecordFile(records)) << k.text << " " << k.letter;
  }
}

TEST(TextSoftkey, CodePage850Mapping) {
  EXPECT_EQ(Cp850ToLatin1(0x98), 0xFD);  // y with acute, not y with diaeresis
  EXPECT_EQ(Cp850ToLatin1(0xE1), 0xDF);  // sharp s
  EXPECT_EQ(Cp850ToLatin1(0xF8), 0xB0);  // degree sign
  EXPECT_EQ(Cp850ToLatin1(0x9C), 0x9C);  // pound sign: not in the table
  int mapped = 0;
  for (int c = 0; c < 256; ++c) mapped += Cp850ToLatin1(static_cast<unsigned char>(c)) != c;
  EXPECT_EQ(mapped, 64);
}

TEST(TextSoftkey, Failures) {
  // Too many rows for the size or an unknown size: the records of earlier
  // lines stay.
  EXPECT_EQ(Convert("A|B\n", 'B').result, 8222);
  EXPECT_EQ(Convert("A\n", 'X').result, 8222);
  Converted later = Convert(Line("Ja", "de") + Line("A|B|C"), 'M');
  EXPECT_EQ(later.result, 8222);
  EXPECT_EQ(later.errors, 1);
  EXPECT_EQ(later.pic, RecordFile({kReaRecord, kTest("de", 14), r.Txt(18, 14, "Ja", 3), r.End()}));

  // Only the first 40 text lines are read: a bad 41st line is never seen.
  std::string forty;
  for (int i = 0; i < 40; ++i) forty += Line("Ja", "de");
  EXPECT_EQ(Convert(forty + Line("Huh", "xx"), 'S').result, 0);
  EXPECT_EQ(Convert(forty.substr(0, forty.size() / 2) + Line("Huh", "xx"), 'S').result, 8222);

  TestRun t;
  EXPECT_EQ(ConvertTextSoftkey(*t.run, t.dir / "missing.txs", 'S'), 8220);
  WriteFile(t.dir / "k.txs", "OK\n");
  ASSERT_TRUE(t.fs->MakeDirectory(t.dir / "k.PIC"));
  EXPECT_EQ(ConvertTextSoftkey(*t.run, t.dir / "k.txs", 'S'), 8220);
  EXPECT_EQ(t.Errors(), 2);
}

// A failed record write ends the conversion with 8223, reported against the
// source; the output is closed and kept with the records written so far.
TEST(TextSoftkey, WriteFailures) {
  auto convert = [](RunContext& run, const std::string& path) { return ConvertTextSoftkey(run, path, 'S'); };
  std::string done = q32test::EachFailingWrite("w.txs", Line("Ja", "de") + Line("Oui", "fr") + Line("Yes"), convert,
                                               [](q32test::FailingWriteRun& f, int result, long failing) {
    if (result == 0) return;  // the count line, written while closing, may fail unnoticed
    ASSERT_TRUE(result == 8223 || result == 8220) << failing << ": " << result;
    EXPECT_EQ(f.run.settings.errorCount, 1);
    EXPECT_EQ(FileExistsOnDisk(f.t.dir / "w.PIC"), result == 8223);
    // The header line is the first write, the record line of REA the
    // next, the first language test the third.  No catalogue is loaded: the
    // report shows the bare number.
    if (failing == 3) {
      EXPECT_EQ(f.Log(), "File: " + (f.t.dir / "w.txs") + ": Error no: 8223\r\n");
      EXPECT_EQ(ReadFile(f.t.dir / "w.PIC"), RecordFile({kReaRecord}));
    }
  });
  EXPECT_EQ(done, Convert(Line("Ja", "de") + Line("Oui", "fr") + Line("Yes"), 'S').pic);
}

}  // namespace
}  // namespace q32
