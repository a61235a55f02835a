// The softkey system list QUILLONK.SYS: one line per generated softkey file,
// with its path on the control.
#pragma once

namespace q32 {

struct RunContext;

// Creates QUILLONK.SYS in the working directory as the run's system-list
// stream; false when it cannot be created (the run driver reports 8220).
bool OpenSystemList(RunContext& run);
// Writes the current softkey's targetPath when the list is open; false after
// a failed write (reported here as 8223 naming QUILLONK.SYS).
[[nodiscard]] bool AddSystemListEntry(RunContext& run);

}  // namespace q32
