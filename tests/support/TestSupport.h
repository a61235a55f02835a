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
// Writes bytes exactly as given (creating parent directories).
void WriteFile(const std::string& path, const std::string& bytes);
// Every occurrence of from replaced by to.
std::string Replace(std::string text, const std::string& from, const std::string& to);
// A word for the POSIX shell, in single quotes.
std::string ShellQuote(const std::string& s);

struct RunResult {
  int status = -1;
  std::string out;  // standard output (and standard error)
};

// Runs a command line through the shell (on Windows cmd) in directory cwd.
RunResult RunCommand(const std::string& command, const std::string& cwd);
// Runs a program with the given arguments, each passed as one word, in
// directory cwd; on Windows the console's CR LF line ends read as LF.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd);
// Sets an environment variable, or unsets it when value is null.
void SetEnvironment(const std::string& name, const char* value);

// The directory of the built executable (where the catalogue lies).
std::string ExecutableDir();
// Path of a file in the source tree.
std::string SourcePath(const std::string& relative);
// True when a program is found on PATH (on Windows, where the Linux tools
// the tests use do not run, always false).
bool HaveTool(const std::string& name);

}  // namespace q32test
