#include "raster/RasterSoftkey.h"

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "paths/Paths.h"
#include "run/RunContext.h"

namespace q32 {

void ReportWrongSize(RunContext& run, std::string_view source, std::string_view shown, std::int64_t width,
                     std::int64_t height) {
  const std::string size = " (" + std::to_string(width) + " x " + std::to_string(height) + ")";
  Diagnostic r;
  r.code = Msg::WrongSize;
  r.at = run.softkeyLine;
  r.argument = std::string(source) + size;
  Report(run.diag, std::move(r));
  if (run.observer) run.observer->Found(CheckFinding(Msg::WrongSize, {}, std::string(shown) + size));
}

// Element 1 at x -2 with its block 16 bytes past its offset word (22), element
// 2 at x 46 with its block 298 bytes past its offset word (314); FFFFh ends
// the list.
const std::uint8_t kRasterElementList[kRasterElementListBytes] = {
    0x26, 0x00, 0xFF, 0xFE, 0x00, 0x00, 0x00, 0x10, 0x00, 0x09,
    0x26, 0x00, 0x00, 0x2E, 0x00, 0x00, 0x01, 0x2A, 0x00, 0x09,
    0xFF, 0xFF};
// 48 rows of 48 pixels; 48 rows of 29 pixels.
const std::uint8_t kLeftBlockHeader[kRasterBlockHeaderBytes] = {0x00, 0x30, 0x00, 0x30};
const std::uint8_t kRightBlockHeader[kRasterBlockHeaderBytes] = {0x00, 0x30, 0x00, 0x1D};

void RasterOutput::Write(const std::uint8_t* bytes, std::size_t count) {
  if (failed || !writer) return;
  if (!WriteSoftkeyRecords(*writer, bytes, count)) failed = true;
}

void RasterOutput::WriteBlocks(const RasterRows& rows) {
  Write(kLeftBlockHeader, sizeof kLeftBlockHeader);
  for (const auto& row : rows) Write(row.data(), kLeftBlockBytes);
  Write(kRightBlockHeader, sizeof kRightBlockHeader);
  for (const auto& row : rows) Write(row.data() + kLeftBlockBytes, kRightBlockBytes);
}

bool RasterOutput::Open(FileSystem& fs, std::string_view source) {
  path = RasterOutputPath(source);
  writer = OpenSoftkeyRecords(fs, path);
  if (!writer) return false;
  Write(kRasterElementList, sizeof kRasterElementList);
  return true;
}

bool RasterOutput::Finish(const RasterRows& rows) {
  WriteBlocks(rows);
  Close();
  return !failed;
}

std::string RasterOutputPath(std::string_view source) {
  std::string path(source);
  ReplaceExtension(path, ".PIC");
  return path;
}

}  // namespace q32
