#include "raster/BitmapSoftkey.h"

#include <cstdint>
#include <new>
#include <vector>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "platform/FileSystem.h"
#include "raster/BmpHeader.h"
#include "run/RunContext.h"
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

}  // namespace

Msg ConvertBitmapSoftkey(RunContext& run, std::string_view source) {
  std::unique_ptr<File> file = run.fs.Open(source, FileMode::ReadBinary);
  if (!file) return Msg::OpenFailed;

  BmpHeader header;
  if (!ReadBitmapHeader(*file, header)) return Msg::NotABitmap;
  // Seeking past the end would succeed and leave every row unreadable; such
  // an offset does not reach pixel data either.
  std::int64_t size = file->Size();
  if ((size >= 0 && header.pixelOffset > static_cast<std::uint64_t>(size)) ||
      !file->Seek(header.pixelOffset))
    return Msg::ReadFailed;
  if (header.info.bitCount != 1) return Msg::NotMonochrome;
  if (header.info.width != kSoftkeyWidth || header.info.height != kSoftkeyHeight)
    ReportMessage(run.diag, Msg::WrongSize, {}, 0, source);

  std::int64_t stride = RowStride(header.info.width);
  if (stride < 0 || static_cast<std::uint64_t>(stride) > kMaxRasterLineBytes) return Msg::NoMemory;
  std::vector<std::uint8_t> line;
  try {
    line.resize(static_cast<std::size_t>(stride));
  } catch (const std::bad_alloc&) {
    return Msg::NoMemory;
  }

  RasterOutput out;
  // A record file that cannot be created (also one that would overwrite an
  // input of the run) is reported by the project reader at the softkey line.
  out.writer = OpenSoftkeyRecords(run.fs, RasterOutputPath(source));
  if (!out.writer) return Msg::OpenFailed;
  out.Write(kRasterElementList, sizeof kRasterElementList);

  // Exactly 48 rows whatever height the header states.  Bitmaps store the
  // bottom row first, so the last row read is the top of the picture.  A row
  // that cannot be read whole is blank; bytes a narrow row lacks are zero.
  RasterRows rows{};
  for (std::size_t i = 0; i < kRasterRows; ++i) {
    auto& row = rows[kRasterRows - 1 - i];
    if (file->Read(line.data(), line.size()) != line.size()) continue;
    for (std::size_t b = 0; b < kRasterRowBytes && b < line.size(); ++b) row[b] = line[b];
  }
  out.WriteBlocks(rows);
  out.Close();
  return out.failed ? Msg::WriteFailed : Msg::Ok;
}

}  // namespace q32
