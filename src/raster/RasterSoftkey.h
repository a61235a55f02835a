// The raster picture of a monochrome softkey as the control draws it: an
// element list of two raster elements, then a block of the left 48 pixels
// and a block of the right 29 pixels of every row.  The bitmap and PCX
// converters both write it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "diag/MessageCodes.h"
#include "raster/SoftkeyRecords.h"
#include "raster/SoftkeySize.h"

namespace q32 {

class File;
class FileSystem;
struct RunContext;

// The warning of a picture that is not 77 x 48 pixels (it is converted cut
// or padded), at the softkey line that converts it, by the name written
// there and its size; the checks list it too (by its shown name), and
// count it.
void ReportWrongSize(RunContext& run, std::string_view source, std::string_view shown, std::int64_t width,
                     std::int64_t height);

// Rows are kept as their first 10 bytes: 6 for the left block (pixels 0 to
// 47), 4 for the right block (pixels 48 to 79).
constexpr std::size_t kRasterRows = 48;
constexpr std::size_t kRasterRowBytes = 10;
constexpr std::size_t kLeftBlockBytes = 6;
constexpr std::size_t kRightBlockBytes = 4;
constexpr std::size_t kRasterElementListBytes = 22;
constexpr std::size_t kRasterBlockHeaderBytes = 4;
// Size of the whole raster picture: 22 + 4 + 48 * 6 + 4 + 48 * 4.
constexpr std::size_t kRasterSoftkeyBytes = 510;
// A source line (bitmap row or decoded PCX line) longer than this is not a
// softkey picture; it is refused as too large to hold (8225) instead of
// letting a forged header claim gigabytes.
constexpr std::size_t kMaxRasterLineBytes = std::size_t{1} << 20;

// The picture rows, top row first, as they go into the blocks.
using RasterRows = std::array<std::array<std::uint8_t, kRasterRowBytes>, kRasterRows>;

// The constant element list and the two block headers, big-endian words.
extern const std::uint8_t kRasterElementList[kRasterElementListBytes];
extern const std::uint8_t kLeftBlockHeader[kRasterBlockHeaderBytes];
extern const std::uint8_t kRightBlockHeader[kRasterBlockHeaderBytes];

// The record file of a raster softkey being written.  After the first failed
// write nothing more is written, so that the file keeps its record lines
// whole and the caller reports one failure.
struct RasterOutput {
  std::unique_ptr<SoftkeyRecordWriter> writer;
  bool failed = false;
  std::string path;  // the record file beside the source

  // Creates the record file beside `source` and begins it with the element
  // list; false when it cannot be created.
  bool Open(FileSystem& fs, std::string_view source);
  // Writes both blocks and the count line and closes the file; whether every
  // record was written.
  bool Finish(const RasterRows& rows);

  void Write(const std::uint8_t* bytes, std::size_t count);
  // Both block headers with their rows (left block, then right block).
  void WriteBlocks(const RasterRows& rows);
  // Writes the count line and closes the file.
  void Close() { CloseSoftkeyRecords(writer); }
};

// How a picture converter fails: its code, and in detail the file at
// fault and why.
struct RasterFailure {
  std::string& detail;
  Msg operator()(Msg code, std::string what) const {
    detail = std::move(what);
    return code;
  }
};

// Opens a picture source for reading; null when it cannot be opened, with
// the file at fault in detail (8222).
std::unique_ptr<File> OpenRasterSource(RunContext& run, std::string_view source, std::string& detail);

// The record file beside a source: the source path with ".PIC".
std::string RasterOutputPath(std::string_view source);

}  // namespace q32
