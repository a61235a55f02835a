// A raster softkey's record file as a listing, from the library's reading of
// it (raster/SoftkeyRecords.h, raster/RasterDecoder.h): the S-records are
// checked as the notation defines them (record counts, checksums, gapless
// addresses, the count line), then every element with its block, and the
// block rows drawn where the elements place them.  Whatever the file holds,
// the listing says what is wrong and draws what can be drawn.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "raster/RasterDecoder.h"
#include "raster/SoftkeyRecords.h"
#include "support/Decoders.h"

namespace q32test {
namespace {

// The data bytes of the S3 lines, their sizes, and what is wrong.  Only
// upper-case digits make a record, and the first line is the header whatever
// it holds.
struct Records {
  std::string data, problems;
  std::vector<std::size_t> sizes;
};

Records ReadRecords(const std::string& text) {
  Records r;
  bool counted = false;
  for (const q32::SoftkeyRecordLine& line : q32::ReadSoftkeyRecordFile(text).lines) {
    auto bad = [&r, &line](const std::string& what) {
      r.problems += "line " + std::to_string(line.number) + ": " + what + "\n";
    };
    if (line.Has(q32::SoftkeyRecordFault::NoCrLf)) bad("no CR LF");
    // A CR without its line feed stays part of the line, which is then no record.
    const bool strayCr = line.carriageReturn && !line.lineFeed;
    if (!line.record || line.lowerCase || strayCr) {
      bad("not a record: " + line.text + (strayCr ? "\r" : ""));
      continue;
    }
    if (!line.checksumRight) bad("wrong checksum");
    if (counted) bad("after the count line");
    if (line.number == 1) {
      if (line.text != "S00500000000FA") bad("not the header S00500000000FA");
    } else if (line.IsDataLine()) {
      if (line.Address() != r.data.size())
        bad("address " + std::to_string(line.Address()) + " after " + std::to_string(r.data.size()) + " bytes");
      r.data += line.Data();
      r.sizes.push_back(line.Data().size());
    } else if (line.IsCountLine()) {
      counted = true;
      if (line.Count() != r.sizes.size() % 65536)
        bad("counts " + std::to_string(line.Count()) + " data lines");
    } else {
      bad("unexpected record " + line.text.substr(0, 2));
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

  // Columns 0 to 76 are the picture; 77 to 79 the bits a last row byte has
  // left over.  A pixel no block covers stays '?'; a later block overwrites
  // an earlier one.  The control draws a block of an element at x -2 from
  // column 0 of the picture.
  constexpr int kColumns = 80, kLines = 48;
  std::vector<std::string> canvas(kLines, std::string(kColumns, '?'));
  const q32::RasterSoftkeyImage image = q32::DecodeRasterSoftkey(r.data);
  for (const q32::RasterElement& e : image.elements) {
    out += F("element %04X x %d y %d last word %04X, block at %zu: ", e.code, e.x, e.y, e.lastWord, e.blockAt);
    if (!e.blockInside) {
      out += "past the end of the data\n";
      continue;
    }
    out += std::to_string(e.rows) + " rows of " + std::to_string(e.width) + " pixels\n";
    // Every bit of a row, padding included, from column x + 2.
    const long long bits = static_cast<long long>(e.RowBytes()) * 8, left = e.x + 2;
    const long long firstBit = std::max(0LL, -left), endBit = std::min(bits, kColumns - left);
    const long long rows = e.y < kLines ? std::min<long long>(e.rows, kLines - e.y) : 0;
    for (long long row = 0; row < rows; ++row)
      for (long long bit = firstBit; bit < endBit; ++bit)
        canvas[static_cast<std::size_t>(e.y + row)][static_cast<std::size_t>(left + bit)] =
            q32::RasterBlockBit(r.data, e, static_cast<std::size_t>(row), static_cast<std::size_t>(bit)) ? '#' : '.';
    const long long outside = e.rows * bits - rows * std::max(0LL, endBit - firstBit);
    if (outside) out += std::to_string(outside) + " pixels of the block lie outside the picture\n";
  }
  if (image.end == q32::RasterListEnd::CutShort)
    out += "element list cut short at byte " + std::to_string(image.endAt) + "\n";
  if (image.end == q32::RasterListEnd::NoEndWord) out += "no end of the element list\n";
  for (const std::string& row : canvas) out += row.substr(0, 77) + "|" + row.substr(77) + "\n";
  return out;
}

}  // namespace q32test
