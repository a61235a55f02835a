// A file system of files held in memory, for tests that read thousands of
// generated inputs (the disk would make them slow).  Only what readers need:
// opening, reading, seeking, existence; text mode drops a CR before LF.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/FileSystem.h"

namespace q32test {

class MemoryFile final : public q32::File {
 public:
  MemoryFile(std::string bytes, bool text) : bytes_(std::move(bytes)), text_(text) {}
  std::size_t Read(void* buffer, std::size_t n) override {
    std::size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    n = std::min(n, available);
    if (n) std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
  }
  bool GetLine(char* buffer, std::size_t size) override {
    if (size == 0 || position_ >= bytes_.size()) return false;
    std::size_t n = 0;
    while (n + 1 < size && position_ < bytes_.size()) {
      char c = bytes_[position_++];
      if (text_ && c == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') continue;
      buffer[n++] = c;
      if (c == '\n') break;
    }
    buffer[n] = '\0';
    return true;
  }
  bool Write(const void*, std::size_t) override { return false; }
  bool Seek(std::int64_t offset) override {
    if (offset < 0) return false;
    position_ = static_cast<std::size_t>(offset);
    return true;
  }
  std::int64_t Tell() override { return static_cast<std::int64_t>(position_); }
  std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }
  bool Flush() override { return true; }
  bool Close() override { return true; }

 private:
  std::string bytes_;
  bool text_;
  std::size_t position_ = 0;
};

class MemoryFileSystem final : public q32::FileSystem {
 public:
  std::map<std::string, std::string> files;

  std::unique_ptr<q32::File> Open(std::string_view path, q32::FileMode mode) override {
    auto it = files.find(std::string(path));
    if (it == files.end() || (mode != q32::FileMode::ReadBinary && mode != q32::FileMode::ReadText))
      return nullptr;
    return std::make_unique<MemoryFile>(it->second, mode == q32::FileMode::ReadText);
  }
  bool Exists(std::string_view path) override { return files.count(std::string(path)) != 0; }
  bool IsDirectory(std::string_view) override { return false; }
  bool Remove(std::string_view path) override { return files.erase(std::string(path)) != 0; }
  bool GetCurrentDir(std::string& out) override {
    out = "/";
    return true;
  }
  bool SetCurrentDir(std::string_view) override { return false; }
  bool FullPath(std::string_view path, std::string& out) override {
    out = std::string(path);
    return true;
  }
  bool FindFiles(std::string_view, std::string_view, std::vector<q32::DirectoryEntry>&) override {
    return false;
  }
  bool MakeDirectory(std::string_view) override { return false; }
};

}  // namespace q32test
