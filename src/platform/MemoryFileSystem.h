// A whole file system held in memory: the preview keeps every output of its
// run in it, and tests, benchmarks and fuzz targets run thousands of inputs
// on it (the disk would make them slow, and a fuzzer must never touch real
// files).  It behaves as the POSIX host file system does for the program's
// Windows-style paths: "\" and "/" separate, a name that does not exist
// exactly is found again component by component without regard to case,
// drive paths do not exist, text mode writes LF as CR LF and reads CR LF as
// LF.  Paths are kept absolute in host form ("/dir/name").
//
// A program that runs one project again and again (the language server, on
// every change) keeps one memory for its runs and starts each afresh
// (Afresh): every name is then absent as in a new memory, but keeps its
// place, so that a run writing the same files as the one before finds them
// where they were instead of making and ordering their names again.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/NameSet.h"
#include "text/Ascii.h"

namespace q32 {

class MemoryFile final : public File {
 public:
  // Reads and writes go to the shared bytes, as to a file on disk.
  MemoryFile(std::shared_ptr<std::string> bytes, bool text, bool writable)
      : bytes_(std::move(bytes)), text_(text), writable_(writable) {}

  // Whole runs of bytes at a time: fuzz targets read catalogues and
  // projects through here millions of times.
  std::size_t Read(void* buffer, std::size_t n) override {
    auto* out = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < n && Available()) {
      const char* from = bytes_->data() + position_;
      std::size_t take = std::min(n - got, bytes_->size() - position_);
      if (text_) {
        const void* cr = std::memchr(from, '\r', take);
        if (cr) take = static_cast<std::size_t>(static_cast<const char*>(cr) - from);
        if (take == 0) {
          out[got++] = static_cast<char>(Next());
          continue;
        }
      }
      std::memcpy(out + got, from, take);
      got += take;
      position_ += take;
    }
    return got;
  }
  bool GetLine(char* buffer, std::size_t size) override {
    if (size == 0) return false;
    if (size == 1) {
      buffer[0] = '\0';
      return true;
    }
    std::size_t got = 0;
    while (got + 1 < size && Available()) {
      const char* from = bytes_->data() + position_;
      std::size_t take = std::min(size - 1 - got, bytes_->size() - position_);
      const void* lf = std::memchr(from, '\n', take);
      if (lf) take = static_cast<std::size_t>(static_cast<const char*>(lf) - from) + 1;
      if (text_) {
        const void* cr = std::memchr(from, '\r', take);
        if (cr) take = static_cast<std::size_t>(static_cast<const char*>(cr) - from);
        if (take == 0) {
          char c = static_cast<char>(Next());
          buffer[got++] = c;
          if (c == '\n') break;
          continue;
        }
      }
      std::memcpy(buffer + got, from, take);
      got += take;
      position_ += take;
      if (buffer[got - 1] == '\n') break;
    }
    buffer[got] = '\0';
    return got > 0;
  }
  bool Write(const void* data, std::size_t n) override {
    if (!writable_ || closed_) return false;
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
      std::size_t take = n;
      const void* lf = text_ ? std::memchr(p, '\n', n) : nullptr;
      if (lf) take = static_cast<std::size_t>(static_cast<const char*>(lf) - p);
      Put(p, take);
      if (lf) {
        Put("\r\n", 2);
        ++take;
      }
      p += take;
      n -= take;
    }
    return true;
  }
  bool Seek(std::int64_t offset) override {
    if (offset < 0 || closed_) return false;
    position_ = static_cast<std::size_t>(offset);
    return true;
  }
  std::int64_t Tell() override { return closed_ ? -1 : static_cast<std::int64_t>(position_); }
  std::int64_t Size() override { return closed_ ? -1 : static_cast<std::int64_t>(bytes_->size()); }
  bool Flush() override { return !closed_; }
  bool Close() override {
    closed_ = true;
    return true;
  }

 private:
  bool Available() const { return !closed_ && position_ < bytes_->size(); }
  int Next() {
    if (closed_ || position_ >= bytes_->size()) return -1;
    char c = (*bytes_)[position_++];
    if (text_ && c == '\r' && position_ < bytes_->size() && (*bytes_)[position_] == '\n') c = (*bytes_)[position_++];
    return static_cast<unsigned char>(c);
  }
  void Put(const char* p, std::size_t n) {
    std::string& bytes = *bytes_;
    if (position_ > bytes.size()) bytes.resize(position_, '\0');
    std::size_t over = std::min(n, bytes.size() - position_);
    bytes.replace(position_, over, p, n);
    position_ += n;
  }

  std::shared_ptr<std::string> bytes_;
  bool text_, writable_;
  bool closed_ = false;
  std::size_t position_ = 0;
};

class MemoryFileSystem final : public FileSystem {
 private:
  struct Entry {
    bool isDirectory = true;
    std::shared_ptr<std::string> bytes;
    std::uint64_t version = 0;
    std::uint64_t run = 0;  // the run (Afresh) that stored it: of another, it is absent
    // The names stored under the same key without regard to case, this one
    // among them (none for the root).
    std::set<std::string>* variants = nullptr;
  };
  using Entries = std::map<std::string, Entry, std::less<>>;

 public:
  MemoryFileSystem() { Insert("/"); }

  // Forgets every file and directory, as a new memory would have none: a
  // name not made again in the next run stays absent.  The names of this
  // run keep their places for the next (those it wrote again are found,
  // not made anew); the others are dropped, so the memory holds no more
  // than one run wrote.
  void Afresh() {
    for (auto it = entries_.begin(); it != entries_.end();)
      it = it->first != "/" && !Live(it->second) ? Erase(it) : std::next(it);
    // The names of this run alone: a name of the last run not stored again
    // is known absent at one look, as in a new memory.
    everStored_.Clear();
    everStored_.Insert("/");
    ++run_;
    entries_.find("/")->second.run = run_;
    lastFolder_.clear();
    cwd_ = "/";
    reason_.clear();
  }

  // Puts a file (and the directories above it) in place; the path is
  // absolute, or taken against the current directory.
  void AddFile(std::string_view path, std::string bytes) {
    std::string full = Absolute(path);
    lastFolder_.clear();  // the name may have been a folder
    AddDirectories(ParentOf(full));
    Entry& entry = Insert(full);
    entry.isDirectory = false;
    entry.bytes = std::make_shared<std::string>(std::move(bytes));
    entry.version = ++versions_;
  }
  void AddDirectory(std::string_view path) { AddDirectories(Absolute(path)); }
  // The bytes of a file, or nullptr.
  const std::string* FileBytes(std::string_view path) {
    std::string full;
    if (!MayBeStored(path) || !Resolve(path, full)) return nullptr;
    auto it = Find(full);
    return it == entries_.end() || it->second.isDirectory ? nullptr : it->second.bytes.get();
  }
  // Exists for an absolute name in host form (as the overlay keeps its
  // outputs), whose own spelling is the one a name ever stored has: a name
  // never stored costs one look.
  bool Holds(std::string_view full) {
    std::string resolved;
    return everStored_.Find(full) && Resolve(full, resolved) && Stored(resolved);
  }
  // Every file and directory below the root, host form.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& [name, entry] : entries_)
      if (name != "/" && Live(entry)) names.push_back(name);
    return names;
  }

  std::unique_ptr<File> Open(std::string_view path, FileMode mode) override {
    std::string full;
    auto fail = [this](const char* why) {
      reason_ = why;
      return nullptr;
    };
    bool write = mode == FileMode::WriteBinary || mode == FileMode::WriteText;
    if (!write && !MayBeStored(path)) return fail(Resolvable(path) ? "no such file" : "no such directory");
    if (!Resolve(path, full)) return fail("no such directory");
    bool text = mode == FileMode::ReadText || mode == FileMode::WriteText;
    auto it = Find(full);
    if (it != entries_.end() && it->second.isDirectory) return fail("it is a directory");
    if (!write) {
      if (it == entries_.end()) return fail("no such file");
      return std::make_unique<MemoryFile>(it->second.bytes, text, false);
    }
    auto parent = Find(ParentView(full));
    if (parent == entries_.end() || !parent->second.isDirectory) return fail("no such directory");
    return std::make_unique<MemoryFile>(Created(full, std::make_shared<std::string>()), text, true);
  }
  // The bytes are kept as they are: a file opened for writing later gets
  // bytes of its own.
  PutResult PutShared(std::string_view path, std::shared_ptr<std::string> bytes) override {
    std::string full;
    if (!Joined(path, full)) return PutResult::NotCreated;
    // Mostly a new file in a stored folder, named as written: one descent
    // finds where it goes.
    const auto at = entries_.lower_bound(full);
    const std::size_t slash = full.rfind('/');
    const bool named = at != entries_.end() && at->first == full;
    if ((!named || !Live(at->second)) && slash != 0 && slash != std::string::npos && slash + 1 < full.size() &&
        FolderStored(std::string_view(full).substr(0, slash))) {
      if (named) {
        // Written by the run before (a softkey put again): found where it
        // was, unless a name of another case is there now, which the slow
        // way finds.
        if (at->second.variants && at->second.variants->size() == 1) {
          Revive(at->first, at->second);
          at->second.isDirectory = false;
          at->second.bytes = std::move(bytes);
          at->second.version = ++versions_;
          return PutResult::Written;
        }
      } else {
        // A name stored in another case, now or before, is found as the
        // slow way finds it.
        const auto [names, fresh] = folded_.try_emplace(FoldedKey(full));
        if (fresh) {
          const auto it = entries_.emplace_hint(at, std::move(full), Entry{});
          everStored_.Insert(it->first);
          names->second.insert(it->first);
          it->second.variants = &names->second;
          it->second.run = run_;
          it->second.isDirectory = false;
          it->second.bytes = std::move(bytes);
          it->second.version = ++versions_;
          return PutResult::Written;
        }
      }
    }
    if (!Resolve(path, full)) return PutResult::NotCreated;
    auto it = Find(full);
    if (it != entries_.end()) {
      // A file written again (Resolve found it, so its folder is there).
      if (it->second.isDirectory) return PutResult::NotCreated;
      it->second.bytes = std::move(bytes);
      it->second.version = ++versions_;
      return PutResult::Written;
    }
    const auto parent = Find(ParentView(full));
    if (parent == entries_.end() || !parent->second.isDirectory) return PutResult::NotCreated;
    Created(full, std::move(bytes));
    return PutResult::Written;
  }
  std::string FailureReason() override { return reason_; }
  bool Exists(std::string_view path) override {
    std::string full;
    return MayBeStored(path) && Resolve(path, full) && Stored(full);
  }
  bool IsDirectory(std::string_view path) override {
    std::string full;
    if (!MayBeStored(path) || !Resolve(path, full)) return false;
    auto it = Find(full);
    return it != entries_.end() && it->second.isDirectory;
  }
  // As the C library's remove: a file, or an empty directory.
  bool Remove(std::string_view path) override {
    std::string full;
    if (!Resolve(path, full) || full == "/") return false;
    auto it = Find(full);
    if (it == entries_.end()) return false;
    if (it->second.isDirectory && HasChildren(full)) return false;
    Erase(it);
    return true;
  }
  bool GetCurrentDir(std::string& out) override {
    out = cwd_;
    return true;
  }
  bool SetCurrentDir(std::string_view path) override {
    std::string full;
    if (!Resolve(path, full) || !IsDirectory(full)) return false;
    cwd_ = full;
    return true;
  }
  bool FullPath(std::string_view path, std::string& out) override {
    if (!Plain(path) || HasForeignRoot(path)) return FullHostPath(path, cwd_, out);
    out = path[0] == '/' ? std::string() : cwd_ == "/" ? "/" : cwd_ + "/";
    out.append(path);
    return true;
  }
  bool FindFiles(std::string_view directory, std::string_view pattern,
                 std::vector<DirectoryEntry>& out) override {
    out.clear();
    std::string dir;
    if (!Resolve(directory.empty() ? std::string_view(".") : directory, dir) || !IsDirectory(dir)) return false;
    std::string prefix = dir == "/" ? dir : dir + "/";
    for (auto it = entries_.lower_bound(prefix); it != entries_.end() && StartsWith(it->first, prefix); ++it) {
      if (!Live(it->second)) continue;
      std::string_view name = std::string_view(it->first).substr(prefix.size());
      if (name.empty() || name.find('/') != std::string_view::npos) continue;
      if (!WildcardMatch(pattern, name)) continue;
      out.push_back({std::string(name), it->second.isDirectory});
    }
    return true;
  }
  bool MakeDirectory(std::string_view path) override {
    std::string full;
    if (!Resolve(path, full) || Stored(full)) return false;
    auto parent = Find(ParentView(full));
    if (parent == entries_.end() || !parent->second.isDirectory) return false;
    (void)Insert(full);  // a directory, as an entry is made
    return true;
  }
  std::string FileIdentity(std::string_view path) override {
    std::string full;
    return MayBeStored(path) && Resolve(path, full) && Stored(full) ? full : std::string();
  }
  // Renewed with every creation of the file, and its size.
  std::string FileVersion(std::string_view path) override {
    std::string full;
    if (!MayBeStored(path) || !Resolve(path, full)) return kAbsentFile;
    const auto it = Find(full);
    if (it == entries_.end()) return kAbsentFile;
    if (it->second.isDirectory) return "directory";
    return std::to_string(it->second.version) + ":" + std::to_string(it->second.bytes->size());
  }

 private:
  std::string reason_;  // why the last Open failed
  bool Live(const Entry& entry) const { return entry.run == run_; }
  // A name stored by an earlier run made anew, as a new entry (a directory).
  void Revive(const std::string& full, Entry& entry) {
    everStored_.Insert(full);
    std::set<std::string>* const variants = entry.variants;
    entry = Entry{};
    entry.variants = variants;
    entry.run = run_;
  }
  // The entry of a name stored in this run, or end().
  Entries::iterator Find(std::string_view full) {
    const auto it = entries_.find(full);
    return it == entries_.end() || Live(it->second) ? it : entries_.end();
  }
  bool Stored(std::string_view full) { return Find(full) != entries_.end(); }
  // The first of names (in name order) stored in this run, or null.
  const std::string* FirstLive(const std::set<std::string>& names) {
    for (const std::string& name : names)
      if (Stored(name)) return &name;
    return nullptr;
  }

  static bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
  }
  static std::string ParentOf(const std::string& full) { return std::string(ParentView(full)); }
  static std::string_view ParentView(std::string_view full) {
    std::size_t slash = full.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : full.substr(0, slash);
  }
  // A name without backslashes, empty components, "." or ".." and trailing
  // separator, which FullHostPath would only join to the current directory.
  // One pass over the separators: every name a run asks about passes here.
  static bool Plain(std::string_view path) {
    if (path.empty() || path[0] == '.' || path.back() == '/' || path.find('\\') != std::string_view::npos)
      return false;
    // None is the last character: each is followed by a name.
    for (std::size_t at = path.find('/'); at != std::string_view::npos; at = path.find('/', at + 1))
      if (path[at + 1] == '/' || path[at + 1] == '.') return false;
    return true;
  }
  std::string Absolute(std::string_view path) {
    std::string full;
    FullHostPath(path, cwd_, full);
    while (full.size() > 1 && full.back() == '/') full.pop_back();
    return full;
  }
  void AddDirectories(const std::string& full) {
    if (full == "/") return;
    AddDirectories(ParentOf(full));
    Entry& entry = Insert(full);
    entry.isDirectory = true;
    entry.bytes.reset();
  }
  bool HasChildren(const std::string& dir) const {
    const std::string prefix = dir + "/";
    for (auto it = entries_.lower_bound(prefix); it != entries_.end() && StartsWith(it->first, prefix); ++it)
      if (Live(it->second)) return true;
    return false;
  }
  // Whether a path can name an entry: its whole name without regard to case
  // is that of one stored now or before.  The overlay asks about every file
  // of the host a run reads, which are nearly all not here: they are known
  // so without a look-up per component of their paths.
  bool MayBeStored(std::string_view path) {
    // A full path in host form (all the overlay asks about) is looked up as
    // it is.
    if (Plain(path) && path[0] == '/') return everStored_.Find(path);
    std::string full;
    if (!Joined(path, full)) return false;
    while (full.size() > 1 && full.back() == '/') full.pop_back();
    return everStored_.Find(full);
  }
  bool Resolvable(std::string_view path) {
    std::string full;
    return Joined(path, full);
  }
  // The path taken against the current directory, as Resolve takes it.
  bool Joined(std::string_view path, std::string& full) {
    if (path.empty() || HasForeignRoot(path)) return false;
    if (Plain(path)) {
      if (path[0] != '/') full = cwd_ == "/" ? "/" : cwd_ + "/";
      full.append(path);
      return true;
    }
    return FullHostPath(path, cwd_, full) && !full.empty() && full[0] == '/';
  }
  // The stored name of a path: exact when it exists, else found component
  // by component without regard to case (the first match in name order);
  // components that match nothing stay as written.
  bool Resolve(std::string_view path, std::string& out) {
    // Most names are plain already: no need to split and join them.
    std::string full;
    if (!Joined(path, full)) return false;
    if (Stored(full)) {
      out = full;
      return true;
    }
    // A new file in a stored directory (every output a run writes): its
    // directories are as written, only its own name is looked up.
    // (A stored directory's own directories are stored too.)
    if (const std::size_t slash = full.rfind('/');
        slash != 0 && slash != std::string::npos && slash + 1 < full.size() &&
        Stored(std::string_view(full).substr(0, slash))) {
      const auto found = folded_.find(FoldedKey(full));
      const std::string* live = found != folded_.end() ? FirstLive(found->second) : nullptr;
      out = live ? *live : full;
      return true;
    }
    // Every stored name's directories are stored too: below a component
    // that matches nothing, nothing can match, and is not looked up.
    std::string built;
    std::size_t start = 1;
    bool stored = true;
    while (start <= full.size()) {
      std::size_t end = full.find('/', start);
      if (end == std::string::npos) end = full.size();
      std::string part = full.substr(start, end - start);
      start = end + 1;
      if (part.empty()) continue;
      std::string candidate = built + "/" + part;
      if (stored && !Stored(candidate)) {
        auto found = folded_.find(built + "/" + UpperCase(part));
        const std::string* live = found != folded_.end() ? FirstLive(found->second) : nullptr;
        if (live) candidate = *live;
        else stored = false;
      }
      built = candidate;
    }
    out = built.empty() ? "/" : built;
    return true;
  }

  // A file made anew with its bytes.
  const std::shared_ptr<std::string>& Created(const std::string& full, std::shared_ptr<std::string> bytes) {
    Entry& entry = Insert(full);
    entry.isDirectory = false;
    entry.bytes = std::move(bytes);
    entry.version = ++versions_;
    return entry.bytes;
  }
  // The stored entry of a name, and its key without regard to case: the
  // directory's path, "/", the name in upper case.
  Entry& Insert(const std::string& full) {
    auto [it, fresh] = entries_.try_emplace(full);
    if (fresh) {
      it->second.run = run_;
      Noted(it->second, full, full != "/" ? FoldedKey(full) : std::string());
    } else if (!Live(it->second)) {
      Revive(it->first, it->second);
    }
    return it->second;
  }
  // A name stored anew, under its keys without regard to case (the root
  // has no folded key).
  void Noted(Entry& entry, const std::string& full, std::string folded) {
    everStored_.Insert(full);
    if (folded.empty()) return;
    std::set<std::string>& names = folded_[std::move(folded)];
    names.insert(full);
    entry.variants = &names;
  }
  Entries::iterator Erase(Entries::iterator it) {
    lastFolder_.clear();
    auto folded = folded_.find(FoldedKey(it->first));
    if (folded != folded_.end() && folded->second.erase(it->first) && folded->second.empty()) folded_.erase(folded);
    return entries_.erase(it);
  }
  static std::string FoldedKey(const std::string& full) {
    const std::size_t slash = full.rfind('/');
    std::string key = full;
    for (std::size_t at = slash + 1; at < key.size(); ++at) key[at] = UpperAscii(key[at]);
    return key;
  }

  // Whether a name is a stored folder.  Most files go into the folder of
  // the one before, known so without a look-up.
  bool FolderStored(std::string_view folder) {
    if (!lastFolder_.empty() && folder == lastFolder_) return true;
    const auto it = Find(folder);
    if (it == entries_.end() || !it->second.isDirectory) return false;
    lastFolder_.assign(folder);
    return true;
  }

  Entries entries_;
  std::string lastFolder_;  // a stored folder, or empty; forgotten when a name is erased or made a file
  // Every stored name under its key without regard to case, so that a name
  // found again component by component costs a look-up per component, not a
  // walk through everything below its directory (the preview keeps
  // thousands of outputs in one directory); the first in name order wins.
  std::unordered_map<std::string, std::set<std::string>> folded_;
  // Every name stored since the memory was made or started afresh, without
  // regard to case: a superset of what is stored now (removals leave their
  // names), which is all MayBeStored needs.
  NameSet everStored_{true};
  std::string cwd_ = "/";
  std::uint64_t versions_ = 0;
  std::uint64_t run_ = 0;  // the entries stored since the last Afresh have it
};

}  // namespace q32
