#include "text/Encoding.h"

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

// ISO 8859-1 0xA0 to 0xFF in code page 850.
constexpr unsigned char kLatin1To850[96] = {
    0xFF, 0xAD, 0xBD, 0x9C, 0xCF, 0xBE, 0xDD, 0xF5, 0xF9, 0xB8, 0xA6, 0xAE, 0xAA, 0xF0, 0xA9, 0xEE,
    0xF8, 0xF1, 0xFD, 0xFC, 0xEF, 0xE6, 0xF4, 0xFA, 0xF7, 0xFB, 0xA7, 0xAF, 0xAC, 0xAB, 0xF3, 0xA8,
    0xB7, 0xB5, 0xB6, 0xC7, 0x8E, 0x8F, 0x92, 0x80, 0xD4, 0x90, 0xD2, 0xD3, 0xDE, 0xD6, 0xD7, 0xD8,
    0xD1, 0xA5, 0xE3, 0xE0, 0xE2, 0xE5, 0x99, 0x9E, 0x9D, 0xEB, 0xE9, 0xEA, 0x9A, 0xED, 0xE8, 0xE1,
    0x85, 0xA0, 0x83, 0xC6, 0x84, 0x86, 0x91, 0x87, 0x8A, 0x82, 0x88, 0x89, 0x8D, 0xA1, 0x8C, 0x8B,
    0xD0, 0xA4, 0x95, 0xA2, 0x93, 0xE4, 0x94, 0xF6, 0x9B, 0x97, 0xA3, 0x96, 0x81, 0xEC, 0xE7, 0x98};

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
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
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
    int b = UnicodeToCp1252(u);
    out += b < 0 ? '?' : static_cast<char>(b);
    i = j;
  }
  return out;
}

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
  return kLatin1To850[c - 0xA0];
}

std::size_t FindUtf8Sequence(std::string_view text, std::size_t& length) {
  for (std::size_t at = 0; at < text.size(); ++at) {
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
