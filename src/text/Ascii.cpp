#include "text/Ascii.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace q32 {

std::string UpperCase(std::string_view text) {
  std::string out(text);
  std::size_t at = 0;
  for (std::uint64_t v; at + 8 <= out.size(); at += 8) {
    std::memcpy(&v, out.data() + at, sizeof v);
    v = UpperAscii8(v);
    std::memcpy(out.data() + at, &v, sizeof v);
  }
  for (; at < out.size(); ++at) out[at] = UpperAscii(out[at]);
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && EqualsIgnoringCase(text.substr(text.size() - suffix.size()), suffix);
}

namespace {

// Edits of one character between a and b, without regard to case, with a
// swap of neighbours as one edit; stops counting at limit + 1.
std::size_t EditDistance(std::string_view a, std::string_view b, std::size_t limit) {
  if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit) return limit + 1;
  std::vector<std::size_t> before(b.size() + 1), row(b.size() + 1), now(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    now[0] = i;
    std::size_t best = now[0];
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const bool same = LowerAscii(a[i - 1]) == LowerAscii(b[j - 1]);
      now[j] = std::min({row[j] + 1, now[j - 1] + 1, row[j - 1] + (same ? 0 : 1)});
      if (i > 1 && j > 1 && LowerAscii(a[i - 1]) == LowerAscii(b[j - 2]) && LowerAscii(a[i - 2]) == LowerAscii(b[j - 1]))
        now[j] = std::min(now[j], before[j - 2] + 1);
      best = std::min(best, now[j]);
    }
    if (best > limit) return limit + 1;
    before.swap(row);
    row.swap(now);
  }
  return row[b.size()];
}

}  // namespace

std::string_view NearestWord(std::string_view word, std::span<const std::string_view> candidates) {
  const std::size_t limit = word.size() >= 7 ? 2 : 1;
  std::string_view best;
  std::size_t bestDistance = limit + 1;
  for (std::string_view candidate : candidates) {
    const std::size_t d = EditDistance(word, candidate, limit);
    if (d > 0 && d < bestDistance) {
      best = candidate;
      bestDistance = d;
    }
  }
  return best;
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(LowerAscii(a[i])), y = static_cast<unsigned char>(LowerAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::uint64_t NameHash(std::string_view name, bool fold) {
  std::uint64_t h = 0x9e3779b97f4a7c15ull ^ name.size();
  auto mix = [fold, &h](std::uint64_t w) { h = (h ^ (fold ? UpperAscii8(w) : w)) * 0x100000001b3ull; };
  std::size_t at = 0;
  for (; at + 8 <= name.size(); at += 8) {
    std::uint64_t w;
    std::memcpy(&w, name.data() + at, 8);
    mix(w);
  }
  if (at < name.size()) {
    std::uint64_t w = 0;
    std::memcpy(&w, name.data() + at, name.size() - at);
    mix(w);
  }
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return h;
}

}  // namespace q32
