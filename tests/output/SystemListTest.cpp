// The softkey system list's failures: a line that cannot be written is
// reported once as 8223 naming the list, and the run goes on.  (Its entries
// are compared in whole files by the reader's and the end-to-end tests.)
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "diag/Diagnostics.h"
#include "output/SystemList.h"
#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "project/RunContext.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using q32test::ReadFile;

class SystemList : public ::testing::Test {
 protected:
  q32test::TempDir dir;
  std::unique_ptr<FileSystem> host = MakeHostFileSystem();
  FaultyFileSystem fs{*host};
  RunContext run{fs};
  std::filesystem::path savedDir;
  std::FILE* console = nullptr;

  void SetUp() override {
    console = std::fopen("/dev/null", "w");
    run.diag.console = console;
    ASSERT_EQ(LoadMessageCatalogue(run.diag, run.settings.errorCount, run.settings.warningCount,
                                   q32test::SourcePath(""), kCatalogueName, kCatalogueHeader,
                                   dir / "run.log"),
              0);
    savedDir = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
  }
  void TearDown() override {
    std::filesystem::current_path(savedDir);
    CloseMessageCatalogue(run.diag);
    if (console) std::fclose(console);
  }
  void Softkey(std::uint32_t type, const std::string& token) {
    SetSoftkeySource(run.softkey, type, token, run.settings.controlFamilyLE);
  }
};

TEST_F(SystemList, EmptyListAndFailures) {
  ASSERT_TRUE(OpenSystemList(run));
  run.settings.systemListStream->Close();
  EXPECT_EQ(ReadFile(dir / kSystemListName), "");

  // A line that cannot be written: 1, reported once as 8223 naming the list.
  ASSERT_TRUE(OpenSystemList(run));
  fs.rule = [](FileOp op, const std::string& path) {
    return op == FileOp::Write && path == kSystemListName;
  };
  Softkey(SOURCE_BMP, "a.bmp");
  EXPECT_EQ(AddSystemListEntry(run), 1);
  EXPECT_EQ(run.settings.errorCount, 1);
  std::string log = ReadFile(dir / "run.log");
  EXPECT_NE(log.find("E8223"), std::string::npos) << log;
  EXPECT_NE(log.find(kSystemListName), std::string::npos) << log;
  fs.rule = nullptr;
  Softkey(SOURCE_BMP, "b.bmp");
  EXPECT_EQ(AddSystemListEntry(run), 0);  // the run goes on
  run.settings.systemListStream->Close();
  EXPECT_EQ(ReadFile(dir / kSystemListName), "PLC:\\SOFTKEYS\\b.PIC\r\n");

  // The list cannot be created.
  fs.rule = [](FileOp op, const std::string&) { return op == FileOp::Create; };
  EXPECT_FALSE(OpenSystemList(run));
}

}  // namespace
}  // namespace q32
