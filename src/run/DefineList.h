// The configuration defines of a run (the -r file and the -a list), which
// #IFDEF, #IFNDEF and #IF conditions ask for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace q32 {

struct DefineEntry {
  std::string name;  // upper case, at most kMaxNameLength characters
  bool hasValue = false;
  std::int32_t value = 1;
  bool isString = false;
  std::string valueText;  // at most kMaxNameLength characters
};

enum class DefineKind { None, Number, String };

// The defines, sorted by name in ascending byte order.
class DefineList {
 public:
  // Inserts before the first entry whose name is not smaller; with replace
  // the new entry goes in front of an equal name, otherwise behind it.
  // Returns true when an entry of that name existed.
  bool Insert(DefineEntry entry, bool replace);
  // What the name is defined as (ignoring case, over kMaxNameLength
  // characters); value is set for a number, text (when asked for) to the
  // value text of either kind.
  DefineKind LookupDefine(std::string_view name, std::int32_t& value, std::string* text = nullptr) const;
  void ClearDefines() { entries_.clear(); }
  const std::vector<DefineEntry>& Entries() const { return entries_; }

 private:
  std::vector<DefineEntry> entries_;
};

}  // namespace q32
