#include "platform/RecordingFileSystem.h"

#include <algorithm>

namespace q32 {

void RecordingFileSystem::Ordered::Add(const std::string& path) {
  if (seen.insert(path).second) paths.push_back(path);
}

void RecordingFileSystem::Ordered::Erase(const std::string& path) {
  if (seen.erase(path) == 0) return;
  paths.erase(std::find(paths.begin(), paths.end(), path));
}

std::string RecordingFileSystem::Name(std::string_view path) {
  std::string name;
  return inner_.HostName(path, name) ? name : std::string(path);
}

std::unique_ptr<File> RecordingFileSystem::Open(std::string_view path, FileMode mode) {
  std::unique_ptr<File> file = inner_.Open(path, mode);
  if (!file) return file;
  const bool write = mode == FileMode::WriteBinary || mode == FileMode::WriteText;
  // The name is taken once the file is there, so that a file just created
  // is named as the host spelt it.
  (write ? written_ : read_).Add(Name(path));
  return file;
}

bool RecordingFileSystem::Remove(std::string_view path) {
  const std::string name = Name(path);
  if (!inner_.Remove(path)) return false;
  written_.Erase(name);
  return true;
}

std::vector<std::string> RecordingFileSystem::Inputs() const {
  std::vector<std::string> inputs;
  for (const std::string& path : read_.paths)
    if (!written_.seen.count(path)) inputs.push_back(path);
  return inputs;
}

std::vector<std::string> RecordingFileSystem::Outputs() const { return written_.paths; }

}  // namespace q32
