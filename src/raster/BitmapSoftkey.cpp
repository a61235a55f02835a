#include "raster/BitmapSoftkey.h"

#include <cstdint>
#include <new>
#include <vector>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "raster/BmpHeader.h"
#include "run/RunContext.h"
#include "text/Format.h"
#include "raster/RasterSoftkey.h"

namespace q32 {
namespace {

// Reads both headers; false for anything that is not an uncompressed bitmap.
// The info header is read as 40 bytes whatever size it declares.
bool ReadBitmapHeader(File& file, BmpHeader& header) {
  std::uint8_t bytes[kBmpFileHeaderBytes + kBmpInfoHeaderBytes];
  if (!file.Seek(0) || file.Read(bytes, kBmpFileHeaderBytes) != kBmpFileHeaderBytes) return false;
  if (bytes[0] != 'B' || bytes[1] != 'M') return false;
  if (!file.Seek(kBmpFileHeaderBytes) ||
      file.Read(bytes + kBmpFileHeaderBytes, kBmpInfoHeaderBytes) != kBmpInfoHeaderBytes)
    return false;
  header = ReadBmpHeader(std::string_view(reinterpret_cast<const char*>(bytes), sizeof bytes));
  return header.info.compression == 0;
}

// Bytes per stored row: one bit per pixel, padded to 4-byte units.  Computed
// wide so that no width can overflow; negative for widths far below zero.
std::int64_t RowStride(std::int32_t width) {
  std::int64_t bytes = (std::int64_t{width} - 1) / 8 + 1;
  if (bytes <= 0) return bytes;
  return (bytes + 3) / 4 * 4;
}

// The softkey takes the bits as they are: bit 1 is drawn, bit 0 is the
// background.  Drawing programs write the colour table of a 1-bit picture
// either way round, so a picture whose bit 1 is the lighter colour looks
// right in them and comes out inverted on the control; the checks are told.
// Taken by its colour table (darkIsSet), such a picture's bits are inverted
// instead: the result says so.  Leaves the file at the pixels; false when it
// cannot get there.
bool ReadColourTable(RunContext& run, File& file, const BmpHeader& header, const std::string& shown, bool& invert) {
  unsigned char table[8];
  invert = false;
  if (file.Seek(static_cast<std::int64_t>(kBmpFileHeaderBytes + header.info.size)) &&
      file.Read(table, sizeof table) == sizeof table) {
    // Brightness as the eye weighs red, green and blue (entries are B, G, R, 0).
    auto brightness = [&](int i) { return 114 * table[i * 4] + 587 * table[i * 4 + 1] + 299 * table[i * 4 + 2]; };
    auto colour = [&](int i) { return Format("%02X%02X%02X", table[i * 4 + 2], table[i * 4 + 1], table[i * 4]); };
    if (brightness(1) > brightness(0)) {
      if (run.softkey.darkIsSet)
        invert = true;
      else if (run.observer)
        run.observer->Found(CheckFinding(Msg::BitOneLighter, {},
                                         shown + " has bit 0 " + colour(0) + " and bit 1 " + colour(1) +
                                             "; the softkey draws bit 1, so it shows the picture inverted (DARK after "
                                             "the softkey's name takes the colour table)"));
    }
  }
  return file.Seek(header.pixelOffset);
}

}  // namespace

Msg ConvertBitmapSoftkey(RunContext& run, std::string_view source, std::string& detail) {
  const std::string shown = DisplayPath(run.paths, source);
  auto fail = [&detail](Msg code, std::string what) {
    detail = std::move(what);
    return code;
  };
  std::unique_ptr<File> file = run.fs.Open(source, FileMode::ReadBinary);
  if (!file) return fail(Msg::OpenFailed, FailedFile(run, source));

  BmpHeader header;
  if (!ReadBitmapHeader(*file, header)) return fail(Msg::NotABitmap, shown);
  // Seeking past the end would succeed and leave every row unreadable; such
  // an offset does not reach pixel data either.
  std::int64_t size = file->Size();
  if ((size >= 0 && header.pixelOffset > static_cast<std::uint64_t>(size)) ||
      !file->Seek(header.pixelOffset))
    return fail(Msg::ReadFailed, shown + " (its pixels lie beyond its end)");
  if (header.info.bitCount != 1)
    return fail(Msg::NotMonochrome, shown + " (" + std::to_string(header.info.bitCount) + " bits per pixel)");
  bool invert = false;
  if ((run.observer || run.softkey.darkIsSet) && !ReadColourTable(run, *file, header, shown, invert))
    return fail(Msg::ReadFailed, shown);
  if (header.info.width != kSoftkeyWidth || header.info.height != kSoftkeyHeight)
    ReportWrongSize(run, source, shown, header.info.width, header.info.height);

  std::int64_t stride = RowStride(header.info.width);
  if (stride < 0 || static_cast<std::uint64_t>(stride) > kMaxRasterLineBytes)
    return fail(Msg::NoMemory, shown + " (rows too long for a softkey picture)");
  std::vector<std::uint8_t> line;
  try {
    line.resize(static_cast<std::size_t>(stride));
  } catch (const std::bad_alloc&) {
    return fail(Msg::NoMemory, shown);
  }

  RasterOutput out;
  // A record file that cannot be created (also one that would overwrite an
  // input of the run) is reported by the project reader at the softkey line.
  if (!out.Open(run.fs, source)) return fail(Msg::OpenFailed, FailedFile(run, out.path));

  // Exactly 48 rows whatever height the header states.  Bitmaps store the
  // bottom row first, so the last row read is the top of the picture.  A row
  // that cannot be read whole is blank; bytes a narrow row lacks are zero.
  // Taken by its colour table, only the picture's own pixels count: the
  // bits beyond its width stay clear, whichever way the table runs.
  RasterRows rows{};
  for (std::size_t i = 0; i < kRasterRows; ++i) {
    auto& row = rows[kRasterRows - 1 - i];
    if (file->Read(line.data(), line.size()) != line.size()) continue;
    for (std::size_t b = 0; b < kRasterRowBytes && b < line.size(); ++b) {
      row[b] = invert ? static_cast<std::uint8_t>(~line[b]) : line[b];
      const std::int64_t beyond = static_cast<std::int64_t>(b + 1) * 8 - header.info.width;
      if (run.softkey.darkIsSet && beyond > 0) row[b] &= beyond >= 8 ? 0 : static_cast<std::uint8_t>(0xFF << beyond);
    }
  }
  return out.Finish(rows) ? Msg::Ok : fail(Msg::WriteFailed, DisplayPath(run.paths, out.path));
}

}  // namespace q32
