// Helpers of the raster tests: a run with a small catalogue and a log,
// pictures written through outside tools, an independent decoding of
// portable bitmaps, the raster softkey a picture must give, and a reader of
// softkey record files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "project/RunContext.h"
#include "support/TestSupport.h"

namespace rastertest {

// A picture as black and white pixels, row 0 at the top.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::vector<bool>> black;  // [row][column]
};

// A run in a fresh temporary directory, over a fault-injecting layer on the
// real file system, with a catalogue that knows the size warning and a log.
struct Workspace {
  q32test::TempDir dir;
  std::unique_ptr<q32::FileSystem> host = q32::MakeHostFileSystem();
  q32::FaultyFileSystem fs{*host};
  q32::RunContext run{fs};
  std::FILE* console = nullptr;

  Workspace();
  ~Workspace();
  std::string Path(const std::string& name) const { return dir / name; }
  std::string Log() const { return q32test::ReadFile(dir / "run.log"); }
  int Warnings() const { return run.settings.warningCount; }
  // Writes a file into the workspace and returns its path.
  std::string Put(const std::string& name, const std::string& bytes) const;
  // The data bytes of a record file of the workspace (checked well formed).
  std::string Converted(const std::string& name) const;
  // Draws a random picture, writes it as name.pbm and runs the shell
  // command (which makes the tools' files from it); the picture, or an
  // empty one when the command failed.
  Picture ToolPicture(const std::string& name, int width, int height, unsigned seed,
                      const std::string& command) const;
};

// A reproducible random picture.
Picture RandomPicture(int width, int height, unsigned seed);
// Writes a picture as a raw portable bitmap (P4, 1 = black).
void WritePbm(const std::string& path, const Picture& picture);
// Reads a P4 or P6 file (black: all samples 0); false when it is neither.
bool ReadPnm(const std::string& path, Picture& picture);
// Runs a shell command in dir; failure output in the returned text.
bool Tool(const std::string& command, const std::string& dir, std::string* output = nullptr);

// The raster softkey as bytes: 22 bytes of element list, the two block
// headers and the given rows (top first, 10 bytes each).
std::string RasterBytes(const std::vector<std::vector<std::uint8_t>>& rowsTopFirst);
// The 10 leading bytes of a picture row with bit value `setBit` for black.
std::vector<std::uint8_t> RowBytes(const Picture& picture, int row, bool blackBit);
std::vector<std::uint8_t> Inverted(std::vector<std::uint8_t> row);

// A record file read back: the data by address (gapless from 0), the number
// of data bytes of each S3 line; false (with a reason) when a line is not a
// well-formed record with a correct checksum or the count line is wrong.
struct Records {
  std::string data;
  std::vector<std::size_t> lineSizes;
  std::string error;
};
bool ReadRecords(const std::string& text, Records& records);

// Little-endian field writers for hand-made headers.
void Put16(std::string& bytes, std::size_t at, std::uint32_t value);
void Put32(std::string& bytes, std::size_t at, std::uint32_t value);

// A bitmap file made by hand: 62-byte headers (black, white colour table),
// rows given bottom row first as stored.
std::string MakeBmp(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                    const std::vector<std::string>& storedRows);
// A PCX file made by hand: the header and already encoded scan-line bytes.
std::string MakePcx(int width, int height, int bytesPerLine, int planes, const std::string& encoded);

}  // namespace rastertest
