// The one door to the file system.  Every file the program opens, creates,
// reads, writes, seeks, deletes or searches goes through FileSystem, so that
// tests can put a fault-injecting implementation in front of the real one.
//
// Paths given to these operations are the program's own paths: Windows style,
// with "\" or "/" as separator.  The POSIX implementation maps them onto the
// host: "\" becomes "/", and a name that does not exist exactly is looked up
// again component by component without regard to case, as Windows would find
// it.  Drive paths (C:\..., PLC:\...) do not exist on POSIX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace q32 {

enum class FileMode {
  ReadBinary,   // raw bytes
  ReadText,     // a CR before LF is dropped while reading
  WriteBinary,  // created, or truncated when it exists
  WriteText,    // as WriteBinary, and every LF is written as CR LF
};

class File {
 public:
  virtual ~File() = default;

  // Reads up to n bytes; returns the number read (short at end of file or on
  // a failed read).
  virtual std::size_t Read(void* buffer, std::size_t n) = 0;
  // fgets: reads at most size-1 characters up to and including a line feed
  // and terminates the buffer.  Returns false at end of file (nothing read) or
  // on a failed read.  In text mode a CR before LF is dropped first.
  virtual bool GetLine(char* buffer, std::size_t size) = 0;
  // Writes n bytes (in text mode LF becomes CR LF); false on failure.
  virtual bool Write(const void* data, std::size_t n) = 0;
  // Positions at an absolute offset from the start; false on failure.
  virtual bool Seek(std::int64_t offset) = 0;
  virtual std::int64_t Tell() = 0;
  // The size of the file in bytes, or -1.
  virtual std::int64_t Size() = 0;
  virtual bool Flush() = 0;
  // Closes the file; later calls do nothing.  False when the final flush
  // failed.
  virtual bool Close() = 0;

  // Conveniences built on the operations above.
  bool WriteText(std::string_view text) { return Write(text.data(), text.size()); }
  // Reads one line into a string (at most maxChars characters, like GetLine
  // with a buffer of maxChars+1).  False at end of file.
  bool GetLine(std::string& line, std::size_t maxChars);
  // Reads the rest of the file into out; false on a failed read.
  bool ReadAll(std::string& out);
};

// One entry of a directory search.
struct DirectoryEntry {
  std::string name;
  bool isDirectory = false;
};

// What became of a PutShared: the file holds the bytes, it could not be created
// (nothing changed), or it was created and writing to it failed.
enum class PutResult { Written, NotCreated, WriteFailed };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual std::unique_ptr<File> Open(std::string_view path, FileMode mode) = 0;
  // An existence test with no access mode: files and directories.
  virtual bool Exists(std::string_view path) = 0;
  virtual bool IsDirectory(std::string_view path) = 0;
  virtual bool Remove(std::string_view path) = 0;
  // The current directory in the host's own form (on POSIX an absolute path
  // with "/").
  virtual bool GetCurrentDir(std::string& out) = 0;
  virtual bool SetCurrentDir(std::string_view path) = 0;
  // The full path of a name: joined to the current directory and with "."
  // and ".." resolved, like the Windows full-path operation.
  virtual bool FullPath(std::string_view path, std::string& out) = 0;
  // Searches a directory for names matching a Windows wildcard pattern
  // ("*", "?"; without regard to case).  Entries come in name order.
  virtual bool FindFiles(std::string_view directory, std::string_view pattern,
                         std::vector<DirectoryEntry>& out) = 0;
  virtual bool MakeDirectory(std::string_view path) = 0;
  // Why the last Open failed, as the host says it ("no such file",
  // "permission denied"), for the report that names the file; empty when
  // nothing is known.
  virtual std::string FailureReason() { return {}; }
  // What two names of one existing file have in common beyond their
  // spelling (on POSIX the device and inode, so that links are seen as the
  // file they lead to); empty when the file does not exist or the file
  // system cannot tell.
  virtual std::string FileIdentity(std::string_view path) {
    (void)path;
    return {};
  }
  // What changes whenever the file does (where it is, its size, the time of
  // its last change), cheap to ask, so that a run can see that a file is as
  // an earlier run read it; kAbsentFile when there is no such file, empty
  // when the file system cannot tell.
  virtual std::string FileVersion(std::string_view path) {
    (void)path;
    return {};
  }
  // The full path of a file in the host's own spelling: where names are
  // found without regard to case, the case the file was created with, so
  // that a build tool that compares names finds it.  Hosts whose names are
  // case-blind themselves give the full path.
  virtual bool HostName(std::string_view path, std::string& out) { return FullPath(path, out); }
  // While held still, nothing but this program changes the files (a run of
  // the language server, which writes nothing to the host): a host may look
  // at each name once and answer again what it saw.  Letting go forgets it
  // all, so the next run sees what changed meanwhile.
  virtual void HoldStill(bool still) { (void)still; }
  // Creates a file holding bytes, as opening it for writing, writing them
  // and closing it would.  A file system that keeps files in memory keeps
  // the bytes themselves, which nobody changes afterwards: the language
  // server puts a softkey converted in an earlier run without a copy.
  virtual PutResult PutShared(std::string_view path, std::shared_ptr<std::string> bytes) {
    std::unique_ptr<File> file = Open(path, FileMode::WriteBinary);
    if (!file) return PutResult::NotCreated;
    const bool written = file->WriteText(*bytes);
    return file->Close() && written ? PutResult::Written : PutResult::WriteFailed;
  }
  // PutShared of a name whose full path (FullPath's answer, in the current
  // directory) the caller has made already: the layers in front of the
  // memory each need it, and none makes it again.
  virtual PutResult PutSharedAt(std::string_view path, const std::string& full, std::shared_ptr<std::string> bytes) {
    (void)full;
    return PutShared(path, std::move(bytes));
  }
};

// The version of a file that is not there.
constexpr const char* kAbsentFile = "absent";

// The real file system of the host.
std::unique_ptr<FileSystem> MakeHostFileSystem();

// Windows wildcard matching without regard to case, as a directory search
// does it ("*.*" matches every name, also one without a dot).
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace q32
