#include "bmx/BmxProject.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lang/LanguageTexts.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using q32test::TempDir;
using q32test::WriteFile;

const std::string kHeader = "; BMX Project File - Version 2.0\n";

// One read of a project text, with its own language table.
struct Read {
  TempDir dir;
  std::unique_ptr<FileSystem> fs = MakeHostFileSystem();
  LanguageTable table;
  BmxProject project;
  int rc = -1;
  int line = -1;

  Read(const std::string& text, bool listing = false, const std::string& languageDir = {}) {
    Run(text, listing, languageDir);
  }
  // The language files are written before the project is read.
  Read(const std::vector<std::pair<std::string, std::string>>& languageFiles, const std::string& text,
       bool listing = false) {
    for (const auto& [name, content] : languageFiles) WriteFile(dir / ("lang/" + name), content);
    Run(text, listing, dir / "lang");
  }

  void Run(const std::string& text, bool listing, const std::string& languageDir) {
    WriteFile(dir / "p.bpj", text);
    auto file = fs->Open(dir / "p.bpj", FileMode::ReadText);
    ASSERT_TRUE(file);
    project.languages = &table;
    project.languageDir = languageDir;
    project.languageDirBase = dir.path();
    rc = ReadBmxProject(*fs, *file, line, project, listing);
  }

  const BmxTextElement& Text(std::size_t i) const { return project.texts.at(i); }
  const BmxImageElement& Image(std::size_t i) const { return project.images.at(i); }
};

std::string Value(const BmxAttributes& attributes, const std::string& key) {
  for (const BmxAttribute& a : attributes)
    if (a.key == key) return a.value;
  return "<none>";
}

TEST(BmxProjectReader, HeaderFormsAndVersions) {
  struct Case {
    std::string header;
    int rc;
    int major, minor;
  } cases[] = {
      {"; BMX Project File - Version 2.0\n", 0, 2, 0},
      {"; BMX Project File - Version 2.5\n", 0, 2, 5},
      {"; BMX Project File - Version 1.0 and more\n", 0, 1, 0},
      {"; QUILLON Project File - Version 1.0\n", 0, 1, 0},
      {"; BMX Project File - Version 0.7x\n", 0, 0, 7},
      {"; BMX Project File - Version 3.0\n", 8301, 3, 0},
      {"; BMX Project File - Version 1.1\n", 8301, 1, 1},
      {"; BMX Project File - Version 12.0\n", 8302, 0, 0},  // one digit of major version
      {"; BMX Project File - Version x.0\n", 8302, 0, 0},
      {"; BMX Project File - Version 2\n", 8302, 0, 0},
      {"; BMX Project File - Version ", 8302, 0, 0},
      {"; bmx project file - version 2.0\n", 8302, 0, 0},
      {"BMX\n", 8302, 0, 0},
      {"", 8302, 0, 0},
  };
  for (const Case& c : cases) {
    Read r(c.header + "BMX\nENDBMX\n");
    EXPECT_EQ(r.rc, c.rc) << c.header;
    EXPECT_EQ(r.line, c.rc == 0 ? 3 : 1) << c.header;
    if (c.rc != 8302) {
      EXPECT_EQ(r.project.versionMajor, c.major) << c.header;
      EXPECT_EQ(r.project.versionMinor, c.minor) << c.header;
    }
  }
}

TEST(BmxProjectReader, EveryKeywordOfTheProjectAndImages) {
  Read r(kHeader +
         "; comment\n"
         "\n"
         "coding utf-8\n"
         "SCALABLE\n"
         "BMX out\\%RES%\\\n"
         "  PIXSIZE 77 48\n"
         "  PIXSIZE_640x480 60, 40\n"
         "  PIXSIZE_800x600 70 45\n"
         "  PIXSIZE_1024x768 = 100 = 64\n"
         "  BGRCOLOR $FF8000\n"
         "  TCOLOR $0x10\n"
         "  ANIMINTERVAL 250\n"
         "  BMP bg.bmp\n"
         "  BMP 'layer one.bmp' attr:3 OVERLAY:ov\n"
         "    ANIM a1\n"
         "  ENDBMP\n"
         "  BMP icon.bmp\n"
         "    PIXPOS 5 -6\n"
         "  SVG pic.svg\n"
         "    RELSIZE 30 20\n"
         "  SVG placed.svg\n"
         "    RELPOS 1 2\n"
         "    PIXSIZE 16 17\n"
         "  ENDSVG\n"
         "  BMP rel.bmp\n"
         "    RELPOS 7 8x\n"
         "ENDBMX\n"
         "this line is never read\n");
  ASSERT_EQ(r.rc, 0) << r.line;
  const BmxProject& p = r.project;
  EXPECT_EQ(p.coding, BMX_UTF8);
  EXPECT_TRUE(p.scalable);
  EXPECT_EQ(p.outputLocation, "out\\%RES%\\");
  EXPECT_EQ(p.pixWidth, 77);
  EXPECT_EQ(p.pixHeight, 48);
  EXPECT_EQ(p.resolutionSizes[0].name, "640x480");
  EXPECT_EQ(p.resolutionSizes[0].width, 60);
  EXPECT_EQ(p.resolutionSizes[0].height, 40);
  EXPECT_EQ(p.resolutionSizes[1].name, "800x600");
  EXPECT_EQ(p.resolutionSizes[2].name, "1024x768");
  EXPECT_EQ(p.resolutionSizes[2].width, 100);
  EXPECT_EQ(p.resolutionSizes[2].height, 64);
  EXPECT_TRUE(p.backgroundColorGiven);
  EXPECT_EQ(p.backgroundColor, 0xFF8000u);
  EXPECT_TRUE(p.transparentColorGiven);
  EXPECT_EQ(p.transparentColor, 0x10u);
  EXPECT_TRUE(p.animIntervalGiven);
  EXPECT_EQ(p.animInterval, 250);

  ASSERT_EQ(p.imageCount, 6u);
  EXPECT_EQ(r.Image(0).file, "bg.bmp");
  EXPECT_EQ(r.Image(0).kind, BMX_LAYER);
  EXPECT_EQ(r.Image(1).file, "layer one.bmp");
  EXPECT_EQ(Value(r.Image(1).attributes, "PARA"), "3");
  EXPECT_EQ(Value(r.Image(1).attributes, "OVERLAY"), "ov");
  EXPECT_EQ(Value(r.Image(1).attributes, "ANIM"), "a1");
  EXPECT_EQ(r.Image(1).attributes[0].key, "PARA");
  EXPECT_EQ(r.Image(1).attributes[2].key, "ANIM");
  EXPECT_EQ(r.Image(2).kind, BMX_PLACED_BITMAP);
  EXPECT_EQ(r.Image(2).positionUnit, kUnitPixels);
  EXPECT_EQ(r.Image(2).x, 5);
  EXPECT_EQ(r.Image(2).y, -6);
  EXPECT_EQ(r.Image(3).kind, BMX_SVG);
  EXPECT_EQ(r.Image(3).sizeUnit, kUnitRelative);
  EXPECT_EQ(r.Image(3).width, 30);
  EXPECT_EQ(r.Image(3).height, 20);
  EXPECT_EQ(r.Image(4).kind, BMX_PLACED_SVG);
  EXPECT_EQ(r.Image(4).positionUnit, kUnitRelative);
  EXPECT_EQ(r.Image(4).x, 1);
  EXPECT_EQ(r.Image(4).sizeUnit, kUnitPixels);
  EXPECT_EQ(r.Image(4).height, 17);
  EXPECT_EQ(r.Image(5).kind, BMX_PLACED_BITMAP);
  EXPECT_EQ(r.Image(5).positionUnit, kUnitRelative);
  EXPECT_EQ(r.Image(5).y, 8);
  EXPECT_EQ(r.line, 28);  // reading stopped at ENDBMX
}

TEST(BmxProjectReader, BlocksAndFailuresWithTheirLines) {
  struct Case {
    std::string body;
    int rc;
    int line;  // counted from the header
  } cases[] = {
      {"BMX\nTXT a\nTXT b\n", 8311, 4},
      {"BMX\nBMP a.bmp\nPIXFONTSIZE 3\n", 8311, 4},
      {"BMX\nBMP a.bmp\nENDTXT\n", 8311, 4},
      {"PIXSIZE 1 2\n", 8311, 2},
      {"BMX\nBMX\n", 8311, 3},
      {"BMX\nFOO\n", 8312, 3},
      {"FOO\n", 8312, 2},
      {"BMX\nBMP a.bmp\n", 8313, 3},
      {"BMX\nTXT a\nENDBMX\n", 8311, 4},
      {"BMX\n", 8313, 2},
      {"BMX\nTXT a\n", 8313, 3},
      {"BMX a b\n", 8315, 2},
      {"BMX\nBMP\n", 8315, 3},
      {"BMX\nBMP a.bmp 1 2 3 4 5 6 7 8 9\n", 8315, 3},
      {"BMX\nBMP a.bmp lang:1 2\n", 8312, 3},
      {"BMX\nTXT a FOO:1\n", 8312, 3},
      {"SCALABLE 1\n", 8315, 2},
      {"CODING\n", 8315, 2},
      {"CODING UTF8\n", 8319, 2},
      {"BMX\nPIXSIZE 1\n", 8315, 3},
      {"BMX\nPIXSIZE x 1\n", 8319, 3},
      {"BMX\nPIXSIZE 1 y\n", 8319, 3},
      {"BMX\nPIXSIZE_640x480 1 y\n", 8319, 3},
      {"BMX\nBGRCOLOR FF00\n", 8319, 3},
      {"BMX\nTCOLOR $\n", 8319, 3},
      {"BMX\nTCOLOR $1 2\n", 8315, 3},
      {"BMX\nANIMINTERVAL\n", 8315, 3},
      {"BMX\nBMP a.bmp\nPIXPOS 1\n", 8315, 4},
      {"BMX\nBMP a.bmp\nATTR\n", 8315, 4},
      {"BMX\nSVG a.svg\nRELSIZE 1 2 3\n", 8315, 4},
      {"BMX\nTXT a\nALIGN center\n", 8311, 4},
      {"BMX\nTXT a\nVERTALIGN middle\n", 8311, 4},
      {"BMX\nTXT a\nTXTEMPLATE TXT99\n", 8312, 4},
      {"BMX\nTXT a\nFONTTEMPLATE SYSTEM_HUGE\n", 8319, 4},
      {"BMX\nTXT a\nCOLOR red\n", 8319, 4},
      {"BMX\nTXT a\nENDTXT x\n", 8315, 4},
      {"BMX\nTXT a\nPIXPOS 1 2 3\n", 8315, 4},
      {"BMX\nTXT\n", 8315, 3},
      {"BMX\nBMP a.bmp LANG:1-99999\nENDBMP\n", 8225, 4},
      {"LANGUAGEFILE\n", 8315, 2},
  };
  for (const Case& c : cases) {
    Read r(kHeader + c.body);
    EXPECT_EQ(r.rc, c.rc) << c.body;
    EXPECT_EQ(r.line, c.line) << c.body;
  }
}

TEST(BmxProjectReader, ReadingEndsWithTheBmxBlock) {
  Read r(kHeader + "BMX\nENDBMX\nFOO\nBMX a b c\n");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.line, 3);
  // Without a BMX block the whole file is read.
  Read top(kHeader + "SCALABLE\nCODING LATIN-1\n");
  EXPECT_EQ(top.rc, 0);
  EXPECT_EQ(top.line, 3);
  // ENDBMX inside an element closes it and the block.
  Read nested(kHeader + "BMX\nSVG a.svg LANG:DE:EN\nENDBMX\nFOO\n");
  EXPECT_EQ(nested.rc, 0);
  EXPECT_EQ(nested.project.imageCount, 2u);
  // A line of more than 254 characters goes on as a line of its own.
  Read longLine(kHeader + "BMX\nBMP " + std::string(250, 'a') + " x\nENDBMX\n");
  EXPECT_EQ(longLine.rc, 8312);
  EXPECT_EQ(longLine.line, 4);
}

TEST(BmxProjectReader, AttributesAndElementMultiplication) {
  Read r(kHeader +
         "BMX\n"
         "bmp a.bmp attr:3\n"
         "BMP b.bmp\n"
         "  LANG DE\n"
         "  LANG EN\n"
         "BMP c.bmp LANG:DE:EN ATTR:1-2\n"
         "ENDBMP\n"
         "SVG d.svg OVERLAY:x:y:z\n"
         "  PIXPOS 1 1\n"
         "ENDBMX\n");
  ASSERT_EQ(r.rc, 0) << r.line;
  ASSERT_EQ(r.project.imageCount, 10u);
  EXPECT_EQ(r.Image(0).file, "a.bmp");
  EXPECT_EQ(Value(r.Image(0).attributes, "PARA"), "3");
  EXPECT_EQ(Value(r.Image(1).attributes, "LAN"), "DE");
  EXPECT_EQ(r.Image(2).file, "b.bmp");
  EXPECT_EQ(Value(r.Image(2).attributes, "LAN"), "EN");
  const char* expected[][2] = {{"DE", "01"}, {"EN", "01"}, {"DE", "02"}, {"EN", "02"}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(r.Image(3 + i).file, "c.bmp");
    EXPECT_EQ(Value(r.Image(3 + i).attributes, "LAN"), expected[i][0]) << i;
    EXPECT_EQ(Value(r.Image(3 + i).attributes, "PARA"), expected[i][1]) << i;
  }
  EXPECT_EQ(Value(r.Image(7).attributes, "OVERLAY"), "x");
  EXPECT_EQ(Value(r.Image(8).attributes, "OVERLAY"), "y");
  EXPECT_EQ(Value(r.Image(9).attributes, "OVERLAY"), "z");
  EXPECT_EQ(r.Image(9).kind, BMX_PLACED_SVG);
  EXPECT_EQ(r.Image(9).x, 1);
}

TEST(BmxProjectReader, StoreAttributeSlots) {
  BmxAttributes a;
  EXPECT_EQ(StoreAttribute(a, "PARA", "1"), 0);
  EXPECT_EQ(StoreAttribute(a, "LAN", "DE"), 0);
  EXPECT_EQ(StoreAttribute(a, "PARA", "2-3"), 0);
  EXPECT_EQ(StoreAttribute(a, "ANIM", std::string(100, 'a')), 0);
  EXPECT_EQ(StoreAttribute(a, "OVERLAY", "o"), 0);
  EXPECT_EQ(StoreAttribute(a, "FIFTH", "f"), 8311);
  EXPECT_EQ(a[0].key, "PARA");
  EXPECT_EQ(a[0].value, "1:2-3");
  EXPECT_EQ(a[2].value, std::string(79, 'a'));
  EXPECT_EQ(StoreAttribute(a, "ANIM", "b"), 0);  // appended, then cut again
  EXPECT_EQ(a[2].value, std::string(79, 'a'));
  EXPECT_EQ(StoreAttribute(a, "LAN", std::string(90, 'e')), 0);
  EXPECT_EQ(a[1].value, "DE:" + std::string(76, 'e'));
}

TEST(BmxProjectReader, ValueListsAndResolutionVariants) {
  using Items = std::vector<std::string>;
  Items items;
  ASSERT_TRUE(ExpandValueList("1-3:7", items));
  EXPECT_EQ(items, (Items{"01", "02", "03", "7"}));
  ASSERT_TRUE(ExpandValueList("9-11", items));
  EXPECT_EQ(items, (Items{"09", "10", "11"}));
  ASSERT_TRUE(ExpandValueList("-2-0", items));
  EXPECT_EQ(items, (Items{"-2", "-1", "00"}));
  ASSERT_TRUE(ExpandValueList("a-b::X:ABCDEFGHIJ:5-3:", items));
  EXPECT_EQ(items, (Items{"a-b", "X", "ABCDEFG"}));
  ASSERT_TRUE(ExpandValueList("12345678-12345679", items));
  EXPECT_EQ(items, (Items{"1234567", "1234567"}));
  ASSERT_TRUE(ExpandValueList("", items));
  EXPECT_TRUE(items.empty());
  EXPECT_FALSE(ExpandValueList("1-2000000000", items));
  EXPECT_FALSE(ExpandValueList("-2147483648-2147483647", items));
  EXPECT_FALSE(ExpandValueList("1:2:3", items, 2));

  EXPECT_EQ(ResolutionVariantCount("bg.bmp"), 1u);
  EXPECT_EQ(ResolutionVariantCount("bg_%res%.bmp"), 2u);
  EXPECT_EQ(ResolutionVariantName("bg.bmp", 1), "bg.bmp");
  EXPECT_EQ(ResolutionVariantName("Bg_%Res%.BMP", 0), "Bg_640x480.BMP");
  EXPECT_EQ(ResolutionVariantName("%RES%\\bg_%RES%.bmp", 1), "1024x768\\bg_1024x768.bmp");
}

TEST(BmxProjectReader, DirectTextElements) {
  Read r(kHeader +
         "BMX\n"
         "TXT Hello\n"
         "ENDTXT\n"
         "TXT \"two words\" ATTR:1-3\n"
         "  TXTEMPLATE txt30r9\n"
         "  ALIGN CENTER\n"
         "  VERTALIGN BOTTOM\n"
         "  PIXFONTSIZE 12\n"
         "  FONTTEMPLATE system_small\n"
         "  COLOR $00ff00\n"
         "  ANIM 4\n"
         "  OVERLAY 5\n"
         "ENDTXT\n"
         "TXT " + std::string(100, 't') + "\n"
         "  TXTEMPLATE TXTBC5\n"
         "  RELPOS 10 20\n"
         "  RELFONTSIZE 3\n"
         "ENDTXT\n"
         "ENDBMX\n");
  ASSERT_EQ(r.rc, 0) << r.line;
  ASSERT_EQ(r.project.textCount, 5u);
  const BmxTextElement& hello = r.Text(0);
  EXPECT_EQ(hello.lines[0], "Hello");
  EXPECT_EQ(hello.positionTemplate, 11);
  EXPECT_EQ(hello.font, 2);
  EXPECT_EQ(hello.verticalAlign, 1);
  EXPECT_EQ(hello.horizontalAlign, 0);
  EXPECT_EQ(hello.positionUnit, 0);
  EXPECT_FALSE(hello.colorGiven);
  EXPECT_EQ(hello.encoding, BMX_LATIN1);
  for (int i = 0; i < 3; ++i) {
    const BmxTextElement& t = r.Text(1 + i);
    EXPECT_EQ(t.lines[0], "two words");
    EXPECT_EQ(Value(t.attributes, "PARA"), "0" + std::to_string(i + 1));
    EXPECT_EQ(Value(t.attributes, "ANIM"), "4");
    EXPECT_EQ(t.positionTemplate, 7);
    EXPECT_EQ(t.horizontalAlign, 1);  // ALIGN after TXTEMPLATE
    EXPECT_EQ(t.verticalAlign, 2);
    EXPECT_EQ(t.font, 1);             // FONTTEMPLATE after PIXFONTSIZE
    EXPECT_TRUE(t.fontSizeGiven);
    EXPECT_EQ(t.fontSize, 12);
    EXPECT_TRUE(t.colorGiven);
    EXPECT_EQ(t.color, 0xFF00u);
  }
  const BmxTextElement& cut = r.Text(4);
  EXPECT_EQ(cut.lines[0], std::string(79, 't'));
  EXPECT_EQ(cut.positionTemplate, 0);  // RELPOS after TXTEMPLATE
  EXPECT_EQ(cut.positionUnit, kUnitRelative);
  EXPECT_EQ(cut.x, 10);
  EXPECT_EQ(cut.y, 20);
  EXPECT_EQ(cut.font, 0);
  EXPECT_EQ(cut.fontSizeUnit, 1);
  EXPECT_EQ(cut.fontSize, 3);
}

const std::vector<std::pair<std::string, std::string>> kThreeLanguages = {
    {"en.inc", "OK \"Yes\"\nOK_640x480 \"Y\"\nOK_1024x768 \"Yes!\"\n"},
    {"de.txt", ";<UTF-8 coded text>\nOK \"Ja\"\nOK_640x480 \"J\"\n"},
    {"fr.po", "msgid \"OK\"\nmsgstr \"Oui\"\nmsgid \"OK_640x480\"\nmsgstr \"O\"\nmsgid \"OK_1024x768\"\nmsgstr \"Oui!\"\n"},
};

TEST(BmxProjectReader, LanguageTextsPerLanguage) {
  Read r(kThreeLanguages, kHeader +
                              "BMX\n"
                              "TXT @OK ATTR:1\n"
                              "ENDTXT\n"
                              "TXT @OK LANG:FR:XX ANIM:1-2\n"
                              "ENDTXT\n"
                              "TXT @OK LANG:EN\n"
                              "  LANG DE\n"
                              "ENDTXT\n"
                              "ENDBMX\n");
  ASSERT_EQ(r.rc, 0) << r.line;
  EXPECT_EQ(r.table.state, kLanguagesLoaded);
  ASSERT_EQ(r.project.textCount, 7u);
  // Library order: EN, DE, ..., FR.
  const char* names[] = {"EN", "DE", "FR"};
  const char* texts[] = {"Yes", "Ja", "Oui"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Value(r.Text(i).attributes, "LAN"), names[i]);
    EXPECT_EQ(r.Text(i).attributes[1].key, "LAN");  // the first free slot
    EXPECT_EQ(Value(r.Text(i).attributes, "PARA"), "1");
    EXPECT_EQ(r.Text(i).lines[0], texts[i]);
    EXPECT_EQ(r.Text(i).name, "OK");
  }
  EXPECT_EQ(r.Text(0).encoding, BMX_LATIN1);
  EXPECT_EQ(r.Text(1).encoding, BMX_UTF8);
  EXPECT_EQ(r.Text(2).encoding, BMX_UTF8);
  // LANG:FR:XX makes one element (XX is not loaded), then ANIM doubles it.
  EXPECT_EQ(Value(r.Text(3).attributes, "LAN"), "FR");
  EXPECT_EQ(Value(r.Text(3).attributes, "ANIM"), "01");
  EXPECT_EQ(Value(r.Text(4).attributes, "LAN"), "FR");
  EXPECT_EQ(Value(r.Text(4).attributes, "ANIM"), "02");
  EXPECT_EQ(r.Text(4).lines[0], "Oui");
  // LANG:EN plus LANG DE: the list order does not matter, the library's does.
  EXPECT_EQ(Value(r.Text(5).attributes, "LAN"), "EN");
  EXPECT_EQ(Value(r.Text(6).attributes, "LAN"), "DE");
}

TEST(BmxProjectReader, LanguageTextsForResolutionsAndMissingTexts) {
  Read r(kThreeLanguages, kHeader + "BMX\nTXT @OK_%RES% LANG:EN:FR\nENDTXT\nENDBMX\n");
  ASSERT_EQ(r.rc, 0) << r.line;
  ASSERT_EQ(r.project.textCount, 2u);
  EXPECT_EQ(r.Text(0).lines[0], "Y");
  EXPECT_EQ(r.Text(0).lines[1], "Yes!");
  EXPECT_EQ(r.Text(0).name, "OK_%RES%");
  EXPECT_EQ(r.Text(1).lines[0], "O");
  EXPECT_EQ(r.Text(1).lines[1], "Oui!");

  // DE lacks the 1024x768 text.
  Read missing(kThreeLanguages, kHeader + "BMX\nTXT @OK_%RES%\nENDTXT\nENDBMX\n");
  EXPECT_EQ(missing.rc, 8320);
  EXPECT_EQ(missing.line, 4);
  Read unknown(kThreeLanguages, kHeader + "BMX\nTXT @NOPE\nENDTXT\nENDBMX\n");
  EXPECT_EQ(unknown.rc, 8320);

  // A LAN list that names no loaded language yields no element.
  Read none(kThreeLanguages, kHeader + "BMX\nTXT @OK LANG:IT\nENDTXT\nTXT x\nENDTXT\nENDBMX\n");
  ASSERT_EQ(none.rc, 0);
  ASSERT_EQ(none.project.textCount, 1u);
  EXPECT_EQ(none.Text(0).lines[0], "x");
  EXPECT_EQ(Value(none.Text(0).attributes, "LAN"), "<none>");

  // The language files are loaded at the first language text, from the
  // project's language directory.
  Read noDir(kHeader + "BMX\nTXT @OK\nENDTXT\nENDBMX\n");
  EXPECT_EQ(noDir.rc, 8316);
  EXPECT_EQ(noDir.line, 4);
  Read empty({{"readme.txt", "x\n"}}, kHeader + "BMX\nTXT @OK\nENDTXT\nENDBMX\n");
  EXPECT_EQ(empty.rc, 8317);
  Read broken({{"en.inc", "#define\n"}}, kHeader + "BMX\nTXT @OK\nENDTXT\nENDBMX\n");
  EXPECT_EQ(broken.rc, 8306);
}

TEST(BmxProjectReader, LanguagePathAndListingMode) {
  TempDir base;
  WriteFile(base / "texts/en.inc", "OK \"Yes\"\n");
  // Relative to the base; a second LANGUAGEPATH, even malformed, is ignored.
  Read r(kHeader + "LANGUAGEPATH texts\nLANGUAGEPATH a b c\nBMX\nTXT @OK\nENDTXT\nENDBMX\n");
  EXPECT_EQ(r.project.languageDir.substr(r.project.languageDir.size() - 6), "\\texts");
  EXPECT_EQ(r.rc, 8316);  // the fixture's base has no texts directory

  auto fs = MakeHostFileSystem();
  WriteFile(base / "p.bpj", kHeader + "LANGUAGEPATH texts\nBMX\nTXT @OK\nENDTXT\nENDBMX\n");
  {
    LanguageTable table;
    BmxProject project;
    project.languages = &table;
    project.languageDirBase = base.path();
    auto file = fs->Open(base / "p.bpj", FileMode::ReadText);
    int line = 0;
    ASSERT_EQ(ReadBmxProject(*fs, *file, line, project, false), 0);
    ASSERT_EQ(project.textCount, 1u);
    EXPECT_EQ(project.texts[0].lines[0], "Yes");
  }
  {
    // A caller's directory wins over the project's.
    LanguageTable table;
    BmxProject project;
    project.languages = &table;
    project.languageDir = base / "nowhere";
    project.languageDirBase = base.path();
    auto file = fs->Open(base / "p.bpj", FileMode::ReadText);
    int line = 0;
    EXPECT_EQ(ReadBmxProject(*fs, *file, line, project, false), 8316);
  }

  // Listing: nothing is loaded; the name stands for the text.
  Read listing(kHeader + "BMX\nTXT @OK\nENDTXT\nTXT @NO LANG:DE:EN\nENDTXT\nENDBMX\n", true);
  ASSERT_EQ(listing.rc, 0);
  EXPECT_EQ(listing.table.state, kLanguagesDisabled);
  ASSERT_EQ(listing.project.textCount, 3u);
  EXPECT_EQ(listing.Text(0).lines[0], "OK");
  EXPECT_EQ(Value(listing.Text(0).attributes, "LAN"), "<none>");
  EXPECT_EQ(Value(listing.Text(1).attributes, "LAN"), "DE");
  EXPECT_EQ(Value(listing.Text(2).attributes, "LAN"), "EN");
  EXPECT_EQ(listing.Text(2).name, "NO");
}

TEST(BmxProjectReader, ManyElementsGrowTheArrays) {
  std::string text = kHeader + "BMX\n";
  for (int i = 0; i < 200; ++i) text += "BMP f" + std::to_string(i) + ".bmp\nTXT t" + std::to_string(i) + "\nENDTXT\n";
  text += "TXT many ATTR:1-300\nENDTXT\nENDBMX\n";
  Read r(text);
  ASSERT_EQ(r.rc, 0) << r.line;
  EXPECT_EQ(r.project.imageCount, 200u);
  EXPECT_EQ(r.project.textCount, 500u);
  EXPECT_EQ(r.Image(199).file, "f199.bmp");
  EXPECT_EQ(r.Text(199).lines[0], "t199");
  EXPECT_EQ(Value(r.Text(499).attributes, "PARA"), "300");
}

}  // namespace
}  // namespace q32
