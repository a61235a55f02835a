#include "run/Names.h"

#include <new>

#include "paths/Paths.h"
#include "run/RunSettings.h"
#include "text/Ascii.h"

namespace q32 {

NameAdded SoftkeyNameList::AddSoftkeyName(std::string_view path, std::string_view name, std::uint32_t index) {
  std::string cut(name.substr(0, kMaxNameLength));
  std::string key = UpperCase(cut);
  if (byName_.count(key)) return NameAdded::AlreadyThere;
  try {
    SoftkeyNameEntry entry;
    entry.path.assign(path.substr(0, kMaxPathLength));
    entry.name = cut;
    entry.index = index;
    entries_.push_back(std::move(entry));
    byName_.emplace(std::move(key), entries_.size() - 1);
    if (!entries_.back().path.empty()) byIndex_.emplace(index, entries_.size() - 1);
  } catch (const std::bad_alloc&) {
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
