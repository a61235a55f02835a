// Everything one run owns.  The run driver creates one RunContext, and every
// part of the program that needs run state receives it by reference; there
// are no process-wide variables, so two runs can happen in one process.
#pragma once

#include "diag/Diagnostics.h"
#include "lang/LanguageTexts.h"
#include "paths/Paths.h"
#include "plc/PlcProjectFile.h"
#include "platform/FileSystem.h"
#include "platform/InputGuard.h"
#include "project/RunObserver.h"
#include "project/RunRecords.h"

namespace q32 {

struct RunContext {
  // Every part of the run reaches the given file system through the input
  // guard (declared last, bound here before it is built and used only after).
  explicit RunContext(FileSystem& fileSystem) : fs(inputGuard), inputGuard(fileSystem) {
    paths.fs = &fs;
    diag.fs = &fs;
    diag.paths = &paths;
    settings.fileExists = [this](std::string_view path) { return FileExists(fs, path); };
  }
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  FileSystem& fs;
  RunSettings settings;
  PathContext paths;
  Diagnostics diag;
  SoftkeyContext softkey;
  SoftkeyNameList names;
  DefineList defines;
  // Only the first BMX project of a run starts without loaded language texts.
  bool firstBmxProject = true;
  // The PLC symbol tables of the -pj file (empty without one), with the
  // current module of operand checks and the visibility switch of #IF.
  PlcSymbolTables plc;
  // The language texts of BMX projects: loaded by the first project that
  // names a language text and kept for the later projects of the run.
  LanguageTable languages;
  // The generated projects of included files that this run created: a
  // failed run deletes them with its own generated project.
  std::vector<std::string> createdProjectFiles;
  // Remembers what the run reads and refuses to create or delete it, so that
  // no output ever lands on one of the run's inputs.  fs is this guard.
  InputGuardFileSystem inputGuard;
  // Who watches the run (the preview); nobody in a generating run.
  RunObserver* observer = nullptr;
};

}  // namespace q32
