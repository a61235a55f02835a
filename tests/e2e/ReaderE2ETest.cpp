// Softkey projects through the real executable: -gensys, -gendef, -scan and
// -o runs, compared with the expected files byte for byte, with the exit
// status and the outputs a failed run leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ProjectE2EFixture.h"

using namespace q32test;
namespace fs = std::filesystem;

namespace {

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

class ReaderE2E : public ProjectE2E {
 protected:
  void SetUp() override {
    ProjectE2E::SetUp();
    WriteFile(In("p.spm"), kProject);
    for (const char* f : {"spindle.pic", "coolant.sk", "back.PIC"}) WriteFile(In(f), "x");
  }
};

TEST_F(ReaderE2E, GensysWritesEveryOutput) {
  RunResult r = Quillon({"proj/p.spm", "-gensys", "-tZeta300", "-nofilecheck"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(In("p.sys")), Crlf(TreeHeader("p.spm") + kTree));
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
  RunResult r = Quillon({"proj/p.spm", "-gensys", "-menu", "-genh", "-o" + (dir_ / "out")});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(dir_ / "out/p.sys"), Crlf(TreeHeader("p.spm") + kTree));
  EXPECT_EQ(ReadFile(dir_ / "out/p.h"),
            Crlf(DefHeader("p.spm", "//") + "\n// Menu constants:\n\n#define ROOT 0\n"
                 "#define TOOLMENU 20\n\n// Softkey constants:\n\n#define SPINDLE 0\n"
                 "#define COOLANT 1\n#define TOOLS 2\n#define BACKKEY 3\n"));
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys")));
  EXPECT_FALSE(FileExistsOnDisk(In("p.h")));
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));  // -menu writes no system list
}

// Errors remove the tree file and the system list but keep the constants;
// warnings keep everything; an abandoned project still ends with totals.
TEST_F(ReaderE2E, FailedAndWarnedRuns) {
  WriteFile(In("p.spm"), std::string(kProject) + "PIC stray.pic\n");
  RunResult r = Quillon({"proj/p.spm", "-gensys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("File: proj\\p.spm(18): E8206"), std::string::npos) << r.out;
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys")));
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));
  EXPECT_TRUE(FileExistsOnDisk(In("p.def")));

  WriteFile(In("p.spm"), "QUILLON Project File - Version 1.0\nSKMENU A\nBLANK\nENDSKMENU\n");
  r = Quillon({"proj/p.spm", "-gensys"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("File: proj\\p.spm(4): W8275"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFile(In("p.sys")), Crlf(TreeHeader("p.spm") + "P PLC:\\SOFTKEYS\\\nM 0 B - \n# -1 -\n"));
  EXPECT_EQ(ReadFile(In("QUILLONK.SYS")), "");

  WriteFile(In("p.spm"), "QUILLON Project File - Version 1.0\nTREEFILE QUILLONK.SYS\n"
                         "SKMENU A VROOT\nBLANK\nENDSKMENU\n");
  r = Quillon({"proj/p.spm", "-gensys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("File: proj\\p.spm(2): E8210"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 Error(s), 0 Warning(s)"), std::string::npos) << r.out;
}

TEST_F(ReaderE2E, ScanListsSourcesFromTheStartingDirectory) {
  WriteFile(In("p.spm"), std::string(kProject) + "PIC stray.pic\n");
  RunResult r = Quillon({"proj/p.spm", "-scan"});
  EXPECT_EQ(r.status, 0) << r.out;
  std::string log = ReadFile(In("p.log"));
  EXPECT_EQ(log.substr(0, log.find("File: ")),
            Crlf("File proj\\spindle.pic\nFile proj\\coolant.sk\nFile proj\\back.PIC\n"));
  EXPECT_NE(log.find("File: proj\\p.spm(18): E8206"), std::string::npos) << log;
}

TEST_F(ProjectE2E, ExampleMillMenuTreeAndSystemListsOfBothFamilies) {
  CopyMill();
  RunResult r = Quillon({"mill/mill.spm", "-gensys", "-menu"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(dir_ / "mill/mill.sys"), Crlf(MillTree()));
  const std::string k = "PLC:\\SOFTKEYS\\mill\\";
  // The full run also converts every source and lists it for the control:
  // bitmaps, the PCX picture, the drawing, the text softkeys and the BMX
  // project.
  r = Quillon({"mill/mill.spm", "-gensys"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(dir_ / "mill/QUILLONK.SYS"),
            Crlf(k + "rpm.sk\n" + k + "coolant.sk\n" + k + "tools.sk\n" + k + "back.sk\n" + k +
                 "cw.sk\n" + k + "ccw.sk\n" + k + "stop.sk\n" + k + "jog.sk\n" + k + "spindle.sk\n" +
                 k + "start.sk\n" + k + "feed.sk\n" + k + "spindle.bmx\n"));
  EXPECT_TRUE(FileExistsOnDisk(dir_ / "mill/bmx/spindle.bmx"));
  for (const char* picture :
       {"rpm", "coolant", "tools", "back", "cw", "ccw", "stop", "jog", "spindle", "start", "feed"})
    EXPECT_TRUE(FileExistsOnDisk(dir_ / ("mill/" + std::string(picture) + ".PIC"))) << picture;

  // Controls outside the Orva family name the same softkeys with ".PIC".
  r = Quillon({"mill/mill.spm", "-gensys", "-tZeta300"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(dir_ / "mill/QUILLONK.SYS"),
            Crlf(k + "rpm.PIC\n" + k + "coolant.PIC\n" + k + "tools.PIC\n" + k +
                 "back.PIC\n" + k + "cw.PIC\n" + k + "ccw.PIC\n" + k + "stop.PIC\n" + k +
                 "jog.PIC\n" + k + "spindle.PIC\n" + k + "start.PIC\n" + k + "feed.PIC\n" + k +
                 "spindle.bmx\n"));
  EXPECT_NE(ReadFile(dir_ / "mill/mill.sys").find("G 2 " + k + "tools.PIC - - 1 1 tooltable"),
            std::string::npos);
}

}  // namespace
