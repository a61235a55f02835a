// Helpers shared by the tests: temporary directories, whole-file reads and
// writes, and running the real Quillon32 executable.
#pragma once

#include <string>
#include <vector>

namespace q32test {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + relative
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
bool FileExistsOnDisk(const std::string& path);
// Writes bytes exactly as given (creating parent directories).
void WriteFile(const std::string& path, const std::string& bytes);
// Replaces every LF of the text by CR LF (expected generated text files).
std::string Crlf(const std::string& text);

struct RunResult {
  int status = -1;
  std::string out;  // standard output (and standard error)
};

// Runs a command line through the shell in directory cwd.
RunResult RunCommand(const std::string& command, const std::string& cwd);
// Runs the built Quillon32 with the given arguments (each quoted for the
// shell) in directory cwd.
RunResult RunQuillon(const std::vector<std::string>& args, const std::string& cwd);

// The directory of the built executable (where the catalogue lies).
std::string ExecutableDir();
// Path of a file in the source tree.
std::string SourcePath(const std::string& relative);
// True when a program is found on PATH.
bool HaveTool(const std::string& name);

}  // namespace q32test
