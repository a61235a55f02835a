#include "platform/Host.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/HostPath.h"

namespace q32 {

std::string ProgramDirectory(const char* argv0) {
  std::string path;
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) {
    path.assign(buffer, static_cast<std::size_t>(n));
  } else if (argv0) {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) FullHostPath(argv0, cwd, path);
    else path = argv0;
  }
  std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::tm CreationTime() {
  std::tm result{};
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    long long value = std::strtoll(epoch, &end, 10);
    if (end != epoch && *end == '\0') {
      std::time_t t = static_cast<std::time_t>(value);
      gmtime_r(&t, &result);
      return result;
    }
  }
  std::time_t now = std::time(nullptr);
  localtime_r(&now, &result);
  return result;
}

std::optional<std::string> EnvironmentVariable(std::string_view name) {
  std::string key(name);
  const char* value = std::getenv(key.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

}  // namespace q32
