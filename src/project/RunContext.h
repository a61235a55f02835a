// Everything one run owns.  The run driver creates one RunContext, and every
// part of the program that needs run state receives it by reference; there
// are no process-wide variables, so two runs can happen in one process.
#pragma once

#include "diag/Diagnostics.h"
#include "lang/LanguageTexts.h"
#include "paths/Paths.h"
#include "plc/PlcProjectFile.h"
#include "platform/FileSystem.h"
#include "project/RunRecords.h"

namespace q32 {

struct RunContext {
  explicit RunContext(FileSystem& fileSystem) : fs(fileSystem) {
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
};

}  // namespace q32
