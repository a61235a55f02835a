// The host layer's pure conversions: Windows names mapped to full host
// paths, wildcard patterns of directory searches, the code pages of the
// console and the language files, and the language table.  (Files
// themselves are compared with the in-memory file system's answers.)
#include <gtest/gtest.h>

#include "text/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/LanguageLibrary.h"

namespace q32 {
namespace {

// What the case tables and fault sweeps do not reach: a trailing separator,
// a server or drive root that ".." does not climb, wildcards at their edges.
TEST(HostPath, FullPathsAndWildcards) {
  const struct {
    const char *path, *cwd, *full;
  } paths[] = {
      {"..\\..\\..\\..", "/a", "/"},
      {"PLC:\\SOFTKEYS\\..\\a.PIC", "/work", "PLC:\\a.PIC"},
      {"sub\\", "/w", "/w/sub/"},
      {"\\\\server\\share\\..\\f", "/w", "\\\\server\\f"},
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
  const std::pair<int, int> cp850[] = {{0xC4, 0x8E}, {0x80, 0x5F}, {0x93, 0x22}, {'A', 'A'}, {0xE9, 0x82}};
  for (auto [ansi, console] : cp850) EXPECT_EQ(console, Cp1252ToCp850(ansi)) << ansi;
  EXPECT_EQ("\xC3\x84\xE2\x82\xAC", Cp1252ToUtf8("\xC4\x80"));
  EXPECT_EQ("a?b", Utf8ToCp1252("a\xE4\xB8\xAD" "b"));  // CJK is not in the code page
  EXPECT_EQ("??", Utf8ToCp1252("\xC3\xFF"));            // malformed
  EXPECT_EQ("?x", Utf8ToCp1252("\xE2\x82x"));          // cut short
  for (int c = 0; c < 256; ++c) {
    std::string one(1, static_cast<char>(c));
    EXPECT_EQ(one, Utf8ToCp1252(Cp1252ToUtf8(one))) << c;
  }
}

TEST(LanguageLibrary, KnowsItsTwentySixLanguages) {
  EXPECT_EQ(15, GetLanguageIndex("zh-tw")); EXPECT_EQ(25, GetLanguageIndex("Ja"));
  EXPECT_EQ(-1, GetLanguageIndex("xx")); EXPECT_EQ("ZH-TW", GetLanguageId(15));
  EXPECT_EQ("", GetLanguageId(26)); EXPECT_EQ("", GetLanguageId(-1));
}

}  // namespace
}  // namespace q32
