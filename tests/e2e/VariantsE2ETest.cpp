// Machine variants through the real executable: a configuration file (-r)
// and a define list (-a) switching sections of the project, an included
// file, and the example mill in both of its variants.
#include <gtest/gtest.h>

#include <string>

#include "ProjectE2EFixture.h"

using namespace q32test;

namespace {

using VariantsE2E = ProjectE2E;

// The speed of the spindle decides the softkey; the command line's define
// wins over the configuration file, whose first definition of a name wins
// over its later ones.
TEST_F(VariantsE2E, DefineListOverridesTheConfigurationFile) {
  WriteFile(In("p.spm"),
            "QUILLON Project File - Version 1.0\n"
            "SKMENU MAIN HROOT\n"
            "#IF SPEED = 1\n"
            "TX slow SLOW\n"
            "#ELSE\n"
            "#IF (SPEED = 2) AND (NAME = \"mill\")\n"
            "TX fast FAST\n"
            "#ELSE\n"
            "TX other OTHER\n"
            "#ENDIF\n"
            "#ENDIF\n"
            "BLANK\n"
            "ENDSKMENU\n");
  WriteFile(In("p.cfg"),
            "; two definitions of SPEED: the first counts\n"
            "DEFINE SPEED=2\n"
            "define NAME = \"Mill\"\n"
            "DEFINE SPEED=3\n");
  const std::string header = DefHeader("p.spm") + "\n; Menu constants:\n\n" + Def("MAIN", 0) +
                             "\n; Softkey constants:\n\n";

  // The ignored second definition is worth a warning.
  RunResult r = Quillon({"proj/p.spm", "-gendef", "-rproj/p.cfg"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("p.cfg(4): W1047"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(In("p.def")), Crlf(header + Def("FAST", 0)));

  r = Quillon({"proj/p.spm", "-gendef", "-rproj/p.cfg", "-aSPEED=1"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_EQ(ReadFile(In("p.def")), Crlf(header + Def("SLOW", 0)));

  r = Quillon({"proj/p.spm", "-gendef", "-rproj/p.cfg", "-aname=lathe"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_EQ(ReadFile(In("p.def")), Crlf(header + Def("OTHER", 0)));

  // Without any define the condition names unknown operands.
  r = Quillon({"proj/p.spm", "-gendef"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("File: proj\\p.spm(3): E3070"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("File: proj\\p.spm(11): E3300"), std::string::npos) << r.out;
}

TEST_F(VariantsE2E, MessagesNameTheIncludedFileThenTheIncludingOne) {
  WriteFile(In("p.spm"),
            "QUILLON Project File - Version 1.0\n"
            "SKMENU MAIN HROOT\n"
            "#INCLUDE keys.spi\n"
            "#INCLUDE none.spi\n"
            "PIC\n"
            "BLANK\n"
            "ENDSKMENU\n");
  WriteFile(In("keys.spi"), "TX a A\nTX b\nSKPATH x\n#INCLUDE keys.spi\n");
  RunResult r = Quillon({"proj/p.spm", "-gensys"});
  EXPECT_EQ(r.status, 2) << r.out;
  const std::size_t skpath = r.out.find("File: proj\\keys.spi(3): E8206");
  const std::size_t nested = r.out.find("File: proj\\keys.spi(4): E8206");
  const std::size_t back = r.out.find("File: proj\\p.spm(5): E8207");
  EXPECT_NE(skpath, std::string::npos) << r.out;
  EXPECT_NE(nested, std::string::npos) << r.out;
  EXPECT_NE(back, std::string::npos) << r.out;
  EXPECT_LT(skpath, nested);
  EXPECT_LT(nested, back);
  EXPECT_EQ(r.out.find("none.spi"), std::string::npos) << "a missing include is passed over";
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys"))) << "a failed run removes its tree file";
}

TEST_F(ProjectE2E, FourAxisMillAddsTheRotaryTable) {
  CopyMill();
  const std::vector<std::string> args = {"mill/mill.spm", "-gensys", "-menu", "-rmill/mill4.cfg",
                                         "-pjmill/mill.pj"};
  RunResult r = Quillon(args);
  EXPECT_EQ(r.status, 0) << r.out;
  const std::string k = "PLC:\\SOFTKEYS\\mill\\";
  EXPECT_EQ(ReadFile(dir_ / "mill/mill.sys"),
            Crlf(MillTree("N 13 \"Rotary table\" ROTARY_READY - 12 -1 - -1 0 -1 - - - -1 - -1 - -\n",
                          "M 12 B - \n"
                          "C 14 \"Clamp A\" ROTARY_READY ROTARY_CLAMPED 0 -1 - -1 -1 - - - -1 - -1 - -\n"
                          "U 15 \"Zero A\" ROTARY_READY - 0 -1 - -1 -1 - -1 -1 - - -1 - -1 - -\n"
                          "B 3 " + k + "back.sk - - 0 -1 - - -1 0 0\n")));
  EXPECT_EQ(ReadFile(dir_ / "mill/mill.def"),
            Crlf(DefHeader("mill.spm") + "\n; Menu constants:\n\n" + Def("MAIN", 0) +
                 Def("SPINDLEMENU", 10) + Def("COOLANTMENU", 11) + Def("TOOLTABLE", 1) +
                 Def("ROTARYMENU", 12) + "\n; Softkey constants:\n\n" + Def("SPINDLE", 0) +
                 Def("COOLANT", 1) + Def("TOOLS", 2) + Def("BACKKEY", 3) + Def("SPINDLECW", 4) +
                 Def("SPINDLECCW", 5) + Def("SPINDLESTOP", 6) + Def("CLAMP", 7) + Def("JOG", 8) +
                 Def("SPINDLEDRAW", 9) + Def("START", 10) + Def("FEED", 11) +
                 Def("SPINDLEBMX", 12) + Def("ROTARY", 13) + Def("ACLAMP", 14) +
                 Def("AZERO", 15)));

  // The PLC program knows the rotary table's operands; a misspelt one is
  // reported against the included file.
  std::string rotary = ReadFile(dir_ / "mill/rotary.spi");
  const std::size_t pulse = rotary.find("PULSE AZERO ENABLE:ROTARY_READY");
  ASSERT_NE(pulse, std::string::npos);
  rotary.replace(pulse + 12, 19, "ENABLE:ROTARY_REDY");
  WriteFile(dir_ / "mill/rotary.spi", rotary);
  r = Quillon(args);
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("File: mill\\rotary.spi(8): E"), std::string::npos) << r.out;
}

// The example's PLC project information file is generated; it must stay what
// the helper makes of its description.
TEST(ExampleVariants, PlcProjectFileMatchesItsDescription) {
  if (!HaveTool("python3")) GTEST_SKIP() << "python3 not installed";
  TempDir dir;
  RunResult r = RunCommand("python3 '" + SourcePath("tools/make_plc_project.py") + "' '" +
                               SourcePath("examples/mill/mill_plc.txt") + "' mill.pj",
                           dir.path());
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(dir / "mill.pj"), ReadFile(SourcePath("examples/mill/mill.pj")));
}

}  // namespace
