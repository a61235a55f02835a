// The vector and text softkey sources of the example project convert.
#include <gtest/gtest.h>

#include <string>

#include "dxf/DxfReader.h"
#include "dxf/VectorTestSupport.h"
#include "lang/TextSoftkey.h"

namespace q32 {
namespace {

using q32test::FileExistsOnDisk;
using q32test::ReadFile;
using q32test::SourcePath;
using q32test::TestRun;
using q32test::WriteFile;

TEST(ExampleSources, MillSoftkeysConvert) {
  TestRun t;
  for (const char* name : {"spindle.dxf", "start.txs", "feed.txm"})
    WriteFile(t.dir / name, ReadFile(SourcePath(std::string("examples/mill/") + name)));
  EXPECT_EQ(ConvertDxfSoftkey(*t.run, t.dir / "spindle.dxf", kDxfFormatVector), 0);
  EXPECT_EQ(ConvertTextSoftkey(*t.run, t.dir / "start.txs", 'S'), 0);
  EXPECT_EQ(ConvertTextSoftkey(*t.run, t.dir / "feed.txm", 'M'), 0);
  for (const char* name : {"spindle.PIC", "start.PIC", "feed.PIC"})
    EXPECT_TRUE(FileExistsOnDisk(t.dir / name)) << name;
  EXPECT_EQ(t.Errors(), 0) << t.Log();
  // The drawing has a block with a para circle, called from ENTITIES.
  std::string log = t.Log();
  EXPECT_NE(log.find("INSERT SPINDLE"), std::string::npos) << log;
}

}  // namespace
}  // namespace q32
