// The reports of a run as a SARIF 2.1.0 log, the form CI systems and code
// review tools read: one rule per message number (its catalogue text as the
// rule's description), one result per report with its place (file, line and
// columns), its notes and the report it follows from as related locations.
// Files below the directory the run started in are named relative to it
// (the base %SRCROOT%, which the log gives as that directory), so that a
// code-scanning service finds them in its checkout.
#pragma once

#include <string>
#include <string_view>

namespace q32 {

struct Diagnostics;

// The log of the reports kept in d, as UTF-8 JSON.
std::string SarifLog(Diagnostics& d, std::string_view toolName, std::string_view toolVersion);

// A file URI of a host's full name ("/home/x" or "C:\x"): its characters'
// UTF-8 bytes percent-encoded where a URI may not hold them.
std::string FileUri(std::string_view hostName);

}  // namespace q32
