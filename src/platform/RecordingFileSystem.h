// A file system that remembers what a run read and what it wrote, for the
// dependency file a build tool reads (make, ninja): every file opened for
// reading and every file created, each by its full path in the host's
// spelling.  It records the accesses themselves, so no file the run touches
// can be missing from the lists, whichever part of the run touched it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/ForwardingFileSystem.h"

namespace q32 {

class RecordingFileSystem final : public ForwardingFileSystem {
 public:
  explicit RecordingFileSystem(FileSystem& inner) : ForwardingFileSystem(inner) {}

  // The files the run opened for reading and did not write itself, in the
  // order of their first reading.  A file the run wrote and read back (a
  // project naming its own tree file) is an output, not an input.
  std::vector<std::string> Inputs() const;
  // The files the run wrote and that are still there, in the order of their
  // creation (a file deleted afterwards, the outputs of a failed run, is none).
  std::vector<std::string> Outputs() const;

  std::unique_ptr<File> Open(std::string_view path, FileMode mode) override;
  bool Remove(std::string_view path) override;

 private:
  // A list of full paths in their first order, each once.
  struct Ordered {
    std::vector<std::string> paths;
    std::unordered_set<std::string> seen;
    void Add(const std::string& path);
    void Erase(const std::string& path);
  };
  // The full path in the host's spelling, or the path as given.
  std::string Name(std::string_view path);

  Ordered read_, written_;
};

}  // namespace q32
