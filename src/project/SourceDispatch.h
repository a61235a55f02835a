// Hands a softkey line's source to its converter by source type, checks
// sources in checking runs, and lists sources in scanning runs.
#pragma once

#include <string>

#include "diag/MessageCodes.h"

namespace q32 {

struct LanguageTable;
struct RunContext;

// What became of a softkey line's source.
struct Conversion {
  Msg code = Msg::Ok;     // the converter's code; those above 8000 the caller reports at the line
  bool converted = true;  // false also when the converter has reported its failure itself
  std::string detail;     // what the report names: the file at fault and why
  Conversion() = default;
  explicit Conversion(Msg c, bool done) : code(c), converted(done) {}
  explicit Conversion(Msg c, std::string what = {}) : code(c), converted(c == Msg::Ok), detail(std::move(what)) {}
};

// Converts (or only checks) the source in run.softkey.  BMX projects take
// their language texts from languages: the first of a run (firstBmxProject,
// which is cleared) loads them afresh, the later ones use them again.
[[nodiscard]] Conversion DispatchSoftkey(RunContext& run, LanguageTable& languages, bool& firstBmxProject);
// Scanning runs: logs every file the softkey line reads.
void LogScannedSource(RunContext& run);

}  // namespace q32
