#include "platform/InputGuard.h"

namespace q32 {

std::string InputGuardFileSystem::NameKey(std::string_view path) {
  std::string full;
  if (!inner_.FullPath(path, full)) full.assign(path);
  for (char& c : full) {
    if (c == '/') c = '\\';
    else if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return full;
}

void InputGuardFileSystem::RegisterInput(std::string_view path) {
  if (path.empty()) return;
  names_.insert(NameKey(path));
  std::string identity = inner_.FileIdentity(path);
  if (!identity.empty()) identities_.insert(std::move(identity));
}

bool InputGuardFileSystem::IsInput(std::string_view path) {
  if (path.empty() || (names_.empty() && identities_.empty())) return false;
  if (names_.count(NameKey(path)) != 0) return true;
  if (identities_.empty()) return false;
  std::string identity = inner_.FileIdentity(path);
  return !identity.empty() && identities_.count(identity) != 0;
}

void InputGuardFileSystem::Clear() {
  names_.clear();
  identities_.clear();
}

std::unique_ptr<File> InputGuardFileSystem::Open(std::string_view path, FileMode mode) {
  const bool create = mode == FileMode::WriteBinary || mode == FileMode::WriteText;
  if (create && IsInput(path)) return nullptr;
  std::unique_ptr<File> file = inner_.Open(path, mode);
  if (file && !create) RegisterInput(path);
  return file;
}

bool InputGuardFileSystem::Remove(std::string_view path) {
  if (IsInput(path)) return false;
  return inner_.Remove(path);
}

}  // namespace q32
