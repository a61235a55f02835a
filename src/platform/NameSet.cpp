#include "platform/NameSet.h"

#include <cstring>

#include "text/Ascii.h"

namespace q32 {

std::uint32_t NameSet::Hash(std::string_view name) const { return static_cast<std::uint32_t>(NameHash(name, fold_)); }

bool NameSet::Same(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  // Mostly a name is asked for as it was stored.
  if (std::memcmp(a.data(), b.data(), a.size()) == 0) return true;
  return fold_ && EqualsIgnoringCase(a, b);
}

std::string_view NameSet::At(std::uint32_t slot) const {
  const std::size_t at = slot - 1;
  std::uint32_t length;
  std::memcpy(&length, text_.data() + at, sizeof length);
  return std::string_view(text_.data() + at + kHeader, length);
}

std::uint32_t NameSet::HashAt(std::uint32_t slot) const {
  std::uint32_t hash;
  std::memcpy(&hash, text_.data() + slot - 1 + sizeof(std::uint32_t), sizeof hash);
  return hash;
}

std::size_t NameSet::SlotOf(std::string_view name, std::uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  // A name of another hash is another name, known so without reading it.
  while (slots_[i] != 0 && (HashAt(slots_[i]) != hash || !Same(At(slots_[i]), name))) i = (i + 1) & mask;
  return i;
}

bool NameSet::Find(std::string_view name, std::string_view* stored) const {
  if (count_ == 0) return false;
  const std::size_t i = SlotOf(name, Hash(name));
  if (slots_[i] == 0) return false;
  if (stored) *stored = At(slots_[i]);
  return true;
}

// Each name goes where its kept hash says, in the table twice the size:
// no name is read or hashed again.
void NameSet::Grow() {
  std::vector<std::uint32_t> old = std::move(slots_);
  slots_.assign(old.empty() ? 16 : old.size() * 2, 0);
  const std::size_t mask = slots_.size() - 1;
  for (std::uint32_t slot : old) {
    if (slot == 0) continue;
    std::size_t i = HashAt(slot) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

std::size_t NameSet::SlotFor(std::string_view name, std::uint32_t hash) {
  // The table stays at most half full, so that a probe ends soon.
  if (2 * (count_ + 1) > slots_.size()) Grow();
  return SlotOf(name, hash);
}

void NameSet::Place(std::size_t slot, std::string_view name, std::uint32_t hash) {
  if (slots_[slot] == 0) ++count_;
  const auto length = static_cast<std::uint32_t>(name.size());
  slots_[slot] = static_cast<std::uint32_t>(text_.size() + 1);
  text_.append(reinterpret_cast<const char*>(&length), sizeof length);
  text_.append(reinterpret_cast<const char*>(&hash), sizeof hash);
  text_.append(name);
}

void NameSet::Replace(std::string_view name) {
  const std::uint32_t hash = Hash(name);
  Place(SlotFor(name, hash), name, hash);
}

bool NameSet::Insert(std::string_view name) {
  const std::uint32_t hash = Hash(name);
  const std::size_t slot = SlotFor(name, hash);
  if (slots_[slot] != 0) return false;
  Place(slot, name, hash);
  return true;
}

void NameSet::Clear() {
  text_.clear();
  slots_.clear();
  count_ = 0;
}

}  // namespace q32
