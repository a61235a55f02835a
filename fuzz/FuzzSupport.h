// Helpers shared by the fuzz targets: a quiet console, and runs over an
// in-memory file system that holds the real message catalogue and whatever
// files a target puts there.  Nothing a fuzzed input names (tree files,
// output locations, "..", absolute paths) can reach the disk, and a run
// costs no file I/O.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <set>
#include <string>
#include <string_view>

#include "diag/Diagnostics.h"
#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "run/RunContext.h"
#include "support/MemoryFileSystem.h"

namespace q32fuzz {

// The small PLC project information file of the fuzz targets: two modules,
// a structure type with members, an array of structures, a flag, a
// constant, a text and a local symbol, in both symbol lists.
inline constexpr const char* kSmallPlcFile = "fuzz/corpus/plcfile/small.pj";

// Stops the target the way a sanitizer would, so that libFuzzer keeps the
// input: for broken promises the sanitizers cannot see (a result code
// outside a function's list, a file that should not be there).
#define Q32_FUZZ_CHECK(condition)                                                            \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (0)

// Checks of promises whose breaking is known and reported are on only with
// QUILLON_FUZZ_STRICT=1, so that CI shows new findings, not known ones.
inline bool Strict() { return std::getenv("QUILLON_FUZZ_STRICT") && *std::getenv("QUILLON_FUZZ_STRICT") == '1'; }

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A file of the source tree (seeds, the example project, the catalogue),
// read from disk while a target sets itself up.
inline std::string SourceFile(const std::string& relative) {
  std::ifstream in(std::string(QUILLON_SOURCE_DIR) + "/" + relative, std::ios::binary);
  Q32_FUZZ_CHECK(in.good());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Where the in-memory file system keeps the catalogue, and where the
// targets put their inputs.
constexpr const char* kCatalogueDir = "/program/";
constexpr const char* kWorkDir = "/work";

inline const std::string& CatalogueBytes() {
  static const std::string bytes = SourceFile(q32::kCatalogueName);
  return bytes;
}

// An in-memory file system with the catalogue in its place and the work
// directory as the current one.  Targets copy it for every input: the copy
// shares the bytes of its files, and a write always makes new ones.
inline const q32test::MemoryFileSystem& BaseFileSystem() {
  static const q32test::MemoryFileSystem base = [] {
    q32test::MemoryFileSystem memory;
    memory.AddFile(std::string(kCatalogueDir) + q32::kCatalogueName, CatalogueBytes());
    memory.AddDirectory(kWorkDir);
    Q32_FUZZ_CHECK(memory.SetCurrentDir(kWorkDir));
    return memory;
  }();
  return base;
}

inline std::string InWork(std::string_view name) { return std::string(kWorkDir) + "/" + std::string(name); }

// Console lines of the runs go nowhere: a fuzzer prints millions of them.
inline std::FILE* NullConsole() {
  static std::FILE* console = std::fopen("/dev/null", "w");
  return console;
}

// One run over an in-memory file system (behind the fault-injecting layer
// that the tests use), with the real catalogue and, when asked, a log in the
// work directory.
struct QuietRun {
  q32::FaultyFileSystem fs;
  q32::RunContext run{fs, q32::RunSettings{}};

  explicit QuietRun(q32test::MemoryFileSystem& memory, bool withLog = true) : fs(memory) {
    run.diag.console = NullConsole();
    const q32::CatalogueLoad load = q32::LoadMessageCatalogue(run.diag, kCatalogueDir, q32::kCatalogueName,
                                                              q32::kCatalogueHeader,
                                                              withLog ? InWork("run.log") : std::string());
    Q32_FUZZ_CHECK(load == q32::CatalogueLoad::Loaded);
  }
  ~QuietRun() { q32::CloseMessageCatalogue(run.diag); }
};

inline bool OneOf(int code, std::initializer_list<int> codes) {
  if (std::find(codes.begin(), codes.end(), code) != codes.end()) return true;
  std::fprintf(stderr, "unexpected result code %d\n", code);
  return false;
}

// Runs one converter on the input stored as `source` in the work directory.
// Afterwards the code must be one of `codes`, a code of 0 must have left the
// output named `output`, the source must be unchanged and the file system may
// hold nothing new but that output and the log.  Returns the converter's code
// and whether the output exists.
struct Converted {
  int code;
  bool output;
};
template <typename Convert>
Converted ConvertInScratch(const std::uint8_t* data, std::size_t size, const std::string& source,
                           const std::string& output, std::initializer_list<int> codes, Convert convert) {
  const std::string input(AsText(data, size));
  q32test::MemoryFileSystem memory = BaseFileSystem();
  memory.AddFile(InWork(source), input);
  Converted done;
  {
    QuietRun quiet(memory);
    done.code = q32::Number(convert(quiet.run, InWork(source)));
  }
  done.output = memory.FileBytes(InWork(output)) != nullptr;
  Q32_FUZZ_CHECK(OneOf(done.code, codes) && (done.code != 0 || done.output));
  const std::set<std::string> expected = {"/program", std::string(kCatalogueDir) + q32::kCatalogueName, kWorkDir,
                                          InWork(source), InWork(output), InWork("run.log")};
  for (const std::string& name : memory.Names())
    if (!expected.count(name)) std::fprintf(stderr, "left behind: %s\n", name.c_str()), std::abort();
  const std::string* after = memory.FileBytes(InWork(source));
  Q32_FUZZ_CHECK(after && *after == input);
  return done;
}

// Calls line(text) for each of the first `most` lines of the input, without
// their line ends.
template <typename Line>
void ForEachLine(std::string_view input, int most, Line line) {
  for (std::size_t start = 0, end; most-- > 0 && start <= input.size(); start = end + 1) {
    end = std::min(input.find('\n', start), input.size());
    line(input.substr(start, end - start));
  }
}

}  // namespace q32fuzz
