// The keywords of softkey project lines: one fixed record per keyword, looked
// up in table order without regard to case.  The project reader and the menu
// constant pass dispatch on the code.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "output/MenuItems.h"
#include "run/SoftkeyContext.h"
#include "vocab/Vocabulary.h"

namespace q32 {

// What a project line does, as the reader groups its keywords.
enum class KeywordKind { Directive, Pragma, Setting, Menu, Softkey, MenuItem };

// The directives, settings and menu lines (the keywords that are neither
// softkey lines nor menu items).
enum class KeywordCode {
  None,
  Include,
  If,
  IfDef,
  IfNDef,
  IfExist,
  Else,
  EndIf,
  Pragma,
  LanguagePath,
  SkPath,
  MoPath,
  MoDomain,
  PyPath,
  DefFile,
  TreeFile,
  HelpFile,
  TxsSource,
  SkMenu,
  EndSkMenu,
  RowDef,
  SkPrevDef,
  SkNextDef,
};

// One keyword: its kind says which of code, source and item counts.
struct ProjectKeyword {
  std::string_view keyword;
  KeywordKind kind;
  KeywordCode code = KeywordCode::None;  // Directive, Pragma, Setting, Menu
  SourceType source = SourceType::Pcx;        // Softkey
  MenuItemKind item = MenuItemKind::Blank;        // MenuItem
};

constexpr std::size_t kProjectKeywordCount = CountWords(WordKind::Directive) + CountWords(WordKind::Setting) +
                                             CountWords(WordKind::Menu) + CountWords(WordKind::Softkey) +
                                             CountWords(WordKind::Item);

// The whole table, in lookup order.
std::span<const ProjectKeyword> ProjectKeywords();
// The record of a keyword (ignoring case), or null.
const ProjectKeyword* LookupProjectKeyword(std::string_view keyword);

// An unknown keyword as a report names it: the word, the keyword it most
// likely meant, and for #DEFINE where defines come from.
std::string UnknownKeywordDetail(std::string_view word);
// The directive a word that begins with "#" most likely meant, or empty.
std::string_view NearestDirective(std::string_view word);

// A conditional directive: counted in switched-off sections too, so that
// their #ELSE and #ENDIF are found (an #INCLUDE is an ordinary line).
inline bool IsConditional(const ProjectKeyword& k) {
  return k.kind == KeywordKind::Directive && k.code != KeywordCode::Include;
}

// A comment line: empty, or starting with ";" or a line feed.
inline bool IsProjectComment(std::string_view line) {
  return line.empty() || line[0] == ';' || line[0] == '\n';
}

}  // namespace q32
