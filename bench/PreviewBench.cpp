// Times the preview of a project of N bitmap softkeys in menus against the
// generator's own -gensys run of the same project: the preview runs that
// generation in memory, so it should cost a small multiple of it, and grow
// with N as the generation does.  Not a test: it prints one line per size,
//   "<N> softkeys: preview <s> s (cpu <s> s) <KiB> KiB, -gensys ..., ratio <r> (cpu <r>)"
// where cpu is the program's user and system time, which the other work of
// a shared machine disturbs less than the wall clock
// and, after two sizes or more, how the preview's time grew against N's.
//
//   bench_PreviewBench [sizes...]      (default 1000 10000)
// Times are the best of five trials (a shared machine disturbs single ones);
// memory (peak resident) is the largest.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchProject.h"
#include "platform/Host.h"

namespace fs = std::filesystem;

namespace {

struct Timing {
  double seconds = 0;  // wall clock
  double cpu = 0;      // user and system time of the program
  long peakKiB = 0;
};

// Runs the program with the words in dir, its output dropped; the status
// must be one of those a run without errors ends with.
Timing Run(const std::vector<std::string>& words, const fs::path& dir, int okStatuses) {
  std::vector<char*> argv;
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout)) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  Timing t;
  t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) > okStatuses) {
    std::fprintf(stderr, "%s ended with status %d in %s\n", words[0].c_str(), status, dir.c_str());
    std::exit(1);
  }
  t.peakKiB = usage.ru_maxrss;
  t.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return t;
}

void Keep(Timing& best, const Timing& trial, bool first) {
  if (first || trial.seconds < best.seconds) best.seconds = trial.seconds;
  if (first || trial.cpu < best.cpu) best.cpu = trial.cpu;
  best.peakKiB = std::max(best.peakKiB, trial.peakKiB);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string programs = q32::ProgramDirectory(argv[0]);
  const std::vector<int> sizes = bench::Sizes(argc, argv);
  const fs::path root = bench::FreshRoot("preview");
  if (root.empty()) return 1;
  constexpr int kTrials = 5;
  std::vector<double> previewTimes;
  for (int n : sizes) {
    Timing preview, gensys;
    for (int trial = 0; trial < kTrials; ++trial) {
      const fs::path dir = root / (std::to_string(n) + "-" + std::to_string(trial));
      bench::MakeProject(dir, n, /*inMenus=*/true);
      sync();
      // The preview keeps its outputs in memory and writes the site; the
      // generation then writes the same outputs beside the project.
      Keep(preview, Run({programs + "Quillon32Preview", "p.spm", "site"}, dir, 1), trial == 0);
      sync();
      Keep(gensys, Run({programs + "Quillon32", "p.spm", "-gensys"}, dir, 0), trial == 0);
    }
    previewTimes.push_back(preview.seconds);
    std::printf(
        "%d softkeys: preview %.3f s (cpu %.3f s) %ld KiB, -gensys %.3f s (cpu %.3f s) %ld KiB, ratio %.2f (cpu %.2f)\n",
        n, preview.seconds, preview.cpu, preview.peakKiB, gensys.seconds, gensys.cpu, gensys.peakKiB,
        preview.seconds / gensys.seconds, preview.cpu / gensys.cpu);
    std::fflush(stdout);
  }
  for (std::size_t i = 1; i < sizes.size(); ++i)
    std::printf("preview of %d against %d softkeys: %.1f times the time for %.1f times the softkeys\n", sizes[i],
                sizes[i - 1], previewTimes[i] / previewTimes[i - 1],
                static_cast<double>(sizes[i]) / sizes[i - 1]);
  // The directory and everything in it are this program's own.
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
