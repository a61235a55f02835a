#include "diag/Diagnostics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using q32test::Crlf;
using q32test::ReadFile;
using q32test::TempDir;
using q32test::WriteFile;

const std::string kHeaderLine = std::string(kCatalogueHeader) + "\n";

// One loaded catalogue with its console, log and counts.
struct Fixture {
  TempDir dir;
  std::unique_ptr<FileSystem> fs = MakeHostFileSystem();
  Diagnostics d;
  int errors = -1;
  int warnings = -1;

  Fixture() {
    d.fs = fs.get();
    d.console = std::tmpfile();
  }
  ~Fixture() { std::fclose(d.console); }
  // Writes the catalogue (body below the header) and loads it with a log.
  int Load(const std::string& body, const std::string& logName = "run.log") {
    WriteFile(dir / "Quillon32.err", kHeaderLine + body);
    return LoadRaw(logName);
  }
  int LoadRaw(const std::string& logName) {
    return LoadMessageCatalogue(d, errors, warnings, dir.path() + "/", kCatalogueName, kCatalogueHeader,
                                logName.empty() ? "" : dir / logName);
  }
  // The console output since the last call.
  std::string Console() {
    std::fflush(d.console);
    std::rewind(d.console);
    std::string out;
    for (int c; (c = std::fgetc(d.console)) != EOF;) out += static_cast<char>(c);
    std::fclose(d.console);
    d.console = std::tmpfile();
    return out;
  }
  std::string Log() { return ReadFile(dir / "run.log"); }
};

// A wrong header refuses the catalogue and creates no log; a missing one
// and a log directory that does not exist are shown end to end.
TEST(Catalogue, HeaderMustMatchExactlyAndTheLogMustOpen) {
  {
    Fixture f;
    f.errors = f.warnings = 7;
    EXPECT_EQ(0, f.Load("8220 \"E8220: Error opening file\"\n"));
    EXPECT_EQ(0, f.errors);
    EXPECT_EQ(0, f.warnings);
    EXPECT_EQ("", f.Console());
    EXPECT_TRUE(q32test::FileExistsOnDisk(f.dir / "run.log"));
    CloseMessageCatalogue(f.d);
  }
  // A lower-case letter, no line end after the header, an empty file, a
  // blank before the line end, an overlong line: all refused.
  for (const std::string& content :
       {std::string("QUILLON error messages file  version 1.0\n"), std::string(kCatalogueHeader),
        std::string(""), std::string(kCatalogueHeader) + " \n", std::string(200, 'Q') + "\n"}) {
    Fixture f;
    WriteFile(f.dir / "Quillon32.err", content);
    EXPECT_EQ(3, f.LoadRaw("run.log")) << content;
    EXPECT_EQ("Fatal: Invalid version of messagefile: " + f.dir.path() + "/Quillon32.err\n\n",
              f.Console());
    EXPECT_FALSE(q32test::FileExistsOnDisk(f.dir / "run.log"));
    EXPECT_EQ(nullptr, f.d.catalogue);
  }
  {
    // A CR LF line end is a line end.
    Fixture f;
    WriteFile(f.dir / "Quillon32.err", std::string(kCatalogueHeader) + "\r\n1 \"x\"\r\n");
    EXPECT_EQ(0, f.LoadRaw(""));
  }
  // The directory exists but the log cannot be created in its place.
  Fixture f;
  q32test::WriteFile(f.dir / "sub/x", "");
  EXPECT_EQ(2, f.Load("", "sub"));
  EXPECT_EQ("Fatal: Logfile " + (f.dir / "sub") + " cannot be opened!\n", f.Console());
}

// Every form of a report, on the console and in the log, with the counts.
TEST(Report, FormsArgumentsUnknownCodesAndFreeText) {
  Fixture f;
  ASSERT_EQ(0, f.Load("; comment line\n"
                      "\n"
                      "0 \"W0000: never used with an argument\"\n"
                      "8204 \"E8204: Invalid value %s\"\n"
                      "-8231 \"W8231: Wrong size of %s, %s stays\"\n"));
  ReportMessage(f.d, 8204, "menu.spm", 12);
  ReportMessage(f.d, 8204, "menu.spm", 0, "x");
  ReportMessage(f.d, 8204, {}, 0, "");
  ReportMessage(f.d, -8231, "menu.spm", 40, "a.bmp");
  ReportMessage(f.d, -8231, {}, 0, "a.bmp");
  ReportMessage(f.d, 4711);
  ReportMessage(f.d, -4711, "a.spm", 1);
  // Code 0 with an argument is free text and is not counted ...
  ReportMessage(f.d, 0, {}, 0, "free text");
  ReportMessage(f.d, 0, "a.txt", 5, "free text");
  // ... without one it is an ordinary (warning) lookup.
  ReportMessage(f.d, 0);
  const std::string expected =
      "File: menu.spm(12): E8204: Invalid value %s\n"
      "File: menu.spm: E8204: Invalid value x\n"
      "Error: E8204: Invalid value %s\n"
      "File: menu.spm(40): W8231: Wrong size of a.bmp, %s stays\n"
      "Warning: W8231: Wrong size of a.bmp, %s stays\n"
      "Error: Error no: 4711\n"
      "File: a.spm(1): Error no: -4711\n"
      "Warning: free text\n"
      "File: a.txt(5): free text\n"
      "Warning: W0000: never used with an argument\n";
  EXPECT_EQ(expected, f.Console());
  EXPECT_EQ(4, f.errors);
  EXPECT_EQ(4, f.warnings);
  CloseMessageCatalogue(f.d);
  EXPECT_EQ(Crlf(expected), f.Log());
}

// Renamed labels are shown end to end; here a label met only while reading
// past the entries takes over, cut to 23 characters.
TEST(Lookup, LabelsAreTakenOverWhileReadingPastThem) {
  Fixture f;
  ASSERT_EQ(0, f.Load("Error Fehler\n"
                      "8204 \"E8204: Ungueltig\"\n"
                      "ERRORNO \"Label below the entries\"\n"
                      "ERROR \"A label longer than twenty-three characters\"\n"
                      "8206 \"E8206: Unbekannt\"\n"));
  ReportMessage(f.d, 8204);
  ReportMessage(f.d, 4711);  // reads the whole file: the lower labels now count
  ReportMessage(f.d, 8206);
  EXPECT_EQ("Fehler: E8204: Ungueltig\n"
            "A label longer than twe: Label below the entries: 4711\n"
            "A label longer than twe: E8206: Unbekannt\n",
            f.Console());
}

TEST(Lookup, OnlyTwoTokenLinesCount) {
  Fixture f;
  ASSERT_EQ(0, f.Load("8204 E8204: three tokens\n"
                      "8205\n"
                      "8204,\"E8204: second\" ; comment after the text\n"
                      "8205=E8205\n"));
  std::string text;
  EXPECT_TRUE(LookupMessage(f.d, 8204, text));
  EXPECT_EQ("E8204: second", text);
  EXPECT_TRUE(LookupMessage(f.d, 8205, text));
  EXPECT_EQ("E8205", text);
  EXPECT_FALSE(LookupMessage(f.d, 1, text));
  // The header line itself has six tokens and is no entry.
  EXPECT_FALSE(LookupMessage(f.d, 0, text));
}

TEST(Lookup, OverlongLinesAreReadInPiecesAndPassedOver) {
  Fixture f;
  // The rest of an overlong line does not start a line, even when it looks
  // like an entry; a line of exactly the maximum length still counts.
  std::string body = std::string(kMaxCatalogueLine, 'x') + "8220 Wrong\n";
  body += "8221 \"" + std::string(kMaxCatalogueLine - 8, 'y') + "\"\n";
  body += std::string(100000, 'z') + "\n";
  body += std::string(3 * kMaxCatalogueLine, ';') + "\n";
  body += "8220 Right\n";
  body += std::string(kMaxCatalogueLine + 1, 'q');  // the file ends inside a long line
  ASSERT_EQ(0, f.Load(body));
  std::string text;
  EXPECT_TRUE(LookupMessage(f.d, 8220, text));
  EXPECT_EQ("Right", text);
  EXPECT_TRUE(LookupMessage(f.d, 8221, text));
  EXPECT_EQ(std::string(kMaxCatalogueLine - 8, 'y'), text);
  EXPECT_FALSE(LookupMessage(f.d, 9, text));
}

TEST(Progress, MessagesGoToConsoleOnly) {
  Fixture f;
  ASSERT_EQ(0, f.Load("1 \"Generating %s ...\"\n"
                      "2 \"%d Error(s), %d Warning(s)\"\n"
                      "3 \"%s into %s: %d/%d\"\n"));
  ShowProgress(f.d, 1, "menu.sys");
  ShowProgress(f.d, 2, nullptr, nullptr, 3, 1);
  ShowProgress(f.d, 3, "a", "b", 4, 5);
  ShowProgress(f.d, 77);
  EXPECT_EQ("Generating menu.sys ...\n"
            "3 Error(s), 1 Warning(s)\n"
            "a into b: 4/5\n"
            "Fatal: Message 77 not found in messagefile\n\n",
            f.Console());
  EXPECT_EQ(0, f.errors);
  EXPECT_EQ(0, f.warnings);
  LogLine(f.d, "GeneratingSK \"%s\" %s", "OK", "PLC:\\SOFTKEYS\\");
  LogLine(f.d, "\n\n%d Error(s), %d Warning(s)\n", nullptr, nullptr, 0, 2);
  CloseMessageCatalogue(f.d);
  EXPECT_EQ(Crlf("GeneratingSK \"OK\" PLC:\\SOFTKEYS\\\n\n\n0 Error(s), 2 Warning(s)\n\n"), f.Log());
  EXPECT_EQ("", f.Console());
}

TEST(Progress, NoLogMeansNoLogLines) {
  Fixture f;
  ASSERT_EQ(0, f.Load("8204 E8204\n", ""));
  LogLine(f.d, "File %s", "a.bmp");
  ReportMessage(f.d, 8204);
  EXPECT_EQ("Error: E8204\n", f.Console());
  EXPECT_FALSE(q32test::FileExistsOnDisk(f.dir / "run.log"));
}

TEST(Format, NeverReadsPastItsArguments) {
  // With text1 only: text1, number1, number2; numbers shown by %s in decimal.
  EXPECT_EQ("a 1 2   !", FormatMessageText("%s %s %d %d %d %d!", "a", nullptr, 1, 2));
  EXPECT_EQ("7 8 ", FormatMessageText("%d %d %s", nullptr, nullptr, 7, 8));
  EXPECT_EQ("a b 1 2 ", FormatMessageText("%s %s %d %d %s", "a", "b", 1, 2));
  // A text under a number conversion shows as the text.
  EXPECT_EQ("[  abc]", FormatMessageText("[%5d]", "abc", nullptr, 0, 0));
  EXPECT_EQ("", FormatMessageText("", "a", "b", 1, 2));
}

TEST(Format, FlagsWidthPrecisionAndConversions) {
  EXPECT_EQ("[ab   ][  abc][00042][-42][][100%]",
            FormatMessageText("[%-5.2s][%5s][%05d][%i][%x][100%%]", "abcd", "abc", 42, -42));
  EXPECT_EQ("[ff][FF]", FormatMessageText("[%x][%X]", nullptr, nullptr, 255, 255));
  EXPECT_EQ("A", FormatMessageText("%c", nullptr, nullptr, 'A', 0));
  EXPECT_EQ("4294967295 18446744073709551615",
            FormatMessageText("%u %lu", nullptr, nullptr, -1, -1));
  EXPECT_EQ("+5 0x1f", FormatMessageText("%+d %#x", nullptr, nullptr, 5, 31));
  // Conversions this formatter does not know, and a cut-off one, stay as written.
  EXPECT_EQ("%f %n 3 %", FormatMessageText("%f %n %d %", nullptr, nullptr, 3, 4));
  // Widths are bounded.
  EXPECT_EQ(1024u, FormatMessageText("%999999999999d", nullptr, nullptr, 1, 0).size());
  EXPECT_EQ(1024u, FormatMessageText("%.999999999999d", nullptr, nullptr, 1, 0).size());
}

// The console gets the terminal's encoding (UTF-8 here) unless embedded; the
// log always holds the catalogue's own bytes.
TEST(Console, TerminalEncodingUnlessEmbedded) {
  Fixture f;
  ASSERT_EQ(0, f.Load("8204 \"E8204: \xC4nderung\"\n"));
  f.d.embedded = true;
  ReportMessage(f.d, 8204);
  EXPECT_EQ("Error: E8204: \xC4nderung\n", f.Console());
  f.d.embedded = false;
  ReportMessage(f.d, 8204);
  EXPECT_EQ("Error: E8204: \xC3\x84nderung\n", f.Console());
  EXPECT_EQ(Crlf("Error: E8204: \xC4nderung\nError: E8204: \xC4nderung\n"), f.Log());
}

}  // namespace
}  // namespace q32
