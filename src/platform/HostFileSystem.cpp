// The POSIX host file system.  A native Windows build adds its own
// implementation file beside this one.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/FileSystem.h"
#include "platform/HostPath.h"

namespace q32 {
namespace {

class HostFile final : public File {
 public:
  HostFile(std::FILE* f, bool text) : file_(f), text_(text) {}
  ~HostFile() override { Close(); }

  std::size_t Read(void* buffer, std::size_t n) override {
    if (!file_) return 0;
    if (!text_) return std::fread(buffer, 1, n, file_);
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t got = 0;
    while (got < n) {
      int c = NextTextChar();
      if (c == EOF) break;
      out[got++] = static_cast<unsigned char>(c);
    }
    return got;
  }

  bool GetLine(char* buffer, std::size_t size) override {
    if (!file_ || size == 0) return false;
    if (size == 1) {
      buffer[0] = '\0';
      return true;
    }
    std::size_t got = 0;
    while (got + 1 < size) {
      int c = text_ ? NextTextChar() : getc(file_);
      if (c == EOF) break;
      buffer[got++] = static_cast<char>(c);
      if (c == '\n') break;
    }
    buffer[got] = '\0';
    return got > 0;
  }

  bool Write(const void* data, std::size_t n) override {
    if (!file_) return false;
    const char* p = static_cast<const char*>(data);
    if (!text_) return std::fwrite(p, 1, n, file_) == n;
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (p[i] == '\n') {
        if (i > start && std::fwrite(p + start, 1, i - start, file_) != i - start) return false;
        if (std::fwrite("\r\n", 1, 2, file_) != 2) return false;
        start = i + 1;
      }
    }
    return start >= n || std::fwrite(p + start, 1, n - start, file_) == n - start;
  }

  bool Seek(std::int64_t offset) override {
    if (!file_ || offset < 0) return false;
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
  }
  std::int64_t Tell() override { return file_ ? static_cast<std::int64_t>(ftello(file_)) : -1; }
  std::int64_t Size() override {
    struct stat st;
    if (!file_ || fstat(fileno(file_), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
  }
  bool Flush() override { return file_ && std::fflush(file_) == 0; }
  bool Close() override {
    if (!file_) return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  // Text mode: CR LF reads as LF; a lone CR stays.
  int NextTextChar() {
    int c = getc(file_);
    if (c == '\r') {
      int next = getc(file_);
      if (next == '\n') return '\n';
      if (next != EOF) ungetc(next, file_);
    }
    return c;
  }

  std::FILE* file_;
  bool text_;
};

class HostFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> Open(std::string_view path, FileMode mode) override {
    std::string host;
    if (!HostPathOf(path, host)) return nullptr;
    bool write = mode == FileMode::WriteBinary || mode == FileMode::WriteText;
    if (write) {
      struct stat st;
      if (stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
    } else {
      struct stat st;
      if (stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return nullptr;
    }
    std::FILE* f = std::fopen(host.c_str(), write ? "wb" : "rb");
    if (!f) return nullptr;
    bool text = mode == FileMode::ReadText || mode == FileMode::WriteText;
    return std::make_unique<HostFile>(f, text);
  }

  bool Exists(std::string_view path) override {
    std::string host;
    struct stat st;
    return HostPathOf(path, host) && stat(host.c_str(), &st) == 0;
  }

  bool IsDirectory(std::string_view path) override {
    std::string host;
    struct stat st;
    return HostPathOf(path, host) && stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool Remove(std::string_view path) override {
    std::string host;
    return HostPathOf(path, host) && std::remove(host.c_str()) == 0;
  }

  bool GetCurrentDir(std::string& out) override {
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer)) return false;
    out = buffer;
    return true;
  }

  bool SetCurrentDir(std::string_view path) override {
    std::string host;
    return HostPathOf(path, host) && chdir(host.c_str()) == 0;
  }

  bool FullPath(std::string_view path, std::string& out) override {
    std::string cwd;
    if (!GetCurrentDir(cwd)) return false;
    return FullHostPath(path, cwd, out);
  }

  bool FindFiles(std::string_view directory, std::string_view pattern,
                 std::vector<DirectoryEntry>& out) override {
    out.clear();
    std::string host;
    if (!HostPathOf(directory.empty() ? std::string_view(".") : directory, host)) return false;
    DIR* dir = opendir(host.c_str());
    if (!dir) return false;
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      if (!WildcardMatch(pattern, name)) continue;
      struct stat st;
      std::string full = host + "/" + name;
      DirectoryEntry entry;
      entry.name = name;
      entry.isDirectory = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      out.push_back(std::move(entry));
    }
    closedir(dir);
    std::sort(out.begin(), out.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return true;
  }

  bool MakeDirectory(std::string_view path) override {
    std::string host;
    return HostPathOf(path, host) && mkdir(host.c_str(), 0777) == 0;
  }

  std::string FileIdentity(std::string_view path) override {
    std::string host;
    struct stat st;
    if (!HostPathOf(path, host) || stat(host.c_str(), &st) != 0) return {};
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long long>(st.st_ino));
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakeHostFileSystem() { return std::make_unique<HostFileSystem>(); }

}  // namespace q32
