// The reports of a run as a SARIF 2.1.0 log, the form CI systems and code
// review tools read: one rule per message number (its catalogue text as the
// rule's description), one result per report with its file and line.
#pragma once

#include <string>
#include <string_view>

namespace q32 {

struct Diagnostics;

// The log of the reports kept in d (Diagnostics::keepReports), as UTF-8 JSON.
std::string SarifLog(Diagnostics& d, std::string_view toolName, std::string_view toolVersion);

// A file URI of a full host path ("/home/x" or "C:\x"), its bytes
// (Windows-1252) percent-encoded as UTF-8.
std::string FileUri(std::string_view fullPath);

}  // namespace q32
