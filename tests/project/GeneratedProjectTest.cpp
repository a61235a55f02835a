// The generated softkey project of a default run, compared byte for byte:
// settings, menus, every softkey and item kind with every parameter, the
// directives of conditional sections with and without -post, included files
// with their own generated project, Python script paths; and the checks of
// -check runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "project/ProjectRunFixture.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using q32test::Crlf;
using q32test::SourcePath;
using Reports = std::vector<std::string>;
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
  EXPECT_EQ(Read("p.def"), Crlf(DefHeader("p.spm") + "\n; Menu constants:\n\n" + Def("MAIN", 0) +
                                Def("SUB", 12) + Def("POP", 1) + "\n; Softkey constants:\n\n" +
                                Def("OK", 0) + Def("START", 1) + Def("STOP", 2) + Def("HELLO", 3) +
                                Def("RPM", 5) + Def("JOG", 6) + Def("DRAW", 7) + Def("TXS1", 8) +
                                Def("TXM1", 9) + Def("BMX", 11) + Def("LATE", 12)));
  EXPECT_FALSE(Exists("p.sys"));
  EXPECT_FALSE(Exists("other.sys"));
}

}  // namespace
}  // namespace q32
