#include "platform/OverlayFileSystem.h"

#include <algorithm>

#include "platform/HostPath.h"

namespace q32 {

std::string OverlayFileSystem::Full(std::string_view path) {
  std::string full;
  if (path.empty() || !inner_.FullPath(path, full)) return {};
  return FullFrom(std::move(full));
}

std::string OverlayFileSystem::FullFrom(std::string full) {
  const std::size_t root = HostRootLength(full);
  if (root == 0) return {};
  while (full.size() > root && (full.back() == '/' || full.back() == '\\')) full.pop_back();
  return full;
}

namespace {

// Whether a full path is in memory form already (a POSIX host's full paths
// mostly are), so that it need not be made again.
bool InMemoryFormAlready(std::string_view full) {
  return !full.empty() && full[0] == '/' && full.find('\\') == std::string_view::npos &&
         full.find("//") == std::string_view::npos && (full.size() == 1 || full.back() != '/');
}

}  // namespace

// The memory knows at one look the names it never held: a run asks about
// thousands of the host's files, which are nearly all not there.
bool OverlayFileSystem::InMemory(const std::string& full) {
  if (full.empty()) return false;
  return memory_.Holds(InMemoryFormAlready(full) ? full : InMemoryForm(full));
}

bool OverlayFileSystem::FolderThere(const std::string& full) {
  if (full.empty()) return false;
  // The folder of an earlier output is known to be there; only a folder
  // written into for the first time is looked up on the host.
  // Most outputs go into the folder of the one before: seen so without
  // making the folder's name.
  const std::size_t last = lastFolder_.size();
  if (last > 0 && full.size() > last + 1 && full.compare(0, last, lastFolder_) == 0 &&
      (full[last] == '/' || full[last] == '\\') &&
      full.find_first_of("/\\", last + 1) == std::string::npos)
    return true;
  const std::string parent = HostParent(full);
  if (parent != lastFolder_) {
    const std::string parentInMemory = InMemoryForm(parent);
    if (!memory_.IsDirectory(parentInMemory)) {
      if (!IsDirectory(parent)) return false;
      memory_.AddDirectory(parentInMemory);
    }
    lastFolder_ = parent;
  }
  return true;
}

PutResult OverlayFileSystem::PutShared(std::string_view path, std::shared_ptr<std::string> bytes) {
  return Put(Full(path), std::move(bytes));
}

PutResult OverlayFileSystem::PutSharedAt(std::string_view path, const std::string& full,
                                         std::shared_ptr<std::string> bytes) {
  if (path.empty()) return PutResult::NotCreated;
  // Mostly a full path with a root and no separator at its end, as Full
  // leaves it: taken as it is.
  const std::size_t root = HostRootLength(full);
  if (root != 0 && (full.size() == root || (full.back() != '/' && full.back() != '\\')))
    return Put(full, std::move(bytes));
  return Put(FullFrom(full), std::move(bytes));
}

PutResult OverlayFileSystem::Put(const std::string& full, std::shared_ptr<std::string> bytes) {
  if (!FolderThere(full)) return PutResult::NotCreated;
  // Mostly in memory form already: handed on as it is, not copied.
  const bool already = InMemoryFormAlready(full);
  const std::string converted = already ? std::string() : InMemoryForm(full);
  const PutResult result = memory_.PutShared(already ? full : converted, std::move(bytes));
  if (result == PutResult::Written) removed_.erase(full);
  return result;
}

bool OverlayFileSystem::ReadWhole(std::string_view path, std::string& out) {
  std::unique_ptr<File> file = Open(path, FileMode::ReadBinary);
  return file && file->ReadAll(out);
}

std::unique_ptr<File> OverlayFileSystem::Open(std::string_view path, FileMode mode) {
  const std::string full = Full(path);
  const bool write = mode == FileMode::WriteBinary || mode == FileMode::WriteText;
  if (write) {
    if (!FolderThere(full)) return nullptr;
    const std::string inMemory = InMemoryForm(full);
    std::unique_ptr<File> file = memory_.Open(inMemory, mode);
    if (file) removed_.erase(full);
    return file;
  }
  if (InMemory(full)) return memory_.Open(InMemoryForm(full), mode);
  if (Hidden(full)) return nullptr;
  return inner_.Open(path, mode);
}

bool OverlayFileSystem::Exists(std::string_view path) {
  const std::string full = Full(path);
  return InMemory(full) || (!Hidden(full) && inner_.Exists(path));
}

bool OverlayFileSystem::IsDirectory(std::string_view path) {
  const std::string full = Full(path);
  if (!full.empty() && memory_.IsDirectory(InMemoryForm(full))) return true;
  return !Hidden(full) && inner_.IsDirectory(path);
}

bool OverlayFileSystem::Remove(std::string_view path) {
  // The host's files stay where they are: a removal only hides them.
  const std::string full = Full(path);
  lastFolder_.clear();
  if (InMemory(full)) return memory_.Remove(InMemoryForm(full));
  if (full.empty() || Hidden(full) || !inner_.Exists(path)) return false;
  removed_.insert(full);
  return true;
}

bool OverlayFileSystem::FindFiles(std::string_view directory, std::string_view pattern,
                                  std::vector<DirectoryEntry>& out) {
  out.clear();
  std::vector<DirectoryEntry> onHost, inMemory;
  const bool hostFound = inner_.FindFiles(directory, pattern, onHost);
  const std::string full = Full(directory.empty() ? std::string_view(".") : directory);
  const bool memoryFound = !full.empty() && memory_.FindFiles(InMemoryForm(full), pattern, inMemory);
  if (!hostFound && !memoryFound) return false;
  std::set<std::string> seen;
  for (const DirectoryEntry& e : inMemory)
    if (seen.insert(e.name).second) out.push_back(e);
  for (const DirectoryEntry& e : onHost)
    if (!Hidden(HostJoin(full, e.name)) && seen.insert(e.name).second) out.push_back(e);
  std::sort(out.begin(), out.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
  return true;
}

bool OverlayFileSystem::MakeDirectory(std::string_view path) {
  const std::string full = Full(path);
  if (full.empty() || Exists(path) || !IsDirectory(HostParent(full))) return false;
  const std::string inMemory = InMemoryForm(full);
  memory_.AddDirectory(inMemory);
  return true;
}

std::string OverlayFileSystem::FileVersion(std::string_view path) {
  const std::string full = Full(path);
  if (InMemory(full)) return {};
  return Hidden(full) ? kAbsentFile : inner_.FileVersion(path);
}

std::string OverlayFileSystem::FileIdentity(std::string_view path) {
  const std::string full = Full(path);
  if (InMemory(full)) return "memory:" + full;
  return Hidden(full) ? std::string() : inner_.FileIdentity(path);
}

}  // namespace q32
