#include "run/DefineList.h"

#include <algorithm>

#include "run/RunSettings.h"
#include "text/Ascii.h"

namespace q32 {

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

DefineKind DefineList::LookupDefine(std::string_view name, std::int32_t& value, std::string* text) const {
  // Names are stored in upper case and sorted, so the first match in list
  // order is the lower bound.
  std::string key = UpperCase(name.substr(0, kMaxNameLength));
  auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                             [](const DefineEntry& e, const std::string& n) { return e.name < n; });
  if (it == entries_.end() || it->name != key) return DefineKind::None;
  if (text) *text = it->valueText;
  if (it->isString) return DefineKind::String;
  value = it->value;
  return DefineKind::Number;
}

}  // namespace q32
