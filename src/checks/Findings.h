// The checks that need the whole project, made after the generating run from
// what the Collector gathered: names cut to fit, menus sharing a number,
// menus no root menu reaches, softkeys no menu shows or named before they
// are defined, UTF-8 bytes in text sources, drawings beyond the softkey.
// Then the findings as the run reports them.
#pragma once

namespace q32 {

class Collector;
struct Diagnostics;

// Every check of the whole project, reading the sources and the softkeys the
// run wrote through the collector's file system.
void FinishChecks(Collector& c);

// Gives every finding its message (the catalogue's text with the detail)
// and, when `report` (-W), reports each as a warning of its number, an error
// under -Werror.
void ReportFindings(Collector& c, Diagnostics& d, bool report);

}  // namespace q32
