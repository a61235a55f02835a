// The whole program on a small project tree: the input is the project file
// of a -gensys run, made in-process through the command line, beside a few
// fixed sources (a text softkey, a drawing, a bitmap, a PCX picture) and a
// PLC project information file.  After each run: the exit status is one the
// program documents, the fixed files are unchanged, nothing was written
// outside the project directory, and a failed run left none of its outputs.
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
  std::map<std::string, std::string> fixed;  // name -> bytes
  std::set<std::string> fixedNames;
  std::string cwd;

  Tree() {
    auto& dir = q32fuzz::ScratchDir::Get();
    root = dir.path();
    project = dir / "proj";
    std::filesystem::create_directories(project);
    const std::string examples = std::string(QUILLON_SOURCE_DIR) + "/examples/mill/";
    const std::string seeds = std::string(QUILLON_SOURCE_DIR) + "/fuzz/corpus/";
    fixed["start.txs"] = q32fuzz::ReadWholeFile(examples + "start.txs");
    fixed["feed.txm"] = q32fuzz::ReadWholeFile(examples + "feed.txm");
    fixed["spindle.dxf"] = q32fuzz::ReadWholeFile(examples + "spindle.dxf");
    fixed["logo.bmp"] = q32fuzz::ReadWholeFile(seeds + "bitmap/checker-77x48.bmp");
    fixed["logo.pcx"] = q32fuzz::ReadWholeFile(seeds + "pcx/checker-77x48.pcx");
    fixed["machine.pj"] = q32fuzz::SmallPlcFile();
    fixed["common.inc"] = "; shared softkeys\n";
    for (const auto& [name, bytes] : fixed) fixedNames.insert(name);
    char buffer[4096];
    Q32_FUZZ_CHECK(getcwd(buffer, sizeof buffer) != nullptr);
    cwd = buffer;
  }
  void WriteFixed() {
    for (const auto& [name, bytes] : fixed) q32fuzz::WriteWholeFile(project + "/" + name, bytes);
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
    q32::FaultyFileSystem fs{*host};
    status = q32::RunCommandLine(static_cast<int>(args.size()), argv.data(), fs);
  }
  // The run works in the project's directory; the next one starts where
  // this one did.
  Q32_FUZZ_CHECK(chdir(tree.cwd.c_str()) == 0);

  if (status < 0 || status > 2) std::fprintf(stderr, "exit status %d\n", status);
  Q32_FUZZ_CHECK(status >= 0 && status <= 2);
  Q32_FUZZ_CHECK(q32fuzz::ScratchDir::Get().Names() == std::set<std::string>{"proj"});
  for (const auto& [name, bytes] : tree.fixed) {
    if (q32fuzz::ReadWholeFile(tree.project + "/" + name) != bytes)
      std::fprintf(stderr, "input %s was changed by the run\n", name.c_str());
    Q32_FUZZ_CHECK(q32fuzz::ReadWholeFile(tree.project + "/" + name) == bytes);
  }
  Q32_FUZZ_CHECK(q32fuzz::ReadWholeFile(projectFile) == input);
  std::set<std::string> keep = tree.fixedNames;
  keep.insert("mill.spm");
  keep.insert("mill.log");
  if (status == 2) {
    // A failed run deletes the system list and the tree file it created;
    // the log stays to explain why.
    Q32_FUZZ_CHECK(!std::filesystem::exists(tree.project + "/QUILLONK.SYS"));
    Q32_FUZZ_CHECK(!std::filesystem::exists(tree.project + "/mill.sys"));
  }
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(tree.project, ec)) {
    std::string name = entry.path().filename().string();
    if (!keep.count(name)) std::filesystem::remove_all(entry.path(), ec);
  }
  return 0;
}
