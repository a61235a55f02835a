// The tree file's item writer, menu line and row/paging parsing, tested per
// item kind and parameter on whole lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Every item kind with every parameter is compared in whole tree files by
// the reader's tests; these rows hold the edge cases of single fields and the
// code of every refused item.
TEST_F(TreeItemTest, ItemLinesAndRefusals) {
  const std::string ok = " 0 PLC:\\SOFTKEYS\\ok.PIC", i80 = "IDENT:" + std::string(80, 'i');
  const std::string n13(13, 'n'), s80(80, 's');
  const std::string backOff = "B" + ok + " - - 0 -1 - - -1 0 0\n", backOn = "B" + ok + " - - 1 -1 - - -1 0 0\n";
  const std::string action = "S" + ok + " - - 0 -1 - -1 -1 - -1 -1 - - -1 ";
  struct Row {
    int kind;
    std::vector<std::string> tokens;
    std::string line;  // or "#code"
  } rows[] = {
      {ITEM_BLANK, {"BLANK"}, "# -1 -\n"},
      // Only the ident counts; a parameter of no known kind is passed over.
      {ITEM_BLANK, {"BLANK", "ok", "IDENT:x", "FOO:1"}, "#" + ok + " x\n"},
      {ITEM_BLANK, {"BLANK", "OK", "ENABLE:M1"}, "#" + ok + " -\n"},
      {ITEM_BLANK, {"BLANK", "SP"}, "# 1 \"PLC:\\SOFT KEYS\\sp.PIC\" -\n"},
      {ITEM_BLANK, {"BLANK", "ORPHAN"}, "# 7 <name not found!> -\n"},  // a menu no softkey has
      {ITEM_BLANK, {"BLANK", "OK", "a", "b", "c"}, "#8205"},
      {ITEM_BLANK, {"BLANK", "NOPE"}, "#8270"},
      {ITEM_BLANK, {"BLANK", "OK", i80}, "#8204"},
      // Flags are off only for ":0" and ":false"; later parameters override.
      {ITEM_BACK, {"BACK", "OK", "closepopupmenu:1"}, backOn},
      {ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENUXY"}, backOn},
      {ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENU:00"}, backOn},
      {ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENU:FaLsE"}, backOff},
      {ITEM_BACK, {"BACK", "OK", "CLOSEPOPUPMENU", "CLOSEPOPUPMENU:0"}, backOff},
      {ITEM_BACK, {"BACK", "OK", "RESTOREPLCWINDOW", "PYRESTART:yes"}, "B" + ok + " - - 0 -1 - - -1 1 1\n"},
      {ITEM_BACK, {"BACK"}, "#8207"},
      {ITEM_BACK, {"BACK", "OK", "a", "b", "c", "d", "e", "f", "g", "h"}, "#8205"},
      {ITEM_BACK, {"BACK", "OK", "HIDE:M1"}, "#8208"},
      {ITEM_BACK, {"BACK", "OK", "PYNAME:x"}, "#8208"},
      // End items write the help part only with a help id of at least 0.
      {ITEM_END, {"END", "OK", "HELPFILE:x.chm", "HELPID:-5"}, "E" + ok + " - - -1 -\n"},
      {ITEM_END, {"END", "OK", "HELPFILE:x.chm", "HELPID:+7abc"}, "E" + ok + " - - -1 - x.chm 7\n"},
      {ITEM_END, {"END", "OK", "HELPID:abc"}, "E" + ok + " - - -1 - - 0\n"},
      {ITEM_END, {"END", "OK", "CLOSEPOPUPMENU"}, "#8208"},
      {ITEM_END, {"END", "OK", "a", "b", "c", "d", "e", "f", "g"}, "#8205"},
      {ITEM_NODE, {"NODE", "OK", "sub"}, "N" + ok + " - - 5 -1 - -1 0 -1 - - - -1 - -1 - -\n"},
      {ITEM_GOTO, {"GOTO", "OK", "SUB", "SMALLWINDOW:w", "CLOSEPLCWINDOW"},
       "G" + ok + " - - 5 3 - -1 0 -1 - - - -1 - -1 - -\n"},
      {ITEM_GOTO, {"GOTO", "OK"}, "#8207"},
      {ITEM_GOTO, {"GOTO", "OK", "NOPE"}, "#8270"},
      {ITEM_GOTO, {"GOTO", "NOPE", "SUB"}, "#8270"},
      {ITEM_GOTO, {"GOTO", "OK", "SUB", "POPUPMENU:NOPE"}, "#8270"},
      {ITEM_GOTO, {"GOTO", "OK", "SUB", "FIRSTINGROUP"}, "#8208"},
      {ITEM_GOTO, {"GOTO", "OK", "SUB", "REPEATDELAY:1"}, "#8208"},
      {ITEM_GOTO, {"GOTO", "OK", "SUB", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}, "#8205"},
      {ITEM_GOTO, {"GOTO", "OK", "SUB", "PYSCRIPT:run.py"}, "#8217"},
      {ITEM_NODE, {"NODE", "OK", "SUB", "PYNAME:prog"}, "#8217"},
      {ITEM_ACTION, {"ACTION", "OK", "PYPARA:x"}, "#8298"},
      {ITEM_ACTION, {"ACTION", "OK", "PYNAME:p", "HIDE:H"}, "#8298"},  // a name needs a script
      {ITEM_ACTION, {"ACTION", "OK", "CLOSEPOPUPMENU"}, "#8208"},
      {ITEM_ACTION, {"ACTION", "OK", "STATES:2"}, "#8208"},
      {ITEM_ACTION, {"ACTION", "OK", "PYPATH:x"}, "#8208"},  // scripts are placed by the checker
      {ITEM_PULSE, {"PULSE", "OK", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13",
                    "14"}, "#8205"},
      // Python limits: 13 characters of name, 64 kB of memory unless raised.
      {ITEM_ACTION, {"ACTION", "OK", "PYNAME:" + n13, "PYMEM:0"}, action + n13 + " 0 - -\n"},
      {ITEM_ACTION, {"ACTION", "OK", "PYNAME:" + n13 + "n", "PYMEM:0"}, "#8204"},
      {ITEM_ACTION, {"ACTION", "OK", "PYNAME:p", "PYMEM:64", "PYSCRIPT:s"}, action + "p 64 s -\n"},
      {ITEM_ACTION, {"ACTION", "OK", "PYMEM:65"}, "#8204"},
      {ITEM_ACTION, {"ACTION", "OK", "PYMEM:-1"}, "#8204"},
      {ITEM_ACTION, {"ACTION", "OK", "PYSCRIPT:" + s80}, "#8204"},
      {ITEM_ACTION, {"ACTION", "OK", "PYPARA:" + s80}, "#8204"},
      // No first-in-group flag: three blanks between the status and the window action.
      {ITEM_STATE, {"STATE", "OK"}, "T" + ok + " - -   -1 - -1 -1 - - 3 - -1 - -1 - -\n"},
      {ITEM_RADIO, {"RADIO", "OK", "FIRSTINGROUP:FALSE", "CLOSEPLCWINDOW"},
       "R" + ok + " - - 0 3 - -1 -1 - - - -1 - -1 - -\n"},
      {ITEM_STATE, {"STATE", "OK", "FIRSTINGROUP"}, "#8208"},
      {ITEM_CHECK, {"CHECK", "OK", "STATES:2"}, "#8208"},
      {ITEM_CHECK, {"CHECK", "OK", "REPEATDELAY:2"}, "#8208"},
      {ITEM_RADIO, {"RADIO", "OK", "PYSCRIPT:x"}, "#9999"},
      {ITEM_STATE, {"STATE", "OK", "PYNAME:x"}, "#9999"},
      {ITEM_CHECK, {"CHECK"}, "#8207"},
      {ITEM_PRAGMA, {"#PRAGMA", "anything"}, ""},
  };
  for (const Row& row : rows)
    EXPECT_EQ(Item(row.kind, row.tokens), row.line) << row.tokens[0] << " " << row.tokens.back();
  run.settings.pyMemLimit = 128;
  EXPECT_EQ(Item(ITEM_ACTION, {"ACTION", "OK", "PYNAME:p", "PYMEM:128", "PYSCRIPT:s"}),
            action + "p 128 s -\n");
  // Text fields hold 79 characters.
  for (const char* prefix : {"ENABLE:", "STATUS:", "HIDE:", "OVERLAY:", "IDENT:", "HELPFILE:",
                             "SMALLWINDOW:", "LARGEWINDOW:"}) {
    EXPECT_EQ(Item(ITEM_CHECK, {"CHECK", "OK", prefix + std::string(79, 'x')}).substr(0, 1), "C")
        << prefix;
    EXPECT_EQ(Item(ITEM_CHECK, {"CHECK", "OK", prefix + std::string(80, 'x')}), "#8204") << prefix;
  }
  // Writing needs an open tree file, but a pragma writes nothing.
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
  EXPECT_EQ(a * 10 + b, 22u);
  for (auto row : std::vector<std::vector<std::string>>{
           {"ROWDEF", "3", "2"}, {"ROWDEF", "-1", "2"}, {"ROWDEF", "x", "2"}})
    EXPECT_EQ(ParseRowDefinition(row, a, b), 8204) << row[1];
  EXPECT_EQ(ParseRowDefinition({"ROWDEF", "1"}, a, b), 8207);
  EXPECT_EQ(ParseRowDefinition({"ROWDEF", "1", "2", "3"}, a, b), 8207);

  std::uint32_t v = 0;
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF", "0xFFFF"}, v), 0);
  EXPECT_EQ(v, 0xFFFFu);
  for (const char* bad : {"0x10000", "65536", "-1", "key"})
    EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF", bad}, v), 8204) << bad;
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF"}, v), 8207);
  EXPECT_EQ(ParsePagingDefinition({"SKNEXTDEF", "1", "2"}, v), 8207);
}

}  // namespace
}  // namespace q32
