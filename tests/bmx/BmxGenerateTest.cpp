#include "bmx/BmxGenerate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bmx/BmxDecoder.h"
#include "bmx/BmxProject.h"
#include "diag/Diagnostics.h"
#include "paths/Paths.h"
#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "project/RunContext.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using bmxtest::Bitmap24;
using bmxtest::Hex;
using bmxtest::Name8;
using bmxtest::W;
using q32test::ReadFile;
using q32test::TempDir;

const std::string kHeader = "; BMX Project File - Version 2.0\n";
const std::string kDest = "PLC:\\SOFTKEYS\\";
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

std::string Solid(int w, int h, std::uint32_t v) {
  return Bitmap24(w, h, [v](int) { return v; });
}

// A run with the shipped catalogue, a log, the console in a file and the
// project directory as current and base directory.
struct Generator {
  TempDir dir;
  std::unique_ptr<FileSystem> host = MakeHostFileSystem();
  FaultyFileSystem fs{*host};
  std::unique_ptr<RunContext> run = std::make_unique<RunContext>(fs);
  std::FILE* console = std::tmpfile();
  std::string saved;

  Generator() {
    std::string catalogue = q32test::SourcePath(kCatalogueName);
    std::string catalogueDir = catalogue.substr(0, catalogue.size() - std::string(kCatalogueName).size());
    EXPECT_EQ(LoadMessageCatalogue(run->diag, run->settings.errorCount, run->settings.warningCount, catalogueDir,
                                   kCatalogueName, kCatalogueHeader, dir / "run.log"),
              0);
    run->diag.console = console;
    SetBaseDirectory(run->paths, dir.path());
    host->GetCurrentDir(saved);
    host->SetCurrentDir(dir.path());
  }
  ~Generator() {
    CloseMessageCatalogue(run->diag);
    host->SetCurrentDir(saved);
    std::fclose(console);
  }

  void Put(const std::string& name, const std::string& bytes) { q32test::WriteFile(dir / name, bytes); }
  std::string Get(const std::string& name) { return ReadFile(dir / name); }
  bool Has(const std::string& name) { return q32test::FileExistsOnDisk(dir / name); }

  int Generate(const std::string& project = "p.bpj", bool first = true, const std::string& languageDir = {},
               const std::string& base = {}, const std::string& dest = kDest) {
    return GenerateBmxSoftkey(*run, dir / project, dest, languageDir, base, first);
  }
  int List(const std::string& project = "p.bpj") { return ListBmxIncludes(*run, dir / project); }

  std::string Log() {
    std::string log = ReadFile(dir / "run.log");
    std::erase(log, '\r');
    return log;
  }
  int Errors() const { return run->settings.errorCount; }
  int Warnings() const { return run->settings.warningCount; }
};

bmxtest::BmxFile Decode(const std::string& bytes) {
  bmxtest::BmxFile file;
  std::string error;
  EXPECT_TRUE(bmxtest::DecodeBmx(bytes, file, error)) << error;
  return file;
}

// The picture a layer record rebuilds over the background, by the independent
// decoder.
std::vector<std::uint32_t> LayerPixels(const std::string& body, const std::string& background) {
  std::vector<std::uint32_t> pixels = bmxtest::Pixels24(background), d;
  std::string error;
  EXPECT_EQ(bmxtest::Word(body, 0), body.size() - 4);
  EXPECT_TRUE(bmxtest::DecodeLayer(body.substr(4), pixels.size(), d, error)) << error;
  for (std::size_t i = 0; i < d.size(); ++i) pixels[i] ^= d[i];
  return pixels;
}

// --- whole files ------------------------------------------------------------
// The end-to-end runs compare small files of every element kind byte for
// byte; these cover the keywords and decisions they do not reach.

// The words of a text body: alignments, position unit and place, size given,
// font or size unit, size, colour given, colour.
std::vector<std::uint32_t> TextWords(const std::string& body) {
  bmxtest::TextBody t = bmxtest::DecodeText(body);
  EXPECT_TRUE(t.zeroFilled);
  EXPECT_EQ(t.length, t.text.size() + 1);
  return {t.horizontal, t.vertical, t.unit, t.x, t.y, t.sizeGiven, t.fontOrUnit, t.size, t.colorGiven, t.color};
}
using Words = std::vector<std::uint32_t>;

TEST(BmxGenerate, ProjectWithoutElements) {
  Generator g;
  g.Put("p.bpj", kHeader + "BMX\nENDBMX\n");
  ASSERT_EQ(g.Generate(), 0);
  EXPECT_EQ(Hex(g.Get("p.bmx")), Hex("BMX2" + W(2) + Name8("LAN") + W(0) + Name8("PARA") + W(0) + W(0)));
  EXPECT_EQ(g.Log(), "GeneratingSK \"p.bmx\" PLC:\\SOFTKEYS\\\n");
}

const char kEnText[] = "OK \"Yes \xE9\"\n";  // Windows-1252
const char kDeText[] = ";<UTF-8 coded text>\nOK \"Ja \xC3\xA4\"\n";
const char kFrText[] = "msgid \"OK\"\nmsgstr \"Oui\"\n";

TEST(BmxGenerate, EveryKeywordExtendedFile) {
  Generator g;
  const std::string bg = Solid(3, 2, 0x000000);
  const std::string layer = Bitmap24(3, 2, [](int i) { return i == 5 ? 0x0000FFu : 0u; });
  const std::string icon = Solid(1, 1, 0x123456);
  const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
  g.Put("bg.bmp", bg);
  g.Put("layer.bmp", layer);
  g.Put("img/icon.bmp", icon);
  g.Put("pic.svg", svg);
  g.Put("placed.svg", svg + "\n");
  g.Put("lang/en.inc", kEnText);
  g.Put("lang/de.txt", kDeText);
  g.Put("lang/fr.po", kFrText);
  g.Put("p.bpj", kHeader +
                     "LANGUAGEPATH lang\nSCALABLE\nBMX out\\\n  PIXSIZE_640x480 60 40\n  BGRCOLOR $102030\n"
                     "  TCOLOR $FF00FF\n  ANIMINTERVAL 200\n  BMP bg.bmp\n  BMP layer.bmp LANG:DE:EN ATTR:10\n"
                     "  BMP img\\icon.bmp ATTR:1\n    PIXPOS 3 4\n  SVG pic.svg ATTR:2\n    RELSIZE 50 25\n"
                     "  SVG placed.svg OVERLAY:o1\n    PIXPOS 7 8\n    PIXSIZE 16 16\n  ENDSVG\n"
                     "  TXT @OK ATTR:2 ANIM:a\n    TXTEMPLATE TXT31R9\n  ENDTXT\n  TXT \"Gr\xFC\xDF\"\n"
                     "    PIXPOS 1 2\n    PIXFONTSIZE 9\n    COLOR $ABCDEF\n    ALIGN RIGHT\n    VERTALIGN TOP\n"
                     "  ENDTXT\n"
                     "ENDBMX\n");
  ASSERT_EQ(g.Generate(), 0) << g.Log();
  ASSERT_TRUE(g.Has("out/p.bmx")) << g.Log();
  const std::string bytes = g.Get("out/p.bmx");
  bmxtest::BmxFile f = Decode(bytes);
  EXPECT_EQ(f.background, bg);
  EXPECT_EQ(f.magic, "BXX3");
  // Colours, interval, the background's size (the 640x480 entry belongs to
  // a variant this output does not have), UTF-8, scalable.
  EXPECT_EQ(f.extended, (std::vector<std::uint32_t>{1, 0xFF00FF, 1, 0x102030, 200, 3, 2, 1, 1, 0}));

  const std::vector<std::pair<std::string, std::vector<std::string>>> dictionary = {
      {"LAN", {"DE", "EN", "FR"}}, {"PARA", {"1", "10", "2"}}, {"OVERLAY", {"o1"}}, {"ANIM", {"a"}}};
  ASSERT_EQ(f.dictionary.size(), dictionary.size());
  for (std::size_t i = 0; i < dictionary.size(); ++i) {
    EXPECT_EQ(f.dictionary[i].name, dictionary[i].first);
    EXPECT_EQ(f.dictionary[i].values, dictionary[i].second) << dictionary[i].first;
  }

  // Four texts (EN, DE, FR, the direct one), three layers, a placed bitmap,
  // two SVG pictures.
  ASSERT_EQ(f.records.size(), 10u);
  const std::uint32_t types[] = {2, 2, 2, 2, 1, 1, 1, 3, 4, 4};
  for (std::size_t i = 0; i < f.records.size(); ++i) {
    EXPECT_EQ(f.records[i].type, types[i]) << i;
    EXPECT_EQ(f.records[i].next, f.records[i].offset + 8 + 16 + f.records[i].body.size()) << i;
  }
  // The language texts at template TXT31R9 (id 8), right, baseline, font
  // given by template: EN (1), DE (0), FR (2) under LAN.
  const char* languages[] = {"Yes \xC3\xA9", "Ja \xC3\xA4", "Oui"};
  const std::uint32_t lan[] = {1, 0, 2};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(f.records[i].indexes, (Words{lan[i], 2, kNone, 0})) << i;
    EXPECT_EQ(bmxtest::DecodeText(f.records[i].body).text, languages[i]);
    EXPECT_EQ(TextWords(f.records[i].body), (Words{2, 1, 0, 8, 0, 0, 1, 0, 0, 0})) << i;
    EXPECT_EQ(bmxtest::DecodeText(f.records[i].body).fontName, std::string(7, '\0'));
  }
  // The direct text, converted to the project's UTF-8, in pixels and the system font.
  EXPECT_EQ(f.records[3].indexes, (Words{kNone, kNone, kNone, kNone}));
  EXPECT_EQ(bmxtest::DecodeText(f.records[3].body).text, "Gr\xC3\xBC\xC3\x9F");
  EXPECT_EQ(TextWords(f.records[3].body), (Words{2, 0, 1, 1, 2, 1, 0, 9, 1, 0xABCDEF}));
  EXPECT_EQ(bmxtest::DecodeText(f.records[3].body).fontName, std::string("System\0", 7));
  EXPECT_EQ(f.records[3].body.size(), 84u + 8u);
  // The background, then the layer for DE and its copy for EN.
  EXPECT_EQ(Hex(f.records[4].body), Hex(W(4) + W(0x100)));
  EXPECT_EQ(f.records[5].indexes, (Words{0, 1, kNone, kNone}));
  EXPECT_EQ(f.records[6].indexes, (Words{1, 1, kNone, kNone}));
  // Five unchanged pixels, then the last one changed.
  EXPECT_EQ(Hex(f.records[5].body), Hex(W(12) + W(0x00050200) + W(0x0000FF01) + W(0x100)));
  EXPECT_EQ(f.records[6].body, f.records[5].body);
  // The placed bitmap: position, pixel offset and the file without its
  // first 14 bytes.
  EXPECT_EQ(f.records[7].indexes, (Words{kNone, 0, kNone, kNone}));
  EXPECT_EQ(Hex(f.records[7].body), Hex(W(1) + W(3) + W(4) + W(40) + W(static_cast<std::uint32_t>(icon.size() - 14)) +
                                        icon.substr(14)));
  // The SVG pictures: without and with position.
  EXPECT_EQ(f.records[8].indexes, (Words{kNone, 2, kNone, kNone}));
  EXPECT_EQ(Hex(f.records[8].body),
            Hex(W(0) + W(0) + W(0) + W(0) + W(2) + W(50) + W(25) + W(static_cast<std::uint32_t>(svg.size())) + svg));
  EXPECT_EQ(f.records[9].indexes, (Words{kNone, kNone, 0, kNone}));
  EXPECT_EQ(Hex(f.records[9].body), Hex(W(0) + W(1) + W(7) + W(8) + W(1) + W(16) + W(16) +
                                        W(static_cast<std::uint32_t>(svg.size() + 1)) + svg + "\n"));
  EXPECT_EQ(g.Log(), "GeneratingSK \"out\\p.bmx\" PLC:\\SOFTKEYS\\\n");
}

TEST(BmxGenerate, TextsStayLatin1WithoutUtf8Languages) {
  Generator g;
  g.Put("lang/en.inc", kEnText);
  g.Put("p.bpj", kHeader + "LANGUAGEPATH lang\nCODING UTF-8\nBMX\nTXT @OK\nENDTXT\nTXT \"\xC3\xA4\"\nENDTXT\nENDBMX\n");
  ASSERT_EQ(g.Generate(), 0) << g.Log();
  bmxtest::BmxFile f = Decode(g.Get("p.bmx"));
  EXPECT_EQ(f.magic, "BMX2");  // CODING is replaced by the texts' coding
  ASSERT_EQ(f.records.size(), 2u);
  EXPECT_EQ(bmxtest::DecodeText(f.records[0].body).text, "Yes \xE9");
  EXPECT_EQ(bmxtest::DecodeText(f.records[1].body).text, "\xC3\xA4");  // a direct text counts as Latin-1
  EXPECT_EQ(f.dictionary[0].values, (std::vector<std::string>{"EN"}));
}

// Pictures written by ImageMagick feed the generator; the layer is rebuilt
// from the file by the independent decoder.
TEST(BmxGenerate, ImageMagickBitmaps) {
  if (!q32test::HaveTool("convert")) GTEST_SKIP() << "ImageMagick not installed";
  Generator g;
  auto made = q32test::RunCommand(
      "convert -size 5x3 xc:red -type truecolor BMP3:bg.bmp && "
      "convert -size 5x3 xc:red -fill blue -draw 'point 1,1' -fill lime -draw 'point 4,2' -type truecolor BMP3:layer.bmp && "
      "convert -size 5x4 xc:red -type truecolor BMP3:big.bmp",
      g.dir.path());
  ASSERT_EQ(made.status, 0) << made.out;
  g.Put("p.bpj", kHeader + "BMX\nBMP bg.bmp\nBMP layer.bmp\nENDBMX\n");
  ASSERT_EQ(g.Generate(), 0) << g.Log();
  bmxtest::BmxFile f = Decode(g.Get("p.bmx"));
  EXPECT_EQ(f.background, g.Get("bg.bmp"));
  ASSERT_EQ(f.records.size(), 2u);
  EXPECT_EQ(LayerPixels(f.records[1].body, f.background), bmxtest::Pixels24(g.Get("layer.bmp")));

  g.Put("q.bpj", kHeader + "BMX\nBMP bg.bmp\nBMP big.bmp\nENDBMX\n");
  EXPECT_EQ(g.Generate("q.bpj"), 2);
  EXPECT_NE(g.Log().find("File: big.bmp: E8328"), std::string::npos) << g.Log();
}

TEST(BmxGenerate, ResolutionVariants) {
  Generator g;
  g.Put("bg_640x480.bmp", Solid(4, 3, 0x010203));
  g.Put("bg_1024x768.bmp", Solid(8, 6, 0x040506));
  g.Put("pic.svg", "<svg/>");
  g.Put("lang/en.inc", "OK_640x480 \"small\"\nOK_1024x768 \"\"\nUNUSED\n");
  g.Put("p.bpj", kHeader +
                     "LANGUAGEPATH lang\nBMX %RES%\\\n  PIXSIZE_640x480 60 0\n  PIXSIZE_800x600 1 1\n"
                     "  TCOLOR $1\n  BMP bg_%RES%.bmp\n  SVG pic.svg\n  TXT @OK_%RES%\n  ENDTXT\n"
                     "ENDBMX\n");
  ASSERT_EQ(g.Generate(), 0) << g.Log();
  bmxtest::BmxFile small = Decode(g.Get("640x480/p.bmx"));
  bmxtest::BmxFile large = Decode(g.Get("1024x768/p.bmx"));
  // Width from the 640x480 entry, height where it is 0 from the background.
  EXPECT_EQ(small.extended[5], 60u);
  EXPECT_EQ(small.extended[6], 3u);
  ASSERT_EQ(small.records.size(), 3u);
  ASSERT_EQ(large.records.size(), 3u);
  // An empty text line of the variant falls back to line 0; the SVG without
  // %RES% serves both.
  EXPECT_EQ(bmxtest::DecodeText(large.records[0].body).text, "small");
  EXPECT_EQ(small.records[2].body, large.records[2].body);
  // The untranslated entry is reported once, as a warning.
  EXPECT_EQ(g.Log(),
            "Warning: W8305: Language texts missing or untranslated\n"
            "GeneratingSK \"640x480\\p.bmx\" PLC:\\SOFTKEYS\\\n"
            "GeneratingSK \"1024x768\\p.bmx\" PLC:\\SOFTKEYS\\\n");
  EXPECT_EQ(g.Warnings(), 1);

  // The destination names the variant, or loses its "\%RES%" without one,
  // whatever the case of the name.
  g.Put("q.bpj", kHeader + "BMX %RES%\\\nENDBMX\n");
  ASSERT_EQ(g.Generate("q.bpj", true, {}, {}, "PLC:\\SK\\%res%\\"), 0);
  g.Put("r.bpj", kHeader + "BMX\nENDBMX\n");
  ASSERT_EQ(g.Generate("r.bpj", true, {}, {}, "PLC:\\SK\\%Res%\\x\\%RES%"), 0);
  std::string log = g.Log();
  EXPECT_NE(log.find("GeneratingSK \"640x480\\q.bmx\" PLC:\\SK\\640x480\\\n"), std::string::npos) << log;
  EXPECT_NE(log.find("GeneratingSK \"1024x768\\q.bmx\" PLC:\\SK\\1024x768\\\n"), std::string::npos) << log;
  EXPECT_NE(log.find("GeneratingSK \"r.bmx\" PLC:\\SK\\x\n"), std::string::npos) << log;
}

// The output location's file name is not used; its directories are made.  A
// first project loads the language texts again.
TEST(BmxGenerate, OutputLocationAndFirstProject) {
  Generator g;
  g.Put("sub/texts/en.inc", "OK \"Yes\"\n");
  g.Put("sub/p.bpj", kHeader + "LANGUAGEPATH texts\nBMX ..\\deep\\er\\name.xyz\nTXT @OK\nENDTXT\nENDBMX\n");
  ASSERT_EQ(g.Generate("sub/p.bpj", true), 0) << g.Log();
  EXPECT_EQ(bmxtest::DecodeText(Decode(g.Get("deep/er/p.bmx")).records[0].body).text, "Yes");
  ASSERT_EQ(g.Generate("sub/p.bpj", false, g.dir / "nowhere"), 0) << g.Log();
  EXPECT_EQ(g.Generate("sub/p.bpj", true, g.dir / "nowhere"), 2);
  EXPECT_NE(g.Log().find("File: sub\\p.bpj(5): E8316"), std::string::npos) << g.Log();
}

// The BMX softkey of the example project generates, with its caption in the
// three languages of its language directory.
TEST(BmxGenerate, ExampleSpindleProject) {
  Generator g;
  const std::string example = q32test::SourcePath("examples/mill/bmx/");
  for (const char* name : {"spindle.bpj", "spindle_bg.bmp", "spindle_on.bmp", "tool.svg", "lang/en.inc",
                           "lang/de.txt", "lang/fr.po"})
    g.Put(name, ReadFile(example + name));
  ASSERT_EQ(g.Generate("spindle.bpj"), 0) << g.Log();
  EXPECT_EQ(g.Errors() + g.Warnings(), 0) << g.Log();
  bmxtest::BmxFile f = Decode(g.Get("spindle.bmx"));
  EXPECT_EQ(f.magic, "BXX3");  // German and French come as UTF-8
  ASSERT_EQ(f.records.size(), 6u);
  const char* texts[] = {"Spindle", "Spindel dreht", "Broche \xC3\xA0 tourner"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(bmxtest::DecodeText(f.records[i].body).text, texts[i]);
  ASSERT_EQ(f.dictionary.size(), 2u);
  EXPECT_EQ(f.dictionary[0].name, "PARA");  // the layer's attribute comes first
  EXPECT_EQ(LayerPixels(f.records[4].body, f.background), bmxtest::Pixels24(g.Get("spindle_on.bmp")));
  EXPECT_EQ(f.records[5].type, 4u);
}

// --- failures ---------------------------------------------------------------

// The failures the end-to-end runs do not reach, with their whole reports.
TEST(BmxGenerate, FailureCodesAndTheirReports) {
  struct Case {
    std::string project;
    std::vector<std::pair<std::string, std::string>> files;
    std::string report;  // the log line
  };
  const std::string bg = Solid(2, 2, 0);
  std::string compressed = Solid(2, 2, 0);
  compressed[30] = 1;
  std::string manyImages = kHeader + "BMX\n";
  for (int i = 0; i < 1025; ++i) manyImages += "SVG a.svg\n";
  manyImages += "ENDBMX\n";
  const std::string layer = kHeader + "BMX\nBMP bg.bmp\nBMP l.bmp\nENDBMX\n";
  const Case cases[] = {
      {kHeader + "LANGUAGEFILE l\\en.inc\nLANGUAGEFILE l\\en.inc\n", {{"l/en.inc", "A B\n"}}, ""},
      {kHeader + "BMX\nBMP bg.bmp\nENDBMX\n", {{"bg.bmp", bg.substr(0, bg.size() - 1)}},
       "File: bg.bmp: E8322: Not a 24-bit uncompressed bitmap"},
      {layer, {{"bg.bmp", bg}, {"l.bmp", compressed}}, "File: l.bmp: E8322: Not a 24-bit uncompressed bitmap"},
      {kHeader + "BMX\nBMP i.bmp\nPIXPOS 1 1\nENDBMX\n", {{"i.bmp", "BM short"}},
       "File: i.bmp: E8327: Picture file cannot be opened or read"},
      {manyImages, {{"a.svg", "<svg/>"}}, "File: p.bpj: E8225: Not enough memory for the softkey project"},
  };
  int n = 0;
  for (const Case& c : cases) {
    Generator g;
    if (!c.project.empty()) g.Put("p.bpj", c.project);
    for (const auto& [name, content] : c.files) g.Put(name, content);
    int rc = g.Generate();
    std::string log = g.Log();
    if (c.report.empty()) {
      EXPECT_EQ(rc, 0) << n;
    } else {
      EXPECT_EQ(rc, 2) << n << ": " << c.report;
      EXPECT_EQ(log, c.report + "\n") << n;
      EXPECT_EQ(g.Errors(), 1) << n;
    }
    ++n;
  }
}

TEST(BmxGenerate, WriteFailures) {
  Generator g;
  g.Put("bg.bmp", Solid(2, 2, 7));
  g.Put("p.bpj", kHeader + "BMX\nBMP bg.bmp\nENDBMX\n");
  g.fs.rule = [](FileOp op, const std::string& path) {
    return op == FileOp::Write && path.find("p.bmx") != std::string::npos;
  };
  EXPECT_EQ(g.Generate(), 2);
  EXPECT_EQ(g.Log(), "Error: E8325: Error writing background picture\n");
  g.fs.rule = [](FileOp op, const std::string& path) {
    return op == FileOp::Create && path.find("p.bmx") != std::string::npos;
  };
  EXPECT_EQ(g.Generate(), 2);
  EXPECT_NE(g.Log().find("File: p.bmx: E8326"), std::string::npos);
}

// Every file operation of a run fails in turn: the result is always 0 or 2,
// nothing crashes, and the pictures and project are never removed.
TEST(BmxGenerate, EachFailingFileOperation) {
  for (long k = 1; k < 60; ++k) {
    Generator g;
    g.Put("bg.bmp", Solid(3, 3, 1));
    g.Put("l.bmp", Solid(3, 3, 2));
    g.Put("lang/en.inc", "OK \"Yes\"\n");
    g.Put("p.bpj", kHeader + "LANGUAGEPATH lang\nBMX out\\\nBMP bg.bmp\nBMP l.bmp ATTR:1-2\nTXT @OK\nENDTXT\nENDBMX\n");
    g.fs.failAt = k;
    int rc = g.Generate();
    EXPECT_TRUE(rc == 0 || rc == 2) << k;
    EXPECT_TRUE(g.Has("bg.bmp") && g.Has("l.bmp") && g.Has("p.bpj") && g.Has("lang/en.inc")) << k;
    if (rc == 2) {
      EXPECT_GE(g.Errors(), 1) << k << " " << g.fs.failedDescription;
    }
  }
}

// --- listing ----------------------------------------------------------------

// A listing loads no language texts; a project it cannot open is reported.
TEST(BmxGenerate, ListingLoadsNoTextsAndReportsFailures) {
  Generator g;
  g.Put("p.bpj", kHeader + "LANGUAGEPATH nowhere\nBMX\nBMP a.bmp\nTXT @OK\nENDTXT\nENDBMX\n");
  ASSERT_EQ(g.List(), 0);
  EXPECT_EQ(g.Log(), "Included a.bmp\n");
  EXPECT_EQ(g.run->languages.state, kLanguagesNotLoaded);
  EXPECT_EQ(g.List("q.bpj"), 2);
  EXPECT_NE(g.Log().find("File: q.bpj: E8300: BMX project file cannot be opened\n"), std::string::npos);
}

// --- robustness -------------------------------------------------------------

// Random and truncated projects and pictures give clean codes.
TEST(BmxGenerate, FuzzProjectsAndBitmaps) {
  const std::string valid = kHeader +
                            "LANGUAGEPATH lang\nSCALABLE\nBMX %RES%\\\nPIXSIZE_640x480 10 10\nBGRCOLOR $FF\n"
                            "BMP bg.bmp LANG:DE:EN\nBMP l.bmp ATTR:1-3\nBMP i.bmp\nRELPOS 1 2\n"
                            "SVG s.svg OVERLAY:a:b\nPIXPOS 1 1\nRELSIZE 3 3\nTXT @OK_%RES% ANIM:1-2\n"
                            "TXTEMPLATE TXTMC5\nCOLOR $123\nENDTXT\nTXT Hello LANG:EN\nPIXFONTSIZE 5\nENDTXT\n"
                            "ENDBMX\n";
  const std::string bg = Solid(3, 2, 0x10);
  const std::string layer = Bitmap24(3, 2, [](int i) { return static_cast<std::uint32_t>(i * 0x10101); });
  std::mt19937 random(99);
  const char alphabet[] = "BMPSVGTXENDLAG:-%RES$0123456789 \n;\"',=@";
  Generator g;
  g.Put("lang/en.inc", "OK_640x480 \"a\"\nOK_1024x768 \"b\"\n");
  g.Put("lang/de.po", "msgid \"OK_640x480\"\nmsgstr \"c\"\nmsgid \"OK_1024x768\"\nmsgstr \"d\"\n");
  g.Put("s.svg", "<svg/>");
  int generated = 0;
  g.Put("p.bpj", valid);
  g.Put("bg.bmp", bg);
  g.Put("l.bmp", layer);
  g.Put("i.bmp", layer);
  ASSERT_EQ(g.Generate(), 0) << g.Log();
  for (int round = 0; round < 200; ++round) {
    // Projects alone, pictures alone, or both are spoilt.
    const bool spoilProject = round % 3 != 1, spoilPictures = round % 3 != 0;
    std::string project = valid;
    int edits = spoilProject ? 1 + static_cast<int>(random() % 6) : 0;
    for (int e = 0; e < edits && !project.empty(); ++e) {
      std::size_t at = random() % project.size();
      switch (random() % 4) {
        case 0: project[at] = alphabet[random() % (sizeof alphabet - 1)]; break;
        case 1: project.erase(at, 1 + random() % 10); break;
        case 2: project.insert(at, 1, alphabet[random() % (sizeof alphabet - 1)]); break;
        default: project.resize(at); break;
      }
    }
    std::string b = bg, l = layer, i = layer;
    auto mutate = [&](std::string& s) {
      if (!spoilPictures) return;
      switch (random() % 4) {
        case 0: s.resize(random() % s.size()); break;
        case 1: s[random() % s.size()] = static_cast<char>(random()); break;
        case 2:
          for (int k = 0; k < 4; ++k) s[14 + random() % 40] = static_cast<char>(random());
          break;
        default: break;
      }
    };
    mutate(b);
    mutate(l);
    mutate(i);
    g.Put("p.bpj", project);
    g.Put("bg.bmp", b);
    g.Put("l.bmp", l);
    g.Put("i.bmp", i);
    int rc = g.Generate("p.bpj", round % 2 == 0);
    ASSERT_TRUE(rc == 0 || rc == 2) << round;
    generated += rc == 0;
    rc = g.List();
    ASSERT_TRUE(rc == 0 || rc == 2) << round;
    for (const char* name : {"640x480/p.bmx", "1024x768/p.bmx", "p.bmx"}) {
      if (!g.Has(name)) continue;
      // Whatever was written parses up to where it ends.
      bmxtest::BmxFile f;
      std::string error;
      (void)bmxtest::DecodeBmx(g.Get(name), f, error);
    }
  }
  // The mutations leave enough projects intact to reach the writer.
  EXPECT_GT(generated, 15);
}

}  // namespace
}  // namespace q32
