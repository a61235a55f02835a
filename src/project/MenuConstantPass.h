// The menu constant pass: before the main pass, every menu of the project
// is numbered and its name registered, so that items may name menus defined
// further down, and the menu defines open the constants file.  Reading the
// whole project first, it also meets first the mistakes of its structure
// that later reports of the main pass follow from, and tells them first.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "diag/Diagnostic.h"

namespace q32 {

class File;
struct FileCoding;
struct PlcSymbolTables;
struct RunContext;

// The causes the pass told, for the reports of the main pass that follow
// from them.
struct ProjectCauses {
  // The names a switched-off section defines after a misspelt directive
  // left it open (upper case, cut to 24 characters): an item that names one
  // follows from that directive.
  std::map<std::string, DiagnosticId> passedOverNames;
  // The menus left open (no ENDSKMENU before the next SKMENU or the end), by
  // the file and line of their SKMENU: the note told there, or the misspelt
  // directive that switched their ENDSKMENU off.
  std::map<std::pair<std::string, int>, DiagnosticId> openMenus;
};

// Reads the project from the stream's current position (the line after the
// header, whose number is firstLine), numbers the menus, registers their
// names and writes their defines, then puts the stream back where it was.
// False when it had to stop (the reason has been reported).
[[nodiscard]] bool RunMenuConstantPass(RunContext& run, PlcSymbolTables& plc, File& project, const FileCoding& coding,
                                       int firstLine, ProjectCauses& causes);

}  // namespace q32
