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
}

// Unknown names count in every section; parameters outside the item's list
// too (the keyword includes its colon).  Names compare without regard to case
// and by their first 24 characters; a blank slot passes over everything but
// IDENT:, and the later of two window kinds wins.
TEST_F(MenuItemCheckerTest, RefusedNamesAndParameters) {
  ASSERT_EQ(0, run_->names.AddSoftkeyName("PLC:\\SOFTKEYS\\l.PIC", "ABCDEFGHIJKLMNOPQRSTUVWX_one", 3));
  struct Row {
    std::vector<std::string> tokens;
    bool active;
    int code;
  } rows[] = {
      {{"ACTION", "Nope"}, true, 8270},
      {{"ACTION", "Nope"}, false, 8270},
      {{"GOTO", "OK", "Nowhere"}, false, 8270},
      {{"NODE", "Nope", "Main"}, true, 8270},
      {{"CHECK", "OK", "POPUPMENU:Nowhere"}, false, 8270},
      {{"BACK", "Nope", "BOGUS"}, true, 8270},  // the name is checked first
      {{"BLANK", "Nope"}, true, 8270},
      {{"BACK", "OK", "HIDE:M1"}, true, 8208},
      {{"BACK", "OK", "PYPATH:PLC:\\x"}, true, 8208},
      {{"END", "OK", "CLOSEPOPUPMENU"}, true, 8208},
      {{"END", "OK", "PYNAME:x"}, true, 8208},
      {{"GOTO", "OK", "Main", "FIRSTINGROUP"}, true, 8208},
      {{"GOTO", "OK", "Main", "REPEATDELAY:1"}, true, 8208},
      {{"CHECK", "OK", "STATES:3"}, true, 8208},
      {{"RADIO", "OK", "REPEATINTERVAL:3"}, true, 8208},
      {{"ACTION", "OK", "STATES:3"}, true, 8208},
      {{"ACTION", "OK", "PYRESTART"}, true, 8208},
      {{"PULSE", "OK", "ENABLE"}, true, 8208},
      {{"STATE", "OK", "IDENT:x", "FOO"}, false, 8208},
      {{"END", "abcdefghijklmnopqrstuvwx_two"}, true, 0},
      {{"GOTO", "ok", "SUB", "POPUPMENU:main"}, true, 0},
      {{"BLANK", "OK", "FOO:1"}, true, 0},
      {{"STATE", "OK", "status:m1", "SmallWindow:a", "closeplcwindow", "states:2"}, true, 0},
  };
  for (const Row& row : rows)
    EXPECT_EQ(row.code, Check(row.tokens, row.active)) << row.tokens[0] << " " << row.tokens.back();
  EXPECT_EQ(Crlf(Line({"END", "abcdefghijklmnopqrstuvwx_two", "", "", "", "", "", ""}) +
                 Line({"GOTO", "ok", "SUB", "", "", "", "POPUPMENU:main", "", "", "", "", "", ""}) +
                 Line({"BLANK", "OK", ""}) +
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
