#include "support/TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace q32test {
namespace fs = std::filesystem;

TempDir::TempDir() {
  std::random_device random;
  for (unsigned tries = 0; path_.empty(); ++tries) {
    if (tries == 1000) throw std::runtime_error("no temporary directory");
    const fs::path candidate = fs::temp_directory_path() / ("q32test." + std::to_string(random()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) path_ = candidate.string();
  }
}

// Q32_KEEP_TEMP=1 keeps the directories, so that the files the case tables
// set up can seed the fuzz corpora (fuzz/seeds/make_corpus.sh).
TempDir::~TempDir() {
  std::error_code ec;
  if (!std::getenv("Q32_KEEP_TEMP")) fs::remove_all(path_, ec);
}

std::string TempDir::operator/(const std::string& relative) const { return path_ + "/" + relative; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes) {
  fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; !from.empty() && (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

std::string ShellQuote(const std::string& s) { return "'" + Replace(s, "'", "'\\''") + "'"; }

#ifdef _WIN32
// One word of a command line as the C runtime splits it again.
static std::string WindowsQuote(const std::string& s) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : s) {
    if (c == '\\') {
      ++backslashes;
    } else {
      out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
      backslashes = 0;
    }
    out += c;
  }
  return out.append(backslashes, '\\') + "\"";
}

// Starts a command line with a pipe for its output and waits for it.
static RunResult RunCommandLine(std::string line, const std::string& cwd) {
  RunResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd, writeEnd;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  start.hStdOutput = start.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  const std::string dir = fs::absolute(cwd).string();
  const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(),
                                      &start, &process);
  CloseHandle(writeEnd);
  if (started) {
    char buffer[4096];
    DWORD n;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) result.out.append(buffer, n);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    if (GetExitCodeProcess(process.hProcess, &status)) result.status = static_cast<int>(status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(readEnd);
  result.out = Replace(result.out, "\r\n", "\n");
  return result;
}

RunResult RunCommand(const std::string& command, const std::string& cwd) {
  return RunCommandLine("cmd /c " + command, cwd);
}

void SetEnvironment(const std::string& name, const char* value) {
  _putenv_s(name.c_str(), value ? value : "");
}

bool HaveTool(const std::string&) { return false; }
#else
RunResult RunCommand(const std::string& command, const std::string& cwd) {
  std::string full = "cd " + ShellQuote(cwd) + " && ( " + command + " ) 2>&1";
  RunResult result;
  FILE* pipe = popen(full.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

void SetEnvironment(const std::string& name, const char* value) {
  if (value) setenv(name.c_str(), value, 1);
  else unsetenv(name.c_str());
}

bool HaveTool(const std::string& name) {
  return std::system(("command -v " + ShellQuote(name) + " >/dev/null 2>&1").c_str()) == 0;
}
#endif

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd) {
#ifdef _WIN32
  std::string line = WindowsQuote(program);
  for (const auto& a : args) line += " " + WindowsQuote(a);
  return RunCommandLine(line, cwd);
#else
  std::string command = ShellQuote(program);
  for (const auto& a : args) command += " " + ShellQuote(a);
  return RunCommand(command, cwd);
#endif
}

std::string ExecutableDir() { return fs::path(QUILLON_EXE).parent_path().string(); }

std::string SourcePath(const std::string& relative) {
  return std::string(QUILLON_SOURCE_DIR) + "/" + relative;
}

}  // namespace q32test
