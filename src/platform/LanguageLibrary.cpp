#include "platform/LanguageLibrary.h"

#include <cctype>
#include <iterator>

namespace q32 {
namespace {

// Index order is the library's; change the table, nothing else.
constexpr const char* kLanguages[] = {"EN", "DE", "CS", "FR", "IT", "ES", "PT", "SV", "DA",
                                      "FI", "NL", "PL", "HU", "RU", "ZH", "ZH-TW", "SL", "ET",
                                      "KO", "LV", "NO", "RO", "SK", "TR", "LT", "JA"};

}  // namespace

int GetMaxLanguage() { return static_cast<int>(std::size(kLanguages)); }

int GetLanguageIndex(std::string_view id) {
  for (int i = 0; i < GetMaxLanguage(); ++i) {
    std::string_view known = kLanguages[i];
    if (known.size() != id.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < id.size() && same; ++k)
      same = std::toupper(static_cast<unsigned char>(id[k])) == known[k];
    if (same) return i;
  }
  return -1;
}

std::string GetLanguageId(int index) {
  if (index < 0 || index >= GetMaxLanguage()) return {};
  return kLanguages[index];
}

}  // namespace q32
