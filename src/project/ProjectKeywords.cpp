#include "project/ProjectKeywords.h"

#include <string>
#include <vector>

#include "text/Ascii.h"

namespace q32 {

namespace {

using K = KeywordKind;
using C = KeywordCode;
using V = WordKind;
consteval std::string_view W(V kind, std::string_view word) { return VocabularyWord(kind, word); }

constexpr ProjectKeyword kKeywords[] = {
    {W(V::Directive, "#INCLUDE"), K::Directive, C::Include},
    {W(V::Directive, "#IF"), K::Directive, C::If},
    {W(V::Directive, "#IFDEF"), K::Directive, C::IfDef},
    {W(V::Directive, "#IFNDEF"), K::Directive, C::IfNDef},
    {W(V::Directive, "#IFEXIST"), K::Directive, C::IfExist},
    {W(V::Directive, "#ELSE"), K::Directive, C::Else},
    {W(V::Directive, "#ENDIF"), K::Directive, C::EndIf},
    {W(V::Directive, "#PRAGMA"), K::Pragma, C::Pragma, SourceType::Pcx, MenuItemKind::Pragma},
    {W(V::Setting, "LANGUAGEPATH"), K::Setting, C::LanguagePath},
    {W(V::Setting, "SKPATH"), K::Setting, C::SkPath},
    {W(V::Setting, "MOPATH"), K::Setting, C::MoPath},
    {W(V::Setting, "MODOMAIN"), K::Setting, C::MoDomain},
    {W(V::Setting, "PYPATH"), K::Setting, C::PyPath},
    {W(V::Setting, "DEFFILE"), K::Setting, C::DefFile},
    {W(V::Setting, "TREEFILE"), K::Setting, C::TreeFile},
    {W(V::Setting, "HELPFILE"), K::Setting, C::HelpFile},
    {W(V::Setting, "TXSSOURCE"), K::Setting, C::TxsSource},
    {W(V::Menu, "SKMENU"), K::Menu, C::SkMenu},
    {W(V::Menu, "ENDSKMENU"), K::Menu, C::EndSkMenu},
    {W(V::Menu, "ROWDEF"), K::Menu, C::RowDef},
    {W(V::Menu, "SKPREVDEF"), K::Menu, C::SkPrevDef},
    {W(V::Menu, "SKNEXTDEF"), K::Menu, C::SkNextDef},
    {W(V::Softkey, "PCX"), K::Softkey, C::None, SourceType::Pcx},
    {W(V::Softkey, "BPJ"), K::Softkey, C::None, SourceType::Bpj},
    {W(V::Softkey, "BMP"), K::Softkey, C::None, SourceType::Bmp},
    {W(V::Softkey, "DXF"), K::Softkey, C::None, SourceType::Dxf},
    {W(V::Softkey, "TXS"), K::Softkey, C::None, SourceType::Txs},
    {W(V::Softkey, "TXM"), K::Softkey, C::None, SourceType::Txm},
    {W(V::Softkey, "TXB"), K::Softkey, C::None, SourceType::Txb},
    {W(V::Softkey, "TX"), K::Softkey, C::None, SourceType::Tx},
    {W(V::Softkey, "PIC"), K::Softkey, C::None, SourceType::Generated},
    {W(V::Softkey, "SK"), K::Softkey, C::None, SourceType::Generated},
    {W(V::Softkey, "SOFTKEY"), K::Softkey, C::None, SourceType::Generated},
    {W(V::Item, "BLANK"), K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Blank},
    {W(V::Item, "NODE"), K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Node},
    {W(V::Item, "BACK"), K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Back},
    {W(V::Item, "END"), K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::End},
    {W(V::Item, "ACTION"), K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Action},
    {W(V::Item, "PULSE"), K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Pulse},
    {W(V::Item, "CHECK"), K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Check},
    {W(V::Item, "RADIO"), K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Radio},
    {W(V::Item, "GOTO"), K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Goto},
    {W(V::Item, "STATE"), K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::State},
};

// Every project keyword of the vocabulary has its record here.
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
  // A linear search over some 40 short records is cheaper than hashing the token.
  for (const ProjectKeyword& k : kKeywords)
    if (EqualsIgnoringCase(keyword, k.keyword)) return &k;
  return nullptr;
}

}  // namespace q32
