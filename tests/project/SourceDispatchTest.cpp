// The source dispatch through its functions: a run started in one directory
// and working in the project's directory below it, as the run driver leaves
// it, with the real file system.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "diag/Diagnostics.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "project/RunContext.h"
#include "project/SourceDispatch.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using q32test::FileExistsOnDisk;
using q32test::ReadFile;
using q32test::WriteFile;

// A 77 x 48 one-bit bitmap, every row 5Ah bytes.
std::string SmallBitmap() {
  std::string b(62, '\0');
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put(10, 62, 4);
  put(14, 40, 4);
  put(18, 77, 4);
  put(22, 48, 4);
  put(26, 1, 2);
  put(28, 1, 2);
  return b + std::string(48 * 12, '\x5A');
}

// A one-line run-length PCX picture of 77 x 48 pixels.
std::string SmallPcx() {
  std::string p(128, '\0');
  p[0] = 10;
  p[2] = 1;
  p[3] = 1;
  p[8] = 76;
  p[10] = 47;
  p[65] = 1;
  p[66] = 10;
  for (int r = 0; r < 48; ++r) p += "\xCA\x0F";
  return p;
}

class Dispatch : public ::testing::Test {
 protected:
  q32test::TempDir start;  // where the program was started
  std::unique_ptr<FileSystem> fs = MakeHostFileSystem();
  RunContext run{*fs};
  std::filesystem::path savedDir;
  std::FILE* console = nullptr;

  void SetUp() override {
    std::filesystem::create_directories(start / "proj/keys");
    std::filesystem::create_directories(start / "proj/bmx");
    console = std::fopen("/dev/null", "w");
    run.diag.console = console;
    ASSERT_EQ(LoadMessageCatalogue(run.diag, run.settings.errorCount, run.settings.warningCount,
                                   q32test::SourcePath(""), kCatalogueName, kCatalogueHeader,
                                   start / "run.log"),
              0);
    savedDir = std::filesystem::current_path();
    std::filesystem::current_path(start / "proj");
    SetBaseDirectory(run.paths, start.path());
  }
  void TearDown() override {
    std::filesystem::current_path(savedDir);
    CloseMessageCatalogue(run.diag);
    if (console) std::fclose(console);
  }

  void Line(std::uint32_t type, const std::string& token) {
    SetSoftkeySource(run.softkey, type, token, run.settings.controlFamilyLE);
  }
  std::string Log() { return ReadFile(start / "run.log"); }
  std::string Cwd() { return std::filesystem::current_path().string(); }
};

TEST_F(Dispatch, BitmapAndPcxAreConvertedAndLogged) {
  WriteFile(start / "proj/keys/ok.bmp", SmallBitmap());
  WriteFile(start / "proj/keys/go.pcx", SmallPcx());
  Line(SOURCE_BMP, "keys\\ok.bmp");
  EXPECT_EQ(DispatchSoftkey(run), 0);
  EXPECT_TRUE(FileExistsOnDisk(start / "proj/keys/ok.PIC"));
  EXPECT_EQ(run.softkey.source, "keys\\ok.PIC");
  EXPECT_EQ(run.softkey.targetExt, ".PIC");
  EXPECT_EQ(run.softkey.targetPath, "PLC:\\SOFTKEYS\\ok.PIC");
  // A generated softkey without an extension takes the family's.
  WriteFile(start / "proj/keys/plain", "x");
  Line(SOURCE_GENERATED, "keys\\plain");
  EXPECT_EQ(DispatchSoftkey(run), 0);
  EXPECT_EQ(run.softkey.targetExt, ".PIC");

  // The little-endian family records ".sk"; the converter still writes .PIC.
  run.settings.controlFamilyLE = true;
  Line(SOURCE_PCX, "keys\\go.pcx");
  EXPECT_EQ(DispatchSoftkey(run), 0);
  EXPECT_TRUE(FileExistsOnDisk(start / "proj/keys/go.PIC"));
  EXPECT_EQ(run.softkey.source, "keys\\go.sk");
  EXPECT_EQ(run.softkey.targetExt, ".sk");
  EXPECT_EQ(Log(), q32test::Crlf("GeneratingSK \"proj\\keys\\ok.PIC\" PLC:\\SOFTKEYS\\\n"
                                 "CheckingSK \"proj\\keys\\plain\" PLC:\\SOFTKEYS\\\n"
                                 "GeneratingSK \"proj\\keys\\go.sk\" PLC:\\SOFTKEYS\\\n"));
}

// A generated softkey keeps its extension; failed conversions return their
// codes, which are the reader's to report.
TEST_F(Dispatch, GeneratedSoftkeysAndFailedConversions) {
  WriteFile(start / "proj/keys/ok.sk", "x");
  Line(SOURCE_GENERATED, "keys\\ok.sk");
  EXPECT_EQ(DispatchSoftkey(run), 0);
  EXPECT_EQ(run.softkey.targetExt, ".sk");  // a generated softkey keeps its extension
  WriteFile(start / "proj/keys/plain", "x");
  Line(SOURCE_GENERATED, "keys\\plain");
  EXPECT_EQ(DispatchSoftkey(run), 0);
  EXPECT_EQ(run.softkey.targetExt, ".PIC");
  Line(SOURCE_BMP, "keys\\none.bmp");
  EXPECT_EQ(DispatchSoftkey(run), 8220);
  WriteFile(start / "proj/keys/bad.pcx", "not a picture");
  Line(SOURCE_PCX, "keys\\bad.pcx");
  EXPECT_EQ(DispatchSoftkey(run), 8240);
  EXPECT_EQ(run.softkey.source, "keys\\bad.pcx");
  EXPECT_EQ(Log(), q32test::Crlf("CheckingSK \"proj\\keys\\ok.sk\" PLC:\\SOFTKEYS\\\n"
                                 "CheckingSK \"proj\\keys\\plain\" PLC:\\SOFTKEYS\\\n"));
  EXPECT_EQ(run.settings.errorCount, 0);
}

// A BMX project is generated from inside its own directory, which is left
// again whatever the result, and only the first one of a run starts without
// loaded language texts.
TEST_F(Dispatch, ProjectsAndDrawingsGoToTheirConverters) {
  WriteFile(start / "proj/bmx/p.bpj", "x");
  WriteFile(start / "proj/d.dxf", "x");
  WriteFile(start / "proj/t.txs", "x");
  std::string cwd = Cwd();
  Line(SOURCE_BPJ, "bmx\\p.bpj");
  EXPECT_TRUE(run.firstBmxProject);
  EXPECT_EQ(DispatchSoftkey(run), 2);  // "x" is no BMX project; reported by the generator
  EXPECT_FALSE(run.firstBmxProject);
  EXPECT_EQ(run.softkey.targetExt, ".bmx");
  EXPECT_EQ(Cwd(), cwd);
  // A BMX project in a directory that does not exist.
  Line(SOURCE_BPJ, "nowhere\\p.bpj");
  EXPECT_EQ(DispatchSoftkey(run), 8221);
  EXPECT_EQ(Cwd(), cwd);

  // Drawings and text sources reach their converters: "x" is no drawing,
  // but it is a text source of one line.
  Line(SOURCE_DXF, "d.dxf");
  EXPECT_GT(DispatchSoftkey(run), 8000);
  for (std::uint32_t type : {SOURCE_TXS, SOURCE_TXM, SOURCE_TXB}) {
    Line(type, "t.txs");
    EXPECT_EQ(DispatchSoftkey(run), 0) << type;
    EXPECT_TRUE(FileExistsOnDisk(start / "proj/t.PIC"));
  }
}

TEST_F(Dispatch, ScanningListsTheSourceFiles) {
  std::string cwd = Cwd();
  struct Case {
    std::uint32_t type;
    const char* token;
  } cases[] = {{SOURCE_BMP, "keys\\a.bmp"}, {SOURCE_PCX, "b.pcx"},   {SOURCE_DXF, "c.dxf"},
               {SOURCE_TXS, "t.txs"},       {SOURCE_TXM, "t.txm"},   {SOURCE_TXB, "t.txb"},
               {SOURCE_TX, "Text"},         {SOURCE_BPJ, "bmx\\p.bpj"}, {SOURCE_GENERATED, "k.SK"},
               {SOURCE_BPJ, "nowhere\\q.bpj"}};
  for (const Case& c : cases) {
    Line(c.type, c.token);
    EXPECT_EQ(LogScannedSource(run), 0);
  }
  EXPECT_EQ(Cwd(), cwd);
  EXPECT_EQ(Log(), q32test::Crlf("File proj\\keys\\a.bmp\n"
                                 "File proj\\b.pcx\n"
                                 "File proj\\c.dxf\n"
                                 "File proj\\bmx\\p.bpj\n"
                                 "File: proj\\bmx\\p.bpj: E8300: BMX project file cannot be opened\n"
                                 "File proj\\k.SK\n"
                                 "File proj\\nowhere\\q.bpj\n"));
  EXPECT_FALSE(FileExistsOnDisk(start / "proj/keys/a.PIC"));
}

}  // namespace
}  // namespace q32
