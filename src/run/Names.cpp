#include "run/Names.h"

#include <new>

#include "paths/Paths.h"
#include "run/RunSettings.h"
#include "text/Ascii.h"

namespace q32 {

NameAdded SoftkeyNameList::AddSoftkeyName(std::string_view path, std::string_view name, std::uint32_t index) {
  const std::string_view cut = name.substr(0, kMaxNameLength);
  // The name is looked up once, and taken where it is not yet known; an
  // entry that cannot be made leaves no name behind.
  const std::size_t at = entries_.size();
  auto taken = byName_.end();
  try {
    auto [it, added] = byName_.try_emplace(UpperCase(cut), at);
    if (!added) return NameAdded::AlreadyThere;
    taken = it;
    SoftkeyNameEntry& entry = entries_.emplace_back();
    entry.path.assign(path.substr(0, kMaxPathLength));
    entry.name.assign(cut);
    entry.index = index;
    if (!entry.path.empty()) byIndex_.emplace(index, at);
  } catch (const std::bad_alloc&) {
    if (taken != byName_.end()) byName_.erase(taken);
    if (entries_.size() > at) entries_.pop_back();
    return NameAdded::NoMemory;
  }
  return NameAdded::Added;
}

std::int64_t SoftkeyNameList::FindSoftkeyIndex(std::string_view name) const {
  auto it = byName_.find(UpperCase(name.substr(0, kMaxNameLength)));
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
  entries_.clear();
  byName_.clear();
  byIndex_.clear();
}

}  // namespace q32
