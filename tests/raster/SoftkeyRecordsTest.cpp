// The record writer against files computed by hand from the S-record
// notation, for what no raster softkey shows: lines split at 30 bytes, empty
// writes, the 16-bit record count, and what failing writes leave in the file.
// (The softkeys the converters write are pinned by the case tables.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FaultyFileSystem.h"
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
  const std::string thirtyOne = "0123456789abcdefghijklmnopqrstu";
  const RecordCase cases[] = {
      {"nothing written", {}, 1, 0, "", "S00500000000FA\nS5030000FC\n"},
      {"addresses run on over calls",
       {"abc", std::string(19, '\0'), std::string("\0\x30\0\x30", 4), std::string(6, '\0')}, 1, 0, "0000",
       "S00500000000FA\nS30800000000616263D1\nS3180000000300000000000000000000000000000000000000E4\n"
       "S309000000160030003080\nS30B0000001A000000000000DA\nS5030004F8\n"},
      {"an empty write is a line; 31 bytes are two", {"", thirtyOne}, 1, 0, "00",
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
      for (const std::string& bytes : c.calls)
        results += std::to_string(WriteSoftkeyRecords(*writer, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                      bytes.size()));
    CloseSoftkeyRecords(writer);
    EXPECT_FALSE(writer);
    EXPECT_EQ(results, c.results);
    const std::string* file = memory.FileBytes("k.PIC");
    const std::string expected = c.file == "(none)" ? c.file : q32test::Crlf(c.file);
    const std::string got = file ? *file : "(none)";
    EXPECT_EQ(c.times > 1 ? got.substr(got.size() - std::min(got.size(), expected.size())) : got, expected);
  }
}

}  // namespace
}  // namespace q32
