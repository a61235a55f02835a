// Configuration defines: the define-list syntax of -a and of DEFINE lines,
// the configuration file (-r), and the define conditions of #IFDEF/#IFNDEF.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diag/MessageCodes.h"

namespace q32 {

class DefineList;
struct PlcSymbolTables;
struct RunContext;

// Lines of a configuration file hold at most this many characters.
constexpr std::size_t kMaxConfigurationLine = 255;

// Parses a define list ("A, B=2, C=$1F, D=\"text\"") into the list.  With
// replace a new definition hides an existing one of the same name, otherwise
// the existing one stays in force.  0, 1047 (a name was already defined),
// 1049 (a string without quotation marks), 3080 (a malformed $ or % number;
// the rest of the list is not read) or 3052 (no memory).
// The summary, when asked for, tells each finding apart (the result code
// shows only the most important one).
struct DefineCut {
  std::string text;    // as written
  std::string define;  // the define whose value it is; empty for a name
};
struct DefineParseSummary {
  bool duplicate = false, unquoted = false, badNumber = false;
  std::vector<DefineCut> cut;  // names and values longer than kept
};
Msg ParseDefines(DefineList& defines, std::string_view text, bool replace,
                 DefineParseSummary* summary = nullptr);

// Reads the DEFINE lines of a configuration file into run.defines (without
// replacing); false when the file cannot be opened.  What a DEFINE line
// gets wrong is reported against its file and line (ReportDefineResult).
[[nodiscard]] bool ReadConfigurationFile(RunContext& run, std::string_view name);

// Reports a result of ParseDefines so that a mistyped define is noticed:
// 1047 and 1049 as warnings naming the text, 3080 and 3052 as errors.
// Nothing for 0.  file and line may be empty and 0 (the -a list).
void ReportDefineResult(RunContext& run, Msg code, std::string_view file, unsigned line,
                        std::string_view text);

// The run's defines: the configuration file (not in a scan; 8277 with its
// name when it cannot be opened), then the -a list upper-cased with replace,
// so that the command line wins.  An override by the -a list is what it is
// for and draws no warning; its strings without quotes (-1049) and bad
// numbers (3080) are reported.
void LoadRunDefines(RunContext& run, std::string_view cfgFile, const std::optional<std::string>& defineList);

// The value of a define condition of #IFDEF / #IFNDEF (upper case): groups
// separated by commas that must all hold, each a name followed by OR/AND
// [NOT] name pairs taken from left to right.  With negateFirst the first
// name of each group counts negated.  A name holds when it is defined (or,
// with -post, names a PLC symbol).  False when the text is malformed.
[[nodiscard]] bool EvaluateDefineCondition(RunContext& run, PlcSymbolTables& plc, std::string_view text,
                                           bool negateFirst, bool& result);

}  // namespace q32
