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

TEST(Paths, ExtensionIsOnlyTakenFromTheFileName) {
  EXPECT_EQ(Replaced("dir.old\\icon", ".bmx"), "dir.old\\icon.bmx");
  EXPECT_EQ(Replaced("icon.bmp", ".PIC"), "icon.PIC");
  EXPECT_EQ(Replaced("C:\\a\\b.c.d", ".e"), "C:\\a\\b.c.e");
  EXPECT_EQ(Replaced("", ".log"), ".log");
  EXPECT_EQ(ExtensionOf("a\\b"), 3u);
  EXPECT_EQ(ExtensionOf("a.b\\c.txt"), 5u);
  EXPECT_EQ(ExtensionOf("x."), 1u);
}

TEST(Paths, ReplacingAnExtensionBeyondTheBufferEmptiesThePath) {
  std::string fits(kMaxPathLength - 4, 'a');
  EXPECT_EQ(Replaced(fits, ".PIC"), fits + ".PIC");
  std::string tooLong(kMaxPathLength - 3, 'a');
  EXPECT_EQ(Replaced(tooLong, ".PIC"), "");
  // The old extension's room counts: this one only swaps four characters.
  std::string swapped(kMaxPathLength - 4, 'b');
  swapped += ".bmp";
  EXPECT_EQ(Replaced(swapped, ".PIC"), std::string(kMaxPathLength - 4, 'b') + ".PIC");
}

TEST(Paths, DirectoryDriveAndFileName) {
  EXPECT_EQ(DirectoryOf("PLC:file"), "PLC:");
  EXPECT_EQ(DirectoryOf("file.txt"), "");
  EXPECT_EQ(DirectoryOf("C:\\proj\\a.spm"), "C:\\proj\\");
  EXPECT_EQ(DirectoryOf("C:/proj/sub/a.spm"), "C:\\proj\\sub\\");
  EXPECT_EQ(DirectoryOf("PLC:\\SOFTKEYS\\"), "PLC:\\SOFTKEYS\\");

  EXPECT_EQ(DriveOf("PLC:\\SOFTKEYS\\a.PIC"), "PLC:");
  EXPECT_EQ(DriveOf("c:x"), "c:");
  EXPECT_EQ(DriveOf("\\\\srv\\share"), "");
  EXPECT_EQ(DriveOf("noDrive\\a"), "");

  EXPECT_EQ(FileNameOf("C:\\proj\\a.bmp"), "a.bmp");
  EXPECT_EQ(FileNameOf("dir/sub\\x.txt"), "x.txt");
  EXPECT_EQ(FileNameOf("dir\\sub/x.txt"), "x.txt");
  EXPECT_EQ(FileNameOf("PLC:a.PIC"), "a.PIC");
  EXPECT_EQ(FileNameOf("plain"), "plain");
  EXPECT_EQ(FileNameOf("C:\\dir\\"), "");
  // A colon behind the last separator is taken as a drive all the same.
  EXPECT_EQ(FileNameOf("dir\\x:y"), "y");
  EXPECT_EQ(FileNameOffset("C:\\proj\\a.bmp"), 8u);
}

TEST(Paths, SplitPathHandlesDrivesLongDrivesAndNetworkPaths) {
  PathParts p = SplitPath("\\\\srv\\share\\dir\\f.txt");
  EXPECT_EQ(p.drive, "\\\\srv");
  EXPECT_EQ(p.dir, "\\share\\dir\\");
  EXPECT_EQ(p.name, "f");
  EXPECT_EQ(p.ext, ".txt");

  p = SplitPath("C:\\proj\\img\\a.b.bmp");
  EXPECT_EQ(p.drive, "C:");
  EXPECT_EQ(p.dir, "\\proj\\img\\");
  EXPECT_EQ(p.name, "a.b");
  EXPECT_EQ(p.ext, ".bmp");

  // A drive of several letters is not a drive for the standard split.
  p = SplitPath("PLC:\\SOFTKEYS\\a.PIC");
  EXPECT_EQ(p.drive, "");
  EXPECT_EQ(p.dir, "PLC:\\SOFTKEYS\\");
  EXPECT_EQ(p.name, "a");
  EXPECT_EQ(p.ext, ".PIC");

  p = SplitPath("\\tmp\\x\\a.txt");
  EXPECT_EQ(p.drive, "");
  EXPECT_EQ(p.dir, "\\tmp\\x\\");
  EXPECT_EQ(p.name, "a");
  EXPECT_EQ(p.ext, ".txt");

  p = SplitPath("dir.d\\name");
  EXPECT_EQ(p.dir, "dir.d\\");
  EXPECT_EQ(p.name, "name");
  EXPECT_EQ(p.ext, "");

  // Too short, or no backslash after the server: not a network path.
  p = SplitPath("\\\\srv");
  EXPECT_EQ(p.drive, "");
  EXPECT_EQ(p.dir, "\\\\");
  EXPECT_EQ(p.name, "srv");
}

TEST(Paths, ExpandVariables) {
  ScopedEnv set("Q32_PATHS_TEST_DIR", "C:\\data");
  unsetenv("Q32_PATHS_TEST_UNSET");
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_TEST_DIR%\\a.bmp"), "C:\\data\\a.bmp");
  EXPECT_EQ(ExpandVariables("x\\%Q32_PATHS_TEST_UNSET%\\a.bmp"), "x\\%Q32_PATHS_TEST_UNSET%\\a.bmp");
  EXPECT_EQ(ExpandVariables("100%done"), "100%done");
  EXPECT_EQ(ExpandVariables("no variables"), "no variables");
  EXPECT_EQ(ExpandVariables(""), "");
  // After an undefined name scanning goes on behind it.
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_TEST_UNSET%%Q32_PATHS_TEST_DIR%"),
            "%Q32_PATHS_TEST_UNSET%C:\\data");
  // Two variables in a row.
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_TEST_DIR%;%Q32_PATHS_TEST_DIR%"), "C:\\data;C:\\data");
}

TEST(Paths, ExpandedValueIsNotExpandedAgain) {
  ScopedEnv inner("Q32_PATHS_INNER", "bad");
  ScopedEnv outer("Q32_PATHS_OUTER", "%Q32_PATHS_INNER%");
  EXPECT_EQ(ExpandVariables("a%Q32_PATHS_OUTER%b"), "a%Q32_PATHS_INNER%b");
}

TEST(Paths, ExpansionBeyondTheBufferIsEmpty) {
  ScopedEnv big("Q32_PATHS_BIG", std::string(250, 'v'));
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_BIG%\\x"), std::string(250, 'v') + "\\x");
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_BIG%\\0123456789"), "");
  // The limit is size characters: a result of size - 1 fits, size does not.
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_BIG%", 251), std::string(250, 'v'));
  EXPECT_EQ(ExpandVariables("%Q32_PATHS_BIG%", 250), "");
  // An input of size characters or more is refused whole.
  EXPECT_EQ(ExpandVariables(std::string(kPathBufferSize, 'a')), "");
  EXPECT_EQ(ExpandVariables(std::string(kMaxPathLength, 'a')), std::string(kMaxPathLength, 'a'));
}

TEST(Paths, MakeAbsoluteJoinsAndCollapses) {
  EXPECT_EQ(Absolute("..\\img\\a.bmp", "C:\\proj\\sub"), "C:\\proj\\img\\a.bmp");
  EXPECT_EQ(Absolute("img/a.bmp", "C:\\proj\\"), "C:\\proj\\img\\a.bmp");
  EXPECT_EQ(Absolute("\\root\\a.bmp", "C:\\proj"), "\\root\\a.bmp");
  EXPECT_EQ(Absolute("D:a.bmp", "C:\\proj"), "D:a.bmp");
  EXPECT_EQ(Absolute("PLC:\\SOFTKEYS\\a.PIC", "C:\\proj"), "PLC:\\SOFTKEYS\\a.PIC");
  EXPECT_EQ(Absolute("a.bmp", ""), "a.bmp");
  EXPECT_EQ(Absolute("a\\..\\b", ""), "a\\..\\b");

  ScopedEnv dir("Q32_PATHS_PROJ", "C:\\proj");
  EXPECT_EQ(Absolute("%Q32_PATHS_PROJ%\\x.bmp", "D:\\other", true), "C:\\proj\\x.bmp");
  EXPECT_EQ(Absolute("sub\\a.bmp", "%Q32_PATHS_PROJ%", true), "C:\\proj\\sub\\a.bmp");
  EXPECT_EQ(Absolute("%Q32_PATHS_PROJ%\\x.bmp", "D:\\other", false),
            "D:\\other\\%Q32_PATHS_PROJ%\\x.bmp");

  // A joined path that no longer fits a path buffer is empty.
  std::string base = "C:\\" + std::string(200, 'b');
  EXPECT_EQ(Absolute(std::string(60, 'n'), base), "");
  EXPECT_EQ(Absolute(std::string(55, 'n'), base), base + "\\" + std::string(55, 'n'));
}

TEST(Paths, CollapseDotDot) {
  EXPECT_EQ(Collapsed("C:\\a\\b\\..\\c"), "C:\\a\\c");
  EXPECT_EQ(Collapsed("a\\..\\b"), "a\\..\\b");
  EXPECT_EQ(Collapsed("C:\\a\\b\\..\\..\\c"), "C:\\c");
  EXPECT_EQ(Collapsed("C:\\a\\..\\..\\c"), "C:\\..\\c");
  EXPECT_EQ(Collapsed("\\..\\x"), "\\..\\x");
  EXPECT_EQ(Collapsed("C:\\a\\\\..\\c"), "C:\\a\\c");
  EXPECT_EQ(Collapsed("C:\\a\\b\\.."), "C:\\a\\b\\..");
  EXPECT_EQ(Collapsed("x\\a\\..\\b\\..\\c"), "x\\c");
}

TEST(Paths, MakeRelativeAgainstADriveLetterBase) {
  EXPECT_EQ(Relative("C:\\proj\\", "C:\\proj\\img\\a.bmp"), "img\\a.bmp");
  EXPECT_EQ(Relative("C:\\proj\\", "C:\\other\\a.bmp"), "..\\other\\a.bmp");
  EXPECT_EQ(Relative("C:\\proj\\", "C:\\proj\\a.bmp"), "a.bmp");
  EXPECT_EQ(Relative("C:\\proj\\", "D:\\a.bmp"), "D:\\a.bmp");
  // Without the trailing separator, with slashes and another case.
  EXPECT_EQ(Relative("c:/PROJ", "C:/proj/Img/a.bmp"), "Img\\a.bmp");
  EXPECT_EQ(Relative("C:\\proj\\sub\\deep", "C:\\proj\\img\\a.bmp"), "..\\..\\img\\a.bmp");
  EXPECT_EQ(Relative("C:\\proj", "C:\\a.bmp"), "..\\a.bmp");
  // Relative paths and bare names stay as they are.
  EXPECT_EQ(Relative("C:\\proj", "img\\a.bmp"), "img\\a.bmp");
  EXPECT_EQ(Relative("C:\\proj", "a.bmp"), "a.bmp");
  EXPECT_EQ(Relative("C:\\proj", "C:a.bmp"), "C:a.bmp");
}

TEST(Paths, MakeRelativeOnTheControlPartitionAndNetworkPaths) {
  EXPECT_EQ(Relative("PLC:\\SOFTKEYS\\", "PLC:\\SOFTKEYS\\a.PIC"), "a.PIC");
  EXPECT_EQ(Relative("PLC:\\SOFTKEYS", "PLC:\\Python\\run.py"), "..\\Python\\run.py");
  EXPECT_EQ(Relative("plc:\\softkeys\\", "PLC:\\SOFTKEYS\\sub\\a.PIC"), "sub\\a.PIC");
  EXPECT_EQ(Relative("C:\\proj", "PLC:\\SOFTKEYS\\a.PIC"), "PLC:\\SOFTKEYS\\a.PIC");
  EXPECT_EQ(Relative("PLC:\\SOFTKEYS", "C:\\proj\\a.bmp"), "C:\\proj\\a.bmp");

  EXPECT_EQ(Relative("\\\\srv\\share", "\\\\srv\\share\\dir\\f.txt"), "dir\\f.txt");
  EXPECT_EQ(Relative("\\\\srv\\share\\a", "\\\\srv\\share\\b\\f.txt"), "..\\b\\f.txt");
  EXPECT_EQ(Relative("\\\\other\\share", "\\\\srv\\share\\f.txt"), "\\\\srv\\share\\f.txt");
}

TEST(Paths, MakeRelativeOfHostPathsAndVariables) {
  EXPECT_EQ(Relative("/tmp/x", "/tmp/x/a.txt"), "a.txt");
  EXPECT_EQ(Relative("/tmp/x/", "/tmp/y/sub/a.txt"), "..\\y\\sub\\a.txt");

  ScopedEnv root("Q32_PATHS_ROOT", "C:\\proj");
  EXPECT_EQ(Relative("C:\\proj", "%Q32_PATHS_ROOT%\\img\\a.bmp", true), "img\\a.bmp");
  EXPECT_EQ(Relative("%Q32_PATHS_ROOT%", "C:\\proj\\img\\a.bmp", true), "img\\a.bmp");
  // Unexpanded, a directory that starts with a variable is taken as rooted.
  EXPECT_EQ(Relative("\\proj", "%Q32_PATHS_ROOT%\\a.bmp", false), "..\\%Q32_PATHS_ROOT%\\a.bmp");
}

TEST(Paths, MakeRelativeResultBeyondTheBufferIsEmpty) {
  std::string deep;
  for (int i = 0; i < 100; ++i) deep += "\\d";
  std::string other = "\\o\\" + std::string(20, 'f') + ".txt";
  EXPECT_EQ(Relative(deep, other), "");
  std::string shallow;
  for (int i = 0; i < 10; ++i) shallow += "\\d";
  std::string expected;
  for (int i = 0; i < 10; ++i) expected += "..\\";
  expected += "o\\" + std::string(20, 'f') + ".txt";
  EXPECT_EQ(Relative(shallow, other), expected);
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

  EXPECT_TRUE(FileExists(*fs, temp / "proj/img/a.bmp"));
  EXPECT_TRUE(FileExists(*fs, temp / "proj/img"));
  EXPECT_FALSE(FileExists(*fs, temp / "proj/img/missing.bmp"));
}

TEST(Paths, DisplayPathKeepsVariablesWithoutExpansion) {
  q32test::TempDir temp;
  std::unique_ptr<FileSystem> fs = MakeHostFileSystem();
  PathContext context;
  context.fs = fs.get();
  SetBaseDirectory(context, temp.path());
  ScopedEnv sub("Q32_PATHS_SUB", "expanded");
  std::string in = temp.path() + "/%Q32_PATHS_SUB%/a.bmp";
  EXPECT_EQ(DisplayPath(context, in, false), "%Q32_PATHS_SUB%\\a.bmp");
  EXPECT_EQ(DisplayPath(context, in, true), "expanded\\a.bmp");
}

}  // namespace
}  // namespace q32
