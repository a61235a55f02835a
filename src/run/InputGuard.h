// Keeps a run from writing over its own inputs.  Every file the run opens for
// reading, and every file a part of the run names as an input before it reads
// it, is remembered; creating or deleting a remembered file is refused, so the
// part that wanted to write it reports the failure as for any file that
// cannot be created, and the input stays as it was.
//
// It also keeps a list of the files whose reading or writing failed on the
// way (a read that stops before the end of the file, a failed write or seek,
// a failed search of an existing directory),
// so that the run can report a failure that the part concerned took for the
// end of its input or did not see.
//
// Two names are the same file when Windows would take them so: their full
// paths (with "." and ".." resolved) are equal without regard to case.  Where
// the file system can tell (links on POSIX), two names of one file are also
// the same whatever they are spelt like.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/ForwardingFileSystem.h"
#include "platform/NameSet.h"
#include "run/RunObserver.h"

namespace q32 {

// Told, while it watches, of every file a part of the run reads or asks
// about, creates or removes: what a conversion depends on and leaves, so
// that a later run can take it again unchanged.
class AccessWatcher {
 public:
  virtual ~AccessWatcher() = default;
  // A file opened for reading (opened: it was there) or asked about, with
  // its version (FileSystem::FileVersion) before it was read.
  virtual void Consulted(std::string_view path, std::string version, bool opened) = 0;
  virtual void Created(std::string_view path) = 0;
  virtual void Removed(std::string_view path) = 0;
  // A directory searched: what its listing will be is no file's version.
  virtual void Searched(std::string_view directory) = 0;
};

class InputGuardFileSystem final : public ForwardingFileSystem {
 public:
  explicit InputGuardFileSystem(FileSystem& inner) : ForwardingFileSystem(inner) {}

  // Remembers a file as an input of the run, whether it exists yet or not.
  // A file the run has created stays its own output even when it is read
  // back (a project may name its tree file as a source): the run may write
  // it again, and delete it when the run fails.
  void RegisterInput(std::string_view path);
  // What registering a name remembers of it, for whoever registers the same
  // file run after run (a conversion taken from an earlier run): good again
  // while the file's version is as it was when the name was made, in a run
  // started in the same directory.
  struct InputName {
    std::string home, key, identity;
  };
  InputName NameOf(std::string_view path);
  // RegisterInput with what an earlier run made of the path.
  void RegisterInput(std::string_view path, const InputName& known);
  // True when the path names a file remembered as an input.
  bool IsInput(std::string_view path);
  // Forgets every input and failure (a new run).
  void Clear();

  // The files (as the run named them) whose reading, or writing, failed
  // since the last call; each named once, in the order the failures came.
  std::vector<std::string> TakeFailedReads() { return std::exchange(failedReads_, {}); }
  std::vector<std::string> TakeFailedWrites() { return std::exchange(failedWrites_, {}); }
  // Called by the files this guard hands out.
  void NoteFailedRead(const std::string& path);
  void NoteFailedWrite(const std::string& path);
  // A part that reported a failed write of its file itself takes the file
  // off the list, so that the run does not report it a second time.
  void ForgetFailedWrite(const std::string& path);

  // Told of every file the run creates.
  RunObserver* observer = nullptr;
  // Told of every access while one is set.
  AccessWatcher* watcher = nullptr;
  // How many reads and writes have failed in this run so far.
  std::size_t FailureCount() const { return noted_.size(); }

  std::unique_ptr<File> Open(std::string_view path, FileMode mode) override;
  PutResult PutShared(std::string_view path, std::shared_ptr<std::string> bytes) override;
  PutResult PutSharedAt(std::string_view path, const std::string& full, std::shared_ptr<std::string> bytes) override;
  bool Exists(std::string_view path) override;
  bool IsDirectory(std::string_view path) override;
  std::string FailureReason() override { return refused_.empty() ? inner_.FailureReason() : refused_; }
  bool Remove(std::string_view path) override;
  // A search of a directory that is there and still fails counts as a
  // failed read of that directory.
  bool FindFiles(std::string_view directory, std::string_view pattern,
                 std::vector<DirectoryEntry>& out) override;

 private:
  // The full path with "\" as separator and ASCII letters in lower case;
  // the directory the run started in stands as a single NUL at its front.
  std::string NameKey(std::string_view path);
  // NameKey of a full path (FullPath's, else the path as it is).
  std::string KeyOfFull(std::string full);
  // PutShared with the path's full path, or null when FullPath has none.
  PutResult Put(std::string_view path, const std::string* full, std::shared_ptr<std::string> bytes);
  // The key of the run's first current directory (made at the first use).
  const std::string& Home();
  // IsInput of a path whose name key is made already.
  bool IsInput(std::string_view path, const std::string& key);
  // Whether a file may be created at path (else why not is kept), and what
  // its creation makes known.
  bool MayCreate(std::string_view path, const std::string& key);
  void NoteCreated(std::string_view path, const std::string& key, std::string_view full);

  NameSet names_;
  NameSet identities_;
  NameSet created_;  // name keys of the files the run created
  std::string home_;  // the key of the run's first current directory, with "\"
  std::string homeAsGiven_;  // that directory as the file system gave it, with a separator
  bool homeKnown_ = false;
  std::vector<std::string> failedReads_, failedWrites_;
  std::string refused_;  // why the last Open was refused here
  std::unordered_set<std::string> noted_;  // "r" or "w" + path
};

}  // namespace q32
