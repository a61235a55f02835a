// The project reader on whole projects: the tree file, the constants file and
// the system list it writes, compared byte for byte, and the messages it
// reports with their files and lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "project/ProjectRunFixture.h"

namespace q32 {
namespace {

using q32test::Crlf;
using ReaderTest = ProjectRunTest;


// Every item kind and every parameter, named and unnamed softkeys, settings,
// menus of every kind, rows and paging, a forward reference to a menu.
const char* const kFullProject =
    "QUILLON Project File - Version 1.0 (test mill)\n"
    "; Softkeys of the test mill\n"
    "SKPATH PLC:\\SOFTKEYS\\mill\n"
    "HELPFILE PLC:\\help\\mill.chm\n"
    "MOPATH PLC:\\lang\n"
    "MODOMAIN mill\n"
    "PYPATH PLC:\\Py\n"
    "TXSSOURCE\n"
    "LANGUAGEPATH lang\n"
    "\n"
    "SKMENU MAIN VROOT MMODE IDENT:main\n"
    "PIC ok.pic OK\n"
    "SK start.sk, START\n"
    "SOFTKEY = stop.PIC = STOP\n"
    "TX \"Hello world\" HELLO\n"
    "PIC spare.pic\n"
    "softkey 'next.PIC' NEXT\n"
    "ROWDEF 0 7\n"
    "SKPREVDEF 0x1f\n"
    "SKNEXTDEF 65535\n"
    "GOTO OK SUB ENABLE:M100 STATUS:M101 \\\n"
    "     POPUPMENU:POP CLOSEPLCWINDOW\n"
    "NODE START POP LARGEWINDOW:big CLOSEPOPUPMENU OVERLAY:ov IDENT:n1 HIDE:M102 HELPFILE:h.chm "
    "HELPID:5 PYNAME:prog PYMEM:0\n"
    "NODE STOP SUB SMALLWINDOW:w PYNAME:p2 PYMEM:2 PYSCRIPT:go.py PYPARA:a\n"
    "ACTION HELLO OVERLAY:o1 ENABLE:I5 STATUS:O5 FIRSTINGROUP LARGEWINDOW:lw POPUPMENU:SUB "
    "IDENT:a1 REPEATDELAY:500 REPEATINTERVAL:100 HIDE:M9 HELPFILE:a.chm HELPID:7\n"
    "PULSE OK PYNAME:pp PYSCRIPT:p.py PYMEM:64\n"
    "CHECK START FIRSTINGROUP:0 SMALLWINDOW:sw POPUPMENU:MAIN OVERLAY:ck IDENT:c1 ENABLE:M1 "
    "STATUS:M2 HIDE:M3 HELPID:1 PYNAME:cp PYSCRIPT:c.py\n"
    "RADIO STOP FIRSTINGROUP CLOSEPLCWINDOW PYNAME:r PYMEM:0\n"
    "STATE NEXT STATES:4 ENABLE:M7 PYPARA:pp PYNAME:sn PYSCRIPT:s.py\n"
    "BLANK\n"
    "BLANK OK IDENT:b1 whatever\n"
    "#PRAGMA keep this\n"
    "END STOP OVERLAY:e STATUS:S ENABLE:E IDENT:end HELPFILE:e.chm HELPID:0\n"
    "ENDSKMENU\n"
    "\n"
    "SKMENU SUB HRMENU \"TITLE:Sub menu\" MENUNR:12 EMODE\n"
    "BACK OK OVERLAY:bo STATUS:M20 ENABLE:M21 CLOSEPOPUPMENU:1 IDENT:bk HELPFILE:b.chm HELPID:2\n"
    "BACK START RESTOREPLCWINDOW PYRESTART:FALSE\n"
    "END OK\n"
    "ENDSKMENU\n"
    "SKMENU POP OMODE HRROOT TITLE:Popup\n"
    "PIC spare2.pic LATE\n"
    "GOTO LATE MAIN\n"
    "ENDSKMENU\n";

const char* const kFullTree =
    "P PLC:\\SOFTKEYS\\mill\\\n"
    "h PLC:\\help\\mill.chm\n"
    "t PLC:\\lang mill\n"
    "V 0 M - main\n"
    "r 0 7\n"
    "p 0x1F\n"
    "n 0xFFFF\n"
    "G 0 PLC:\\SOFTKEYS\\mill\\ok.pic M100 M101 12 3 - 1 0 -1 - - - -1 - -1 - -\n"
    "N 1 PLC:\\SOFTKEYS\\mill\\start.sk - - 1 1 big -1 1 ov n1 M102 h.chm 5 prog 0 - -\n"
    "N 2 PLC:\\SOFTKEYS\\mill\\stop.PIC - - 12 0 w -1 0 -1 - - - -1 p2 2 go.py a\n"
    "S 3 \"Hello world\" I5 O5 1 1 lw 12 o1 a1 500 100 M9 a.chm 7 - -1 - -\n"
    "U 0 PLC:\\SOFTKEYS\\mill\\ok.pic - - 0 -1 - -1 -1 - -1 -1 - - -1 pp 64 p.py -\n"
    "C 1 PLC:\\SOFTKEYS\\mill\\start.sk M1 M2 0 0 sw 0 ck c1 M3 - 1 cp 1 c.py -\n"
    "R 2 PLC:\\SOFTKEYS\\mill\\stop.PIC - - 1 3 - -1 -1 - - - -1 r 0 - -\n"
    "T 5 PLC:\\SOFTKEYS\\mill\\next.PIC M7 -   -1 - -1 -1 - - 4 - -1 sn 1 s.py pp\n"
    "# -1 -\n"
    "# 0 PLC:\\SOFTKEYS\\mill\\ok.pic b1\n"
    "E 2 PLC:\\SOFTKEYS\\mill\\stop.PIC E S e end e.chm 0\n"
    "L 12 E \"Sub menu\" \n"
    "B 0 PLC:\\SOFTKEYS\\mill\\ok.pic M21 M20 1 bo bk b.chm 2 0 0\n"
    "B 1 PLC:\\SOFTKEYS\\mill\\start.sk - - 0 -1 - - -1 1 0\n"
    "E 0 PLC:\\SOFTKEYS\\mill\\ok.pic - - -1 -\n"
    "W 1 O Popup \n"
    "G 6 PLC:\\SOFTKEYS\\mill\\spare2.pic - - 0 -1 - -1 0 -1 - - - -1 - -1 - -\n";

TEST_F(ReaderTest, GensysWritesTreeConstantsAndSystemList) {
  Touch({"ok.pic", "start.sk", "stop.PIC", "spare.pic", "next.PIC", "spare2.pic"});
  Outcome out = Run(kFullProject, MODE_GENSYS);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_EQ(out.errors, 0);
  EXPECT_EQ(Read("p.sys"), Crlf(TreeHeader("p.spm") + kFullTree));
  EXPECT_EQ(Read("p.def"), Crlf(DefFile("p.spm", Def("MAIN", 0) + Def("SUB", 12) + Def("POP", 1),
                                        Def("OK", 0) + Def("START", 1) + Def("STOP", 2) +
                                            Def("HELLO", 3) + Def("NEXT", 5) + Def("LATE", 6))));
  EXPECT_EQ(Read("QUILLONK.SYS"), Crlf("PLC:\\SOFTKEYS\\mill\\ok.pic\n"
                                       "PLC:\\SOFTKEYS\\mill\\start.sk\n"
                                       "PLC:\\SOFTKEYS\\mill\\stop.PIC\n"
                                       "PLC:\\SOFTKEYS\\mill\\spare.pic\n"
                                       "PLC:\\SOFTKEYS\\mill\\next.PIC\n"
                                       "PLC:\\SOFTKEYS\\mill\\spare2.pic\n"));
  EXPECT_NE(out.log.find("GeneratingMenu \"p.sys\" PLC:\\SOFTKEYS\\"), std::string::npos);
}

// Converted sources take the extension of the control family; without
// conversion (-menu) the tree file still names them.
const char* const kFamilyProject =
    "QUILLON Project File - Version 1.0\n"
    "SKMENU ROOT HROOT\n"
    "BMP a.bmp A\n"
    "PCX b.pcx B\n"
    "DXF c.dxf C\n"
    "TXS d.txt D\n"
    "TXM e.txt E\n"
    "TXB f.txt F\n"
    "BPJ g.bpj G\n"
    "PIC h.PIC H\n"
    "ACTION A\nACTION B\nACTION C\nACTION D\nACTION E\nACTION F\nACTION G\nACTION H\n"
    "ENDSKMENU\n";

std::string FamilyTree(const std::string& ext) {
  std::string tree = "P PLC:\\SOFTKEYS\\\nH 0 B - \n";
  const char* names[] = {"a", "b", "c", "d", "e", "f"};
  for (int i = 0; i < 6; ++i)
    tree += "S " + std::to_string(i) + " PLC:\\SOFTKEYS\\" + names[i] + ext +
            " - - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n";
  tree += "S 6 PLC:\\SOFTKEYS\\g.bmx - - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n";
  tree += "S 7 PLC:\\SOFTKEYS\\h.PIC - - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n";
  return tree;
}

TEST_F(ReaderTest, MenuOnlyRunsNameSoftkeysByControlFamily) {
  Outcome orva = Run(kFamilyProject, MODE_GENSYS, [](RunSettings& s) {
    s.model = "Orva710";
    s.menuOnly = true;
  });
  EXPECT_EQ(orva.reports, Reports{});
  EXPECT_EQ(Read("p.sys"), Crlf(TreeHeader("p.spm") + FamilyTree(".sk")));
  EXPECT_FALSE(Exists("QUILLONK.SYS"));

  Outcome other = Run(kFamilyProject, MODE_GENSYS, [](RunSettings& s) { s.menuOnly = true; });
  EXPECT_EQ(other.reports, Reports{});
  EXPECT_EQ(Read("p.sys"), Crlf(TreeHeader("p.spm") + FamilyTree(".PIC")));
}

TEST_F(ReaderTest, GendefWritesOnlyConstantsAndDeffileRenamesThem) {
  const std::string project = std::string(kHeader) +
                              "DEFFILE consts.def\n"
                              "SKMENU A\nTX one ONE\nTX two\nTX three THREE\nBLANK\nENDSKMENU\n";
  Outcome out = Run(project, MODE_GENDEF);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_FALSE(Exists("p.sys"));
  EXPECT_FALSE(Exists("p.def"));
  EXPECT_FALSE(Exists("QUILLONK.SYS"));
  EXPECT_EQ(Read("consts.def"), Crlf(DefFile("p.spm", Def("A", 0), Def("ONE", 0) +
                                     Def("THREE", 2))));

  // With -nogendef nothing is written at all.
  Outcome none = Run(std::string(kHeader) + "SKMENU B\nTX one ONE\nBLANK\nENDSKMENU\n", MODE_GENDEF,
                     [](RunSettings& s) { s.noGenDef = true; });
  EXPECT_EQ(none.reports, Reports{});
  EXPECT_FALSE(Exists("p.def"));
}

TEST_F(ReaderTest, DeffileSwitchesConstantsFiles) {
  // The menu pass writes the menus above a DEFFILE line into the first file
  // and those below it into the second, which then also gets the softkeys.
  const std::string project = std::string(kHeader) +
                              "SKMENU A VROOT\nENDSKMENU\n"
                              "DEFFILE second.def\n"
                              "SKMENU B\nTX one ONE\nBLANK\nENDSKMENU\n";
  Outcome out = Run(project, MODE_GENDEF);
  EXPECT_EQ(out.reports, Reports{"p.spm(3) 8272"});
  EXPECT_EQ(Read("p.def"), Crlf(DefHeader("p.spm") + "\n; Menu constants:\n\n" + Def("A", 0)));
  EXPECT_EQ(Read("second.def"), Crlf(DefHeader("p.spm") + Def("B", 1) +
                                     "\n; Softkey constants:\n\n" + Def("ONE", 0)));

  // A DEFFILE line below every menu: the file is first opened at a softkey
  // line, and then without a softkey heading.
  Outcome late = Run(std::string(kHeader) + "SKMENU A VROOT\nTX one ONE\nBLANK\nENDSKMENU\n"
                                            "DEFFILE late.def\n",
                     MODE_GENDEF);
  EXPECT_EQ(late.reports, Reports{});
  EXPECT_EQ(Read("late.def"), Crlf(DefHeader("p.spm") + Def("ONE", 0)));
}

TEST_F(ReaderTest, NumberingOfMenusAndSoftkeys) {
  const std::string longName(30, 'L');
  const std::string project = std::string(kHeader) +
                              "SKMENU M0 VROOT\n"             // counter 0
                              "PIC a.pic\n"                   // index 0, unnamed
                              "PIC b.pic OK\n"                // index 1
                              "PIC c.pic ok\n"                // duplicate: 8271, no index
                              "PIC d.pic " + longName + "\n"  // index 2, cut to 24
                              "BLANK " + longName.substr(0, 24) + "X\n"
                              "ENDSKMENU\n"
                              "SKMENU M7 MENUNR:7\nBLANK\nENDSKMENU\n"
                              "SKMENU M1\nBLANK\nENDSKMENU\n"        // counter 1
                              "SKMENU M9 HRMENU MENUNR:9 TITLE:t\nBLANK\nENDSKMENU\n"
                              "SKMENU ML menunr:5\nBLANK\nENDSKMENU\n"  // 8208, counter 2
                              "SKMENU M3\nGOTO OK M7\nENDSKMENU\n";    // counter 3
  Outcome out = Run(project, MODE_GENSYS, [](RunSettings& s) { s.fileCheck = false; });
  EXPECT_EQ(out.reports, (Reports{"p.spm(5) 8271", "p.sys 8208"}));
  const std::string longPath = "PLC:\\SOFTKEYS\\d.pic";
  EXPECT_EQ(Read("p.sys"), Crlf(TreeHeader("p.spm") + "P PLC:\\SOFTKEYS\\\n"
                                "V 0 B - \n"
                                "# 2 " + longPath + " -\n"
                                "M 7 B - \n# -1 -\n"
                                "M 1 B - \n# -1 -\n"
                                "L 9 B t \n# -1 -\n"
                                "M 2 B - \n# -1 -\n"
                                "M 3 B - \n"
                                "G 1 PLC:\\SOFTKEYS\\b.pic - - 7 -1 - -1 0 -1 - - - -1 - -1 - -\n"));
  EXPECT_EQ(Read("p.def"), Crlf(DefFile("p.spm",
                                        Def("M0", 0) + Def("M7", 7) + Def("M1", 1) + Def("M9", 9) +
                                            Def("ML", 2) + Def("M3", 3),
                                        Def("OK", 1) + Def(longName.substr(0, 24), 2))));
  // The duplicate is not listed; the unnamed softkey is.
  EXPECT_EQ(Read("QUILLONK.SYS"),
            Crlf("PLC:\\SOFTKEYS\\a.pic\nPLC:\\SOFTKEYS\\b.pic\nPLC:\\SOFTKEYS\\d.pic\n"));
}

TEST_F(ReaderTest, LinesContinuationsQuotesAndSeparators) {
  const std::string longLine = "BLANK OK IDENT:" + std::string(250, 'x') + " \n";  // 267 chars
  const std::string project = std::string(kHeader) +
                              "SKMENU\tROOT,VROOT=MMODE\n"
                              "PIC ok.pic=OK\n"
                              "ACTION OK \\\n"
                              "; ENABLE:M1 is cut off by the semicolon\n"
                              "ACTION OK ENABLE:M2 \\\n"
                              "   STATUS:M3 \\\n"
                              "   \"IDENT:a;b,c=d\"\n"
                              "ACTION OK IDENT:x\\\n"  // no blank before the backslash
                              + longLine +
                              "ENDSKMENU\n";
  Outcome out = Run(project, MODE_GENSYS, [](RunSettings& s) { s.fileCheck = false; });
  // The first 254 characters make one line (its ident too long for the
  // field), the rest of the physical line another, whose keyword is unknown.
  EXPECT_EQ(out.reports, (Reports{"p.spm(10) 8204", "p.spm(11) 8206"}));
  const std::string action = "S 0 PLC:\\SOFTKEYS\\ok.pic ";
  EXPECT_EQ(Read("p.sys"), Crlf(TreeHeader("p.spm") + "P PLC:\\SOFTKEYS\\\n"
                                "V 0 M - \n" +
                                action + "- - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n" +
                                action + "M2 M3 0 -1 - -1 -1 a;b,c=d -1 -1 - - -1 - -1 - -\n" +
                                action + "- - 0 -1 - -1 -1 x\\ -1 -1 - - -1 - -1 - -\n"));
}

TEST_F(ReaderTest, ErrorsAreReportedAtTheirLinesAndRejectedLinesWriteNothing) {
  const std::string ident80 = "IDENT:" + std::string(80, 'i');
  std::string tooMany = "BLANK";
  for (int i = 0; i < 100; ++i) tooMany += " x";
  const std::string project = std::string(kHeader) +   // 1
                              "PIC outside.pic OUT\n"      // 2 8206
                              "SKMENU\n"                   // 3 8207 (both passes)
                              "FOO bar\n"                  // 4 8206
                              "#ELSE\n"                    // 5 3300: no open section
                              "SKMENU M1 menunr:5\n"       // 6 8208 (tree file)
                              "SKPATH PLC:\\x\n"           // 7 8206
                              "SKMENU M2\n"                // 8 8206
                              "PIC \"a b.pic\" AB\n"       // 9 8204
                              "PIC ok.pic OK\n"            // 10
                              "PIC ok2.pic ok\n"           // 11 8271
                              "PIC ok3.pic THREE\n"        // 12
                              "ROWDEF 3 2\n"               // 13 8204
                              "ROWDEF 1\n"                 // 14 8207
                              "SKNEXTDEF 65536\n"          // 15 8204
                              "SKPREVDEF\n"                // 16 8207
                              "BLANK OK a b c\n"           // 17 8205
                              "BACK NOPE\n"                // 18 8270
                              "GOTO OK NOWHERE\n"          // 19 8270
                              "END OK HIDE:x\n"            // 20 8208
                              "NODE OK M1 PYSCRIPT:x.py\n" // 21 8217
                              "ACTION OK PYPARA:x\n"       // 22 8298
                              "STATE OK PYNAME:n\n"        // 23 9999
                              "ACTION OK PYMEM:65\n"       // 24 8204
                              "CHECK OK " + ident80 + "\n" // 25 8204
                              "PIC missing.pic\n"          // 26 8221
                              "TX \"#Mtext\"\n"            // 27 8211
                              "ENDSKMENU\n"                // 28
                              "ENDSKMENU\n"                // 29 8206
                              "SKMENU EMPTY\n"             // 30
                              "ENDSKMENU\n"                // 31 8272
                              "SKMENU M1\n"                // 32 8271 (menu pass)
                              + tooMany + "\n"             // 33 8205
                              "BLANK\n";                   // 34, end inside the menu
  Touch({"ok.pic", "ok2.pic", "ok3.pic"});
  Outcome out = Run(project, MODE_GENSYS);
  EXPECT_EQ(out.reports,
            (Reports{"p.spm(3) 8207", "p.spm(32) 8271",  // menu constant pass
                     "p.spm(2) 8206", "p.spm(3) 8207", "p.spm(4) 8206", "p.spm(5) 3300",
                     "p.sys 8208", "p.spm(7) 8206", "p.spm(8) 8206", "p.spm(9) 8204",
                     "p.spm(11) 8271", "p.spm(13) 8204", "p.spm(14) 8207", "p.spm(15) 8204",
                     "p.spm(16) 8207", "p.spm(17) 8205", "p.spm(18) 8270", "p.spm(19) 8270",
                     "p.spm(20) 8208", "p.spm(21) 8217", "p.spm(22) 8298", "p.spm(23) 9999",
                     "p.spm(24) 8204", "p.spm(25) 8204", "p.spm(26) 8221", "p.spm(27) 8211",
                     "p.spm(28) 8272", "p.spm(29) 8206", "p.spm(31) 8272", "p.spm(33) 8205", "p.spm(34) -8275",
                     "p.spm(34) 8274"}));
  EXPECT_EQ(out.errors, 31);
  EXPECT_EQ(out.warnings, 1);
  // The rejected SKMENU M2 does not advance the main pass's counter.
  EXPECT_EQ(Read("p.sys"), Crlf(TreeHeader("p.spm") + "P PLC:\\SOFTKEYS\\\n"
                                "M 0 B - \n"
                                "M 1 B - \n"
                                "M 2 B - \n"
                                "# -1 -\n"));
  EXPECT_EQ(Read("QUILLONK.SYS"), Crlf("PLC:\\SOFTKEYS\\ok.pic\nPLC:\\SOFTKEYS\\ok3.pic\n"));
  EXPECT_EQ(Read("p.def"),
            Crlf(DefFile("p.spm", Def("M1", 0) + Def("M2", 1) + Def("EMPTY", 2) + Def("M1", 3),
                         Def("OK", 0) + Def("THREE", 1))));
}

// The end checks of menus and roots, the header, and tree and constants files
// that cannot be made, which abandon the project.
TEST_F(ReaderTest, EndChecksHeaderAndAbandonedProjects) {
  const std::string body = "SKMENU A VROOT\nBLANK\nENDSKMENU\n";
  struct Case {
    std::string project;
    RunMode mode;
    Reports reports;
    std::function<void(RunSettings&)> configure = {};
  } cases[] = {
      // A last menu without entries counts twice: at ENDSKMENU and at the end.
      {std::string(kHeader) + "SKMENU A VROOT\nENDSKMENU\n", MODE_GENSYS, {"p.spm(3) 8272", "p.spm(3) 8272"}},
      {std::string(kHeader) + "SKMENU A HRROOT\nBLANK\nENDSKMENU\n", MODE_GENSYS, {"p.spm(4) -8275"}},
      // Those two checks belong to -gensys; the open menu to every mode.
      {std::string(kHeader) + "SKMENU A\n", MODE_GENDEF, {"p.spm(2) 8274"}},
      {std::string(kHeader) + "; only a comment\n", MODE_GENSYS, {}},
      {"", MODE_GENSYS, {"p.spm 8202"}},
      {"quillon project file - version 1.0\n" + body, MODE_GENSYS, {"p.spm(1) 8203"}},
      // A tree file naming the system list: abandoned at once, no end checks.
      {std::string(kHeader) + "TREEFILE sub\\quillonk.sys\n" + body + "SKMENU B\n", MODE_GENSYS, {"p.spm(2) 8210"}},
      {std::string(kHeader) + body, MODE_GENSYS, {"p.spm(2) 8282"},
       [](RunSettings& s) { s.treeFile = "x\\QuillonK.Sys"; }},
      {std::string(kHeader) + "TREEFILE nodir\\t.sys\n" + body + "SKMENU B\n", MODE_GENSYS, {"nodir\\t.sys 8220"}},
      // A constants file that cannot be created, in the menu pass and later.
      {std::string(kHeader) + "DEFFILE nodir\\c.def\n" + body, MODE_GENDEF, {"nodir\\c.def 8220"}},
      {std::string(kHeader) + "SKMENU A VROOT\nTX t\nENDSKMENU\nDEFFILE nodir\\c.def\n", MODE_GENDEF,
       {"nodir\\c.def 8220"}},
  };
  for (const Case& c : cases) {
    Outcome out = Run(c.project, c.mode, c.configure);
    EXPECT_EQ(out.reports, c.reports) << c.project;
    EXPECT_EQ(out.errors + out.warnings, static_cast<int>(c.reports.size())) << c.project;
    // Neither a project without menus nor a refused header leaves outputs.
    if (c.reports.empty() || c.project.rfind("quillon", 0) == 0) {
      EXPECT_FALSE(Exists("p.sys") || Exists("p.def")) << c.project;
    }
  }
}

TEST_F(ReaderTest, SecondTreeFileAfterTreefileLine) {
  const std::string project = std::string(kHeader) + "SKMENU A VROOT\nBLANK\nENDSKMENU\n"
                                                     "TREEFILE second.sys\nHELPFILE h.chm\n"
                                                     "SKMENU B\nBLANK\nENDSKMENU\n";
  Outcome out = Run(project, MODE_GENSYS);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_EQ(Read("p.sys"), Crlf(TreeHeader("p.spm") + "P PLC:\\SOFTKEYS\\\nV 0 B - \n# -1 -\n"));
  EXPECT_EQ(Read("second.sys"),
            Crlf(TreeHeader("p.spm") + "P PLC:\\SOFTKEYS\\\nh h.chm\nM 1 B - \n# -1 -\n"));
}

TEST_F(ReaderTest, SettingsValues) {
  // A blank after the drive is refused but kept; PYPATH gains its backslash.
  const std::string project = std::string(kHeader) +
                              "SKPATH \"PLC:\\my keys\"\n"
                              "HELPFILE \"C:\\a b.chm\"\n"
                              "MOPATH m\n"
                              "SKMENU A VROOT\nPIC x.pic X\nBLANK X\nENDSKMENU\n";
  Outcome out = Run(project, MODE_GENSYS, [](RunSettings& s) { s.fileCheck = false; });
  EXPECT_EQ(out.reports, (Reports{"p.spm(2) 8204", "p.spm(3) 8204"}));
  EXPECT_EQ(Read("p.sys"), Crlf(TreeHeader("p.spm") + "P PLC:\\my keys\\\nh C:\\a b.chm\n"
                                "t m softkeys\nV 0 B - \n"
                                "# 0 \"PLC:\\my keys\\x.pic\" -\n"));
}

TEST_F(ReaderTest, ScanListsSourcesAndWritesNothing) {
  const std::string project = std::string(kHeader) +
                              "SKMENU A VROOT\nPIC one.pic ONE\nTX text\n"
                              "ACTION ONE PYNAME:p PYSCRIPT:scripts\\run.py\n"
                              "ENDSKMENU\n";
  Outcome out = Run(project, MODE_SCAN);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_NE(out.log.find("File one.pic\r\n"), std::string::npos);
  EXPECT_NE(out.log.find("File scripts\\run.py\r\n"), std::string::npos);
  EXPECT_FALSE(Exists("p.sys"));
  EXPECT_FALSE(Exists("p.def"));
}

TEST_F(ReaderTest, EveryFailingFileOperationIsSurvivedAndOutputFailuresAreErrors) {
  Touch({"ok.pic", "start.sk", "stop.PIC", "spare.pic", "next.PIC", "spare2.pic"});
  const long operations = Run(kFullProject, MODE_GENSYS).operations;
  ASSERT_GT(operations, 10);
  // The first operation creates the system list, which is the run driver's.
  for (long k = 2; k <= operations; ++k) {
    RunOptions options;
    options.failAt = k;
    Outcome out = Run(kFullProject, MODE_GENSYS, options);
    SCOPED_TRACE(out.failed);
    // A project that cannot be read looks shorter; an output that cannot be
    // created or written is an error.
    const bool output = out.failed.rfind("create", 0) == 0 || out.failed.rfind("write", 0) == 0;
    if (output) {
      EXPECT_GT(out.errors, 0);
    }
  }
}

}  // namespace
}  // namespace q32
