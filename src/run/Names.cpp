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
  if (byName_.contains(cut)) return NameAdded::AlreadyThere;
  // An entry that cannot be made leaves no name behind.
  const std::size_t at = entries_.size();
  try {
    SoftkeyNameEntry& entry = entries_.emplace_back();
    entry.path.assign(path.substr(0, kMaxPathLength));
    entry.name.assign(cut);
    entry.index = index;
    byName_.emplace(entry.name, at);
    if (!entry.path.empty()) byIndex_.emplace(index, at);
  } catch (const std::bad_alloc&) {
    if (entries_.size() > at) {
      if (auto it = byName_.find(entries_.back().name); it != byName_.end() && it->second == at) byName_.erase(it);
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
  auto it = byIndex_.find(index);
  return it == byIndex_.end() ? nullptr : &entries_[it->second];
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
