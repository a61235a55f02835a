// A file system that passes every operation to another one and makes chosen
// operations fail: the k-th operation of a run, or every operation a rule
// picks (a file that cannot be opened, a disk that is full).  Used by tests
// and fuzz targets to prove that failures give numbered messages and lose no
// file.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ForwardingFileSystem.h"

namespace q32 {

enum class FileOp { Open, Create, Read, Write, Seek, Remove, ChangeDir, MakeDir, Find };

const char* FileOpName(FileOp op);

// Looking a file up (Exists, IsDirectory, GetCurrentDir, FullPath,
// FileIdentity) is no operation that can fail: those are passed on uncounted.
class FaultyFileSystem final : public ForwardingFileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& inner) : ForwardingFileSystem(inner) {}

  // The 1-based number of the counted operation that fails; 0 fails none.
  long failAt = 0;
  // Further failures: an operation fails when this rule says so.  The path is
  // the one the operation names (for reads, writes and seeks the file's).
  std::function<bool(FileOp, const std::string& path)> rule;

  long operations = 0;   // counted operations so far
  std::string failedDescription;  // what the failing operation was, for test output

  std::unique_ptr<File> Open(std::string_view path, FileMode mode) override;
  bool Remove(std::string_view path) override;
  bool SetCurrentDir(std::string_view path) override;
  bool FindFiles(std::string_view directory, std::string_view pattern,
                 std::vector<DirectoryEntry>& out) override;
  bool MakeDirectory(std::string_view path) override;
  std::string FailureReason() override { return planted_ ? "a failure the test planted" : inner_.FailureReason(); }

  // Counts one operation and tells whether it must fail.
  bool Fails(FileOp op, const std::string& path);

 private:
  bool planted_ = false;  // the last Open failed by the rule or the count
};

}  // namespace q32
