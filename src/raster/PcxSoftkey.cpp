#include "raster/PcxSoftkey.h"

#include <algorithm>
#include <cstdint>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "raster/PcxHeader.h"
#include "run/RunContext.h"
#include "raster/RasterSoftkey.h"

namespace q32 {
namespace {

// A byte with both top bits set starts a run; its low six bits count it.
constexpr std::uint8_t kRunMarker = 0xC0;
constexpr std::uint8_t kRunCountMask = 0x3F;

// Sequential reading of the encoded scan lines in chunks.
class ByteReader {
 public:
  explicit ByteReader(File& file) : file_(file) {}
  // False at the end of the file (or when a read fails).
  bool Next(std::uint8_t& byte) {
    if (pos_ == end_) {
      end_ = file_.Read(buffer_, sizeof buffer_);
      pos_ = 0;
      if (end_ == 0) return false;
    }
    byte = buffer_[pos_++];
    return true;
  }

 private:
  File& file_;
  std::uint8_t buffer_[4096];
  std::size_t pos_ = 0, end_ = 0;
};

// Decodes one scan line of lineSize bytes, keeping its first bytes in row
// (bytes the line lacks stay zero).  A run that reaches past the line's end is
// cut there.  False when the file ends inside the line.
bool DecodeLine(ByteReader& in, std::size_t lineSize, std::array<std::uint8_t, kRasterRowBytes>& row) {
  std::size_t produced = 0;
  while (produced < lineSize) {
    std::uint8_t b;
    if (!in.Next(b)) return false;
    std::size_t count = 1;
    if ((b & kRunMarker) == kRunMarker) {
      count = b & kRunCountMask;
      if (!in.Next(b)) return false;
    }
    count = std::min(count, lineSize - produced);
    for (std::size_t i = produced; i < produced + count && i < kRasterRowBytes; ++i) row[i] = b;
    produced += count;
  }
  return true;
}

}  // namespace

Msg ConvertPcxSoftkey(RunContext& run, std::string_view source, std::string& detail) {
  const std::string shown = DisplayPath(run.paths, source);
  const RasterFailure fail{detail};
  std::unique_ptr<File> file = OpenRasterSource(run, source, detail);
  if (!file) return Msg::OpenFailed;

  std::uint8_t bytes[kPcxHeaderBytes];
  if (!file->Seek(0) || file->Read(bytes, sizeof bytes) != sizeof bytes)
    return fail(Msg::NotRunLengthPcx, shown + " (shorter than a PCX header)");
  const PcxHeader header = ReadPcxHeader(bytes);
  if (!header.RunLengthEncoded()) return fail(Msg::NotRunLengthPcx, shown);
  if (!file->Seek(kPcxHeaderBytes)) return fail(Msg::ReadFailed, shown);

  const std::int32_t width = header.Width(), height = header.Height();
  if (width != kSoftkeyWidth || height != kSoftkeyHeight)
    ReportWrongSize(run, source, shown, width, height);

  // At most 48 lines are decoded; a picture with fewer (or an empty one)
  // leaves the rest blank.
  std::size_t rows = static_cast<std::size_t>(std::clamp(height, 0, static_cast<std::int32_t>(kRasterRows)));
  std::size_t lineSize = header.LineBytes();
  if (rows > 0 && lineSize > kMaxRasterLineBytes) return fail(Msg::NoMemory, shown + " (lines too long for a softkey)");

  RasterOutput out;
  // A record file that cannot be created (also one that would overwrite an
  // input of the run) is reported by the project reader at the softkey line.
  if (!out.Open(run.fs, source)) return fail(Msg::OpenFailed, FailedFile(run, out.path));

  // PCX stores the top row first: lines go into the blocks in file order.
  RasterRows decoded{};
  ByteReader in(*file);
  for (std::size_t r = 0; r < rows; ++r) {
    if (!DecodeLine(in, lineSize, decoded[r])) {
      out.Close();
      return fail(Msg::ReadFailed, shown + " (it ends inside line " + std::to_string(r + 1) + ")");
    }
  }
  // A PCX bit has the opposite sense of a raster softkey bit.  Padding rows
  // and the bytes a short line lacks count as zero bytes and are inverted
  // with the rest.
  for (auto& row : decoded)
    for (auto& byte : row) byte = static_cast<std::uint8_t>(~byte);
  return out.Finish(decoded) ? Msg::Ok : fail(Msg::WriteFailed, DisplayPath(run.paths, out.path));
}

}  // namespace q32
