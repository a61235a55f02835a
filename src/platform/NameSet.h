// A set of names kept in one block of text with an open-addressed table of
// offsets into it.  A run remembers every input it read, every output it made
// and every name of a directory it looked into; for a directory of ten
// thousand softkeys a node per name would cost some seventy bytes over the
// name itself, here it costs about sixteen.  Each name's hash is kept with
// it: a probe passes other names without reading them, and the table grows
// without hashing a name again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace q32 {

class NameSet {
 public:
  // With foldCase, names equal without regard to ASCII case are one name.
  explicit NameSet(bool foldCase = false) : fold_(foldCase) {}

  // The stored form of name, or false.
  bool Find(std::string_view name, std::string_view* stored = nullptr) const;
  // Adds name; false (and nothing changes) when an equal name is stored.
  bool Insert(std::string_view name);
  // Makes name the stored form of its equal, adding it when there is none.
  void Replace(std::string_view name);
  void Clear();
  bool Empty() const { return count_ == 0; }

 private:
  std::uint32_t Hash(std::string_view name) const;
  bool Same(std::string_view a, std::string_view b) const;
  std::string_view At(std::uint32_t slot) const;
  std::uint32_t HashAt(std::uint32_t slot) const;
  // The slot holding name's equal, or the empty slot where it would go.
  std::size_t SlotOf(std::string_view name, std::uint32_t hash) const;
  // SlotOf, with room made for one more name first.
  std::size_t SlotFor(std::string_view name, std::uint32_t hash);
  void Place(std::size_t slot, std::string_view name, std::uint32_t hash);
  void Grow();

  bool fold_;
  // Each name after its length and its hash, four bytes each.
  static constexpr std::size_t kHeader = 2 * sizeof(std::uint32_t);
  std::string text_;
  std::vector<std::uint32_t> slots_;  // offset into text_ plus one; 0 is empty
  std::size_t count_ = 0;
};

}  // namespace q32
