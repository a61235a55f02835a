// A vector softkey record file walked record by record, from the record
// file's own layout and the control's record words, without the program's
// writers.  Every relative operand (skips, language tests, block headers,
// calls) counts from the address of the operand word itself, except that a
// call counts without the 20-byte header of the block it stands in, and from
// 24 bytes further in the main code; the listing says where each one lands,
// and its last line whether every skip lands on a record, every call on a
// block, the blocks skip right after a block end and the end word at the end.  A file the walker cannot follow ends its listing with
// a line that says why.
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "support/Decoders.h"

namespace q32test {
namespace {

std::string Format(const char* format, long a = 0, long b = 0, long c = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The data bytes of the S3 lines; every other finding is a listing line.
std::vector<std::uint8_t> ReadRecords(const std::string& text, std::string& notes) {
  std::vector<std::uint8_t> data;
  long lineNo = 0, dataLines = 0, counted = -1;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<int> b;
    bool hex = line.size() >= 4 && line[0] == 'S' && line.size() % 2 == 0;
    for (std::size_t i = 2; hex && i < line.size(); i += 2) {
      int hi = Hex(line[i]), lo = Hex(line[i + 1]);
      hex = hi >= 0 && lo >= 0;
      b.push_back(hi * 16 + lo);
    }
    if (!hex || b.empty() || b[0] + 1 != static_cast<int>(b.size())) {
      notes += Format("line %ld: not an S-record\n", lineNo);
      continue;
    }
    int sum = 0;
    for (int v : b) sum += v;
    if (sum % 256 != 255) notes += Format("line %ld: bad checksum\n", lineNo);
    if (counted >= 0) notes += Format("line %ld: after the count line\n", lineNo);
    const char type = line[1];
    if (lineNo == 1 && type != '0') notes += "line 1: no header line\n";
    if (lineNo != 1 && type == '0') notes += Format("line %ld: a second header line\n", lineNo);
    if (type == '0') continue;
    if (type == '5' && b.size() == 4) {
      counted = b[1] * 256 + b[2];
    } else if (type == '3' && b.size() >= 6) {
      long address = (long{b[1]} << 24) | (b[2] << 16) | (b[3] << 8) | b[4];
      if (address != static_cast<long>(data.size()))
        notes += Format("line %ld: address 0x%lX, expected 0x%lX\n", lineNo, address, static_cast<long>(data.size()));
      data.insert(data.end(), b.begin() + 5, b.end() - 1);
      ++dataLines;
    } else {
      notes += Format("line %ld: unexpected record type\n", lineNo);
    }
  }
  if (counted < 0) notes += "no count line\n";
  else if (counted != dataLines % 65536) notes += Format("count line says %ld, file has %ld data lines\n", counted, dataLines);
  return data;
}

// Record layouts: one character per word after the opcode.  x y: a point;
// r radius; c colour; s size code; P para; L a header's plain bytes + 2;
// t character count and characters; any other character is a fixed word.
// A strict layout (prefixes, block header) matches only with every fixed
// word; a drawing record shows a fixed word that differs.
struct Kind {
  long op;
  const char* name;
  const char* words;
  bool strict;
};
const Kind kKinds[] = {
    {0x1200, "line", "xyxy0c", false},       {0x1240, "para line", "4xyxy01", false},
    {0x1A00, "circle", "xyr0c", false},      {0x1A40, "para circle", "8xyr01", false},
    {0x1C00, "arc", "xyxyxy00c", false},     {0x1C40, "para arc", "axyxyxy001", false},
    {0x2200, "fill", "xyFc", false},         {0x2240, "para fill", "hxyF1", false},
    {0x1000, "point", "xyc", false},         {0x1040, "para point", "pxy1", false},
    {0x2A00, "text", "xytsc", false},        {0x2A40, "para text", "8xyts18A", false},
    {0x3100, "para prefix", "1A{0P}em1c", true},
    {0x3100, "text prefix", "1cm1c{0P}C8cm1A", true},
    {0x3A00, "block header", "00]C30b}L", true},
};
long Fixed(char w) {
  static const std::map<char, long> words = {
      {'0', 0},      {'1', 1},      {'4', 0x0400}, {'8', 0x0800}, {'a', 0x0080}, {'h', 0x1000},
      {'p', 0x2000}, {'F', 0xFFFF}, {'A', 0x000A}, {'C', 0x000C}, {'e', 0x0008}, {'{', 0x3A00},
      {'}', 0x3C02}, {']', 0x3C04}, {'m', 0x3100}, {'3', 0x3300}, {'b', 0x8000}};
  return words.at(w);
}

struct Entry {
  long at, end;
  std::string text;
  long target = -1;  // where a relative operand lands
  bool call = false;
};

class Walker {
 public:
  Walker(const std::vector<std::uint8_t>& d, bool le) : d_(d), le_(le) {}
  long Word(long at) const { return le_ ? d_[at] | d_[at + 1] << 8 : d_[at] << 8 | d_[at + 1]; }
  bool Has(long at, long n) const { return at + n <= static_cast<long>(d_.size()); }

  // The record at `at` as one listing entry, or false when it cannot be read.
  bool Record(long at, Entry& e, std::string& why) {
    e = {at, at, "", -1, false};
    const std::uint8_t* p = d_.data() + at;
    if (Has(at, 4) && p[0] == 0x38 && !p[1] && !p[2] && !p[3]) return e.text = "REA", e.end = at + 4, true;
    if (Has(at, 10) && p[0] == 0x3A && !p[1] && !p[2] && !p[3] && !p[4] && p[6] == 0x3C && p[7] == 2 && !p[8]) {
      e.text = Format("language test %ld, skip %ld", p[5], p[9]);
      return e.target = at + 8 + p[9], e.end = at + 10, true;
    }
    if (!Has(at, 2)) return why = "a byte left over", false;
    const long op = Word(at);
    if (op == 0xFFFF || op == 0x3D00) return e.text = op == 0xFFFF ? "end" : "block end", e.end = at + 2, true;
    if (op == 0x3C00 || op == 0x3B80) {
      if (!Has(at, 4)) return why = "record cut off", false;
      const long n = Word(at + 2);
      if (op == 0x3C00 && at == 0 && n == 6 && Has(0, 8) && std::string(p + 4, p + 8) == "HV02")
        return e.text = "header HV02", e.end = 8, true;
      e.call = op == 0x3B80;
      e.text = Format(e.call ? "call 0x%04lX" : "skip 0x%04lX", n);
      return e.target = (at + 2 + n) % 65536, e.end = at + 4, true;
    }
    bool cut = false;
    for (const Kind& k : kKinds) {
      if (k.op != op) continue;
      std::string fields;
      long w = at + 2, x = 0;
      bool fits = true;
      for (const char* c = k.words; *c && fits; ++c, w += 2) {
        if (!Has(w, 2)) {
          cut = true;
          fits = false;
          break;
        }
        const long v = Word(w), signedV = static_cast<std::int16_t>(v);
        if (*c == 'x') x = signedV;
        else if (*c == 'y') fields += Format(" (%ld,%ld)", x, signedV);
        else if (*c == 'r') fields += Format(" r%ld", v);
        else if (*c == 'c') fields += Format(" c%ld", v);
        else if (*c == 's') fields += Format(" size %ld", v);
        else if (*c == 'P') fields += Format(" para %ld", v);
        else if (*c == 'L') e.target = w + v, fields += Format(", skip 0x%04lX", v);
        else if (*c == 't') {
          if (!Has(w + 2, v + v % 2)) {
            cut = true;
            fits = false;
            break;
          }
          fields += " \"";
          for (long i = 0; i < v; ++i) {
            const std::uint8_t ch = d_[w + 2 + i];
            fields += ch >= 0x20 && ch < 0x7F && ch != '\\' ? std::string(1, static_cast<char>(ch)) : Format("\\x%02lX", ch);
          }
          fields += "\"";
          w += v + v % 2;
        } else if (Fixed(*c) != v) {
          fits = !k.strict;
          fields += Format(" [word 0x%04lX]", v);
        }
      }
      if (fits) return e.text = k.name + fields, e.end = w, true;
    }
    why = cut ? "record cut off" : Format("unknown record 0x%04lX", op);
    return false;
  }

 private:
  const std::vector<std::uint8_t>& d_;
  bool le_;
};

}  // namespace

std::string DecodeVectorSoftkey(const std::string& bytes) {
  std::string out;
  const std::vector<std::uint8_t> d = ReadRecords(bytes, out);
  const long size = static_cast<long>(d.size());
  // The byte order shows in the first record that is not a fixed byte
  // sequence (REA, language tests): its opcode has a zero low byte.
  long first = 0;
  while (first + 4 <= size && d[first] == 0x38 && !d[first + 1]) first += 4;
  while (first + 10 <= size && d[first] == 0x3A && d[first + 6] == 0x3C) first += 10;
  const bool le = first + 2 <= size && d[first] == 0 && d[first + 1] != 0;
  out += std::string(le ? "little-endian" : "big-endian") + Format(", %ld data bytes\n", size);
  Walker walker(d, le);
  std::vector<Entry> entries;
  std::string why;
  long blocksEnd = -1;
  for (long at = 0; at < size;) {
    Entry e;
    if (!walker.Record(at, e, why)) break;
    // The skip right after the file header jumps over the block subroutines.
    if (at == 8 && !entries.empty() && entries[0].text == "header HV02" && e.text.rfind("skip", 0) == 0) {
      blocksEnd = e.target;
      e.text = "blocks " + e.text;
    }
    entries.push_back(e);
    at = e.end;
  }
  std::set<long> starts;
  std::map<long, int> blocks;
  for (const Entry& e : entries) starts.insert(e.at);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const long at = entries[i].at;
    if (at >= 12 && at < blocksEnd && (at == 12 || (i > 0 && entries[i - 1].text == "block end")))
      blocks.emplace(at, static_cast<int>(blocks.size()) + 1);
  }
  long faults = 0, header = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    Entry& e = entries[i];
    if (blocks.count(e.at)) out += Format("block %ld:\n", blocks[e.at]), header = e.text.rfind("block header", 0) ? 0 : 20;
    if (e.at == blocksEnd) out += "entities:\n", faults += i < 2 || entries[i - 1].text.find("block") == std::string::npos;
    if (e.call) e.target = (e.target + (e.at < blocksEnd ? 65536 - header : 24)) % 65536;
    faults += e.target >= 0 && !(e.call ? blocks.count(e.target) : starts.count(e.target) || e.target == size);
    out += Format("0x%04lX ", e.at) + e.text;
    if (e.target >= 0) {
      out += Format(" -> 0x%04lX: lands ", e.target);
      if (e.call && blocks.count(e.target)) out += Format("on block %ld", blocks[e.target]);
      else if (starts.count(e.target)) out += e.call ? "on a record, not on a block" : "on a record";
      else if (e.target == size) out += "at the end of the data";
      else if (e.target > size) out += "outside the data";
      else out += "inside a record";
    }
    out += "\n";
  }
  const long last = entries.empty() ? 0 : entries.back().end;
  if (last < size) out += Format("0x%04lX walk stops: ", last) + why + "\n", ++faults;
  else if (!entries.empty() && entries.back().text == "end") out += "ends with the end word\n";
  else out += "does not end with the end word\n", ++faults;
  return out + (faults ? Format("walk faulty: %ld faults\n", faults) : "walk clean\n");
}

}  // namespace q32test
