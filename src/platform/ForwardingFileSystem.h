// A file system that hands every operation to another one, and a file that
// does the same.  The file systems that stand in front of another (guarding
// the run's inputs, injecting faults, keeping outputs in memory) and the
// files they hand out derive from them and override only the operations they
// change, so an operation added to FileSystem or File reaches the inner one
// through all of them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace q32 {

class ForwardingFile : public File {
 public:
  explicit ForwardingFile(std::unique_ptr<File> inner) : inner_(std::move(inner)) {}

  std::size_t Read(void* buffer, std::size_t n) override { return inner_->Read(buffer, n); }
  bool GetLine(char* buffer, std::size_t size) override { return inner_->GetLine(buffer, size); }
  bool Write(const void* data, std::size_t n) override { return inner_->Write(data, n); }
  bool Seek(std::int64_t offset) override { return inner_->Seek(offset); }
  std::int64_t Tell() override { return inner_->Tell(); }
  std::int64_t Size() override { return inner_->Size(); }
  bool Flush() override { return inner_->Flush(); }
  bool Close() override { return inner_->Close(); }

 protected:
  std::unique_ptr<File> inner_;
};

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
  std::string FileVersion(std::string_view path) override { return inner_.FileVersion(path); }
  bool HostName(std::string_view path, std::string& out) override { return inner_.HostName(path, out); }
  std::string FailureReason() override { return inner_.FailureReason(); }
  void HoldStill(bool still) override { inner_.HoldStill(still); }

 protected:
  FileSystem& inner_;
};

}  // namespace q32
