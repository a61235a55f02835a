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
    std::string out;
    for (char c : log)
      if (c != '\r') out += c;
    return out;
  }
  std::string Console() {
    std::fflush(console);
    std::rewind(console);
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, console)) > 0) out.append(buffer, n);
    return out;
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

// --- whole files ------------------------------------------------------------

TEST(BmxGenerate, SmallProjectByteForByte) {
  Generator g;
  const std::string bg = Solid(2, 2, 0x112233);
  const std::string layer = Bitmap24(2, 2, [](int i) { return i == 0 ? 0x112232u : 0x112233u; });
  g.Put("bg.bmp", bg);
  g.Put("layer.bmp", layer);
  g.Put("p.bpj", kHeader + "BMX\nBMP bg.bmp\nBMP layer.bmp ATTR:2\nTXT OK\nENDTXT\nENDBMX\n");
  ASSERT_EQ(g.Generate(), 0) << g.Log();

  std::string expected = bg;
  expected += "BMX2";
  expected += W(2) + Name8("LAN") + W(0) + Name8("PARA") + W(1) + Name8("2");
  ASSERT_EQ(expected.size(), 110u);
  // The text record: 8 head bytes, two indexes, 84 body bytes, "OK" with
  // its zero and one byte of padding.
  expected += W(2) + W(214) + W(kNone) + W(kNone);
  expected += W(0) + W(0) + W(1) + W(0) + W(11) + W(0) + W(0) + W(2) + W(0);
  expected += std::string(36, '\0');
  expected += W(0) + W(0) + W(3) + std::string("OK\0\0", 4);
  // The background as layer: the end unit alone.
  expected += W(1) + W(238) + W(kNone) + W(kNone) + W(4) + W(0x00000100);
  // The layer whose first pixel differs in its low byte.
  expected += W(1) + W(266) + W(kNone) + W(0) + W(8) + W(0x00000101) + W(0x00000100);
  expected += W(0);
  EXPECT_EQ(Hex(g.Get("p.bmx")), Hex(expected));

  EXPECT_EQ(g.Log(), "GeneratingSK \"p.bmx\" PLC:\\SOFTKEYS\\\n");
  EXPECT_NE(g.Console().find("p.bpj"), std::string::npos);
  EXPECT_EQ(g.Errors(), 0);
  EXPECT_EQ(g.Warnings(), 0);
}

TEST(BmxGenerate, ProjectWithoutElements) {
  Generator g;
  g.Put("p.bpj", kHeader + "BMX\nENDBMX\n");
  ASSERT_EQ(g.Generate(), 0);
  EXPECT_EQ(Hex(g.Get("p.bmx")),
            Hex("BMX2" + W(2) + Name8("LAN") + W(0) + Name8("PARA") + W(0) + W(0)));
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
                     "LANGUAGEPATH lang\n"
                     "SCALABLE\n"
                     "BMX out\\\n"
                     "  PIXSIZE_640x480 60 40\n"
                     "  BGRCOLOR $102030\n"
                     "  TCOLOR $FF00FF\n"
                     "  ANIMINTERVAL 200\n"
                     "  BMP bg.bmp\n"
                     "  BMP layer.bmp LANG:DE:EN ATTR:10\n"
                     "  BMP img\\icon.bmp ATTR:1\n"
                     "    PIXPOS 3 4\n"
                     "  SVG pic.svg ATTR:2\n"
                     "    RELSIZE 50 25\n"
                     "  SVG placed.svg OVERLAY:o1\n"
                     "    PIXPOS 7 8\n"
                     "    PIXSIZE 16 16\n"
                     "  ENDSVG\n"
                     "  TXT @OK ATTR:2 ANIM:a\n"
                     "    TXTEMPLATE TXT31R9\n"
                     "  ENDTXT\n"
                     "  TXT \"Gr\xFC\xDF\"\n"
                     "    PIXPOS 1 2\n"
                     "    PIXFONTSIZE 9\n"
                     "    COLOR $ABCDEF\n"
                     "    ALIGN RIGHT\n"
                     "    VERTALIGN TOP\n"
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

  ASSERT_EQ(f.dictionary.size(), 4u);
  EXPECT_EQ(f.dictionary[0].name, "LAN");
  EXPECT_EQ(f.dictionary[0].values, (std::vector<std::string>{"DE", "EN", "FR"}));
  EXPECT_EQ(f.dictionary[1].name, "PARA");
  EXPECT_EQ(f.dictionary[1].values, (std::vector<std::string>{"1", "10", "2"}));
  EXPECT_EQ(f.dictionary[2].name, "OVERLAY");
  EXPECT_EQ(f.dictionary[2].values, (std::vector<std::string>{"o1"}));
  EXPECT_EQ(f.dictionary[3].name, "ANIM");
  EXPECT_EQ(f.dictionary[3].values, (std::vector<std::string>{"a"}));

  // Four texts (EN, DE, FR, the direct one), three layers, a placed bitmap,
  // two SVG pictures.
  ASSERT_EQ(f.records.size(), 10u);
  const std::uint32_t types[] = {2, 2, 2, 2, 1, 1, 1, 3, 4, 4};
  for (std::size_t i = 0; i < f.records.size(); ++i) {
    EXPECT_EQ(f.records[i].type, types[i]) << i;
    EXPECT_EQ(f.records[i].next, f.records[i].offset + 8 + 16 + f.records[i].body.size()) << i;
  }
  const char* languages[] = {"Yes \xC3\xA9", "Ja \xC3\xA4", "Oui"};
  for (int i = 0; i < 3; ++i) {
    const auto& r = f.records[i];
    EXPECT_EQ(r.indexes, (std::vector<std::uint32_t>{static_cast<std::uint32_t>(i == 0 ? 1 : i == 1 ? 0 : 2), 2,
                                                     kNone, 0}))
        << i;
    bmxtest::TextBody t = bmxtest::DecodeText(r.body);
    EXPECT_EQ(t.text, languages[i]);
    EXPECT_EQ(t.length, t.text.size() + 1);
    EXPECT_EQ(t.horizontal, 2u);
    EXPECT_EQ(t.vertical, 1u);
    EXPECT_EQ(t.unit, 0u);
    EXPECT_EQ(t.x, 8u);  // the template id
    EXPECT_EQ(t.y, 0u);
    EXPECT_EQ(t.sizeGiven, 0u);
    EXPECT_EQ(t.fontOrUnit, 1u);
    EXPECT_EQ(t.size, 0u);
    EXPECT_EQ(t.fontName, std::string(7, '\0'));
    EXPECT_EQ(t.colorGiven, 0u);
    EXPECT_TRUE(t.zeroFilled);
  }
  {
    const auto& r = f.records[3];
    EXPECT_EQ(r.indexes, (std::vector<std::uint32_t>{kNone, kNone, kNone, kNone}));
    bmxtest::TextBody t = bmxtest::DecodeText(r.body);
    EXPECT_EQ(t.text, "Gr\xC3\xBC\xC3\x9F");  // converted to the project's UTF-8
    EXPECT_EQ(t.horizontal, 2u);
    EXPECT_EQ(t.vertical, 0u);
    EXPECT_EQ(t.unit, 1u);
    EXPECT_EQ(t.x, 1u);
    EXPECT_EQ(t.y, 2u);
    EXPECT_EQ(t.sizeGiven, 1u);
    EXPECT_EQ(t.fontOrUnit, 0u);
    EXPECT_EQ(t.size, 9u);
    EXPECT_EQ(t.fontName, std::string("System\0", 7));
    EXPECT_EQ(t.colorGiven, 1u);
    EXPECT_EQ(t.color, 0xABCDEFu);
    EXPECT_TRUE(t.zeroFilled);
    EXPECT_EQ(r.body.size(), 84u + 8u);
  }
  // The background, then the layer for DE and its copy for EN.
  EXPECT_EQ(Hex(f.records[4].body), Hex(W(4) + W(0x100)));
  EXPECT_EQ(f.records[5].indexes, (std::vector<std::uint32_t>{0, 1, kNone, kNone}));
  EXPECT_EQ(f.records[6].indexes, (std::vector<std::uint32_t>{1, 1, kNone, kNone}));
  // Five unchanged pixels, then the last one changed.
  EXPECT_EQ(Hex(f.records[5].body), Hex(W(12) + W(0x00050200) + W(0x0000FF01) + W(0x100)));
  EXPECT_EQ(f.records[6].body, f.records[5].body);
  // The placed bitmap: position, pixel offset and the file without its
  // first 14 bytes.
  EXPECT_EQ(f.records[7].indexes, (std::vector<std::uint32_t>{kNone, 0, kNone, kNone}));
  EXPECT_EQ(Hex(f.records[7].body), Hex(W(1) + W(3) + W(4) + W(40) + W(static_cast<std::uint32_t>(icon.size() - 14)) +
                                        icon.substr(14)));
  // The SVG pictures: without and with position.
  EXPECT_EQ(f.records[8].indexes, (std::vector<std::uint32_t>{kNone, 2, kNone, kNone}));
  EXPECT_EQ(Hex(f.records[8].body),
            Hex(W(0) + W(0) + W(0) + W(0) + W(2) + W(50) + W(25) + W(static_cast<std::uint32_t>(svg.size())) + svg));
  EXPECT_EQ(f.records[9].indexes, (std::vector<std::uint32_t>{kNone, kNone, 0, kNone}));
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
  const std::string bg = g.Get("bg.bmp");
  const std::string layer = g.Get("layer.bmp");
  bmxtest::BmxFile f = Decode(g.Get("p.bmx"));
  EXPECT_EQ(f.background, bg);
  ASSERT_EQ(f.records.size(), 2u);
  std::vector<std::uint32_t> d;
  std::string error;
  std::string data = f.records[1].body.substr(4);
  ASSERT_EQ(bmxtest::Word(f.records[1].body, 0), data.size());
  ASSERT_TRUE(bmxtest::DecodeLayer(data, 15, d, error)) << error;
  std::vector<std::uint32_t> a = bmxtest::Pixels24(bg), b = bmxtest::Pixels24(layer);
  ASSERT_EQ(a.size(), 15u);
  int changed = 0;
  for (std::size_t i = 0; i < 15; ++i) {
    EXPECT_EQ(a[i] ^ d[i], b[i]) << i;
    changed += d[i] != 0;
  }
  EXPECT_EQ(changed, 2);

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
                     "LANGUAGEPATH lang\n"
                     "BMX %RES%\\\n"
                     "  PIXSIZE_640x480 60 0\n"
                     "  PIXSIZE_800x600 1 1\n"
                     "  TCOLOR $1\n"
                     "  BMP bg_%RES%.bmp\n"
                     "  SVG pic.svg\n"
                     "  TXT @OK_%RES%\n"
                     "  ENDTXT\n"
                     "ENDBMX\n");
  ASSERT_EQ(g.Generate(), 0) << g.Log();
  bmxtest::BmxFile small = Decode(g.Get("640x480/p.bmx"));
  bmxtest::BmxFile large = Decode(g.Get("1024x768/p.bmx"));
  EXPECT_EQ(small.background, g.Get("bg_640x480.bmp"));
  EXPECT_EQ(large.background, g.Get("bg_1024x768.bmp"));
  EXPECT_EQ(small.magic, "BXX3");
  // Width from the 640x480 entry, height where it is 0 from the background;
  // the 1024x768 variant takes its own background's size.
  EXPECT_EQ(small.extended[5], 60u);
  EXPECT_EQ(small.extended[6], 3u);
  EXPECT_EQ(large.extended[5], 8u);
  EXPECT_EQ(large.extended[6], 6u);
  ASSERT_EQ(small.records.size(), 3u);
  ASSERT_EQ(large.records.size(), 3u);
  EXPECT_EQ(bmxtest::DecodeText(small.records[0].body).text, "small");
  // An empty text line of the variant falls back to line 0.
  EXPECT_EQ(bmxtest::DecodeText(large.records[0].body).text, "small");
  EXPECT_EQ(small.records[2].body, large.records[2].body);  // the SVG without %RES% serves both
  // The untranslated entry is reported once, as a warning.
  EXPECT_EQ(g.Log(),
            "Warning: W8305: Language texts missing or untranslated\n"
            "GeneratingSK \"640x480\\p.bmx\" PLC:\\SOFTKEYS\\\n"
            "GeneratingSK \"1024x768\\p.bmx\" PLC:\\SOFTKEYS\\\n");
  EXPECT_EQ(g.Warnings(), 1);
  EXPECT_EQ(g.Errors(), 0);

  // The destination names the variant, or loses its "\%RES%" without one.
  g.Put("q.bpj", kHeader + "BMX %RES%\\\nENDBMX\n");
  ASSERT_EQ(g.Generate("q.bpj", true, {}, {}, "PLC:\\SK\\%res%\\"), 0);
  g.Put("r.bpj", kHeader + "BMX\nENDBMX\n");
  ASSERT_EQ(g.Generate("r.bpj", true, {}, {}, "PLC:\\SK\\%Res%\\x\\%RES%"), 0);
  std::string log = g.Log();
  EXPECT_NE(log.find("GeneratingSK \"640x480\\q.bmx\" PLC:\\SK\\640x480\\\n"), std::string::npos) << log;
  EXPECT_NE(log.find("GeneratingSK \"1024x768\\q.bmx\" PLC:\\SK\\1024x768\\\n"), std::string::npos) << log;
  EXPECT_NE(log.find("GeneratingSK \"r.bmx\" PLC:\\SK\\x\n"), std::string::npos) << log;
}

TEST(BmxGenerate, OutputLocationAndLanguageDirectories) {
  Generator g;
  g.Put("texts/en.inc", "OK \"from texts\"\n");
  g.Put("other/texts/en.inc", "OK \"from other\"\n");
  g.Put("cli/en.inc", "OK \"from -i\"\n");
  g.Put("sub/p.bpj", kHeader + "LANGUAGEPATH texts\nBMX ..\\deep\\er\\name.xyz\nTXT @OK\nENDTXT\nENDBMX\n");
  // The base (-l) is made absolute against the project's directory.
  ASSERT_EQ(g.Generate("sub/p.bpj", true, {}, "..\\other"), 0) << g.Log();
  bmxtest::BmxFile f = Decode(g.Get("deep/er/p.bmx"));
  EXPECT_EQ(bmxtest::DecodeText(f.records[0].body).text, "from other");
  // Without a base the project's directory is the base.
  g.Put("sub/texts/en.inc", "OK \"beside the project\"\n");
  ASSERT_EQ(g.Generate("sub/p.bpj", true), 0) << g.Log();
  EXPECT_EQ(bmxtest::DecodeText(Decode(g.Get("deep/er/p.bmx")).records[0].body).text, "beside the project");
  // The caller's directory (-i) wins over LANGUAGEPATH.
  ASSERT_EQ(g.Generate("sub/p.bpj", true, g.dir / "cli"), 0) << g.Log();
  EXPECT_EQ(bmxtest::DecodeText(Decode(g.Get("deep/er/p.bmx")).records[0].body).text, "from -i");
  // A later project keeps what the first one loaded.
  ASSERT_EQ(g.Generate("sub/p.bpj", false, g.dir / "nowhere"), 0) << g.Log();
  EXPECT_EQ(bmxtest::DecodeText(Decode(g.Get("deep/er/p.bmx")).records[0].body).text, "from -i");
  // A first project starts again.
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
  EXPECT_EQ(f.background, g.Get("spindle_bg.bmp"));
  EXPECT_EQ(f.magic, "BXX3");  // German and French come as UTF-8
  ASSERT_EQ(f.records.size(), 6u);
  EXPECT_EQ(bmxtest::DecodeText(f.records[0].body).text, "Spindle");
  EXPECT_EQ(bmxtest::DecodeText(f.records[1].body).text, "Spindel dreht");
  EXPECT_EQ(bmxtest::DecodeText(f.records[2].body).text, "Broche \xC3\xA0 tourner");
  ASSERT_EQ(f.dictionary.size(), 2u);
  EXPECT_EQ(f.dictionary[0].name, "PARA");  // the layer's attribute comes first
  EXPECT_EQ(f.dictionary[1].name, "LAN");
  EXPECT_EQ(f.dictionary[1].values, (std::vector<std::string>{"DE", "EN", "FR"}));
  std::vector<std::uint32_t> d;
  std::string error;
  ASSERT_TRUE(bmxtest::DecodeLayer(f.records[4].body.substr(4), 77 * 48, d, error)) << error;
  std::vector<std::uint32_t> bg = bmxtest::Pixels24(f.background), on = bmxtest::Pixels24(g.Get("spindle_on.bmp"));
  for (std::size_t i = 0; i < d.size(); ++i) ASSERT_EQ(bg[i] ^ d[i], on[i]) << i;
  EXPECT_EQ(f.records[5].type, 4u);
}

// --- failures ---------------------------------------------------------------

TEST(BmxGenerate, FailureCodesAndTheirReports) {
  struct Case {
    std::string project;
    std::vector<std::pair<std::string, std::string>> files;
    std::string report;  // the log line
  };
  const std::string bg = Solid(2, 2, 0);
  std::string eightBit = Solid(2, 2, 0);
  eightBit[28] = 8;
  std::string compressed = Solid(2, 2, 0);
  compressed[30] = 1;
  std::string truncated = bg.substr(0, bg.size() - 1);
  std::string manyImages = kHeader + "BMX\n";
  for (int i = 0; i < 1025; ++i) manyImages += "SVG a.svg\n";
  manyImages += "ENDBMX\n";
  const Case cases[] = {
      {"", {}, "File: p.bpj: E8300: BMX project file cannot be opened"},
      {"; BMX Project File - Version 3.0\n", {}, "File: p.bpj(1): E8301: BMX project version not supported"},
      {"BMX\n", {}, "File: p.bpj(1): E8302: Invalid BMX project file header"},
      {kHeader + "BMX\nTXT a\nTXT b\n", {}, "File: p.bpj(4): E8311: Keyword or value not allowed here"},
      {kHeader + "BMX\nNOPE\n", {}, "File: p.bpj(3): E8312: Unknown keyword, template or parameter"},
      {kHeader + "BMX\n", {}, "File: p.bpj(2): E8313: End of file inside an open block"},
      {kHeader + "BMX 1 2\n", {}, "File: p.bpj(2): E8315: Wrong number of words"},
      {kHeader + "BMX\nBGRCOLOR 1\n", {}, "File: p.bpj(3): E8319: Invalid value"},
      {kHeader + "LANGUAGEPATH l\nBMX\nTXT @OK\nENDTXT\n", {{"l/en.inc", "#define\n"}},
       "File: p.bpj(5): E8306: Error reading language file"},
      {kHeader + "LANGUAGEFILE l\\en.inc\nLANGUAGEFILE l\\en.inc\n", {{"l/en.inc", "A B\n"}}, ""},
      {kHeader + "LANGUAGEPATH l\nBMX\nTXT @OK\nENDTXT\n", {{"l/en.inc", "NO \"x\"\n"}},
       "File: p.bpj(5): E8320: Language text missing"},
      {kHeader + "LANGUAGEPATH l\nBMX\nTXT @OK\nENDTXT\n", {{"l/readme.txt", "x\n"}},
       "File: p.bpj(5): E8317: No language file of a known language found"},
      {kHeader + "LANGUAGEFILE l.po\n", {{"l.po", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=CP1252\"\n"}},
       "File: p.bpj(2): E8309: Unsupported coding in language file (UTF-8 expected)"},
      {kHeader + "BMX\nBMP bg.bmp\nENDBMX\n", {}, "Error: E8321: Background picture bg.bmp cannot be opened"},
      {kHeader + "BMX\nBMP bg.bmp\nENDBMX\n", {{"bg.bmp", eightBit}},
       "File: bg.bmp: E8322: Not a 24-bit uncompressed bitmap"},
      {kHeader + "BMX\nBMP bg.bmp\nENDBMX\n", {{"bg.bmp", truncated}},
       "File: bg.bmp: E8322: Not a 24-bit uncompressed bitmap"},
      {kHeader + "BMX\nBMP bg.bmp\nBMP l.bmp\nENDBMX\n", {{"bg.bmp", bg}, {"l.bmp", compressed}},
       "File: l.bmp: E8322: Not a 24-bit uncompressed bitmap"},
      {kHeader + "BMX\nBMP bg.bmp\nBMP l.bmp\nENDBMX\n", {{"bg.bmp", bg}, {"l.bmp", "BM"}},
       "File: l.bmp: E8322: Not a 24-bit uncompressed bitmap"},
      {kHeader + "BMX\nBMP bg.bmp\nBMP l.bmp\nENDBMX\n", {{"bg.bmp", bg}},
       "File: l.bmp: E8327: Picture file cannot be opened or read"},
      {kHeader + "BMX\nBMP i.bmp\nPIXPOS 1 1\nENDBMX\n", {{"i.bmp", "BM short"}},
       "File: i.bmp: E8327: Picture file cannot be opened or read"},
      {kHeader + "BMX\nSVG s.svg\nENDBMX\n", {}, "File: s.svg: E8327: Picture file cannot be opened or read"},
      {kHeader + "BMX\nBMP bg.bmp\nBMP l.bmp\nENDBMX\n", {{"bg.bmp", bg}, {"l.bmp", Solid(2, 3, 0)}},
       "File: l.bmp: E8328: Layer size differs from background size"},
      {kHeader + "BMX out.bmx\\\nENDBMX\n", {{"out.bmx/p.bmx/x", ""}},
       "File: out.bmx\\p.bmx: E8326: Output file cannot be created"},
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

TEST(BmxGenerate, FailedVariantKeepsWhatWasWritten) {
  Generator g;
  const std::string bg = Solid(2, 2, 7);
  g.Put("bg_640x480.bmp", bg);
  g.Put("bg_1024x768.bmp", bg);
  g.Put("p.bpj", kHeader + "BMX %RES%\\\nBMP bg_%RES%.bmp\nBMP l.bmp\nENDBMX\n");
  g.Put("1024x768/p.bmx", "older output");
  EXPECT_EQ(g.Generate(), 2);
  // The first variant's file holds the background, the second is untouched.
  EXPECT_EQ(g.Get("640x480/p.bmx"), bg);
  EXPECT_EQ(g.Get("1024x768/p.bmx"), "older output");
  EXPECT_EQ(g.Log(), "File: l.bmp: E8327: Picture file cannot be opened or read\n");
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

TEST(BmxGenerate, ListIncludes) {
  Generator g;
  g.Put("p.bpj", kHeader +
                     "BMX %RES%\\\n"
                     "BMP bg_%RES%.bmp LANG:DE:EN\n"
                     "BMP \"my pics\\icon.bmp\"\n"
                     "PIXPOS 1 1\n"
                     "SVG ..\\shared\\pic.svg\n"
                     "TXT @OK LANG:DE\n"
                     "ENDTXT\n"
                     "ENDBMX\n");
  ASSERT_EQ(g.List(), 0);
  EXPECT_EQ(g.Log(),
            "Included bg_640x480.bmp 640x480\n"
            "Included bg_1024x768.bmp 1024x768\n"
            "Included bg_640x480.bmp 640x480\n"
            "Included bg_1024x768.bmp 1024x768\n"
            "Included \"my pics\\icon.bmp\"\n"
            "Included ..\\shared\\pic.svg\n");
  // No language texts are loaded by a listing, and the run's table stays
  // untouched.
  EXPECT_EQ(g.run->languages.state, kLanguagesNotLoaded);

  Generator bad;
  EXPECT_EQ(bad.List(), 2);
  EXPECT_EQ(bad.Log(), "File: p.bpj: E8300: BMX project file cannot be opened\n");
  bad.Put("q.bpj", kHeader + "BMX\nBMP\n");
  EXPECT_EQ(bad.List("q.bpj"), 2);
  EXPECT_NE(bad.Log().find("File: q.bpj(3): E8315: Wrong number of words\n"), std::string::npos);
}

// --- robustness -------------------------------------------------------------

// Random and truncated projects and pictures give clean codes.
TEST(BmxGenerate, FuzzProjectsAndBitmaps) {
  const std::string valid = kHeader +
                            "LANGUAGEPATH lang\n"
                            "SCALABLE\n"
                            "BMX %RES%\\\n"
                            "PIXSIZE_640x480 10 10\n"
                            "BGRCOLOR $FF\n"
                            "BMP bg.bmp LANG:DE:EN\n"
                            "BMP l.bmp ATTR:1-3\n"
                            "BMP i.bmp\n"
                            "RELPOS 1 2\n"
                            "SVG s.svg OVERLAY:a:b\n"
                            "PIXPOS 1 1\n"
                            "RELSIZE 3 3\n"
                            "TXT @OK_%RES% ANIM:1-2\n"
                            "TXTEMPLATE TXTMC5\n"
                            "COLOR $123\n"
                            "ENDTXT\n"
                            "TXT Hello LANG:EN\n"
                            "PIXFONTSIZE 5\n"
                            "ENDTXT\n"
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
  for (int round = 0; round < 300; ++round) {
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
  EXPECT_GT(generated, 20);
}

}  // namespace
}  // namespace q32
