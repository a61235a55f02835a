// Times a -gensys run of the real program over N bitmap softkeys in one
// directory against the I/O floor: a loop in this process that reads the same
// N bitmaps and writes N files of the sizes of the record files the run wrote.
// Not a test: it prints one line per size,
//   "<N> softkeys: run <s> s, I/O floor <s> s, ratio <r>, peak memory <KiB> KiB".
//
//   bench_GensysBench [sizes...]      (default 1000 10000)
// Times are the best of three trials; memory is the largest.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchProject.h"
#include "platform/Host.h"

namespace fs = std::filesystem;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Runs the program in dir; its time and peak resident memory in KiB.
double RunProgram(const std::string& program, const fs::path& dir, long& peakKiB) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout)) _exit(127);
    execl(program.c_str(), program.c_str(), "p.spm", "-gensys", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  double seconds = Seconds(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the run ended with status %d (see %s/p.log)\n", status, dir.c_str());
    std::exit(1);
  }
  peakKiB = usage.ru_maxrss;
  return seconds;
}

// Reads every bitmap and writes a file of its record file's size, as plainly
// as a program can.
double IoFloor(const fs::path& dir, int n) {
  std::vector<std::uintmax_t> sizes;
  for (int k = 0; k < n; ++k) sizes.push_back(fs::file_size(dir / "img" / ("sk" + std::to_string(k) + ".PIC")));
  fs::create_directories(dir / "floor");
  std::vector<char> in(1 << 16), out(1 << 16, 'S');
  auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < n; ++k) {
    const std::string name = "sk" + std::to_string(k);
    std::FILE* f = std::fopen((dir / "img" / (name + ".bmp")).c_str(), "rb");
    if (!f) std::exit(1);
    while (std::fread(in.data(), 1, in.size(), f) > 0) {
    }
    std::fclose(f);
    std::FILE* o = std::fopen((dir / "floor" / (name + ".PIC")).c_str(), "wb");
    if (!o) std::exit(1);
    std::fwrite(out.data(), 1, static_cast<std::size_t>(sizes[static_cast<std::size_t>(k)]), o);
    std::fclose(o);
  }
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = q32::ProgramDirectory(argv[0]) + "Quillon32";
  const std::vector<int> sizes = bench::Sizes(argc, argv);
  const fs::path root = bench::FreshRoot("gensys");
  if (root.empty()) return 1;
  // Each size is measured three times in fresh directories and the best of
  // each time kept: the disk's write-back of the files made before (the
  // project, an earlier trial) lands on whatever runs next, so everything
  // written so far is synced before each timing.  Nothing is deleted until
  // the end: freeing thousands of files keeps the disk busy for seconds.
  constexpr int kTrials = 3;
  for (int n : sizes) {
    double run = 0, floor = 0;
    long peakKiB = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
      const fs::path dir = root / (std::to_string(n) + "-" + std::to_string(trial));
      bench::MakeProject(dir, n, /*inMenus=*/false);
      sync();
      long trialKiB = 0;
      const double trialRun = RunProgram(program, dir, trialKiB);
      sync();
      const double trialFloor = IoFloor(dir, n);
      if (trial == 0 || trialRun < run) run = trialRun;
      if (trial == 0 || trialFloor < floor) floor = trialFloor;
      peakKiB = std::max(peakKiB, trialKiB);
    }
    std::printf("%d softkeys: run %.3f s, I/O floor %.3f s, ratio %.2f, peak memory %ld KiB\n", n, run,
                floor, run / floor, peakKiB);
    std::fflush(stdout);
  }
  // The directory and everything in it are this program's own.
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
