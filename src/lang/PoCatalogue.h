// Translation catalogues in the form GNU gettext and translators' editors
// write them (".po" language files).
#pragma once

#include "lang/LanguageTexts.h"

#include "diag/MessageCodes.h"

namespace q32 {

class File;

// Longest line, and longest string after its continuation lines are joined,
// that a catalogue may hold; more fails the file.
constexpr std::size_t kMaxCatalogueLine = 64 * 1024;

// Reads a catalogue into an entry (its texts are UTF-8).  Every kind of "#"
// comment is passed over, as are the old ";" comments and empty lines.  A
// string goes on over the quoted lines that follow it, with the C escapes
// decoded.  Each text is named by its msgid; where one msgid comes with
// different contexts, those with a context are named "context|msgid".  The
// header entry (empty msgid) only declares the coding: UTF-8 (kept), ASCII
// (checked to hold no byte above 127), ISO 8859-1, ISO 8859-15 or
// Windows-1252 (converted to UTF-8); an entry without a
// text or marked fuzzy stands for its msgid (the first such is reported as
// untranslated).  Of a plural entry the singular text (msgstr[0]) is taken.
// 0, 8306 (a line that is no catalogue syntax, or too long) or 8309 (another
// coding, or a byte an ASCII catalogue lacks), with the line and why in the
// report.
Msg ReadCatalogue(File& file, LanguageEntry& entry, LanguageFileReport& report);

}  // namespace q32
