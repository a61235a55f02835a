// The host layer.  The in-memory file system that fuzz targets and
// benchmarks run on must answer as the host file system does, or a fuzzer
// explores a program that never runs: each case drives both with the same
// operations and compares.  The pure conversions: Windows names mapped to
// full host paths, wildcard patterns of directory searches, the code pages
// of the console and the language files, and the language table.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/LanguageLibrary.h"
#include "platform/MemoryFileSystem.h"
#include "support/TestSupport.h"
#include "text/Encoding.h"

namespace q32 {
namespace {

// Every answer of one script of operations, in order, as text.
std::vector<std::string> Script(FileSystem& fs, const std::string& root) {
  std::vector<std::string> log;
  auto note = [&log](const std::string& what, bool ok) { log.push_back(what + (ok ? " ok" : " failed")); };
  note("mkdir", fs.MakeDirectory(root + "/Proj"));
  note("mkdir twice", fs.MakeDirectory(root + "/Proj"));
  note("mkdir without parent", fs.MakeDirectory(root + "/none/deeper"));
  note("chdir", fs.SetCurrentDir(root + "\\proj"));
  {
    auto out = fs.Open("Tree.SYS", FileMode::WriteText);
    note("create text", out != nullptr);
    note("write", out && out->WriteText("one\ntwo\r\nthree") && out->WriteText(" 4\n") && out->Close());
  }
  {
    auto out = fs.Open("raw.pic", FileMode::WriteBinary);
    std::string bytes(300, 'x');
    bytes[100] = '\n';
    bytes[200] = '\0';
    note("write binary", out && out->Write(bytes.data(), bytes.size()) && out->Seek(10) && out->WriteText("AB") &&
                             out->Close());
  }
  note("open directory for writing", fs.Open(".", FileMode::WriteBinary) != nullptr);
  note("open missing", fs.Open("missing.txt", FileMode::ReadText) != nullptr);
  for (auto mode : {FileMode::ReadText, FileMode::ReadBinary}) {
    // Another case and the other separator find the same file.
    auto in = fs.Open(root + "/PROJ\\tree.sys", mode);
    note("open ignoring case", in != nullptr);
    if (!in) continue;
    log.push_back("size " + std::to_string(in->Size()));
    std::string line;
    while (in->GetLine(line, 5)) log.push_back("line [" + line + "]");
    char small[1];
    log.push_back(std::string("one-byte buffer ") + (in->GetLine(small, 1) ? "true" : "false"));
    note("seek", in->Seek(5));
    char chunk[64] = {};
    log.push_back("read " + std::to_string(in->Read(chunk, sizeof chunk)) + " [" + chunk + "]");
  }
  {
    auto in = fs.Open("RAW.PIC", FileMode::ReadBinary);
    std::string all;
    note("read all", in && in->ReadAll(all));
    log.push_back("raw " + std::to_string(all.size()) + " " + all.substr(8, 6));
  }
  std::vector<DirectoryEntry> found;
  note("find", fs.FindFiles(root, "*.*", found));
  for (const auto& e : found) log.push_back("entry " + e.name + (e.isDirectory ? "/" : ""));
  note("find pattern", fs.FindFiles(".", "*.SYS", found));
  for (const auto& e : found) log.push_back("entry " + e.name);
  note("exists", fs.Exists("TREE.sys"));
  note("is directory", fs.IsDirectory(root + "/proj/.."));
  note("remove full directory", fs.Remove(root + "/Proj"));
  note("remove", fs.Remove("tree.sys"));
  note("remove again", fs.Remove("tree.sys"));
  note("remove raw", fs.Remove("raw.pic"));
  note("back", fs.SetCurrentDir(".."));
  note("remove empty directory", fs.Remove("Proj"));
  note("drive path", fs.Exists("C:\\x"));
  return log;
}

TEST(MemoryFileSystem, AnswersAsTheHostDoes) {
  q32test::TempDir dir;
  auto host = MakeHostFileSystem();
  std::string start;
  ASSERT_TRUE(host->GetCurrentDir(start));
  std::vector<std::string> onHost = Script(*host, dir.path());
  ASSERT_TRUE(host->SetCurrentDir(start));

  MemoryFileSystem memory;
  memory.AddDirectory(dir.path());
  EXPECT_EQ(Script(memory, dir.path()), onHost);
  EXPECT_EQ(memory.Names().size(), std::count(dir.path().begin(), dir.path().end(), '/'));
}

// The host keeps its directory listings between lookups; they must follow the
// run's own creates and removes and what others change meanwhile.
TEST(HostFileSystem, LookupsFollowCreatesAndRemoves) {
  q32test::TempDir dir;
  auto fs = MakeHostFileSystem();
  auto content = [&fs](const std::string& path) {
    std::string all;
    auto in = fs->Open(path, FileMode::ReadBinary);
    return in && in->ReadAll(all) ? all : std::string("(none)");
  };
  auto write = [&fs](const std::string& path, const std::string& bytes) {
    auto out = fs->Open(path, FileMode::WriteBinary);
    return out && out->WriteText(bytes) && out->Close();
  };
  ASSERT_TRUE(write(dir / "Out.PIC", "first"));
  EXPECT_EQ("first", content(dir / "out.pic"));
  ASSERT_TRUE(fs->Remove(dir / "OUT.pic"));
  EXPECT_EQ("(none)", content(dir / "out.PIC"));
  ASSERT_TRUE(write(dir / "out.pic", "second"));
  EXPECT_EQ("second", content(dir / "OUT.PIC"));
  // Of two names that differ only in case the first in name order is found,
  // and the other once the first is gone.
  q32test::WriteFile(dir / "b.txt", "lower");
  q32test::WriteFile(dir / "B.TXT", "upper");
  EXPECT_EQ("upper", content(dir / "b.Txt"));
  ASSERT_TRUE(fs->Remove(dir / "B.TXT"));
  EXPECT_EQ("lower", content(dir / "b.Txt"));
  q32test::WriteFile(dir / "Other.Txt", "by someone else");
  EXPECT_EQ("by someone else", content(dir / "OTHER.TXT"));
}


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
