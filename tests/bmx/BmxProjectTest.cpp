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

// Kind, position unit and place, size unit and size of an image.
std::vector<int> Geometry(const BmxImageElement& i) {
  return {i.kind, i.positionUnit, i.x, i.y, i.sizeUnit, i.width, i.height};
}
// Template, font, vertical and horizontal alignment, position unit and
// place, font size unit and size of a text.
std::vector<int> Layout(const BmxTextElement& t) {
  return {t.positionTemplate, t.font, t.verticalAlign, t.horizontalAlign, t.positionUnit,
          t.x, t.y, t.fontSizeUnit, t.fontSize};
}
using Ints = std::vector<int>;

TEST(BmxProjectReader, HeaderFormsAndVersions) {
  struct Case {
    std::string header;
    int rc;
    int major, minor;
  } cases[] = {
      {"; BMX Project File - Version 2.0\n", 0, 2, 0}, {"; BMX Project File - Version 2.5\n", 0, 2, 5},
      {"; BMX Project File - Version 1.0 and more\n", 0, 1, 0},
      {"; QUILLON Project File - Version 1.0\n", 0, 1, 0}, {"; BMX Project File - Version 0.7x\n", 0, 0, 7},
      {"; BMX Project File - Version 3.0\n", 8301, 3, 0}, {"; BMX Project File - Version 1.1\n", 8301, 1, 1},
      {"; BMX Project File - Version 12.0\n", 8302, 0, 0},  // one digit of major version
      {"; BMX Project File - Version x.0\n", 8302, 0, 0}, {"; BMX Project File - Version 2\n", 8302, 0, 0},
      {"; BMX Project File - Version ", 8302, 0, 0}, {"; bmx project file - version 2.0\n", 8302, 0, 0},
      {"BMX\n", 8302, 0, 0}, {"", 8302, 0, 0},
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
         "; comment\n\ncoding utf-8\nSCALABLE\nBMX out\\%RES%\\\n  PIXSIZE 77 48\n  PIXSIZE_640x480 60, 40\n"
         "  PIXSIZE_800x600 70 45\n  PIXSIZE_1024x768 = 100 = 64\n  BGRCOLOR $FF8000\n  TCOLOR $0x10\n"
         "  ANIMINTERVAL 250\n  BMP bg.bmp\n  BMP 'layer one.bmp' attr:3 OVERLAY:ov\n    ANIM a1\n  ENDBMP\n"
         "  BMP icon.bmp\n    PIXPOS 5 -6\n  SVG pic.svg\n    RELSIZE 30 20\n  SVG placed.svg\n    RELPOS 1 2\n"
         "    PIXSIZE 16 17\n  ENDSVG\n  BMP rel.bmp\n    RELPOS 7 8x\nENDBMX\n"
         "this line is never read\n");
  ASSERT_EQ(r.rc, 0) << r.line;
  EXPECT_EQ(r.line, 28);  // reading stopped at ENDBMX
  const BmxProject& p = r.project;
  EXPECT_EQ(p.coding, BMX_UTF8);
  EXPECT_TRUE(p.scalable);
  EXPECT_EQ(p.outputLocation, "out\\%RES%\\");
  // Commas and equal signs separate words; "$0x10" is hexadecimal.
  EXPECT_EQ((Ints{p.pixWidth, p.pixHeight, p.resolutionSizes[0].width, p.resolutionSizes[0].height,
                  p.resolutionSizes[2].width, p.resolutionSizes[2].height}),
            (Ints{77, 48, 60, 40, 100, 64}));
  EXPECT_EQ(p.resolutionSizes[1].name, "800x600");
  EXPECT_EQ(p.backgroundColor, 0xFF8000u);
  EXPECT_EQ(p.transparentColor, 0x10u);
  EXPECT_EQ(p.animInterval, 250);

  ASSERT_EQ(p.imageCount, 6u);
  EXPECT_EQ(r.Image(1).file, "layer one.bmp");
  // Attributes keep the order they were given in.
  EXPECT_EQ(r.Image(1).attributes[0].key + "=" + r.Image(1).attributes[0].value, "PARA=3");
  EXPECT_EQ(r.Image(1).attributes[1].key + "=" + r.Image(1).attributes[1].value, "OVERLAY=ov");
  EXPECT_EQ(r.Image(1).attributes[2].key + "=" + r.Image(1).attributes[2].value, "ANIM=a1");
  const Ints geometry[] = {
      {BMX_LAYER, 0, 0, 0, 0, 0, 0},
      {BMX_LAYER, 0, 0, 0, 0, 0, 0},
      {BMX_PLACED_BITMAP, kUnitPixels, 5, -6, 0, 0, 0},
      {BMX_SVG, 0, 0, 0, kUnitRelative, 30, 20},
      {BMX_PLACED_SVG, kUnitRelative, 1, 2, kUnitPixels, 16, 17},
      {BMX_PLACED_BITMAP, kUnitRelative, 7, 8, 0, 0, 0},
  };
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Geometry(r.Image(i)), geometry[i]) << i;
}

TEST(BmxProjectReader, BlocksAndFailuresWithTheirLines) {
  struct Case {
    std::string body;
    int rc;
    int line;  // counted from the header
  } cases[] = {
      {"BMX\nBMP a.bmp\nPIXFONTSIZE 3\n", 8311, 4}, {"BMX\nBMP a.bmp\nENDTXT\n", 8311, 4},
      {"PIXSIZE 1 2\n", 8311, 2}, {"BMX\nBMX\n", 8311, 3}, {"FOO\n", 8312, 2},
      {"BMX\nTXT a\nENDBMX\n", 8311, 4}, {"BMX\n", 8313, 2}, {"BMX\nTXT a\n", 8313, 3}, {"BMX\nBMP\n", 8315, 3},
      {"BMX\nBMP a.bmp 1 2 3 4 5 6 7 8 9\n", 8315, 3}, {"BMX\nBMP a.bmp lang:1 2\n", 8312, 3},
      {"BMX\nTXT a FOO:1\n", 8312, 3}, {"SCALABLE 1\n", 8315, 2}, {"CODING\n", 8315, 2},
      {"CODING UTF8\n", 8319, 2}, {"BMX\nPIXSIZE 1\n", 8315, 3}, {"BMX\nPIXSIZE x 1\n", 8319, 3},
      {"BMX\nPIXSIZE_640x480 1 y\n", 8319, 3}, {"BMX\nTCOLOR $\n", 8319, 3}, {"BMX\nTCOLOR $1 2\n", 8315, 3},
      {"BMX\nANIMINTERVAL\n", 8315, 3}, {"BMX\nBMP a.bmp\nPIXPOS 1\n", 8315, 4},
      {"BMX\nBMP a.bmp\nATTR\n", 8315, 4}, {"BMX\nSVG a.svg\nRELSIZE 1 2 3\n", 8315, 4},
      {"BMX\nTXT a\nALIGN center\n", 8311, 4}, {"BMX\nTXT a\nVERTALIGN middle\n", 8311, 4},
      {"BMX\nTXT a\nTXTEMPLATE TXT99\n", 8312, 4}, {"BMX\nTXT a\nFONTTEMPLATE SYSTEM_HUGE\n", 8319, 4},
      {"BMX\nTXT a\nCOLOR red\n", 8319, 4}, {"BMX\nTXT a\nENDTXT x\n", 8315, 4},
      {"BMX\nTXT a\nPIXPOS 1 2 3\n", 8315, 4}, {"BMX\nTXT\n", 8315, 3},
      {"BMX\nBMP a.bmp LANG:1-99999\nENDBMP\n", 8225, 4}, {"LANGUAGEFILE\n", 8315, 2},
  };
  for (const Case& c : cases) {
    Read r(kHeader + c.body);
    EXPECT_EQ(r.rc, c.rc) << c.body;
    EXPECT_EQ(r.line, c.line) << c.body;
  }
}

// Reading ends with the BMX block (see above); without one the whole file is
// read.
TEST(BmxProjectReader, ReadingEndsWithTheBmxBlock) {
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
         "BMX\nbmp a.bmp attr:3\nBMP b.bmp\n  LANG DE\n  LANG EN\nBMP c.bmp LANG:DE:EN ATTR:1-2\nENDBMP\n"
         "SVG d.svg OVERLAY:x:y:z\n  PIXPOS 1 1\n"
         "ENDBMX\n");
  ASSERT_EQ(r.rc, 0) << r.line;
  ASSERT_EQ(r.project.imageCount, 10u);
  // file, PARA, LAN, OVERLAY of each image.
  const char* expected[][4] = {
      {"a.bmp", "3", "<none>", "<none>"}, {"b.bmp", "<none>", "DE", "<none>"}, {"b.bmp", "<none>", "EN", "<none>"},
      {"c.bmp", "01", "DE", "<none>"},   {"c.bmp", "01", "EN", "<none>"},     {"c.bmp", "02", "DE", "<none>"},
      {"c.bmp", "02", "EN", "<none>"},   {"d.svg", "<none>", "<none>", "x"},  {"d.svg", "<none>", "<none>", "y"},
      {"d.svg", "<none>", "<none>", "z"},
  };
  for (int i = 0; i < 10; ++i) {
    const BmxImageElement& image = r.Image(i);
    EXPECT_EQ(image.file, expected[i][0]) << i;
    EXPECT_EQ(Value(image.attributes, "PARA"), expected[i][1]) << i;
    EXPECT_EQ(Value(image.attributes, "LAN"), expected[i][2]) << i;
    EXPECT_EQ(Value(image.attributes, "OVERLAY"), expected[i][3]) << i;
  }
  EXPECT_EQ(r.Image(9).kind, BMX_PLACED_SVG);
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
  EXPECT_EQ(ResolutionVariantName("%RES%\\bg_%Res%.bmp", 1), "1024x768\\bg_1024x768.bmp");
}

TEST(BmxProjectReader, DirectTextElements) {
  Read r(kHeader +
         "BMX\nTXT Hello\nENDTXT\nTXT \"two words\" ATTR:1-3\n  TXTEMPLATE txt30r9\n  ALIGN CENTER\n"
         "  VERTALIGN BOTTOM\n  PIXFONTSIZE 12\n  FONTTEMPLATE system_small\n  COLOR $00ff00\n  ANIM 4\n"
         "  OVERLAY 5\nENDTXT\n"
         "TXT " + std::string(100, 't') + "\n"
         "  TXTEMPLATE TXTBC5\n  RELPOS 10 20\n  RELFONTSIZE 3\nENDTXT\n"
         "ENDBMX\n");
  ASSERT_EQ(r.rc, 0) << r.line;
  ASSERT_EQ(r.project.textCount, 5u);
  EXPECT_EQ(r.Text(0).lines[0], "Hello");
  EXPECT_EQ(Layout(r.Text(0)), (Ints{11, 2, 1, 0, 0, 0, 0, 0, 0}));  // TXTMC5, medium, baseline, left
  EXPECT_FALSE(r.Text(0).colorGiven);
  EXPECT_EQ(r.Text(0).encoding, BMX_LATIN1);
  for (int i = 0; i < 3; ++i) {
    const BmxTextElement& t = r.Text(1 + i);
    EXPECT_EQ(t.lines[0], "two words");
    EXPECT_EQ(Value(t.attributes, "PARA"), "0" + std::to_string(i + 1));
    EXPECT_EQ(Value(t.attributes, "ANIM"), "4");
    // ALIGN after TXTEMPLATE wins; FONTTEMPLATE after PIXFONTSIZE wins but keeps the size.
    EXPECT_EQ(Layout(t), (Ints{7, 1, 2, 1, 0, 0, 0, 0, 12}));
    EXPECT_TRUE(t.fontSizeGiven);
    EXPECT_EQ(t.color, 0xFF00u);
  }
  // Cut to 79 characters; RELPOS after TXTEMPLATE drops the template.
  EXPECT_EQ(r.Text(4).lines[0], std::string(79, 't'));
  EXPECT_EQ(Layout(r.Text(4)), (Ints{0, 0, 1, 1, kUnitRelative, 10, 20, 1, 3}));  // TXTBC5 keeps its alignment
}

const std::vector<std::pair<std::string, std::string>> kThreeLanguages = {
    {"en.inc", "OK \"Yes\"\nOK_640x480 \"Y\"\nOK_1024x768 \"Yes!\"\n"},
    {"de.txt", ";<UTF-8 coded text>\nOK \"Ja\"\nOK_640x480 \"J\"\n"},
    {"fr.po", "msgid \"OK\"\nmsgstr \"Oui\"\nmsgid \"OK_640x480\"\nmsgstr \"O\"\nmsgid \"OK_1024x768\"\nmsgstr \"Oui!\"\n"},
};

TEST(BmxProjectReader, LanguageTextsPerLanguage) {
  Read r(kThreeLanguages, kHeader +
                              "BMX\nTXT @OK ATTR:1\nENDTXT\nTXT @OK LANG:FR:XX ANIM:1-2\nENDTXT\n"
                              "TXT @OK LANG:EN\n  LANG DE\nENDTXT\n"
                              "ENDBMX\n");
  ASSERT_EQ(r.rc, 0) << r.line;
  EXPECT_EQ(r.table.state, kLanguagesLoaded);
  ASSERT_EQ(r.project.textCount, 7u);
  // Each loaded language in the library's order (EN, DE, ..., FR) takes the
  // first free slot; LANG:FR:XX makes one element (XX is not loaded) that
  // ANIM doubles; LANG:EN plus LANG DE follow the library's order too.
  const char* expected[][4] = {{"EN", "1", "<none>", "Yes"},  {"DE", "1", "<none>", "Ja"},
                               {"FR", "1", "<none>", "Oui"},  {"FR", "<none>", "01", "Oui"},
                               {"FR", "<none>", "02", "Oui"}, {"EN", "<none>", "<none>", "Yes"},
                               {"DE", "<none>", "<none>", "Ja"}};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(Value(r.Text(i).attributes, "LAN"), expected[i][0]) << i;
    EXPECT_EQ(Value(r.Text(i).attributes, "PARA"), expected[i][1]) << i;
    EXPECT_EQ(Value(r.Text(i).attributes, "ANIM"), expected[i][2]) << i;
    EXPECT_EQ(r.Text(i).lines[0], expected[i][3]) << i;
    EXPECT_EQ(r.Text(i).name, "OK");
  }
  EXPECT_EQ(r.Text(0).attributes[1].key, "LAN");
  EXPECT_EQ(r.Text(0).encoding, BMX_LATIN1);
  EXPECT_EQ(r.Text(1).encoding, BMX_UTF8);
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
}

TEST(BmxProjectReader, LanguagePathAndListingMode) {
  // Relative to the base; a second LANGUAGEPATH, even malformed, is ignored.
  Read r(kHeader + "LANGUAGEPATH texts\nLANGUAGEPATH a b c\nBMX\nTXT @OK\nENDTXT\nENDBMX\n");
  EXPECT_EQ(r.project.languageDir.substr(r.project.languageDir.size() - 6), "\\texts");
  EXPECT_EQ(r.rc, 8316);  // the fixture's base has no texts directory

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
