#include "project/Defines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "diag/Diagnostics.h"
#include "plc/PlcProjectFile.h"
#include "platform/FileSystem.h"
#include "project/RunContext.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

struct Lookup {
  int kind = 0;
  std::int32_t value = 0;
  std::string text;
  Lookup(int k = 0, std::int32_t v = 0, std::string t = {}) : kind(k), value(v), text(std::move(t)) {}
};

Lookup Find(const DefineList& list, std::string_view name) {
  Lookup l;
  l.kind = list.LookupDefine(name, l.value, &l.text);
  return l;
}

// What a name is defined as: kind (0 none, 1 number, 2 string), value, text.
void ExpectDefines(const DefineList& d, std::initializer_list<std::pair<const char*, Lookup>> expected) {
  for (const auto& [name, want] : expected) {
    Lookup got = Find(d, name);
    EXPECT_EQ(got.kind, want.kind) << name;
    if (want.kind == 1) {
      EXPECT_EQ(got.value, want.value) << name;
    }
    if (want.kind == 2 || !want.text.empty()) {
      EXPECT_EQ(got.text, want.text) << name;
    }
  }
}

TEST(ParseDefines, ValueForms) {
  DefineList d;
  EXPECT_EQ(ParseDefines(d, "hex=$1F, lowhex=$1f, bin=%101, ref=%PATH%, quoted=\"ab c\", num=12abc, "
                            "neg=-7, plus=+3, bare, ZERO=0",
                         false),
            0);
  ExpectDefines(d, {{"HEX", {1, 31, "$1F"}},  // names are found in any case
                    {"lowhex", {1, 31}},
                    {"BIN", {1, 5}},
                    {"REF", {2, 0, "%PATH%"}},
                    {"QUOTED", {2, 0, "ab c"}},
                    {"NUM", {1, 12}},
                    {"NEG", {1, -7}},
                    {"PLUS", {1, 3}},
                    {"ZERO", {1, 0}},
                    {"BARE", {1, 1}}});
  // Names are stored in upper case and sorted.
  ASSERT_EQ(d.Entries().size(), 10u);
  EXPECT_EQ(d.Entries().front().name, "BARE");
  EXPECT_FALSE(d.Entries().front().hasValue);
  EXPECT_TRUE(std::is_sorted(d.Entries().begin(), d.Entries().end(),
                             [](const DefineEntry& a, const DefineEntry& b) { return a.name < b.name; }));

  // An unquoted string is taken, with the warning result; a quote that is
  // not closed runs to the end; names and values are cut to 24 characters.
  DefineList s;
  EXPECT_EQ(ParseDefines(s, "A=abc", false), 1049);
  EXPECT_EQ(ParseDefines(s, "Q=\"open end", false), 0);
  EXPECT_EQ(ParseDefines(s, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234=\"abcdefghijklmnopqrstuvwxyz\"", false), 0);
  ExpectDefines(s, {{"A", {2, 0, "abc"}},
                    {"Q", {2, 0, "open end"}},
                    {"ABCDEFGHIJKLMNOPQRSTUVWXYZ9999", {2, 0, "abcdefghijklmnopqrstuvwx"}}});
}

TEST(ParseDefines, MalformedNumbersSeparatorsAndDuplicates) {
  DefineList d;
  EXPECT_EQ(ParseDefines(d, "X=1, Y=%12, Z=3", false), 3080);  // ends the list
  EXPECT_EQ(ParseDefines(d, "P=$", false), 3080);
  EXPECT_EQ(ParseDefines(d, "P=$1G", false), 3080);
  EXPECT_EQ(ParseDefines(d, "P=%", false), 3080);
  // A malformed number outranks a string without quotes.
  EXPECT_EQ(ParseDefines(d, "S=abc, T=%9", false), 3080);
  ExpectDefines(d, {{"X", {1, 1}}, {"Y", {}}, {"Z", {}}, {"P", {}}, {"S", {2, 0, "abc"}}});

  DefineList e;
  EXPECT_EQ(ParseDefines(e, "A=1 B=2", false), 0);  // B follows without a comma
  EXPECT_EQ(ParseDefines(e, "C=1;D=2", false), 0);
  EXPECT_EQ(ParseDefines(e, " = E , F ,,G", false), 0);
  EXPECT_EQ(ParseDefines(e, "H,*I", false), 0);  // a comment where a name would begin
  EXPECT_EQ(ParseDefines(e, "J = = 4 , K\t=\t5", false), 0);
  ExpectDefines(e, {{"A", {1, 1}}, {"B", {}}, {"D", {}}, {"E", {1, 1}}, {"F", {1, 1}}, {"G", {1, 1}},
                    {"I", {}}, {"J", {1, 4}}, {"K", {1, 5}}});

  DefineList x;
  EXPECT_EQ(ParseDefines(x, "X=2", false), 0);
  EXPECT_EQ(ParseDefines(x, "X=3", false), 1047);
  EXPECT_EQ(Find(x, "X").value, 2);  // the first definition stays in force
  EXPECT_EQ(ParseDefines(x, "X=1,Y", true), 1047);
  EXPECT_EQ(Find(x, "X").value, 1);  // the command line overrides
  // 1047 outranks a string without quotes and a malformed number.
  EXPECT_EQ(ParseDefines(x, "X=5, S=abc", false), 1047);
  EXPECT_EQ(ParseDefines(x, "X=6, T=%2", false), 1047);
  EXPECT_EQ(Find(x, "X").value, 1);
}

// A run with the real catalogue whose console output goes to a file.
struct ReportingRun {
  std::unique_ptr<FileSystem> fs = MakeHostFileSystem();
  RunContext run{*fs};
  std::FILE* console = std::tmpfile();

  ReportingRun() {
    run.diag.console = console;
    EXPECT_EQ(LoadMessageCatalogue(run.diag, run.settings.errorCount, run.settings.warningCount,
                                   q32test::SourcePath(""), kCatalogueName, kCatalogueHeader, ""),
              0);
  }
  ~ReportingRun() {
    CloseMessageCatalogue(run.diag);
    std::fclose(console);
  }
  std::string Output() {
    std::fflush(console);
    std::rewind(console);
    std::string out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, console)) out += buffer;
    return out;
  }
};

TEST(ConfigurationFile, DefineLines) {
  q32test::TempDir dir;
  std::string name = dir / "machine.cfg";
  q32test::WriteFile(name,
                     "; machine variant\r\n"
                     "DEFINE X=2\r\n"
                     "define y=\"ab c\"\r\n"
                     "DEFINEZ=1\r\n"
                     "DEFINE A=1 B=2\r\n"
                     "DEFINE X=3\r\n"
                     "  DEFINE NOTME=1\r\n"
                     "MACHINE=5\r\n"
                     "DEFINE S=abc\r\n"
                     "DEFINE N=%12\r\n"
                     "Define=Hex=$ff");
  ReportingRun r;
  ASSERT_EQ(ReadConfigurationFile(r.run, name), 0);
  // The whole line is upper-cased.
  ExpectDefines(r.run.defines, {{"X", {1, 2}}, {"Y", {2, 0, "AB C"}}, {"Z", {1, 1}}, {"A", {1, 1}},
                                {"B", {}}, {"NOTME", {}}, {"MACHINE", {}}, {"S", {2, 0, "ABC"}},
                                {"N", {}}, {"HEX", {1, 255}}});

  // The duplicate and the unquoted string warn, the bad number is an error,
  // each against its own line.
  EXPECT_EQ(r.run.settings.warningCount, 2);
  EXPECT_EQ(r.run.settings.errorCount, 1);
  std::string out = r.Output();
  EXPECT_NE(out.find("machine.cfg(6): W1047"), std::string::npos) << out;
  EXPECT_NE(out.find("machine.cfg(9): W1049"), std::string::npos) << out;
  EXPECT_NE(out.find("machine.cfg(10): E3080"), std::string::npos) << out;

  EXPECT_EQ(ReadConfigurationFile(r.run, dir / "missing.cfg"), 3);
}

TEST(ConfigurationFile, LongLinesArriveInPieces) {
  q32test::TempDir dir;
  std::string name = dir / "long.cfg";
  // 300 characters: the second piece starts with DEFINE and counts as a
  // line of its own, but the line numbers stay those of the file.
  std::string first = "DEFINE A=1 " + std::string(244, ' ');  // 255 characters
  q32test::WriteFile(name, first + "DEFINE B=2\nDEFINE C=abc\n");
  ReportingRun r;
  ASSERT_EQ(ReadConfigurationFile(r.run, name), 0);
  EXPECT_EQ(Find(r.run.defines, "A").value, 1);
  EXPECT_EQ(Find(r.run.defines, "B").value, 2);
  EXPECT_NE(r.Output().find("long.cfg(2): W1049"), std::string::npos) << r.Output();
}

TEST(DefineConditions, GroupsOperatorsAndNegation) {
  auto fs = MakeHostFileSystem();
  RunContext run(*fs);
  ParseDefines(run.defines, "A,B=0", false);  // B is defined, whatever its value
  const struct {
    const char* text;
    bool negate;  // #IFNDEF negates the first name of every group
    int code;
    bool result;
  } cases[] = {
      {"A", false, 0, true},
      {"C", false, 0, false},
      {"C OR NOT D", false, 0, true},
      {"C OR NOT B", false, 0, false},
      {"C OR A AND B", false, 0, true},  // left to right
      {"A OR C AND D", false, 0, false},
      {"A, B", false, 0, true},
      {"A, C", false, 0, false},
      {"A,,\tB ,", false, 0, true},  // empty groups change nothing
      {"", false, 0, true},
      {"C, D", true, 0, true},
      {"A, D", true, 0, false},
      {"A OR B", true, 0, true},
      {"A OR D", true, 0, false},
      {"A B", false, 1, false},
      {"A OR", false, 1, false},
      {"A OR NOT", false, 1, false},
      {"A XOR B", false, 1, false},
      {"A, B C", false, 1, false},
  };
  for (const auto& c : cases) {
    bool result = !c.result;
    EXPECT_EQ(EvaluateDefineCondition(run, c.text, c.negate, result), c.code) << c.text;
    if (c.code == 0) {
      EXPECT_EQ(result, c.result) << c.text;
    }
  }
}

TEST(DefineConditions, PlcSymbolsCountOnlyWithPostProcessing) {
  auto fs = MakeHostFileSystem();
  RunContext run(*fs);
  PlcSymbol flag;
  flag.name = "FLAG";
  PlcSymbol twiceLocal = flag, twiceGlobal = flag;
  twiceLocal.name = twiceGlobal.name = "TWICE";
  twiceLocal.local = true;
  run.plc.symbols = {flag, twiceLocal, twiceGlobal};
  bool r = false;
  EXPECT_EQ(EvaluateDefineCondition(run, "FLAG", false, r), 0);
  EXPECT_FALSE(r);
  run.settings.postProcess = true;
  EXPECT_EQ(EvaluateDefineCondition(run, "FLAG", false, r), 0);
  EXPECT_TRUE(r);
  EXPECT_EQ(EvaluateDefineCondition(run, "TWICE", false, r), 0);  // ambiguous, but there
  EXPECT_TRUE(r);
}

TEST(ConfigurationFile, RunOrderAndReports) {
  q32test::TempDir dir;
  std::string cfg = dir / "machine.cfg";
  q32test::WriteFile(cfg, "DEFINE X=2\nDEFINE W=1\n");
  {
    ReportingRun r;
    r.run.settings.mode = MODE_GENSYS;
    LoadRunDefines(r.run, cfg, std::string("x=1,y,s=abc"));
    EXPECT_EQ(Find(r.run.defines, "X").value, 1);  // the command line wins, without a warning
    EXPECT_EQ(Find(r.run.defines, "W").value, 1);
    EXPECT_EQ(Find(r.run.defines, "Y").kind, 1);
    EXPECT_EQ(Find(r.run.defines, "S").text, "ABC");
    EXPECT_EQ(r.run.settings.warningCount, 1);  // only the unquoted string
    EXPECT_NE(r.Output().find("W1049"), std::string::npos) << r.Output();
  }
  {
    ReportingRun r;
    r.run.settings.mode = MODE_GENSYS;
    LoadRunDefines(r.run, dir / "missing.cfg", std::string("Z=%3"));
    EXPECT_EQ(r.run.settings.errorCount, 2);
    EXPECT_NE(r.Output().find("missing.cfg: E8277"), std::string::npos) << r.Output();
    EXPECT_NE(r.Output().find("E3080"), std::string::npos) << r.Output();
  }
  {
    ReportingRun r;
    r.run.settings.mode = MODE_SCAN;  // a scan reads no configuration file
    LoadRunDefines(r.run, cfg, std::nullopt);
    EXPECT_TRUE(r.run.defines.Entries().empty());
    EXPECT_EQ(r.run.settings.errorCount, 0);
  }
}

TEST(ParseDefines, RandomListsGiveCleanCodes) {
  static const char alphabet[] = "AB=,; \t*\"$%01F9-+xZ";
  std::mt19937 random(5);
  auto fs = MakeHostFileSystem();
  RunContext run(*fs);
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& c : text) c = alphabet[random() % (sizeof alphabet - 1)];
    int code = ParseDefines(run.defines, text, random() % 2 == 0);
    ASSERT_TRUE(code == 0 || code == 1047 || code == 1049 || code == 3080) << text;
    for (const DefineEntry& e : run.defines.Entries()) {
      ASSERT_LE(e.name.size(), kMaxNameLength);
      ASSERT_LE(e.valueText.size(), kMaxNameLength);
    }
    bool result;
    int condition = EvaluateDefineCondition(run, text, random() % 2 == 0, result);
    ASSERT_TRUE(condition == 0 || condition == 1);
    if (run.defines.Entries().size() > 200) run.defines.ClearDefines();
  }
}

}  // namespace
}  // namespace q32
