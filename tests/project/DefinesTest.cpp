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
};

Lookup Find(const DefineList& list, std::string_view name) {
  Lookup l;
  l.kind = list.LookupDefine(name, l.value, &l.text);
  return l;
}

TEST(ParseDefines, ValueForms) {
  DefineList d;
  EXPECT_EQ(ParseDefines(d, "hex=$1F, lowhex=$1f, bin=%101, ref=%PATH%, quoted=\"ab c\", num=12abc, "
                            "neg=-7, plus=+3, bare, ZERO=0",
                         false),
            0);
  Lookup hex = Find(d, "HEX");
  EXPECT_EQ(hex.kind, 1);
  EXPECT_EQ(hex.value, 31);
  EXPECT_EQ(hex.text, "$1F");
  EXPECT_EQ(Find(d, "lowhex").value, 31);
  EXPECT_EQ(Find(d, "BIN").value, 5);
  Lookup ref = Find(d, "REF");
  EXPECT_EQ(ref.kind, 2);
  EXPECT_EQ(ref.text, "%PATH%");
  Lookup quoted = Find(d, "QUOTED");
  EXPECT_EQ(quoted.kind, 2);
  EXPECT_EQ(quoted.text, "ab c");
  EXPECT_EQ(Find(d, "NUM").value, 12);
  EXPECT_EQ(Find(d, "NEG").value, -7);
  EXPECT_EQ(Find(d, "PLUS").value, 3);
  EXPECT_EQ(Find(d, "ZERO").value, 0);
  Lookup bare = Find(d, "BARE");
  EXPECT_EQ(bare.kind, 1);
  EXPECT_EQ(bare.value, 1);

  // Names are stored in upper case, sorted, values as written.
  ASSERT_EQ(d.Entries().size(), 10u);
  EXPECT_EQ(d.Entries().front().name, "BARE");
  EXPECT_FALSE(d.Entries().front().hasValue);
  EXPECT_TRUE(std::is_sorted(d.Entries().begin(), d.Entries().end(),
                             [](const DefineEntry& a, const DefineEntry& b) { return a.name < b.name; }));

  // An unquoted string is taken, with the warning result.
  DefineList s;
  EXPECT_EQ(ParseDefines(s, "A=abc", false), 1049);
  EXPECT_EQ(Find(s, "A").kind, 2);
  EXPECT_EQ(Find(s, "A").text, "abc");
  // A quote that is not closed runs to the end.
  EXPECT_EQ(ParseDefines(s, "Q=\"open end", false), 0);
  EXPECT_EQ(Find(s, "Q").text, "open end");
  // Names and values are cut to 24 characters.
  EXPECT_EQ(ParseDefines(s, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234=\"abcdefghijklmnopqrstuvwxyz\"", false), 0);
  Lookup cut = Find(s, "ABCDEFGHIJKLMNOPQRSTUVWXYZ9999");
  EXPECT_EQ(cut.kind, 2);
  EXPECT_EQ(cut.text, "abcdefghijklmnopqrstuvwx");
}

TEST(ParseDefines, MalformedNumbersEndTheList) {
  DefineList d;
  EXPECT_EQ(ParseDefines(d, "X=1, Y=%12, Z=3", false), 3080);
  EXPECT_EQ(Find(d, "X").kind, 1);
  EXPECT_EQ(Find(d, "Y").kind, 0);
  EXPECT_EQ(Find(d, "Z").kind, 0);
  EXPECT_EQ(ParseDefines(d, "P=$", false), 3080);
  EXPECT_EQ(ParseDefines(d, "P=$1G", false), 3080);
  EXPECT_EQ(ParseDefines(d, "P=%", false), 3080);
  EXPECT_EQ(Find(d, "P").kind, 0);
  // A malformed number outranks a string without quotes.
  EXPECT_EQ(ParseDefines(d, "S=abc, T=%9", false), 3080);
  EXPECT_EQ(Find(d, "S").kind, 2);
}

TEST(ParseDefines, SeparatorsAndTheEndOfTheList) {
  DefineList d;
  EXPECT_EQ(ParseDefines(d, "A=1 B=2", false), 0);  // B follows without a comma
  EXPECT_EQ(Find(d, "A").value, 1);
  EXPECT_EQ(Find(d, "B").kind, 0);
  EXPECT_EQ(ParseDefines(d, "C=1;D=2", false), 0);
  EXPECT_EQ(Find(d, "D").kind, 0);
  EXPECT_EQ(ParseDefines(d, " = E , F ,,G", false), 0);
  EXPECT_EQ(Find(d, "E").kind, 1);
  EXPECT_EQ(Find(d, "F").kind, 1);
  EXPECT_EQ(Find(d, "G").kind, 1);
  EXPECT_EQ(ParseDefines(d, "H,*I", false), 0);   // a comment where a name would begin
  EXPECT_EQ(Find(d, "I").kind, 0);
  EXPECT_EQ(ParseDefines(d, "J = = 4 , K\t=\t5", false), 0);
  EXPECT_EQ(Find(d, "J").value, 4);
  EXPECT_EQ(Find(d, "K").value, 5);
  EXPECT_EQ(ParseDefines(d, "", false), 0);
  EXPECT_EQ(ParseDefines(d, "; all comment", false), 0);
}

TEST(ParseDefines, DuplicatesWithAndWithoutReplace) {
  DefineList d;
  EXPECT_EQ(ParseDefines(d, "X=2", false), 0);
  EXPECT_EQ(ParseDefines(d, "X=3", false), 1047);
  EXPECT_EQ(Find(d, "X").value, 2);  // the first definition stays in force
  EXPECT_EQ(ParseDefines(d, "X=1,Y", true), 1047);
  EXPECT_EQ(Find(d, "X").value, 1);  // the command line overrides
  EXPECT_EQ(Find(d, "Y").value, 1);
  // 1047 outranks a string without quotes and a malformed number.
  EXPECT_EQ(ParseDefines(d, "X=5, S=abc", false), 1047);
  EXPECT_EQ(ParseDefines(d, "X=6, T=%2", false), 1047);
  EXPECT_EQ(Find(d, "X").value, 1);
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
  const DefineList& d = r.run.defines;
  EXPECT_EQ(Find(d, "X").value, 2);
  EXPECT_EQ(Find(d, "Y").text, "AB C");  // the whole line is upper-cased
  EXPECT_EQ(Find(d, "Z").value, 1);
  EXPECT_EQ(Find(d, "A").value, 1);
  EXPECT_EQ(Find(d, "B").kind, 0);
  EXPECT_EQ(Find(d, "NOTME").kind, 0);
  EXPECT_EQ(Find(d, "MACHINE").kind, 0);
  EXPECT_EQ(Find(d, "S").text, "ABC");
  EXPECT_EQ(Find(d, "N").kind, 0);
  EXPECT_EQ(Find(d, "HEX").value, 255);

  // The duplicate and the unquoted string warn, the bad number is an error,
  // each against its own line.
  EXPECT_EQ(r.run.settings.warningCount, 2);
  EXPECT_EQ(r.run.settings.errorCount, 1);
  std::string out = r.Output();
  EXPECT_NE(out.find("machine.cfg(6): W1047"), std::string::npos) << out;
  EXPECT_NE(out.find("machine.cfg(9): W1049"), std::string::npos) << out;
  EXPECT_NE(out.find("machine.cfg(10): E3080"), std::string::npos) << out;

  // The -a list comes afterwards and overrides.
  EXPECT_EQ(ParseDefines(r.run.defines, "X=1,Y", true), 1047);
  EXPECT_EQ(Find(d, "X").value, 1);
  EXPECT_EQ(Find(d, "Y").kind, 1);

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
  auto eval = [&](std::string_view text, bool negate, bool& result) {
    return EvaluateDefineCondition(run, text, negate, result);
  };
  bool r = false;
  EXPECT_EQ(eval("A", false, r), 0);
  EXPECT_TRUE(r);
  EXPECT_EQ(eval("C", false, r), 0);
  EXPECT_FALSE(r);
  EXPECT_EQ(eval("C OR NOT D", false, r), 0);
  EXPECT_TRUE(r);
  EXPECT_EQ(eval("C OR NOT B", false, r), 0);
  EXPECT_FALSE(r);
  EXPECT_EQ(eval("A AND NOT C", false, r), 0);
  EXPECT_TRUE(r);
  EXPECT_EQ(eval("C OR A AND B", false, r), 0);  // left to right
  EXPECT_TRUE(r);
  EXPECT_EQ(eval("A OR C AND D", false, r), 0);
  EXPECT_FALSE(r);
  EXPECT_EQ(eval("A, B", false, r), 0);
  EXPECT_TRUE(r);
  EXPECT_EQ(eval("A, C", false, r), 0);
  EXPECT_FALSE(r);
  EXPECT_EQ(eval("A,,\tB ,", false, r), 0);  // empty groups change nothing
  EXPECT_TRUE(r);
  EXPECT_EQ(eval("", false, r), 0);
  EXPECT_TRUE(r);

  // #IFNDEF negates the first name of every group.
  EXPECT_EQ(eval("C, D", true, r), 0);
  EXPECT_TRUE(r);
  EXPECT_EQ(eval("A, D", true, r), 0);
  EXPECT_FALSE(r);
  EXPECT_EQ(eval("A OR B", true, r), 0);
  EXPECT_TRUE(r);
  EXPECT_EQ(eval("C OR D", true, r), 0);
  EXPECT_TRUE(r);
  EXPECT_EQ(eval("A OR D", true, r), 0);
  EXPECT_FALSE(r);

  EXPECT_EQ(eval("A B", false, r), 1);
  EXPECT_EQ(eval("A OR", false, r), 1);
  EXPECT_EQ(eval("A OR NOT", false, r), 1);
  EXPECT_EQ(eval("A XOR B", false, r), 1);
  EXPECT_EQ(eval("A, B C", false, r), 1);
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
  EXPECT_EQ(EvaluateDefineCondition(run, "OTHER", false, r), 0);
  EXPECT_FALSE(r);
}

}  // namespace
}  // namespace q32

namespace q32 {
namespace {

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

}  // namespace
}  // namespace q32

namespace q32 {
namespace {

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
