// The record writer against hand-computed lines, the checksum and count
// rules through the raster tests' record reader, failure behaviour through
// the fault-injecting file layer, and a read-back by the srecord tools.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "raster/RasterTestSupport.h"
#include "raster/SoftkeyRecords.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using q32test::Crlf;
using q32test::ReadFile;
using q32test::TempDir;

struct RecordFile {
  TempDir dir;
  std::unique_ptr<FileSystem> fs = MakeHostFileSystem();
  std::string path = dir / "k.PIC";
};

void Write(SoftkeyRecordWriter& w, const std::vector<std::uint8_t>& bytes) {
  ASSERT_EQ(WriteSoftkeyRecords(w, bytes.data(), bytes.size()), 0);
}

TEST(SoftkeyRecords, DataLinesMatchHandComputedRecords) {
  RecordFile f;
  auto w = OpenSoftkeyRecords(*f.fs, f.path);
  ASSERT_TRUE(w);
  CloseSoftkeyRecords(w);
  EXPECT_FALSE(w);
  EXPECT_EQ(ReadFile(f.path), "S00500000000FA\r\nS5030000FC\r\n");
  CloseSoftkeyRecords(w);  // a missing writer is ignored

  w = OpenSoftkeyRecords(*f.fs, f.path);
  ASSERT_TRUE(w);
  Write(*w, {'a', 'b', 'c'});
  Write(*w, std::vector<std::uint8_t>(19, 0));  // address 22 next
  Write(*w, {0x00, 0x30, 0x00, 0x30});
  Write(*w, std::vector<std::uint8_t>(6, 0));
  EXPECT_EQ(w->address, 32u);
  EXPECT_EQ(w->recordCount, 4);
  CloseSoftkeyRecords(w);
  EXPECT_EQ(ReadFile(f.path), Crlf("S00500000000FA\n"
                                   "S30800000000616263D1\n"
                                   "S3180000000300000000000000000000000000000000000000E4\n"
                                   "S309000000160030003080\n"
                                   "S30B0000001A000000000000DA\n"
                                   "S5030004F8\n"));
}

TEST(SoftkeyRecords, LongWritesSplitIntoThirtyByteLinesAndEmptyWritesStillCount) {
  RecordFile f;
  auto w = OpenSoftkeyRecords(*f.fs, f.path);
  ASSERT_TRUE(w);
  Write(*w, {});  // one empty line, counted
  std::vector<std::uint8_t> bytes(31);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0xF0 + i % 16);
  Write(*w, bytes);
  EXPECT_EQ(w->recordCount, 3);
  CloseSoftkeyRecords(w);
  rastertest::Records records;
  ASSERT_TRUE(rastertest::ReadRecords(ReadFile(f.path), records)) << records.error;
  EXPECT_EQ(records.lineSizes, (std::vector<std::size_t>{0, 30, 1}));
  EXPECT_EQ(records.data, std::string(bytes.begin(), bytes.end()));
}

TEST(SoftkeyRecords, RecordCountWrapsAtSixteenBits) {
  RecordFile f;
  auto w = OpenSoftkeyRecords(*f.fs, f.path);
  ASSERT_TRUE(w);
  for (long i = 0; i < 65537; ++i) ASSERT_EQ(WriteSoftkeyRecords(*w, nullptr, 0), 0);
  CloseSoftkeyRecords(w);
  std::string text = ReadFile(f.path);
  EXPECT_EQ(text.substr(text.size() - 12), "S5030001FB\r\n");
}

TEST(SoftkeyRecords, FailedWriteStopsTheCallAndCloseStillCounts) {
  RecordFile f;
  FaultyFileSystem faulty(*f.fs);
  // Creation refused: no writer, no file.
  faulty.rule = [](FileOp op, const std::string&) { return op == FileOp::Create; };
  EXPECT_FALSE(OpenSoftkeyRecords(faulty, f.path));
  EXPECT_FALSE(q32test::FileExistsOnDisk(f.path));

  // The header is the first write; each record line is written whole, so a
  // failed write leaves no part of its line behind.
  faulty.rule = nullptr;
  faulty.operations = 0;
  faulty.failAt = 2 /*create, header*/ + 1;
  auto w = OpenSoftkeyRecords(faulty, f.path);
  ASSERT_TRUE(w);
  const std::uint8_t bytes[] = {1, 2, 3};
  EXPECT_EQ(WriteSoftkeyRecords(*w, bytes, 3), 1);
  EXPECT_EQ(w->address, 0u);
  EXPECT_EQ(w->recordCount, 0);
  EXPECT_EQ(WriteSoftkeyRecords(*w, bytes, 1), 0);  // a later write goes on at address 0
  CloseSoftkeyRecords(w);
  EXPECT_EQ(ReadFile(f.path), Crlf("S00500000000FA\nS3060000000001F8\nS5030001FB\n"));

  // A header that cannot be written fails the first data write.
  faulty.operations = 0;
  faulty.failAt = 2;
  w = OpenSoftkeyRecords(faulty, f.path);
  ASSERT_TRUE(w);
  EXPECT_EQ(WriteSoftkeyRecords(*w, bytes, 3), 1);
  CloseSoftkeyRecords(w);
}

// The srecord tools read our files back into the very bytes written.
TEST(SoftkeyRecords, SrecCatReadsTheFileBack) {
  if (!q32test::HaveTool("srec_cat")) GTEST_SKIP() << "srec_cat (package srecord) not installed";
  RecordFile f;
  std::string data;
  auto w = OpenSoftkeyRecords(*f.fs, f.path);
  ASSERT_TRUE(w);
  for (int call = 0; call < 40; ++call) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(call * 7 % 45));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(call * 31 + i * 13);
    data.append(bytes.begin(), bytes.end());
    Write(*w, bytes);
  }
  CloseSoftkeyRecords(w);
  auto run = q32test::RunCommand("srec_cat k.PIC -Motorola -o k.bin -Binary", f.dir.path());
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(ReadFile(f.dir / "k.bin"), data);
}

}  // namespace
}  // namespace q32
