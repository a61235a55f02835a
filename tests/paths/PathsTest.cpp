#include "paths/Paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

std::string Replaced(std::string path, std::string_view ext) { return ReplaceExtension(path, ext); }

std::string Absolute(std::string path, std::string_view base, bool expand = false) {
  MakeAbsolute(path, base, expand);
  return path;
}

std::string Relative(std::string_view base, std::string path, bool expand = false) {
  MakeRelative(base, path, expand);
  return path;
}

std::string Collapsed(std::string path) {
  CollapseDotDot(path);
  return path;
}

// Sets an environment variable for the duration of a test.
struct ScopedEnv {
  std::string name;
  ScopedEnv(const std::string& n, const std::string& value) : name(n) {
    setenv(name.c_str(), value.c_str(), 1);
  }
  ~ScopedEnv() { unsetenv(name.c_str()); }
};

// Rows of what a path function gives for an input.
struct Row {
  std::string in, out;
};

template <typename F>
void ExpectEach(const char* what, F f, std::initializer_list<Row> rows) {
  for (const Row& r : rows) EXPECT_EQ(f(r.in), r.out) << what << "(" << r.in << ")";
}

TEST(Paths, ExtensionDirectoryDriveAndFileName) {
  ExpectEach("ReplaceExtension .bmx", [](std::string p) { return Replaced(p, ".bmx"); },
             {{"dir.old\\icon", "dir.old\\icon.bmx"}, {"C:\\a\\b.c.d", "C:\\a\\b.c.bmx"}, {"", ".bmx"}});
  ExpectEach("DirectoryOf", [](std::string p) { return DirectoryOf(p); },
             {{"PLC:file", "PLC:"},
              {"file.txt", ""},
              {"C:/proj/sub/a.spm", "C:\\proj\\sub\\"},
              {"PLC:\\SOFTKEYS\\", "PLC:\\SOFTKEYS\\"}});
  ExpectEach("DriveOf", [](std::string p) { return std::string(DriveOf(p)); },
             {{"PLC:\\SOFTKEYS\\a.PIC", "PLC:"}, {"c:x", "c:"}, {"\\\\srv\\share", ""}, {"noDrive\\a", ""}});
  ExpectEach("FileNameOf", [](std::string p) { return std::string(FileNameOf(p)); },
             {{"dir/sub\\x.txt", "x.txt"},
              {"dir\\sub/x.txt", "x.txt"},
              {"PLC:a.PIC", "a.PIC"},
              {"plain", "plain"},
              {"C:\\dir\\", ""},
              {"dir\\x:y", "y"}});  // a colon behind the last separator is a drive all the same
}

TEST(Paths, ReplacingAnExtensionBeyondTheBufferEmptiesThePath) {
  std::string fits(kMaxPathLength - 4, 'a');
  EXPECT_EQ(Replaced(fits, ".PIC"), fits + ".PIC");
  EXPECT_EQ(Replaced(fits + "a", ".PIC"), "");
  // The old extension's room counts: this one only swaps four characters.
  EXPECT_EQ(Replaced(fits + ".bmp", ".PIC"), fits + ".PIC");
}

TEST(Paths, SplitPathHandlesDrivesLongDrivesAndNetworkPaths) {
  const struct {
    const char* in;
    PathParts parts;
  } cases[] = {
      {"\\\\srv\\share\\dir\\f.txt", {"\\\\srv", "\\share\\dir\\", "f", ".txt"}},
      {"C:\\proj\\img\\a.b.bmp", {"C:", "\\proj\\img\\", "a.b", ".bmp"}},
      // A drive of several letters is not a drive for the standard split.
      {"PLC:\\SOFTKEYS\\a.PIC", {"", "PLC:\\SOFTKEYS\\", "a", ".PIC"}},
      {"dir.d\\name", {"", "dir.d\\", "name", ""}},
      // Too short, or no backslash after the server: not a network path.
      {"\\\\srv", {"", "\\\\", "srv", ""}},
  };
  for (const auto& c : cases) {
    PathParts p = SplitPath(c.in);
    EXPECT_EQ(p.drive + "|" + p.dir + "|" + p.name + "|" + p.ext,
              c.parts.drive + "|" + c.parts.dir + "|" + c.parts.name + "|" + c.parts.ext);
  }
}

TEST(Paths, ExpandVariables) {
  ScopedEnv set("Q32_PATHS_TEST_DIR", "C:\\data");
  ScopedEnv outer("Q32_PATHS_OUTER", "%Q32_PATHS_TEST_DIR%");
  unsetenv("Q32_PATHS_TEST_UNSET");
  ExpectEach("ExpandVariables", [](std::string p) { return ExpandVariables(p); },
             {{"%Q32_PATHS_TEST_DIR%\\a.bmp", "C:\\data\\a.bmp"},
              {"x\\%Q32_PATHS_TEST_UNSET%\\a.bmp", "x\\%Q32_PATHS_TEST_UNSET%\\a.bmp"},
              {"100%done", "100%done"},
              // After an undefined name scanning goes on behind it.
              {"%Q32_PATHS_TEST_UNSET%%Q32_PATHS_TEST_DIR%", "%Q32_PATHS_TEST_UNSET%C:\\data"},
              {"%Q32_PATHS_TEST_DIR%;%Q32_PATHS_TEST_DIR%", "C:\\data;C:\\data"},
              // An expanded value is not expanded again.
              {"a%Q32_PATHS_OUTER%b", "a%Q32_PATHS_TEST_DIR%b"}});

  // Beyond the buffer the expansion is empty: a result of size - 1 fits,
  // size does not; an input of size characters or more is refused whole.
  ScopedEnv big("Q32_PATHS_BIG", std::string(250, 'v'));
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_BIG%\\x"), std::string(250, 'v') + "\\x");
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_BIG%\\0123456789"), "");
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_BIG%", 251), std::string(250, 'v'));
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_BIG%", 250), "");
  EXPECT_EQ(ExpandVariables(std::string(kPathBufferSize, 'a')), "");
  EXPECT_EQ(ExpandVariables(std::string(kMaxPathLength, 'a')), std::string(kMaxPathLength, 'a'));
}

TEST(Paths, MakeAbsoluteJoinsAndCollapses) {
  ScopedEnv dir("Q32_PATHS_PROJ", "C:\\proj");
  const struct {
    const char *path, *base;
    bool expand;
    const char* out;
  } cases[] = {
      {"..\\img\\a.bmp", "C:\\proj\\sub", false, "C:\\proj\\img\\a.bmp"},
      {"img/a.bmp", "C:\\proj\\", false, "C:\\proj\\img\\a.bmp"},
      {"\\root\\a.bmp", "C:\\proj", false, "\\root\\a.bmp"},
      {"D:a.bmp", "C:\\proj", false, "D:a.bmp"},
      {"PLC:\\SOFTKEYS\\a.PIC", "C:\\proj", false, "PLC:\\SOFTKEYS\\a.PIC"},
      {"a\\..\\b", "", false, "a\\..\\b"},
      {"%Q32_PATHS_PROJ%\\x.bmp", "D:\\other", true, "C:\\proj\\x.bmp"},
      {"sub\\a.bmp", "%Q32_PATHS_PROJ%", true, "C:\\proj\\sub\\a.bmp"},
      {"%Q32_PATHS_PROJ%\\x.bmp", "D:\\other", false, "D:\\other\\%Q32_PATHS_PROJ%\\x.bmp"},
  };
  for (const auto& c : cases) EXPECT_EQ(Absolute(c.path, c.base, c.expand), c.out) << c.path << " on " << c.base;

  // A joined path that no longer fits a path buffer is empty.
  std::string base = "C:\\" + std::string(200, 'b');
  EXPECT_EQ(Absolute(std::string(60, 'n'), base), "");
  EXPECT_EQ(Absolute(std::string(55, 'n'), base), base + "\\" + std::string(55, 'n'));

  ExpectEach("CollapseDotDot", Collapsed,
             {{"C:\\a\\b\\..\\..\\c", "C:\\c"},
              {"C:\\a\\..\\..\\c", "C:\\..\\c"},
              {"\\..\\x", "\\..\\x"},
              {"C:\\a\\\\..\\c", "C:\\a\\c"},
              {"C:\\a\\b\\..", "C:\\a\\b\\.."},
              {"x\\a\\..\\b\\..\\c", "x\\c"}});
}

TEST(Paths, MakeRelative) {
  ScopedEnv root("Q32_PATHS_ROOT", "C:\\proj");
  const struct {
    const char *base, *path;
    bool expand;
    const char* out;
  } cases[] = {
      {"C:\\proj\\", "C:\\proj\\img\\a.bmp", false, "img\\a.bmp"},
      {"C:\\proj\\", "C:\\other\\a.bmp", false, "..\\other\\a.bmp"},
      {"C:\\proj\\", "D:\\a.bmp", false, "D:\\a.bmp"},
      // Without the trailing separator, with slashes and another case.
      {"c:/PROJ", "C:/proj/Img/a.bmp", false, "Img\\a.bmp"},
      {"C:\\proj\\sub\\deep", "C:\\proj\\img\\a.bmp", false, "..\\..\\img\\a.bmp"},
      // Relative paths and bare names stay as they are.
      {"C:\\proj", "img\\a.bmp", false, "img\\a.bmp"},
      {"C:\\proj", "C:a.bmp", false, "C:a.bmp"},
      // The control's partition and network paths.
      {"PLC:\\SOFTKEYS", "PLC:\\Python\\run.py", false, "..\\Python\\run.py"},
      {"plc:\\softkeys\\", "PLC:\\SOFTKEYS\\sub\\a.PIC", false, "sub\\a.PIC"},
      {"C:\\proj", "PLC:\\SOFTKEYS\\a.PIC", false, "PLC:\\SOFTKEYS\\a.PIC"},
      {"PLC:\\SOFTKEYS", "C:\\proj\\a.bmp", false, "C:\\proj\\a.bmp"},
      {"\\\\srv\\share\\a", "\\\\srv\\share\\b\\f.txt", false, "..\\b\\f.txt"},
      {"\\\\other\\share", "\\\\srv\\share\\f.txt", false, "\\\\srv\\share\\f.txt"},
      // Host paths and variables.
      {"/tmp/x/", "/tmp/y/sub/a.txt", false, "..\\y\\sub\\a.txt"},
      {"C:\\proj", "%Q32_PATHS_ROOT%\\img\\a.bmp", true, "img\\a.bmp"},
      {"%Q32_PATHS_ROOT%", "C:\\proj\\img\\a.bmp", true, "img\\a.bmp"},
      // Unexpanded, a directory that starts with a variable is taken as rooted.
      {"\\proj", "%Q32_PATHS_ROOT%\\a.bmp", false, "..\\%Q32_PATHS_ROOT%\\a.bmp"},
  };
  for (const auto& c : cases) EXPECT_EQ(Relative(c.base, c.path, c.expand), c.out) << c.path << " from " << c.base;

  // A result beyond the buffer is empty.
  std::string deep, shallow, expected;
  for (int i = 0; i < 100; ++i) deep += "\\d";
  for (int i = 0; i < 10; ++i) shallow += "\\d", expected += "..\\";
  std::string other = "\\o\\" + std::string(20, 'f') + ".txt";
  EXPECT_EQ(Relative(deep, other), "");
  EXPECT_EQ(Relative(shallow, other), expected + other.substr(1));
}

TEST(Paths, BaseDirectoryIsCutToAPathBuffer) {
  PathContext context;
  SetBaseDirectory(context, std::string(300, 'x'));
  EXPECT_EQ(context.baseDirectory.size(), kMaxPathLength);
  SetBaseDirectory(context, "C:\\proj");
  EXPECT_EQ(context.baseDirectory, "C:\\proj");
}

// Changes the current directory for the duration of a test.
struct ScopedCurrentDir {
  FileSystem& fs;
  std::string saved;
  ScopedCurrentDir(FileSystem& f, const std::string& dir) : fs(f) {
    fs.GetCurrentDir(saved);
    fs.SetCurrentDir(dir);
  }
  ~ScopedCurrentDir() { fs.SetCurrentDir(saved); }
};

TEST(Paths, DisplayPathOnTheHost) {
  q32test::TempDir temp;
  q32test::WriteFile(temp / "proj/img/a.bmp", "x");
  q32test::WriteFile(temp / "other/b.bmp", "x");
  std::unique_ptr<FileSystem> fs = MakeHostFileSystem();
  PathContext context;
  context.fs = fs.get();

  // Without a base directory a path is shown as given.
  EXPECT_EQ(DisplayPath(context, "img/a.bmp"), "img/a.bmp");

  SetBaseDirectory(context, temp / "proj");
  EXPECT_EQ(DisplayPath(context, temp / "proj/img/a.bmp"), "img\\a.bmp");
  EXPECT_EQ(DisplayPath(context, temp / "other/b.bmp"), "..\\other\\b.bmp");
  EXPECT_EQ(DisplayPath(context, temp / "proj/img/../img/a.bmp"), "img\\a.bmp");
  {
    // Relative names are taken against the current directory, which the run
    // driver moves to the project's directory.
    ScopedCurrentDir cwd(*fs, temp / "proj/img");
    EXPECT_EQ(DisplayPath(context, "a.bmp"), "img\\a.bmp");
    EXPECT_EQ(DisplayPath(context, "..\\..\\other\\b.bmp"), "..\\other\\b.bmp");
    EXPECT_EQ(DisplayPath(context, "sub\\new.PIC"), "img\\sub\\new.PIC");
  }
  // Paths on the control's partition are no host paths; they stay as written.
  EXPECT_EQ(DisplayPath(context, "PLC:\\SOFTKEYS\\a.PIC"), "PLC:\\SOFTKEYS\\a.PIC");
  // Variables are kept unless expansion is asked for.
  ScopedEnv sub("Q32_PATHS_SUB", "expanded");
  std::string in = temp / "proj/%Q32_PATHS_SUB%/a.bmp";
  EXPECT_EQ(DisplayPath(context, in, false), "%Q32_PATHS_SUB%\\a.bmp");
  EXPECT_EQ(DisplayPath(context, in, true), "expanded\\a.bmp");
}

}  // namespace
}  // namespace q32
