// Case folding and ordering of ASCII text.  Keywords, switches, defines,
// softkey and menu names are compared without regard to case; the program
// never sets a locale, and these are asked for every keyword of every line,
// so they fold only the 26 ASCII letters, without a library call per
// character.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace q32 {

constexpr char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
// Eight characters in one word, each as UpperAscii makes it (names and
// paths are folded thousands of times a run): a byte below 0x80 from 'a'
// to 'z' loses its 0x20.
constexpr std::uint64_t UpperAscii8(std::uint64_t v) {
  constexpr std::uint64_t kSeven = 0x7F7F7F7F7F7F7F7FULL, kHigh = 0x8080808080808080ULL;
  constexpr std::uint64_t kFromA = 0x1F1F1F1F1F1F1F1FULL;    // 0x80 - 'a'
  constexpr std::uint64_t kBeyondZ = 0x0505050505050505ULL;  // 0x80 - 'z' - 1
  const std::uint64_t seven = v & kSeven;
  return v ^ (((seven + kFromA) & ~(seven + kBeyondZ) & ~v & kHigh) >> 2);
}

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// A name's hash, eight characters at a time, its letters folded to upper
// case where fold says so (so that names equal without regard to case hash
// alike): a run hashes the full path of every file it reads or writes and
// every softkey name, most of them many characters long.
std::uint64_t NameHash(std::string_view name, bool fold);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);
bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix);

// The one order of texts without regard to case: letters folded to lower
// case, then byte order, as the C library's case-blind comparison orders
// them (so "_" sorts before the letters).  Negative, zero or positive.
int CompareIgnoringCase(std::string_view a, std::string_view b);
inline bool LessIgnoringCase(std::string_view a, std::string_view b) { return CompareIgnoringCase(a, b) < 0; }

// The word of the candidates that a mistyped word most likely meant: the
// nearest without regard to case by edits of one character (a letter left
// out, added, changed, or two neighbours swapped), when it is near enough to
// be meant (at most one edit in short words, two from seven letters on);
// empty when none is.
std::string_view NearestWord(std::string_view word, std::span<const std::string_view> candidates);

}  // namespace q32
