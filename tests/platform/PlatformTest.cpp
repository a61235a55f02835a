#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/LanguageLibrary.h"
#include "support/TestSupport.h"

using namespace q32;
using namespace q32test;

// Whole text files written and read are compared byte for byte by the
// end-to-end runs; these are the corners they do not reach.
TEST(HostFiles, TextModeLineEndsAndFgetsLimits) {
  TempDir dir;
  auto fs = MakeHostFileSystem();
  {
    auto f = fs->Open(dir / "t.txt", FileMode::WriteText);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->Printf("%s-%d\n", "x", 7));
  }
  EXPECT_EQ("x-7\r\n", ReadFile(dir / "t.txt"));

  WriteFile(dir / "mixed.txt", "one\r\nthree\rx\r\n");
  auto f = fs->Open(dir / "mixed.txt", FileMode::ReadText);
  char line[64];
  ASSERT_TRUE(f->GetLine(line, sizeof line));
  ASSERT_TRUE(f->GetLine(line, sizeof line));
  EXPECT_STREQ("three\rx\n", line);  // a lone CR stays
  EXPECT_FALSE(f->GetLine(line, sizeof line));
  // A buffer of 4 takes three characters at a time.
  auto b = fs->Open(dir / "mixed.txt", FileMode::ReadBinary);
  ASSERT_TRUE(b->GetLine(line, 4));
  EXPECT_STREQ("one", line);
  ASSERT_TRUE(b->GetLine(line, 4));
  EXPECT_STREQ("\r\n", line);
}

TEST(HostFiles, WindowsNamesFindFilesWithoutRegardToCase) {
  TempDir dir;
  auto fs = MakeHostFileSystem();
  WriteFile(dir / "Icons/Logo.BMP", "x");
  EXPECT_TRUE(fs->Exists(dir / "icons\\logo.bmp"));
  EXPECT_TRUE(fs->Exists(dir / "ICONS/LOGO.bmp"));
  EXPECT_TRUE(fs->IsDirectory(dir / "icons"));
  EXPECT_FALSE(fs->Exists(dir / "icons\\other.bmp"));
  // Drive and network paths do not exist on a POSIX host.
  EXPECT_FALSE(fs->Exists("C:\\windows"));
  EXPECT_FALSE(fs->Exists("PLC:\\SOFTKEYS\\a.PIC"));
  EXPECT_FALSE(fs->Open("\\\\server\\share\\f.txt", FileMode::ReadBinary));

  // Writing a name in other case overwrites the existing file, as Windows does.
  {
    auto f = fs->Open(dir / "icons\\LOGO.bmp", FileMode::WriteBinary);
    ASSERT_TRUE(f);
    f->WriteText("new");
  }
  EXPECT_EQ("new", ReadFile(dir / "Icons/Logo.BMP"));
  // A new file in an existing directory written in other case.
  {
    auto f = fs->Open(dir / "ICONS\\fresh.txt", FileMode::WriteBinary);
    ASSERT_TRUE(f);
  }
  EXPECT_TRUE(FileExistsOnDisk(dir / "Icons/fresh.txt"));
  EXPECT_TRUE(fs->Remove(dir / "icons\\FRESH.TXT"));
  EXPECT_FALSE(FileExistsOnDisk(dir / "Icons/fresh.txt"));

  std::vector<DirectoryEntry> found;
  WriteFile(dir / "lang/de.INC", "");
  WriteFile(dir / "lang/en.txt", "");
  WriteFile(dir / "lang/fr.po", "");
  ASSERT_TRUE(fs->FindFiles(dir / "LANG", "*.inc", found));
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ("de.INC", found[0].name);
  ASSERT_TRUE(fs->FindFiles(dir / "lang", "*.*", found));
  EXPECT_EQ(3u, found.size());
}

TEST(HostFiles, FullPathsAndWildcards) {
  const struct {
    const char *path, *cwd, *full;
  } paths[] = {
      {"a\\..\\b/./c.txt", "/work/x", "/work/x/b/c.txt"},
      {"/abs/../y", "/work", "/y"},
      {"..\\..\\..\\..", "/a", "/"},
      {"PLC:\\SOFTKEYS\\..\\a.PIC", "/work", "PLC:\\a.PIC"},
      {"sub\\", "/w", "/w/sub/"},
  };
  for (const auto& p : paths) {
    std::string out;
    ASSERT_TRUE(FullHostPath(p.path, p.cwd, out)) << p.path;
    EXPECT_EQ(p.full, out) << p.path;
  }
  const struct {
    const char *pattern, *name;
    bool match;
  } wildcards[] = {{"*.inc", "de.INC", true}, {"*.inc", "de.inc.bak", false}, {"*.*", "README", true},
                   {"a?c.*", "ABC", true},    {"?", "", false},                 {"*a*b*", "xxaYYbzz", true}};
  for (const auto& w : wildcards) EXPECT_EQ(w.match, WildcardMatch(w.pattern, w.name)) << w.pattern << " " << w.name;
}

TEST(Encoding, CodePagesRoundTripAndReplaceWhatIsMissing) {
  EXPECT_EQ(0x8E, Cp1252ToCp850(0xC4));  // Ä
  EXPECT_EQ(0x5F, Cp1252ToCp850(0x80));  // € has no console form
  EXPECT_EQ(0x22, Cp1252ToCp850(0x93));
  EXPECT_EQ('A', Cp1252ToCp850('A'));
  EXPECT_EQ("\xC3\x84\xE2\x82\xAC", Cp1252ToUtf8("\xC4\x80"));
  EXPECT_EQ("a?b", Utf8ToCp1252("a\xE4\xB8\xAD" "b"));  // CJK is not in the code page
  EXPECT_EQ("??", Utf8ToCp1252("\xC3\xFF"));           // malformed
  for (int c = 0; c < 256; ++c) {
    std::string one(1, static_cast<char>(c));
    EXPECT_EQ(one, Utf8ToCp1252(Cp1252ToUtf8(one))) << c;
  }
}

TEST(LanguageLibrary, KnowsItsTwentySixLanguages) {
  EXPECT_EQ(15, GetLanguageIndex("zh-tw"));
  EXPECT_EQ(25, GetLanguageIndex("Ja"));
  EXPECT_EQ(-1, GetLanguageIndex("xx"));
  EXPECT_EQ("ZH-TW", GetLanguageId(15));
  EXPECT_EQ("", GetLanguageId(26));
  EXPECT_EQ("", GetLanguageId(-1));
}
