// A raster softkey's record file as a listing: the S-records are checked as
// the notation defines them (record counts, checksums, gapless addresses, the
// count line), then the element list is followed to its blocks and every
// block row is drawn where its element places it.  Whatever the file holds,
// the listing says what is wrong and draws what can be drawn.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/Decoders.h"

namespace q32test {
namespace {

// Two upper-case hexadecimal digits, or -1.
int HexByte(const std::string& s, std::size_t at) {
  auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 55 : -1; };
  if (at + 1 >= s.size() || digit(s[at]) < 0 || digit(s[at + 1]) < 0) return -1;
  return digit(s[at]) * 16 + digit(s[at + 1]);
}

// The data bytes of the S3 lines, their sizes, and what is wrong.
struct Records {
  std::string data, problems;
  std::vector<std::size_t> sizes;
};

Records ReadRecords(const std::string& text) {
  Records r;
  bool counted = false;
  int number = 0;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
    end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    auto bad = [&r, n = ++number](const std::string& what) {
      r.problems += "line " + std::to_string(n) + ": " + what + "\n";
    };
    if (line.empty() || line.back() != '\r' || end == text.size()) bad("no CR LF");
    else line.pop_back();
    std::vector<int> bytes;  // what the line encodes after its type
    for (std::size_t i = 2; i < line.size(); i += 2) bytes.push_back(HexByte(line, i));
    int sum = 0;
    for (int b : bytes) sum = b < 0 || sum < 0 ? -1 : sum + b;
    if (line.size() < 4 || line[0] != 'S' || line.size() % 2 || sum < 0 ||
        bytes[0] + 1 != static_cast<int>(bytes.size())) {
      bad("not a record: " + line);
      continue;
    }
    if (sum % 256 != 255) bad("wrong checksum");
    if (counted) bad("after the count line");
    if (number == 1) {
      if (line != "S00500000000FA") bad("not the header S00500000000FA");
    } else if (line[1] == '3' && bytes.size() >= 6) {
      std::uint32_t address = 0;
      for (int i = 1; i <= 4; ++i) address = address << 8 | static_cast<std::uint32_t>(bytes[i]);
      if (address != r.data.size())
        bad("address " + std::to_string(address) + " after " + std::to_string(r.data.size()) + " bytes");
      for (std::size_t i = 5; i + 1 < bytes.size(); ++i) r.data += static_cast<char>(bytes[i]);
      r.sizes.push_back(bytes.size() - 6);
    } else if (line[1] == '5' && bytes.size() == 4) {
      counted = true;
      if (static_cast<std::size_t>(bytes[1] * 256 + bytes[2]) != r.sizes.size() % 65536)
        bad("counts " + std::to_string(bytes[1] * 256 + bytes[2]) + " data lines");
    } else {
      bad("unexpected record " + line.substr(0, 2));
    }
  }
  if (!counted) r.problems += "no count line\n";
  return r;
}

}  // namespace

std::string DecodeRasterSoftkey(const std::string& bytes) {
  const Records r = ReadRecords(bytes);
  std::string out = r.problems + "records: " + std::to_string(r.sizes.size()) + " data lines of";
  for (std::size_t i = 0, n; i < r.sizes.size(); i += n) {  // equal sizes in a row as "N x size"
    for (n = 1; i + n < r.sizes.size() && r.sizes[i + n] == r.sizes[i];) ++n;
    out += (i ? ", " : " ") + (n > 1 ? std::to_string(n) + " x " : "") + std::to_string(r.sizes[i]);
  }
  out += " bytes; " + std::to_string(r.data.size()) + " bytes\n";

  const std::string& d = r.data;
  auto word = [&](std::size_t at) {  // big-endian, -1 past the end
    return at + 1 < d.size() ? std::uint8_t(d[at]) << 8 | std::uint8_t(d[at + 1]) : -1;
  };
  // Columns 0 to 76 are the picture; 77 to 79 the bits a last row byte has
  // left over.  A pixel no block covers stays '?'.  The control draws a
  // block of an element at x -2 from column 0 of the picture.
  std::vector<std::string> canvas(48, std::string(80, '?'));
  std::size_t at = 0;
  for (; word(at) >= 0 && word(at) != 0xFFFF; at += 10) {
    if (word(at + 8) < 0) {
      out += "element list cut short at byte " + std::to_string(at) + "\n";
      break;
    }
    const int x = static_cast<std::int16_t>(word(at + 2)), y = word(at + 4);
    const std::size_t block = at + 6 + static_cast<std::size_t>(word(at + 6));
    const int rows = word(block), width = word(block + 2), rowBytes = (width + 7) / 8;
    char head[96];
    std::snprintf(head, sizeof head, "element %04X x %d y %d last word %04X, block at %zu: ", word(at), x, y,
                  word(at + 8), block);
    out += head;
    if (rows < 0 || width < 0 || block + 4 + static_cast<std::size_t>(rows * rowBytes) > d.size()) {
      out += "past the end of the data\n";
      continue;
    }
    out += std::to_string(rows) + " rows of " + std::to_string(width) + " pixels\n";
    int outside = 0;
    for (int row = 0; row < rows; ++row)
      for (int bit = 0; bit < rowBytes * 8; ++bit) {
        const int column = x + 2 + bit, line = y + row;
        const std::uint8_t byte = std::uint8_t(d[block + 4 + std::size_t(row * rowBytes + bit / 8)]);
        if (column < 0 || column >= 80 || line >= 48) ++outside;
        else canvas[std::size_t(line)][std::size_t(column)] = byte & (0x80 >> bit % 8) ? '#' : '.';
      }
    if (outside) out += std::to_string(outside) + " pixels of the block lie outside the picture\n";
  }
  if (word(at) < 0) out += "no end of the element list\n";
  for (const std::string& row : canvas) out += row.substr(0, 77) + "|" + row.substr(77) + "\n";
  return out;
}

}  // namespace q32test
