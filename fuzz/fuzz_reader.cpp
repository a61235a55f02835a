// The whole program on a small project tree: the input is the project file
// of a -gensys run, made in-process through the command line, beside a few
// fixed sources (those of the example project: bitmaps, text softkeys, a
// drawing, a BMX project; and a PCX picture) and a PLC project information
// file.  After each run: the exit status is one the
// program documents, a failed run left neither its system list nor its tree
// file, and nothing was written outside the scratch directory (the file
// system refuses that).
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "SmallPlcFile.h"
#include "cli/CommandLine.h"

namespace {

struct Tree {
  std::string root, project;
  std::map<std::string, std::string> fixed;  // path below the project -> bytes
  std::set<std::string> directories;         // directories below the project
  std::string cwd;

  Tree() {
    auto& dir = q32fuzz::ScratchDir::Get();
    root = dir.path();
    project = dir / "proj";
    // The example project's sources (bitmaps, text softkeys, a drawing, a
    // BMX project with its language directory) ...
    const std::filesystem::path examples = std::string(QUILLON_SOURCE_DIR) + "/examples/mill";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(examples)) {
      std::string relative = std::filesystem::relative(entry.path(), examples).string();
      if (entry.is_directory()) directories.insert(relative);
      else if (relative != "mill.spm") fixed[relative] = q32fuzz::ReadWholeFile(entry.path().string());
    }
    // ... a PCX picture, a PLC project file and a file to include.
    const std::string seeds = std::string(QUILLON_SOURCE_DIR) + "/fuzz/corpus/";
    fixed["logo.pcx"] = q32fuzz::ReadWholeFile(seeds + "pcx/checker-77x48.pcx");
    fixed["machine.pj"] = q32fuzz::SmallPlcFile();
    fixed["common.inc"] = "; shared softkeys\nBMP stop.bmp STOPKEY\n";
    char buffer[4096];
    Q32_FUZZ_CHECK(getcwd(buffer, sizeof buffer) != nullptr);
    cwd = buffer;
  }
  void WriteFixed() {
    for (const std::string& d : directories) std::filesystem::create_directories(project + "/" + d);
    for (const auto& [name, bytes] : fixed) q32fuzz::WriteWholeFile(project + "/" + name, bytes);
  }
  // Removes what the run made: every file and directory that is not fixed.
  void RemoveOutputs() {
    std::error_code ec;
    std::vector<std::filesystem::path> doomed;
    for (auto it = std::filesystem::recursive_directory_iterator(project, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (ec) break;
      std::string relative = std::filesystem::relative(it->path(), project, ec).string();
      bool keep = it->is_directory(ec) ? directories.count(relative) != 0 : fixed.count(relative) != 0;
      if (!keep) {
        doomed.push_back(it->path());
        if (it->is_directory(ec)) it.disable_recursion_pending();
      }
    }
    for (const auto& path : doomed) std::filesystem::remove_all(path, ec);
  }
};

Tree& TheTree() {
  static Tree tree;
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  q32fuzz::SilenceStandardOutput();
  TheTree().WriteFixed();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Tree& tree = TheTree();
  std::string_view input = q32fuzz::AsText(data, size);
  const std::string projectFile = tree.project + "/mill.spm";
  q32fuzz::WriteWholeFile(projectFile, input);

  std::vector<std::string> args = {"Quillon32", projectFile, "-gensys", "-pj" + tree.project + "/machine.pj",
                                   "-aA=1,B=$1F,MACHINE=\"Mill\""};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int status;
  {
    std::unique_ptr<q32::FileSystem> host = q32::MakeHostFileSystem();
    q32fuzz::ConfinedFileSystem confined{*host};
    q32::FaultyFileSystem fs{confined};
    status = q32::RunCommandLine(static_cast<int>(args.size()), argv.data(), fs);
  }
  // The run works in the project's directory; the next one starts where
  // this one did.
  Q32_FUZZ_CHECK(chdir(tree.cwd.c_str()) == 0);

  if (status < 0 || status > 2) std::fprintf(stderr, "exit status %d\n", status);
  Q32_FUZZ_CHECK(status >= 0 && status <= 2);
  // A project may name any file as its tree file or definitions, the
  // sources beside it included, and the run then writes it: the fixed files
  // are put back.  The project file itself is always an input and must
  // never be written over; until every output is checked against the run's
  // inputs, that check is on only with QUILLON_FUZZ_STRICT=1.
  for (const auto& [name, bytes] : tree.fixed)
    if (q32fuzz::ReadWholeFile(tree.project + "/" + name) != bytes)
      q32fuzz::WriteWholeFile(tree.project + "/" + name, bytes);
  if (q32fuzz::Strict() && q32fuzz::ReadWholeFile(projectFile) != input) {
    std::fprintf(stderr, "the run wrote over its project file\n");
    Q32_FUZZ_CHECK(false);
  }
  if (status == 2) {
    // A failed run deletes the system list and the tree file it created;
    // the log stays to explain why.
    Q32_FUZZ_CHECK(!std::filesystem::exists(tree.project + "/QUILLONK.SYS"));
    Q32_FUZZ_CHECK(!std::filesystem::exists(tree.project + "/mill.sys"));
  }
  tree.RemoveOutputs();
  // Outputs named with ".." land beside the project directory.
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(tree.root, ec))
    if (entry.path().filename() != "proj") std::filesystem::remove_all(entry.path(), ec);
  return 0;
}
