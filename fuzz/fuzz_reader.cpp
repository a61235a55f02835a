// The whole program on a small project tree: the input is the project file
// of a -gensys run, made in-process through the command line, beside a few
// fixed sources (those of the example project: bitmaps, text softkeys, a
// drawing, a BMX project; and a PCX picture) and a PLC project information
// file, all in memory.  After each run: the exit status is one the program
// documents, the project file is unchanged, and a failed run left neither
// its system list nor its tree file.
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "driver/RunDriver.h"
#include "platform/Host.h"

namespace {

constexpr const char* kProject = "/work/proj";

// The project tree, copied for every input.
q32test::MemoryFileSystem MakeTree() {
  const std::string project = kProject;
  q32test::MemoryFileSystem files = q32fuzz::BaseFileSystem();
  // The run looks for its catalogue beside the executable.
  files.AddFile(q32::ProgramDirectory(nullptr) + q32::kCatalogueName, q32fuzz::CatalogueBytes());
  // The example project's sources (bitmaps, text softkeys, a drawing, a BMX
  // project with its language directory) ...
  const std::filesystem::path examples = std::string(QUILLON_SOURCE_DIR) + "/examples/mill";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(examples)) {
    const std::string relative = std::filesystem::relative(entry.path(), examples).string();
    if (entry.is_directory()) files.AddDirectory(project + "/" + relative);
    else if (relative != "mill.spm")
      files.AddFile(project + "/" + relative, q32fuzz::SourceFile("examples/mill/" + relative));
  }
  // ... a PCX picture, a PLC project file and a file to include.
  files.AddFile(project + "/logo.pcx", q32fuzz::SourceFile("fuzz/corpus/pcx/checker-77x48.pcx"));
  files.AddFile(project + "/machine.pj", q32fuzz::SourceFile(q32fuzz::kSmallPlcFile));
  files.AddFile(project + "/common.inc", "; shared softkeys\nBMP stop.bmp STOPKEY\n");
  return files;
}

const q32test::MemoryFileSystem& TheTree() {
  static const q32test::MemoryFileSystem tree = MakeTree();
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Standard output of the whole program (RunCommandLine prints its banner
  // there) goes nowhere too; libFuzzer reports on standard error.
  if (!std::freopen("/dev/null", "w", stdout)) std::perror("freopen");
  TheTree();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = q32fuzz::AsText(data, size);
  q32test::MemoryFileSystem memory = TheTree();
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
