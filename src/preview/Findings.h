// The findings that need the whole project, made after the generating run
// from what the Collector gathered: names cut to fit, menus sharing a
// number, menus no root menu reaches, softkeys no menu shows or named before
// they are defined, UTF-8 bytes in text sources, drawings beyond the softkey.
#pragma once

namespace q32 {

class Collector;
class OverlayFileSystem;

void CheckNames(Collector& c);
void CheckReach(Collector& c);
void CheckSoftkeyUse(Collector& c);
void CheckTextSources(Collector& c, OverlayFileSystem& fs);
// After the site has decoded the drawings (Output::drawings).
void CheckDrawings(Collector& c);

}  // namespace q32
