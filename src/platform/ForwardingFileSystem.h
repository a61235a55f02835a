// A file system that hands every operation to another one.  The file systems
// that stand in front of another (guarding the run's inputs, injecting
// faults, keeping outputs in memory) derive from it and override only the
// operations they change, so an operation added to FileSystem reaches the
// inner file system through all of them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace q32 {

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& inner) : inner_(inner) {}

  std::unique_ptr<File> Open(std::string_view path, FileMode mode) override { return inner_.Open(path, mode); }
  bool Exists(std::string_view path) override { return inner_.Exists(path); }
  bool IsDirectory(std::string_view path) override { return inner_.IsDirectory(path); }
  bool Remove(std::string_view path) override { return inner_.Remove(path); }
  bool GetCurrentDir(std::string& out) override { return inner_.GetCurrentDir(out); }
  bool SetCurrentDir(std::string_view path) override { return inner_.SetCurrentDir(path); }
  bool FullPath(std::string_view path, std::string& out) override { return inner_.FullPath(path, out); }
  bool FindFiles(std::string_view directory, std::string_view pattern,
                 std::vector<DirectoryEntry>& out) override {
    return inner_.FindFiles(directory, pattern, out);
  }
  bool MakeDirectory(std::string_view path) override { return inner_.MakeDirectory(path); }
  std::string FileIdentity(std::string_view path) override { return inner_.FileIdentity(path); }

 protected:
  FileSystem& inner_;
};

}  // namespace q32
