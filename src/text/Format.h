// printf-style formatting into strings, for the fixed formats of generated
// lines and listings.  (Catalogue texts are never formats: the catalogue's
// own formatter, FormatMessageText, feeds only the arguments that exist.)
#pragma once

#include <string>

namespace q32 {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
void AppendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace q32
