#include "project/ProjectKeywords.h"

#include <string>
#include <vector>

#include "text/Ascii.h"

namespace q32 {

namespace {

using K = KeywordKind;
using C = KeywordCode;

constexpr ProjectKeyword kKeywords[] = {
    {"#INCLUDE", K::Directive, C::Include},
    {"#IF", K::Directive, C::If},
    {"#IFDEF", K::Directive, C::IfDef},
    {"#IFNDEF", K::Directive, C::IfNDef},
    {"#IFEXIST", K::Directive, C::IfExist},
    {"#ELSE", K::Directive, C::Else},
    {"#ENDIF", K::Directive, C::EndIf},
    {"#PRAGMA", K::Pragma, C::Pragma, SOURCE_PCX, ITEM_PRAGMA},
    {"LANGUAGEPATH", K::Setting, C::LanguagePath},
    {"SKPATH", K::Setting, C::SkPath},
    {"MOPATH", K::Setting, C::MoPath},
    {"MODOMAIN", K::Setting, C::MoDomain},
    {"PYPATH", K::Setting, C::PyPath},
    {"DEFFILE", K::Setting, C::DefFile},
    {"TREEFILE", K::Setting, C::TreeFile},
    {"HELPFILE", K::Setting, C::HelpFile},
    {"TXSSOURCE", K::Setting, C::TxsSource},
    {"SKMENU", K::Menu, C::SkMenu},
    {"ENDSKMENU", K::Menu, C::EndSkMenu},
    {"ROWDEF", K::Menu, C::RowDef},
    {"SKPREVDEF", K::Menu, C::SkPrevDef},
    {"SKNEXTDEF", K::Menu, C::SkNextDef},
    {"PCX", K::Softkey, C::None, SOURCE_PCX},
    {"BPJ", K::Softkey, C::None, SOURCE_BPJ},
    {"BMP", K::Softkey, C::None, SOURCE_BMP},
    {"DXF", K::Softkey, C::None, SOURCE_DXF},
    {"TXS", K::Softkey, C::None, SOURCE_TXS},
    {"TXM", K::Softkey, C::None, SOURCE_TXM},
    {"TXB", K::Softkey, C::None, SOURCE_TXB},
    {"TX", K::Softkey, C::None, SOURCE_TX},
    {"PIC", K::Softkey, C::None, SOURCE_GENERATED},
    {"SK", K::Softkey, C::None, SOURCE_GENERATED},
    {"SOFTKEY", K::Softkey, C::None, SOURCE_GENERATED},
    {"BLANK", K::MenuItem, C::None, SOURCE_PCX, ITEM_BLANK},
    {"NODE", K::MenuItem, C::None, SOURCE_PCX, ITEM_NODE},
    {"BACK", K::MenuItem, C::None, SOURCE_PCX, ITEM_BACK},
    {"END", K::MenuItem, C::None, SOURCE_PCX, ITEM_END},
    {"ACTION", K::MenuItem, C::None, SOURCE_PCX, ITEM_ACTION},
    {"PULSE", K::MenuItem, C::None, SOURCE_PCX, ITEM_PULSE},
    {"CHECK", K::MenuItem, C::None, SOURCE_PCX, ITEM_CHECK},
    {"RADIO", K::MenuItem, C::None, SOURCE_PCX, ITEM_RADIO},
    {"GOTO", K::MenuItem, C::None, SOURCE_PCX, ITEM_GOTO},
    {"STATE", K::MenuItem, C::None, SOURCE_PCX, ITEM_STATE},
};

static_assert(sizeof kKeywords / sizeof kKeywords[0] == kProjectKeywordCount);

}  // namespace

std::span<const ProjectKeyword> ProjectKeywords() { return kKeywords; }

namespace {

std::vector<std::string_view> KeywordNames(bool directivesOnly) {
  std::vector<std::string_view> names;
  for (const ProjectKeyword& k : kKeywords)
    if (!directivesOnly || k.keyword[0] == '#') names.push_back(k.keyword);
  return names;
}

}  // namespace

std::string UnknownKeywordDetail(std::string_view word) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (word.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    return std::string(word.substr(kByteOrderMark.size())) +
           " behind a UTF-8 byte-order mark (save the file without one)";
  std::string detail(word);
  if (EqualsIgnoringCase(word, "#DEFINE"))
    return detail + " (defines come from the configuration file of -r and the list of -a, not from the project)";
  const std::vector<std::string_view> names = KeywordNames(false);
  const std::string_view nearest = NearestWord(word, names);
  if (!nearest.empty()) detail += " (did you mean " + std::string(nearest) + "?)";
  return detail;
}

std::string_view NearestDirective(std::string_view word) {
  if (word.empty() || word[0] != '#') return {};
  const std::vector<std::string_view> names = KeywordNames(true);
  return NearestWord(word, names);
}

const ProjectKeyword* LookupProjectKeyword(std::string_view keyword) {
  // A linear search over 43 short records is cheaper than hashing the token.
  for (const ProjectKeyword& k : kKeywords)
    if (EqualsIgnoringCase(keyword, k.keyword)) return &k;
  return nullptr;
}

}  // namespace q32
