// BMX projects with 24-bit bitmaps: the input is a BMX project generated
// into ".bmx" softkey images, beside the example's bitmaps, SVG picture and
// language directory (English, German and French texts), with the project's
// directory as the current one, as the run driver has it.  Afterwards
// everything the run made goes again.
#include <unistd.h>

#include <map>
#include <string>

#include "FuzzSupport.h"
#include "bmx/BmxGenerate.h"
#include "bmx/BmxProject.h"

namespace {

struct Tree {
  std::string project;
  std::map<std::string, std::string> fixed;
  std::string cwd;

  Tree() {
    project = q32fuzz::ScratchDir::Get() / "bmx";
    const std::string example = std::string(QUILLON_SOURCE_DIR) + "/examples/mill/bmx/";
    for (const char* name : {"spindle_bg.bmp", "spindle_on.bmp", "tool.svg", "lang/en.inc", "lang/de.txt",
                             "lang/fr.po"})
      fixed[name] = q32fuzz::ReadWholeFile(example + name);
    // A small background and layer keep most executions short.
    const std::string seeds = std::string(QUILLON_SOURCE_DIR) + "/fuzz/corpus/";
    fixed["bg.bmp"] = q32fuzz::ReadWholeFile(seeds + "bitmap/small-16x10-24bit.bmp");
    fixed["layer.bmp"] = q32fuzz::ReadWholeFile(seeds + "bitmap/small-16x10-24bit.bmp");
    char buffer[4096];
    Q32_FUZZ_CHECK(getcwd(buffer, sizeof buffer) != nullptr);
    cwd = buffer;
    std::filesystem::create_directories(project + "/lang");
    for (const auto& [name, bytes] : fixed) q32fuzz::WriteWholeFile(project + "/" + name, bytes);
  }
};

Tree& TheTree() {
  static Tree tree;
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Tree& tree = TheTree();
  std::string_view input = q32fuzz::AsText(data, size);
  const std::string projectFile = tree.project + "/spindle.bpj";
  q32fuzz::WriteWholeFile(projectFile, input);
  int code;
  {
    q32fuzz::QuietRun quiet;
    q32::SetBaseDirectory(quiet.run.paths, tree.project);
    Q32_FUZZ_CHECK(quiet.fs.SetCurrentDir(tree.project));
    code = q32::GenerateBmxSoftkey(quiet.run, projectFile, "PLC:\\SOFTKEYS\\", {}, {}, true);
    // A listing reads the same project without generating anything.
    q32::ListBmxIncludes(quiet.run, projectFile);
  }
  Q32_FUZZ_CHECK(chdir(tree.cwd.c_str()) == 0);
  Q32_FUZZ_CHECK(q32fuzz::OneOf(code, {0, 2}));

  // The files a project uses are its inputs, which the run must not write
  // over; until every output is checked against them, that check is on only
  // with QUILLON_FUZZ_STRICT=1.  Otherwise a changed file is put back.
  bool changed = false;
  for (const auto& [name, bytes] : tree.fixed) {
    if (q32fuzz::ReadWholeFile(tree.project + "/" + name) == bytes) continue;
    if (q32fuzz::Strict()) std::fprintf(stderr, "input %s was changed by the run\n", name.c_str());
    changed = true;
    q32fuzz::WriteWholeFile(tree.project + "/" + name, bytes);
  }
  Q32_FUZZ_CHECK(!(changed && q32fuzz::Strict()));
  Q32_FUZZ_CHECK(!q32fuzz::Strict() || q32fuzz::ReadWholeFile(projectFile) == input);

  // Everything else in the scratch directory is the run's: remove it.
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(q32fuzz::ScratchDir::Get().path(), ec))
    if (entry.path().filename() != "bmx") std::filesystem::remove_all(entry.path(), ec);
  for (const auto& entry : std::filesystem::directory_iterator(tree.project, ec)) {
    std::string name = entry.path().filename().string();
    if (name != "lang" && !tree.fixed.count(name)) std::filesystem::remove_all(entry.path(), ec);
  }
  for (const auto& entry : std::filesystem::directory_iterator(tree.project + "/lang", ec))
    if (!tree.fixed.count("lang/" + entry.path().filename().string())) std::filesystem::remove_all(entry.path(), ec);
  return 0;
}
