// Path operations on the program's Windows-style paths: each row names the
// operation, its input (and base) and the expected result.  Environment
// variables of the rows: Q32_DIR = C:\data, Q32_OUTER = %Q32_DIR%,
// Q32_PROJ = C:\proj; Q32_UNSET is not set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>

#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using Op = std::function<std::string(std::string, std::string)>;

const std::map<std::string, Op> kOps = {
    {"ext", [](std::string p, std::string e) { return ReplaceExtension(p, e), p; }},
    {"dir", [](std::string p, std::string) { return DirectoryOf(p); }},
    {"drive", [](std::string p, std::string) { return std::string(DriveOf(p)); }},
    {"name", [](std::string p, std::string) { return std::string(FileNameOf(p)); }},
    {"split", [](std::string p, std::string) {
       PathParts s = SplitPath(p);
       return s.drive + "|" + s.dir + "|" + s.name + "|" + s.ext;
     }},
    {"expand", [](std::string p, std::string) { return ExpandVariables(p); }},
    {"collapse", [](std::string p, std::string) { return CollapseDotDot(p), p; }},
    {"abs", [](std::string p, std::string b) { return MakeAbsolute(p, b, false), p; }},
    {"abs%", [](std::string p, std::string b) { return MakeAbsolute(p, b, true), p; }},
    {"rel", [](std::string p, std::string b) { return MakeRelative(b, p, false), p; }},
    {"rel%", [](std::string p, std::string b) { return MakeRelative(b, p, true), p; }},
};

TEST(Paths, Operations) {
  q32test::SetEnvironment("Q32_DIR", "C:\\data");
  q32test::SetEnvironment("Q32_OUTER", "%Q32_DIR%");
  q32test::SetEnvironment("Q32_PROJ", "C:\\proj");
  q32test::SetEnvironment("Q32_BIG", std::string(250, 'v').c_str());
  q32test::SetEnvironment("Q32_UNSET", nullptr);
  const std::string fits(kMaxPathLength - 4, 'a'), base200 = "C:\\" + std::string(200, 'b');
  std::string deep, shallow, up;
  for (int i = 0; i < 100; ++i) deep += "\\d";
  for (int i = 0; i < 10; ++i) shallow += "\\d", up += "..\\";
  const std::string other = "\\o\\" + std::string(20, 'f') + ".txt";
  const struct {
    std::string op, in, base, out;
  } rows[] = {
      {"ext", "dir.old\\icon", ".bmx", "dir.old\\icon.bmx"}, {"ext", "C:\\a\\b.c.d", ".bmx", "C:\\a\\b.c.bmx"},
      {"ext", "", ".bmx", ".bmx"}, {"ext", fits, ".PIC", fits + ".PIC"},
      {"ext", fits + "a", ".PIC", ""},  // beyond the buffer the path is empty
      {"ext", fits + ".bmp", ".PIC", fits + ".PIC"}, {"dir", "PLC:file", "", "PLC:"}, {"dir", "file.txt", "", ""},
      {"dir", "C:/proj/sub/a.spm", "", "C:\\proj\\sub\\"}, {"dir", "PLC:\\SOFTKEYS\\", "", "PLC:\\SOFTKEYS\\"},
      {"drive", "PLC:\\SOFTKEYS\\a.PIC", "", "PLC:"}, {"drive", "c:x", "", "c:"}, {"drive", "\\\\srv\\share", "", ""},
      {"drive", "noDrive\\a", "", ""}, {"name", "dir/sub\\x.txt", "", "x.txt"},
      {"name", "dir\\sub/x.txt", "", "x.txt"}, {"name", "PLC:a.PIC", "", "a.PIC"}, {"name", "C:\\dir\\", "", ""},
      {"name", "dir\\x:y", "", "y"},  // a colon behind the last separator is a drive all the same
      {"split", "\\\\srv\\share\\dir\\f.txt", "", "\\\\srv|\\share\\dir\\|f|.txt"},
      {"split", "C:\\proj\\img\\a.b.bmp", "", "C:|\\proj\\img\\|a.b|.bmp"},
      {"split", "PLC:\\SOFTKEYS\\a.PIC", "", "|PLC:\\SOFTKEYS\\|a|.PIC"},  // no drive of several letters
      {"split", "dir.d\\name", "", "|dir.d\\|name|"}, {"split", "\\\\srv", "", "|\\\\|srv|"},
      {"expand", "%Q32_DIR%\\a.bmp", "", "C:\\data\\a.bmp"},
      {"expand", "x\\%Q32_UNSET%\\a.bmp", "", "x\\%Q32_UNSET%\\a.bmp"}, {"expand", "100%done", "", "100%done"},
      {"expand", "%Q32_UNSET%%Q32_DIR%", "", "%Q32_UNSET%C:\\data"},
      {"expand", "%Q32_DIR%;%Q32_DIR%", "", "C:\\data;C:\\data"},
      {"expand", "a%Q32_OUTER%b", "", "a%Q32_DIR%b"},  // not expanded again
      {"expand", "%Q32_BIG%\\x", "", std::string(250, 'v') + "\\x"}, {"expand", "%Q32_BIG%\\0123456789", "", ""},
      {"expand", std::string(kPathBufferSize, 'a'), "", ""},
      {"expand", std::string(kMaxPathLength, 'a'), "", std::string(kMaxPathLength, 'a')},
      {"collapse", "C:\\a\\b\\..\\..\\c", "", "C:\\c"}, {"collapse", "C:\\a\\..\\..\\c", "", "C:\\..\\c"},
      {"collapse", "\\..\\x", "", "\\..\\x"}, {"collapse", "C:\\a\\\\..\\c", "", "C:\\a\\c"},
      {"collapse", "C:\\a\\b\\..", "", "C:\\a\\b\\.."}, {"collapse", "x\\a\\..\\b\\..\\c", "", "x\\c"},
      {"abs", "..\\img\\a.bmp", "C:\\proj\\sub", "C:\\proj\\img\\a.bmp"},
      {"abs", "img/a.bmp", "C:\\proj\\", "C:\\proj\\img\\a.bmp"},
      {"abs", "\\root\\a.bmp", "C:\\proj", "\\root\\a.bmp"}, {"abs", "D:a.bmp", "C:\\proj", "D:a.bmp"},
      {"abs", "PLC:\\SOFTKEYS\\a.PIC", "C:\\proj", "PLC:\\SOFTKEYS\\a.PIC"}, {"abs", "a\\..\\b", "", "a\\..\\b"},
      {"abs%", "%Q32_PROJ%\\x.bmp", "D:\\other", "C:\\proj\\x.bmp"},
      {"abs%", "sub\\a.bmp", "%Q32_PROJ%", "C:\\proj\\sub\\a.bmp"},
      {"abs", "%Q32_PROJ%\\x.bmp", "D:\\other", "D:\\other\\%Q32_PROJ%\\x.bmp"},
      {"abs", std::string(60, 'n'), base200, ""},
      {"abs", std::string(55, 'n'), base200, base200 + "\\" + std::string(55, 'n')},
      {"rel", "C:\\proj\\img\\a.bmp", "C:\\proj\\", "img\\a.bmp"},
      {"rel", "C:\\other\\a.bmp", "C:\\proj\\", "..\\other\\a.bmp"}, {"rel", "D:\\a.bmp", "C:\\proj\\", "D:\\a.bmp"},
      {"rel", "C:/proj/Img/a.bmp", "c:/PROJ", "Img\\a.bmp"},
      {"rel", "C:\\proj\\img\\a.bmp", "C:\\proj\\sub\\deep", "..\\..\\img\\a.bmp"},
      {"rel", "img\\a.bmp", "C:\\proj", "img\\a.bmp"}, {"rel", "C:a.bmp", "C:\\proj", "C:a.bmp"},
      {"rel", "PLC:\\Python\\run.py", "PLC:\\SOFTKEYS", "..\\Python\\run.py"},
      {"rel", "PLC:\\SOFTKEYS\\sub\\a.PIC", "plc:\\softkeys\\", "sub\\a.PIC"},
      {"rel", "PLC:\\SOFTKEYS\\a.PIC", "C:\\proj", "PLC:\\SOFTKEYS\\a.PIC"},
      {"rel", "C:\\proj\\a.bmp", "PLC:\\SOFTKEYS", "C:\\proj\\a.bmp"},
      {"rel", "\\\\srv\\share\\b\\f.txt", "\\\\srv\\share\\a", "..\\b\\f.txt"},
      {"rel", "\\\\srv\\share\\f.txt", "\\\\other\\share", "\\\\srv\\share\\f.txt"},
      {"rel", "/tmp/y/sub/a.txt", "/tmp/x/", "..\\y\\sub\\a.txt"},
      {"rel%", "%Q32_PROJ%\\img\\a.bmp", "C:\\proj", "img\\a.bmp"},
      {"rel%", "C:\\proj\\img\\a.bmp", "%Q32_PROJ%", "img\\a.bmp"},
      {"rel", "%Q32_PROJ%\\a.bmp", "\\proj", "..\\%Q32_PROJ%\\a.bmp"},  // taken as rooted
      {"rel", other, deep, ""},  // beyond the buffer
      {"rel", other, shallow, up + other.substr(1)},
  };
  for (const auto& r : rows) EXPECT_EQ(kOps.at(r.op)(r.in, r.base), r.out) << r.op << " " << r.in << " " << r.base;
  EXPECT_EQ(ExpandVariables("%Q32_BIG%", 251), std::string(250, 'v'));
  EXPECT_EQ(ExpandVariables("%Q32_BIG%", 250), "");
  PathContext context;
  SetBaseDirectory(context, std::string(300, 'x'));
  EXPECT_EQ(context.baseDirectory.size(), kMaxPathLength);
}

}  // namespace
}  // namespace q32
