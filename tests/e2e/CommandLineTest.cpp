// The command line and the run driver, through the real executable.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TestSupport.h"

using namespace q32test;
namespace fs = std::filesystem;

namespace {

const char* kHeader = "QUILLON Project File - Version 1.0\n";

std::string UsageText() {
  return "Quillon Generator 5.91:\n"
         "\n"
         "Quillon32 <project file> [-t<model>] [-pj<_PJ file>] [switch(es)]\n"
         "\n"
         "<project file>   : Softkey project file\n"
         "-t<model>        : Control model (default: Orva710)\n"
         "-pj<file>        : PLC project information file for post processing,\n"
         "                   symbol checking and conditional generation\n"
         "-r<cfg file>     : File with configuration defines\n"
         "-a<defines>      : List with additional defines\n"
         "-l<dir>          : Path of the .inc language files for BPJ conversion\n"
         "-dp<dir>         : Destination path\n"
         "Switch(es):\n"
         "-gensys          : Generation of system files\n"
         "-check           : Syntax check of SPJ file/file check\n"
         "-scan            : Scan for sources (Result in .log file)\n"
         "-gendef          : Only generation of soft-key constants definition\n"
         "\n"
         "-post            : Post processing of PLC symbols\n"
         "-menu            : Only generation of soft-key menu\n"
         "-nofilecheck     : Do not check existance of files\n"
         "-nogendef        : No generation of soft-key constants definition\n"
         "-nogensksys      : No generation of soft-key .sys list\n"
         "-ver             : Displays version information\n"
         "\n"
         "Example: Quillon32 project1.spm -menu\n";
}

// A copy of the executable in its own directory, so that the catalogue beside
// it can be missing or replaced.
std::string CopyProgram(const TempDir& dir, const std::string& catalogue, bool withCatalogue) {
  std::string exe = dir / "bin/Quillon32";
  fs::create_directories(dir / "bin");
  fs::copy_file(ExecutableDir() + "/Quillon32", exe);
  if (withCatalogue) WriteFile(dir / "bin/Quillon32.err", catalogue);
  return exe;
}

}  // namespace

TEST(CommandLine, EveryUsageErrorPrintsTheUsageTextWithStatus3) {
  TempDir dir;
  WriteFile(dir / "p.spm", kHeader);
  // No argument, a question mark, letters outside the table or only the
  // start of a known word, EMB in lower case, -check and the default run
  // without -pj, no project file, empty words, digits, E, D and C that begin
  // no option.
  const std::vector<std::vector<std::string>> shapes = {
      {}, {"?"}, {"p.spm", "-x"}, {"p.spm", "-gensystem"}, {"p.spm", "-emb1"}, {"p.spm", "-check"},
      {"p.spm"}, {"-gensys"}, {"p.spm", "-"}, {"p.spm", "-G"}, {"p.spm", "-7"}, {"p.spm", "-EX"},
      {"p.spm", "-dpx", "-Dq"}, {"p.spm", "-cx"}, {"p.spm", "-posting"}, {"p.spm", "-gensys", "?x"},
  };

  for (const auto& args : shapes) {
    RunResult r = RunQuillon(args, dir.path());
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    EXPECT_EQ(3, r.status) << shown;
    EXPECT_EQ(UsageText(), r.out) << shown;
  }
}

TEST(CommandLine, VersionBannerAndEmbedding) {
  TempDir dir;
  WriteFile(dir / "p.spm", kHeader);
  RunResult v = RunQuillon({"-ver"}, dir.path());
  EXPECT_EQ(0, v.status);
  EXPECT_EQ("Version: 5.91\n", v.out);
  // -ver ends the scan with status 0 even when other options follow.
  v = RunQuillon({"p.spm", "/VER", "-x"}, dir.path());
  EXPECT_EQ(0, v.status);
  EXPECT_EQ("Version: 5.91\n", v.out);
  // ... but an earlier usage error wins.
  EXPECT_EQ(3, RunQuillon({"-x", "-ver"}, dir.path()).status);

  RunResult banner = RunQuillon({"p.spm", "-GenSys"}, dir.path());
  EXPECT_EQ(0, banner.status) << banner.out;
  EXPECT_EQ(0u, banner.out.find(" Quillon32  V5.91")) << banner.out;
  RunResult quiet = RunQuillon({"p.spm", "/GENSYS", "-EMB1"}, dir.path());
  EXPECT_EQ(0, quiet.status) << quiet.out;
  EXPECT_EQ(std::string::npos, quiet.out.find("Quillon32  V5.91")) << quiet.out;
  // Mixed case, slash switches and a POSIX absolute project path.
  RunResult absolute = RunQuillon({"/GENSYS", dir / "p.spm", "-Nogendef", "-EMB0"}, dir.path());
  EXPECT_EQ(0, absolute.status) << absolute.out;
}

TEST(CommandLine, CatalogueProblemsEndWithStatus3) {
  TempDir dir;
  WriteFile(dir / "p.spm", kHeader);
  std::string good = ReadFile(ExecutableDir() + "/Quillon32.err");

  std::string exe = CopyProgram(dir, "", false);
  RunResult missing = RunCommand("'" + exe + "' p.spm -gensys -EMB1", dir.path());
  EXPECT_EQ(3, missing.status);
  EXPECT_NE(std::string::npos, missing.out.find("Fatal: Messagefile ")) << missing.out;
  EXPECT_NE(std::string::npos, missing.out.find("Quillon32.err cannot be opened!\n\n")) << missing.out;

  // One blank before "Version" is another file.
  std::string wrong = "QUILLON error messages file Version 1.0\n" + good.substr(good.find('\n') + 1);
  WriteFile(dir / "bin/Quillon32.err", wrong);
  RunResult invalid = RunCommand("'" + exe + "' p.spm -gensys -EMB1", dir.path());
  EXPECT_EQ(3, invalid.status);
  EXPECT_NE(std::string::npos, invalid.out.find("Fatal: Invalid version of messagefile: ")) << invalid.out;
  EXPECT_FALSE(FileExistsOnDisk(dir / "p.log"));

  // A log in a directory that does not exist.
  WriteFile(dir / "bin/Quillon32.err", good);
  RunResult nolog = RunCommand("'" + exe + "' nodir/p.spm -gensys -EMB1", dir.path());
  EXPECT_EQ(3, nolog.status);
  EXPECT_NE(std::string::npos, nolog.out.find("Fatal: Directory nodir")) << nolog.out;
}

TEST(CommandLine, CatalogueLabelsAndUnknownCodes) {
  TempDir dir;
  // A catalogue that renames its labels and lacks the text of 8203.
  std::string catalogue =
      "QUILLON error messages file  Version 1.0\n"
      "ERRORNO \"Message number\"\n"
      "FILE Datei\n"
      "2 \"%d Error(s), %d Warning(s)\"\n"
      "5 \"Generating ...\"\n";
  std::string exe = CopyProgram(dir, catalogue, true);
  WriteFile(dir / "p.spm", "QUILLON Project File\n");
  RunResult r = RunCommand("'" + exe + "' p.spm -gensys -EMB1 -nogensksys", dir.path());
  EXPECT_EQ(2, r.status) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("Datei: p.spm(1): Message number: 8203\n")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("1 Error(s), 0 Warning(s)")) << r.out;
  // The log holds the report and the totals.
  std::string log = ReadFile(dir / "p.log");
  EXPECT_NE(std::string::npos, log.find("Datei: p.spm(1): Message number: 8203\r\n")) << log;
  EXPECT_NE(std::string::npos, log.find("1 Error(s), 0 Warning(s)")) << log;
}

TEST(RunDriver, StatusesAndTheFilesAFailedRunDeletes) {
  TempDir dir;
  WriteFile(dir / "good.spm", kHeader);
  WriteFile(dir / "bad.spm", "QUILLON project file - version 1.0\n");  // lower case: refused
  WriteFile(dir / "empty.spm", "");

  RunResult ok = RunQuillon({"good.spm", "-gensys", "-EMB1"}, dir.path());
  EXPECT_EQ(0, ok.status) << ok.out;
  EXPECT_TRUE(FileExistsOnDisk(dir / "QUILLONK.SYS"));
  EXPECT_TRUE(FileExistsOnDisk(dir / "good.log"));

  // Errors: the system list this run created goes.
  RunResult bad = RunQuillon({"bad.spm", "-gensys", "-EMB1"}, dir.path());
  EXPECT_EQ(2, bad.status) << bad.out;
  EXPECT_NE(std::string::npos, bad.out.find("bad.spm(1): E8203")) << bad.out;
  EXPECT_FALSE(FileExistsOnDisk(dir / "QUILLONK.SYS"));

  // With -menu an existing system list is left alone.
  WriteFile(dir / "QUILLONK.SYS", "keep\n");
  EXPECT_EQ(2, RunQuillon({"bad.spm", "-gensys", "-menu", "-EMB1"}, dir.path()).status);
  EXPECT_EQ("keep\n", ReadFile(dir / "QUILLONK.SYS"));

  RunResult empty = RunQuillon({"empty.spm", "-gensys", "-menu", "-EMB1"}, dir.path());
  EXPECT_EQ(2, empty.status);
  EXPECT_NE(std::string::npos, empty.out.find("empty.spm: E8202")) << empty.out;

  RunResult missing = RunQuillon({"none.spm", "-gensys", "-EMB1"}, dir.path());
  EXPECT_EQ(2, missing.status);
  EXPECT_NE(std::string::npos, missing.out.find("none.spm: E8200")) << missing.out;

  // A scanning run ends with 0 whatever it reports, and prints no totals.
  RunResult scan = RunQuillon({"bad.spm", "-scan", "-EMB1"}, dir.path());
  EXPECT_EQ(0, scan.status) << scan.out;
  EXPECT_EQ(std::string::npos, scan.out.find("Error(s)")) << scan.out;

  // The default run refuses a generated project as its input ...
  WriteFile(dir / "p.SPJ", kHeader);
  RunResult spj = RunQuillon({"p.SPJ", "-pjx._PJ", "-EMB1"}, dir.path());
  EXPECT_EQ(2, spj.status) << spj.out;
  EXPECT_NE(std::string::npos, spj.out.find("E8280")) << spj.out;
  // ... and ends with 1 when its generated project cannot be created.
  fs::create_directories(dir / "good.spj");
  RunResult noout = RunQuillon({"good.spm", "-pjx._PJ", "-EMB1"}, dir.path());
  EXPECT_EQ(1, noout.status) << noout.out;
  EXPECT_NE(std::string::npos, noout.out.find("good.spj: E8220")) << noout.out;
  EXPECT_TRUE(fs::is_directory(dir / "good.spj"));
}

TEST(RunDriver, ProjectInASubdirectoryGivenWithBackslashes) {
  TempDir dir;
  WriteFile(dir / "sub/proj.spm", "QUILLON Project\n");
  RunResult r = RunQuillon({"sub\\proj.spm", "-gensys", "-EMB1"}, dir.path());
  EXPECT_EQ(2, r.status) << r.out;
  // Log and outputs beside the project; messages relative to the start.
  EXPECT_TRUE(FileExistsOnDisk(dir / "sub/proj.log"));
  EXPECT_NE(std::string::npos, r.out.find("File: sub\\proj.spm(1): E8203")) << r.out;
  EXPECT_NE(std::string::npos, ReadFile(dir / "sub/proj.log").find("sub\\proj.spm(1): E8203"));
  EXPECT_FALSE(FileExistsOnDisk(dir / "sub/QUILLONK.SYS"));

  // A name written in other letter case is found as Windows would find it.
  WriteFile(dir / "Sub/Proj.spm", kHeader);
  RunResult ok = RunQuillon({"SUB\\PROJ.SPM", "-gensys", "-EMB1"}, dir.path());
  EXPECT_EQ(0, ok.status) << ok.out;
  EXPECT_TRUE(FileExistsOnDisk(dir / "Sub/QUILLONK.SYS"));
}

TEST(RunDriver, BadInputNeverCrashes) {
  TempDir dir;
  std::string longName(600, 'a');
  RunResult r = RunQuillon({longName + ".spm", "-gensys", "-EMB1", "-t" + longName,
                            "-dp" + longName, "-o" + longName, "-a" + longName},
                           dir.path());
  EXPECT_TRUE(r.status == 2 || r.status == 3) << r.out;

  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37) & 0xFF);
  WriteFile(dir / "bin.spm", binary);
  RunResult b = RunQuillon({"bin.spm", "-gensys", "-EMB1"}, dir.path());
  EXPECT_EQ(2, b.status) << b.out;
  EXPECT_NE(std::string::npos, b.out.find("E8203")) << b.out;

  // A catalogue line of more than 4095 characters.
  std::string catalogue = ReadFile(ExecutableDir() + "/Quillon32.err");
  std::size_t afterHeader = catalogue.find('\n') + 1;
  catalogue.insert(afterHeader, "8203 \"" + std::string(9000, 'x') + "\"\n");
  std::string exe = CopyProgram(dir, catalogue, true);
  WriteFile(dir / "p.spm", "nonsense\n");
  RunResult c = RunCommand("'" + exe + "' p.spm -gensys -EMB1", dir.path());
  EXPECT_EQ(2, c.status) << c.out;
}
