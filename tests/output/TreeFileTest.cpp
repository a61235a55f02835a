// The tree file's item writer, menu line and row/paging parsing, tested per
// item kind and parameter on whole lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/Constants.h"
#include "output/TreeFile.h"
#include "project/RunContext.h"

namespace q32 {
namespace {

class TreeItemTest : public ::testing::Test {
 protected:
  TreeItemTest() : fs(MakeHostFileSystem()), run(*fs) {
    run.names.AddSoftkeyName("", "MAIN", 0);               // menus
    run.names.AddSoftkeyName("", "SUB", 5);
    run.names.AddSoftkeyName("", "ORPHAN", 7);             // no softkey has index 7
    run.names.AddSoftkeyName("PLC:\\SOFTKEYS\\ok.PIC", "OK", 0);
    run.names.AddSoftkeyName("PLC:\\SOFT KEYS\\sp.PIC", "SP", 1);
  }

  // The item line, or "#<code>" when the item is refused.
  std::string Item(int kind, std::vector<std::string> tokens) {
    std::string line;
    int code = BuildTreeItem(run, kind, tokens, line);
    if (code != 0) return "#" + std::to_string(code);
    return line;
  }

  std::unique_ptr<FileSystem> fs;
  RunContext run;
};

const std::string kOk = " 0 PLC:\\SOFTKEYS\\ok.PIC";

TEST_F(TreeItemTest, BlankItems) {
  EXPECT_EQ(Item(ITEM_BLANK, {"BLANK"}), "# -1 -\n");
  EXPECT_EQ(Item(ITEM_BLANK, {"BLANK", "OK"}), "#" + kOk + " -\n");
  // Only the ident counts; a parameter of no known kind is passed over.
  EXPECT_EQ(Item(ITEM_BLANK, {"BLANK", "OK", "IDENT:x", "FOO:1"}), "#" + kOk + " x\n");
  EXPECT_EQ(Item(ITEM_BLANK, {"BLANK", "OK", "ENABLE:M1"}), "#" + kOk + " -\n");
  EXPECT_EQ(Item(ITEM_BLANK, {"BLANK", "OK", "a", "b", "c"}), "#8205");
  EXPECT_EQ(Item(ITEM_BLANK, {"BLANK", "NOPE"}), "#8270");
  EXPECT_EQ(Item(ITEM_BLANK, {"BLANK", "OK", "IDENT:" + std::string(80, 'i')}), "#8204");
}

TEST_F(TreeItemTest, SoftkeyPartQuotesBlanksAndNamesMissingSoftkeys) {
  EXPECT_EQ(Item(ITEM_BLANK, {"BLANK", "SP"}), "# 1 \"PLC:\\SOFT KEYS\\sp.PIC\" -\n");
  // A menu's number that no softkey carries.
  EXPECT_EQ(Item(ITEM_BLANK, {"BLANK", "ORPHAN"}), "# 7 <name not found!> -\n");
  // Names are compared without regard to case.
  EXPECT_EQ(Item(ITEM_BLANK, {"BLANK", "ok"}), "#" + kOk + " -\n");
}

TEST_F(TreeItemTest, BackItems) {
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK"}), "B" + kOk + " - - 0 -1 - - -1 0 0\n");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "OVERLAY:ov", "STATUS:M10", "ENABLE:M11",
                             "CLOSEPOPUPMENU", "IDENT:id", "HELPFILE:h.chm", "HELPID:12"}),
            "B" + kOk + " M11 M10 1 ov id h.chm 12 0 0\n");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "RESTOREPLCWINDOW", "PYRESTART:yes"}),
            "B" + kOk + " - - 0 -1 - - -1 1 1\n");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK"}), "#8207");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "a", "b", "c", "d", "e", "f", "g", "h"}), "#8205");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "HIDE:M1"}), "#8208");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "PYNAME:x"}), "#8208");
}

TEST_F(TreeItemTest, FlagsAreOffOnlyForColonZeroOrFalse) {
  // The close-popup flag is the third field after the softkey part.
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENU"}), "B" + kOk + " - - 1 -1 - - -1 0 0\n");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "closepopupmenu:1"}), "B" + kOk + " - - 1 -1 - - -1 0 0\n");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENUXY"}), "B" + kOk + " - - 1 -1 - - -1 0 0\n");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENU:00"}), "B" + kOk + " - - 1 -1 - - -1 0 0\n");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENU:0"}), "B" + kOk + " - - 0 -1 - - -1 0 0\n");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENU:false"}), "B" + kOk + " - - 0 -1 - - -1 0 0\n");
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENU:FaLsE"}), "B" + kOk + " - - 0 -1 - - -1 0 0\n");
  // Later parameters override earlier ones.
  EXPECT_EQ(Item(ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENU", "CLOSEPOPUPMENU:0"}),
            "B" + kOk + " - - 0 -1 - - -1 0 0\n");
}

TEST_F(TreeItemTest, EndItemsWriteHelpOnlyWithAHelpId) {
  EXPECT_EQ(Item(ITEM_END, {"END", "OK"}), "E" + kOk + " - - -1 -\n");
  EXPECT_EQ(Item(ITEM_END, {"END", "OK", "HELPID:0"}), "E" + kOk + " - - -1 - - 0\n");
  EXPECT_EQ(Item(ITEM_END, {"END", "OK", "HELPFILE:x.chm", "HELPID:-5"}), "E" + kOk + " - - -1 -\n");
  EXPECT_EQ(Item(ITEM_END, {"END", "OK", "OVERLAY:o", "STATUS:s", "ENABLE:e", "IDENT:i",
                            "HELPFILE:x.chm", "HELPID:+7abc"}),
            "E" + kOk + " e s o i x.chm 7\n");
  // No digits: the help id is 0.
  EXPECT_EQ(Item(ITEM_END, {"END", "OK", "HELPID:abc"}), "E" + kOk + " - - -1 - - 0\n");
  EXPECT_EQ(Item(ITEM_END, {"END", "OK", "CLOSEPOPUPMENU"}), "#8208");
  EXPECT_EQ(Item(ITEM_END, {"END", "OK", "a", "b", "c", "d", "e", "f", "g"}), "#8205");
}

TEST_F(TreeItemTest, GotoAndNodeItems) {
  const std::string defaults = " - - 5 -1 - -1 0 -1 - - - -1 - -1 - -\n";
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "OK", "SUB"}), "G" + kOk + defaults);
  EXPECT_EQ(Item(ITEM_NODE, {"NODE", "OK", "sub"}), "N" + kOk + defaults);
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "OK"}), "#8207");
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "OK", "NOPE"}), "#8270");
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "NOPE", "SUB"}), "#8270");
  EXPECT_EQ(Item(ITEM_NODE, {"NODE", "OK", "SUB", "ENABLE:M1", "STATUS:M2", "LARGEWINDOW:win",
                             "POPUPMENU:MAIN", "CLOSEPOPUPMENU", "OVERLAY:ov", "IDENT:id",
                             "HIDE:M3", "HELPFILE:h.chm", "HELPID:4"}),
            "N" + kOk + " M1 M2 5 1 win 0 1 ov id M3 h.chm 4 - -1 - -\n");
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "OK", "SUB", "SMALLWINDOW:w", "PYNAME:prog", "PYMEM:2",
                             "PYSCRIPT:run.py", "PYPARA:a1"}),
            "G" + kOk + " - - 5 0 w -1 0 -1 - - - -1 prog 2 run.py a1\n");
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "OK", "SUB", "SMALLWINDOW:w", "CLOSEPLCWINDOW"}),
            "G" + kOk + " - - 5 3 - -1 0 -1 - - - -1 - -1 - -\n");
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "OK", "SUB", "POPUPMENU:NOPE"}), "#8270");
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "OK", "SUB", "FIRSTINGROUP"}), "#8208");
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "OK", "SUB", "REPEATDELAY:1"}), "#8208");
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "OK", "SUB", "1", "2", "3", "4", "5", "6", "7", "8", "9",
                             "10", "11"}),
            "#8205");
  // Inconsistent Python parameters.
  EXPECT_EQ(Item(ITEM_GOTO, {"GOTO", "OK", "SUB", "PYSCRIPT:run.py"}), "#8217");
  EXPECT_EQ(Item(ITEM_NODE, {"NODE", "OK", "SUB", "PYNAME:prog"}), "#8217");
}

TEST_F(TreeItemTest, ActionAndPulseItems) {
  const std::string defaults = " - - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n";
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK"}), "S" + kOk + defaults);
  EXPECT_EQ(Item(ITEM_PULSE, {"PULSE", "OK"}), "U" + kOk + defaults);
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "OVERLAY:ov", "ENABLE:E", "STATUS:S",
                               "FIRSTINGROUP", "LARGEWINDOW:big", "POPUPMENU:SUB", "IDENT:id",
                               "REPEATDELAY:500", "REPEATINTERVAL:100", "HIDE:H", "HELPFILE:h",
                               "HELPID:3", "PYNAME:p"}),
            "#8298");  // a Python name needs a script
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "OVERLAY:ov", "ENABLE:E", "STATUS:S",
                               "FIRSTINGROUP", "LARGEWINDOW:big", "POPUPMENU:SUB", "IDENT:id",
                               "REPEATDELAY:500", "REPEATINTERVAL:100", "HIDE:H", "HELPFILE:h",
                               "HELPID:3", "PYNAME:p", "PYMEM:0"}),
            "#8205");
  EXPECT_EQ(Item(ITEM_PULSE, {"PULSE", "OK", "ENABLE:E", "STATUS:S", "FIRSTINGROUP",
                              "LARGEWINDOW:big", "POPUPMENU:SUB", "IDENT:id", "REPEATDELAY:500",
                              "REPEATINTERVAL:100", "HIDE:H", "HELPFILE:h", "HELPID:3", "PYNAME:p",
                              "PYMEM:0"}),
            "U" + kOk + " E S 1 1 big 5 -1 id 500 100 H h 3 p 0 - -\n");
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYNAME:p", "PYSCRIPT:s.py"}),
            "S" + kOk + " - - 0 -1 - -1 -1 - -1 -1 - - -1 p 1 s.py -\n");
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYPARA:x"}), "#8298");
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "CLOSEPOPUPMENU"}), "#8208");
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "STATES:2"}), "#8208");
}

TEST_F(TreeItemTest, PythonLimits) {
  const std::string thirteen(13, 'n');
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYNAME:" + thirteen, "PYMEM:0"}),
            "S" + kOk + " - - 0 -1 - -1 -1 - -1 -1 - - -1 " + thirteen + " 0 - -\n");
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYNAME:" + thirteen + "n", "PYMEM:0"}), "#8204");
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYNAME:p", "PYMEM:64", "PYSCRIPT:s"}),
            "S" + kOk + " - - 0 -1 - -1 -1 - -1 -1 - - -1 p 64 s -\n");
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYMEM:65"}), "#8204");
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYMEM:-1"}), "#8204");
  run.settings.pyMemLimit = 128;
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYNAME:p", "PYMEM:128", "PYSCRIPT:s"}),
            "S" + kOk + " - - 0 -1 - -1 -1 - -1 -1 - - -1 p 128 s -\n");
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYSCRIPT:" + std::string(80, 's')}), "#8204");
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYPARA:" + std::string(80, 'p')}), "#8204");
}

TEST_F(TreeItemTest, TextFieldsHoldSeventyNineCharacters) {
  const std::string ok79(79, 'x'), long80(80, 'x');
  for (const char* prefix : {"ENABLE:", "STATUS:", "HIDE:", "OVERLAY:", "IDENT:", "HELPFILE:",
                             "SMALLWINDOW:", "LARGEWINDOW:"}) {
    SCOPED_TRACE(prefix);
    EXPECT_EQ(Item(ITEM_CHECK, {"CHECK", "OK", prefix + ok79}).substr(0, 1), "C");
    EXPECT_EQ(Item(ITEM_CHECK, {"CHECK", "OK", prefix + long80}), "#8204");
  }
}

TEST_F(TreeItemTest, CheckRadioAndStateItems) {
  const std::string defaults = " - - 0 -1 - -1 -1 - - - -1 - -1 - -\n";
  EXPECT_EQ(Item(ITEM_CHECK, {"CHECK", "OK"}), "C" + kOk + defaults);
  EXPECT_EQ(Item(ITEM_RADIO, {"RADIO", "OK"}), "R" + kOk + defaults);
  // No first-in-group flag: three blanks between the status and the window action.
  EXPECT_EQ(Item(ITEM_STATE, {"STATE", "OK"}), "T" + kOk + " - -   -1 - -1 -1 - - 3 - -1 - -1 - -\n");
  EXPECT_EQ(Item(ITEM_STATE, {"STATE", "OK", "STATES:5", "ENABLE:e", "status:s", "hide:h",
                              "OVERLAY:o", "IDENT:i", "POPUPMENU:MAIN", "SMALLWINDOW:w",
                              "HELPID:9", "PYNAME:p", "PYSCRIPT:q"}),
            "T" + kOk + " e s   0 w 0 o i h 5 - 9 p 1 q -\n");
  EXPECT_EQ(Item(ITEM_RADIO, {"RADIO", "OK", "FIRSTINGROUP:FALSE", "CLOSEPLCWINDOW"}),
            "R" + kOk + " - - 0 3 - -1 -1 - - - -1 - -1 - -\n");
  EXPECT_EQ(Item(ITEM_CHECK, {"CHECK", "OK", "FIRSTINGROUP"}),
            "C" + kOk + " - - 1 -1 - -1 -1 - - - -1 - -1 - -\n");
  EXPECT_EQ(Item(ITEM_STATE, {"STATE", "OK", "FIRSTINGROUP"}), "#8208");
  EXPECT_EQ(Item(ITEM_CHECK, {"CHECK", "OK", "STATES:2"}), "#8208");
  EXPECT_EQ(Item(ITEM_CHECK, {"CHECK", "OK", "REPEATDELAY:2"}), "#8208");
  EXPECT_EQ(Item(ITEM_RADIO, {"RADIO", "OK", "PYSCRIPT:x"}), "#9999");
  EXPECT_EQ(Item(ITEM_STATE, {"STATE", "OK", "PYNAME:x"}), "#9999");
  EXPECT_EQ(Item(ITEM_CHECK, {"CHECK"}), "#8207");
}

TEST_F(TreeItemTest, PragmaWritesNothingAndWritingNeedsAnOpenTree) {
  EXPECT_EQ(Item(ITEM_PRAGMA, {"#PRAGMA", "anything"}), "");
  EXPECT_EQ(WriteTreeItem(run, ITEM_PRAGMA, {"#PRAGMA"}), 0);
  EXPECT_EQ(WriteTreeItem(run, ITEM_BLANK, {"BLANK"}), 8220);
}

TEST(MenuLineTest, KindsModesNumbersTitlesAndIdents) {
  auto line = [](std::vector<std::string> attributes, std::uint32_t counter = 3) {
    MenuAttributes m = ParseMenuAttributes(attributes);
    return FormatMenuLine(m, m.hasNumber ? static_cast<std::uint32_t>(m.number) : counter);
  };
  EXPECT_EQ(line({}), "M 3 B - \n");
  EXPECT_EQ(line({"VROOT"}), "V 3 B - \n");
  EXPECT_EQ(line({"hroot"}), "H 3 B - \n");
  EXPECT_EQ(line({"LROOT"}), "l 3 B - \n");
  EXPECT_EQ(line({"IHROOT", "MMODE"}), "I 3 M - \n");
  EXPECT_EQ(line({"IVROOT", "EMODE"}), "i 3 E - \n");
  EXPECT_EQ(line({"HRROOT", "OMODE", "TITLE:Main"}), "W 3 O Main \n");
  EXPECT_EQ(line({"HRMENU", "TITLE:A B", "IDENT:id", "MENUNR:12"}), "L 12 B \"A B\" id\n");
  // The title must follow the kind that shows it; the last kind wins.
  EXPECT_EQ(line({"TITLE:T", "HRMENU"}), "L 3 B - \n");
  EXPECT_EQ(line({"HRMENU", "VROOT", "TITLE:T"}), "V 3 B - \n");
  EXPECT_EQ(line({"MENUNR:4", "HRMENU", "MENUNR:9"}), "L 9 B - \n");
  EXPECT_EQ(line({"MENUNR:-2"}), "M 4294967294 B - \n");

  MenuAttributes lower = ParseMenuAttributes(std::vector<std::string>{"menunr:5"});
  EXPECT_FALSE(lower.hasNumber);
  EXPECT_EQ(lower.unreadableNumbers, 1);
  MenuAttributes bad = ParseMenuAttributes(std::vector<std::string>{"MENUNR:7", "MENUNR:x"});
  EXPECT_FALSE(bad.hasNumber);  // the last one decides
  EXPECT_EQ(bad.unreadableNumbers, 1);
  EXPECT_TRUE(ParseMenuAttributes(std::vector<std::string>{"VROOTX"}).root);
  EXPECT_FALSE(ParseMenuAttributes(std::vector<std::string>{"HRROOT"}).root);
}

TEST(RowAndPagingTest, RangesAndNumberForms) {
  std::uint32_t a = 0, b = 0;
  EXPECT_EQ(ParseRowDefinition({"ROWDEF", "2", "2"}, a, b), 0);
  EXPECT_EQ(a, 2u);
  EXPECT_EQ(b, 2u);
  EXPECT_EQ(ParseRowDefinition({"ROWDEF", "0", "7"}, a, b), 0);
  EXPECT_EQ(ParseRowDefinition({"ROWDEF", "3", "2"}, a, b), 8204);
  EXPECT_EQ(ParseRowDefinition({"ROWDEF", "-1", "2"}, a, b), 8204);
  EXPECT_EQ(ParseRowDefinition({"ROWDEF", "x", "2"}, a, b), 8204);
  EXPECT_EQ(ParseRowDefinition({"ROWDEF", "1"}, a, b), 8207);
  EXPECT_EQ(ParseRowDefinition({"ROWDEF", "1", "2", "3"}, a, b), 8207);

  std::uint32_t v = 0;
  EXPECT_EQ(ParsePagingDefinition({"SKPREVDEF", "0x1f"}, v), 0);
  EXPECT_EQ(v, 0x1Fu);
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF", "0xFFFF"}, v), 0);
  EXPECT_EQ(v, 0xFFFFu);
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF", "65535"}, v), 0);
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF", "0x10000"}, v), 8204);
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF", "65536"}, v), 8204);
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF", "-1"}, v), 8204);
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF", "key"}, v), 8204);
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF"}, v), 8207);
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF", "1", "2"}, v), 8207);
}

TEST(ConstantDefineTest, DefFileAndHeaderForms) {
  RunSettings s;
  EXPECT_EQ(FormatConstantDefine(s, "m1", 3),
            "#define       m1                                       K3\n");
  EXPECT_EQ(FormatConstantDefine(s, std::string(40, 'N'), -2),
            "#define       " + std::string(40, 'N') + " K-2\n");
  EXPECT_STREQ(ConstantsCommentPrefix(s), ";");
  s.genHeader = true;
  EXPECT_EQ(FormatConstantDefine(s, "m1", 3), "#define m1 3\n");
  EXPECT_STREQ(ConstantsCommentPrefix(s), "//");
}

}  // namespace
}  // namespace q32
