#include "cli/RunDriver.h"

#include <cctype>
#include <cstdlib>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "output/SystemList.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "plc/PlcProjectFile.h"
#include "project/Defines.h"
#include "project/ProjectReader.h"
#include "project/RunContext.h"

namespace q32 {
namespace {


void CloseStream(std::unique_ptr<File>& stream) {
  if (stream) {
    stream->Close();
    stream.reset();
  }
}

// Closes what the run still holds and frees the run's lists.
void CleanUp(RunContext& run, std::unique_ptr<File>& project) {
  CloseMessageCatalogue(run.diag);
  CloseStream(project);
  CloseStream(run.settings.projectOutStream);
  CloseStream(run.settings.treeStream);
  CloseStream(run.settings.systemListStream);
  CloseStream(run.settings.defStream);
  run.names.ClearSoftkeyNames();
  run.defines.ClearDefines();
  ReleasePlcTables(run.plc);
}

// A file that could not be read to its end, or written, fails the run even
// where the part that used it took the failure for the end of its input or
// did not see it (a lost line of the log, the last record of a softkey).
void ReportFileFailures(RunContext& run) {
  for (const std::string& path : run.inputGuard.TakeFailedReads()) ReportMessage(run.diag, kReadFailed, path);
  for (const std::string& path : run.inputGuard.TakeFailedWrites()) ReportMessage(run.diag, kWriteFailed, path);
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace

int VariantMemoryLimit(std::string_view list) {
  constexpr std::string_view kBase = "$VARIANTBASE$ = ";
  constexpr std::string_view kIndex = "$VARIANTINDEX$ = ";
  constexpr std::string_view kBaseFamily = "48213";
  std::size_t base = list.find(kBase);
  std::size_t index = list.find(kIndex);
  if (base == std::string_view::npos || index == std::string_view::npos) return 64;
  std::string_view family = list.substr(base + kBase.size());
  if (family.substr(0, kBaseFamily.size()) != kBaseFamily) return 64;
  std::string_view text = list.substr(index + kIndex.size());
  std::string digits(text.substr(0, 32));
  long variant = std::strtol(digits.c_str(), nullptr, 10);
  // A letter after the two-digit index counts as the next variant.
  if (text.size() > 2 && text[2] >= 'A' && text[2] <= 'Z') ++variant;
  return variant >= 2 ? 128 : 64;
}

int RunGenerator(RunContext& run, std::string_view projectFile, std::string_view treeFile,
                 std::string_view pjFile, std::function<bool(std::string_view)> exists,
                 std::string_view cfgFile, RunMode mode,
                 const std::optional<std::string>& defineList) {
  RunSettings& s = run.settings;
  Diagnostics& d = run.diag;

  // 1. A fresh run: empty defines and names, the names of this run's files.
  run.defines.ClearDefines();
  run.names.ClearSoftkeyNames();
  ReleasePlcTables(run.plc);
  s.projectFile.assign(projectFile.substr(0, kMaxPathLength));
  if (exists) s.fileExists = std::move(exists);
  s.mode = mode;
  s.logFile = s.projectFile;
  ReplaceExtension(s.logFile, ".log");
  d.embedded = s.IsEmbedded();

  // 2. Catalogue and log.  The log is created before any input is read, so
  // the inputs the command line names are made known first: a project whose
  // own name ends in ".log" (or a -pj or -r file named like the log) must
  // not be overwritten by it.  Such a run has no log; it reports the log as
  // a file that cannot be created and ends.
  run.inputGuard.Clear();
  for (std::string_view input : {std::string_view(s.projectFile), pjFile, cfgFile})
    run.inputGuard.RegisterInput(input);
  const bool logIsInput = run.inputGuard.IsInput(s.logFile);
  if (LoadMessageCatalogue(d, s.errorCount, s.warningCount, s.programDir, kCatalogueName,
                           kCatalogueHeader, logIsInput ? std::string() : s.logFile) != 0)
    return 3;
  if (logIsInput) {
    ReportMessage(d, kOpenFailed, s.logFile);
    std::unique_ptr<File> none;
    CleanUp(run, none);
    return 2;
  }

  // 3. PLC project information file.
  LoadRunPlcProjectFile(run, pjFile);

  // 4. and 5. Configuration defines and the -a list, then the variant rule.
  LoadRunDefines(run, cfgFile, defineList);
  if (defineList) s.pyMemLimit = VariantMemoryLimit(*defineList);

  std::unique_ptr<File> project;

  // 6. Work in the project's directory; show paths relative to the start.
  std::string dir = DirectoryOf(s.projectFile);
  if (!dir.empty()) {
    std::string start;
    if (run.fs.GetCurrentDir(start)) SetBaseDirectory(run.paths, start);
    if (run.fs.SetCurrentDir(dir)) s.projectFile = std::string(FileNameOf(s.projectFile));
  }

  // 7. Output names.
  if (!treeFile.empty()) {
    s.treeFile.assign(treeFile.substr(0, kMaxPathLength));
  } else {
    s.treeFile = s.projectFile;
    ReplaceExtension(s.treeFile, ".sys");
  }
  s.defFile = s.projectFile;
  ReplaceExtension(s.defFile, s.genHeader ? ".h" : ".def");

  // 8. to 10. The project file itself.
  if (!s.fileExists(s.projectFile)) {
    ReportMessage(d, kProjectMissing, s.projectFile);
    CleanUp(run, project);
    return 2;
  }
  if (s.mode == MODE_PROJECT && EndsWithIgnoringCase(s.projectFile, ".spj")) {
    ReportMessage(d, kInputIsGenerated, s.projectFile);
    CleanUp(run, project);
    return 2;
  }
  project = run.fs.Open(s.projectFile, FileMode::ReadBinary);
  if (!project) {
    ReportMessage(d, kProjectNotOpened, s.projectFile);
    CleanUp(run, project);
    return 2;
  }

  // 11. The generated project of a default run.
  if (s.mode == MODE_PROJECT) {
    s.generatedProjectFile = s.projectFile;
    ReplaceExtension(s.generatedProjectFile, ".spj");
    s.projectOutStream = run.fs.Open(s.generatedProjectFile, FileMode::WriteText);
    if (!s.projectOutStream) {
      ReportMessage(d, kOpenFailed, s.generatedProjectFile);
      CleanUp(run, project);
      return 1;
    }
  }

  // 12. The control family decides extensions and byte order.
  s.controlFamilyLE = StartsWithIgnoringCase(s.model, "Orva");

  // 13. The system list.
  bool writesSystemList = s.mode == MODE_GENSYS && !s.menuOnly && !s.noGenSkSys;
  if (writesSystemList) {
    if (!OpenSystemList(run)) {
      ReportMessage(d, kOpenFailed, kSystemListName);
      CleanUp(run, project);
      return 2;
    }
    std::string shown = DisplayPath(run.paths, kSystemListName);
    ShowProgress(d, kProgressMenu);
    ShowProgress(d, kProgressProcessing, shown.c_str());
    LogLine(d, "GeneratingSK \"%s\" PLC:\\", shown.c_str());
  }

  // 14. The project.
  ReadProject(run, project);

  // 15. Close the outputs.
  CloseStream(s.projectOutStream);
  CloseStream(s.treeStream);
  CloseStream(s.systemListStream);
  ReportFileFailures(run);
  if (s.errorCount == 0 && s.mode == MODE_PROJECT) {
    std::string shown = DisplayPath(run.paths, s.generatedProjectFile);
    ShowProgress(d, kProgressProcessing, shown.c_str());
    LogLine(d, "GeneratingMenu \"%s\" %s", shown.c_str(), s.destDir.c_str());
  }

  // 16. Totals.
  if (s.mode == MODE_SCAN) {
    CleanUp(run, project);
    return 0;
  }
  ShowProgress(d, kProgressTotals, nullptr, nullptr, s.errorCount, s.warningCount);
  LogLine(d, "\n\n%d Error(s), %d Warning(s)\n", nullptr, nullptr, s.errorCount, s.warningCount);
  CleanUp(run, project);

  // 17. A failed run leaves none of the outputs it created.
  if (s.errorCount > 0) {
    if (s.mode == MODE_PROJECT) {
      run.fs.Remove(s.generatedProjectFile);
      for (const std::string& generated : run.createdProjectFiles) run.fs.Remove(generated);
    }
    for (const std::string& tree : s.createdTreeFiles) run.fs.Remove(tree);
    if (writesSystemList) run.fs.Remove(kSystemListName);
    return 2;
  }
  return s.warningCount > 0 ? 1 : 0;
}

}  // namespace q32
