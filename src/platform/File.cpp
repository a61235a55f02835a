#include "platform/FileSystem.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace q32 {

bool File::Printf(const char* format, ...) {
  char small[512];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) {
    va_end(again);
    return false;
  }
  bool ok;
  if (static_cast<std::size_t>(n) < sizeof small) {
    ok = Write(small, static_cast<std::size_t>(n));
  } else {
    std::vector<char> big(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, again);
    ok = Write(big.data(), static_cast<std::size_t>(n));
  }
  va_end(again);
  return ok;
}

bool File::GetLine(std::string& line, std::size_t maxChars) {
  std::vector<char> buffer(maxChars + 1);
  if (!GetLine(buffer.data(), buffer.size())) return false;
  line.assign(buffer.data());
  return true;
}

bool File::ReadAll(std::string& out) {
  out.clear();
  char chunk[65536];
  for (;;) {
    std::size_t n = Read(chunk, sizeof chunk);
    out.append(chunk, n);
    if (n < sizeof chunk) return true;
  }
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // "x.*" also finds "x" on Windows, and "*.*" finds every name.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos &&
      WildcardMatch(pattern.substr(0, pattern.size() - 2), name))
    return true;
  std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && same(pattern[p], name[n])))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace q32
