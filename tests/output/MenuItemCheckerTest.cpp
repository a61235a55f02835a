#include "output/MenuItemChecker.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "project/RunContext.h"
#include "project/Tokenizer.h"
#include "support/TestSupport.h"

using namespace q32;
using namespace q32test;

namespace {

// The item letters as the project reader hands them over.
int CodeOf(const std::string& keyword) {
  static const std::pair<const char*, int> kCodes[] = {
      {"BLANK", '#'}, {"NODE", 'N'},  {"BACK", 'B'},  {"END", 'E'},   {"ACTION", 'S'},
      {"PULSE", 'U'}, {"CHECK", 'C'}, {"RADIO", 'R'}, {"GOTO", 'G'},  {"STATE", 'T'},
  };
  for (const auto& [name, code] : kCodes)
    if (EqualsIgnoringCase(keyword, name)) return code;
  return 17;  // #PRAGMA and anything else
}

// One generated line: the fields joined by single blanks, empty fields
// included, ended by a line feed.
std::string Line(std::initializer_list<std::string> fields) {
  std::string out;
  for (const std::string& field : fields) {
    if (!out.empty() || &field != fields.begin()) out += ' ';
    out += field;
  }
  return out + "\n";
}

class MenuItemCheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs_ = MakeHostFileSystem();
    run_ = std::make_unique<RunContext>(*fs_);
    run_->settings.mode = MODE_PROJECT;
    run_->settings.fileExists = [this](std::string_view path) {
      asked_.emplace_back(path);
      return existing_.count(std::string(path)) > 0;
    };
    // Menus first, as the menu constant pass registers them; then softkeys.
    ASSERT_EQ(0, run_->names.AddSoftkeyName("", "Main", 0));
    ASSERT_EQ(0, run_->names.AddSoftkeyName("", "Sub", 1));
    ASSERT_EQ(0, run_->names.AddSoftkeyName("PLC:\\SOFTKEYS\\ok.PIC", "OK", 0));
    ASSERT_EQ(0, run_->names.AddSoftkeyName("PLC:\\SOFTKEYS\\esc.PIC", "Esc", 1));
    ASSERT_EQ(0, run_->names.AddSoftkeyName("PLC:\\SOFTKEYS\\run.PIC", "Run", 2));
    outPath_ = dir_ / "menu.spj";
    run_->settings.projectOutStream = fs_->Open(outPath_, FileMode::WriteText);
    ASSERT_TRUE(run_->settings.projectOutStream);
  }

  int Check(const std::vector<std::string>& tokens, bool active = true) {
    return CheckMenuItem(*run_, tokens.empty() ? '#' : CodeOf(tokens[0]), tokens, active);
  }

  // Closes the generated project and returns what it holds.
  std::string Output() {
    run_->settings.projectOutStream->Close();
    run_->settings.projectOutStream.reset();
    return ReadFile(outPath_);
  }

  TempDir dir_;
  std::unique_ptr<FileSystem> fs_;
  std::unique_ptr<RunContext> run_;
  std::string outPath_;
  std::set<std::string> existing_;
  std::vector<std::string> asked_;
};

TEST_F(MenuItemCheckerTest, WritesEveryItemKindWithEveryParameterInLineOrder) {
  existing_ = {"run.py", "scripts\\r.py", "s.py"};
  const std::vector<std::vector<std::string>> items = {
      {"BLANK"},
      {"BLANK", "OK"},
      {"BLANK", "Esc", "IDENT:gap"},
      {"BACK", "Esc", "PYRESTART", "HELPID:12", "HELPFILE:back.chm", "RESTOREPLCWINDOW", "IDENT:bk",
       "CLOSEPOPUPMENU:0", "STATUS:M2"},
      {"BACK", "Esc", "overlay:1", "ENABLE:M1"},
      {"END", "OK", "HELPID:0", "HELPFILE:e.chm", "IDENT:e", "OVERLAY:4", "STATUS:M5", "ENABLE:M6"},
      {"END", "OK"},
      {"GOTO", "OK", "Sub", "HIDE:M3", "ENABLE:M1", "STATUS:M2", "OVERLAY:2", "SMALLWINDOW:win",
       "POPUPMENU:Main", "CLOSEPOPUPMENU", "IDENT:go1", "HELPID:5"},
      {"NODE", "Esc", "Main", "HELPFILE:help.chm", "LARGEWINDOW:big", "PYPATH:PLC:\\Scripts",
       "PYPARA:p1", "PYSCRIPT:run.py", "PYMEM:16", "PYNAME:job"},
      {"GOTO", "OK", "Main", "CLOSEPLCWINDOW"},
      {"ACTION", "Run", "ENABLE:M1", "STATUS:M2", "HIDE:M3", "FIRSTINGROUP", "SMALLWINDOW:s",
       "POPUPMENU:Sub", "OVERLAY:1", "IDENT:act", "REPEATDELAY:300", "REPEATINTERVAL:50",
       "HELPFILE:a.chm", "HELPID:9"},
      {"PULSE", "Run", "PYNAME:p", "PYMEM:0", "CLOSEPLCWINDOW"},
      {"CHECK", "OK", "ENABLE:M1", "STATUS:M2", "HIDE:M3", "FIRSTINGROUP:false", "LARGEWINDOW:w",
       "POPUPMENU:Main", "OVERLAY:5", "IDENT:chk", "HELPFILE:c.chm", "HELPID:1"},
      {"RADIO", "Esc", "PYNAME:r", "PYSCRIPT:scripts\\r.py", "PYPARA:x"},
      {"STATE", "OK", "STATES:4", "FIRSTINGROUP", "ENABLE:M7", "PYNAME:st", "PYMEM:2",
       "PYSCRIPT:s.py"},
  };
  for (const auto& item : items) EXPECT_EQ(0, Check(item)) << item[0] << " " << item[1];

  const std::string expected =
      "BLANK\n" +
      Line({"BLANK", "OK", ""}) +
      Line({"BLANK", "Esc", "IDENT:gap"}) +
      Line({"BACK", "Esc", "", "STATUS:M2", "CLOSEPOPUPMENU:0", "", "IDENT:bk", "HELPFILE:back.chm",
            "HELPID:12", "RESTOREPLCWINDOW", "PYRESTART"}) +
      Line({"BACK", "Esc", "ENABLE:M1", "", "", "overlay:1", "", "", "", "", ""}) +
      Line({"END", "OK", "ENABLE:M6", "STATUS:M5", "OVERLAY:4", "IDENT:e", "HELPFILE:e.chm",
            "HELPID:0"}) +
      "END OK      \n" +  // six empty slots after the name
      Line({"GOTO", "OK", "Sub", "ENABLE:M1", "STATUS:M2", "SMALLWINDOW:win", "POPUPMENU:Main",
            "CLOSEPOPUPMENU", "OVERLAY:2", "IDENT:go1", "HIDE:M3", "", "HELPID:5"}) +
      Line({"NODE", "Esc", "Main", "", "", "LARGEWINDOW:big", "", "", "", "", "", "HELPFILE:help.chm",
            "", "PYNAME:job", "PYMEM:16", "PYSCRIPT:PLC:\\Scripts\\run.py", "PYPARA:p1"}) +
      Line({"GOTO", "OK", "Main", "", "", "CLOSEPLCWINDOW", "", "", "", "", "", "", ""}) +
      Line({"ACTION", "Run", "ENABLE:M1", "STATUS:M2", "FIRSTINGROUP", "SMALLWINDOW:s",
            "POPUPMENU:Sub", "OVERLAY:1", "IDENT:act", "REPEATDELAY:300", "REPEATINTERVAL:50",
            "HIDE:M3", "HELPFILE:a.chm", "HELPID:9"}) +
      Line({"PULSE", "Run", "", "", "", "CLOSEPLCWINDOW", "", "", "", "", "", "", "", "", "PYNAME:p",
            "PYMEM:0", "", ""}) +
      Line({"CHECK", "OK", "ENABLE:M1", "STATUS:M2", "FIRSTINGROUP:false", "LARGEWINDOW:w",
            "POPUPMENU:Main", "OVERLAY:5", "IDENT:chk", "", "HIDE:M3", "HELPFILE:c.chm", "HELPID:1"}) +
      Line({"RADIO", "Esc", "", "", "", "", "", "", "", "", "", "", "", "PYNAME:r", "",
            "PYSCRIPT:PLC:\\Python\\r.py", "PYPARA:x"}) +
      Line({"STATE", "OK", "ENABLE:M7", "", "FIRSTINGROUP", "", "", "", "", "STATES:4", "", "", "",
            "PYNAME:st", "PYMEM:2", "PYSCRIPT:PLC:\\Python\\s.py", ""});
  EXPECT_EQ(Crlf(expected), Output());
  // Each script is looked for where the project names it.
  EXPECT_EQ((std::vector<std::string>{"run.py", "scripts\\r.py", "s.py"}), asked_);
}

TEST_F(MenuItemCheckerTest, PythonScriptLandsUnderTheItemsPythonPath) {
  existing_ = {"a.py", "dir\\a.py", "C:\\x\\a.py"};
  EXPECT_EQ(0, Check({"GOTO", "OK", "Main", "PYNAME:a", "PYSCRIPT:a.py"}));
  EXPECT_EQ(0, Check({"GOTO", "OK", "Main", "PYNAME:a", "PYPATH:PLC:\\Scripts", "PYSCRIPT:dir\\a.py"}));
  EXPECT_EQ(0, Check({"GOTO", "OK", "Main", "PYNAME:a", "PYPATH:PLC:\\Scripts/", "PYSCRIPT:a.py"}));
  // PYPATH: changes the path only for scripts named after it.
  EXPECT_EQ(0, Check({"GOTO", "OK", "Main", "PYNAME:a", "PYSCRIPT:a.py", "PYPATH:PLC:\\Late"}));
  // An empty PYPATH: leaves the bare file name.
  EXPECT_EQ(0, Check({"GOTO", "OK", "Main", "PYNAME:a", "PYPATH:", "pyscript:C:\\x\\a.py"}));
  // A PYPATH line of the project sets the run's path; an item's PYPATH: does
  // not outlive its item.
  run_->settings.pythonPath = "PLC:\\Proj\\";
  EXPECT_EQ(0, Check({"GOTO", "OK", "Main", "PYNAME:a", "PYPATH:PLC:\\Once", "PYSCRIPT:a.py"}));
  EXPECT_EQ(0, Check({"GOTO", "OK", "Main", "PYNAME:a", "PYSCRIPT:a.py"}));
  // Without a Python name the line carries no Python part at all.
  EXPECT_EQ(0, Check({"ACTION", "Run", "PYSCRIPT:a.py", "PYPARA:q"}));

  auto gotoLine = [](const std::string& script) {
    return Line({"GOTO", "OK", "Main", "", "", "", "", "", "", "", "", "", "", "PYNAME:a", "",
                 script, ""});
  };
  const std::string expected =
      gotoLine("PYSCRIPT:PLC:\\Python\\a.py") + gotoLine("PYSCRIPT:PLC:\\Scripts\\a.py") +
      gotoLine("PYSCRIPT:PLC:\\Scripts/a.py") + gotoLine("PYSCRIPT:PLC:\\Python\\a.py") +
      gotoLine("PYSCRIPT:a.py") + gotoLine("PYSCRIPT:PLC:\\Once\\a.py") +
      gotoLine("PYSCRIPT:PLC:\\Proj\\a.py") +
      Line({"ACTION", "Run", "", "", "", "", "", "", "", "", "", "", "", ""});
  EXPECT_EQ(Crlf(expected), Output());
  EXPECT_EQ((std::vector<std::string>{"a.py", "dir\\a.py", "a.py", "a.py", "C:\\x\\a.py", "a.py",
                                      "a.py", "a.py"}),
            asked_);
}

TEST_F(MenuItemCheckerTest, MissingPythonScriptIs8221UnlessFilesAreNotChecked) {
  EXPECT_EQ(8221, Check({"ACTION", "Run", "PYNAME:a", "PYSCRIPT:gone.py"}));
  // Not an operand fault: a switched-off section reports it as well.
  EXPECT_EQ(8221, Check({"CHECK", "OK", "PYSCRIPT:py\\gone.py", "PYNAME:a"}, false));
  EXPECT_EQ(8221, Check({"NODE", "OK", "Main", "PYSCRIPT:"}));
  // The failing script ends the item before the parameters after it.
  EXPECT_EQ(8221, Check({"ACTION", "Run", "PYSCRIPT:gone.py", "BOGUS"}));
  EXPECT_EQ((std::vector<std::string>{"gone.py", "py\\gone.py", "", "gone.py"}), asked_);

  run_->settings.fileCheck = false;
  asked_.clear();
  EXPECT_EQ(0, Check({"ACTION", "Run", "PYNAME:a", "PYSCRIPT:gone.py"}));
  EXPECT_TRUE(asked_.empty());
  EXPECT_EQ(Crlf(Line({"ACTION", "Run", "", "", "", "", "", "", "", "", "", "", "", "", "PYNAME:a",
                       "", "PYSCRIPT:PLC:\\Python\\gone.py", ""})),
            Output());
}

TEST_F(MenuItemCheckerTest, ScriptExistenceUsesTheRunsFileCheck) {
  RunContext run(*fs_);  // the existence check the run context installs
  run.settings.mode = MODE_CHECK;
  ASSERT_EQ(0, run.names.AddSoftkeyName("PLC:\\SOFTKEYS\\ok.PIC", "OK", 0));
  WriteFile(dir_ / "py/here.py", "print(1)\n");
  EXPECT_EQ(0, CheckMenuItem(run, 'S', {"ACTION", "OK", "PYNAME:a", "PYSCRIPT:" + (dir_ / "py/here.py")}, true));
  EXPECT_EQ(8221, CheckMenuItem(run, 'S', {"ACTION", "OK", "PYNAME:a", "PYSCRIPT:" + (dir_ / "py/no.py")}, true));
}

TEST_F(MenuItemCheckerTest, PythonMemoryAboveTheLimitIs8204) {
  existing_ = {"a.py"};
  EXPECT_EQ(0, Check({"PULSE", "Run", "PYNAME:a", "PYMEM:64", "PYSCRIPT:a.py"}));
  EXPECT_EQ(8204, Check({"PULSE", "Run", "PYNAME:a", "PYMEM:65", "PYSCRIPT:a.py"}));
  EXPECT_EQ(8204, Check({"PULSE", "Run", "PYNAME:a", "PYMEM:99999999999999999999"}));
  EXPECT_EQ(0, Check({"PULSE", "Run", "PYNAME:a", "PYMEM:-5"}));
  EXPECT_EQ(0, Check({"PULSE", "Run", "PYNAME:a", "PYMEM:x"}));
  run_->settings.pyMemLimit = 128;
  EXPECT_EQ(0, Check({"PULSE", "Run", "PYNAME:a", "PYMEM:128"}));
  EXPECT_EQ(8204, Check({"PULSE", "Run", "PYNAME:a", "PYMEM:129"}));

  auto pulse = [](const std::string& mem, const std::string& script) {
    return Line({"PULSE", "Run", "", "", "", "", "", "", "", "", "", "", "", "", "PYNAME:a", mem,
                 script, ""});
  };
  EXPECT_EQ(Crlf(pulse("PYMEM:64", "PYSCRIPT:PLC:\\Python\\a.py") + pulse("PYMEM:-5", "") +
                 pulse("PYMEM:x", "") + pulse("PYMEM:128", "")),
            Output());
}

TEST_F(MenuItemCheckerTest, TokenCountsPerItemKind) {
  struct Limits {
    std::vector<std::string> head;  // keyword and names
    std::size_t min, max;
  };
  const Limits limits[] = {
      {{"BACK", "OK"}, 2, 9},    {{"END", "OK"}, 2, 8},     {{"GOTO", "OK", "Main"}, 3, 12},
      {{"NODE", "OK", "Main"}, 3, 12}, {{"ACTION", "OK"}, 2, 14}, {{"PULSE", "OK"}, 2, 14},
      {{"CHECK", "OK"}, 2, 12},  {{"RADIO", "OK"}, 2, 12},  {{"STATE", "OK"}, 2, 12},
  };
  for (const Limits& l : limits) {
    std::vector<std::string> tokens = l.head;
    tokens.resize(l.min - 1);
    EXPECT_EQ(8207, Check(tokens)) << l.head[0];
    tokens = l.head;
    // A repeated parameter replaces the earlier one, so IDENT: fills any count.
    while (tokens.size() < l.max) tokens.push_back("IDENT:" + std::to_string(tokens.size()));
    EXPECT_EQ(0, Check(tokens)) << l.head[0];
    tokens.push_back("IDENT:last");
    EXPECT_EQ(8205, Check(tokens)) << l.head[0];
  }
  EXPECT_EQ(8207, Check({}));
  EXPECT_EQ(8205, Check({"BLANK", "OK", "IDENT:a", "IDENT:b"}));

  // Only the accepted lines were written, each with the last IDENT: of its line.
  const std::string expected =
      Line({"BACK", "OK", "", "", "", "", "IDENT:8", "", "", "", ""}) +
      Line({"END", "OK", "", "", "", "IDENT:7", "", ""}) +
      Line({"GOTO", "OK", "Main", "", "", "", "", "", "", "IDENT:11", "", "", ""}) +
      Line({"NODE", "OK", "Main", "", "", "", "", "", "", "IDENT:11", "", "", ""}) +
      Line({"ACTION", "OK", "", "", "", "", "", "", "IDENT:13", "", "", "", "", ""}) +
      Line({"PULSE", "OK", "", "", "", "", "", "", "IDENT:13", "", "", "", "", ""}) +
      Line({"CHECK", "OK", "", "", "", "", "", "", "IDENT:11", "", "", "", ""}) +
      Line({"RADIO", "OK", "", "", "", "", "", "", "IDENT:11", "", "", "", ""}) +
      Line({"STATE", "OK", "", "", "", "", "", "", "IDENT:11", "", "", "", ""});
  EXPECT_EQ(Crlf(expected), Output());
}

TEST_F(MenuItemCheckerTest, UnknownNamesAre8270InEverySection) {
  EXPECT_EQ(8270, Check({"ACTION", "Nope"}));
  EXPECT_EQ(8270, Check({"ACTION", "Nope"}, false));
  EXPECT_EQ(8270, Check({"GOTO", "OK", "Nowhere"}, false));
  EXPECT_EQ(8270, Check({"NODE", "Nope", "Main"}));
  EXPECT_EQ(8270, Check({"CHECK", "OK", "POPUPMENU:Nowhere"}, false));
  EXPECT_EQ(8270, Check({"BACK", "Nope", "BOGUS"}));  // the name is checked first
  EXPECT_EQ(8270, Check({"BLANK", "Nope"}));
  // Names compare without regard to case and by their first 24 characters.
  ASSERT_EQ(0, run_->names.AddSoftkeyName("PLC:\\SOFTKEYS\\l.PIC", "ABCDEFGHIJKLMNOPQRSTUVWX_one", 3));
  EXPECT_EQ(0, Check({"END", "abcdefghijklmnopqrstuvwx_two"}));
  EXPECT_EQ(0, Check({"GOTO", "ok", "SUB", "POPUPMENU:main"}));
  EXPECT_EQ(Crlf(Line({"END", "abcdefghijklmnopqrstuvwx_two", "", "", "", "", "", ""}) +
                 Line({"GOTO", "ok", "SUB", "", "", "", "POPUPMENU:main", "", "", "", "", "", ""})),
            Output());
}

TEST_F(MenuItemCheckerTest, ParametersOutsideTheItemsListAre8208) {
  EXPECT_EQ(8208, Check({"BACK", "OK", "HIDE:M1"}));
  EXPECT_EQ(8208, Check({"BACK", "OK", "PYPATH:PLC:\\x"}));
  EXPECT_EQ(8208, Check({"END", "OK", "CLOSEPOPUPMENU"}));
  EXPECT_EQ(8208, Check({"END", "OK", "PYNAME:x"}));
  EXPECT_EQ(8208, Check({"GOTO", "OK", "Main", "FIRSTINGROUP"}));
  EXPECT_EQ(8208, Check({"GOTO", "OK", "Main", "REPEATDELAY:1"}));
  EXPECT_EQ(8208, Check({"CHECK", "OK", "STATES:3"}));
  EXPECT_EQ(8208, Check({"RADIO", "OK", "REPEATINTERVAL:3"}));
  EXPECT_EQ(8208, Check({"ACTION", "OK", "STATES:3"}));
  EXPECT_EQ(8208, Check({"ACTION", "OK", "PYRESTART"}));
  EXPECT_EQ(8208, Check({"PULSE", "OK", "ENABLE"}));  // the keyword includes its colon
  EXPECT_EQ(8208, Check({"STATE", "OK", "IDENT:x", "FOO"}, false));
  // A blank slot passes over everything but IDENT:.
  EXPECT_EQ(0, Check({"BLANK", "OK", "FOO:1"}));
  // Keywords in any case; the later of two window kinds wins.
  EXPECT_EQ(0, Check({"STATE", "OK", "status:m1", "SmallWindow:a", "closeplcwindow", "states:2"}));
  EXPECT_EQ(Crlf(Line({"BLANK", "OK", ""}) +
                 Line({"STATE", "OK", "", "status:m1", "", "closeplcwindow", "", "", "", "states:2",
                       "", "", ""})),
            Output());
}

TEST_F(MenuItemCheckerTest, OperandCodesCountOnlyInSwitchedOnSections) {
  // The PLC program knows the marker SYM at address 100; BAD... is unknown.
  PlcSymbol sym;
  sym.name = "SYM";
  sym.type = 'M';
  sym.value = 100;
  run_->plc.symbols.push_back(sym);
  run_->settings.postProcess = true;
  EXPECT_EQ(0, Check({"ACTION", "Run", "HIDE:sym", "STATUS:M2", "ENABLE:sym"}));
  EXPECT_EQ(3070, Check({"ACTION", "Run", "ENABLE:bad1", "STATUS:sym"}));
  EXPECT_EQ(0, Check({"ACTION", "Run", "ENABLE:bad1", "STATUS:sym"}, false));
  EXPECT_EQ(3070, Check({"GOTO", "OK", "Main", "STATUS:M1", "HIDE:bad"}));
  EXPECT_EQ(3070, Check({"BACK", "OK", "ENABLE:M1", "STATUS:bad"}));
  EXPECT_EQ(3070, Check({"END", "OK", "STATUS:bad"}));
  EXPECT_EQ(0, Check({"STATE", "OK", "HIDE:bad"}, false));

  // Conditions of blank slots and of rejected items never reach the tables.
  EXPECT_EQ(0, Check({"BLANK", "OK", "IDENT:bad"}));
  EXPECT_EQ(8208, Check({"CHECK", "OK", "ENABLE:bad", "FOO"}));
  EXPECT_EQ(8270, Check({"CHECK", "Nope", "ENABLE:bad"}, false));

  // Failed checks still write the line; rewritten operands are what it carries.
  const std::string expected =
      Line({"ACTION", "Run", "ENABLE:M100", "STATUS:M2", "", "", "", "", "", "", "", "HIDE:M100",
            "", ""}) +
      Line({"ACTION", "Run", "ENABLE:bad1", "STATUS:sym", "", "", "", "", "", "", "", "", "", ""}) +
      Line({"ACTION", "Run", "ENABLE:bad1", "STATUS:sym", "", "", "", "", "", "", "", "", "", ""}) +
      Line({"GOTO", "OK", "Main", "", "STATUS:M1", "", "", "", "", "", "HIDE:bad", "", ""}) +
      Line({"BACK", "OK", "ENABLE:M1", "STATUS:bad", "", "", "", "", "", "", ""}) +
      Line({"END", "OK", "", "STATUS:bad", "", "", "", ""}) +
      Line({"STATE", "OK", "", "", "", "", "", "", "", "", "HIDE:bad", "", ""}) +
      Line({"BLANK", "OK", "IDENT:bad"});
  EXPECT_EQ(Crlf(expected), Output());
}

TEST_F(MenuItemCheckerTest, CheckRunWritesNothingAndAcceptsBlanksByCount) {
  run_->settings.mode = MODE_CHECK;
  existing_ = {"a.py"};
  EXPECT_EQ(0, Check({"BLANK", "Nope", "FOO"}));  // no name check for a blank slot
  EXPECT_EQ(8205, Check({"BLANK", "Nope", "FOO", "BAR"}));
  EXPECT_EQ(0, Check({"GOTO", "OK", "Main", "PYNAME:a", "PYSCRIPT:a.py"}));
  EXPECT_EQ(8221, Check({"GOTO", "OK", "Main", "PYNAME:a", "PYSCRIPT:b.py"}));
  EXPECT_EQ(8270, Check({"END", "Nope"}));
  EXPECT_EQ(8208, Check({"END", "OK", "FOO"}));
  EXPECT_EQ(0, Check({"END", "OK"}));
  EXPECT_EQ("", Output());
}

TEST_F(MenuItemCheckerTest, TokensThatWereQuotedAreQuotedAgainForTheReadBack) {
  existing_ = {"my dir\\a b.py"};
  const std::vector<std::string> item = {"ACTION",        "Run",      "IDENT:a b", "HELPFILE:x,y.chm",
                                         "OVERLAY:it's", "PYNAME:n", "PYPARA:say \"hi\"",
                                         "PYSCRIPT:my dir\\a b.py"};
  EXPECT_EQ(0, Check(item));
  const std::string line =
      Line({"ACTION", "Run", "", "", "", "", "", "\"OVERLAY:it's\"", "\"IDENT:a b\"", "", "", "",
            "\"HELPFILE:x,y.chm\"", "", "PYNAME:n", "", "\"PYSCRIPT:PLC:\\Python\\a b.py\"",
            "'PYPARA:say \"hi\"'"});
  EXPECT_EQ(Crlf(line), Output());
  // The project reader of a -gensys run gets the parameters back one by one.
  std::vector<std::string> tokens;
  ASSERT_EQ(0, SplitTokens(line, tokens, kMaxProjectTokens, false));
  EXPECT_EQ((std::vector<std::string>{"ACTION", "Run", "OVERLAY:it's", "IDENT:a b", "HELPFILE:x,y.chm",
                                      "PYNAME:n", "PYSCRIPT:PLC:\\Python\\a b.py",
                                      "PYPARA:say \"hi\""}),
            tokens);
}

TEST_F(MenuItemCheckerTest, PragmaAndUnknownCodesPassUnwritten) {
  EXPECT_EQ(0, CheckMenuItem(*run_, 17, {"#PRAGMA", "anything", "at", "all"}, true));
  EXPECT_EQ(0, CheckMenuItem(*run_, 'X', {"X"}, true));
  // Without a generated project stream an item is checked all the same.
  run_->settings.projectOutStream.reset();
  EXPECT_EQ(8270, Check({"END", "Nope"}));
  EXPECT_EQ(0, Check({"END", "OK"}));
  EXPECT_EQ("", ReadFile(outPath_));
}

}  // namespace
