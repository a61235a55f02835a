// Text softkeys: one to three rows of text, centred on the softkey, in the
// language of the control.  The source holds the text once per language; the
// softkey tests the control's language before each text and shows the
// English one when no other matches.
#pragma once

#include <cstddef>
#include <string_view>

#include "diag/MessageCodes.h"

namespace q32 {

struct RunContext;

// Text lines taken from a source, and the columns of a source line.
constexpr std::size_t kMaxTextSoftkeyLines = 40;
constexpr std::size_t kTextSourceLineLimit = 79;
constexpr std::size_t kTextColumns = 29;
constexpr std::size_t kLanguageColumn = 31;  // 1-based column where the identifier may start
constexpr std::size_t kMaxTextRows = 3;

// Converts the source into a text softkey beside it (".PIC").  kindLetter is
// 'S', 'M' or 'B' (small, medium, big text).  0, 8220, 8222, or 8223 when a
// record cannot be written; every failure is reported here and the output
// file keeps what was written.
Msg ConvertTextSoftkey(RunContext& run, std::string_view source, char kindLetter);

// The control shows ISO 8859-1; sources are written in code page 850.
unsigned char Cp850ToLatin1(unsigned char c);

}  // namespace q32
