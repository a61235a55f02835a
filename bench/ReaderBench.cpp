// Times -gensys runs of generated softkey projects of growing size, to show
// that reading a project grows linearly with its length.  Not a test: it
// prints one line per size,
//   "<lines> lines (<softkeys> softkeys, <menus> menus): <s> s, <us> us per line",
// each time the best of three runs.
//
//   quillon_bench [catalogue directory]
//
// The catalogue directory defaults to the program's own directory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver/RunDriver.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "run/RunContext.h"

namespace {

constexpr int kSoftkeysPerMenu = 10;

// A project of menus with ten PIC softkeys each; every softkey gets an item,
// and every menu leads on to the next one.
std::string MakeProject(int menus) {
  std::string text = "QUILLON Project File - Version 1.0\n";
  int softkey = 0;
  for (int m = 0; m < menus; ++m) {
    text += "SKMENU M" + std::to_string(m) + (m == 0 ? " VROOT\n" : " HRMENU TITLE:menu\n");
    const int first = softkey;
    for (int k = 0; k < kSoftkeysPerMenu; ++k, ++softkey)
      text += "PIC k" + std::to_string(softkey) + ".pic K" + std::to_string(softkey) + "\n";
    text += "ROWDEF 0 9\n";
    for (int k = first; k < softkey - 1; ++k)
      text += "ACTION K" + std::to_string(k) + " ENABLE:M" + std::to_string(k) + " HELPID:3\n";
    text += "GOTO K" + std::to_string(softkey - 1) + " M" + std::to_string((m + 1) % menus) + "\n";
    text += "ENDSKMENU\n";
  }
  return text;
}

double TimeRun(q32::FileSystem& fs, const std::string& catalogueDir, const std::string& dir,
               const std::string& text) {
  const std::string project = dir + "/bench.spm";
  {
    std::unique_ptr<q32::File> out = fs.Open(project, q32::FileMode::WriteBinary);
    if (!out || !out->WriteText(text) || !out->Close()) {
      std::fprintf(stderr, "cannot write %s\n", project.c_str());
      std::exit(1);
    }
  }
  q32::RunSettings settings;
  settings.programDir = catalogueDir;
  settings.fileCheck = false;
  settings.model = "Zeta300";
  settings.controlFamilyLE = false;
  settings.mode = q32::RunMode::Gensys;
  settings.projectFile = project;
  q32::RunContext run(fs, settings);
  std::FILE* quiet = std::fopen("/dev/null", "w");
  if (quiet) run.diag.console = quiet;
  auto start = std::chrono::steady_clock::now();
  int status = q32::RunGenerator(run);
  auto end = std::chrono::steady_clock::now();
  if (quiet) std::fclose(quiet);
  if (status != 0) {
    std::fprintf(stderr, "run ended with status %d (see %s/bench.log)\n", status, dir.c_str());
    std::exit(1);
  }
  return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  // Absolute, since each run leaves the current directory in its project's.
  std::string catalogueDir = argc > 1 ? std::filesystem::absolute(argv[1]).string() + "/"
                                      : q32::ProgramDirectory(argv[0]);
  std::unique_ptr<q32::FileSystem> fs = q32::MakeHostFileSystem();
  char pattern[] = "/tmp/quillon_bench.XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string dir = pattern;
  for (int scale : {1, 4}) {
    const int menus = 2000 * scale;
    const std::string text = MakeProject(menus);
    const auto lines = std::count(text.begin(), text.end(), '\n');
    double seconds = 0;
    for (int trial = 0; trial < 3; ++trial) {
      const double t = TimeRun(*fs, catalogueDir, dir, text);
      if (trial == 0 || t < seconds) seconds = t;
    }
    std::printf("%ld lines (%d softkeys, %d menus): %.3f s, %.2f us per line\n", static_cast<long>(lines),
                menus * kSoftkeysPerMenu, menus, seconds, 1e6 * seconds / static_cast<double>(lines));
  }
  // The directory and everything in it are this program's own.
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}
