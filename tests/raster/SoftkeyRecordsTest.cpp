// What no run of the program can show: the record writer against files
// computed by hand from the S-record notation (lines split at 30 bytes, empty
// writes, the 16-bit record count, failing writes), and the converters under
// failing file operations: which code each failure gives, and that a record
// file whose write failed keeps the whole lines written before it and its
// count line, nothing after.  (The softkeys themselves are pinned by the case
// tables.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FaultyFileSystem.h"
#include "run/RunContext.h"
#include "raster/BitmapSoftkey.h"
#include "raster/PcxSoftkey.h"
#include "raster/SoftkeyRecords.h"
#include "support/MemoryFileSystem.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

struct RecordCase {
  const char* rule;
  std::vector<std::string> calls;  // the bytes of each write, made `times` times
  long times, failAt;              // failAt: the file operation that fails (1 creates)
  std::string results;             // what each write returned
  std::string file;                // the whole file, or its end after many writes
};

TEST(SoftkeyRecords, FilesMatchHandComputedRecords) {
  const RecordCase cases[] = {
      {"nothing written", {}, 1, 0, "", "S00500000000FA\nS5030000FC\n"},
      {"addresses run on over calls",
       {"abc", std::string(19, '\0'), std::string("\0\x30\0\x30", 4), std::string(6, '\0')}, 1, 0, "0000",
       "S00500000000FA\nS30800000000616263D1\nS3180000000300000000000000000000000000000000000000E4\n"
       "S309000000160030003080\nS30B0000001A000000000000DA\nS5030004F8\n"},
      {"an empty write is a line; 31 bytes are two", {"", "0123456789abcdefghijklmnopqrstu"}, 1, 0, "00",
       "S00500000000FA\nS30500000000FA\n"
       "S32300000000303132333435363738396162636465666768696A6B6C6D6E6F70717273747D\n"
       "S3060000001E7566\nS5030003F9\n"},
      {"the count is 16 bits wide", {""}, 65537, 0, std::string(65537, '0'), "S5030001FB\n"},
      {"a failed line is left out and its address taken again", {"\x01\x02\x03", "\x01"}, 1, 3, "10",
       "S00500000000FA\nS3060000000001F8\nS5030001FB\n"},
      {"without its header no line is written", {"abc"}, 1, 2, "1", "S5030000FC\n"},
      {"a file that cannot be created gives no writer", {}, 1, 1, "", "(none)"},
  };
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.rule);
    q32test::MemoryFileSystem memory;
    FaultyFileSystem fs(memory);
    fs.failAt = c.failAt;
    auto writer = OpenSoftkeyRecords(fs, "k.PIC");
    std::string results;
    for (long i = 0; writer && i < c.times; ++i)
      for (const std::string& bytes : c.calls) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        results += WriteSoftkeyRecords(*writer, data, bytes.size()) ? "0" : "1";
      }
    CloseSoftkeyRecords(writer);
    EXPECT_EQ(results, c.results);
    const std::string* file = memory.FileBytes("k.PIC");
    const std::string expected = q32test::Crlf(c.file), got = file ? *file : "(none)";
    EXPECT_EQ(c.times > 1 ? got.substr(got.size() - std::min(got.size(), expected.size())) : got, expected);
  }
}

TEST(RasterConverters, FailingFileOperationsGiveTheirCodes) {
  struct {
    const char* what;
    const char* source;
    FileOp op;
    int nth, code;
  } cases[] = {
      {"the bitmap headers cannot be reached", "key.bmp", FileOp::Seek, 1, 8230},
      {"the bitmap rows cannot be reached", "key.bmp", FileOp::Seek, 3, 8222},
      {"the PCX scan lines cannot be reached", "key.pcx", FileOp::Seek, 2, 8222},
      {"the 60th bitmap record line cannot be written", "key.bmp", FileOp::Write, 60, 8223},
      {"the 60th PCX record line cannot be written", "key.pcx", FileOp::Write, 60, 8223},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    q32test::MemoryFileSystem memory;
    const std::string fixture = q32test::SourcePath("tests/data/raster/" + std::string(c.source));
    memory.AddFile(c.source, q32test::ReadFile(fixture));
    FaultyFileSystem fs(memory);
    RunContext run(fs, RunSettings{});
    auto convert = std::string(c.source).ends_with(".bmp") ? ConvertBitmapSoftkey : ConvertPcxSoftkey;
    ASSERT_EQ(convert(run, c.source), Msg::Ok);
    const std::string whole = *memory.FileBytes("key.PIC");
    memory.Remove("key.PIC");
    int count = 0;
    fs.rule = [&](FileOp op, const std::string&) { return op == c.op && ++count == c.nth; };
    EXPECT_EQ(Number(convert(run, c.source)), c.code);
    const std::string* file = memory.FileBytes("key.PIC");
    ASSERT_EQ(file != nullptr, c.op == FileOp::Write);  // a refused picture leaves no record file
    if (!file) continue;
    // The header and 58 data lines, then the count line of 58 (3Ah).
    std::size_t end = 0;
    for (int line = 0; line < 59; ++line) end = whole.find('\n', end) + 1;
    EXPECT_EQ(*file, whole.substr(0, end) + "S503003AC2\r\n");
  }
}

}  // namespace
}  // namespace q32
