// Hands a softkey line's source to its converter by source type, checks
// sources in checking runs, and lists sources in scanning runs.
#pragma once

#include <string>

#include "formats/SoftkeyFormats.h"

namespace q32 {

struct LanguageTable;
struct RunContext;

// Converts (or only checks) the source in run.softkey.  BMX projects take
// their language texts from languages: the first of a run (firstBmxProject,
// which is cleared) loads them afresh, the later ones use them again.
[[nodiscard]] Conversion DispatchSoftkey(RunContext& run, LanguageTable& languages, bool& firstBmxProject);
// Scanning runs: logs every file the softkey line reads.
void LogScannedSource(RunContext& run);

}  // namespace q32
