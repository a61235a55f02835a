// The POSIX host file system; windows/WindowsFileSystem.cpp is the native Windows one.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <initializer_list>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/HostFile.h"
#include "platform/HostPath.h"
#include "platform/NameSet.h"

namespace q32 {
namespace {

// Reads a small regular file whole: one open, one read, one close.
std::unique_ptr<File> ReadWhole(const std::string& path, const struct stat& st, bool text) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  const std::size_t want = static_cast<std::size_t>(st.st_size) + 1;
  auto contents = std::make_unique<char[]>(want);
  std::size_t got = 0;
  // A short read of a regular file is its end; a file that grew since it was
  // looked at is read up to the size seen plus one byte.
  while (got < want) {
    ssize_t n = read(fd, contents.get() + got, want - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
    if (got < want) break;
  }
  close(fd);
  return MakeMemoryFile(std::move(contents), got, text);
}

// The place a program path names on the host, with what stat said of it.
struct HostPlace {
  std::string path;
  bool exists = false;
  struct stat st {};
};

// Numbers kept side by side, as their bytes, in one string: a run asks for
// the identity and version of every file and only compares them, so they
// need not be written out in digits.
std::string NumbersBytes(std::initializer_list<long long> numbers) {
  return std::string(reinterpret_cast<const char*>(numbers.begin()), numbers.size() * sizeof(long long));
}

std::string IdentityOf(const struct stat& st) {
  return NumbersBytes({static_cast<long long>(st.st_dev), static_cast<long long>(st.st_ino)});
}

// The host's words for an error number, as a report's reason.
std::string HostReason(int error) {
  std::string text = std::strerror(error);
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && (text.size() < 2 || text[1] > 'Z'))
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

class HostFileSystem final : public FileSystem {
 public:
  HostFileSystem() = default;
  HostFileSystem(const HostFileSystem&) = delete;
  HostFileSystem& operator=(const HostFileSystem&) = delete;
  ~HostFileSystem() override { StopAhead(); }

  std::string FailureReason() override { return reason_; }

  std::unique_ptr<File> Open(std::string_view path, FileMode mode) override {
    HostPlace place;
    auto fail = [this](std::string why) {
      reason_ = std::move(why);
      return nullptr;
    };
    if (!Resolve(path, place))
      return fail(HasForeignRoot(path) ? "a drive or network path has no place on this host" : "no such directory");
    const bool write = mode == FileMode::WriteBinary || mode == FileMode::WriteText;
    if (place.exists && S_ISDIR(place.st.st_mode)) return fail("it is a directory");
    if (!place.exists && !write) return fail("no such file");
    const bool text = mode == FileMode::ReadText || mode == FileMode::WriteText;
    if (!write && S_ISREG(place.st.st_mode) && place.st.st_size < kReadWholeLimit) {
      std::unique_ptr<File> file = ReadWhole(place.path, place.st, text);
      return file ? std::move(file) : fail(HostReason(errno));
    }
    if (write) Moved();
    std::FILE* f = std::fopen(place.path.c_str(), write ? "wb" : "rb");
    if (!f) return fail(HostReason(errno));
    if (write && !place.exists) NoteCreated(place.path);
    return MakeStreamFile(f, text, write);
  }

  bool Exists(std::string_view path) override {
    HostPlace place;
    return Resolve(path, place) && place.exists;
  }

  bool IsDirectory(std::string_view path) override {
    HostPlace place;
    return Resolve(path, place) && place.exists && S_ISDIR(place.st.st_mode);
  }

  bool Remove(std::string_view path) override {
    HostPlace place;
    Moved();
    if (!Resolve(path, place) || std::remove(place.path.c_str()) != 0) return false;
    ForgetListing(place.path);
    return true;
  }

  // The current directory is asked of the host once and again only after the
  // run changes it: every name a run shows or guards is made full against it.
  bool GetCurrentDir(std::string& out) override {
    if (cwd_.empty()) {
      char buffer[PATH_MAX];
      if (!getcwd(buffer, sizeof buffer)) return false;
      cwd_ = buffer;
    }
    out = cwd_;
    return true;
  }

  bool SetCurrentDir(std::string_view path) override {
    HostPlace place;
    if (!Resolve(path, place) || chdir(place.path.c_str()) != 0) return false;
    // A run begins by going into its project's folder, mostly the one it is
    // in already: what it saw there stands.
    const std::string before = std::move(cwd_);
    cwd_.clear();
    std::string now;
    if (!before.empty() && GetCurrentDir(now) && now == before) return true;
    fullPaths_ = nullptr;
    lastFullPath_ = nullptr;
    LetGo();
    return true;
  }

  bool FullPath(std::string_view path, std::string& out) override {
    const std::string* full = FullPathOf(path);
    if (full) out = *full;
    return full != nullptr;
  }

  bool FindFiles(std::string_view directory, std::string_view pattern,
                 std::vector<DirectoryEntry>& out) override {
    out.clear();
    HostPlace place;
    if (!Resolve(directory.empty() ? std::string_view(".") : directory, place)) return false;
    DIR* dir = opendir(place.path.c_str());
    if (!dir) return false;
    while (dirent* e = readdir(dir)) {
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      if (!WildcardMatch(pattern, name)) continue;
      struct stat st;
      std::string full = place.path + "/" + name;
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
    HostPlace place;
    Moved();
    if (!Resolve(path, place) || mkdir(place.path.c_str(), 0777) != 0) return false;
    ForgetListing(place.path);
    return true;
  }

  std::string FileIdentity(std::string_view path) override {
    // The guard asks for the identity of every output before the run makes
    // it: one its folder's listing lacks has none, known without a place.
    if (still_ && path.size() <= kShortName) {
      char direct[kShortName];
      std::replace_copy(path.begin(), path.end(), direct, '\\', '/');
      if (ListedAsMissing(std::string_view(direct, path.size()))) return {};
    }
    HostPlace scratch;
    const HostPlace* place = PlaceOf(path, scratch);
    return place && place->exists ? IdentityOf(place->st) : std::string();
  }

  // The identity, the size and the time of the last change to content or
  // inode (seconds and nanoseconds).
  std::string FileVersion(std::string_view path) override {
    HostPlace scratch;
    const HostPlace* place = PlaceOf(path, scratch);
    if (!place || !place->exists) return kAbsentFile;
    const struct stat& st = place->st;
    return NumbersBytes({static_cast<long long>(st.st_dev), static_cast<long long>(st.st_ino),
                        static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
                        static_cast<long long>(st.st_mtim.tv_nsec), static_cast<long long>(st.st_ctim.tv_sec),
                        static_cast<long long>(st.st_ctim.tv_nsec)});
  }

  void HoldStill(bool still) override {
    LetGo();
    still_ = still;
    if (still) StartAhead();
  }

  bool HostName(std::string_view path, std::string& out) override {
    HostPlace place;
    std::string cwd;
    return Resolve(path, place) && GetCurrentDir(cwd) && FullHostPath(place.path, cwd, out);
  }

 private:
  std::string reason_;  // why the last Open failed

  // One file the second thread looks at ahead of the run: pending, being
  // looked at by that thread (and waited for by the run's), done, or taken
  // by the run's thread (which looks itself at one the other has not begun).
  // The thread wakes the run's only when it waits: a wake is a system call.
  static constexpr int kPending = 0, kLooking = 1, kWaited = 2, kDone = 3, kTaken = 4;
  struct AheadSlot {
    const std::string* key = nullptr;  // the full path
    std::atomic<int> state{kPending};
    bool looked = false;  // stat found it
    struct stat st {};
  };
  struct Seen {
    HostPlace place;
    bool found = false;
    std::uint64_t period = 0;    // the period it was looked at in
    std::uint64_t hold = 0;      // the last hold that asked for it
    std::uint64_t recorded = 0;  // the last hold that found it as written
    std::size_t ahead = SIZE_MAX;  // its slot in the look ahead
  };
  using Places = std::unordered_map<std::string, Seen>;
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  // A name asked for in one current directory: its full path (kNoFullPath
  // for one that has none), the name asked for after it the last time, and
  // its place.
  struct FullName {
    std::string full;
    std::pair<const std::string, FullName>* next = nullptr;
    Places::value_type* place = nullptr;  // in places_, once a held-still run asked for it
  };
  using FullPaths = std::unordered_map<std::string, FullName, NameHash, std::equal_to<>>;
  // The names of one host directory without regard to case, each lower-case
  // form standing for the first name in name order that has that form.
  struct Listing {
    struct timespec modified {};
    NameSet names{true};
  };

  // The listing of a directory (a host path ending in "/", or empty for the
  // current one).  A directory is read once and again only when its
  // modification time says that something other than this run changed it, so
  // the thousandth softkey of a directory costs what the first did.
  const Listing* ListingOf(const std::string& dir) {
    const std::string at = dir.empty() ? "." : dir;
    if (still_)
      if (const auto seen = seenListings_.find(at); seen != seenListings_.end()) return seen->second;
    struct stat st;
    if (stat(at.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
    auto [it, fresh] = listings_.try_emplace(IdentityOf(st));
    Listing& listing = it->second;
    if (fresh || listing.modified.tv_sec != st.st_mtim.tv_sec ||
        listing.modified.tv_nsec != st.st_mtim.tv_nsec) {
      listing.names.Clear();
      listing.modified = st.st_mtim;
      DIR* d = opendir(at.c_str());
      if (!d) {
        listings_.erase(it);
        return nullptr;
      }
      while (dirent* e = readdir(d)) Enter(listing, e->d_name);
      closedir(d);
    }
    if (still_) seenListings_.emplace(at, &listing);
    return &listing;
  }

  // The name in a directory that equals part without regard to case.
  bool Match(const std::string& dir, const std::string& part, std::string_view& found) {
    const Listing* listing = ListingOf(dir);
    return listing && listing->names.Find(part, &found);
  }

  static void Enter(Listing& listing, std::string_view name) {
    std::string_view stored;
    if (!listing.names.Find(name, &stored)) listing.names.Insert(name);
    else if (name < stored) listing.names.Replace(name);
  }

  static std::string DirectoryPart(const std::string& host) {
    std::size_t slash = host.find_last_of('/');
    return slash == std::string::npos ? std::string() : host.substr(0, slash + 1);
  }

  // A file this run created joins the listing of its directory, which stays
  // as current as it was before.
  void NoteCreated(const std::string& host) {
    const std::string dir = DirectoryPart(host);
    struct stat st;
    if (stat(dir.empty() ? "." : dir.c_str(), &st) != 0) return;
    auto it = listings_.find(IdentityOf(st));
    if (it == listings_.end()) return;
    Enter(it->second, host.substr(dir.size()));
    it->second.modified = st.st_mtim;
  }

  // Removing changes which name of a lower-case form comes first: the
  // directory is read again at its next lookup.
  void ForgetListing(const std::string& host) {
    std::string dir = DirectoryPart(host);
    if (!dir.empty() && dir.size() == host.size()) dir = DirectoryPart(host.substr(0, host.size() - 1));
    struct stat st;
    if (stat(dir.empty() ? "." : dir.c_str(), &st) == 0) listings_.erase(IdentityOf(st));
  }

  // The host place of a program path: "\" becomes "/"; a name that exists as
  // written is taken at once; otherwise every component that does not exist
  // as written is looked up in its directory without regard to case (the
  // first match in name order wins), and components that match nothing are
  // kept as written.  False for paths that cannot exist on this host.
  bool Resolve(std::string_view path, HostPlace& place) {
    const HostPlace* found = PlaceOf(path, place);
    if (found && found != &place) place = *found;
    return found != nullptr;
  }

  // FullPath without a copy, or null.
  const std::string* FullPathOf(std::string_view path) {
    FullName* name = NameOf(path);
    return name && name->full != kNoFullPath ? &name->full : nullptr;
  }

  // What is known of a name in the current directory, or null when that
  // directory is not known.
  FullName* NameOf(std::string_view path) {
    // Every file a run opens or asks about passes here, most of them many
    // times (a softkey's source and output at each layer of the run's file
    // system): a name is made full once for the current directory, which
    // is all a full path depends on.
    if (!fullPaths_) {
      std::string cwd;
      if (!GetCurrentDir(cwd)) return nullptr;
      // A full path is the directory's and the name's alone: those of a
      // directory the program was in before are good again.
      fullPaths_ = &fullPathsIn_[cwd];
    }
    // The layers of a run's file system ask for one name several times in
    // a row (a softkey file's, as it is guarded, put and noted), and a run
    // asks for the names in the order the last one did (a softkey's source
    // by its name in the project, then by its full path, then its output):
    // the name asked for after the last one the time before is tried before
    // the table, whose entries lie scattered in memory.
    if (!lastFullPath_ || lastFullPath_->first != path) {
      FullPaths::value_type* last = lastFullPath_;
      if (last && last->second.next && last->second.next->first == path) {
        lastFullPath_ = last->second.next;
      } else {
        auto it = fullPaths_->find(path);
        if (it == fullPaths_->end()) {
          std::string full;
          if (!FullHostPath(path, cwd_, full)) full = kNoFullPath;
          it = fullPaths_->emplace(std::string(path), FullName{std::move(full)}).first;
        }
        lastFullPath_ = &*it;
        if (last) last->second.next = lastFullPath_;
      }
      if (lastFullPath_->second.next) __builtin_prefetch(lastFullPath_->second.next);
    }
    return &lastFullPath_->second;
  }

  // Resolve without a copy: the place seen while held still, else the one
  // looked up into scratch; null where Resolve is false.
  const HostPlace* PlaceOf(std::string_view path, HostPlace& scratch) {
    if (!still_) return Look(path, scratch) ? &scratch : nullptr;
    // Held still: each file once, whatever name the run gives it (a
    // softkey's source is asked for by its name in the project and by its
    // full path); a name that climbs with ".." by itself, as a link it
    // passes through may lead elsewhere than its full path.
    FullName* name = path.find("..") == std::string_view::npos ? NameOf(path) : nullptr;
    const std::string* full = name && name->full != kNoFullPath ? &name->full : nullptr;
    Places::value_type* it;
    if (full) {
      // The name keeps its place: one table fewer to look in.
      if (!name->place) name->place = &*places_.try_emplace(*full).first;
      it = name->place;
    } else {
      it = &*places_.try_emplace("\n" + std::string(path)).first;
    }
    Seen& seen = it->second;
    if (seen.period != period_) {
      seen.period = period_;
      if (seen.hold != hold_) {
        seen.hold = hold_;
        ++seenInHold_;
      }
      // A file the last run found as written is looked at in the order
      // that run asked for it, and the next run looks ahead at it.
      bool asWritten = false;
      seen.found = Look(path, seen.place, full ? AheadOf(seen, it->first) : nullptr, &asWritten);
      if (full && asWritten && seen.recorded != hold_) {
        seen.recorded = hold_;
        recorded_.push_back(&*it);
      }
    }
    return seen.found ? &seen.place : nullptr;
  }

  // What that resolution finds on the host; the look ahead's slot, if
  // given, holds what the second thread saw of the name's full path.
  bool Look(std::string_view path, HostPlace& place, AheadSlot* ahead = nullptr, bool* asWritten = nullptr) {
    if (path.empty() || HasForeignRoot(path)) return false;
    std::string direct(path);
    std::replace(direct.begin(), direct.end(), '\\', '/');
    if (ListedAsMissing(direct)) {
      place.path = std::move(direct);
      place.exists = false;
      return true;
    }
    if ((ahead && TakeAhead(*ahead, direct, place.st)) || stat(direct.c_str(), &place.st) == 0) {
      place.path = std::move(direct);
      place.exists = true;
      if (asWritten) *asWritten = true;
      return true;
    }
    // Mostly only the last name is not as written (an output not yet made,
    // a name in another case) while its directory is: one look at the
    // directory's listing decides.
    const std::size_t slash = direct.find_last_of('/');
    const std::string last = direct.substr(slash == std::string::npos ? 0 : slash + 1);
    if (!last.empty() && last != "." && last != "..") {
      const std::string dir = slash == std::string::npos ? std::string() : direct.substr(0, slash + 1);
      if (const Listing* listing = ListingOf(dir)) {
        std::string_view found;
        const bool listed = listing->names.Find(last, &found);
        place.path = listed ? dir + std::string(found) : direct;
        place.exists = listed && stat(place.path.c_str(), &place.st) == 0;
        return true;
      }
    }
    const bool absolute = direct[0] == '/';
    std::string built = absolute ? "/" : "";
    bool matching = true;
    const std::vector<std::string> parts = PathComponents(direct);
    struct stat st;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const std::string& part = parts[i];
      std::string candidate = built + part;
      if (matching && stat(candidate.c_str(), &st) != 0) {
        std::string_view found;
        if (part != "." && part != ".." && Match(built, part, found)) candidate = built + std::string(found);
        else matching = false;
      }
      built = candidate;
      if (i + 1 < parts.size()) built += '/';
    }
    if (direct.back() == '/' && !built.empty() && built.back() != '/') built += '/';
    if (built.empty()) built = absolute ? "/" : ".";
    place.path = built;
    place.exists = matching && stat(built.c_str(), &place.st) == 0;
    return true;
  }

  // Held still, a name (with "/" only) that the listing of its directory,
  // seen in this run, lacks is not there: an output not yet made costs no
  // look of its own.
  bool ListedAsMissing(std::string_view direct) const {
    if (!still_) return false;
    const std::size_t slash = direct.find_last_of('/');
    const auto seen = seenListings_.find(slash == std::string::npos ? std::string_view(".") : direct.substr(0, slash + 1));
    const std::string_view last = direct.substr(slash == std::string::npos ? 0 : slash + 1);
    return seen != seenListings_.end() && !last.empty() && last != "." && last != ".." &&
           !seen->second->names.Find(last, nullptr);
  }

  // The longest name turned to host form on the stack.
  static constexpr std::size_t kShortName = 256;
  // What a name's full path cannot be: a name that has none.
  static constexpr std::string_view kNoFullPath{"\0", 1};
  // Forgets what was seen while held still.
  void LetGo() {
    StopAhead();
    ++period_;
    seenListings_.clear();
  }

  // Held still again: the second thread looks at the files the last
  // held-still run found as written, in the order it asked for them, so
  // that this run mostly finds each looked at already.  Every look is this
  // run's own, made after it began: an edit made outside the editor meanwhile
  // is seen.
  void StartAhead() {
    // Names that no run asks for any more are forgotten once they outnumber
    // those the last one asked for.
    if (places_.size() > 2 * seenInHold_ + 4096) {
      std::erase_if(places_, [this](const auto& entry) { return entry.second.hold != hold_; });
      for (auto& [cwd, names] : fullPathsIn_)
        for (auto& [path, name] : names) name.place = nullptr;
    }
    ++hold_;
    seenInHold_ = 0;
    const std::size_t count = recorded_.size();
    if (count > aheadCapacity_) {
      aheadSlots_ = std::make_unique<AheadSlot[]>(count);
      aheadCapacity_ = count;
    }
    for (std::size_t i = 0; i < count; ++i) {
      AheadSlot& slot = aheadSlots_[i];
      slot.key = &recorded_[i]->first;
      slot.state.store(kPending, std::memory_order_relaxed);
      recorded_[i]->second.ahead = i;
    }
    recorded_.clear();
    if (count == 0) return;
    aheadCount_ = count;
    try {
      ahead_ = std::thread([slots = aheadSlots_.get(), count, &stop = stopAhead_] { LookAhead(slots, count, stop); });
    } catch (const std::system_error&) {
      aheadCount_ = 0;  // no second thread: this one looks at every file itself
    }
  }

  // The second thread: each file not yet claimed by the run, in order.
  static void LookAhead(AheadSlot* slots, std::size_t count, const std::atomic<bool>& stop) {
    for (std::size_t i = 0; i < count && !stop.load(std::memory_order_relaxed); ++i) {
      AheadSlot& slot = slots[i];
      int state = kPending;
      if (!slot.state.compare_exchange_strong(state, kLooking, std::memory_order_acquire)) continue;
      slot.looked = stat(slot.key->c_str(), &slot.st) == 0;
      if (slot.state.exchange(kDone, std::memory_order_acq_rel) == kWaited) slot.state.notify_one();
    }
  }

  // Ends the look ahead (the period it looked for is over) and waits for
  // its thread, which is at most in the middle of one look.
  void StopAhead() {
    if (ahead_.joinable()) {
      stopAhead_.store(true, std::memory_order_relaxed);
      ahead_.join();
      stopAhead_.store(false, std::memory_order_relaxed);
    }
    aheadCount_ = 0;
  }

  // The look ahead's slot for a place, if this period's has one.
  AheadSlot* AheadOf(const Seen& seen, const std::string& key) {
    return seen.ahead < aheadCount_ && aheadSlots_[seen.ahead].key == &key ? &aheadSlots_[seen.ahead] : nullptr;
  }

  // What the second thread saw of a name as written, into st; false when it
  // had not begun to look (this thread claims the slot and looks itself), or
  // saw no file there.  A name ending in "/." is not as its full path: it
  // looks for a directory.
  static bool TakeAhead(AheadSlot& slot, std::string_view direct, struct stat& st) {
    if (direct.size() >= 2 && direct.ends_with("/.")) return false;
    int state = kPending;
    if (slot.state.compare_exchange_strong(state, kTaken, std::memory_order_acquire)) return false;
    while (state == kLooking || state == kWaited) {
      if (state == kLooking && !slot.state.compare_exchange_weak(state, kWaited, std::memory_order_acquire)) continue;
      slot.state.wait(kWaited, std::memory_order_acquire);
      state = slot.state.load(std::memory_order_acquire);
    }
    if (state != kDone) return false;
    slot.state.store(kTaken, std::memory_order_relaxed);
    if (!slot.looked) return false;
    st = slot.st;
    return true;
  }
  // This program changes the host: it no longer holds still.
  void Moved() {
    LetGo();
    still_ = false;
  }

  std::string cwd_;
  // The full path of each name asked for in each current directory so far
  // (kNoFullPath for a name that has none), and those of the current one.
  std::unordered_map<std::string, FullPaths> fullPathsIn_;
  FullPaths* fullPaths_ = nullptr;
  FullPaths::value_type* lastFullPath_ = nullptr;  // the one asked for last, in fullPaths_
  std::unordered_map<std::string, Listing> listings_;
  // Each place resolved (by full path) and when: it stands while held still
  // in the period it was looked at; and each directory listed while held
  // still (as the lookup names it).  A period ends whenever what was seen
  // is let go; a hold is one held-still run.
  bool still_ = false;
  std::uint64_t period_ = 1;
  std::uint64_t hold_ = 1;
  std::size_t seenInHold_ = 0;  // places looked at in this hold
  Places places_;
  // The places this hold found as written, in the order it first asked.
  std::vector<Places::value_type*> recorded_;
  // The look ahead of this period: the slots of the last hold's places, the
  // thread that fills them and how it is told to stop.
  std::unique_ptr<AheadSlot[]> aheadSlots_;
  std::size_t aheadCapacity_ = 0;
  std::size_t aheadCount_ = 0;
  std::thread ahead_;
  std::atomic<bool> stopAhead_{false};
  std::unordered_map<std::string, const Listing*, NameHash, std::equal_to<>> seenListings_;
};

}  // namespace

std::unique_ptr<FileSystem> MakeHostFileSystem() { return std::make_unique<HostFileSystem>(); }

}  // namespace q32
