#include "raster/RasterTestSupport.h"

#include <cctype>
#include <random>

#include <gtest/gtest.h>

#include "diag/Diagnostics.h"

namespace rastertest {

using q32test::ReadFile;
using q32test::WriteFile;

Workspace::Workspace() {
  WriteFile(dir / "Quillon32.err",
            std::string(q32::kCatalogueHeader) + "\n"
            "-8231 \"W8231: Softkey is not 77 x 48 pixels: %s\"\n");
  console = std::fopen("/dev/null", "w");
  run.diag.console = console;
  q32::LoadMessageCatalogue(run.diag, run.settings.errorCount, run.settings.warningCount,
                            dir.path() + "/", "Quillon32.err", q32::kCatalogueHeader, dir / "run.log");
}

Workspace::~Workspace() {
  q32::CloseMessageCatalogue(run.diag);
  if (console) std::fclose(console);
}

std::string Workspace::Put(const std::string& name, const std::string& bytes) const {
  WriteFile(dir / name, bytes);
  return dir / name;
}

std::string Workspace::Converted(const std::string& name) const {
  Records records;
  EXPECT_TRUE(ReadRecords(ReadFile(dir / name), records)) << name << ": " << records.error;
  return records.data;
}

Picture Workspace::ToolPicture(const std::string& name, int width, int height, unsigned seed,
                               const std::string& command) const {
  Picture picture = RandomPicture(width, height, seed);
  WritePbm(dir / (name + ".pbm"), picture);
  std::string out;
  if (!Tool(command, dir.path(), &out)) {
    ADD_FAILURE() << command << ": " << out;
    return {};
  }
  return picture;
}

Picture RandomPicture(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  Picture p;
  p.width = width;
  p.height = height;
  p.black.assign(height, std::vector<bool>(width));
  for (auto& row : p.black)
    for (std::size_t x = 0; x < row.size(); ++x) row[x] = (random() & 1) != 0;
  return p;
}

void WritePbm(const std::string& path, const Picture& picture) {
  std::string out = "P4\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n";
  std::size_t rowBytes = (picture.width + 7) / 8;
  for (const auto& row : picture.black) {
    std::string bytes(rowBytes, '\0');
    for (int x = 0; x < picture.width; ++x)
      if (row[x]) bytes[x / 8] = static_cast<char>(bytes[x / 8] | (0x80 >> (x % 8)));
    out += bytes;
  }
  WriteFile(path, out);
}

namespace {

// The next header number of a portable map, skipping blanks and comments.
bool PnmNumber(const std::string& s, std::size_t& at, long& value) {
  for (;;) {
    while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
    if (at < s.size() && s[at] == '#') {
      while (at < s.size() && s[at] != '\n') ++at;
      continue;
    }
    break;
  }
  if (at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at]))) return false;
  value = 0;
  while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) value = value * 10 + (s[at++] - '0');
  return true;
}

}  // namespace

bool ReadPnm(const std::string& path, Picture& picture) {
  std::string s = ReadFile(path);
  if (s.size() < 2 || s[0] != 'P' || (s[1] != '4' && s[1] != '6')) return false;
  bool bits = s[1] == '4';
  std::size_t at = 2;
  long w, h, maxval = 1;
  if (!PnmNumber(s, at, w) || !PnmNumber(s, at, h)) return false;
  if (!bits && !PnmNumber(s, at, maxval)) return false;
  ++at;  // the one blank before the raster
  picture.width = static_cast<int>(w);
  picture.height = static_cast<int>(h);
  picture.black.assign(h, std::vector<bool>(w));
  std::size_t rowBytes = bits ? (w + 7) / 8 : static_cast<std::size_t>(w) * 3;
  if (maxval > 255 || s.size() < at + rowBytes * h) return false;
  for (long y = 0; y < h; ++y) {
    const unsigned char* row = reinterpret_cast<const unsigned char*>(s.data() + at + y * rowBytes);
    for (long x = 0; x < w; ++x)
      picture.black[y][x] = bits ? (row[x / 8] & (0x80 >> (x % 8))) != 0
                                 : row[3 * x] == 0 && row[3 * x + 1] == 0 && row[3 * x + 2] == 0;
  }
  return true;
}

bool Tool(const std::string& command, const std::string& dir, std::string* output) {
  // In a subshell, so that messages on standard error stay out of a file the
  // command writes through standard output.
  auto result = q32test::RunCommand("( " + command + " )", dir);
  if (output) *output = result.out;
  return result.status == 0;
}

std::string RasterBytes(const std::vector<std::vector<std::uint8_t>>& rows) {
  static const unsigned char kElements[22] = {0x26, 0x00, 0xFF, 0xFE, 0x00, 0x00, 0x00, 0x10,
                                              0x00, 0x09, 0x26, 0x00, 0x00, 0x2E, 0x00, 0x00,
                                              0x01, 0x2A, 0x00, 0x09, 0xFF, 0xFF};
  std::string out(reinterpret_cast<const char*>(kElements), sizeof kElements);
  out += std::string("\x00\x30\x00\x30", 4);
  for (const auto& row : rows) out.append(row.begin(), row.begin() + 6);
  out += std::string("\x00\x30\x00\x1D", 4);
  for (const auto& row : rows) out.append(row.begin() + 6, row.begin() + 10);
  return out;
}

std::vector<std::uint8_t> RowBytes(const Picture& picture, int row, bool blackBit) {
  std::vector<std::uint8_t> bytes(10, 0);
  for (int x = 0; x < picture.width && x < 80; ++x)
    if (picture.black[row][x] == blackBit) bytes[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
  return bytes;
}

std::vector<std::uint8_t> Inverted(std::vector<std::uint8_t> row) {
  for (auto& b : row) b = static_cast<std::uint8_t>(~b);
  return row;
}

namespace {

bool Hex(const std::string& s, std::size_t at, std::size_t digits, unsigned long& value) {
  if (at + digits > s.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + digits; ++i) {
    char c = s[i];
    int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (v < 0) return false;
    value = value * 16 + static_cast<unsigned long>(v);
  }
  return true;
}

}  // namespace

bool ReadRecords(const std::string& text, Records& records) {
  records = Records{};
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      records.error = "last line without CR LF";
      return false;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (lines.size() < 2 || lines.front() != "S00500000000FA") {
    records.error = "no header line";
    return false;
  }
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    unsigned long count, sum = 0, v;
    if (line.size() < 4 || !Hex(line, 2, 2, count) || line.size() != 4 + 2 * count) {
      records.error = "malformed line " + line;
      return false;
    }
    for (std::size_t at = 2; at < line.size(); at += 2) {
      if (!Hex(line, at, 2, v)) {
        records.error = "bad digits in " + line;
        return false;
      }
      sum += v;
    }
    if (sum % 256 != 255) {
      records.error = "bad checksum in " + line;
      return false;
    }
    bool last = i + 1 == lines.size();
    if (last) {
      unsigned long n = 0;
      Hex(line, 4, 4, n);
      if (line.compare(0, 4, "S503") != 0 || n != records.lineSizes.size() % 65536) {
        records.error = "bad count line " + line;
        return false;
      }
      break;
    }
    unsigned long address = 0;
    Hex(line, 4, 8, address);
    if (line.compare(0, 2, "S3") != 0 || count < 5 || address != records.data.size()) {
      records.error = "bad data line " + line;
      return false;
    }
    for (std::size_t at = 12; at + 2 < line.size(); at += 2) {
      Hex(line, at, 2, v);
      records.data += static_cast<char>(v);
    }
    records.lineSizes.push_back(count - 5);
  }
  return true;
}

void Put16(std::string& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  Put16(bytes, at, value & 0xFFFF);
  Put16(bytes, at + 2, value >> 16);
}

std::string MakeBmp(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                    const std::vector<std::string>& storedRows) {
  std::string b(62, '\0');
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, 62);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, bitCount);
  Put32(b, 58, 0x00FFFFFF);  // colour 1 white, colour 0 black
  for (const auto& row : storedRows) b += row;
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  return b;
}

std::string MakePcx(int width, int height, int bytesPerLine, int planes, const std::string& encoded) {
  std::string p(128, '\0');
  p[0] = 10;
  p[1] = 5;
  p[2] = 1;
  p[3] = 1;
  Put16(p, 8, static_cast<std::uint32_t>(width - 1));
  Put16(p, 10, static_cast<std::uint32_t>(height - 1));
  p[65] = static_cast<char>(planes);
  Put16(p, 66, static_cast<std::uint32_t>(bytesPerLine));
  return p + encoded;
}

}  // namespace rastertest
