#include "project/RunRecords.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "paths/Paths.h"

namespace q32 {

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Names and keywords compare in ASCII: the program never sets a locale, and
// this is asked for every keyword of every line.
bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x == y) continue;
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

void SetSoftkeySource(SoftkeyContext& context, std::uint32_t type, std::string_view token,
                      bool controlFamilyLE) {
  context.sourceType = type;
  context.source.assign(token.substr(0, kMaxSourceLength));
  if (type == SOURCE_TX) {
    context.targetPath = context.source;
    return;
  }
  context.sourceName.assign(FileNameOf(context.source));
  switch (type) {
    case SOURCE_BPJ:
      context.targetExt = ".bmx";
      break;
    case SOURCE_GENERATED: {
      std::size_t dot = context.source.rfind('.');
      context.targetExt = dot == std::string::npos ? std::string() : context.source.substr(dot);
      break;
    }
    default:
      context.targetExt = controlFamilyLE ? ".sk" : ".PIC";
      break;
  }
  context.targetPath = context.destPath + context.sourceName;
  if (context.targetPath.size() > kMaxPathLength) context.targetPath.resize(kMaxPathLength);
  ReplaceExtension(context.targetPath, context.targetExt);
}

int SoftkeyNameList::AddSoftkeyName(std::string_view path, std::string_view name,
                                    std::uint32_t index) {
  std::string cut(name.substr(0, kMaxNameLength));
  std::string key = UpperCase(cut);
  if (byName_.count(key)) return 1;
  try {
    SoftkeyNameEntry entry;
    entry.path.assign(path.substr(0, kMaxPathLength));
    entry.name = cut;
    entry.index = index;
    entries_.push_back(std::move(entry));
    byName_.emplace(std::move(key), entries_.size() - 1);
    if (!entries_.back().path.empty()) byIndex_.emplace(index, entries_.size() - 1);
  } catch (const std::bad_alloc&) {
    return 2;
  }
  return 0;
}

std::int64_t SoftkeyNameList::FindSoftkeyIndex(std::string_view name) const {
  auto it = byName_.find(UpperCase(name.substr(0, kMaxNameLength)));
  return it == byName_.end() ? -1 : static_cast<std::int64_t>(entries_[it->second].index);
}

const SoftkeyNameEntry* SoftkeyNameList::FindSoftkeyByIndex(std::uint32_t index) const {
  auto it = byIndex_.find(index);
  return it == byIndex_.end() ? nullptr : &entries_[it->second];
}

void SoftkeyNameList::ClearSoftkeyNames() {
  entries_.clear();
  byName_.clear();
  byIndex_.clear();
}

bool DefineList::Insert(DefineEntry entry, bool replace) {
  auto first = std::lower_bound(entries_.begin(), entries_.end(), entry.name,
                                [](const DefineEntry& e, const std::string& n) { return e.name < n; });
  bool exists = first != entries_.end() && first->name == entry.name;
  auto at = first;
  if (exists && !replace) {
    at = std::upper_bound(entries_.begin(), entries_.end(), entry.name,
                          [](const std::string& n, const DefineEntry& e) { return n < e.name; });
  }
  entries_.insert(at, std::move(entry));
  return exists;
}

int DefineList::LookupDefine(std::string_view name, std::int32_t& value, std::string* text) const {
  // Names are stored in upper case and sorted, so the first match in list
  // order is the lower bound.
  std::string key = UpperCase(name.substr(0, kMaxNameLength));
  auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                             [](const DefineEntry& e, const std::string& n) { return e.name < n; });
  if (it == entries_.end() || it->name != key) return 0;
  if (text) *text = it->valueText;
  if (it->isString) return 2;
  value = it->value;
  return 1;
}

std::uint16_t SwapForControl(std::uint16_t value, bool controlFamilyLE) {
  if (controlFamilyLE) return value;
  return static_cast<std::uint16_t>((value << 8) | (value >> 8));
}

}  // namespace q32
