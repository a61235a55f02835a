// The softkey and menu names of a run and the numbers they stand for.  Names
// are unique over softkeys and menus together, compared without regard to
// case and cut to kMaxNameLength characters; a menu is an entry without path.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace q32 {

struct SoftkeyNameEntry {
  std::string path;  // targetPath of the softkey; empty for a menu
  std::string name;  // at most kMaxNameLength characters
  std::uint32_t index = 0;
};

enum class NameAdded { Added, AlreadyThere, NoMemory };

// Softkey and menu names in insertion order, with hashed lookups so that
// large projects stay linear.
class SoftkeyNameList {
 public:
  SoftkeyNameList() = default;
  // The name table refers to the entries' own names: a copy would refer to
  // the original's.  A move keeps the entries where they are.
  SoftkeyNameList(const SoftkeyNameList&) = delete;
  SoftkeyNameList& operator=(const SoftkeyNameList&) = delete;
  SoftkeyNameList(SoftkeyNameList&&) = default;
  SoftkeyNameList& operator=(SoftkeyNameList&&) = default;

  [[nodiscard]] NameAdded AddSoftkeyName(std::string_view path, std::string_view name, std::uint32_t index);
  // The index of the name (ignoring case), or -1.
  std::int64_t FindSoftkeyIndex(std::string_view name) const;
  // The first entry with that index and a non-empty path, or null.
  const SoftkeyNameEntry* FindSoftkeyByIndex(std::uint32_t index) const;
  void ClearSoftkeyNames();
  // Every name, in insertion order (for a report's "did you mean").
  std::vector<std::string_view> AllNames() const;

 private:
  // A deque: the list grows by one entry per softkey without ever holding
  // two copies of itself, and entries stay where the indexes point.
  std::deque<SoftkeyNameEntry> entries_;
  // Names hashed and compared without regard to case, so that a lookup
  // folds no copy of the name it is given (every item line looks one up).
  struct FoldedHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const;
  };
  struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // Each entry's name, which the deque keeps in place.
  std::unordered_map<std::string_view, std::size_t, FoldedHash, FoldedEqual> byName_;
  // The first entry with a path of each softkey number: softkeys are
  // numbered from 0 as they are read, so the numbers are dense.
  static constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);
  std::vector<std::size_t> byIndex_;
};

}  // namespace q32
