#include "vocab/Vocabulary.h"

namespace q32 {
namespace {

constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A reader takes its words without regard to case (but for -EMB), so two
// entries of one kind must differ in more than case.
constexpr bool EachWordOnce() {
  const auto words = Vocabulary();
  for (std::size_t i = 0; i < words.size(); ++i)
    for (std::size_t j = i + 1; j < words.size(); ++j) {
      const std::string_view a = words[i].word, b = words[j].word;
      bool same = words[i].kind == words[j].kind && a.size() == b.size();
      for (std::size_t k = 0; same && k < a.size(); ++k) same = Upper(a[k]) == Upper(b[k]);
      if (same) return false;
    }
  return true;
}
static_assert(EachWordOnce(), "a word of one kind stands once in the vocabulary");

}  // namespace

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
