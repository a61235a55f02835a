// What no run of the program can show: the record writer and reader against
// lines computed by hand from the S-record notation, the raster decoder on a
// block placed by hand, and the converters under failing file operations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FaultyFileSystem.h"
#include "platform/MemoryFileSystem.h"
#include "raster/BitmapSoftkey.h"
#include "raster/PcxSoftkey.h"
#include "raster/RasterDecoder.h"
#include "raster/SoftkeyRecords.h"
#include "run/RunContext.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

// Each case: the bytes of each write, made `times` times; the file operation
// that fails (1 creates); what each write returned; the whole file, or its
// end after many writes.
TEST(SoftkeyRecords, FilesMatchHandComputedRecords) {
  const struct { const char* rule; std::vector<std::string> calls; long times, failAt; std::string results, file; }
  cases[] = {
      {"nothing written", {}, 1, 0, "", "S00500000000FA\nS5030000FC\n"},
      {"addresses run on over calls",
       {"abc", std::string(19, '\0'), std::string("\0\x30\0\x30", 4), std::string(6, '\0')}, 1, 0, "0000",
       "S00500000000FA\nS30800000000616263D1\nS3180000000300000000000000000000000000000000000000E4\n"
       "S309000000160030003080\nS30B0000001A000000000000DA\nS5030004F8\n"},
      {"an empty write is a line; 31 bytes are two", {"", "0123456789abcdefghijklmnopqrstu"}, 1, 0, "00",
       "S00500000000FA\nS30500000000FA\n"
       "S32300000000303132333435363738396162636465666768696A6B6C6D6E6F70717273747D\n"
       "S3060000001E7566\nS5030003F9\n"},
      {"the count is 16 bits wide, its high byte summed", {""}, 65792, 0, std::string(65792, '0'), "S5030100FB\n"},
      {"a failed line is left out and its address taken again", {"\x01\x02\x03", "\x01"}, 1, 3, "10",
       "S00500000000FA\nS3060000000001F8\nS5030001FB\n"},
      {"without its header no line is written", {"abc"}, 1, 2, "1", "S5030000FC\n"},
      {"a file that cannot be created gives no writer", {}, 1, 1, "", "(none)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    MemoryFileSystem memory;
    FaultyFileSystem fs(memory);
    fs.failAt = c.failAt;
    auto writer = OpenSoftkeyRecords(fs, "k.PIC");
    std::string results;
    for (long i = 0; writer && i < c.times; ++i)
      for (const std::string& b : c.calls)
        results += WriteSoftkeyRecords(*writer, reinterpret_cast<const std::uint8_t*>(b.data()), b.size()) ? "0" : "1";
    CloseSoftkeyRecords(writer);
    EXPECT_EQ(results, c.results);
    const std::string* file = memory.FileBytes("k.PIC");
    const std::string expected = q32test::Replace(c.file, "\n", "\r\n"), got = file ? *file : "(none)";
    EXPECT_EQ(c.times > 1 ? got.substr(got.size() - std::min(got.size(), expected.size())) : got, expected);
  }
}

// Each line's faults as letters: no CR LF, not a record, lower case, checksum,
// no header, second header, after the count line, address gap, cut short,
// wrong count, unexpected type.
TEST(SoftkeyRecords, ReaderNamesWhatIsWrongWithEachLine) {
  const struct { std::string text, faults, data; bool whole; } cases[] = {
      {"S00500000000FA\r\nS30800000000616263D1\r\nS30600000003a056\r\nS300\r\nX101FE\r\nS307000000050102F0\r\n"
       "S3060000000644B0\r\nS5030003F9\nS00500000000FA\r\nS1040000FFFC",
       " | | l| kt| n| g| k| cw| sa| cau", "abc\xA0\x01\x02\x44", false},
      {"S00500000000FA\r\nS307000000050102F0\r\n", " | g", "\x01\x02", false},
      {"S5030000FC\r\nS30800000000616263D1\r\n\r\n", " h| a| na", "abc", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const SoftkeyRecordFile file = ReadSoftkeyRecordFile(c.text);
    std::string faults;
    for (const SoftkeyRecordLine& line : file.lines) {
      faults += faults.empty() ? " " : "| ";
      for (unsigned f = 0; f < 11; ++f)
        if (line.Has(static_cast<SoftkeyRecordFault>(f))) faults += "cnlkhsagtwu"[f];
    }
    EXPECT_EQ(faults, c.faults);
    EXPECT_EQ(file.data, c.data);
    EXPECT_EQ(CarriesWholeData(file), c.whole);
  }
}

TEST(RasterDecoder, DrawsTheBlocksWhereTheirElementsPlaceThem) {
  // One element at x 70, its block one row of 16 pixels FF 00h: the first
  // five pixels fall on columns 72 to 76, the rest outside the picture.
  // A second element at x -10 takes the same block: its last 8 pixels (00h) fall on columns 0 to 7.
  const std::string data("\x26\x00\x00\x46\x00\x00\x00\x10\x00\x09\x26\x00\xFF\xF6\x00\x00\x00\x06\x00\x09"
                         "\xFF\xFF\x00\x01\x00\x10\xFF\x00", 28);
  const RasterSoftkeyImage image = DecodeRasterSoftkey(data);
  std::string drawn;
  for (std::uint8_t bit : image.picture.pixels) drawn += bit ? '#' : '.';
  EXPECT_EQ(drawn, std::string(72, '.') + "#####" + std::string(47 * 77, '.'));
  EXPECT_TRUE(IsWholeRasterSoftkey(image));
  // No end word, though the element's block (0 rows, from its own offset word) lies in the data.
  EXPECT_FALSE(IsWholeRasterSoftkey(DecodeRasterSoftkey(std::string("\x26\x00\x00\x46\x00\x00\x00\x00\x00\x09", 10))));
  // The listing draws the padding columns 77 to 79 too; the other 8 pixels lie outside.  The
  // block is at 22, 16 on from the first element's offset word at 6.
  MemoryFileSystem memory;
  auto writer = OpenSoftkeyRecords(memory, "k.PIC");
  ASSERT_TRUE(writer && WriteSoftkeyRecords(*writer, reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
  CloseSoftkeyRecords(writer);
  const std::string listing = RasterListing(*memory.FileBytes("k.PIC"));
  const std::string placed = "block at 22: 1 rows of 16 pixels\n8 pixels of the block lie outside the picture\n";
  EXPECT_NE(listing.find(placed + "element 2600 x -10 y 0 last word 0009, " + placed + std::string(8, '.') +
                         std::string(64, '?') + "#####|###\n" + std::string(77, '?') + "|???\n"),
            std::string::npos) << listing;
}

// Which code each failing file operation gives; a failed write keeps the
// header and the whole data lines before it, then their count line.
TEST(RasterConverters, FailingFileOperationsGiveTheirCodes) {
  const struct { const char* source; FileOp op; int nth, code; } cases[] = {
      {"key.bmp", FileOp::Seek, 1, 8230}, {"key.bmp", FileOp::Seek, 3, 8222}, {"key.pcx", FileOp::Seek, 2, 8222},
      {"key.bmp", FileOp::Write, 60, 8223}, {"key.pcx", FileOp::Write, 60, 8223}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " " + std::to_string(c.nth));
    MemoryFileSystem memory;
    memory.AddFile(c.source, q32test::ReadFile(q32test::SourcePath("tests/data/raster/" + std::string(c.source))));
    FaultyFileSystem fs(memory);
    RunContext run(fs, RunSettings{});
    auto convert = std::string(c.source).ends_with(".bmp") ? ConvertBitmapSoftkey : ConvertPcxSoftkey;
    std::string detail;
    ASSERT_EQ(convert(run, c.source, detail), Msg::Ok);
    const std::string whole = *memory.FileBytes("key.PIC");
    memory.Remove("key.PIC");
    int count = 0;
    fs.rule = [&](FileOp op, const std::string&) { return op == c.op && ++count == c.nth; };
    EXPECT_EQ(Number(convert(run, c.source, detail)), c.code);
    const std::string* file = memory.FileBytes("key.PIC");
    ASSERT_EQ(file != nullptr, c.op == FileOp::Write);  // a refused picture leaves no record file
    if (!file) continue;
    std::size_t end = 0;  // after the header and 58 data lines
    for (int line = 0; line < 59; ++line) end = whole.find('\n', end) + 1;
    EXPECT_EQ(*file, whole.substr(0, end) + "S503003AC2\r\n");
  }
}

}  // namespace
}  // namespace q32
