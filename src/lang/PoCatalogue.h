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
// header entry (empty msgid) only declares the coding: UTF-8 (kept, and the
// coding of a catalogue without a charset), ASCII, ISO 8859-1, ISO 8859-15
// or Windows-1252 (converted to UTF-8).  An entry without a text or marked
// fuzzy stands for its msgid (the first such is reported as untranslated or
// fuzzy).  Of a plural entry the singular text (msgstr[0]) is taken.
// 0, 8306 (a line that is no catalogue syntax, or too long) or 8309 (another
// charset; a byte that the declared one lacks, at its line; a file in UTF-16
// or UTF-32, at line 1), with the line and why in the report; a fix that
// the report names is a command run in the file's folder on the file name.
Msg ReadCatalogue(File& file, std::string_view name, LanguageEntry& entry, LanguageFileReport& report);

}  // namespace q32
