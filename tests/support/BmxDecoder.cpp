// A listing of ".bmx" softkey images, read from the file layout alone (none of
// the generator's code), so that the cases show what a control would read:
// the background bitmap, the header, the attribute dictionary and every
// record, layers rebuilt over the background from their run-length units.
// Whatever the bytes hold, a fault becomes a "!!" line, never a crash.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "support/Decoders.h"

namespace q32test {
namespace {

__attribute__((format(printf, 1, 2))) std::string F(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::uint32_t WordAt(const std::string& s, std::size_t at) {
  if (at > s.size() || s.size() - at < 4) throw std::out_of_range(F("ends inside a word at %zu", at));
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

std::uint32_t Pixel(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
         static_cast<unsigned char>(s[at + 2]) << 16;
}

// Text as a quoted string, bytes outside printable ASCII as \xNN.
std::string Quoted(const std::string& text, std::size_t limit = 80) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    out += c >= 0x20 && c < 0x7F && c != '"' && c != '\\' ? std::string(1, static_cast<char>(c)) : F("\\x%02X", c);
  }
  return out + (text.size() > limit ? "\"..." : "\"");
}

// An 8-byte name field: the name up to its first zero.
std::string Name(const std::string& s, std::size_t at) {
  if (at > s.size() || s.size() - at < 8) throw std::out_of_range(F("ends inside the name at %zu", at));
  std::string field = s.substr(at, 8), name = field.substr(0, field.find('\0'));
  return field.find_first_not_of('\0', name.size()) == std::string::npos ? name : name + " (!! not zero-filled)";
}

// The pixels of a 24-bit bitmap whose info header lies at info and pixels at
// pixels, as 6-digit values (low byte first in the file); empty with a reason
// when the header or the bytes do not allow it.
std::vector<std::uint32_t> Pixels24(const std::string& s, std::size_t info, std::size_t pixels, int& width,
                                    int& height, std::string& why) {
  width = static_cast<std::int32_t>(WordAt(s, info + 4));
  height = static_cast<std::int32_t>(WordAt(s, info + 8));
  const std::uint32_t bits = WordAt(s, info + 12) >> 16, compression = WordAt(s, info + 16);
  const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  const std::int64_t rowSize = (static_cast<std::int64_t>(width) * 3 + 3) / 4 * 4;
  if (bits != 24 || compression != 0 || width <= 0 || rows == 0 || width > 4096 || rows > 4096)
    why = F("%d x %d pixels, %u bits, compression %u", width, height, bits, compression);
  else if (pixels > s.size() || static_cast<std::int64_t>(s.size() - pixels) < rowSize * rows)
    why = F("%d x %d pixels, !! pixels beyond the bytes", width, height);
  std::vector<std::uint32_t> out;
  for (std::int64_t y = 0; why.empty() && y < rows; ++y)
    for (int x = 0; x < width; ++x) out.push_back(Pixel(s, pixels + y * rowSize + x * 3));
  return out;
}

// Pixels as rows in file order when they are few, else how many differ from
// base (when given).
std::string Rows(const std::vector<std::uint32_t>& p, int width, const std::vector<std::uint32_t>* base = nullptr) {
  std::string out;
  if (p.size() > 64) {
    std::size_t differ = 0;
    for (std::size_t i = 0; base && i < p.size(); ++i) differ += p[i] != (*base)[i];
    return base ? F("    %zu pixels, %zu differ from the background\n", p.size(), differ)
                : F("    %zu pixels\n", p.size());
  }
  for (std::size_t i = 0; i < p.size(); ++i)
    out += F(i % width == 0 ? "    %06X" : " %06X", p[i]) + ((i + 1) % width == 0 ? "\n" : "");
  return out;
}

}  // namespace

// The units of a layer stream ("run", "skip", "literal", the first twelve
// listed) and the pixel differences they stand for; false with the fault at a
// malformed unit.
bool DecodeLayerUnits(const std::string& s, std::vector<std::uint32_t>& d, std::string& units, std::string& error) {
  d.clear();
  units.clear();
  std::size_t count = 0;
  auto add = [&](const std::string& unit) { units += ++count <= 12 ? unit + ", " : count == 13 ? "..., " : ""; };
  for (std::size_t at = 0;;) {
    if (at + 4 > s.size()) return error = "no end unit", false;
    if (d.size() > (1u << 24)) return error = "more pixels than any picture holds", false;
    const unsigned char a = static_cast<unsigned char>(s[at]), b = static_cast<unsigned char>(s[at + 1]);
    if (a != 0) {
      add(F("run %u %06X", a, Pixel(s, at + 1)));
      d.insert(d.end(), a, Pixel(s, at + 1));
      at += 4;
    } else if (b == 1) {
      units += count > 12 ? F("end (%zu units before)", count) : "end";
      if (s[at + 2] != 0 || s[at + 3] != 0) return error = "end unit not 00 01 00 00", false;
      if (at + 4 != s.size()) return error = "bytes after the end unit", false;
      return true;
    } else if (b == 2) {
      const std::size_t n = static_cast<unsigned char>(s[at + 2]) | static_cast<unsigned char>(s[at + 3]) << 8;
      add(F("skip %zu", n));
      if (n == 0) return error = "skip of 0", false;
      d.insert(d.end(), n, 0);
      at += 4;
    } else if (b >= 3) {
      const std::size_t end = (at + 2 + 3 * b + 3) / 4 * 4;
      if (end > s.size()) return error = "literal beyond the stream", false;
      std::string unit = F("literal %u", b);
      for (std::size_t k = 0; k < b; ++k) {
        d.push_back(Pixel(s, at + 2 + 3 * k));
        if (k < 4 || k + 1 == b) unit += F(k + 1 == b && k > 4 ? " ... %06X" : " %06X", d.back());
      }
      add(unit);
      for (std::size_t k = at + 2 + 3 * b; k < end; ++k)
        if (s[k] != 0) return error = "literal padding not zero", false;
      at = end;
    } else {
      return error = "unit 00 00", false;
    }
  }
}

std::string DecodeBmx(const std::string& s) {
  std::string out;
  try {
    std::size_t at = 0;
    std::vector<std::uint32_t> background;
    int width = 0, height = 0;
    if (s.compare(0, 2, "BM") == 0 && s.compare(0, 4, "BMX2") != 0) {
      at = WordAt(s, 2);
      if (at > s.size()) throw std::out_of_range(F("background size %zu beyond the file", at));
      std::string why;
      background = Pixels24(s.substr(0, at), 14, WordAt(s, 10), width, height, why);
      out += F("background: %zu bytes, ", at) + (why.empty() ? F("%d x %d pixels\n", width, height) : why + "\n");
      out += Rows(background, width);
    } else {
      out += "background: none\n";
    }
    const std::string magic = s.substr(at, 4);
    at += 4;
    if (magic == "BXX3") {
      std::uint32_t w[10];
      for (auto& word : w) word = WordAt(s, at), at += 4;
      out += F("BXX3: transparent colour %u %06X, background colour %u %06X, interval %u\n", w[0], w[1], w[2],
               w[3], w[4]);
      out += F("      size %u x %u, coding %s, scalable %u, last word %u\n", w[5], w[6],
               w[7] == 0 ? "Latin-1" : w[7] == 1 ? "UTF-8" : "!! unknown", w[8], w[9]);
    } else if (magic == "BMX2") {
      out += "BMX2\n";
    } else {
      return out + "!! no BMX2 or BXX3 at " + std::to_string(at - 4) + "\n";
    }
    const std::uint32_t keyCount = WordAt(s, at);
    if (keyCount > 64) return out + F("!! %u dictionary keys\n", keyCount);
    std::vector<std::pair<std::string, std::vector<std::string>>> keys(keyCount);
    at += 4;
    for (auto& [key, values] : keys) {
      key = Name(s, at);
      const std::uint32_t n = WordAt(s, at + 8);
      std::string line = "key " + key + ":";
      for (at += 12; values.size() < n; at += 8) line += " " + values.emplace_back(Name(s, at));
      out += line + "\n";
    }
    // Records alike in every field are counted, not listed again.
    std::string previousHead, previousBody;
    int same = 0;
    for (int record = 1;; ++record) {
      const std::uint32_t type = WordAt(s, at);
      if (type == 0) {
        if (same > 0) out += F("    (%d more alike)\n", same);
        if (at + 4 != s.size()) out += F("!! %zu bytes after the final word\n", s.size() - at - 4);
        return out + "end\n";
      }
      const std::uint32_t next = WordAt(s, at + 4);
      static const char* kTypes[] = {"?", "layer", "text", "placed bitmap", "svg"};
      std::string head = type < 5 ? kTypes[type] : F("type %u", type), body;
      at += 8;
      for (const auto& [key, values] : keys) {
        const std::uint32_t index = WordAt(s, at);
        at += 4;
        if (index != 0xFFFFFFFFu) head += " " + key + "=" + (index < values.size() ? values[index] : F("!!%u", index));
      }
      if (next < at || next > s.size()) return out + F("record %d: ", record) + head + F("\n!! next at %u\n", next);
      const std::string b = s.substr(at, next - at);
      at = next;
      auto w = [&b](std::size_t k) { return static_cast<int>(WordAt(b, 4 * k)); };  // body word k
      if (type == 1) {
        std::vector<std::uint32_t> d;
        std::string units, error;
        if (WordAt(b, 0) != b.size() - 4) body += F("!! units size word %d\n", w(0));
        const bool ok = DecodeLayerUnits(b.substr(4), d, units, error);
        body += "    " + (units.empty() ? "no whole unit" : units) + "\n";
        if (!ok) body += "!! " + error + "\n";
        if (d.size() > background.size()) body += "!! more pixels than the background\n";
        std::vector<std::uint32_t> picture = background;
        for (std::size_t i = 0; ok && i < d.size() && i < picture.size(); ++i) picture[i] ^= d[i];
        if (ok && d.size() <= picture.size()) body += Rows(picture, width, &background);
      } else if (type == 2) {
        const std::uint32_t length = WordAt(b, 80);
        const std::string text = length > 0 && length <= b.size() - 84 ? b.substr(84, length - 1) : "";
        const std::size_t fontEnd = b.find('\0', 36);
        body += F("    horizontal %d vertical %d, position %d %d %d, size given %d, font %d %d ", w(1), w(2), w(3),
                  w(4), w(5), w(6), w(7), w(8)) +
                Quoted(b.substr(36, fontEnd - 36), 36) + F(", colour %d %06X\n    ", w(18), w(19)) + Quoted(text) +
                "\n";
        bool zero = w(0) == 0 && b.size() == (84 + length + 3) / 4 * 4;
        for (std::size_t i = fontEnd; i < 72; ++i) zero = zero && b[i] == 0;
        for (std::size_t i = 84 + text.size(); i < b.size(); ++i) zero = zero && b[i] == 0;
        if (!zero || length == 0) body += "!! text body not as laid out\n";
      } else if (type == 3) {
        std::string why;
        int width = 0, height = 0;
        std::vector<std::uint32_t> pixels = Pixels24(b, 20, 20 + WordAt(b, 12), width, height, why);
        body += F("    position %d %d %d, pixel offset %d, %d bytes, ", w(0), w(1), w(2), w(3), w(4)) +
                (why.empty() ? F("%d x %d pixels\n", width, height) + Rows(pixels, width) : why + "\n");
        if (WordAt(b, 16) != b.size() - 20) body += "!! size word\n";
      } else if (type == 4) {
        body += F("    word %d, position %d %d %d, size %d %d %d, %d bytes ", w(0), w(1), w(2), w(3), w(4), w(5), w(6),
                  w(7)) +
                Quoted(b.substr(32), 60) + "\n";
        if (WordAt(b, 28) != b.size() - 32) body += "!! size word\n";
      } else {
        body += F("    %zu bytes\n", b.size());
      }
      if (head == previousHead && body == previousBody) {
        ++same;
        continue;
      }
      if (same > 0) out += F("    (%d more alike)\n", same);
      out += F("record %d: ", record) + head + (body == previousBody ? ", body as above\n" : "\n" + body);
      previousHead = head, previousBody = body, same = 0;
    }
  } catch (const std::out_of_range& e) {
    return out + "!! file " + e.what() + "\n";
  }
}

}  // namespace q32test
