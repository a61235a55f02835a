#include "driver/RunDriver.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "diag/Sarif.h"
#include "checks/Collector.h"
#include "checks/Findings.h"
#include "driver/DependencyFile.h"
#include "output/Constants.h"
#include "output/SystemList.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "plc/PlcProjectFile.h"
#include "project/Defines.h"
#include "project/ProjectReader.h"
#include "run/CommandLine.h"
#include "run/RunContext.h"
#include "text/Ascii.h"
#include "vocab/Vocabulary.h"

namespace q32 {
namespace {

// The options come from the vocabulary, in its groups; the rest is the
// usage text's own.
constexpr int kUsageGroups = 4;

constexpr const char* kBannerNotice = "  softkey generator for machine-tool PLCs";

int PrintUsage() {
  std::printf("Quillon Generator %s:\n\n", kVersion);
  std::printf("Quillon32 <project file> [-t<model>] [-pj<_PJ file>] [switch(es)]\n\n");
  std::printf("%-17s: %s\n", "<project file>", "Softkey project file");
  for (int group = 1; group <= kUsageGroups; ++group) {
    std::printf("%s", group == 2 ? "Switch(es):\n" : group > 2 ? "\n" : "");
    for (const VocabularyEntry& e : Vocabulary()) {
      if (e.kind != WordKind::Option || e.usageGroup != group) continue;
      std::string text(e.description);
      // A description's further lines stand under its first.
      for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        text.insert(at + 1, 19, ' ');
      std::printf("%-17s: %s\n", Synopsis(e).c_str(), text.c_str());
    }
  }
  std::printf("\nExample: Quillon32 project1.spm -menu\n");
  std::fflush(stdout);
  return kUsageStatus;
}

void CloseStream(std::unique_ptr<File>& stream) {
  if (stream) {
    stream->Close();
    stream.reset();
  }
}

// The files written at the end of a run, by their full paths taken before the
// run changed its directory, and that directory.
struct ClosingFiles {
  std::string sarif, dependencies, start;
};

void WriteSarif(RunContext& run, const std::string& sarifPath);
void WriteDependencies(RunContext& run, const ClosingFiles& closing);

// Writes the SARIF log and the dependency file asked for (a run that ends
// early writes them here; a run that reaches its totals has written them
// before, so that their failures count), closes what the run still holds
// and frees the run's lists.
void CleanUp(RunContext& run, std::unique_ptr<File>& project, ClosingFiles& closing) {
  RunOutputs& o = run.outputs;
  WriteSarif(run, closing.sarif);
  WriteDependencies(run, closing);
  closing.sarif.clear();
  closing.dependencies.clear();
  CloseMessageCatalogue(run.diag);
  CloseStream(project);
  CloseStream(o.generatedProject);
  CloseStream(o.tree);
  CloseStream(o.systemList);
  CloseStream(o.constants);
  run.names.ClearSoftkeyNames();
  run.defines.ClearDefines();
}

// A file that could not be read to its end, or written, fails the run even
// where the part that used it took the failure for the end of its input or
// did not see it (a lost line of the log, the last record of a softkey).
void ReportFileFailures(RunContext& run) {
  for (const std::string& path : run.inputGuard.TakeFailedReads()) ReportMessage(run.diag, Msg::ReadFailed, path);
  for (const std::string& path : run.inputGuard.TakeFailedWrites()) ReportMessage(run.diag, Msg::WriteFailed, path);
}

// The SARIF log of the run's reports, where -sarif asked for one (sarifPath
// is its full path, taken before the run changed its directory).
void WriteSarif(RunContext& run, const std::string& sarifPath) {
  if (sarifPath.empty()) return;
  const std::string log = SarifLog(run.diag, "Quillon32", kVersion);
  MakeOutputDirectories(run.fs, sarifPath);
  std::unique_ptr<File> file = run.fs.Open(sarifPath, FileMode::WriteBinary);
  if (!file || !file->WriteText(log) || !file->Close()) ReportFailedFile(run, Msg::OpenFailed, sarifPath);
}

// The dependency file asked for, when the run keeps its outputs (a run
// without errors, and every scan).  A failed run writes none and leaves an
// older one alone: its build step fails anyway, and the outputs it deleted
// make the next build run it again.  The log, written to its end after
// this, is among the targets from its creation on.
void WriteDependencies(RunContext& run, const ClosingFiles& closing) {
  if (closing.dependencies.empty() || !run.accesses) return;
  if (run.diag.errors > 0 && run.settings.mode != RunMode::Scan) return;
  std::vector<std::string> targets = run.accesses->Outputs();
  // ninja, when it reads the file anew at each build (CMake's DEPFILE),
  // wants the build step's first output first: the run's main output.
  std::string main;
  if (run.settings.mode == RunMode::Gensys && !run.outputs.createdTreeFiles.empty())
    main = run.outputs.createdTreeFiles.front();
  else if (run.settings.mode == RunMode::Project) main = run.outputs.generatedProjectFile;
  else if (run.settings.mode == RunMode::Gendef) main = ConstantsFilePath(run);
  std::string mainName;
  if (!main.empty() && run.fs.HostName(main, mainName)) {
    auto at = std::find(targets.begin(), targets.end(), mainName);
    if (at != targets.end()) std::rotate(targets.begin(), at, at + 1);
  }
  const std::string rules = DependencyRules(targets, run.accesses->Inputs(), closing.start);
  MakeOutputDirectories(run.fs, closing.dependencies);
  std::unique_ptr<File> file = run.fs.Open(closing.dependencies, FileMode::WriteBinary);
  if (!file || !file->WriteText(rules) || !file->Close()) ReportFailedFile(run, Msg::OpenFailed, closing.dependencies);
}

// The run's reading of the -pj file: nothing without a name or in a scan;
// a failure is reported with the file name except in -gendef runs, and the
// run goes on with what was read.
void LoadPlcProjectFile(RunContext& run, PlcSymbolTables& plc) {
  const RunSettings& s = run.settings;
  if (s.pjFile.empty() || s.mode == RunMode::Scan) return;
  Msg code = ReadPlcProjectFile(run.fs, s.pjFile, plc);
  if (code == Msg::Ok || s.mode == RunMode::Gendef) return;
  if (code == Msg::OpenFailed) ReportFailedFile(run, PlcReadReportCode(code), s.pjFile);
  else ReportMessage(run.diag, PlcReadReportCode(code), s.pjFile);
}

// Whatever way a run ends once its catalogue is loaded, it writes the SARIF
// log and the dependency file asked for and closes what it holds: at the end
// of the scope, or earlier where the outputs of a failed run must go.
class RunEnd {
 public:
  RunEnd(RunContext& run, ClosingFiles& closing) : run_(run), closing_(closing) {}
  RunEnd(const RunEnd&) = delete;
  RunEnd& operator=(const RunEnd&) = delete;
  ~RunEnd() { Now(); }
  void Now() {
    if (done_) return;
    done_ = true;
    CleanUp(run_, project, closing_);
  }
  std::unique_ptr<File> project;

 private:
  RunContext& run_;
  ClosingFiles& closing_;
  bool done_ = false;
};

// Step 1: a fresh run: empty defines and names, the names of this run's
// files; the SARIF log and dependency file it closes with.
ClosingFiles StartRun(RunContext& run) {
  const RunSettings& s = run.settings;
  Diagnostics& d = run.diag;
  run.defines.ClearDefines();
  run.names.ClearSoftkeyNames();
  run.projectFile = s.projectFile;
  run.outputs.logFile = run.projectFile;
  ReplaceExtension(run.outputs.logFile, ".log");
  d.embedded = s.IsEmbedded();
  d.gccStream = s.gccDiagnostics ? stderr : nullptr;
  d.checksAsErrors = s.checksAsErrors;
  d.kept.clear();
  d.told.clear();
  if (!run.fs.GetCurrentDir(d.startDirectory)) d.startDirectory.clear();
  ClosingFiles closing;
  if (!s.sarifFile.empty() && !run.fs.FullPath(s.sarifFile, closing.sarif)) closing.sarif = s.sarifFile;
  if (!s.depFile.empty()) {
    if (!run.fs.FullPath(s.depFile, closing.dependencies)) closing.dependencies = s.depFile;
    run.fs.GetCurrentDir(closing.start);
  }
  return closing;
}

// Steps 6 and 7: work in the project's directory, show paths relative to
// the start, every one alike (those a BMX project names, which its reading
// makes full, too), and name the outputs.
void EnterProjectDirectory(RunContext& run) {
  std::string dir = DirectoryOf(run.projectFile);
  if (std::string start; run.fs.GetCurrentDir(start)) SetBaseDirectory(run.paths, start);
  if (!dir.empty() && run.fs.SetCurrentDir(dir)) run.projectFile = std::string(FileNameOf(run.projectFile));
  RunOutputs& o = run.outputs;
  o.treeFile = run.projectFile;
  ReplaceExtension(o.treeFile, ".sys");
  o.defFile = run.projectFile;
  ReplaceExtension(o.defFile, run.settings.genHeader ? ".h" : ".def");
}

// Steps 8 to 11: the project file itself, and the generated project of a
// default run.  The run's status when it cannot go on, else -1.
int OpenProject(RunContext& run, std::unique_ptr<File>& project) {
  const RunSettings& s = run.settings;
  RunOutputs& o = run.outputs;
  if (!FileExists(run.fs, run.projectFile)) {
    ReportMessage(run.diag, Msg::ProjectMissing, run.projectFile);
    return 2;
  }
  if (s.mode == RunMode::Project && EndsWithIgnoringCase(run.projectFile, ".spj")) {
    ReportMessage(run.diag, Msg::InputIsGenerated, run.projectFile);
    return 2;
  }
  project = run.fs.Open(run.projectFile, FileMode::ReadBinary);
  if (!project) {
    ReportFailedFile(run, Msg::ProjectNotOpened, run.projectFile);
    return 2;
  }
  if (s.mode == RunMode::Project) {
    o.generatedProjectFile = run.projectFile;
    ReplaceExtension(o.generatedProjectFile, ".spj");
    o.generatedProject = run.fs.Open(o.generatedProjectFile, FileMode::WriteText);
    if (!o.generatedProject) {
      ReportFailedFile(run, Msg::OpenFailed, o.generatedProjectFile);
      return 1;
    }
  }
  return -1;
}

// Step 13: the system list; false when it cannot be created.
bool StartSystemList(RunContext& run) {
  if (!OpenSystemList(run)) {
    ReportFailedFile(run, Msg::OpenFailed, kSystemListName);
    return false;
  }
  std::string shown = DisplayPath(run.paths, kSystemListName);
  ShowProgress(run.diag, Progress::Menu);
  ShowProgress(run.diag, Progress::Processing, shown.c_str());
  LogLine(run.diag, "GeneratingSK \"%s\" PLC:\\", shown.c_str());
  return true;
}

// Step 15: close the outputs; the checks of the whole project read them.
void FinishProject(RunContext& run, Collector* checks) {
  const RunSettings& s = run.settings;
  RunOutputs& o = run.outputs;
  CloseStream(o.generatedProject);
  CloseStream(o.tree);
  CloseStream(o.systemList);
  ReportFileFailures(run);
  if (checks && s.mode != RunMode::Scan) {
    FinishChecks(*checks);
    ReportFindings(*checks, run.diag, s.checks);
  }
  if (run.diag.errors == 0 && s.mode == RunMode::Project) {
    std::string shown = DisplayPath(run.paths, o.generatedProjectFile);
    ShowProgress(run.diag, Progress::Processing, shown.c_str());
    LogLine(run.diag, "GeneratingMenu \"%s\" %s", shown.c_str(), s.destDir.c_str());
  }
}

// Step 17: a failed run leaves none of the outputs it created.
int EndStatus(RunContext& run, bool wroteSystemList) {
  const RunOutputs& o = run.outputs;
  if (run.diag.errors > 0) {
    if (run.settings.mode == RunMode::Project) {
      run.fs.Remove(o.generatedProjectFile);
      for (const std::string& generated : o.createdProjectFiles) run.fs.Remove(generated);
    }
    for (const std::string& tree : o.createdTreeFiles) run.fs.Remove(tree);
    if (wroteSystemList) run.fs.Remove(kSystemListName);
    return 2;
  }
  return run.diag.warnings > 0 ? 1 : 0;
}

}  // namespace

int RunGenerator(RunContext& run, Collector* checks) {
  const RunSettings& s = run.settings;
  Diagnostics& d = run.diag;
  ProjectTables tables;
  ClosingFiles closing = StartRun(run);

  // 2. Catalogue and log.  The log is created before any input is read, so
  // the inputs the command line names are made known first: a project whose
  // own name ends in ".log" (or a -pj or -r file named like the log) must
  // not be overwritten by it.  Such a run has no log; it reports the log as
  // a file that cannot be created and ends.
  const std::string& log = run.outputs.logFile;
  run.inputGuard.Clear();
  for (std::string_view input : {std::string_view(run.projectFile), std::string_view(s.pjFile),
                                 std::string_view(s.cfgFile)})
    run.inputGuard.RegisterInput(input);
  const bool logIsInput = run.inputGuard.IsInput(log);
  if (LoadMessageCatalogue(d, s.programDir, kCatalogueName, kCatalogueHeader, logIsInput ? std::string() : log,
                           DirectoryOf(log)) != CatalogueLoad::Loaded)
    return 3;
  RunEnd end(run, closing);
  if (logIsInput) {
    ReportMessage(d, Msg::OpenFailed, log, 0, "it is an input of this run");
    return 2;
  }

  // 3. to 5. PLC project information file, configuration defines and the -a list.
  LoadPlcProjectFile(run, tables.plc);
  LoadRunDefines(run, s.cfgFile, s.defineList);
  EnterProjectDirectory(run);
  if (const int status = OpenProject(run, end.project); status >= 0) return status;
  // 12. (The control family follows from the model, see RunSettings.)
  const bool writesSystemList = s.mode == RunMode::Gensys && !s.menuOnly && !s.noGenSkSys;
  if (writesSystemList && !StartSystemList(run)) return 2;

  // 14. The project.
  ReadProject(run, tables, end.project);
  FinishProject(run, checks);

  // 16. The SARIF log and the dependency file, then the totals, which count
  // a failure to write them.
  if (s.mode == RunMode::Scan) return 0;
  WriteSarif(run, closing.sarif);
  WriteDependencies(run, closing);
  closing.sarif.clear();
  closing.dependencies.clear();
  ShowProgress(d, Progress::Totals, nullptr, nullptr, d.errors, d.warnings);
  LogLine(d, "\n\n%d Error(s), %d Warning(s)\n", nullptr, nullptr, d.errors, d.warnings);
  end.Now();
  return EndStatus(run, writesSystemList);
}

int RunCommandLine(std::span<const std::string> words, FileSystem& fs) {
  if (words.size() < 2) return PrintUsage();
  RunSettings settings;
  settings.programDir = ProgramDirectory(words[0].c_str());
  const CommandLine line = ParseCommandLine(words.subspan(1), settings, GeneratorOptions());
  switch (line.action) {
    case CommandLine::Action::Usage:
      return PrintUsage();
    case CommandLine::Action::Version:
      std::printf("Version: %s\n", kVersion);
      std::fflush(stdout);
      return 0;
    case CommandLine::Action::Run:
      break;
  }
  return RunGeneratorProgram(std::move(settings), fs);
}

int RunGeneratorProgram(RunSettings settings, FileSystem& fs, Collector* checks) {
  if (!settings.IsEmbedded()) {
    PrepareConsole();
    std::printf(" Quillon32  V%s%s\n", kVersion, kBannerNotice);
    std::fflush(stdout);
  }
  std::unique_ptr<Collector> own;
  if (!checks && settings.checks) {
    std::string start;
    fs.GetCurrentDir(start);
    own = std::make_unique<Collector>(fs, start);
    checks = own.get();
  }
  // Only a run asked for its dependency file records its accesses.
  std::unique_ptr<RecordingFileSystem> recorder;
  if (!settings.depFile.empty()) recorder = std::make_unique<RecordingFileSystem>(fs);
  RunContext run(recorder ? *recorder : fs, std::move(settings));
  run.accesses = recorder.get();
  run.observer = checks;
  run.inputGuard.observer = checks;
  return RunGenerator(run, checks);
}

}  // namespace q32
