// The keywords of softkey project lines: one fixed record per keyword, looked
// up in table order without regard to case.  The project reader and the menu
// constant pass dispatch on the code.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace q32 {

// What a project line does, as the reader groups its keywords.
enum class KeywordKind { Directive, Pragma, Setting, Menu, Softkey, MenuItem };

// Codes of the keywords that are neither source types nor item kinds.
enum KeywordCode : int {
  KEY_INCLUDE = 10,
  KEY_IF = 11,
  KEY_IFDEF = 12,
  KEY_IFNDEF = 13,
  KEY_IFEXIST = 14,
  KEY_ELSE = 15,
  KEY_ENDIF = 16,
  KEY_PRAGMA = 17,
  KEY_LANGUAGEPATH = 18,
  KEY_SKPATH = 19,
  KEY_MOPATH = 20,
  KEY_MODOMAIN = 21,
  KEY_PYPATH = 22,
  KEY_DEFFILE = 23,
  KEY_TREEFILE = 24,
  KEY_HELPFILE = 25,
  KEY_TXSSOURCE = 26,
  KEY_SKMENU = 27,
  KEY_ENDSKMENU = 28,
  KEY_ROWDEF = 29,
  KEY_SKPREVDEF = 30,
  KEY_SKNEXTDEF = 31,
};

struct ProjectKeyword {
  std::string_view keyword;
  int code;  // KeywordCode, SourceType or MenuItemKind
  KeywordKind kind;
};

constexpr std::size_t kProjectKeywordCount = 43;

// The whole table, in lookup order.
std::span<const ProjectKeyword> ProjectKeywords();
// The record of a keyword (ignoring case), or null.
const ProjectKeyword* LookupProjectKeyword(std::string_view keyword);

// A comment line: empty, or starting with ";" or a line feed.
inline bool IsProjectComment(std::string_view line) {
  return line.empty() || line[0] == ';' || line[0] == '\n';
}

}  // namespace q32
