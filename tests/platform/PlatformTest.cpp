// The host layer, the program's path operations and its code conversions.  The
// in-memory file system that fuzz targets and benchmarks run on must answer
// as the host file system does, or a fuzzer explores a program that never
// runs: each case drives both with the same operations and compares.  The pure
// conversions: Windows names mapped to full host paths, wildcard patterns of
// directory searches, the code pages of the console and the language files,
// and the language table.  Path operations on the program's Windows-style
// paths: each row names the operation, its input (and base) and the expected
// result.  Environment variables of the rows: Q32_DIR = C:\data, Q32_OUTER =
// %Q32_DIR%, Q32_PROJ = C:\proj; Q32_UNSET is not set.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lang/LanguageTexts.h"
#include "paths/Paths.h"
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
  note("put", fs.PutShared("put.pic", std::make_shared<std::string>("PUT")) == PutResult::Written);
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
  note("remove put", fs.Remove("PUT.pic"));
  note("back", fs.SetCurrentDir(".."));
  note("remove empty directory", fs.Remove("Proj"));
  note("put into removed directory",
       fs.PutShared(root + "/Proj/late.pic", std::make_shared<std::string>("LATE")) == PutResult::Written);
  note("drive path", fs.Exists("C:\\x"));
  return log;
}

// New, and started afresh as the language server starts its one memory for
// each run: nothing an earlier run left is there, and what the run writes
// again is written as into a new memory.
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
  // Left by the earlier run: files the script makes again, one in another
  // case, and one it never makes.
  memory.AddFile(dir.path() + "/Proj/put.pic", "OLD");
  memory.AddFile(dir.path() + "/Proj/TREE.SYS", "OLD");
  memory.AddFile(dir.path() + "/Proj/missing.txt", "OLD");
  memory.Afresh();
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

// Held still, as while the editor's run goes, the host looks at each name
// once: a file's other names, in other letters and with "\\", still share
// its identity, and a name its directory lacks has none.
TEST(HostFileSystem, HeldStillKnowsLinksAndMissingNames) {
  q32test::TempDir dir;
  q32test::WriteFile(dir / "pic.bmp", "bits");
  std::filesystem::create_hard_link(dir / "pic.bmp", dir / "pic.PIC");
  auto fs = MakeHostFileSystem();
  fs->HoldStill(true);
  EXPECT_EQ("", fs->FileIdentity(dir.path() + "\\Missing.pic"));
  const std::string identity = fs->FileIdentity(dir / "pic.bmp");
  EXPECT_NE("", identity);
  EXPECT_EQ(identity, fs->FileIdentity(dir.path() + "\\PIC.pic"));
  EXPECT_EQ(identity, fs->FileIdentity(dir / "Pic.Pic"));
  EXPECT_EQ("", fs->FileIdentity(dir / "missing.PIC"));
  fs->HoldStill(false);
}

// A held-still run looks again at every file the last one saw, although the
// host looks at those ahead of the run on a second thread: a file changed
// (in size, or only in its time) or removed between two runs is seen as it
// is now, and files left alone are seen as they were, however the run's
// asks and the looks ahead meet.
TEST(HostFileSystem, HeldStillRunsSeeWhatChangedBetweenThem) {
  q32test::TempDir dir;
  const std::string grows = dir / "grows.bmp", touched = dir / "touched.bmp", removed = dir / "removed.bmp";
  q32test::WriteFile(grows, "bits");
  q32test::WriteFile(touched, "same");
  q32test::WriteFile(removed, "soon gone");
  std::vector<std::string> others;
  for (int i = 0; i < 64; ++i) {
    others.push_back(dir / ("k" + std::to_string(i) + ".bmp"));
    q32test::WriteFile(others.back(), std::string(static_cast<std::size_t>(i), 'x'));
  }
  auto fs = MakeHostFileSystem();
  auto content = [&fs](const std::string& path) {
    std::string all;
    auto in = fs->Open(path, FileMode::ReadBinary);
    return in && in->ReadAll(all) ? all : std::string("(none)");
  };
  auto versions = [&fs, &others] {
    std::vector<std::string> all;
    for (const std::string& other : others) all.push_back(fs->FileVersion(other));
    return all;
  };
  fs->HoldStill(true);
  const std::string grew = fs->FileVersion(grows), was = fs->FileVersion(touched);
  EXPECT_EQ("bits", content(grows));
  EXPECT_TRUE(fs->Exists(removed));
  const std::vector<std::string> first = versions();
  fs->HoldStill(false);

  q32test::WriteFile(grows, "more bits");
  const auto time = std::filesystem::last_write_time(touched);
  q32test::WriteFile(touched, "SAME");
  std::filesystem::last_write_time(touched, time + std::chrono::seconds(5));
  std::filesystem::remove(removed);
  fs->HoldStill(true);
  // As a run reads its project first, the looks ahead are done meanwhile.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_NE(grew, fs->FileVersion(grows));
  EXPECT_EQ("more bits", content(grows));
  EXPECT_NE(was, fs->FileVersion(touched));
  EXPECT_FALSE(fs->Exists(removed));
  EXPECT_EQ(kAbsentFile, fs->FileVersion(removed));
  EXPECT_EQ(first, versions());
  fs->HoldStill(false);

  fs->HoldStill(true);
  EXPECT_EQ(first, versions());
  EXPECT_EQ("more bits", content(grows));
  fs->HoldStill(false);
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

// The size-bounded conversions of BMX texts between Windows-1252 and UTF-8:
// the size they return (terminator included, 0 when the text does not fit),
// the whole characters they keep when the room is short, and what becomes
// "?" on the way to Windows-1252.
TEST(LanguageCoding, SizesAndCutsAtWholeCharacters) {
  const char* const latin = "a\x80\x9C\xA0\xFF";
  const char* const utf8 = "a\xE2\x82\xAC\xC3\xA4\xC3\xBF\xC2\x80";  // U+0080 is not in Windows-1252
  // Room 0 only measures ("-": out is not touched).
  const struct { bool toUtf8; const char* in; std::size_t room, size; const char* out; } cases[] = {
      {true, "", 0, 1, "-"}, {false, "", 0, 1, "-"}, {false, "", 1, 1, ""}, {true, latin, 0, 11, "-"},
      {true, latin, 11, 11, "a\xE2\x82\xAC\xC5\x93\xC2\xA0\xC3\xBF"}, {true, "a\x80", 4, 0, "a"},
      {true, "\x80", 2, 0, ""}, {true, "\xE4\xE4", 4, 0, "\xC3\xA4"}, {false, utf8, 0, 6, "-"},
      {false, utf8, 6, 6, "a\x80\xE4\xFF?"}, {false, utf8, 3, 0, "a\x80"},
      // A CJK character and an emoji, a stray continuation byte, malformed and cut-short sequences.
      {false, "\xE4\xB8\xAD\xF0\x9F\x98\x80\x80\xC3\xFF\xE2\x82x\xC3", 20, 9, "??????x?"},
  };
  for (const auto& c : cases) {
    std::string out = "-";
    const std::size_t size = c.toUtf8 ? Latin1ToUtf8(c.in, &out, c.room) : Utf8ToLatin1(c.in, &out, c.room);
    EXPECT_EQ(c.size, size) << c.in << " in " << c.room;
    EXPECT_EQ(c.out, out) << c.in << " in " << c.room;
  }
  EXPECT_EQ(0u, Latin1ToUtf8("a", nullptr, 5));
  EXPECT_EQ(0u, Utf8ToLatin1("a", nullptr, 5));
}


TEST(LanguageLibrary, KnowsItsTwentySixLanguages) {
  EXPECT_EQ(15, GetLanguageIndex("zh-tw")); EXPECT_EQ(25, GetLanguageIndex("Ja"));
  EXPECT_EQ(-1, GetLanguageIndex("xx")); EXPECT_EQ("ZH-TW", GetLanguageId(15));
  EXPECT_EQ("", GetLanguageId(26)); EXPECT_EQ("", GetLanguageId(-1));
}

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
