// Hands a softkey line's source to its converter by source type, checks
// sources in checking runs, and lists sources in scanning runs.
#pragma once

namespace q32 {

struct RunContext;

// Converts (or only checks) the source in run.softkey; 0 or a message code.
// Codes above 8000 are the caller's to report.
int DispatchSoftkey(RunContext& run);
// Scanning runs: logs every file the softkey line reads.  Always 0.
int LogScannedSource(RunContext& run);

}  // namespace q32
