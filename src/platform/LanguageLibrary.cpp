#include "platform/LanguageLibrary.h"

#include <iterator>

#include "text/Ascii.h"

namespace q32 {
namespace {

// Index order is the library's; change the table, nothing else.
constexpr const char* kLanguages[] = {"EN", "DE", "CS", "FR", "IT", "ES", "PT", "SV", "DA",
                                      "FI", "NL", "PL", "HU", "RU", "ZH", "ZH-TW", "SL", "ET",
                                      "KO", "LV", "NO", "RO", "SK", "TR", "LT", "JA"};

}  // namespace

int GetMaxLanguage() { return static_cast<int>(std::size(kLanguages)); }

int GetLanguageIndex(std::string_view id) {
  for (int i = 0; i < GetMaxLanguage(); ++i)
    if (EqualsIgnoringCase(id, kLanguages[i])) return i;
  return -1;
}

std::string GetLanguageId(int index) {
  if (index < 0 || index >= GetMaxLanguage()) return {};
  return kLanguages[index];
}

}  // namespace q32
