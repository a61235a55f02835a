#include "text/Format.h"

#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace q32 {
namespace {

// Whether a format holds only %s, %c, %d, %u and %% (no flags, width,
// precision or length): most of the program's, written thousands of times a
// run (a tree file's item lines), which are appended by hand below.
bool Plain(const char* format) {
  for (const char* p = format; *p; ++p)
    if (*p == '%' && (++p, *p != 's' && *p != 'c' && *p != 'd' && *p != 'u' && *p != '%')) return false;
  return true;
}

template <typename T>
void AppendNumber(std::string& out, T value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, static_cast<std::size_t>(end - digits));
}

// What vsnprintf makes of a plain format, a null %s as "(null)" too.
void AppendPlain(std::string& out, const char* format, va_list args) {
  for (const char* p = format; *p; ++p) {
    const char* run = p;
    while (*p && *p != '%') ++p;
    out.append(run, static_cast<std::size_t>(p - run));
    if (!*p) break;
    switch (*++p) {
      case 's': {
        const char* text = va_arg(args, const char*);
        out += text ? text : "(null)";
        break;
      }
      case 'c': out += static_cast<char>(va_arg(args, int)); break;
      case 'd': AppendNumber(out, va_arg(args, int)); break;
      case 'u': AppendNumber(out, va_arg(args, unsigned)); break;
      default: out += '%'; break;
    }
  }
}

void AppendV(std::string& out, const char* format, va_list args) {
  if (Plain(format)) return AppendPlain(out, format, args);
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

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

std::uint64_t Load8(const char* at) {
  std::uint64_t v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

// Whether one of eight bytes may be a control character, a quote or a
// backslash (never false when one is; rarely true when none is).
bool MayNeedEscape(std::uint64_t v) {
  auto hasZero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
  const std::uint64_t below = (v - kOnes * 0x20) & ~v & kHighs;
  return (below | hasZero(v ^ (kOnes * '"')) | hasZero(v ^ (kOnes * '\\'))) != 0;
}

bool NeedsEscape(char c) { return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '\\'; }

}  // namespace

void AppendJsonString(std::string& out, std::string_view utf8) {
  out += '"';
  // The characters that stand as they are, eight at a time where none of
  // them needs a look: a report's text has few others, and a language
  // server sends thousands of them.
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t plain = at;
    while (plain < utf8.size()) {
      if (plain + 8 <= utf8.size() && !MayNeedEscape(Load8(utf8.data() + plain))) {
        plain += 8;
        continue;
      }
      if (NeedsEscape(utf8[plain])) break;
      ++plain;
    }
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
  out += '"';
}

std::string JsonString(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() + 2);
  AppendJsonString(out, utf8);
  return out;
}

}  // namespace q32
