// Listings of generated files for the "--- decode" steps of the case tables,
// written over the library's decoders, which read the file formats
// independently of the program's own writers.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace q32test {

// A listing line from a printf format (lines are short).  MinGW's C runtime
// knows %zu, and its compiler checks the format so when told gnu_printf.
#ifdef __MINGW32__
__attribute__((format(gnu_printf, 1, 2)))
#else
__attribute__((format(printf, 1, 2)))
#endif
inline std::string F(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

// Text as a quoted string, a backslash, the quote (when `quote`) and bytes
// outside printable ASCII as \xNN, "..." after the first `limit` bytes.
inline std::string Quoted(const std::string& text, std::size_t limit = 80, bool quote = true) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out += c >= 0x20 && c < 0x7F && (c != '"' || !quote) && c != '\\' ? std::string(1, text[i]) : F("\\x%02X", c);
  }
  return out + (text.size() > limit ? "\"..." : "\"");
}

// A softkey record file (S-records) as the 77 x 48 raster picture it carries,
// one text row per pixel row.
std::string DecodeRasterSoftkey(const std::string& bytes);
// A softkey record file of vector records, walked record by record.
std::string DecodeVectorSoftkey(const std::string& bytes);
// A .bmx file: its header, background and layers.
std::string DecodeBmx(const std::string& bytes);

}  // namespace q32test
