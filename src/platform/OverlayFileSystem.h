// The file system of a preview run: every input is read from the host, every
// output is kept in memory.  Nothing beside the project changes, and the
// preview reads the outputs back from memory to show them.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ForwardingFileSystem.h"
#include "platform/HostPath.h"
#include "platform/MemoryFileSystem.h"

namespace q32 {

// The inner file system is the host's; the run changes the host's current
// directory and takes full paths as the host makes them.
class OverlayFileSystem final : public ForwardingFileSystem {
 public:
  explicit OverlayFileSystem(FileSystem& host) : ForwardingFileSystem(host) {}

  // Forgets every output and removal of the runs so far, as a new overlay
  // would, for the next run of a program that runs one project again and
  // again: the outputs the next run writes again are found where they were
  // kept (MemoryFileSystem::Afresh).
  void Afresh() {
    memory_.Afresh();
    removed_.clear();
    lastFolder_.clear();
  }

  // The bytes the run left in a file it created (full host path), or null.
  const std::string* Output(const std::string& fullPath) { return memory_.FileBytes(InMemoryForm(fullPath)); }
  // Reads a file as the run would see it now (its output, else the host's).
  bool ReadWhole(std::string_view path, std::string& out);

  std::unique_ptr<File> Open(std::string_view path, FileMode mode) override;
  bool Exists(std::string_view path) override;
  bool IsDirectory(std::string_view path) override;
  bool Remove(std::string_view path) override;
  bool FindFiles(std::string_view directory, std::string_view pattern, std::vector<DirectoryEntry>& out) override;
  bool MakeDirectory(std::string_view path) override;
  // The bytes are kept in memory as they are.
  PutResult PutShared(std::string_view path, std::shared_ptr<std::string> bytes) override;
  PutResult PutSharedAt(std::string_view path, const std::string& full, std::shared_ptr<std::string> bytes) override;
  std::string FileIdentity(std::string_view path) override;
  // The run's outputs have none: what a conversion read of them is no
  // file an earlier run saw.
  std::string FileVersion(std::string_view path) override;

 private:
  // The full host path of a name, or empty for names the host has no place
  // for (the control's partitions, and drives on POSIX).  The memory keeps
  // each output under the full path's in-memory form.
  std::string Full(std::string_view path);
  // Full of a path whose full path the host made (FullPath) is known.
  static std::string FullFrom(std::string full);
  // The bytes put at a full path (Full's).
  PutResult Put(const std::string& full, std::shared_ptr<std::string> bytes);
  bool InMemory(const std::string& full);
  bool Hidden(const std::string& full) const { return removed_.count(full) != 0; }
  // Whether a file can be created at a full path: its folder is there.
  bool FolderThere(const std::string& full);

  MemoryFileSystem memory_;
  std::set<std::string> removed_;  // host files the run deleted (kept on disk)
  std::string lastFolder_;         // the full path of the folder written into last
};

}  // namespace q32
