// BMX projects with 24-bit bitmaps: the input is a BMX project generated
// into ".bmx" softkey images, beside the example's bitmaps, SVG picture and
// language directory (English, German and French texts), with the project's
// directory as the current one, as the run driver has it.  Everything lives
// in memory and goes after each input.
#include <map>
#include <string>

#include "FuzzSupport.h"
#include "lang/LanguageTexts.h"
#include "bmx/BmxGenerate.h"
#include "bmx/BmxProject.h"

namespace {

constexpr const char* kProject = "/work/bmx";

// The fixed files, by name below the project, and a file system holding
// them that is copied for every input.
std::map<std::string, std::string> FixedFiles() {
  std::map<std::string, std::string> fixed;
  for (const char* name : {"spindle_bg.bmp", "spindle_on.bmp", "tool.svg", "lang/en.inc", "lang/de.txt",
                           "lang/fr.po"})
    fixed[name] = q32fuzz::SourceFile(std::string("examples/mill/bmx/") + name);
  // A small background and layer keep most executions short.
  fixed["bg.bmp"] = q32fuzz::SourceFile("fuzz/corpus/bitmap/small-16x10-24bit.bmp");
  fixed["layer.bmp"] = fixed["bg.bmp"];
  return fixed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::map<std::string, std::string> fixed = FixedFiles();
  const std::string project = kProject;
  static const q32test::MemoryFileSystem files = [&] {
    q32test::MemoryFileSystem memory = q32fuzz::BaseFileSystem();
    for (const auto& [name, bytes] : fixed) memory.AddFile(project + "/" + name, bytes);
    return memory;
  }();
  std::string_view input = q32fuzz::AsText(data, size);
  q32test::MemoryFileSystem memory = files;
  const std::string projectFile = project + "/spindle.bpj";
  memory.AddFile(projectFile, std::string(input));
  {
    q32fuzz::QuietRun quiet(memory);
    q32::SetBaseDirectory(quiet.run.paths, project);
    Q32_FUZZ_CHECK(quiet.fs.SetCurrentDir(project));
    q32::LanguageTable languages;
    (void)q32::GenerateBmxSoftkey(quiet.run, languages, projectFile, "PLC:\\SOFTKEYS\\", {}, {}, true);
    // A listing reads the same project without generating anything.
    q32::ListBmxIncludes(quiet.run, projectFile, {}, {});
  }

  // The project file is an input from the start and must stay as it was.
  // The files it uses become inputs only once read: an output named like
  // one before that may replace it, so that they stay is checked only with
  // QUILLON_FUZZ_STRICT=1.
  const std::string* after = memory.FileBytes(projectFile);
  Q32_FUZZ_CHECK(after && *after == input);
  if (q32fuzz::Strict()) {
    for (const auto& [name, bytes] : fixed) {
      const std::string* now = memory.FileBytes(project + "/" + name);
      if (now && *now == bytes) continue;
      std::fprintf(stderr, "input %s was changed by the run\n", name.c_str());
      Q32_FUZZ_CHECK(false);
    }
  }
  return 0;
}
