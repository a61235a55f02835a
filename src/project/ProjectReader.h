// Reads the softkey project line by line and acts on each line at once.
#pragma once

#include <memory>

#include "lang/LanguageTexts.h"
#include "plc/PlcProjectFile.h"

namespace q32 {

class File;
struct RunContext;

constexpr const char* kProjectHeader = "QUILLON Project File - Version 1.0";

// What the reading of a project uses besides the run's records: the PLC
// symbols of the -pj file, and the language texts that the first BMX project
// of the run loads for the later ones.
struct ProjectTables {
  PlcSymbolTables plc;
  LanguageTable languages;
  bool firstBmxProject = true;
};

// Reads the project from the stream the run driver opened (it may close and
// release it).  Reports through run.diag; counts decide the run's status.
void ReadProject(RunContext& run, ProjectTables& tables, std::unique_ptr<File>& project);

}  // namespace q32
