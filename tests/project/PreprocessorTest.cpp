// Conditional sections and included files on whole projects read by the
// project reader: the tree file and the constants file compared byte for
// byte, and the messages with the file and line they name.
#include <gtest/gtest.h>

#include <string>

#include "project/ProjectRunFixture.h"

namespace q32 {
namespace {

using q32test::Crlf;
using PreprocessorTest = ProjectRunTest;

// Two machine variants in one project: define conditions with OR, NOT and
// commas, #IFNDEF groups, a nested #IF with strings and numbers, #IFEXIST,
// and a whole menu in a switched-off section.
const char* const kVariants =
    "QUILLON Project File - Version 1.0\n"
    "SKMENU MAIN HROOT\n"
    "PIC ok.pic OK\n"
    "#IFDEF MILL5 OR NOT LATHE\n"
    "PIC five.pic FIVE\n"
    "#ELSE\n"
    "PIC lathe.pic LATHEKEY\n"
    "#ENDIF\n"
    "#IFDEF MILL5, LATHE\n"
    "PIC both.pic BOTH\n"
    "UNKNOWN keywords of switched-off sections are not reported\n"
    "#ENDIF\n"
    "#IFNDEF LATHE, PROBE\n"
    "PIC plain.pic PLAIN\n"
    "#ENDIF\n"
    "#IFNDEF MILL5 OR COOLANT\n"
    "PIC cool.pic COOL\n"
    "#ENDIF\n"
    "#IF (axes = 5) AND (TYPE = \"hs\")\n"
    "#IF AXES > 5\n"
    "PIC never.pic NEVER\n"
    "#ELSE\n"
    "PIC axes.pic AXES\n"
    "#ENDIF\n"
    "#ENDIF\n"
    "#IFEXIST probe.cfg\n"
    "PIC probe.pic PROBEKEY\n"
    "#ENDIF\n"
    "NODE FIVE FIVEMENU\n"
    "ACTION AXES\n"
    "ENDSKMENU\n"
    "#IFDEF LATHE\n"
    "SKMENU LATHEMENU\n"
    "BACK OK\n"
    "ENDSKMENU\n"
    "#ENDIF\n"
    "SKMENU FIVEMENU\n"
    "BACK OK\n"
    "ENDSKMENU\n";

TEST_F(PreprocessorTest, VariantSectionsDecideWhichLinesCountInTreeAndConstants) {
  Touch({"ok.pic", "five.pic", "lathe.pic", "both.pic", "plain.pic", "cool.pic", "never.pic",
         "axes.pic", "probe.pic"});
  Outcome out = Run(kVariants, MODE_GENSYS, "MILL5, AXES=5, COOLANT, TYPE=\"HS\"");
  EXPECT_EQ(out.reports, Reports{});
  // LATHEMENU is switched off, so FIVEMENU takes number 1.
  EXPECT_EQ(Read("p.def"), Crlf(DefFile("p.spm", Def("MAIN", 0) + Def("FIVEMENU", 1),
                                        Def("OK", 0) + Def("FIVE", 1) + Def("PLAIN", 2) +
                                            Def("COOL", 3) + Def("AXES", 4))));
  EXPECT_EQ(Read("p.sys"),
            Crlf(TreeHeader("p.spm") +
                 "P PLC:\\SOFTKEYS\\\n"
                 "H 0 B - \n"
                 "N 1 PLC:\\SOFTKEYS\\five.pic - - 1 -1 - -1 0 -1 - - - -1 - -1 - -\n"
                 "S 4 PLC:\\SOFTKEYS\\axes.pic - - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n"
                 "M 1 B - \n"
                 "B 0 PLC:\\SOFTKEYS\\ok.pic - - 0 -1 - - -1 0 0\n"));
  EXPECT_EQ(Read("QUILLONK.SYS"),
            Crlf("PLC:\\SOFTKEYS\\ok.pic\nPLC:\\SOFTKEYS\\five.pic\nPLC:\\SOFTKEYS\\plain.pic\n"
                 "PLC:\\SOFTKEYS\\cool.pic\nPLC:\\SOFTKEYS\\axes.pic\n"));

  // The other variant: a lathe with a probe; its menu is numbered and the
  // five-axis softkeys are gone.
  Touch({"probe.cfg"});
  std::string lathe = kVariants;
  lathe.replace(lathe.find("NODE FIVE FIVEMENU"), 18, "NODE LATHEKEY LATHEMENU");
  lathe.replace(lathe.find("ACTION AXES"), 11, "ACTION COOL");
  out = Run(lathe, MODE_GENSYS, "LATHE, AXES=2, TYPE=\"LS\"");
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_EQ(Read("p.def"),
            Crlf(DefFile("p.spm", Def("MAIN", 0) + Def("LATHEMENU", 1) + Def("FIVEMENU", 2),
                         Def("OK", 0) + Def("LATHEKEY", 1) + Def("COOL", 2) + Def("PROBEKEY", 3))));
  EXPECT_EQ(Read("p.sys"),
            Crlf(TreeHeader("p.spm") +
                 "P PLC:\\SOFTKEYS\\\n"
                 "H 0 B - \n"
                 "N 1 PLC:\\SOFTKEYS\\lathe.pic - - 1 -1 - -1 0 -1 - - - -1 - -1 - -\n"
                 "S 2 PLC:\\SOFTKEYS\\cool.pic - - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n"
                 "M 1 B - \n"
                 "B 0 PLC:\\SOFTKEYS\\ok.pic - - 0 -1 - - -1 0 0\n"
                 "M 2 B - \n"
                 "B 0 PLC:\\SOFTKEYS\\ok.pic - - 0 -1 - - -1 0 0\n"));
}

TEST_F(PreprocessorTest, IncludedFilesAreReadInPlaceWithTheirOwnLineNumbers) {
  Touch({"ok.pic", "k1.pic"});
  Write("keys.spi",
        "PIC k1.pic K1\n"             // 1
        "BAD2\n"                      // 2 8206
        "#INCLUDE other.spi\n"        // 3 8206: includes do not nest
        "ACTION K1\n");               // 4
  Write("other.spi", "PIC other.pic OTHER\n");
  Write("menus.spi",
        "ENDSKMENU\n"                 // 1 8206: no menu open
        "SKMENU SUB MENUNR:4\n"       // 2
        "#IFDEF VARIANT\n"            // 3
        "BACK OK\n"
        "#ELSE\n"
        "BACK K1\n"                   // 6
        "#ENDIF\n"
        "ENDSKMENU\n");
  const std::string project =
      "QUILLON Project File - Version 1.0\n"
      "SKMENU MAIN HROOT\n"           // 2
      "PIC ok.pic OK\n"               // 3
      "#INCLUDE keys.spi\n"           // 4
      "#INCLUDE missing.spi\n"        // 5: passed over silently
      "BAD1\n"                        // 6 8206
      "ACTION OK\n"                   // 7
      "ENDSKMENU\n"                   // 8
      "#INCLUDE menus.spi\n"          // 9
      "#IFDEF X Y\n"                  // 10 3043
      "#INCLUDE\n";                   // 11 8207
  Outcome out = Run(project, MODE_GENSYS);
  EXPECT_EQ(out.reports, (Reports{"keys.spi(2) 8206", "keys.spi(3) 8206", "p.spm(6) 8206",
                                  "menus.spi(1) 8206", "p.spm(10) 3043", "p.spm(11) 8207"}));
  EXPECT_EQ(Read("p.def"), Crlf(DefFile("p.spm", Def("MAIN", 0) + Def("SUB", 4), Def("OK", 0) +
                                Def("K1", 1))));
  EXPECT_EQ(Read("p.sys"),
            Crlf(TreeHeader("p.spm") + "P PLC:\\SOFTKEYS\\\n"
                 "H 0 B - \n"
                 "S 1 PLC:\\SOFTKEYS\\k1.pic - - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n"
                 "S 0 PLC:\\SOFTKEYS\\ok.pic - - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n"
                 "M 4 B - \n"
                 "B 1 PLC:\\SOFTKEYS\\k1.pic - - 0 -1 - - -1 0 0\n"));
}

TEST_F(PreprocessorTest, ConstantsFileOpenedInsideAnIncludeNamesTheIncludedFile) {
  Write("menus.spi", "SKMENU MAIN HROOT\nTX Go GO\nBLANK\nENDSKMENU\n");
  Outcome out = Run("QUILLON Project File - Version 1.0\n#INCLUDE menus.spi\n", MODE_GENDEF);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_EQ(Read("p.def"), Crlf(DefFile("menus.spi", Def("MAIN", 0), Def("GO", 0))));
}

TEST_F(PreprocessorTest, DirectiveErrorsAreReportedOnceAtTheirLines) {
  const std::string project =
      "QUILLON Project File - Version 1.0\n"
      "SKMENU MAIN HROOT\n"           // 2
      "TX a A\n"                      // 3
      "#IFDEF A OR\n"                 // 4 3043
      "#IFDEF\n"                      // 5 8207
      "#IFNDEF A AND NOT\n"           // 6 3043
      "#IFEXIST\n"                    // 7 8207
      "#IFDEF A\n"                    // 8 (A undefined: off)
      "#ELSE X\n"                     // 9 8205, the section stays off
      "TX b B\n"                      // 10 skipped
      "#ENDIF X\n"                    // 11 8205
      "#ENDIF\n"                      // 12
      "#ENDIF\n"                      // 13 3300
      "#ELSE\n"                       // 14 3300
      "#IF X1 = 1 AND X2 = 2\n"       // 15 3011: bare tokens after AND
      "#IF A+1 = 2\n"                 // 16 3070
      "#IF (1 = 1) AND (\"a\" = \"A\")\n"  // 17 true
      "BLANK A\n"                     // 18
      "ENDSKMENU\n"                   // 19
      "#IFNDEF A\n";                  // 20: left open, 3300 at the last line
  Outcome out = Run(project, MODE_GENDEF, "X1=1, X2=2");
  EXPECT_EQ(out.reports,
            (Reports{"p.spm(4) 3043", "p.spm(5) 8207", "p.spm(6) 3043", "p.spm(7) 8207",
                     "p.spm(9) 8205", "p.spm(11) 8205", "p.spm(13) 3300", "p.spm(14) 3300",
                     "p.spm(15) 3011", "p.spm(16) 3070", "p.spm(20) 3300"}));
  // B was skipped: the softkey after A is numbered 1 only if it counted.
  EXPECT_EQ(Read("p.def"), Crlf(DefFile("p.spm", Def("MAIN", 0), Def("A", 0))));
}

TEST_F(PreprocessorTest, ThirtyOneNestedSectionsAreAcceptedAndTheThirtySecondIsRefused) {
  std::string project = "QUILLON Project File - Version 1.0\nSKMENU MAIN\n";
  for (int i = 0; i < 32; ++i) project += "#IFNDEF UNDEFINED\n";  // lines 3..34
  project += "TX deep DEEP\nBLANK DEEP\n";
  for (int i = 0; i < 31; ++i) project += "#ENDIF\n";
  project += "ENDSKMENU\n";
  Outcome out = Run(project, MODE_GENDEF);
  EXPECT_EQ(out.reports, (Reports{"p.spm(34) 3301"}));
  EXPECT_EQ(Read("p.def"), Crlf(DefFile("p.spm", Def("MAIN", 0), Def("DEEP", 0))));
}

TEST_F(PreprocessorTest, ScansListEveryBranchAndReportNoConditionCodes) {
  Write("extra.spi", "PIC extra.pic\n");
  const std::string project =
      "QUILLON Project File - Version 1.0\n"
      "SKMENU MAIN\n"
      "#IF NOWHERE = 1\n"             // 3070, not reported in a scan
      "#IFDEF UNDEFINED\n"
      "BMP off.bmp OFF\n"
      "#INCLUDE extra.spi\n"
      "#ENDIF\n"
      "BLANK\n"
      "ENDSKMENU\n";
  Outcome out = Run(project, MODE_SCAN);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_NE(out.log.find("off.bmp"), std::string::npos) << out.log;
  EXPECT_NE(out.log.find("File extra.spi"), std::string::npos) << out.log;
  EXPECT_NE(out.log.find("extra.pic"), std::string::npos) << out.log;
}

TEST_F(PreprocessorTest, SwitchedOffLinesAreNeitherConvertedNorChecked) {
  const std::string project =
      "QUILLON Project File - Version 1.0\n"
      "#IFDEF UNDEFINED\n"
      "SKMENU MAIN\n"
      "BMP missing.bmp MISSING\n"
      "NOWHERE\n"
      "GOTO MISSING NOMENU\n"
      "#INCLUDE unreadable\\\n"
      "ENDSKMENU\n"
      "#ENDIF\n";
  Outcome out = Run(project, MODE_GENSYS);
  EXPECT_EQ(out.reports, Reports{});
  EXPECT_FALSE(Exists("p.sys"));
  EXPECT_FALSE(Exists("p.def"));
}

}  // namespace
}  // namespace q32
