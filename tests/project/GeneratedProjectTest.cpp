// The generated softkey project of a default run, compared byte for byte:
// settings, menus, every softkey and item kind with every parameter, the
// directives of conditional sections with and without -post, included files
// with their own generated project, Python script paths; and the checks of
// -check runs.
#include <gtest/gtest.h>

#include <string>

#include "project/ProjectRunFixture.h"

namespace q32 {
namespace {

using q32test::Crlf;
using q32test::SourcePath;
using GeneratedProjectTest = ProjectRunTest;

const char* const kEveryItem =
    "QUILLON Project File - Version 1.0 (test mill)\n"
    "; Softkeys of the test mill\n"
    "SKPATH PLC:\\SOFTKEYS\\mill\n"
    "HELPFILE PLC:\\help\\mill.chm\n"
    "MOPATH PLC:\\lang\n"
    "MODOMAIN mill\n"
    "PYPATH PLC:\\Py\n"
    "TXSSOURCE\n"
    "LANGUAGEPATH lang\n"
    "DEFFILE p.def\n"
    "\n"
    "SKMENU MAIN VROOT MMODE IDENT:main \"TITLE:Main menu\"\n"
    "PIC ok.pic OK\n"
    "SK keys\\start.sk, START\n"
    "SOFTKEY = stop.PIC = STOP\n"
    "TX \"Hello world\" HELLO\n"
    "TX Bye\n"
    "BMP pictures\\rpm.bmp RPM\n"
    "PCX jog.pcx JOG\n"
    "DXF spindle.dxf DRAW\n"
    "TXS start.txs TXS1\n"
    "TXM feed.txm TXM1\n"
    "TXB both.txb\n"
    "BPJ bmx\\spindle.bpj BMX\n"
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
    "STATUS:M2 HIDE:M3 PYNAME:cp PYSCRIPT:c.py\n"
    "RADIO STOP FIRSTINGROUP CLOSEPLCWINDOW PYNAME:r PYMEM:0\n"
    "STATE RPM STATES:4 ENABLE:M7 FIRSTINGROUP PYPARA:pp PYNAME:sn PYSCRIPT:s.py\n"
    "BLANK\n"
    "BLANK OK IDENT:b1\n"
    "#PRAGMA keep this\n"
    "END STOP OVERLAY:e STATUS:M4 ENABLE:M5 IDENT:end HELPFILE:e.chm HELPID:0\n"
    "ENDSKMENU\n"
    "\n"
    "TREEFILE other.sys\n"
    "SKMENU SUB HRMENU \"TITLE:Sub menu\" MENUNR:12 EMODE\n"
    "BACK OK OVERLAY:bo STATUS:M20 ENABLE:M21 CLOSEPOPUPMENU:1 IDENT:bk HELPFILE:b.chm HELPID:2\n"
    "BACK START RESTOREPLCWINDOW PYRESTART:FALSE\n"
    "END OK\n"
    "ENDSKMENU\n"
    "SKMENU POP OMODE HRROOT TITLE:Popup\n"
    "PIC spare2.pic LATE\n"
    "GOTO LATE MAIN \"IDENT:with blank\"\n"
    "ENDSKMENU\n";

const char* const kEveryItemGenerated =
    "QUILLON Project File - Version 1.0 (test mill)\n"
    "\n"
    "SKPATH PLC:\\SOFTKEYS\\mill\n"
    "HELPFILE PLC:\\help\\mill.chm\n"
    "\n"
    "MOPATH PLC:\\lang\n"
    "\n"
    "MODOMAIN mill\n"
    "TXSSOURCE\n"
    "\n"
    "SKMENU MAIN VROOT MMODE IDENT:main \"TITLE:Main menu\"\n"
    "SOFTKEY ok.pic OK\n"
    "SOFTKEY start.sk START\n"
    "SOFTKEY stop.PIC STOP\n"
    "TX \"Hello world\" HELLO\n"
    "TX Bye\n"
    "SOFTKEY rpm.PIC RPM\n"
    "SOFTKEY jog.PIC JOG\n"
    "SOFTKEY spindle.PIC DRAW\n"
    "SOFTKEY start.PIC TXS1\n"
    "SOFTKEY feed.PIC TXM1\n"
    "SOFTKEY both.PIC\n"
    "SOFTKEY spindle.bmx BMX\n"
    "ROWDEF 0 7\n"
    "SKPREVDEF 0x1f \n"
    "SKNEXTDEF 65535 \n"
    "GOTO OK SUB ENABLE:M100 STATUS:M101 CLOSEPLCWINDOW POPUPMENU:POP      \n"
    "NODE START POP   LARGEWINDOW:big  CLOSEPOPUPMENU OVERLAY:ov IDENT:n1 HIDE:M102 HELPFILE:h.chm "
    "HELPID:5 PYNAME:prog PYMEM:0  \n"
    "NODE STOP SUB   SMALLWINDOW:w        PYNAME:p2 PYMEM:2 PYSCRIPT:PLC:\\Py\\go.py PYPARA:a\n"
    "ACTION HELLO ENABLE:I5 STATUS:O5 FIRSTINGROUP LARGEWINDOW:lw POPUPMENU:SUB OVERLAY:o1 IDENT:a1 "
    "REPEATDELAY:500 REPEATINTERVAL:100 HIDE:M9 HELPFILE:a.chm HELPID:7\n"
    "PULSE OK             PYNAME:pp PYMEM:64 PYSCRIPT:PLC:\\Py\\p.py \n"
    "CHECK START ENABLE:M1 STATUS:M2 FIRSTINGROUP:0 SMALLWINDOW:sw POPUPMENU:MAIN OVERLAY:ck IDENT:c1 "
    " HIDE:M3   PYNAME:cp  PYSCRIPT:PLC:\\Py\\c.py \n"
    "RADIO STOP   FIRSTINGROUP CLOSEPLCWINDOW        PYNAME:r PYMEM:0  \n"
    "STATE RPM ENABLE:M7  FIRSTINGROUP     STATES:4    PYNAME:sn  PYSCRIPT:PLC:\\Py\\s.py PYPARA:pp\n"
    "BLANK\n"
    "BLANK OK IDENT:b1\n"
    "END STOP ENABLE:M5 STATUS:M4 OVERLAY:e IDENT:end HELPFILE:e.chm HELPID:0\n"
    "ENDSKMENU\n"
    "\n"
    "TREEFILE other.sys\n"
    "\n"
    "SKMENU SUB HRMENU \"TITLE:Sub menu\" MENUNR:12 EMODE\n"
    "BACK OK ENABLE:M21 STATUS:M20 CLOSEPOPUPMENU:1 OVERLAY:bo IDENT:bk HELPFILE:b.chm HELPID:2  \n"
    "BACK START        RESTOREPLCWINDOW PYRESTART:FALSE\n"
    "END OK      \n"
    "ENDSKMENU\n"
    "\n"
    "\n"
    "SKMENU POP OMODE HRROOT TITLE:Popup\n"
    "SOFTKEY spare2.pic LATE\n"
    "GOTO LATE MAIN       \"IDENT:with blank\"   \n"
    "ENDSKMENU\n"
    "\n";

TEST_F(GeneratedProjectTest, EveryItemKindWithEveryParameter) {
  RunOptions options;
  // Only the generated project is looked at: no conversions, no file checks.
  options.configure = [](RunSettings& s) {
    s.menuOnly = true;
    s.fileCheck = false;
  };
  Outcome out = Run(kEveryItem, MODE_PROJECT, options);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_EQ(Read("p.spj"), Crlf(kEveryItemGenerated));
  // The softkeys that the run generates are announced under their sources.
  const std::string k = "\" PLC:\\SOFTKEYS\\mill\\\r\n";
  EXPECT_EQ(out.log, "GeneratingSK \"rpm.bmp" + k + "GeneratingSK \"jog.pcx" + k +
                         "GeneratingSK \"spindle.dxf" + k + "GeneratingSK \"start.txs" + k +
                         "GeneratingSK \"feed.txm" + k + "GeneratingSK \"both.txb" + k);
  // Constants as in every run.
  EXPECT_EQ(Read("p.def"),
            Crlf(DefFile("p.spm", Def("MAIN", 0) + Def("SUB", 12) + Def("POP", 1),
                         Def("OK", 0) + Def("START", 1) + Def("STOP", 2) + Def("HELLO", 3) +
                             Def("RPM", 5) + Def("JOG", 6) + Def("DRAW", 7) + Def("TXS1", 8) +
                             Def("TXM1", 9) + Def("BMX", 11) + Def("LATE", 12))));
  EXPECT_FALSE(Exists("p.sys"));
  EXPECT_FALSE(Exists("other.sys"));
}

// Two variants in one menu project, operands named by PLC symbols of the
// example mill (ROTARY_READY is M150, ROTARY_CLAMPED M151, MAX_TOOLS the
// constant 24).
const char* const kVariantProject =
    "QUILLON Project File - Version 1.0\n"
    "SKMENU MAIN HROOT\n"                         // 2
    "TX ok OK\n"                                  // 3
    "#ifdef ROTARY OR NOT lathe\n"                // 4
    "TX \"Rotary table\" ROTARY\n"                // 5
    "CHECK ROTARY ENABLE:ROTARY_READY STATUS:ROTARY_CLAMPED\n"
    "#ELSE\n"                                     // 7
    "PIC lathe.pic LATHE\n"                       // 8
    "ACTION LATHE ENABLE:NO_SUCH_SYMBOL\n"        // 9: switched off, no message
    "#ENDIF\n"                                    // 10
    "#IFNDEF ROTARY, PROBE\n"                     // 11
    "ACTION NOKEY\n"                              // 12 8270 in every section
    "#endif\n"                                    // 13
    "#IF   (AXES = 4)  AND (NAME = \"mill\")\n"   // 14
    "#IFEXIST probe.cfg\n"                        // 15
    "BLANK OK\n"                                  // 16
    "#ENDIF\n"                                    // 17
    "#ENDIF\n"                                    // 18
    "PULSE OK HIDE:ROTARY_READY\n"                // 19
    "ENDSKMENU\n";

const char* const kVariantGenerated =
    "QUILLON Project File - Version 1.0\n"
    "\n"
    "SKMENU MAIN HROOT\n"
    "TX ok OK\n"
    "\n"
    "#IFDEF ROTARY OR NOT LATHE\n"
    "TX \"Rotary table\" ROTARY\n"
    "CHECK ROTARY ENABLE:ROTARY_READY STATUS:ROTARY_CLAMPED         \n"
    "#ELSE\n"
    "SOFTKEY lathe.pic LATHE\n"
    "ACTION LATHE ENABLE:NO_SUCH_SYMBOL           \n"
    "#ENDIF\n"
    "\n"
    "\n"
    "#IFNDEF ROTARY, PROBE\n"
    "#endif\n"
    "\n"
    "\n"
    "#IF (AXES = 4) AND (NAME = \"mill\")\n"
    "\n"
    "#IFEXIST probe.cfg\n"
    "BLANK OK \n"
    "#ENDIF\n"
    "\n"
    "#ENDIF\n"
    "\n"
    "PULSE OK          HIDE:ROTARY_READY  \n"
    "ENDSKMENU\n"
    "\n";

TEST_F(GeneratedProjectTest, ConditionalSectionsAreKeptOrResolvedWithPost) {
  Touch({"lathe.pic"});
  RunOptions options{"ROTARY, AXES=4, NAME=\"MILL\"", SourcePath("examples/mill/mill.pj"), {}};
  Outcome out = Run(kVariantProject, MODE_PROJECT, options);
  // Unknown softkeys count in every section, unknown operands only in the
  // switched-on ones.
  EXPECT_EQ(out.reports, (Reports{"p.spm(12) 8270"}));

  // The generated project keeps every branch and every directive.  (The
  // run has an error, so the run driver would delete it; the reader wrote
  // it whole.)
  std::string project = kVariantProject;
  project.replace(project.find("ACTION NOKEY"), 12, "ACTION OK   ");
  out = Run(project, MODE_PROJECT, options);
  EXPECT_EQ(out.reports, Reports{});
  std::string expected = kVariantGenerated;
  expected.replace(expected.find("#endif"), 0, "ACTION OK            \n");
  EXPECT_EQ(Read("p.spj"), Crlf(expected));
  // Softkeys of switched-off sections are made too: the generated project
  // names them.
  EXPECT_NE(out.log.find("CheckingSK \"lathe.pic\""), std::string::npos) << out.log;

  // With -post the conditions are resolved: only the switched-on lines are
  // written, with absolute operands, and #IF sees the PLC's constants.
  project.replace(project.find("(AXES = 4)"), 10, "(MAX_TOOLS = 24)");
  options.configure = [](RunSettings& s) { s.postProcess = true; };
  out = Run(project, MODE_PROJECT, options);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_EQ(out.log.find("lathe.pic"), std::string::npos) << out.log;
  EXPECT_EQ(Read("p.spj"), Crlf("QUILLON Project File - Version 1.0\n"
                                "\n"
                                "SKMENU MAIN HROOT\n"
                                "TX ok OK\n"
                                "TX \"Rotary table\" ROTARY\n"
                                "CHECK ROTARY ENABLE:M150 STATUS:M151         \n"
                                "PULSE OK          HIDE:M150  \n"
                                "ENDSKMENU\n"
                                "\n"));

  // Without -post the PLC's symbols are no operands of #IF.
  options.configure = {};
  out = Run(project, MODE_PROJECT, options);
  EXPECT_EQ(out.reports, (Reports{"p.spm(14) 3070", "p.spm(18) 3300"}));

  // An unknown operand of a switched-on section is reported.
  project = kVariantProject;
  project.replace(project.find("ACTION NOKEY"), 12, "ACTION OK   ");
  project.replace(project.find("HIDE:ROTARY_READY"), 17, "HIDE:ROTARY_REDY");
  out = Run(project, MODE_PROJECT, options);
  EXPECT_EQ(out.reports, (Reports{"p.spm(19) 3070"}));
}

TEST_F(GeneratedProjectTest, IncludedFileGetsItsOwnGeneratedProject) {
  Write("sub/keys.spi",
        "TX one ONE\n"
        "#IFDEF FAST\n"
        "TX fast FAST\n"
        "#ENDIF\n"
        "BACK ONE\n");
  const std::string project =
      "QUILLON Project File - Version 1.0\n"
      "SKMENU MAIN HROOT\n"
      "#INCLUDE sub\\keys.spi PLC:\\SOFTKEYS\\menus\n"
      "#INCLUDE missing.spi .\n"
      "BLANK ONE\n"
      "ENDSKMENU\n";
  Outcome out = Run(project, MODE_PROJECT);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_EQ(Read("p.spj"), Crlf("QUILLON Project File - Version 1.0\n"
                                "\n"
                                "SKMENU MAIN HROOT\n"
                                "#INCLUDE PLC:\\SOFTKEYS\\menus\\keys.spj\n"
                                "#INCLUDE .\\missing.spj\n"
                                "BLANK ONE \n"
                                "ENDSKMENU\n"
                                "\n"));
  EXPECT_EQ(Read("sub/keys.spj"), Crlf("TX one ONE\n"
                                       "\n"
                                       "#IFDEF FAST\n"
                                       "TX fast FAST\n"
                                       "#ENDIF\n"
                                       "\n"
                                       "BACK ONE         \n"));
  // The missing file's generated project stays empty.
  EXPECT_EQ(Read("missing.spj"), "");
  EXPECT_NE(out.log.find("GeneratingMenu \"sub\\keys.spj\" PLC:\\SOFTKEYS\\menus\r\n"),
            std::string::npos)
      << out.log;

  // Without a directory for the generated file the #INCLUDE is refused.
  out = Run("QUILLON Project File - Version 1.0\nSKMENU MAIN\n#INCLUDE sub\\keys.spi\nENDSKMENU\n",
            MODE_PROJECT);
  EXPECT_EQ(out.reports, (Reports{"p.spm(3) 8207", "p.spm(4) 8272"}));

  // With -post the included lines go into the project's own generated file.
  std::filesystem::remove(dir_ / "sub/keys.spj");
  RunOptions post{"FAST", "", [](RunSettings& s) { s.postProcess = true; }};
  out = Run(project, MODE_PROJECT, post);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_EQ(Read("p.spj"), Crlf("QUILLON Project File - Version 1.0\n"
                                "\n"
                                "SKMENU MAIN HROOT\n"
                                "TX one ONE\n"
                                "TX fast FAST\n"
                                "BACK ONE         \n"
                                "BLANK ONE \n"
                                "ENDSKMENU\n"
                                "\n"));
  EXPECT_FALSE(Exists("sub/keys.spj"));
}

TEST_F(GeneratedProjectTest, PythonScriptsLieUnderTheItemsPythonPath) {
  Touch({"a.py", "b.py", "c.py", "d.py"});
  Write("scripts/e.py", "x");
  const std::string project =
      "QUILLON Project File - Version 1.0\n"
      "SKMENU MAIN HROOT\n"
      "TX ok OK\n"
      "ACTION OK PYNAME:a PYSCRIPT:a.py\n"                       // default path
      "ACTION OK PYNAME:e PYSCRIPT:scripts\\e.py\n"              // directory dropped
      "ACTION OK PYNAME:b PYPATH:PLC:\\Scripts PYSCRIPT:b.py\n"  // item path
      "ACTION OK PYNAME:c PYSCRIPT:c.py PYPATH:PLC:\\Late\n"     // path after the script
      "ACTION OK PYNAME:d PYPATH:PLC:/fwd/ PYSCRIPT:d.py PYMEM:3\n"
      "ENDSKMENU\n"
      "PYPATH PLC:\\Py\n"
      "SKMENU SECOND\n"
      "ACTION OK PYNAME:a PYSCRIPT:a.py\n"                       // project path
      "ACTION OK PYNAME:b PYPATH: PYSCRIPT:b.py\n"               // empty item path
      "ACTION OK PYSCRIPT:c.py\n"                                // no name: no Python part
      "ENDSKMENU\n";
  Outcome out = Run(project, MODE_PROJECT);
  EXPECT_EQ(out.reports, Reports{});
  const std::string action = "ACTION OK             ";
  EXPECT_EQ(Read("p.spj"), Crlf("QUILLON Project File - Version 1.0\n"
                                "\n"
                                "SKMENU MAIN HROOT\n"
                                "TX ok OK\n" +
                                action + "PYNAME:a  PYSCRIPT:PLC:\\Python\\a.py \n" +
                                action + "PYNAME:e  PYSCRIPT:PLC:\\Python\\e.py \n" +
                                action + "PYNAME:b  PYSCRIPT:PLC:\\Scripts\\b.py \n" +
                                action + "PYNAME:c  PYSCRIPT:PLC:\\Python\\c.py \n" +
                                action + "PYNAME:d PYMEM:3 PYSCRIPT:PLC:/fwd/d.py \n" +
                                "ENDSKMENU\n\n\nSKMENU SECOND\n" +
                                action + "PYNAME:a  PYSCRIPT:PLC:\\Py\\a.py \n" +
                                action + "PYNAME:b  PYSCRIPT:b.py \n" +
                                "ACTION OK            \n"
                                "ENDSKMENU\n"
                                "\n"));

  // The scripts must exist where the project names them.
  std::filesystem::remove(dir_ / "scripts/e.py");
  out = Run(project, MODE_PROJECT);
  EXPECT_EQ(out.reports, (Reports{"p.spm(5) 8221"}));
}

TEST_F(GeneratedProjectTest, CheckingRunsLookForEverySourceAndScript) {
  Touch({"have.bmp", "have.pic", "have.py"});
  const std::string project =
      "QUILLON Project File - Version 1.0\n"
      "SKMENU MAIN HROOT\n"
      "BMP have.bmp HAVE\n"                       // 3
      "PIC missing.pic MISSING\n"                 // 4 8221
      "TXS missing.txs\n"                         // 5 8221: no converter runs
      "PIC have.pic PIC\n"                        // 6
      "TX text TEXT\n"                            // 7: nothing to look for
      "ACTION HAVE PYNAME:a PYSCRIPT:have.py\n"   // 8
      "ACTION HAVE PYNAME:b PYSCRIPT:none.py\n"   // 9 8221
      "BLANK NOWHERE\n"                           // 10: a blank slot is not looked up
      "ACTION NOWHERE\n"                          // 11 8270
      "#IFDEF UNDEFINED\n"
      "BMP off.bmp OFF\n"                         // switched off: not looked for
      "#ENDIF\n"
      "ENDSKMENU\n";
  Outcome out = Run(project, MODE_CHECK);
  EXPECT_EQ(out.reports, (Reports{"p.spm(4) 8221", "p.spm(5) 8221", "p.spm(9) 8221",
                                  "p.spm(11) 8270"}));
  EXPECT_EQ(out.log, "CheckingSK \"have.bmp\" PLC:\\SOFTKEYS\\\r\n"
                     "File: p.spm(4): Error no: 8221\r\n"
                     "File: p.spm(5): Error no: 8221\r\n"
                     "CheckingSK \"have.pic\" PLC:\\SOFTKEYS\\\r\n"
                     "File: p.spm(9): Error no: 8221\r\n"
                     "File: p.spm(11): Error no: 8270\r\n");
  EXPECT_FALSE(Exists("have.PIC"));
  EXPECT_FALSE(Exists("p.spj"));
  EXPECT_FALSE(Exists("p.sys"));

  // -nofilecheck: only the names are checked.
  RunOptions noCheck{"", "", [](RunSettings& s) { s.fileCheck = false; }};
  out = Run(project, MODE_CHECK, noCheck);
  EXPECT_EQ(out.reports, (Reports{"p.spm(11) 8270"}));
  EXPECT_EQ(out.log.find("CheckingSK"), std::string::npos);
}

// Whatever file operation fails, the default run goes on or stops with a
// message, and the generated projects of the project and its include are
// handed back where they belong.
TEST_F(GeneratedProjectTest, EveryFailingFileOperationOfADefaultRunIsSurvived) {
  Touch({"ok.pic", "a.py"});
  Write("keys.spi", "SOFTKEY ok.pic OK\nACTION OK PYNAME:a PYSCRIPT:a.py\n#IFDEF X\n#ENDIF\n");
  const std::string project =
      "QUILLON Project File - Version 1.0\n"
      "SKMENU MAIN HROOT\n"
      "#INCLUDE keys.spi .\n"
      "BLANK OK\n"
      "ENDSKMENU\n";
  Outcome clean = Run(project, MODE_PROJECT, RunOptions{});
  ASSERT_EQ(clean.reports, Reports{});
  const std::string generated = Read("p.spj"), included = Read("keys.spj");
  ASSERT_GT(clean.operations, 5);
  for (long k = 1; k <= clean.operations; ++k) {
    RunOptions options;
    options.failAt = k;
    Outcome out = Run(project, MODE_PROJECT, options);
    SCOPED_TRACE(out.failed);
    ASSERT_FALSE(out.failed.empty());
    // A file that cannot be read looks shorter; a generated project that
    // cannot be created or written is an error.
    const bool output = out.failed.rfind("create", 0) == 0 || out.failed.rfind("write", 0) == 0;
    if (output) {
      EXPECT_GE(out.errors, 1);
    }
    if (out.errors == 0 && out.failed.rfind("read", 0) != 0) {
      EXPECT_EQ(Read("p.spj"), generated);
      EXPECT_EQ(Read("keys.spj"), included);
    }
  }
}

}  // namespace
}  // namespace q32
