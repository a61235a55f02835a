#include "platform/FileSystem.h"

#include <vector>

#include "text/Ascii.h"

namespace q32 {

bool File::GetLine(std::string& line, std::size_t maxChars) {
  // A project's lines are short and read thousands of times a run: they go
  // through a buffer on the stack, neither allocated nor cleared each time.
  char small[512];
  if (maxChars < sizeof small) {
    if (!GetLine(small, maxChars + 1)) return false;
    line.assign(small);
    return true;
  }
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
  auto same = [](char a, char b) { return LowerAscii(a) == LowerAscii(b); };
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
