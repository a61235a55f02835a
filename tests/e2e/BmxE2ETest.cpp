// BMX image projects through the real executable: -gensys runs on softkey
// projects with BPJ lines, the ".bmx" files compared byte for byte with files
// built here from the layout, language texts from ".inc", ".txt" and ".po"
// files, the resolution variants, every failure the generator reports, and
// the -scan listing of the pictures a BMX project uses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "bmx/BmxDecoder.h"
#include "support/TestSupport.h"

using namespace q32test;
using bmxtest::Bitmap24;
using bmxtest::Name8;
using bmxtest::W;

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// A softkey project with one root menu that shows every named softkey.
std::string Spm(const std::vector<std::pair<std::string, std::string>>& softkeys,
                const std::string& settings = "") {
  std::string s = "QUILLON Project File - Version 1.0\n" + settings + "SKMENU ROOT HROOT\n";
  for (const auto& [line, name] : softkeys) s += line + " " + name + "\n";
  for (const auto& [line, name] : softkeys) s += "ACTION " + name + "\n";
  return s + "ENDSKMENU\n";
}

const char* const kBmxHeader = "; BMX Project File - Version 2.0\n";

// The background of most projects: 4 x 2 pixels, each one different.
std::string Background() {
  return Bitmap24(4, 2, [](int i) { return 0x102030u + static_cast<std::uint32_t>(i); });
}

// Expected ".bmx" files, written from the layout: records know their own
// file offset, so the next-record positions are counted here, not taken
// from the generator.
class ExpectedBmx {
 public:
  explicit ExpectedBmx(std::string start) : bytes_(std::move(start)) {}
  void Add(const std::string& more) { bytes_ += more; }
  void Record(std::uint32_t type, const std::vector<std::uint32_t>& indexes, const std::string& body) {
    const std::size_t at = bytes_.size();
    bytes_ += W(type) + W(static_cast<std::uint32_t>(at + 8 + 4 * indexes.size() + body.size()));
    for (std::uint32_t index : indexes) bytes_ += W(index);
    bytes_ += body;
  }
  std::string Finish() const { return bytes_ + W(0); }

 private:
  std::string bytes_;
};

std::string Dictionary(const std::vector<std::pair<std::string, std::vector<std::string>>>& keys) {
  std::string s = W(static_cast<std::uint32_t>(keys.size()));
  for (const auto& [key, values] : keys) {
    s += Name8(key) + W(static_cast<std::uint32_t>(values.size()));
    for (const std::string& value : values) s += Name8(value);
  }
  return s;
}

// A text record body: alignment, position (unit 0 = template id), font, colour.
std::string TextBody(std::uint32_t horizontal, std::uint32_t vertical, std::uint32_t unit,
                     std::uint32_t x, std::uint32_t y, std::uint32_t font, bool colorGiven,
                     std::uint32_t color, const std::string& text) {
  std::string b = W(0) + W(horizontal) + W(vertical) + W(unit) + W(x) + W(y) + W(0) + W(font) + W(0);
  b.resize(72, '\0');
  b += W(colorGiven ? 1 : 0) + W(color) + W(static_cast<std::uint32_t>(text.size() + 1)) + text;
  b.resize(b.size() + 4 - text.size() % 4, '\0');
  return b;
}

// A text at the default place: template TXTMC5 (11), medium system font,
// baseline, left.
std::string DefaultTextBody(const std::string& text) { return TextBody(0, 1, 0, 11, 0, 2, false, 0, text); }

bool Contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

// The texts of the text records of a generated file, in record order, with
// the index each holds under its first dictionary key.
std::vector<std::pair<std::uint32_t, std::string>> TextsOf(const std::string& file) {
  bmxtest::BmxFile decoded;
  std::string error;
  std::vector<std::pair<std::uint32_t, std::string>> texts;
  if (!bmxtest::DecodeBmx(file, decoded, error)) {
    ADD_FAILURE() << error;
    return texts;
  }
  for (const bmxtest::Record& r : decoded.records)
    if (r.type == 2) texts.emplace_back(r.indexes.empty() ? kNone : r.indexes[0], bmxtest::DecodeText(r.body).text);
  return texts;
}

class BmxE2E : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SOURCE_DATE_EPOCH", "0", 1); }
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }
  std::string P(const std::string& name) { return dir_ / ("p/" + name); }
  std::string Img(const std::string& name) { return dir_ / ("p/img/" + name); }
  RunResult Gensys(std::vector<std::string> options = {}) {
    options.insert(options.begin(), {"p/p.spm", "-gensys"});
    return RunQuillon(options, dir_.path());
  }

  TempDir dir_;
};

// A project using every kind of element: the background, a layer that
// differs in its first pixel, a placed bitmap, a placed SVG picture and a
// direct text.  The pictures are named relative to the BMX project, which
// lies in a subdirectory of the softkey project; the softkey after it is
// found again relative to the softkey project.
TEST_F(BmxE2E, GeneratesEveryPartByteForByte) {
  const std::string background = Background();
  const std::string layer =
      Bitmap24(4, 2, [](int i) { return (0x102030u + static_cast<std::uint32_t>(i)) ^ (i == 0 ? 0xFFu : 0u); });
  const std::string mark = Bitmap24(1, 1, [](int) { return 0xABCDEFu; });
  const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n";
  WriteFile(Img("bg.bmp"), background);
  WriteFile(Img("layer.bmp"), layer);
  WriteFile(Img("mark.bmp"), mark);
  WriteFile(Img("pic.svg"), svg);
  WriteFile(Img("key.bpj"), std::string(kBmxHeader) +
                                "BMX\n"
                                "  BMP bg.bmp\n"
                                "  BMP layer.bmp ATTR:1\n"
                                "  BMP mark.bmp\n"
                                "    PIXPOS 3 4\n"
                                "  ENDBMP\n"
                                "  SVG pic.svg\n"
                                "    RELPOS 10 20\n"
                                "    RELSIZE 30 40\n"
                                "  ENDSVG\n"
                                "  TXT OK ATTR:2\n"
                                "    PIXPOS 5 6\n"
                                "    COLOR $FF00\n"
                                "  ENDTXT\n"
                                "ENDBMX\n");
  WriteFile(P("after.pic"), "x");
  WriteFile(P("p.spm"), Spm({{"BPJ img\\key.bpj", "KEY"}, {"PIC after.pic", "AFTER"}}));

  RunResult r = Gensys();
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(Contains(r.out, "Processing p\\img\\key.bpj ...")) << r.out;

  ExpectedBmx e(background);
  e.Add("BMX2" + Dictionary({{"LAN", {}}, {"PARA", {"1", "2"}}}));
  e.Record(2, {kNone, 1}, TextBody(0, 1, 1, 5, 6, 2, true, 0xFF00, "OK"));
  e.Record(1, {kNone, kNone}, W(4) + std::string("\0\1\0\0", 4));  // the background: end unit only
  e.Record(1, {kNone, 0}, W(8) + std::string("\1\xFF\0\0\0\1\0\0", 8));
  e.Record(3, {kNone, kNone}, W(1) + W(3) + W(4) + W(40) + W(44) + mark.substr(14));
  e.Record(4, {kNone, kNone},
           W(0) + W(2) + W(10) + W(20) + W(2) + W(30) + W(40) + W(static_cast<std::uint32_t>(svg.size())) + svg);
  EXPECT_EQ(bmxtest::Hex(ReadFile(Img("key.bmx"))), bmxtest::Hex(e.Finish()));

  EXPECT_EQ(ReadFile(P("QUILLONK.SYS")), Crlf("PLC:\\SOFTKEYS\\key.bmx\nPLC:\\SOFTKEYS\\after.pic\n"));
  EXPECT_EQ(ReadFile(P("p.log")), Crlf("GeneratingSK \"p\\QUILLONK.SYS\" PLC:\\\n"
                                       "GeneratingMenu \"p\\p.sys\" PLC:\\SOFTKEYS\\\n"
                                       "GeneratingSK \"p\\img\\key.bmx\" PLC:\\SOFTKEYS\\\n"
                                       "CheckingSK \"p\\after.pic\" PLC:\\SOFTKEYS\\\n"
                                       "\n\n0 Error(s), 0 Warning(s)\n\n"));
}

// Runs that write only menus or constants generate no images.
TEST_F(BmxE2E, MenuAndConstantsRunsGenerateNoImages) {
  WriteFile(Img("bg.bmp"), Background());
  WriteFile(Img("key.bpj"), std::string(kBmxHeader) + "BMX\nBMP bg.bmp\nENDBMX\n");
  WriteFile(P("p.spm"), Spm({{"BPJ img\\key.bpj", "KEY"}}));
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"-menu"}, std::vector<std::string>{}}) {
    RunResult r = options.empty() ? RunQuillon({"p/p.spm", "-gendef"}, dir_.path()) : Gensys(options);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_FALSE(FileExistsOnDisk(Img("key.bmx")));
    EXPECT_FALSE(Contains(r.out, "key.bpj")) << r.out;
  }
}

// One text in three languages, from an ".inc", a ".txt" (Latin-1, converted
// to UTF-8 because the ".po" texts are UTF-8) and a ".po" file; the records
// follow the library's order of the languages (EN, DE, FR), the dictionary
// sorts their names.
TEST_F(BmxE2E, TextsInThreeLanguages) {
  WriteFile(Img("lang/en.inc"), "; English captions\n#define OK \"Yes\"\n");
  WriteFile(Img("lang/DE.TXT"), "OK \"Gr\xF6\xDF\"\n");  // extensions match in any case
  WriteFile(Img("lang/fr.po"),
            "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\"\n\n"
            "msgid \"OK\"\nmsgstr \"D'accord \xC3\xA9t\xC3\xA9\"\n");
  WriteFile(Img("lang/german.inc"), "OK \"ignored: base name too long\"\n");
  WriteFile(Img("key.bpj"), std::string(kBmxHeader) + "LANGUAGEPATH lang\nBMX\nTXT @OK\nENDTXT\nENDBMX\n");
  WriteFile(P("p.spm"), Spm({{"BPJ img\\key.bpj", "KEY"}}));

  RunResult r = Gensys();
  ASSERT_EQ(r.status, 0) << r.out;

  ExpectedBmx e("BXX3");
  e.Add(W(0) + W(0) + W(0) + W(0) + W(0) + W(0) + W(0) + W(1) + W(0) + W(0));  // UTF-8, no background
  e.Add(Dictionary({{"LAN", {"DE", "EN", "FR"}}}));
  e.Record(2, {1}, DefaultTextBody("Yes"));
  e.Record(2, {0}, DefaultTextBody("Gr\xC3\xB6\xC3\x9F"));
  e.Record(2, {2}, DefaultTextBody("D'accord \xC3\xA9t\xC3\xA9"));
  EXPECT_EQ(bmxtest::Hex(ReadFile(Img("key.bmx"))), bmxtest::Hex(e.Finish()));

  // A LAN list picks languages; one that is not loaded yields nothing.
  WriteFile(Img("key.bpj"), std::string(kBmxHeader) + "LANGUAGEPATH lang\nBMX\nTXT @OK LANG:FR:IT\nENDTXT\nENDBMX\n");
  r = Gensys();
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(TextsOf(ReadFile(Img("key.bmx"))),
            (std::vector<std::pair<std::uint32_t, std::string>>{{0, "D'accord \xC3\xA9t\xC3\xA9"}}));
}

// A catalogue as gettext's tools write it (a header continued over several
// lines, opened by an empty msgstr): its texts are used, and the empty header
// msgstr counts as an untranslated entry, a warning that leaves the run's
// status at 1.
TEST_F(BmxE2E, PoFileWrittenByGettext) {
  if (!HaveTool("msgfmt") || !HaveTool("msgunfmt")) GTEST_SKIP() << "gettext tools not installed";
  WriteFile(Img("lang/fr.src"),
            "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
            "\"Content-Transfer-Encoding: 8bit\\n\"\n\n"
            "msgid \"OK\"\nmsgstr \"D'accord\"\n\nmsgid \"STOP\"\nmsgstr \"Arr\xC3\xAAt\"\n");
  RunResult tools = RunCommand("msgfmt -o fr.mo fr.src && msgunfmt -o fr.po fr.mo && rm fr.src fr.mo", Img("lang"));
  ASSERT_EQ(tools.status, 0) << tools.out;
  WriteFile(Img("lang/en.inc"), "#define OK \"Yes\"\n#define STOP \"Stop\"\n");
  WriteFile(Img("key.bpj"), std::string(kBmxHeader) + "LANGUAGEPATH lang\nBMX\nTXT @STOP\nENDTXT\nENDBMX\n");
  WriteFile(P("p.spm"), Spm({{"BPJ img\\key.bpj", "KEY"}}));

  RunResult r = Gensys();
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(Contains(r.out, "W8305")) << r.out;
  EXPECT_TRUE(Contains(r.out, "0 Error(s), 1 Warning(s)")) << r.out;
  EXPECT_EQ(TextsOf(ReadFile(Img("key.bmx"))),
            (std::vector<std::pair<std::uint32_t, std::string>>{{0, "Stop"}, {1, "Arr\xC3\xAAt"}}));
  EXPECT_EQ(ReadFile(P("QUILLONK.SYS")), Crlf("PLC:\\SOFTKEYS\\key.bmx\n"));
}

// Only the first BMX project of a run starts without language texts: the
// second one uses the texts the first loaded, not those of its own language
// directory (which need not even exist).
TEST_F(BmxE2E, LaterProjectsKeepTheFirstProjectsTexts) {
  for (const char* sub : {"one", "two"}) {
    WriteFile(P(std::string(sub) + "/key_" + sub + ".bpj"),
              std::string(kBmxHeader) + "LANGUAGEPATH lang\nBMX\nTXT @OK\nENDTXT\nENDBMX\n");
  }
  WriteFile(P("one/lang/en.inc"), "#define OK \"First\"\n");
  WriteFile(P("two/lang/en.inc"), "#define OK \"Second\"\n");
  const std::vector<std::pair<std::uint32_t, std::string>> first{{0, "First"}};
  const std::vector<std::pair<std::uint32_t, std::string>> second{{0, "Second"}};

  WriteFile(P("p.spm"), Spm({{"BPJ two\\key_two.bpj", "TWO"}}));
  RunResult r = Gensys();
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(TextsOf(ReadFile(P("two/key_two.bmx"))), second);

  WriteFile(P("p.spm"), Spm({{"BPJ one\\key_one.bpj", "ONE"}, {"BPJ two\\key_two.bpj", "TWO"}}));
  r = Gensys();
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(TextsOf(ReadFile(P("one/key_one.bmx"))), first);
  EXPECT_EQ(TextsOf(ReadFile(P("two/key_two.bmx"))), first);

  std::filesystem::remove_all(P("two/lang"));
  r = Gensys();
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(TextsOf(ReadFile(P("two/key_two.bmx"))), first);
}

// -i names the language directory itself (a relative one is found from the
// BMX project's directory, the current one during generation) and overrides
// LANGUAGEPATH; -l is the base a relative LANGUAGEPATH is resolved against,
// itself taken relative to the BMX project.
TEST_F(BmxE2E, LanguageDirectoryAndBaseOptions) {
  WriteFile(Img("key.bpj"), std::string(kBmxHeader) + "LANGUAGEPATH lang\nBMX\nTXT @OK\nENDTXT\nENDBMX\n");
  WriteFile(Img("lang/en.inc"), "#define OK \"Own\"\n");
  WriteFile(Img("option/en.inc"), "#define OK \"Option\"\n");
  WriteFile(P("shared/lang/en.inc"), "#define OK \"Shared\"\n");
  WriteFile(P("p.spm"), Spm({{"BPJ img\\key.bpj", "KEY"}}));
  auto text = [&] {
    auto texts = TextsOf(ReadFile(Img("key.bmx")));
    return texts.size() == 1 ? texts[0].second : std::string("?");
  };

  RunResult r = Gensys();
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(text(), "Own");
  r = Gensys({"-ioption"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(text(), "Option");
  r = Gensys({"-l..\\shared"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(text(), "Shared");
  r = Gensys({"-l" + P("shared")});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(text(), "Shared");
  r = Gensys({"-ioption", "-l..\\shared"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(text(), "Option");
}

// An output location with %RES% gives one file per resolution, each with
// its own background and its own variant of the language text; the log names
// each with its destination.  A project without variants drops "\%RES%" from
// the destination it logs.
TEST_F(BmxE2E, ResolutionVariantsProduceTwoFiles) {
  const std::string small = Bitmap24(2, 1, [](int) { return 0x010203u; });
  const std::string large = Bitmap24(3, 2, [](int i) { return 0x040506u + static_cast<std::uint32_t>(i); });
  WriteFile(Img("bg_640x480.bmp"), small);
  WriteFile(Img("bg_1024x768.bmp"), large);
  WriteFile(Img("flat.bmp"), small);
  WriteFile(Img("lang/en.inc"), "OK_640x480 Small\nOK_1024x768 Large\n");
  WriteFile(Img("res.bpj"), std::string(kBmxHeader) +
                                "LANGUAGEPATH lang\nBMX ..\\gen\\%RES%\\\nBMP bg_%RES%.bmp\nTXT @OK_%RES%\nENDTXT\nENDBMX\n");
  WriteFile(Img("flat.bpj"), std::string(kBmxHeader) + "BMX\nBMP flat.bmp\nENDBMX\n");
  WriteFile(P("p.spm"), Spm({{"BPJ img\\res.bpj", "RES"}, {"BPJ img\\flat.bpj", "FLAT"}},
                            "SKPATH PLC:\\SOFTKEYS\\%RES%\n"));

  RunResult r = Gensys();
  ASSERT_EQ(r.status, 0) << r.out;
  for (const auto& [background, text, name] :
       {std::tuple{small, std::string("Small"), std::string("640x480")},
        std::tuple{large, std::string("Large"), std::string("1024x768")}}) {
    ExpectedBmx e(background);
    e.Add("BMX2" + Dictionary({{"LAN", {"EN"}}, {"PARA", {}}}));
    e.Record(2, {0, kNone}, DefaultTextBody(text));
    e.Record(1, {kNone, kNone}, W(4) + std::string("\0\1\0\0", 4));
    EXPECT_EQ(bmxtest::Hex(ReadFile(P("gen/" + name + "/res.bmx"))), bmxtest::Hex(e.Finish())) << name;
  }
  EXPECT_FALSE(FileExistsOnDisk(Img("res.bmx")));
  EXPECT_TRUE(FileExistsOnDisk(Img("flat.bmx")));
  EXPECT_TRUE(Contains(ReadFile(P("p.log")),
                       Crlf("GeneratingSK \"p\\gen\\640x480\\res.bmx\" PLC:\\SOFTKEYS\\640x480\\\n"
                            "GeneratingSK \"p\\gen\\1024x768\\res.bmx\" PLC:\\SOFTKEYS\\1024x768\\\n"
                            "GeneratingSK \"p\\img\\flat.bmx\" PLC:\\SOFTKEYS\\\n")))
      << ReadFile(P("p.log"));

  // A scalable project: the extended header takes each variant's size from
  // its own PIXSIZE_ entry, else from its own background.
  WriteFile(Img("res.bpj"), std::string(kBmxHeader) +
                                "SCALABLE\nBMX %RES%\\\nPIXSIZE_640x480 100 50\nBGRCOLOR $C0C0C0\n"
                                "BMP bg_%RES%.bmp\nENDBMX\n");
  WriteFile(P("p.spm"), Spm({{"BPJ img\\res.bpj", "RES"}}));
  r = Gensys();
  ASSERT_EQ(r.status, 0) << r.out;
  for (const auto& [background, width, height, name] :
       {std::tuple{small, 100u, 50u, std::string("640x480")}, std::tuple{large, 3u, 2u, std::string("1024x768")}}) {
    ExpectedBmx e(background);
    e.Add("BXX3" + W(0) + W(0) + W(1) + W(0xC0C0C0) + W(0) + W(width) + W(height) + W(0) + W(1) + W(0));
    e.Add(Dictionary({}));
    e.Record(1, {}, W(4) + std::string("\0\1\0\0", 4));
    EXPECT_EQ(bmxtest::Hex(ReadFile(Img(name + "/res.bmx"))), bmxtest::Hex(e.Finish())) << name;
  }
}

// Picture paths and the output location may name environment variables.
TEST_F(BmxE2E, EnvironmentVariablesInProjectPaths) {
  WriteFile(dir_ / "pictures/bg.bmp", Background());
  setenv("Q32_TEST_PICTURES", (dir_ / "pictures").c_str(), 1);
  setenv("Q32_TEST_OUT", "generated", 1);
  WriteFile(Img("key.bpj"), std::string(kBmxHeader) + "BMX %Q32_TEST_OUT%\\\nBMP %Q32_TEST_PICTURES%\\bg.bmp\nENDBMX\n");
  WriteFile(P("p.spm"), Spm({{"BPJ img\\key.bpj", "KEY"}}));
  RunResult r = Gensys();
  unsetenv("Q32_TEST_PICTURES");
  unsetenv("Q32_TEST_OUT");
  ASSERT_EQ(r.status, 0) << r.out;
  ExpectedBmx e(Background());
  e.Add("BMX2" + Dictionary({{"LAN", {}}, {"PARA", {}}}));
  e.Record(1, {kNone, kNone}, W(4) + std::string("\0\1\0\0", 4));
  EXPECT_EQ(bmxtest::Hex(ReadFile(Img("generated/key.bmx"))), bmxtest::Hex(e.Finish()));
}

// Every failure the generator reports, with its report form; the run ends
// with status 2, a single error, no system list, and the softkey after the
// failed one is still handled.
TEST_F(BmxE2E, FailuresAreReportedWithTheirFiles) {
  struct Case {
    const char* what;
    std::string project;                               // of img\key.bpj; empty: no such file
    std::vector<std::pair<std::string, std::string>> files;  // under img
    std::string report;
  };
  const std::string bg = Background();
  const std::string okHeader = kBmxHeader;
  std::string paletted = bg;
  paletted[28] = 8;  // 8 bits per pixel
  std::string manyLayers = okHeader + "BMX\nBMP bg.bmp\nBMP bg.bmp ATTR:1-1025\nENDBMX\n";
  const std::vector<Case> cases = {
      {"missing project", "", {{"readme.txt", "x"}}, "File: p\\img\\key.bpj: E8300"},
      // Without its directory the project cannot be made current: the
      // softkey line is reported.
      {"missing directory", "", {}, "File: p\\p.spm(3): E8221"},
      {"version 3.0", "; BMX Project File - Version 3.0\nBMX\nENDBMX\n", {}, "File: p\\img\\key.bpj(1): E8301"},
      {"version 1.1", "; BMX Project File - Version 1.1\nBMX\nENDBMX\n", {}, "File: p\\img\\key.bpj(1): E8301"},
      {"no header", "BMX\nENDBMX\n", {}, "File: p\\img\\key.bpj(1): E8302"},
      {"TXT in TXT", okHeader + "BMX\nTXT a\nTXT b\nENDTXT\nENDBMX\n", {}, "File: p\\img\\key.bpj(4): E8311"},
      {"unknown keyword", okHeader + "BMX\nFLASH 1\nENDBMX\n", {}, "File: p\\img\\key.bpj(3): E8312"},
      {"open block", okHeader + "BMX\nBMP bg.bmp\n", {{"bg.bmp", bg}}, "File: p\\img\\key.bpj(3): E8313"},
      {"word count", okHeader + "BMX a b\nENDBMX\n", {}, "File: p\\img\\key.bpj(2): E8315"},
      {"colour", okHeader + "BMX\nBGRCOLOR FF00\nENDBMX\n", {}, "File: p\\img\\key.bpj(3): E8319"},
      {"text missing", okHeader + "LANGUAGEPATH lang\nBMX\nTXT @NOPE\nENDTXT\nENDBMX\n",
       {{"lang/en.inc", "OK Yes\n"}}, "File: p\\img\\key.bpj(5): E8320"},
      {"bad language file", okHeader + "LANGUAGEPATH lang\nBMX\nTXT @OK\nENDTXT\nENDBMX\n",
       {{"lang/en.inc", "#define\n"}}, "File: p\\img\\key.bpj(5): E8306"},
      {"po charset", okHeader + "LANGUAGEFILE fr.po\nBMX\nENDBMX\n",
       {{"fr.po", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\"\n"}},
       "File: p\\img\\key.bpj(2): E8309"},
      // Read while the languages of a directory load, a file's own failure
      // becomes the reading failure of the language files.
      {"po charset in the directory", okHeader + "LANGUAGEPATH lang\nBMX\nTXT @OK\nENDTXT\nENDBMX\n",
       {{"lang/fr.po", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\"\n"}},
       "File: p\\img\\key.bpj(5): E8306"},
      {"no language directory", okHeader + "LANGUAGEPATH nowhere\nBMX\nTXT @OK\nENDTXT\nENDBMX\n", {},
       "File: p\\img\\key.bpj(5): E8316"},
      {"no language file", okHeader + "LANGUAGEPATH lang\nBMX\nTXT @OK\nENDTXT\nENDBMX\n",
       {{"lang/german.inc", "OK Ja\n"}, {"lang/xx.txt", "OK Ja\n"}}, "File: p\\img\\key.bpj(5): E8317"},
      {"background missing", okHeader + "BMX\nBMP gone.bmp\nENDBMX\n", {},
       "Error: E8321: Background picture p\\img\\gone.bmp cannot be opened"},
      {"background not 24 bits", okHeader + "BMX\nBMP bg.bmp\nENDBMX\n", {{"bg.bmp", paletted}},
       "File: p\\img\\bg.bmp: E8322"},
      {"layer not a bitmap", okHeader + "BMX\nBMP bg.bmp\nBMP layer.bmp\nENDBMX\n",
       {{"bg.bmp", bg}, {"layer.bmp", "BM but nothing more"}}, "File: p\\img\\layer.bmp: E8322"},
      {"output not created", okHeader + "BMX blocker\\\nBMP bg.bmp\nENDBMX\n", {{"bg.bmp", bg}, {"blocker", "a file"}},
       "File: p\\img\\blocker\\key.bmx: E8326"},
      {"layer missing", okHeader + "BMX\nBMP bg.bmp\nBMP gone.bmp\nENDBMX\n", {{"bg.bmp", bg}},
       "File: p\\img\\gone.bmp: E8327"},
      {"SVG missing", okHeader + "BMX\nSVG gone.svg\nENDSVG\nENDBMX\n", {}, "File: p\\img\\gone.svg: E8327"},
      {"layer size", okHeader + "BMX\nBMP bg.bmp\nBMP small.bmp\nENDBMX\n",
       {{"bg.bmp", bg}, {"small.bmp", Bitmap24(4, 1, [](int) { return 0u; })}}, "File: p\\img\\small.bmp: E8328"},
      {"too many images", manyLayers, {{"bg.bmp", bg}}, "File: p\\img\\key.bpj: E8225"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    if (!c.project.empty()) WriteFile(dir / "p/img/key.bpj", c.project);
    for (const auto& [name, bytes] : c.files) WriteFile(dir / ("p/img/" + name), bytes);
    WriteFile(dir / "p/after.pic", "x");
    WriteFile(dir / "p/p.spm", Spm({{"BPJ img\\key.bpj", "KEY"}, {"PIC after.pic", "AFTER"}}));

    RunResult r = RunQuillon({"p/p.spm", "-gensys"}, dir.path());
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_TRUE(Contains(r.out, c.report)) << r.out;
    EXPECT_TRUE(Contains(r.out, "1 Error(s), 0 Warning(s)")) << r.out;
    const std::string log = ReadFile(dir / "p/p.log");
    EXPECT_TRUE(Contains(log, c.report)) << log;
    EXPECT_FALSE(Contains(log, "key.bmx\" ")) << log;
    EXPECT_TRUE(Contains(log, "CheckingSK \"p\\after.pic\"")) << log;
    EXPECT_FALSE(FileExistsOnDisk(dir / "p/QUILLONK.SYS"));
  }
}

// A failure keeps what the failed variant had written and generates no
// later variant; the earlier variant stays complete.
TEST_F(BmxE2E, FailedVariantKeepsWhatWasWritten) {
  const std::string small = Bitmap24(2, 1, [](int) { return 0x010203u; });
  WriteFile(Img("bg_640x480.bmp"), small);
  WriteFile(Img("layer_640x480.bmp"), small);
  WriteFile(Img("layer_1024x768.bmp"), small);
  WriteFile(Img("res.bpj"), std::string(kBmxHeader) + "BMX %RES%\\\nBMP bg_%RES%.bmp\nBMP layer_%RES%.bmp\nENDBMX\n");
  WriteFile(P("p.spm"), Spm({{"BPJ img\\res.bpj", "RES"}}));

  RunResult r = Gensys();
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_TRUE(Contains(r.out, "Error: E8321: Background picture p\\img\\bg_1024x768.bmp cannot be opened")) << r.out;
  ExpectedBmx e(small);
  e.Add("BMX2" + Dictionary({{"LAN", {}}, {"PARA", {}}}));
  e.Record(1, {kNone, kNone}, W(4) + std::string("\0\1\0\0", 4));
  e.Record(1, {kNone, kNone}, W(4) + std::string("\0\1\0\0", 4));
  EXPECT_EQ(bmxtest::Hex(ReadFile(Img("640x480/res.bmx"))), bmxtest::Hex(e.Finish()));
  EXPECT_TRUE(FileExistsOnDisk(Img("1024x768/res.bmx")));
  EXPECT_EQ(ReadFile(Img("1024x768/res.bmx")), "");

  // A layer of another size: the background has already been written.
  WriteFile(Img("bg_1024x768.bmp"), Background());
  r = Gensys();
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_TRUE(Contains(r.out, "File: p\\img\\layer_1024x768.bmp: E8328")) << r.out;
  EXPECT_EQ(bmxtest::Hex(ReadFile(Img("1024x768/res.bmx"))), bmxtest::Hex(Background()));
}

// -scan names the BMX project and every picture it uses, relative to the
// directory the run started in, both variants of a %RES% name, a name with a
// blank in quotes; text elements are not listed and load no language texts.
TEST_F(BmxE2E, ScanListsThePicturesOfBmxProjects) {
  WriteFile(Img("key.bpj"), std::string(kBmxHeader) +
                                "BMX\nBMP bg.bmp\nBMP layer.bmp LANG:DE:EN\nSVG \"my pic.svg\"\nENDSVG\n"
                                "TXT @OK\nENDTXT\nENDBMX\n");
  WriteFile(Img("res.bpj"), std::string(kBmxHeader) + "BMX %RES%\\\nBMP bg_%RES%.bmp\nENDBMX\n");
  WriteFile(P("p.spm"), Spm({{"BPJ img\\key.bpj", "KEY"}, {"BPJ img\\res.bpj", "RES"}, {"BPJ gone\\x.bpj", "GONE"},
                             {"PIC after.pic", "AFTER"}}));

  RunResult r = RunQuillon({"p/p.spm", "-scan"}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(P("p.log")), Crlf("File p\\img\\key.bpj\n"
                                       "Included p\\img\\bg.bmp\n"
                                       "Included p\\img\\layer.bmp\n"
                                       "Included p\\img\\layer.bmp\n"
                                       "Included \"p\\img\\my pic.svg\"\n"
                                       "File p\\img\\res.bpj\n"
                                       "Included p\\img\\bg_640x480.bmp 640x480\n"
                                       "Included p\\img\\bg_1024x768.bmp 1024x768\n"
                                       "File p\\gone\\x.bpj\n"
                                       "File p\\after.pic\n"));
  EXPECT_FALSE(FileExistsOnDisk(Img("key.bmx")));

  // A project that cannot be read is reported with its line.
  WriteFile(Img("res.bpj"), std::string(kBmxHeader) + "BMX\nFLASH\nENDBMX\n");
  r = RunQuillon({"p/p.spm", "-scan"}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(Contains(r.out, "File: p\\img\\res.bpj(3): E8312")) << r.out;
  EXPECT_TRUE(Contains(ReadFile(P("p.log")), "File: p\\img\\res.bpj(3): E8312"));
}

}  // namespace
