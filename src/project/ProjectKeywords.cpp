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
    {"#PRAGMA", K::Pragma, C::Pragma, SourceType::Pcx, MenuItemKind::Pragma},
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
    {"PCX", K::Softkey, C::None, SourceType::Pcx},
    {"BPJ", K::Softkey, C::None, SourceType::Bpj},
    {"BMP", K::Softkey, C::None, SourceType::Bmp},
    {"DXF", K::Softkey, C::None, SourceType::Dxf},
    {"TXS", K::Softkey, C::None, SourceType::Txs},
    {"TXM", K::Softkey, C::None, SourceType::Txm},
    {"TXB", K::Softkey, C::None, SourceType::Txb},
    {"TX", K::Softkey, C::None, SourceType::Tx},
    {"PIC", K::Softkey, C::None, SourceType::Generated},
    {"SK", K::Softkey, C::None, SourceType::Generated},
    {"SOFTKEY", K::Softkey, C::None, SourceType::Generated},
    {"BLANK", K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Blank},
    {"NODE", K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Node},
    {"BACK", K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Back},
    {"END", K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::End},
    {"ACTION", K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Action},
    {"PULSE", K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Pulse},
    {"CHECK", K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Check},
    {"RADIO", K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Radio},
    {"GOTO", K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::Goto},
    {"STATE", K::MenuItem, C::None, SourceType::Pcx, MenuItemKind::State},
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
