#include "text/Encoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "text/Format.h"

namespace q32 {
namespace {

constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Console replacements of 0x80 to 0x9F.
constexpr unsigned char kConsoleC1[32] = {
    0x5F, 0x5F, 0x27, 0x9F, 0x22, 0x2E, 0xC5, 0xCE, 0x5E, 0x25, 0x53, 0x3C, 0x4F, 0x5F, 0x5A, 0x5F,
    0x5F, 0x27, 0x27, 0x22, 0x22, 0x2E, 0x2D, 0x2D, 0x7E, 0x54, 0x73, 0x3E, 0x6F, 0x5F, 0x7A, 0x59};

// Code page 850's 0x80 to 0xFF: the accented letters, signs and box
// drawing of the control's text sources.  Every character of ISO 8859-1
// from 0xA0 on has its place here, which the console conversion uses.
constexpr char16_t kCp850High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

int UnicodeToCp850(char32_t u) {
  if (u < 0x80) return static_cast<int>(u);
  for (int i = 0; i < 128; ++i)
    if (kCp850High[i] == u) return 0x80 + i;
  return -1;
}

void AppendUtf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// Where ISO 8859-15 differs from ISO 8859-1.
struct Latin9Sign {
  unsigned char byte;
  char32_t code;
};
constexpr Latin9Sign kLatin9Signs[8] = {{0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161}, {0xB4, 0x017D},
                                        {0xB8, 0x017E}, {0xBC, 0x0152}, {0xBD, 0x0153}, {0xBE, 0x0178}};

}  // namespace

char32_t Cp1252ToUnicode(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
  return c;
}

int UnicodeToCp1252(char32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<int>(u);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == u) return 0x80 + i;
  return -1;
}

std::string Cp1252ToUtf8(std::string_view text) {
  // Plain ASCII, as nearly every message and path is, is its own UTF-8.
  if (IsAscii(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

namespace {

// UTF-8 to a single-byte code page; characters that it lacks, and
// malformed sequences, become "?".
std::string Utf8ToSingleByte(std::string_view text, int (*encode)(char32_t)) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    // Runs of ASCII, most of a project's text, are the same bytes in every
    // single-byte code page: copied whole.
    const std::size_t plain = FirstNonAscii(text.substr(i));
    out.append(text, i, plain == std::string_view::npos ? std::string_view::npos : plain);
    if (plain == std::string_view::npos) break;
    i += plain;
    unsigned char c = static_cast<unsigned char>(text[i]);
    int extra;
    char32_t u;
    if (c < 0x80) { extra = 0; u = c; }
    else if ((c & 0xE0) == 0xC0) { extra = 1; u = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { extra = 2; u = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { extra = 3; u = c & 0x07; }
    else { out += '?'; ++i; continue; }
    std::size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < extra; ++k, ++j) {
      if (j >= text.size() || (static_cast<unsigned char>(text[j]) & 0xC0) != 0x80) { ok = false; break; }
      u = (u << 6) | (static_cast<unsigned char>(text[j]) & 0x3F);
    }
    if (!ok) { out += '?'; i = j > i + 1 ? j : i + 1; continue; }
    int b = encode(u);
    out += b < 0 ? '?' : static_cast<char>(b);
    i = j;
  }
  return out;
}

}  // namespace

std::string Utf8ToCp1252(std::string_view text) { return Utf8ToSingleByte(text, UnicodeToCp1252); }

std::string Cp850ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    AppendUtf8(out, b < 0x80 ? b : kCp850High[b - 0x80]);
  }
  return out;
}

std::string Utf8ToCp850(std::string_view text) { return Utf8ToSingleByte(text, UnicodeToCp850); }

std::string SingleByteToUtf8(std::string_view text, SingleByteCoding coding) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    char32_t u = coding == SingleByteCoding::Windows1252 ? Cp1252ToUnicode(b) : b;
    if (coding == SingleByteCoding::Latin9)
      for (const Latin9Sign& sign : kLatin9Signs)
        if (sign.byte == b) u = sign.code;
    AppendUtf8(out, u);
  }
  return out;
}

unsigned char Cp1252ToCp850(unsigned char c) {
  if (c < 0x80) return c;
  if (c < 0xA0) return kConsoleC1[c - 0x80];
  return static_cast<unsigned char>(UnicodeToCp850(c));
}

std::size_t FirstNonAscii(std::string_view text) {
  std::size_t at = 0;
  for (std::uint64_t eight; at + 8 <= text.size(); at += 8) {
    std::memcpy(&eight, text.data() + at, sizeof eight);
    if (eight & 0x8080808080808080ULL) break;
  }
  for (; at < text.size(); ++at)
    if (static_cast<unsigned char>(text[at]) >= 0x80) return at;
  return std::string_view::npos;
}

std::size_t FindUtf8Sequence(std::string_view text, std::size_t& length) {
  // Plain ASCII is one character a byte.
  for (std::size_t at = FirstNonAscii(text); at < text.size(); ++at) {
    char32_t u;
    const std::size_t n = DecodeUtf8At(text, at, u);
    if (n > 1) {
      length = n;
      return at;
    }
  }
  return std::string_view::npos;
}

std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

std::size_t DecodeUtf8At(std::string_view text, std::size_t at, char32_t& u) {
  const auto b = static_cast<unsigned char>(text[at]);
  u = b;
  const std::size_t length = Utf8SequenceLength(b);
  if (length <= 1) return length;
  const std::size_t follow = length - 1;
  const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  u = b & (0x7F >> length);
  if (at + follow >= text.size()) return 0;
  for (std::size_t f = 1; f <= follow; ++f) {
    const auto c = static_cast<unsigned char>(text[at + f]);
    if ((c & 0xC0) != 0x80) return 0;
    u = (u << 6) | (c & 0x3F);
  }
  if (u < least || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return 0;
  return follow + 1;
}

bool IsUtf8Text(std::string_view text, std::size_t& stray) {
  stray = std::string_view::npos;
  bool sequence = false;
  for (std::size_t at = 0; at < text.size();) {
    // Plain ASCII is one character a byte, and a project is mostly that: the
    // whole file is looked at on every run.
    const std::size_t plain = FirstNonAscii(text.substr(at));
    if (plain == std::string_view::npos) break;
    at += plain;
    char32_t u;
    const std::size_t length = DecodeUtf8At(text, at, u);
    if (length == 0) {
      stray = at;
      break;
    }
    sequence = sequence || length > 1;
    at += length;
  }
  return text.substr(0, 3) == "\xEF\xBB\xBF" || (sequence && stray == std::string_view::npos);
}

std::string Utf8LineToCp1252(std::string_view line, std::string& problem, std::size_t* where) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t at = 0; at < line.size();) {
    char32_t u;
    const std::size_t length = DecodeUtf8At(line, at, u);
    const int b = length == 0 ? -1 : UnicodeToCp1252(u);
    if (b >= 0) {
      out += static_cast<char>(b);
    } else {
      if (problem.empty() && where) *where = out.size();
      out += '?';
      if (problem.empty())
        problem = length == 0 ? "the byte " + HexBytes(line.substr(at, 1))
                              : Format("U+%04X (", static_cast<unsigned>(u)) + HexBytes(line.substr(at, length)) + ")";
    }
    at += length == 0 ? 1 : length;
  }
  return out;
}

std::string HexBytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

}  // namespace q32
