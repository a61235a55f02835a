// Softkey projects through the real executable: -gensys, -gendef, -scan and
// -o runs, compared with the expected files byte for byte, with the exit
// status and the outputs a failed run leaves behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/TestSupport.h"

using namespace q32test;
namespace fs = std::filesystem;

namespace {

const char* const kDate = "Thu Jan  1 00:00:00 1970";

std::string Def(const std::string& name, int number) {
  return "#define       " + name + std::string(40 - name.size(), ' ') + " K" +
         std::to_string(number) + "\n";
}

std::string DefHeader() {
  return std::string("; Quillon Definition File\n\n; This file is maintained by Quillon32\n"
                     "; Do not modify this file manually!\n\n; Creation date:   ") +
         kDate + "\n\n; Softkey project: p.spm\n";
}

std::string TreeHeader() {
  return std::string("; Softkey Tree Definition File V2.1\n; Creation date:   ") + kDate +
         "\n; Softkey project: p.spm\n";
}

const char* const kProject =
    "QUILLON Project File - Version 1.0\n"
    "; A root menu with a sub-menu named before it is defined\n"
    "SKPATH PLC:\\SOFTKEYS\\lathe\n"
    "SKMENU ROOT HROOT IDENT:root\n"
    "PIC spindle.pic SPINDLE\n"
    "SK coolant.sk COOLANT\n"
    "TX \"Tool table\" TOOLS\n"
    "ROWDEF 0 5\n"
    "SKNEXTDEF 0x2a\n"
    "NODE TOOLS TOOLMENU ENABLE:M10\n"
    "CHECK COOLANT STATUS:M11 FIRSTINGROUP\n"
    "ACTION SPINDLE REPEATDELAY:300 REPEATINTERVAL:50\n"
    "ENDSKMENU\n"
    "SKMENU TOOLMENU HRMENU \"TITLE:Tool table\" MENUNR:20\n"
    "SOFTKEY back.PIC BACKKEY\n"
    "BACK BACKKEY CLOSEPOPUPMENU\n"
    "ENDSKMENU\n";

const char* const kTree =
    "P PLC:\\SOFTKEYS\\lathe\\\n"
    "H 0 B - root\n"
    "r 0 5\n"
    "n 0x2A\n"
    "N 2 \"Tool table\" M10 - 20 -1 - -1 0 -1 - - - -1 - -1 - -\n"
    "C 1 PLC:\\SOFTKEYS\\lathe\\coolant.sk - M11 1 -1 - -1 -1 - - - -1 - -1 - -\n"
    "S 0 PLC:\\SOFTKEYS\\lathe\\spindle.pic - - 0 -1 - -1 -1 - 300 50 - - -1 - -1 - -\n"
    "L 20 B \"Tool table\" \n"
    "B 3 PLC:\\SOFTKEYS\\lathe\\back.PIC - - 1 -1 - - -1 0 0\n";

class ReaderE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SOURCE_DATE_EPOCH", "0", 1);
    WriteFile(dir_ / "proj/p.spm", kProject);
    for (const char* f : {"spindle.pic", "coolant.sk", "back.PIC"}) WriteFile(dir_ / ("proj/" + std::string(f)), "x");
  }
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }
  std::string In(const std::string& name) { return dir_ / ("proj/" + name); }

  TempDir dir_;
};

TEST_F(ReaderE2E, GensysWritesEveryOutput) {
  RunResult r = RunQuillon({"proj/p.spm", "-gensys", "-tZeta300", "-nofilecheck"}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(In("p.sys")), Crlf(TreeHeader() + kTree));
  EXPECT_EQ(ReadFile(In("p.def")),
            Crlf(DefHeader() + "\n; Menu constants:\n\n" + Def("ROOT", 0) + Def("TOOLMENU", 20) +
                 "\n; Softkey constants:\n\n" + Def("SPINDLE", 0) + Def("COOLANT", 1) +
                 Def("TOOLS", 2) + Def("BACKKEY", 3)));
  EXPECT_EQ(ReadFile(In("QUILLONK.SYS")), Crlf("PLC:\\SOFTKEYS\\lathe\\spindle.pic\n"
                                               "PLC:\\SOFTKEYS\\lathe\\coolant.sk\n"
                                               "PLC:\\SOFTKEYS\\lathe\\back.PIC\n"));
  // Shown paths are relative to the directory the run started in.
  EXPECT_EQ(ReadFile(In("p.log")), Crlf("GeneratingSK \"proj\\QUILLONK.SYS\" PLC:\\\n"
                                        "GeneratingMenu \"proj\\p.sys\" PLC:\\SOFTKEYS\\\n"
                                        "\n\n0 Error(s), 0 Warning(s)\n\n"));
}

TEST_F(ReaderE2E, OutputDirectoryAndHeaderForm) {
  fs::create_directories(dir_ / "out");
  RunResult r = RunQuillon({"proj/p.spm", "-gensys", "-menu", "-genh", "-o" + (dir_ / "out")},
                           dir_.path());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(dir_ / "out/p.sys"), Crlf(TreeHeader() + kTree));
  EXPECT_EQ(ReadFile(dir_ / "out/p.h"),
            Crlf("// Quillon Definition File\n\n// This file is maintained by Quillon32\n"
                 "// Do not modify this file manually!\n\n// Creation date:   " +
                 std::string(kDate) +
                 "\n\n// Softkey project: p.spm\n\n// Menu constants:\n\n#define ROOT 0\n"
                 "#define TOOLMENU 20\n\n// Softkey constants:\n\n#define SPINDLE 0\n"
                 "#define COOLANT 1\n#define TOOLS 2\n#define BACKKEY 3\n"));
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys")));
  EXPECT_FALSE(FileExistsOnDisk(In("p.h")));
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));  // -menu writes no system list
}

TEST_F(ReaderE2E, GendefWritesOnlyTheConstants) {
  RunResult r = RunQuillon({"proj/p.spm", "-gendef"}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(FileExistsOnDisk(In("p.def")));
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys")));
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));
}

TEST_F(ReaderE2E, FailedRunDeletesTreeAndSystemList) {
  WriteFile(In("p.spm"), std::string(kProject) + "PIC stray.pic\n");
  RunResult r = RunQuillon({"proj/p.spm", "-gensys"}, dir_.path());
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("File: proj\\p.spm(18): E8206"), std::string::npos) << r.out;
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys")));
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));
  EXPECT_TRUE(FileExistsOnDisk(In("p.def")));  // the constants stay
}

TEST_F(ReaderE2E, WarningsOnlyKeepTheOutputs) {
  WriteFile(In("p.spm"), "QUILLON Project File - Version 1.0\nSKMENU A\nBLANK\nENDSKMENU\n");
  RunResult r = RunQuillon({"proj/p.spm", "-gensys"}, dir_.path());
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("File: proj\\p.spm(4): W8275"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(In("p.sys")), Crlf(TreeHeader() + "P PLC:\\SOFTKEYS\\\nM 0 B - \n# -1 -\n"));
  EXPECT_EQ(ReadFile(In("QUILLONK.SYS")), "");
}

TEST_F(ReaderE2E, AbandonedProjectStillEndsWithTotals) {
  WriteFile(In("p.spm"), "QUILLON Project File - Version 1.0\nTREEFILE QUILLONK.SYS\n"
                         "SKMENU A VROOT\nBLANK\nENDSKMENU\n");
  RunResult r = RunQuillon({"proj/p.spm", "-gensys"}, dir_.path());
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("File: proj\\p.spm(2): E8210"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 Error(s), 0 Warning(s)"), std::string::npos) << r.out;
}

TEST_F(ReaderE2E, ScanListsSourcesAndEndsWithStatusZero) {
  WriteFile(In("p.spm"), std::string(kProject) + "PIC stray.pic\n");
  RunResult r = RunQuillon({"proj/p.spm", "-scan"}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.out;
  std::string log = ReadFile(In("p.log"));
  // Every source in project order, shown from the starting directory; no totals.
  EXPECT_EQ(log.substr(0, log.find("File: ")),
            Crlf("File proj\\spindle.pic\nFile proj\\coolant.sk\nFile proj\\back.PIC\n"));
  EXPECT_NE(log.find("File: proj\\p.spm(18): E8206"), std::string::npos) << log;
  EXPECT_EQ(log.find("Error(s)"), std::string::npos) << log;
  EXPECT_FALSE(FileExistsOnDisk(In("p.def")));
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys")));
}

TEST_F(ReaderE2E, ProjectAndCheckModesAreNotAvailableYet) {
  WriteFile(In("x.pj"), "");
  for (const char* mode : {"-check", "-post"}) {
    RunResult r = RunQuillon({"proj/p.spm", "-pjproj/x.pj", mode}, dir_.path());
    EXPECT_EQ(r.status, 2) << mode << r.out;
    EXPECT_NE(r.out.find("8299"), std::string::npos) << r.out;
  }
}

TEST(ExampleProject, MenuTreeOfTheMill) {
  setenv("SOURCE_DATE_EPOCH", "0", 1);
  TempDir dir;
  fs::copy(SourcePath("examples/mill"), dir / "mill");
  RunResult r = RunQuillon({"mill/mill.spm", "-gensys", "-menu"}, dir.path());
  unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_EQ(r.status, 0) << r.out;
  const std::string k = "PLC:\\SOFTKEYS\\mill\\";
  EXPECT_EQ(ReadFile(dir / "mill/mill.sys"),
            Crlf(std::string("; Softkey Tree Definition File V2.1\n; Creation date:   ") + kDate +
                 "\n; Softkey project: mill.spm\n"
                 "P " + k + "\nh PLC:\\help\\mill.chm\n"
                 "H 0 M - main\nr 0 7\np 0x1A\nn 0x1B\n"
                 "N 0 " + k + "rpm.sk M100 - 10 -1 - -1 0 -1 - - - 10 - -1 - -\n"
                 "N 1 " + k + "coolant.sk M100 - 11 -1 - -1 0 -1 - - - 11 - -1 - -\n"
                 "G 2 " + k + "tools.sk - - 1 1 tooltable 1 0 -1 - - - -1 - -1 - -\n"
                 "C 7 Clamp M121 M120 0 -1 - -1 -1 - - - -1 - -1 - -\n"
                 "# -1 -\n"
                 "E 3 " + k + "back.sk - - -1 - - 0\n"
                 "M 10 E - \n"
                 "R 4 " + k + "cw.sk M133 M130 1 -1 - -1 -1 - - - -1 - -1 - -\n"
                 "R 5 " + k + "ccw.sk M133 M131 0 -1 - -1 -1 - - - -1 - -1 - -\n"
                 "U 6 " + k + "stop.sk M133 - 0 -1 - -1 -1 - 500 100 - - -1 - -1 - -\n"
                 "# -1 -\n"
                 "B 3 " + k + "back.sk - - 0 -1 - - -1 0 0\n"
                 "M 11 B - \n"
                 "T 1 " + k + "coolant.sk - M140   -1 - -1 -1 - - 3 - -1 - -1 - -\n"
                 "S 2 " + k + "tools.sk - - 0 -1 - -1 -1 - -1 -1 - - -1 flush 4 flush.py 30\n"
                 "B 3 " + k + "back.sk - - 0 -1 - - -1 0 0\n"
                 "L 1 B \"Tool table\" tools\n"
                 "S 2 " + k + "tools.sk - - 0 0 tooltable -1 -1 - -1 -1 - - -1 - -1 - -\n"
                 "B 3 " + k + "back.sk - - 1 -1 - - -1 1 0\n"));

  // The full run also converts the bitmaps and lists them for the control.
  r = RunQuillon({"mill/mill.spm", "-gensys"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(dir / "mill/QUILLONK.SYS"),
            Crlf(k + "rpm.sk\n" + k + "coolant.sk\n" + k + "tools.sk\n" + k + "back.sk\n" + k +
                 "cw.sk\n" + k + "ccw.sk\n" + k + "stop.sk\n"));
  for (const char* picture : {"rpm", "coolant", "tools", "back", "cw", "ccw", "stop"})
    EXPECT_TRUE(FileExistsOnDisk(dir / ("mill/" + std::string(picture) + ".PIC"))) << picture;

  // Controls outside the Orva family name the same softkeys with ".PIC".
  r = RunQuillon({"mill/mill.spm", "-gensys", "-tZeta300"}, dir.path());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(dir / "mill/QUILLONK.SYS"),
            Crlf(k + "rpm.PIC\n" + k + "coolant.PIC\n" + k + "tools.PIC\n" + k +
                 "back.PIC\n" + k + "cw.PIC\n" + k + "ccw.PIC\n" + k + "stop.PIC\n"));
  EXPECT_NE(ReadFile(dir / "mill/mill.sys").find("G 2 " + k + "tools.PIC - - 1 1 tooltable"),
            std::string::npos);
}

}  // namespace
