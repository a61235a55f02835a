// Drawings and text softkeys through the real executable: whole -gensys runs
// on small projects, compared byte for byte (record files, system list, log),
// in both byte orders, with every failure as the project line and the
// converter report it, and the scanning and checking runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "dxf/VectorTestSupport.h"
#include "platform/LanguageLibrary.h"
#include "support/PlcFileBuilder.h"
#include "support/TestSupport.h"

using namespace q32test;

namespace {

// ---------------------------------------------------------------------------
// Expected bytes

struct Rec {
  bool le = false;
  Bytes W(std::initializer_list<std::uint16_t> words) const { return Words(words, le); }
  Bytes Header() const { return Cat({W({0x3C00, 6}), Chars("HV02")}); }
  Bytes Lin(std::uint16_t x1, std::uint16_t y1, std::uint16_t x2, std::uint16_t y2) const {
    return W({0x1200, x1, y1, x2, y2, 0, 9});
  }
  Bytes Prefix(std::uint16_t para) const {
    return W({0x3100, 1, 0x000A, 0x3A00, 0, para, 0x3C02, 8, 0x3100, 1, 9});
  }
  Bytes ParaLin(std::uint16_t x1, std::uint16_t y1, std::uint16_t x2, std::uint16_t y2) const {
    Bytes once = W({0x1240, 0x0400, x1, y1, x2, y2, 0, 1});
    return Cat({once, once});
  }
  Bytes BlockHeader(std::uint16_t directLength) const {
    return W({0x3A00, 0, 0, 0x3C04, 0x000C, 0x3300, 0, 0x8000, 0x3C02,
              static_cast<std::uint16_t>(directLength + 2)});
  }
  Bytes Text(std::uint16_t x, std::uint16_t y, const std::string& text, std::uint16_t code) const {
    Bytes chars = Chars(text);
    if (chars.size() % 2) chars.push_back(0);
    return Cat({W({0x2A00, x, y, static_cast<std::uint16_t>(text.size())}), chars, W({code, 9})});
  }
  Bytes End() const { return W({0xFFFF}); }
};

// The fixed byte sequences of text softkeys, the same in both byte orders.
const Bytes kRea = {0x38, 0x00, 0x00, 0x00};
Bytes LanguageTest(const char* id, unsigned textBytes) {
  return {0x3A, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(q32::GetLanguageIndex(id)),
          0x3C, 0x02, 0x00, static_cast<std::uint8_t>(textBytes + 4)};
}

// ---------------------------------------------------------------------------
// Sources

const char* const kProjectHeader = "QUILLON Project File - Version 1.0\n";

// A block MARK with a plain line and a circle on layer L3 (para 2); the
// entities draw a text, call MARK and draw a line to a negative x.
std::string MarkDrawing() {
  return Pairs({{0, "SECTION"}, {2, "BLOCKS"},
                {0, "BLOCK"}, {2, "MARK"},
                {0, "LINE"}, {8, "0"}, {10, "0"}, {20, "0"}, {11, "23"}, {21, "11.5"},
                {0, "CIRCLE"}, {8, "L3"}, {10, "11.5"}, {20, "11.5"}, {40, "2.3"},
                {0, "ENDBLK"},
                {0, "ENDSEC"},
                {0, "SECTION"}, {2, "ENTITIES"},
                {0, "TEXT"}, {1, "AB"}, {10, "1"}, {20, "2"}, {40, "7.2"},
                {0, "INSERT"}, {2, "MARK"},
                {0, "LINE"}, {10, "0"}, {20, "0"}, {11, "-1"}, {21, "10"},
                {0, "ENDSEC"},
                {0, "EOF"}});
}

// Scan Blocks: MARK starts at 12; its line is 14 direct bytes, its circle 22
// + 14 deferred, its end word 2 and the header the write pass puts in front
// of it 20: blocks length 72, skip record 74.  Scan Entities: text 14 and
// line 14 direct bytes, entities base 28 + 24 = 52.  The call of MARK from
// ENTITIES, with nothing pending before it:
//   12 - 52 - 72 - 0 - 14 = -126 = 0xFF82.
std::string MarkSoftkey(bool le) {
  Rec r{le};
  return RecordFile({r.Header(), r.W({0x3C00, 74}), r.BlockHeader(14), r.Lin(0, 0, 64, 32),
                     Cat({r.Prefix(2), r.W({0x1A40, 0x0800, 32, 32, 6, 0, 1})}), r.W({0x3D00}),
                     r.Text(2, 5, "AB", 3), r.Lin(0, 0, 0xFFFE, 27), r.W({0x3B80, 0xFF82}),
                     r.End()});
}

// The listing of one block pass or entity pass of MarkDrawing: entity lines
// are the line numbers of the entity names.
const char* const kMarkBlockListing =
    "6          BLOCK MARK\n"
    "10         LIN (0,0)-(64,32) C9\n"
    "22         CIR (32, 32) Rad:6, C9\n";
const char* const kMarkEntityListing =
    "40         PRN (2, 5) \"AB\" 32, C9, Para:0\n"
    "50         INSERT MARK\n"
    "54         LIN (0,0)-(65534,27) C9\n";

std::string MarkListing() {
  return std::string("Header 'HV02'        \n") + "Scan Blocks:\n" + kMarkBlockListing +
         "Write Blocks:\n" + kMarkBlockListing + "Scan Entities:\n" + kMarkEntityListing +
         "Write Entities:\n" + kMarkEntityListing;
}

// A source line of a text softkey: the text in columns 1 to 29, the language
// from column 31.
std::string TextLine(const std::string& text, const std::string& language = "") {
  if (language.empty()) return text + "\n";
  std::string line = text;
  line.resize(30, ' ');
  return line + language + "\n";
}

// English first in the source, German with a code page 850 u-umlaut, French.
std::string YesSource() {
  return "; answers\n" + TextLine("Yes", "en") + TextLine("Zur\x81" "ck", "de") +
         TextLine("Oui", "fr");
}

// Small letters: width 8, one row at y 20; x = (77 - 8n) / 2 - 4.  English
// moves to the end and goes without a language test.
std::string YesSoftkey(bool le) {
  Rec r{le};
  return RecordFile({kRea, LanguageTest("de", 18), r.Text(10, 20, "Zur\xFC" "ck", 2), r.End(),
                     LanguageTest("fr", 16), r.Text(22, 20, "Oui", 2), r.End(),
                     r.Text(22, 20, "Yes", 2), r.End()});
}

// Medium letters, two rows at y 26 and 4, x = (77 - 64) / 2 - 4 = 2.
std::string FeedSoftkey(bool le) {
  Rec r{le};
  return RecordFile({r.Text(2, 26, "Feed", 3), r.Text(2, 4, "rate", 3), r.End()});
}

// Big letters: one row at y 6, x = (77 - 64) / 2 - 4 = 2.
std::string GoSoftkey(bool le) {
  Rec r{le};
  return RecordFile({r.Text(2, 6, "GO", 5), r.End()});
}

class VectorE2E : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SOURCE_DATE_EPOCH", "0", 1); }
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }

  std::string In(const std::string& name) const { return dir_ / ("proj/" + name); }
  void Put(const std::string& name, const std::string& bytes) const { WriteFile(In(name), bytes); }
  RunResult Run(std::vector<std::string> args) const {
    args.insert(args.begin(), "proj/p.spm");
    return RunQuillon(args, dir_.path());
  }

  TempDir dir_;
};

// ---------------------------------------------------------------------------

TEST_F(VectorE2E, GensysConvertsDrawingsAndTextSoftkeysInBothByteOrders) {
  auto project = [](bool txsSource) {
    return std::string(kProjectHeader) + "SKPATH PLC:\\SOFTKEYS\\mill\n" +
           (txsSource ? "TXSSOURCE\n" : "") +
           "SKMENU ROOT HROOT\n"
           "DXF mark.dxf MARKKEY\n"
           "TXS yes.txs YES\n"
           "TXM feed.txm FEED\n"
           "TXB go.txb GO\n"
           "ACTION MARKKEY\nACTION YES\nACTION FEED\nACTION GO\n"
           "ENDSKMENU\n";
  };
  Put("mark.dxf", MarkDrawing());
  Put("yes.txs", YesSource());
  Put("feed.txm", "Feed|rate\n");
  Put("go.txb", "GO\n");

  struct Case {
    const char* what;
    std::vector<std::string> args;
    bool le;
    bool txsSource;
    const char* extension;  // what the system list names
  };
  const Case cases[] = {
      // The default model belongs to the little-endian family, whose softkeys
      // the control knows as ".sk"; the converters still write ".PIC" files.
      {"default model", {"-gensys"}, true, true, ".sk"},
      {"other model", {"-gensys", "-tZeta300"}, false, false, ".PIC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Put("p.spm", project(c.txsSource));
    RunResult r = Run(c.args);
    EXPECT_EQ(r.status, 0) << r.out;

    EXPECT_EQ(ReadFile(In("mark.PIC")), MarkSoftkey(c.le));
    EXPECT_EQ(ReadFile(In("yes.PIC")), YesSoftkey(c.le));
    EXPECT_EQ(ReadFile(In("feed.PIC")), FeedSoftkey(c.le));
    EXPECT_EQ(ReadFile(In("go.PIC")), GoSoftkey(c.le));

    const std::string k = "PLC:\\SOFTKEYS\\mill\\";
    const std::string x = c.extension;
    EXPECT_EQ(ReadFile(In("QUILLONK.SYS")),
              Crlf(k + "mark" + x + "\n" + k + "yes" + x + "\n" + k + "feed" + x + "\n" + k + "go" +
                   x + "\n"));

    // The drawing's listing comes from the converter; the dispatcher adds no
    // line for it.  Text softkeys are logged only in projects that asked for
    // it with TXSSOURCE.
    std::string checking = c.txsSource ? "CheckingSK \"proj\\yes.txs\" " + k + "\n" +
                                             "CheckingSK \"proj\\feed.txm\" " + k + "\n" +
                                             "CheckingSK \"proj\\go.txb\" " + k + "\n"
                                       : "";
    EXPECT_EQ(ReadFile(In("p.log")),
              Crlf("GeneratingSK \"proj\\QUILLONK.SYS\" PLC:\\\n"
                   "GeneratingMenu \"proj\\p.sys\" PLC:\\SOFTKEYS\\\n" +
                   MarkListing() + checking + "\n\n0 Error(s), 0 Warning(s)\n\n"));
    // The listing is shown on the console as well.
    EXPECT_NE(r.out.find(kMarkEntityListing), std::string::npos) << r.out;
  }
}

TEST_F(VectorE2E, FailuresAtTheProjectLineAndInTheConverterReport) {
  const Rec le{true};
  struct Case {
    const char* line;         // the failing softkey line, line 4 of the project
    const char* file;         // its source
    std::string source;       // empty: the file is not there
    std::string expectedLog;  // from the converter's listing to the project line's report
    const char* output;       // the converter's softkey file
    std::string kept;         // its expected bytes; empty: deleted or never made
    int errors = 2;           // the converter's report and the project line's
  };
  const std::string listingStart = "Header 'HV02'        \nScan Entities:\n";
  const Case cases[] = {
      // An ellipse in the entities: the whole softkey fails at the ellipse's
      // name line and is deleted.
      {"DXF ellipse.dxf E", "ellipse.dxf",
       Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}, {10, "0"}, {20, "0"}, {11, "1"},
              {21, "1"}, {0, "ELLIPSE"}, {10, "0"}, {20, "0"}, {0, "ENDSEC"}, {0, "EOF"}}),
       listingStart + "6          LIN (0,0)-(2,2) C9\n"
                      "File: proj\\ellipse.PIC(16): E8254: DXF entity not supported\n"
                      "File: proj\\p.spm(4): E8254: DXF entity not supported\n",
       "ellipse.PIC", ""},
      // An unknown entity in a block fails in the first pass already.
      {"DXF spline.dxf", "spline.dxf",
       Pairs({{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {2, "B"}, {0, "SPLINE"}, {0, "ENDBLK"},
              {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}, {0, "ENDSEC"}, {0, "EOF"}}),
       "Header 'HV02'        \nScan Blocks:\n6          BLOCK B\n"
       "File: proj\\spline.PIC(10): E8254: DXF entity not supported\n"
       "File: proj\\p.spm(4): E8254: DXF entity not supported\n",
       "spline.PIC", ""},
      // A missing drawing: the converter cannot open it.
      {"DXF missing.dxf", "missing.dxf", "",
       "File: proj\\missing.dxf: E8220: Error opening file\n"
       "File: proj\\p.spm(4): E8220: Error opening file\n",
       "missing.PIC", ""},
      // A drawing whose softkey name is its own name in other letters: the
      // control's file system does not tell the two apart, so the drawing is
      // not overwritten.
      {"DXF drawing.pic", "drawing.pic", Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "ENDSEC"}}),
       "File: proj\\drawing.PIC: E8220: Error opening file\n"
       "File: proj\\p.spm(4): E8220: Error opening file\n",
       "drawing.PIC", ""},
      // No ENTITIES: only the project line reports it, and the softkey stays
      // as far as it was written.
      {"DXF header.dxf", "header.dxf", Pairs({{0, "SECTION"}, {2, "HEADER"}, {0, "ENDSEC"}, {0, "EOF"}}),
       listingStart + "File: proj\\p.spm(4): E8250: DXF file without ENTITIES section\n",
       "header.PIC", RecordFile({le.Header()}), 1},
      // A block defined among the entities was never measured.
      {"DXF block.dxf", "block.dxf",
       Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "BLOCK"}, {2, "NOPE"}, {0, "ENDSEC"}, {0, "EOF"}}),
       listingStart + "6          BLOCK NOPE\n"
                      "File: proj\\block.PIC(8): E8251: DXF block not found\n"
                      "File: proj\\p.spm(4): E8251: DXF block not found\n",
       "block.PIC", ""},
      // A circle without radius.
      {"DXF circle.dxf", "circle.dxf",
       Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "CIRCLE"}, {10, "0"}, {20, "0"}, {0, "ENDSEC"},
              {0, "EOF"}}),
       listingStart + "File: proj\\circle.PIC(12): E8252: DXF group missing or incomplete\n"
                      "File: proj\\p.spm(4): E8252: DXF group missing or incomplete\n",
       "circle.PIC", ""},
      // Incomplete extents are reported against the drawing, before anything
      // is written; the softkey file stays.
      {"DXF extents.dxf", "extents.dxf",
       Pairs({{0, "SECTION"}, {2, "HEADER"}, {9, "$EXTMIN"}, {10, "0"}, {9, "$EXTMAX"}, {10, "1"},
              {20, "1"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}, {0, "ENDSEC"}, {0, "EOF"}}),
       "File: proj\\extents.dxf: E8252: DXF group missing or incomplete\n"
       "File: proj\\p.spm(4): E8252: DXF group missing or incomplete\n",
       "extents.PIC", RecordFile({})},
      // A drawing cut off after a group code.
      {"DXF cut.dxf", "cut.dxf", Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}}) + " 10\n",
       listingStart + "File: proj\\cut.PIC(6): E8253: Unexpected end of DXF file\n"
                      "File: proj\\p.spm(4): E8253: Unexpected end of DXF file\n",
       "cut.PIC", ""},
      // A language the library does not know, on the text line with index 1.
      {"TXS lang.txs", "lang.txs", TextLine("Ja", "de") + TextLine("Huh", "xx"),
       "File: proj\\lang.txs(1): E8222: Error reading softkey source file\n"
       "File: proj\\p.spm(4): E8222: Error reading softkey source file\n",
       "lang.PIC", RecordFile({})},
      // Three rows in medium letters: the converter's 8260 becomes 8222 at
      // the project line.
      {"TXM rows.txm ROWS", "rows.txm", "A|B|C\n",
       "File: proj\\rows.txm(1): E8260: Too many text rows for this text softkey\n"
       "File: proj\\p.spm(4): E8222: Error reading softkey source file\n",
       "rows.PIC", RecordFile({})},
      // Nothing but comments.
      {"TXB empty.txb", "empty.txb", "; nothing\n\n",
       "File: proj\\empty.txb(1): E8222: Error reading softkey source file\n"
       "File: proj\\p.spm(4): E8222: Error reading softkey source file\n",
       "empty.PIC", RecordFile({})},
  };
  Put("ok.txs", "OK\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    if (!c.source.empty()) Put(c.file, c.source);
    Put("p.spm", std::string(kProjectHeader) + "TXSSOURCE\nSKMENU ROOT HROOT\n" + c.line +
                     "\nTXS ok.txs OK\nACTION OK\nENDSKMENU\n");
    RunResult r = Run({"-gensys"});
    EXPECT_EQ(r.status, 2) << r.out;

    // The failed softkey gets no log line of its own; the good one after it
    // is still converted.  Errors then delete the tree file and the system
    // list.
    EXPECT_EQ(ReadFile(In("p.log")),
              Crlf("GeneratingSK \"proj\\QUILLONK.SYS\" PLC:\\\n"
                   "GeneratingMenu \"proj\\p.sys\" PLC:\\SOFTKEYS\\\n" +
                   c.expectedLog + "CheckingSK \"proj\\ok.txs\" PLC:\\SOFTKEYS\\\n\n\n" +
                   std::to_string(c.errors) + " Error(s), 0 Warning(s)\n\n"));
    EXPECT_EQ(FileExistsOnDisk(In(c.output)), !c.kept.empty());
    if (!c.kept.empty()) {
      EXPECT_EQ(ReadFile(In(c.output)), c.kept);
    }
    EXPECT_EQ(ReadFile(In("ok.PIC")), RecordFile({le.Text(26, 20, "OK", 2), le.End()}));
    EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));
    EXPECT_FALSE(FileExistsOnDisk(In("p.sys")));
    // The console shows the same reports.
    EXPECT_NE(r.out.find(std::string("File: proj\\p.spm(4): E82")), std::string::npos) << r.out;
  }
  EXPECT_EQ(ReadFile(In("drawing.pic")), Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "ENDSEC"}}));
}

TEST_F(VectorE2E, ScanListsDrawingsButNotTextSources) {
  Put("p.spm", std::string(kProjectHeader) +
                   "SKMENU ROOT HROOT\n"
                   "DXF mark.dxf MARKKEY\n"
                   "TXS yes.txs YES\n"
                   "TXM feed.txm\n"
                   "TXB go.txb GO\n"
                   "DXF parts\\missing.dxf\n"
                   "ACTION MARKKEY\n"
                   "ENDSKMENU\n");
  Put("mark.dxf", MarkDrawing());
  Put("yes.txs", YesSource());
  RunResult r = Run({"-scan"});
  EXPECT_EQ(r.status, 0) << r.out;
  // Every drawing, there or not, and nothing converted.
  EXPECT_EQ(ReadFile(In("p.log")), Crlf("File proj\\mark.dxf\nFile proj\\parts\\missing.dxf\n"));
  EXPECT_FALSE(FileExistsOnDisk(In("mark.PIC")));
  EXPECT_FALSE(FileExistsOnDisk(In("yes.PIC")));
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));
}

TEST_F(VectorE2E, CheckFindsSourcesWithoutConvertingThem) {
  Put("p.spm", std::string(kProjectHeader) +
                   "SKMENU ROOT HROOT\n"
                   "DXF mark.dxf MARKKEY\n"
                   "TXS yes.txs YES\n"
                   "DXF missing.dxf\n"
                   "TXM gone.txm\n"
                   "ACTION MARKKEY\n"
                   "ENDSKMENU\n");
  Put("mark.dxf", MarkDrawing());
  Put("yes.txs", YesSource());
  Put("x.pj", PlcFileBuilder{}.Build());
  RunResult r = Run({"-pjproj/x.pj", "-check"});
  if (r.out.find("8299") != std::string::npos) GTEST_SKIP() << "checking runs are not built yet";
  EXPECT_EQ(r.status, 2) << r.out;
  // Every source type is only looked for, drawings and text sources alike.
  EXPECT_EQ(ReadFile(In("p.log")),
            Crlf("CheckingSK \"proj\\mark.dxf\" PLC:\\SOFTKEYS\\\n"
                 "CheckingSK \"proj\\yes.txs\" PLC:\\SOFTKEYS\\\n"
                 "File: proj\\p.spm(5): E8221: Source file does not exist\n"
                 "File: proj\\p.spm(6): E8221: Source file does not exist\n"
                 "\n\n2 Error(s), 0 Warning(s)\n\n"));
  EXPECT_FALSE(FileExistsOnDisk(In("mark.PIC")));
  EXPECT_FALSE(FileExistsOnDisk(In("yes.PIC")));
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));
}

// A Python that has ezdxf, or empty.  The system's own Python comes first:
// that is where the Debian package puts the library.
std::string PythonWithEzdxf() {
  for (const char* python : {"/usr/bin/python3", "python3"}) {
    if (RunCommand(std::string(python) + " -c 'import ezdxf' 2>/dev/null", ".").status == 0)
      return python;
  }
  return {};
}

TEST_F(VectorE2E, DrawingsWrittenByEzdxf) {
  std::string python = PythonWithEzdxf();
  if (python.empty()) GTEST_SKIP() << "python3 with ezdxf (python3-ezdxf) is not installed";
  std::filesystem::create_directories(In(""));
  RunResult made = RunCommand(python + " '" + SourcePath("tests/dxf/make_drawings.py") + "' '" +
                                  In("") + "'",
                              dir_.path());
  ASSERT_EQ(made.status, 0) << made.out;
  Put("p.spm", std::string(kProjectHeader) +
                   "SKMENU ROOT HROOT\n"
                   "DXF r12.dxf R12\n"
                   "DXF r2000.dxf R2000\n"
                   "ACTION R12\n"
                   "ENDSKMENU\n");
  RunResult r = Run({"-gensys"});
  EXPECT_EQ(r.status, 0) << r.out;

  // The same softkeys as the reader's own tests expect, in the default
  // model's little-endian words.  R12: the empty model and paper space
  // blocks (end word only) at 12 and 14, MARK at 16 with a plain line and a
  // circle on layer L3: blocks length 76, skip record 78; the entities'
  // plain records take 176 bytes, so the call of MARK is
  // 16 - 200 - 76 - 0 - 14 = 0xFEEE.
  Rec w{true};
  EXPECT_EQ(ReadFile(In("r12.PIC")),
            RecordFile({w.Header(), w.W({0x3C00, 78}), w.W({0x3D00}), w.W({0x3D00}),
                        w.BlockHeader(14), w.Lin(0, 0, 64, 32),
                        Cat({w.Prefix(2), w.W({0x1A40, 0x0800, 32, 32, 6, 0, 1})}), w.W({0x3D00}),
                        w.Lin(0, 0, 27, 27), w.W({0x1A00, 27, 27, 13, 0, 9}),
                        w.W({0x1C00, 27, 40, 14, 27, 27, 27, 0, 0, 9}), w.Text(2, 5, "OK", 3),
                        w.Lin(0, 0, 27, 0), w.Lin(27, 0, 27, 27), w.Lin(27, 27, 0, 27),
                        w.Lin(0, 27, 0, 0), w.W({0x2200, 13, 13, 0xFFFF, 9}),
                        w.W({0x1000, 8, 11, 9}), w.Lin(0, 0, 27, 0), w.Lin(27, 0, 27, 27),
                        w.Lin(27, 27, 0, 0), w.W({0x3B80, 0xFEEE}), w.End()}));
  // R2000: the LWPOLYLINE on layer 4 (para 3) waits behind the plain line;
  // the HATCH draws nothing.
  EXPECT_EQ(ReadFile(In("r2000.PIC")),
            RecordFile({w.Header(), w.W({0x3C00, 6}), w.W({0x3D00}), w.W({0x3D00}),
                        w.Lin(0, 0, 64, 32),
                        Cat({w.Prefix(3), w.ParaLin(0, 0, 13, 13), w.ParaLin(13, 13, 27, 0)}),
                        w.End()}));
  EXPECT_EQ(ReadFile(In("QUILLONK.SYS")), Crlf("PLC:\\SOFTKEYS\\r12.sk\nPLC:\\SOFTKEYS\\r2000.sk\n"));

  // The ellipse that ezdxf adds to the R2000 drawing fails the softkey and
  // the run.
  Put("p.spm", std::string(kProjectHeader) +
                   "SKMENU ROOT HROOT\n"
                   "DXF r2000_extra.dxf EXTRA\n"
                   "ACTION EXTRA\n"
                   "ENDSKMENU\n");
  r = Run({"-gensys"});
  EXPECT_EQ(r.status, 2) << r.out;
  std::string log = ReadFile(In("p.log"));
  EXPECT_NE(log.find("File: proj\\r2000_extra.PIC("), std::string::npos) << log;
  EXPECT_NE(log.find("): E8254: DXF entity not supported\r\n"
                     "File: proj\\p.spm(3): E8254: DXF entity not supported\r\n"
                     "\r\n\r\n2 Error(s), 0 Warning(s)\r\n"),
            std::string::npos)
      << log;
  EXPECT_FALSE(FileExistsOnDisk(In("r2000_extra.PIC")));
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));
}

}  // namespace
