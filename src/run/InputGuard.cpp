#include "run/InputGuard.h"

#include <algorithm>

namespace q32 {
namespace {

// Passes every operation on and tells the guard of the ones that failed.  A
// read that comes back short is the end of the file unless the file goes on
// past the point reached.
class WatchedFile final : public ForwardingFile {
 public:
  WatchedFile(InputGuardFileSystem& owner, std::unique_ptr<File> inner, std::string path)
      : ForwardingFile(std::move(inner)), owner_(owner), path_(std::move(path)) {}

  std::size_t Read(void* buffer, std::size_t n) override {
    std::size_t got = inner_->Read(buffer, n);
    if (got < n) CheckEnd();
    return got;
  }
  bool GetLine(char* buffer, std::size_t size) override {
    bool got = inner_->GetLine(buffer, size);
    if (!got) CheckEnd();
    return got;
  }
  bool Write(const void* data, std::size_t n) override {
    bool ok = inner_->Write(data, n);
    if (!ok) owner_.NoteFailedWrite(path_);
    return ok;
  }
  bool Seek(std::int64_t offset) override {
    bool ok = inner_->Seek(offset);
    if (!ok) owner_.NoteFailedRead(path_);
    return ok;
  }
  bool Flush() override {
    bool ok = inner_->Flush();
    if (!ok) owner_.NoteFailedWrite(path_);
    return ok;
  }
  bool Close() override {
    bool ok = inner_->Close();
    if (!ok) owner_.NoteFailedWrite(path_);
    return ok;
  }

 private:
  void CheckEnd() {
    const std::int64_t at = inner_->Tell(), end = inner_->Size();
    if (at >= 0 && end >= 0 && at < end) owner_.NoteFailedRead(path_);
  }

  InputGuardFileSystem& owner_;
  std::string path_;
};

}  // namespace

void InputGuardFileSystem::NoteFailedRead(const std::string& path) {
  if (noted_.insert("r" + path).second) failedReads_.push_back(path);
}

void InputGuardFileSystem::NoteFailedWrite(const std::string& path) {
  if (noted_.insert("w" + path).second) failedWrites_.push_back(path);
}

void InputGuardFileSystem::ForgetFailedWrite(const std::string& path) {
  noted_.erase("w" + path);
  auto it = std::find(failedWrites_.begin(), failedWrites_.end(), path);
  if (it != failedWrites_.end()) failedWrites_.erase(it);
}

namespace {

void FoldKey(std::string& key) {
  for (char& c : key) {
    if (c == '/') c = '\\';
    else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

}  // namespace

std::string InputGuardFileSystem::NameKey(std::string_view path) {
  std::string full;
  if (!inner_.FullPath(path, full)) full.assign(path);
  return KeyOfFull(std::move(full));
}

std::string InputGuardFileSystem::KeyOfFull(std::string full) {
  // Most files of a run lie below the directory it started in: that part of
  // every key is kept once, so a softkey's key is little more than its name.
  // Spelt as the host gives it, it need not be folded to be known.
  const std::string& home = Home();
  if (!homeAsGiven_.empty() && full.size() > homeAsGiven_.size() &&
      full.compare(0, homeAsGiven_.size(), homeAsGiven_) == 0) {
    full.replace(0, homeAsGiven_.size(), 1, '\0');
    FoldKey(full);
    return full;
  }
  FoldKey(full);
  if (!home.empty() && full.size() > home.size() && full.compare(0, home.size(), home) == 0)
    full.replace(0, home.size(), 1, '\0');
  return full;
}

const std::string& InputGuardFileSystem::Home() {
  if (!homeKnown_) {
    homeKnown_ = true;
    if (inner_.GetCurrentDir(home_) && !home_.empty()) {
      if (home_.back() != '\\' && home_.back() != '/') home_ += '/';
      homeAsGiven_ = home_;
      FoldKey(home_);
    }
  }
  return home_;
}

InputGuardFileSystem::InputName InputGuardFileSystem::NameOf(std::string_view path) {
  InputName name;
  if (path.empty()) return name;
  name.key = NameKey(path);
  name.home = home_;
  name.identity = inner_.FileIdentity(path);
  return name;
}

void InputGuardFileSystem::RegisterInput(std::string_view path, const InputName& known) {
  if (path.empty()) return;
  if (known.key.empty() || known.home != Home()) return RegisterInput(path);
  if (created_.Find(known.key)) return;
  names_.Insert(known.key);
  if (!known.identity.empty()) identities_.Insert(known.identity);
}

void InputGuardFileSystem::RegisterInput(std::string_view path) {
  if (!path.empty()) RegisterInput(path, NameOf(path));
}

bool InputGuardFileSystem::IsInput(std::string_view path) {
  if (path.empty() || (names_.Empty() && identities_.Empty())) return false;
  return IsInput(path, NameKey(path));
}

bool InputGuardFileSystem::IsInput(std::string_view path, const std::string& key) {
  if (path.empty() || (names_.Empty() && identities_.Empty())) return false;
  if (names_.Find(key)) return true;
  if (identities_.Empty()) return false;
  std::string identity = inner_.FileIdentity(path);
  return !identity.empty() && identities_.Find(identity);
}

void InputGuardFileSystem::Clear() {
  names_.Clear();
  identities_.Clear();
  created_.Clear();
  home_.clear();
  homeAsGiven_.clear();
  homeKnown_ = false;
  failedReads_.clear();
  failedWrites_.clear();
  noted_.clear();
}

bool InputGuardFileSystem::MayCreate(std::string_view path, const std::string& key) {
  refused_.clear();
  if (!IsInput(path, key)) return true;
  refused_ = "it is an input of this run, which an output never replaces";
  return false;
}

// A file created is known by its name key from here on.
void InputGuardFileSystem::NoteCreated(std::string_view path, const std::string& key, std::string_view full) {
  created_.Insert(key);
  if (watcher) watcher->Created(path);
  if (observer) observer->FileCreated(path, full);
}

std::unique_ptr<File> InputGuardFileSystem::Open(std::string_view path, FileMode mode) {
  const bool create = mode == FileMode::WriteBinary || mode == FileMode::WriteText;
  refused_.clear();
  std::string full;
  const bool fullKnown = create && inner_.FullPath(path, full);
  const std::string key = !create ? std::string() : fullKnown ? KeyOfFull(full) : KeyOfFull(std::string(path));
  if (create && !MayCreate(path, key)) return nullptr;
  std::string version = watcher && !create ? inner_.FileVersion(path) : std::string();
  std::unique_ptr<File> file = inner_.Open(path, mode);
  if (watcher && !create) watcher->Consulted(path, std::move(version), file != nullptr);
  if (!file) return nullptr;
  if (create) NoteCreated(path, key, full);
  else RegisterInput(path);
  return std::make_unique<WatchedFile>(*this, std::move(file), std::string(path));
}

PutResult InputGuardFileSystem::PutShared(std::string_view path, std::shared_ptr<std::string> bytes) {
  std::string full;
  return Put(path, inner_.FullPath(path, full) ? &full : nullptr, std::move(bytes));
}

PutResult InputGuardFileSystem::PutSharedAt(std::string_view path, const std::string& full,
                                            std::shared_ptr<std::string> bytes) {
  return Put(path, &full, std::move(bytes));
}

// The full path is made once (or handed in) for the name key, the file
// system behind and the observer.
PutResult InputGuardFileSystem::Put(std::string_view path, const std::string* full,
                                    std::shared_ptr<std::string> bytes) {
  const std::string key = KeyOfFull(full ? *full : std::string(path));
  if (!MayCreate(path, key)) return PutResult::NotCreated;
  const PutResult result =
      full ? inner_.PutSharedAt(path, *full, std::move(bytes)) : inner_.PutShared(path, std::move(bytes));
  if (result == PutResult::NotCreated) return result;
  NoteCreated(path, key, full ? std::string_view(*full) : std::string_view());
  if (result == PutResult::WriteFailed) NoteFailedWrite(std::string(path));
  return result;
}

bool InputGuardFileSystem::Exists(std::string_view path) {
  if (watcher) watcher->Consulted(path, inner_.FileVersion(path), false);
  return inner_.Exists(path);
}

bool InputGuardFileSystem::IsDirectory(std::string_view path) {
  if (watcher) watcher->Consulted(path, inner_.FileVersion(path), false);
  return inner_.IsDirectory(path);
}

bool InputGuardFileSystem::FindFiles(std::string_view directory, std::string_view pattern,
                                     std::vector<DirectoryEntry>& out) {
  if (watcher) watcher->Searched(directory);
  if (inner_.FindFiles(directory, pattern, out)) return true;
  std::string_view searched = directory.empty() ? std::string_view(".") : directory;
  if (inner_.IsDirectory(searched)) NoteFailedRead(std::string(searched));
  return false;
}

bool InputGuardFileSystem::Remove(std::string_view path) {
  if (IsInput(path) || !inner_.Remove(path)) return false;
  if (watcher) watcher->Removed(path);
  return true;
}

}  // namespace q32
