// Drawings written by ezdxf (tests/dxf/make_drawings.py), a DXF library of
// its own with its own idea of headers, tables, handles and extended data:
// what the reader knows converts byte for byte, what it does not know fails
// as it must.
#include <gtest/gtest.h>

#include <string>

#include "dxf/DxfReader.h"
#include "dxf/VectorTestSupport.h"

namespace q32 {
namespace {

using q32test::Bytes;
using q32test::Cat;
using q32test::Chars;
using q32test::FileExistsOnDisk;
using q32test::ReadFile;
using q32test::RecordFile;
using q32test::RunCommand;
using q32test::TestRun;

// A Python that has ezdxf, or empty.
std::string PythonWithEzdxf() {
  for (const char* python : {"/usr/bin/python3", "python3"}) {
    if (RunCommand(std::string(python) + " -c 'import ezdxf' 2>/dev/null", ".").status == 0)
      return python;
  }
  return {};
}

struct Drawings {
  TestRun t;
  bool made = false;
  Drawings() {
    std::string python = PythonWithEzdxf();
    if (python.empty()) return;
    auto r = RunCommand(python + " '" + q32test::SourcePath("tests/dxf/make_drawings.py") + "' '" +
                            t.dir.path() + "'",
                        t.dir.path());
    made = r.status == 0;
    EXPECT_TRUE(made) << r.out;
  }
  int Convert(const std::string& name) { return ConvertDxfSoftkey(*t.run, t.dir / name, 1); }
};

Bytes W(std::initializer_list<std::uint16_t> words) { return q32test::Words(words); }
Bytes Lin(std::uint16_t x1, std::uint16_t y1, std::uint16_t x2, std::uint16_t y2) {
  return W({0x1200, x1, y1, x2, y2, 0, 9});
}
Bytes Prefix(std::uint16_t para) {
  return W({0x3100, 1, 0x000A, 0x3A00, 0, para, 0x3C02, 8, 0x3100, 1, 9});
}
Bytes ParaLin(std::uint16_t x1, std::uint16_t y1, std::uint16_t x2, std::uint16_t y2) {
  Bytes once = W({0x1240, 0x0400, x1, y1, x2, y2, 0, 1});
  return Cat({once, once});
}
const Bytes kHeader = Cat({W({0x3C00, 6}), Chars("HV02")});

TEST(EzdxfDrawings, R12DrawingWithBlockAndEveryR12Entity) {
  Drawings d;
  if (!d.made) GTEST_SKIP() << "python3 with ezdxf (python3-ezdxf) is not installed";
  ASSERT_EQ(d.Convert("r12.dxf"), 0) << d.t.Log();
  // Blocks: $Model_Space at 12 and $Paper_Space at 14, both empty (end word
  // only); MARK at 16 with a plain line (direct length 14) and a circle on
  // layer L3 (para 2): 20 + 14 + 36 + 2 = 72.  Blocks length 2 + 2 + 72 = 76,
  // skip record 78.
  // ENTITIES plain bytes: line 14, circle 12, arc 20, text 14, SOLID 4 lines
  // and a fill 66, point 8, closed POLYLINE 3 lines 42: 176, entities base
  // 200.  Call of MARK: 16 - 200 - 76 - 0 - 14 = -274 = 0xFEEE.
  EXPECT_EQ(ReadFile(d.t.dir / "r12.PIC"),
            RecordFile({kHeader, W({0x3C00, 78}), W({0x3D00}), W({0x3D00}),
                        W({0x3A00, 0, 0, 0x3C04, 0x000C, 0x3300, 0, 0x8000, 0x3C02, 16}),
                        Lin(0, 0, 64, 32),
                        Cat({Prefix(2), W({0x1A40, 0x0800, 32, 32, 6, 0, 1})}),
                        W({0x3D00}),
                        Lin(0, 0, 27, 27),
                        W({0x1A00, 27, 27, 13, 0, 9}),
                        W({0x1C00, 27, 40, 14, 27, 27, 27, 0, 0, 9}),
                        Cat({W({0x2A00, 2, 5, 2}), Chars("OK"), W({3, 9})}),
                        Lin(0, 0, 27, 0), Lin(27, 0, 27, 27), Lin(27, 27, 0, 27), Lin(0, 27, 0, 0),
                        W({0x2200, 13, 13, 0xFFFF, 9}),
                        W({0x1000, 8, 11, 9}),
                        Lin(0, 0, 27, 0), Lin(27, 0, 27, 27), Lin(27, 27, 0, 0),
                        W({0x3B80, 0xFEEE}),
                        W({0xFFFF})}));
  EXPECT_EQ(d.t.Errors(), 0);
}

TEST(EzdxfDrawings, R2000DrawingWithLwPolylineAndHatch) {
  Drawings d;
  if (!d.made) GTEST_SKIP() << "python3 with ezdxf (python3-ezdxf) is not installed";
  ASSERT_EQ(d.Convert("r2000.dxf"), 0) << d.t.Log();
  // Two empty blocks (*Model_Space, *Paper_Space): blocks length 4, skip 6.
  // The LWPOLYLINE on layer 4 is para 3 and waits for the plain line; the
  // HATCH draws nothing.
  EXPECT_EQ(ReadFile(d.t.dir / "r2000.PIC"),
            RecordFile({kHeader, W({0x3C00, 6}), W({0x3D00}), W({0x3D00}), Lin(0, 0, 64, 32),
                        Cat({Prefix(3), ParaLin(0, 0, 13, 13), ParaLin(13, 13, 27, 0)}),
                        W({0xFFFF})}));

  // An ELLIPSE is not a softkey element: the whole conversion fails and
  // leaves no softkey.
  EXPECT_EQ(d.Convert("r2000_extra.dxf"), 8254);
  EXPECT_FALSE(FileExistsOnDisk(d.t.dir / "r2000_extra.PIC"));
  EXPECT_EQ(d.t.Errors(), 1);
  std::string log = d.t.Log();
  EXPECT_NE(log.find("r2000_extra.PIC("), std::string::npos) << log;
}

}  // namespace
}  // namespace q32
