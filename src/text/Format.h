// printf-style formatting into strings, for the fixed formats of generated
// lines and listings.  (Catalogue texts are never formats: the catalogue's
// own formatter, FormatMessageText, feeds only the arguments that exist.)
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace q32 {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
void AppendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Text as a quoted string for a listing: a backslash, the quote (when
// `quote`) and bytes outside printable ASCII as \xNN, "..." after the first
// `limit` bytes.
std::string Quoted(std::string_view text, std::size_t limit = 80, bool quote = true);

// A JSON string of UTF-8 text, quotes included: quote and backslash escaped,
// a control character as \n, \r, \t or \u00XX, every other byte as it is.
std::string JsonString(std::string_view utf8);
// The same appended to out.
void AppendJsonString(std::string& out, std::string_view utf8);

}  // namespace q32
