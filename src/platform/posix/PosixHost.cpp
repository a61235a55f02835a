// The host services of a POSIX host; windows/WindowsHost.cpp is the Windows one.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/Host.h"
#include "platform/HostPath.h"
#include "platform/HostPrimitives.h"

namespace q32 {

bool ExecutablePath(std::string& out) {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return false;
  out.assign(buffer, static_cast<std::size_t>(n));
  return true;
}

std::string ArgumentProgramPath(const char* argv0) {
  std::string path;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd)) FullHostPath(argv0, cwd, path);
  else path = argv0;
  return path;
}

char HostPathSeparator() { return '/'; }

std::size_t HostRootLength(std::string_view full) { return !full.empty() && full[0] == '/' ? 1 : 0; }

void UtcTime(std::time_t t, std::tm& out) { gmtime_r(&t, &out); }

void LocalTime(std::time_t t, std::tm& out) { localtime_r(&t, &out); }

// argv holds the bytes of the command line as they are.
bool HostCommandArguments(std::vector<std::string>&) { return false; }

std::optional<std::string> EnvironmentVariable(std::string_view name) {
  std::string key(name);
  const char* value = std::getenv(key.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

// A terminal shows the console's UTF-8 as it is.
void PrepareConsole() {}

void BinaryStandardStreams() {}

}  // namespace q32
