// The host services of Windows; posix/PosixHost.cpp is the POSIX one.
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include <string>

#include "platform/Host.h"
#include "platform/HostPath.h"
#include "platform/HostPrimitives.h"
#include "platform/windows/WindowsText.h"

namespace q32 {

bool ExecutablePath(std::string& out) {
  std::wstring wide(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
  if (n == 0 || n >= wide.size()) return false;
  wide.resize(n);
  out = WideToAnsi(wide);
  return true;
}

std::string ArgumentProgramPath(const char* argv0) { return argv0; }

char HostPathSeparator() { return '\\'; }

// A drive letter ("C:\"), or a network share ("\\server\share\"), the
// roots GetFullPathName gives.
std::size_t HostRootLength(std::string_view full) {
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  const bool letter = full.size() >= 3 && ((full[0] >= 'A' && full[0] <= 'Z') || (full[0] >= 'a' && full[0] <= 'z'));
  if (letter && full[1] == ':' && separator(full[2])) return 3;
  if (full.size() < 3 || !separator(full[0]) || !separator(full[1]) || separator(full[2])) return 0;
  std::size_t at = 2;
  for (int part = 0; part < 2; ++part) {
    while (at < full.size() && !separator(full[at])) ++at;
    if (part == 0 && at + 1 >= full.size()) return 0;  // a server without a share
    if (at < full.size()) ++at;
  }
  return at;
}

void UtcTime(std::time_t t, std::tm& out) { gmtime_s(&out, &t); }

void LocalTime(std::time_t t, std::tm& out) { localtime_s(&out, &t); }

// argv holds the command line in the process's ANSI code page, which may
// not be Windows-1252: the UTF-16 command line is converted instead.
bool HostCommandArguments(std::vector<std::string>& out) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return false;
  for (int i = 0; i < count; ++i) out.push_back(WideToAnsi(wide[i]));
  LocalFree(wide);
  return true;
}

std::optional<std::string> EnvironmentVariable(std::string_view name) {
  const wchar_t* value = _wgetenv(AnsiToWide(name).c_str());
  if (!value) return std::nullopt;
  return WideToAnsi(value);
}

void PrepareConsole() {
  // The bytes written are code page 850 already; a console window set to
  // another OEM page would show other characters for them.
  DWORD mode;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) SetConsoleOutputCP(850);
}

void BinaryStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace q32
