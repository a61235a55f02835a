// The menu item checker of default and -check runs: validates a menu item line
// (token counts, the softkey and menu names it refers to, its parameters, its
// PLC operands and its Python parameters) and, in the default run, writes the
// item to the generated project in the fixed field order that the -gensys
// tree writer reads back.
#pragma once

#include <string>
#include <vector>

#include "output/MenuItems.h"

#include "diag/Diagnostic.h"
#include "diag/MessageCodes.h"

namespace q32 {

struct PlcSymbolTables;
struct RunContext;

// Checks one item line: code is its item letter (MenuItemKind), tokens[0] its
// keyword.  active tells whether the line stands in a switched-on section;
// the codes of the PLC operand checks count only there.  In RunMode::Project the
// normalised line goes to run.outputs.generatedProject when it is open.
// Returns 0 or the message code that the project reader reports against the
// line, at the word fault names.  Codes that are not menu items (#PRAGMA)
// are passed over with 0.
Msg CheckMenuItem(RunContext& run, PlcSymbolTables& plc, MenuItemKind kind, const std::vector<std::string>& tokens,
                  bool active, Fault& fault);

}  // namespace q32
