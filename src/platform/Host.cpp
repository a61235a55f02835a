#include "platform/Host.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/HostPath.h"
#ifdef _WIN32
#include "platform/windows/WindowsText.h"
#endif

namespace q32 {
namespace {

// The instant of SOURCE_DATE_EPOCH, when it is set to a whole number.
bool FixedEpoch(std::time_t& out) {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (!epoch) return false;
  char* end = nullptr;
  long long value = std::strtoll(epoch, &end, 10);
  if (end == epoch || *end != '\0') return false;
  out = static_cast<std::time_t>(value);
  return true;
}

}  // namespace

#ifdef _WIN32

std::string ProgramDirectory(const char* argv0) {
  std::wstring wide(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
  std::string path;
  if (n > 0 && n < wide.size()) {
    wide.resize(n);
    path = WideToAnsi(wide);
  } else if (argv0) {
    path = argv0;
  }
  std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::tm CreationTime() {
  std::tm result{};
  std::time_t t;
  if (FixedEpoch(t)) {
    gmtime_s(&result, &t);
    return result;
  }
  t = std::time(nullptr);
  localtime_s(&result, &t);
  return result;
}

std::vector<std::string> CommandArguments(int argc, char** argv) {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) {
    for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
    return args;
  }
  for (int i = 0; i < count; ++i) args.push_back(WideToAnsi(wide[i]));
  LocalFree(wide);
  return args;
}

#else

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
  std::time_t t;
  if (FixedEpoch(t)) {
    gmtime_r(&t, &result);
    return result;
  }
  t = std::time(nullptr);
  localtime_r(&t, &result);
  return result;
}

std::vector<std::string> CommandArguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  return args;
}

#endif

std::optional<std::string> EnvironmentVariable(std::string_view name) {
#ifdef _WIN32
  const wchar_t* value = _wgetenv(AnsiToWide(name).c_str());
  if (!value) return std::nullopt;
  return WideToAnsi(value);
#else
  std::string key(name);
  const char* value = std::getenv(key.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
#endif
}

void PrepareConsole() {
#ifdef _WIN32
  // The bytes written are code page 850 already; a console window set to
  // another OEM page would show other characters for them.
  DWORD mode;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) SetConsoleOutputCP(850);
#endif
}

}  // namespace q32
