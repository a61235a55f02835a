// Everything one run owns.  The program parses the command line into
// RunSettings and creates one RunContext; every part of the run that needs
// run state receives it (or the narrower piece) by reference.  There are no
// process-wide variables, so two runs can happen in one process.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "diag/Diagnostics.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "platform/RecordingFileSystem.h"
#include "run/DefineList.h"
#include "run/InputGuard.h"
#include "run/Names.h"
#include "run/ProjectSettings.h"
#include "run/RunObserver.h"
#include "run/RunSettings.h"
#include "run/SoftkeyContext.h"

namespace q32 {

class ConversionCache;
class LineWordsCache;

// The files a run writes besides the softkeys: their names as the run
// decided them, the streams while they are open, and the files it created,
// which a failed run deletes (and only those).
struct RunOutputs {
  std::string logFile;
  std::string treeFile;
  std::string defFile;
  std::string generatedProjectFile;  // the included file's own while one is read
  std::unique_ptr<File> tree, systemList, constants, generatedProject;
  std::vector<std::string> createdTreeFiles;
  std::vector<std::string> createdProjectFiles;  // generated projects of included files
};

struct RunContext {
  // Every part of the run reaches the given file system through the input
  // guard (declared last, bound here before it is built and used only after).
  RunContext(FileSystem& fileSystem, RunSettings runSettings)
      : fs(inputGuard), settings(std::move(runSettings)), inputGuard(fileSystem) {
    paths.fs = &fs;
    diag.fs = &fs;
    // A name as shown depends on the directories it is taken from and shown
    // from: the last one is made once for the reports that follow it.
    // (The directories are asked into a buffer of their own: every report
    // asks.)
    diag.showFile = [this](std::string_view file) {
      std::string& directories = directoryAsked_;
      if (!fs.GetCurrentDir(directories)) directories.clear();
      directories += '\n';
      directories += paths.baseDirectory;
      if (file != lastShown_.file || directories != lastShown_.directory)
        lastShown_ = {std::string(file), directories, DisplayPath(paths, file, /*expand=*/false)};
      return lastShown_.hostName;
    };
    // The name the host keeps (a POSIX host finds names without regard to
    // case): what a SARIF log or an editor opens.
    // The reports and lines of a project mostly name the project itself, one
    // after the other: the last name is asked of the host once.
    diag.fullPath = [this](std::string_view file) {
      std::string& directory = directoryAsked_;
      if (!fs.GetCurrentDir(directory)) directory.clear();
      if (file != lastNamed_.file || directory != lastNamed_.directory) {
        std::string full;
        lastNamed_ = {std::string(file), directory, fs.HostName(file, full) ? full : std::string(file)};
      }
      return lastNamed_.hostName;
    };
  }
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  FileSystem& fs;
  const RunSettings settings;
  // The file being read: the project, or an included file while one is
  // read, as reports name it.
  std::string projectFile;
  RunOutputs outputs;
  PathContext paths;
  Diagnostics diag;
  ProjectSettings project;
  SoftkeyContext softkey;
  // The source of the softkey line being converted: where its converters'
  // reports about the softkey point back to (none between softkey lines).
  SourceSpan softkeyLine;
  SoftkeyNameList names;
  DefineList defines;
  // Remembers what the run reads and refuses to create or delete it, so that
  // no output ever lands on one of the run's inputs.  fs is this guard.
  InputGuardFileSystem inputGuard;
  // Who watches the run (the preview); nobody in a generating run.
  RunObserver* observer = nullptr;
  // What the run read and wrote, for its dependency file (-MF); the file
  // system behind the input guard, or null without -MF.
  const RecordingFileSystem* accesses = nullptr;
  // The conversions of earlier runs of the project
  // (project/ConversionCache.h), from a program that runs it again and
  // again; null in the generator's runs.
  ConversionCache* conversions = nullptr;
  // The words of the lines of earlier runs (project/LineWordsCache.h), from
  // the same programs; null in the generator's runs.
  LineWordsCache* lineWords = nullptr;

 private:
  struct Named {
    std::string file, directory, hostName;
  };
  Named lastNamed_;  // diag.fullPath's last answer
  Named lastShown_;  // diag.showFile's, the shown name in hostName
  std::string directoryAsked_;  // where either asks the directory
};

// Reports a file the run could not open, create or write, named itself, with
// the host's reason for the operation that failed last.
inline void ReportFailedFile(RunContext& run, Msg code, std::string_view path) {
  ReportMessage(run.diag, code, path, 0, run.fs.FailureReason());
}

// A file an Open failed for, as a report names it: its shown path and the
// host's reason ("nofile.bmp (no such file)").
inline std::string FailedFile(RunContext& run, std::string_view path) {
  const std::string reason = run.fs.FailureReason();
  return DisplayPath(run.paths, path) + (reason.empty() ? std::string() : " (" + reason + ")");
}

}  // namespace q32
