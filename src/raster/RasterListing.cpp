// Listings of softkey record files for the preview's details view: what is
// wrong with each line, then the raster picture the control would draw.
// Whatever the file holds, the listing says what is wrong and draws what
// can be drawn.
#include <algorithm>
#include <string>
#include <vector>

#include "raster/RasterDecoder.h"
#include "raster/SoftkeyRecords.h"
#include "text/Format.h"

namespace q32 {

std::string RecordFaultLines(const SoftkeyRecordFile& file) {
  static const char* const kTexts[] = {
      "no CR LF",           "not a record",       "hexadecimal digits in lower case",
      "wrong checksum",     "no header line",     "a second header line",
      "after the count line", "address not where the data so far ends", "record cut short",
      "the count line does not count the data lines", "unexpected record type"};
  std::string out;
  for (const SoftkeyRecordLine& line : file.lines)
    for (unsigned f = 0; f < sizeof kTexts / sizeof *kTexts; ++f)
      if (line.Has(static_cast<SoftkeyRecordFault>(f)))
        AppendFormat(out, "line %lu: %s\n", static_cast<unsigned long>(line.number), kTexts[f]);
  if (!file.counted) out += "no count line\n";
  return out;
}

std::string RasterListing(std::string_view text) {
  const SoftkeyRecordFile file = ReadSoftkeyRecordFile(text);
  std::vector<std::size_t> sizes;
  for (const SoftkeyRecordLine& line : file.lines)
    if (line.IsDataLine()) sizes.push_back(line.Data().size());
  std::string out = RecordFaultLines(file) + "records: " + std::to_string(sizes.size()) + " data lines of";
  for (std::size_t i = 0, n; i < sizes.size(); i += n) {  // equal sizes in a row as "N x size"
    for (n = 1; i + n < sizes.size() && sizes[i + n] == sizes[i];) ++n;
    out += (i ? ", " : " ") + (n > 1 ? std::to_string(n) + " x " : "") + std::to_string(sizes[i]);
  }
  out += " bytes; " + std::to_string(file.data.size()) + " bytes\n";

  // Columns 0 to 76 are the picture; 77 to 79 the bits a last row byte has
  // left over.  A pixel no block covers stays '?'; a later block overwrites
  // an earlier one.  The control draws a block of an element at x -2 from
  // column 0 of the picture.
  constexpr long long kColumns = 80, kLines = kSoftkeyHeight;
  std::vector<std::string> canvas(kLines, std::string(kColumns, '?'));
  const std::string& data = file.data;
  const RasterSoftkeyImage image = DecodeRasterSoftkey(data);
  for (const RasterElement& e : image.elements) {
    AppendFormat(out, "element %04X x %d y %d last word %04X, block at %lu: ", e.code, e.x, e.y, e.lastWord,
                 static_cast<unsigned long>(e.blockAt));
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
            RasterBlockBit(data, e, static_cast<std::size_t>(row), static_cast<std::size_t>(bit)) ? '#' : '.';
    const long long outside = e.rows * bits - rows * std::max(0LL, endBit - firstBit);
    if (outside) out += std::to_string(outside) + " pixels of the block lie outside the picture\n";
  }
  if (image.end == RasterListEnd::CutShort)
    out += "element list cut short at byte " + std::to_string(image.endAt) + "\n";
  if (image.end == RasterListEnd::NoEndWord) out += "no end of the element list\n";
  for (const std::string& row : canvas) out += row.substr(0, kSoftkeyWidth) + "|" + row.substr(kSoftkeyWidth) + "\n";
  return out;
}

}  // namespace q32
