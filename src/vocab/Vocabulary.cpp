#include "vocab/Vocabulary.h"

namespace q32 {

std::string Synopsis(const VocabularyEntry& e) {
  std::string text = e.kind == WordKind::Option ? "-" : "";
  text += e.word;
  if (e.form.empty()) return text;
  // Options and joined values run on; a word's further words stand apart.
  if (e.kind != WordKind::Option && e.word.back() != ':') text += ' ';
  return text += e.form;
}

std::string HelpLine(const VocabularyEntry& e) { return Synopsis(e) + ": " + std::string(e.description); }

std::string_view ScopeName(Highlight h) {
  switch (h) {
    case Highlight::None: return "";
    case Highlight::Directive: return "keyword.control.directive";
    case Highlight::Setting: return "keyword.other.setting";
    case Highlight::MenuKeyword: return "keyword.other.menu";
    case Highlight::Softkey: return "keyword.other.softkey";
    case Highlight::Item: return "keyword.control.item";
    case Highlight::MenuModifier: return "storage.modifier.menu";
    case Highlight::Parameter: return "variable.parameter";
    case Highlight::BmxBlock: return "keyword.control.block";
    case Highlight::BmxKeyword: return "keyword.other";
  }
  return "";
}

}  // namespace q32
