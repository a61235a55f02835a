// Helpers shared by the fuzz targets: a scratch directory of this process
// (removed at exit), whole-file writes, a quiet console, and a run with the
// real message catalogue over a fault-injecting file system.
//
// The scratch directory lies under $QUILLON_FUZZ_TMP when set (fuzz/run.sh
// points it at a directory it removes afterwards, so that not even a crashed
// target leaves files behind), else under /dev/shm when present, else /tmp.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "diag/Diagnostics.h"
#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "project/RunContext.h"

namespace q32fuzz {

inline void RemoveScratchDirectory();

// Stops the target the way a sanitizer would, so that libFuzzer keeps the
// input: for broken promises the sanitizers cannot see (a result code
// outside a function's list, a file that should not be there).  The scratch
// directory goes first, as it would at a normal exit.
#define Q32_FUZZ_CHECK(condition)                                                   \
  do {                                                                              \
    if (!(condition)) {                                                             \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      q32fuzz::RemoveScratchDirectory();                                            \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

// Checks of promises whose breaking is known and reported are on only with
// QUILLON_FUZZ_STRICT=1, so that CI shows new findings, not known ones.
inline bool Strict() {
  const char* strict = std::getenv("QUILLON_FUZZ_STRICT");
  return strict && *strict == '1';
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

class ScratchDir {
 public:
  static ScratchDir& Get() {
    static ScratchDir dir;
    return dir;
  }
  const std::string& path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

  // Removes everything in the directory except the names kept.
  void Clear(const std::set<std::string>& keep = {}) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
      if (keep.count(entry.path().filename().string())) continue;
      std::filesystem::remove_all(entry.path(), ec);
    }
  }
  // The names in the directory.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec))
      names.insert(entry.path().filename().string());
    return names;
  }

  ~ScratchDir() { Remove(); }
  void Remove() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }

 private:
  ScratchDir() {
    const char* root = std::getenv("QUILLON_FUZZ_TMP");
    std::string base = root && *root ? root : (std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
    std::string pattern = base + "/q32fuzz.XXXXXX";
    if (!mkdtemp(pattern.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    path_ = pattern;
  }
  std::string path_;
};

// A file system that lets a run create, change and delete files only inside
// the scratch directory: fuzzed inputs name output paths (tree files,
// output locations, "..", absolute paths), and a fuzzer must never write
// elsewhere.  A refused operation fails as a full disk or a missing right
// would, which the program must survive anyway.  Reading stays free.
class ConfinedFileSystem final : public q32::FileSystem {
 public:
  explicit ConfinedFileSystem(q32::FileSystem& inner) : inner_(inner) {}

  std::unique_ptr<q32::File> Open(std::string_view path, q32::FileMode mode) override {
    bool writes = mode == q32::FileMode::WriteBinary || mode == q32::FileMode::WriteText;
    if (writes && !Inside(path)) return nullptr;
    return inner_.Open(path, mode);
  }
  bool Exists(std::string_view path) override { return inner_.Exists(path); }
  bool IsDirectory(std::string_view path) override { return inner_.IsDirectory(path); }
  bool Remove(std::string_view path) override { return Inside(path) && inner_.Remove(path); }
  bool GetCurrentDir(std::string& out) override { return inner_.GetCurrentDir(out); }
  bool SetCurrentDir(std::string_view path) override { return inner_.SetCurrentDir(path); }
  bool FullPath(std::string_view path, std::string& out) override { return inner_.FullPath(path, out); }
  bool FindFiles(std::string_view directory, std::string_view pattern,
                 std::vector<q32::DirectoryEntry>& out) override {
    return inner_.FindFiles(directory, pattern, out);
  }
  bool MakeDirectory(std::string_view path) override { return Inside(path) && inner_.MakeDirectory(path); }

 private:
  bool Inside(std::string_view path) {
    std::string full;
    if (!inner_.FullPath(path, full)) return false;
    const std::string& root = ScratchDir::Get().path();
    return full.size() > root.size() + 1 && full.compare(0, root.size(), root) == 0 && full[root.size()] == '/' &&
           full.find("/../") == std::string::npos;
  }
  q32::FileSystem& inner_;
};

inline void RemoveScratchDirectory() { ScratchDir::Get().Remove(); }

inline void WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Console lines of the runs go nowhere: a fuzzer prints millions of them.
inline std::FILE* NullConsole() {
  static std::FILE* console = std::fopen("/dev/null", "w");
  return console;
}

// Standard output of the whole program (RunCommandLine prints its banner
// there) goes nowhere too; libFuzzer reports on standard error.
inline void SilenceStandardOutput() {
  if (!std::freopen("/dev/null", "w", stdout)) std::perror("freopen");
}

inline std::string CatalogueDirectory() { return std::string(QUILLON_SOURCE_DIR) + "/"; }

// One run over the host file system behind a fault-injecting layer, with
// the real catalogue and, when asked, a log in the scratch directory.
struct QuietRun {
  std::unique_ptr<q32::FileSystem> host = q32::MakeHostFileSystem();
  ConfinedFileSystem confined{*host};
  q32::FaultyFileSystem fs{confined};
  q32::RunContext run{fs};

  explicit QuietRun(bool withLog = true) {
    run.diag.console = NullConsole();
    int code = q32::LoadMessageCatalogue(run.diag, run.settings.errorCount, run.settings.warningCount,
                                         CatalogueDirectory(), q32::kCatalogueName, q32::kCatalogueHeader,
                                         withLog ? ScratchDir::Get() / "run.log" : std::string());
    Q32_FUZZ_CHECK(code == 0);
  }
  ~QuietRun() { q32::CloseMessageCatalogue(run.diag); }
};

}  // namespace q32fuzz

namespace q32fuzz {

// Runs one converter on the input written as `source` in the scratch
// directory.  Afterwards the source must be unchanged and the directory
// may hold nothing but the source, the output named `output` and the log;
// then everything is removed again.  Returns the converter's code and
// whether the output existed.
template <typename Convert>
int ConvertInScratch(std::string_view input, const std::string& source, const std::string& output,
                     Convert convert, bool& outputExists) {
  ScratchDir& dir = ScratchDir::Get();
  dir.Clear();
  WriteWholeFile(dir / source, input);
  int code;
  {
    QuietRun quiet;
    code = convert(quiet.run, dir / source);
  }
  std::set<std::string> names = dir.Names();
  outputExists = names.count(output) != 0;
  names.erase(source);
  names.erase(output);
  names.erase("run.log");
  if (!names.empty()) std::fprintf(stderr, "left behind: %s\n", names.begin()->c_str());
  Q32_FUZZ_CHECK(names.empty());
  Q32_FUZZ_CHECK(ReadWholeFile(dir / source) == input);
  dir.Clear();
  return code;
}

inline bool OneOf(int code, std::initializer_list<int> codes) {
  for (int c : codes)
    if (c == code) return true;
  std::fprintf(stderr, "unexpected result code %d\n", code);
  return false;
}

}  // namespace q32fuzz
