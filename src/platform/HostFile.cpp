#include "platform/HostFile.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace q32 {
namespace {

// The 64-bit offsets of stdio, which each C library spells its own way.
#ifdef _WIN32
bool SeekStream(std::FILE* f, std::int64_t offset) { return _fseeki64(f, offset, SEEK_SET) == 0; }
std::int64_t TellStream(std::FILE* f) { return _ftelli64(f); }
std::int64_t StreamSize(std::FILE* f) {
  struct _stat64 st;
  return _fstat64(_fileno(f), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}
#else
bool SeekStream(std::FILE* f, std::int64_t offset) { return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0; }
std::int64_t TellStream(std::FILE* f) { return static_cast<std::int64_t>(ftello(f)); }
std::int64_t StreamSize(std::FILE* f) {
  struct stat st;
  return fstat(fileno(f), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}
#endif

class HostFile final : public File {
 public:
  HostFile(std::FILE* f, bool text, std::unique_ptr<char[]> buffer)
      : file_(f), text_(text), buffer_(std::move(buffer)) {}
  HostFile(std::unique_ptr<char[]> contents, std::size_t size, bool text)
      : text_(text), memory_(std::move(contents)), size_(size) {}
  ~HostFile() override { Close(); }

  std::size_t Read(void* buffer, std::size_t n) override {
    if (!Open()) return 0;
    if (!text_ && memory_) {
      std::size_t got = pos_ < size_ ? std::min(n, size_ - pos_) : 0;
      if (got) std::memcpy(buffer, memory_.get() + pos_, got);
      pos_ += got;
      return got;
    }
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
    if (!Open() || size == 0) return false;
    if (size == 1) {
      buffer[0] = '\0';
      return true;
    }
    std::size_t got = 0;
    while (got + 1 < size) {
      int c = text_ ? NextTextChar() : NextChar();
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
    if (!Open() || offset < 0) return false;
    if (memory_) {
      pos_ = static_cast<std::size_t>(offset);
      return true;
    }
    return SeekStream(file_, offset);
  }
  std::int64_t Tell() override {
    if (memory_) return static_cast<std::int64_t>(pos_);
    return file_ ? TellStream(file_) : -1;
  }
  std::int64_t Size() override {
    if (memory_) return static_cast<std::int64_t>(size_);
    return file_ ? StreamSize(file_) : -1;
  }
  bool Flush() override { return memory_ || (file_ && std::fflush(file_) == 0); }
  bool Close() override {
    memory_.reset();
    if (!file_) return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  bool Open() const { return file_ || memory_; }

  int NextChar() {
    if (!memory_) return getc(file_);
    return pos_ < size_ ? static_cast<unsigned char>(memory_[pos_++]) : EOF;
  }

  // Text mode: CR LF reads as LF; a lone CR stays.
  int NextTextChar() {
    int c = NextChar();
    if (c == '\r') {
      int next = NextChar();
      if (next == '\n') return '\n';
      if (next != EOF) {
        if (memory_) --pos_;
        else ungetc(next, file_);
      }
    }
    return c;
  }

  std::FILE* file_ = nullptr;
  bool text_;
  std::unique_ptr<char[]> buffer_;  // stdio's buffer of a written file
  std::unique_ptr<char[]> memory_;  // the whole of a small file read
  std::size_t size_ = 0, pos_ = 0;
};

}  // namespace

std::unique_ptr<File> MakeMemoryFile(std::unique_ptr<char[]> contents, std::size_t size, bool text) {
  return std::make_unique<HostFile>(std::move(contents), size, text);
}

std::unique_ptr<File> MakeStreamFile(std::FILE* f, bool text, bool write) {
  std::unique_ptr<char[]> buffer;
  if (write) {
    buffer = std::make_unique<char[]>(kWriteBuffer);
    std::setvbuf(f, buffer.get(), _IOFBF, kWriteBuffer);
  }
  return std::make_unique<HostFile>(f, text, std::move(buffer));
}

}  // namespace q32
