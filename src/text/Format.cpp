#include "text/Format.h"

#include <cstdarg>
#include <cstdio>

namespace q32 {
namespace {

void AppendV(std::string& out, const char* format, va_list args) {
  char small[256];
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(small, sizeof small, format, args);
  if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
    out.append(small, static_cast<std::size_t>(n));
  } else if (n > 0) {
    const std::size_t old = out.size();
    out.resize(old + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data() + old, static_cast<std::size_t>(n) + 1, format, again);
    out.resize(old + static_cast<std::size_t>(n));
  }
  va_end(again);
}

}  // namespace

std::string Format(const char* format, ...) {
  std::string out;
  va_list args;
  va_start(args, format);
  AppendV(out, format, args);
  va_end(args);
  return out;
}

void AppendFormat(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendV(out, format, args);
  va_end(args);
}

std::string Quoted(std::string_view text, std::size_t limit, bool quote) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F && (c != '"' || !quote) && c != '\\') out += text[i];
    else AppendFormat(out, "\\x%02X", c);
  }
  return out + (text.size() > limit ? "\"..." : "\"");
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  out.reserve(utf8.size() + 2);
  // The characters that stand as they are, a run at a time: a report's text
  // has few others, and a language server sends thousands of them.
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t plain = at;
    while (plain < utf8.size() && static_cast<unsigned char>(utf8[plain]) >= 0x20 && utf8[plain] != '"' &&
           utf8[plain] != '\\')
      ++plain;
    out.append(utf8, at, plain - at);
    if (plain == utf8.size()) break;
    const char c = utf8[plain];
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: AppendFormat(out, "\\u%04x", static_cast<unsigned char>(c));
    }
    at = plain + 1;
  }
  return out + "\"";
}

}  // namespace q32
