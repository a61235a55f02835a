// The whole program on a small project tree: the input is the project file
// of a -gensys run, made in-process through the command line, beside a few
// fixed sources (those of the example project: bitmaps, text softkeys, a
// drawing, a BMX project; and a PCX picture) and a PLC project information
// file, all in memory.  After each run: the exit status is one the program
// documents, the project file is unchanged, and a failed run left neither
// its system list nor its tree file.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "driver/RunDriver.h"
#include "platform/Host.h"

namespace {

constexpr const char* kProject = "/work/proj";

struct Tree {
  std::map<std::string, std::string> fixed;  // path below the project -> bytes
  std::vector<std::string> directories;      // directories below the project
  q32test::MemoryFileSystem files;           // all of them, copied for every input

  Tree() {
    // The example project's sources (bitmaps, text softkeys, a drawing, a
    // BMX project with its language directory) ...
    const std::filesystem::path examples = std::string(QUILLON_SOURCE_DIR) + "/examples/mill";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(examples)) {
      std::string relative = std::filesystem::relative(entry.path(), examples).string();
      if (entry.is_directory()) directories.push_back(relative);
      else if (relative != "mill.spm") fixed[relative] = q32fuzz::SourceFile("examples/mill/" + relative);
    }
    // ... a PCX picture, a PLC project file and a file to include.
    fixed["logo.pcx"] = q32fuzz::SourceFile("fuzz/corpus/pcx/checker-77x48.pcx");
    fixed["machine.pj"] = q32fuzz::SourceFile(q32fuzz::kSmallPlcFile);
    fixed["common.inc"] = "; shared softkeys\nBMP stop.bmp STOPKEY\n";
    // The run looks for its catalogue beside the executable.
    files = q32fuzz::BaseFileSystem();
    files.AddFile(q32::ProgramDirectory(nullptr) + q32::kCatalogueName, q32fuzz::CatalogueBytes());
    for (const std::string& d : directories) files.AddDirectory(std::string(kProject) + "/" + d);
    for (const auto& [name, bytes] : fixed) files.AddFile(std::string(kProject) + "/" + name, bytes);
  }
};

const Tree& TheTree() {
  static const Tree tree;
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  q32fuzz::SilenceStandardOutput();
  TheTree();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Tree& tree = TheTree();
  std::string_view input = q32fuzz::AsText(data, size);
  q32test::MemoryFileSystem memory = tree.files;
  const std::string project = kProject;
  const std::string projectFile = project + "/mill.spm";
  memory.AddFile(projectFile, std::string(input));

  std::vector<std::string> args = {"Quillon32", projectFile, "-gensys", "-pj" + project + "/machine.pj",
                                   "-aA=1,B=$1F,MACHINE=\"Mill\""};
  int status;
  {
    q32::FaultyFileSystem fs{memory};
    status = q32::RunCommandLine(args, fs);
  }

  Q32_FUZZ_CHECK(q32fuzz::OneOf(status, {0, 1, 2}));
  // The project file is an input from the start: no output may replace it.
  const std::string* after = memory.FileBytes(projectFile);
  Q32_FUZZ_CHECK(after && *after == input);
  // A project may name a source it has not read yet as its tree file or
  // definitions, and the run then writes it: each run starts from a fresh
  // tree, so nothing needs putting back.
  if (status == 2) {
    // A failed run deletes the system list and the tree file it created;
    // the log stays to explain why.
    Q32_FUZZ_CHECK(!memory.Exists(project + "/QUILLONK.SYS"));
    Q32_FUZZ_CHECK(!memory.Exists(project + "/mill.sys"));
  }
  return 0;
}
