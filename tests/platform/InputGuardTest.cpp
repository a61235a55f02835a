// The run's input guard on the host file system: what counts as the same
// file, what it refuses, and which failed reads and writes it notes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "platform/InputGuard.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using q32test::ReadFile;
using q32test::TempDir;
using q32test::WriteFile;

TEST(InputGuard, ReadFilesCannotBeCreatedOrDeletedUnderAnyOfTheirNames) {
  TempDir dir;
  auto host = MakeHostFileSystem();
  InputGuardFileSystem guard(*host);
  WriteFile(dir / "sub/logo.pic", "picture");
  WriteFile(dir / "other.pic", "other");
  std::filesystem::create_directories(dir / "x");

  ASSERT_TRUE(guard.Open(dir / "sub/logo.pic", FileMode::ReadBinary));
  // Other letters, "." and "..", backslashes: the same file.
  for (const std::string& name : {dir / "sub/LOGO.PIC", dir / "x/../sub/./logo.pic", dir.path() + "\\sub\\Logo.Pic"}) {
    EXPECT_TRUE(guard.IsInput(name)) << name;
    EXPECT_FALSE(guard.Open(name, FileMode::WriteText)) << name;
    EXPECT_FALSE(guard.Remove(name)) << name;
  }
  EXPECT_EQ(ReadFile(dir / "sub/logo.pic"), "picture");

  // A hard link is the file under another name.
  std::filesystem::create_hard_link(dir / "sub/logo.pic", dir / "link.bin");
  EXPECT_FALSE(guard.Open(dir / "link.bin", FileMode::WriteBinary));
  EXPECT_EQ(ReadFile(dir / "sub/logo.pic"), "picture");

  // Files the run did not read stay writable; a name registered before it
  // exists is refused once it does.
  EXPECT_TRUE(guard.Open(dir / "other.pic", FileMode::WriteText));
  guard.RegisterInput(dir / "later.txt");
  EXPECT_FALSE(guard.Open(dir / "LATER.TXT", FileMode::WriteText));

  guard.Clear();
  EXPECT_FALSE(guard.IsInput(dir / "sub/logo.pic"));
}

TEST(InputGuard, NotesReadsThatStopBeforeTheEndAndFailedWrites) {
  TempDir dir;
  auto host = MakeHostFileSystem();
  FaultyFileSystem faulty(*host);
  InputGuardFileSystem guard(faulty);
  WriteFile(dir / "a.txt", "one\ntwo\n");

  // Reading to the end is no failure.
  auto file = guard.Open(dir / "a.txt", FileMode::ReadText);
  char line[16];
  while (file->GetLine(line, sizeof line)) {
  }
  EXPECT_TRUE(guard.TakeFailedReads().empty());

  // A read that fails before the end is one; each file is named once.
  faulty.operations = 0;
  faulty.rule = [](FileOp op, const std::string&) { return op == FileOp::Read || op == FileOp::Write; };
  file = guard.Open(dir / "a.txt", FileMode::ReadText);
  EXPECT_FALSE(file->GetLine(line, sizeof line));
  EXPECT_FALSE(file->GetLine(line, sizeof line));
  auto out = guard.Open(dir / "b.txt", FileMode::WriteText);
  EXPECT_FALSE(out->WriteText("x\n"));
  EXPECT_EQ(guard.TakeFailedReads(), std::vector<std::string>{dir / "a.txt"});
  EXPECT_EQ(guard.TakeFailedWrites(), std::vector<std::string>{dir / "b.txt"});
  EXPECT_TRUE(guard.TakeFailedReads().empty());

  // A search of an existing directory that fails; a missing one is none.
  faulty.rule = [](FileOp op, const std::string&) { return op == FileOp::Find; };
  std::vector<DirectoryEntry> found;
  EXPECT_FALSE(guard.FindFiles(dir.path(), "*", found));
  EXPECT_FALSE(guard.FindFiles(dir / "missing", "*", found));
  EXPECT_EQ(guard.TakeFailedReads(), std::vector<std::string>{dir.path()});
}

}  // namespace
}  // namespace q32
