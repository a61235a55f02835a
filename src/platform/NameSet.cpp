#include "platform/NameSet.h"

#include <cstring>

#include "text/Ascii.h"

namespace q32 {

std::uint32_t NameSet::Hash(std::string_view name) const {
  std::uint32_t h = 2166136261u;
  for (char c : name) h = (h ^ static_cast<unsigned char>(fold_ ? LowerAscii(c) : c)) * 16777619u;
  return h;
}

bool NameSet::Same(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  return fold_ ? EqualsIgnoringCase(a, b) : a == b;
}

std::string_view NameSet::At(std::uint32_t slot) const {
  const std::size_t at = slot - 1;
  std::uint32_t length;
  std::memcpy(&length, text_.data() + at, sizeof length);
  return std::string_view(text_.data() + at + sizeof length, length);
}

std::size_t NameSet::SlotOf(std::string_view name) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = Hash(name) & mask;
  while (slots_[i] != 0 && !Same(At(slots_[i]), name)) i = (i + 1) & mask;
  return i;
}

bool NameSet::Find(std::string_view name, std::string_view* stored) const {
  if (count_ == 0) return false;
  const std::size_t i = SlotOf(name);
  if (slots_[i] == 0) return false;
  if (stored) *stored = At(slots_[i]);
  return true;
}

void NameSet::Grow() {
  std::vector<std::uint32_t> old = std::move(slots_);
  slots_.assign(old.empty() ? 16 : old.size() * 2, 0);
  for (std::uint32_t slot : old)
    if (slot != 0) slots_[SlotOf(At(slot))] = slot;
}

void NameSet::Replace(std::string_view name) {
  // The table stays at most half full, so that a probe ends soon.
  if (2 * (count_ + 1) > slots_.size()) Grow();
  const std::size_t i = SlotOf(name);
  if (slots_[i] == 0) ++count_;
  const auto length = static_cast<std::uint32_t>(name.size());
  slots_[i] = static_cast<std::uint32_t>(text_.size() + 1);
  text_.append(reinterpret_cast<const char*>(&length), sizeof length);
  text_.append(name);
}

bool NameSet::Insert(std::string_view name) {
  if (Find(name)) return false;
  Replace(name);
  return true;
}

void NameSet::Clear() {
  text_.clear();
  slots_.clear();
  count_ = 0;
}

}  // namespace q32
