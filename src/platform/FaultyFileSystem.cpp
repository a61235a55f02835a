#include "platform/FaultyFileSystem.h"

namespace q32 {
namespace {

class FaultyFile final : public ForwardingFile {
 public:
  FaultyFile(FaultyFileSystem& owner, std::unique_ptr<File> inner, std::string path)
      : ForwardingFile(std::move(inner)), owner_(owner), path_(std::move(path)) {}

  std::size_t Read(void* buffer, std::size_t n) override {
    return owner_.Fails(FileOp::Read, path_) ? 0 : inner_->Read(buffer, n);
  }
  bool GetLine(char* buffer, std::size_t size) override {
    return !owner_.Fails(FileOp::Read, path_) && inner_->GetLine(buffer, size);
  }
  bool Write(const void* data, std::size_t n) override {
    return !owner_.Fails(FileOp::Write, path_) && inner_->Write(data, n);
  }
  bool Seek(std::int64_t offset) override { return !owner_.Fails(FileOp::Seek, path_) && inner_->Seek(offset); }

 private:
  FaultyFileSystem& owner_;
  std::string path_;
};

}  // namespace

const char* FileOpName(FileOp op) {
  switch (op) {
    case FileOp::Open: return "open";
    case FileOp::Create: return "create";
    case FileOp::Read: return "read";
    case FileOp::Write: return "write";
    case FileOp::Seek: return "seek";
    case FileOp::Remove: return "delete";
    case FileOp::ChangeDir: return "change directory";
    case FileOp::MakeDir: return "make directory";
    case FileOp::Find: return "directory search";
  }
  return "?";
}

bool FaultyFileSystem::Fails(FileOp op, const std::string& path) {
  ++operations;
  bool fail = (failAt != 0 && operations == failAt) || (rule && rule(op, path));
  if (fail && failedDescription.empty())
    failedDescription = std::string(FileOpName(op)) + " " + path;
  return fail;
}

std::unique_ptr<File> FaultyFileSystem::Open(std::string_view path, FileMode mode) {
  bool create = mode == FileMode::WriteBinary || mode == FileMode::WriteText;
  std::string name(path);
  planted_ = Fails(create ? FileOp::Create : FileOp::Open, name);
  if (planted_) return nullptr;
  auto inner = inner_.Open(path, mode);
  if (!inner) return nullptr;
  return std::make_unique<FaultyFile>(*this, std::move(inner), name);
}

bool FaultyFileSystem::Remove(std::string_view path) {
  if (Fails(FileOp::Remove, std::string(path))) return false;
  return inner_.Remove(path);
}

bool FaultyFileSystem::SetCurrentDir(std::string_view path) {
  if (Fails(FileOp::ChangeDir, std::string(path))) return false;
  return inner_.SetCurrentDir(path);
}

bool FaultyFileSystem::FindFiles(std::string_view directory, std::string_view pattern,
                                 std::vector<DirectoryEntry>& out) {
  if (Fails(FileOp::Find, std::string(directory))) {
    out.clear();
    return false;
  }
  return inner_.FindFiles(directory, pattern, out);
}

bool FaultyFileSystem::MakeDirectory(std::string_view path) {
  if (Fails(FileOp::MakeDir, std::string(path))) return false;
  return inner_.MakeDirectory(path);
}

}  // namespace q32
