// Prints the program's vocabulary for the tests that hold other files to it
// (the manual, the editor grammars): one word a line, as
// "kind<TAB>word<TAB>scope", options with their "-".
#include <cstdio>

#include "vocab/Vocabulary.h"

int main() {
  using q32::WordKind;
  constexpr const char* kKinds[] = {"directive", "setting",    "menu",          "softkey", "item",
                                    "attribute", "parameter",  "softkey-option", "bmx",    "option"};
  for (const q32::VocabularyEntry& e : q32::Vocabulary()) {
    const std::string_view scope = q32::ScopeName(e.highlight);
    std::printf("%s\t%s%.*s\t%.*s\n", kKinds[static_cast<int>(e.kind)], e.kind == WordKind::Option ? "-" : "",
                static_cast<int>(e.word.size()), e.word.data(), static_cast<int>(scope.size()), scope.data());
  }
  return 0;
}
