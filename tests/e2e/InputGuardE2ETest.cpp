// No output lands on one of the run's inputs, through the real executable:
// a softkey named like its own source in other letters, a tree file or a
// constants file named like the project or a file the command line names, a
// log named like the project, a BMX picture named like the image, and links
// that lead to an input under another name.  Each such output is refused
// with 8220 (8326 for BMX images) naming it, the run ends with status 2, and
// the input keeps its bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/HardeningSources.h"
#include "support/PlcFileBuilder.h"
#include "support/TestSupport.h"

using namespace q32test;
namespace fs = std::filesystem;

namespace {

const char* const kHeader = "QUILLON Project File - Version 1.0\n";

std::string Project(const std::string& settings, const std::string& softkeys) {
  return kHeader + settings + "SKMENU MAIN HROOT\n" + softkeys + "BLANK\nENDSKMENU\n";
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class InputGuardE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SOURCE_DATE_EPOCH", "0", 1);
    fs::create_directories(dir_ / "proj");
  }
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }
  std::string In(const std::string& name) const { return dir_ / ("proj/" + name); }
  void Put(const std::string& name, const std::string& bytes) const { WriteFile(In(name), bytes); }
  RunResult Run(const std::string& project, std::vector<std::string> options) const {
    options.insert(options.begin(), "proj/" + project);
    return RunQuillon(options, dir_.path());
  }

  TempDir dir_;
};

// A picture whose softkey would be its own name with ".PIC": the control's
// file system does not tell the two apart, so the picture is kept and the
// softkey refused at its line (the converters leave reporting to the
// project reader); the run goes on with the next line.
TEST_F(InputGuardE2E, PictureNamedLikeItsSoftkey) {
  const std::string bitmap = MonochromeBitmap(), pcx = RunLengthPcx();
  Put("logo.pic", bitmap);
  Put("shot.Pic", pcx);
  Put("good.bmp", bitmap);
  Put("p.spm", Project("", "BMP logo.pic LOGO\nPCX shot.Pic SHOT\nBMP good.bmp GOOD\n"));

  RunResult r = Run("p.spm", {"-gensys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("logo.pic")), bitmap);
  EXPECT_EQ(ReadFile(In("shot.Pic")), pcx);
  const std::string log = ReadFile(In("p.log"));
  EXPECT_TRUE(Contains(log, "File: proj\\p.spm(3): E8220: Error opening file\r\n"
                            "File: proj\\p.spm(4): E8220: Error opening file\r\n"))
      << log;
  // The next line was converted; the failed run then deleted its outputs but
  // not the softkeys.
  EXPECT_TRUE(FileExistsOnDisk(In("good.PIC")));
  EXPECT_TRUE(Contains(r.out, "File: proj\\p.spm(3): E8220")) << r.out;
}

// Links: a tree file that is a symbolic link to the project, and a softkey
// whose name is a hard link to its source.  The names differ, the file is one.
TEST_F(InputGuardE2E, TreeFileLinkedToTheProject) {
  const std::string project = Project("", "SOFTKEY ok.PIC\n");
  Put("p.spm", project);
  Put("ok.PIC", "x");
  fs::create_symlink("p.spm", In("p.sys"));

  RunResult r = Run("p.spm", {"-gensys", "-nogensksys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("p.spm")), project);
  EXPECT_TRUE(fs::is_symlink(In("p.sys")));
  EXPECT_TRUE(Contains(ReadFile(In("p.log")), "File: proj\\p.sys: E8220: Error opening file\r\n"))
      << ReadFile(In("p.log"));
}

// A source line that names the run's own tree file reads back an output,
// not an input: the failed run still deletes the tree file it created.
TEST_F(InputGuardE2E, TreeFileReadBackAsASource) {
  Put("p.spm", Project("", "TXS p.sys FEED\nUNKNOWNKEYWORD\n"));

  RunResult r = Run("p.spm", {"-gensys", "-nogensksys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys"))) << r.out;
  EXPECT_TRUE(FileExistsOnDisk(In("p.log")));
}

TEST_F(InputGuardE2E, SoftkeyThroughAHardLink) {
  const std::string bitmap = MonochromeBitmap();
  Put("pic.bmp", bitmap);
  fs::create_hard_link(In("pic.bmp"), In("pic.PIC"));
  Put("p.spm", Project("", "BMP pic.bmp PIC\n"));

  RunResult r = Run("p.spm", {"-gensys", "-nogensksys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("pic.bmp")), bitmap);
  EXPECT_TRUE(Contains(ReadFile(In("p.log")), "File: proj\\p.spm(3): E8220: Error opening file\r\n"));
}

// A tree file named like the project, written with "." and ".." and in other
// letters, is the project.
TEST_F(InputGuardE2E, TreeFileNamedLikeTheProject) {
  fs::create_directories(In("sub"));
  const std::string project = Project("TREEFILE .\\sub\\..\\P.SPM\n", "SOFTKEY ok.PIC\n");
  Put("p.spm", project);
  Put("ok.PIC", "x");

  RunResult r = Run("p.spm", {"-gensys", "-nogensksys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("p.spm")), project);
  EXPECT_TRUE(Contains(ReadFile(In("p.log")),
                       "File: proj\\P.SPM: E8220: Error opening file\r\n"))
      << ReadFile(In("p.log"));
}

// A constants file named like the configuration defines the run read, and
// like the project itself.
TEST_F(InputGuardE2E, ConstantsFileNamedLikeAnInput) {
  const std::string cfg = "VARIANT\n";
  Put("variant.cfg", cfg);
  Put("ok.PIC", "x");
  for (const std::string& named : {std::string("VARIANT.CFG"), std::string("p.spm")}) {
    SCOPED_TRACE(named);
    const std::string project = Project("DEFFILE " + named + "\n", "SOFTKEY ok.PIC OK\n");
    Put("p.spm", project);
    RunResult r = Run("p.spm", {"-gensys", "-nogensksys", "-rproj/variant.cfg"});
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_EQ(ReadFile(In("variant.cfg")), cfg);
    EXPECT_EQ(ReadFile(In("p.spm")), project);
    EXPECT_TRUE(Contains(ReadFile(In("p.log")), "File: proj\\" + named + ": E8220: Error opening file\r\n"))
        << ReadFile(In("p.log"));
  }
}

// The log is created before anything is read, from the project's name: only
// a project whose own name ends in ".log", or a file of the command line
// named like the log, meets it.  The run then has no log; the console names
// the log, and nothing else is written.
TEST_F(InputGuardE2E, LogNamedLikeAnInput) {
  const std::string project = Project("", "SOFTKEY ok.PIC OK\n");
  Put("p.log", project);
  Put("ok.PIC", "x");
  RunResult r = Run("p.log", {"-gensys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("p.log")), project);
  EXPECT_TRUE(Contains(r.out, "File: proj/p.log: E8220: Error opening file")) << r.out;
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys")));

  // A configuration file named like the log of the project.
  Put("p.spm", project);
  const std::string cfg = "VARIANT\n";
  Put("P.LOG", cfg);
  fs::remove(In("p.log"));
  r = Run("p.spm", {"-gensys", "-rproj/P.LOG"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("P.LOG")), cfg);
  EXPECT_TRUE(Contains(r.out, "File: proj/p.log: E8220: Error opening file")) << r.out;
}

// A BMX picture named like the image the project generates: the pictures are
// read after the image is created, so they are made inputs first.
TEST_F(InputGuardE2E, BmxPictureNamedLikeTheImage) {
  const std::string background = TrueColourBitmap(0x102030);
  const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n";
  Put("bg.bmp", background);
  Put("key.BMX", svg);
  Put("key.bpj", "; BMX Project File - Version 2.0\nBMX\nBMP bg.bmp\nSVG key.BMX\nENDSVG\nENDBMX\n");
  Put("p.spm", Project("", "BPJ key.bpj KEY\n"));

  RunResult r = Run("p.spm", {"-gensys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("key.BMX")), svg);
  EXPECT_TRUE(Contains(ReadFile(In("p.log")), "key.bmx: E8326: Output file cannot be created\r\n"))
      << ReadFile(In("p.log"));
}

}  // namespace

namespace {

// Included files are inputs: a constants file named like an include read
// before it is created, and a default run over an include whose generated
// project would be the include itself (its name already ends in ".spj").
TEST_F(InputGuardE2E, IncludedFilesAreInputs) {
  const std::string paths = "SKPATH PLC:\\SOFTKEYS\\mill\n";
  Put("paths.spi", paths);
  Put("ok.PIC", "x");
  Put("p.spm", std::string(kHeader) + "DEFFILE Paths.Spi\n#INCLUDE paths.spi\n" +
                   "SKMENU MAIN HROOT\nSOFTKEY ok.PIC OK\nBLANK\nENDSKMENU\n");
  RunResult r = Run("p.spm", {"-gensys", "-nogensksys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("paths.spi")), paths);
  EXPECT_TRUE(Contains(ReadFile(In("p.log")), "File: proj\\Paths.Spi: E8220: Error opening file\r\n"))
      << ReadFile(In("p.log"));

  const std::string menu = "SKMENU SUB HRMENU\nSOFTKEY ok.PIC\nENDSKMENU\n";
  Put("sub.SPJ", menu);
  Put("p.spm", std::string(kHeader) + "SKMENU MAIN HROOT\nNODE OK SUB\nSOFTKEY ok.PIC OK\nENDSKMENU\n" +
                   "#INCLUDE sub.SPJ PLC:\\menus\n");
  Put("p.pj", PlcFileBuilder{}.Build());
  r = Run("p.spm", {"-pjproj/p.pj"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("sub.SPJ")), menu);
  EXPECT_TRUE(Contains(r.out, "File: proj\\sub.spj: E8220: Error opening file")) << r.out;
}

}  // namespace
