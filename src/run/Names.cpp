#include "run/Names.h"

#include <cstring>
#include <new>

#include "paths/Paths.h"
#include "run/RunSettings.h"
#include "text/Ascii.h"

namespace q32 {

std::size_t SoftkeyNameList::FoldedHash::operator()(std::string_view name) const {
  return static_cast<std::size_t>(NameHash(name, true));
}

bool SoftkeyNameList::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
  return EqualsIgnoringCase(a, b);
}

NameAdded SoftkeyNameList::AddSoftkeyName(std::string_view path, std::string_view name, std::uint32_t index) {
  const std::string_view cut = name.substr(0, kMaxNameLength);
  // The entry is made first and its own name looked up once, as it goes in:
  // a name that is there already is the rare case, and takes it out again.
  // An entry that cannot be made leaves no name behind.
  const std::size_t at = entries_.size();
  bool named = false;
  try {
    SoftkeyNameEntry& entry = entries_.emplace_back();
    entry.name.assign(cut);
    if (!byName_.emplace(entry.name, at).second) {
      entries_.pop_back();
      return NameAdded::AlreadyThere;
    }
    named = true;
    entry.path.assign(path.substr(0, kMaxPathLength));
    entry.index = index;
    if (!entry.path.empty()) {
      if (index >= byIndex_.size()) byIndex_.resize(static_cast<std::size_t>(index) + 1, kNoEntry);
      if (byIndex_[index] == kNoEntry) byIndex_[index] = at;
    }
  } catch (const std::bad_alloc&) {
    if (entries_.size() > at) {
      if (named) byName_.erase(entries_.back().name);
      entries_.pop_back();
    }
    return NameAdded::NoMemory;
  }
  return NameAdded::Added;
}

std::int64_t SoftkeyNameList::FindSoftkeyIndex(std::string_view name) const {
  auto it = byName_.find(name.substr(0, kMaxNameLength));
  return it == byName_.end() ? -1 : static_cast<std::int64_t>(entries_[it->second].index);
}

const SoftkeyNameEntry* SoftkeyNameList::FindSoftkeyByIndex(std::uint32_t index) const {
  return index < byIndex_.size() && byIndex_[index] != kNoEntry ? &entries_[byIndex_[index]] : nullptr;
}

std::vector<std::string_view> SoftkeyNameList::AllNames() const {
  std::vector<std::string_view> names;
  names.reserve(entries_.size());
  for (const SoftkeyNameEntry& e : entries_) names.push_back(e.name);
  return names;
}

void SoftkeyNameList::ClearSoftkeyNames() {
  byName_.clear();
  byIndex_.clear();
  entries_.clear();
}

}  // namespace q32
