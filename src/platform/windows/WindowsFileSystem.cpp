// The native Windows host file system.  The program's paths are already
// Windows paths (drive letters, \\server\share, "\" or "/"), and Windows
// itself finds a name without regard to case, so every operation hands the
// path to the Win32 API as it is, in UTF-16 converted from Windows-1252.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/HostFile.h"
#include "platform/HostPath.h"
#include "platform/windows/WindowsText.h"

namespace q32 {
namespace {

// The host form of a program path: UTF-16 with "\" as the separator.
std::wstring HostPath(std::string_view path) {
  std::wstring wide = AnsiToWide(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  return wide;
}

bool Attributes(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  return !path.empty() && GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0;
}

// Reads a small file whole: one open, one read, one close.
std::unique_ptr<File> ReadWhole(const std::wstring& path, std::size_t size, bool text) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  // A file that grew since it was looked at is read up to the size seen plus
  // one byte.
  const std::size_t want = size + 1;
  auto contents = std::make_unique<char[]>(want);
  std::size_t got = 0;
  while (got < want) {
    DWORD n = 0;
    if (!ReadFile(h, contents.get() + got, static_cast<DWORD>(want - got), &n, nullptr) || n == 0) break;
    got += n;
  }
  CloseHandle(h);
  return MakeMemoryFile(std::move(contents), got, text);
}

// The host's words for an error, as a report's reason: the C library's for
// an error number, the system's for a Win32 error code.
std::string HostReason(int error) {
  std::string text = std::strerror(error);
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && (text.size() < 2 || text[1] > 'Z'))
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

std::string SystemReason(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = n > 0 && buffer ? WideToAnsi(std::wstring_view(buffer, n)) : "error " + std::to_string(error);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.' || text.back() == ' '))
    text.pop_back();
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && (text.size() < 2 || text[1] > 'Z'))
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

class WindowsFileSystem final : public FileSystem {
 public:
  std::string FailureReason() override { return reason_; }

  std::unique_ptr<File> Open(std::string_view path, FileMode mode) override {
    auto fail = [this](std::string why) {
      reason_ = std::move(why);
      return nullptr;
    };
    const std::wstring host = HostPath(path);
    if (host.empty()) return fail("no such file");
    WIN32_FILE_ATTRIBUTE_DATA data;
    const bool exists = Attributes(host, data);
    const bool write = mode == FileMode::WriteBinary || mode == FileMode::WriteText;
    if (exists && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return fail("it is a directory");
    if (!exists && !write) return fail("no such file");
    const bool text = mode == FileMode::ReadText || mode == FileMode::WriteText;
    const std::int64_t size =
        (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | static_cast<std::int64_t>(data.nFileSizeLow);
    if (!write && size < kReadWholeLimit) {
      std::unique_ptr<File> file = ReadWhole(host, static_cast<std::size_t>(size), text);
      return file ? std::move(file) : fail(SystemReason(GetLastError()));
    }
    std::FILE* f = _wfopen(host.c_str(), write ? L"wb" : L"rb");
    if (!f) return fail(HostReason(errno));
    return MakeStreamFile(f, text, write);
  }

  bool Exists(std::string_view path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(HostPath(path), data);
  }

  // The size and the times of creation and last write, in 100 ns steps.
  std::string FileVersion(std::string_view path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!Attributes(HostPath(path), data)) return kAbsentFile;
    auto number = [](DWORD high, DWORD low) {
      return std::to_string((static_cast<unsigned long long>(high) << 32) | low);
    };
    return number(data.nFileSizeHigh, data.nFileSizeLow) + ":" +
           number(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime) + ":" +
           number(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
  }

  bool IsDirectory(std::string_view path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return Attributes(HostPath(path), data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  // As remove() does: a file, or an empty directory.
  bool Remove(std::string_view path) override {
    const std::wstring host = HostPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!Attributes(host, data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(host.c_str()) != 0;
    return DeleteFileW(host.c_str()) != 0;
  }

  // The current directory is asked of the host once and again only after the
  // run changes it: every name a run shows or guards is made full against it.
  bool GetCurrentDir(std::string& out) override {
    if (cwd_.empty()) {
      DWORD n = GetCurrentDirectoryW(0, nullptr);
      if (n == 0) return false;
      std::wstring wide(n, L'\0');
      n = GetCurrentDirectoryW(n, wide.data());
      if (n == 0 || n >= wide.size()) return false;
      wide.resize(n);
      cwd_ = WideToAnsi(wide);
    }
    out = cwd_;
    return true;
  }

  bool SetCurrentDir(std::string_view path) override {
    const std::wstring host = HostPath(path);
    if (host.empty() || !SetCurrentDirectoryW(host.c_str())) return false;
    cwd_.clear();
    return true;
  }

  bool FullPath(std::string_view path, std::string& out) override {
    // A name on one of the control's partitions (PLC:\...) is no name on
    // this workstation, which would take it relative to the current
    // directory; it is only normalised, as on every host, so that messages
    // show it alike everywhere.
    const std::string_view first = path.substr(0, path.find_first_of("\\/"));
    if (first.size() > 2 && first.find(':') != std::string_view::npos) return FullHostPath(path, "", out);
    const std::wstring host = HostPath(path);
    if (host.empty()) return false;
    DWORD n = GetFullPathNameW(host.c_str(), 0, nullptr, nullptr);
    if (n == 0) return false;
    std::wstring wide(n, L'\0');
    n = GetFullPathNameW(host.c_str(), n, wide.data(), nullptr);
    if (n == 0 || n >= wide.size()) return false;
    wide.resize(n);
    out = WideToAnsi(wide);
    return true;
  }

  bool FindFiles(std::string_view directory, std::string_view pattern,
                 std::vector<DirectoryEntry>& out) override {
    out.clear();
    std::wstring search = HostPath(directory.empty() ? std::string_view(".") : directory);
    if (search.back() != L'\\') search += L'\\';
    search += L'*';
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(search.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
      std::string name = WideToAnsi(found.cFileName);
      if (name == "." || name == ".." || !WildcardMatch(pattern, name)) continue;
      DirectoryEntry entry;
      entry.name = std::move(name);
      entry.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      out.push_back(std::move(entry));
    } while (FindNextFileW(h, &found));
    const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(h);
    std::sort(out.begin(), out.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return complete;
  }

  bool MakeDirectory(std::string_view path) override {
    const std::wstring host = HostPath(path);
    return !host.empty() && CreateDirectoryW(host.c_str(), nullptr) != 0;
  }

  // The volume and file index, so that two names of one file (a hard link,
  // a short 8.3 name) are seen as that file.
  std::string FileIdentity(std::string_view path) override {
    const std::wstring host = HostPath(path);
    if (host.empty()) return {};
    HANDLE h = CreateFileW(host.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok) return {};
    return std::to_string(info.dwVolumeSerialNumber) + ":" +
           std::to_string((static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
  }

 private:
  std::string reason_;  // why the last Open failed
  std::string cwd_;
};

}  // namespace

std::unique_ptr<FileSystem> MakeHostFileSystem() { return std::make_unique<WindowsFileSystem>(); }

}  // namespace q32
