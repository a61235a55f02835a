#include "project/ProjectKeywords.h"

#include "project/RunRecords.h"

namespace q32 {

namespace {

using K = KeywordKind;

constexpr ProjectKeyword kKeywords[] = {
    {"#INCLUDE", KEY_INCLUDE, K::Directive},
    {"#IF", KEY_IF, K::Directive},
    {"#IFDEF", KEY_IFDEF, K::Directive},
    {"#IFNDEF", KEY_IFNDEF, K::Directive},
    {"#IFEXIST", KEY_IFEXIST, K::Directive},
    {"#ELSE", KEY_ELSE, K::Directive},
    {"#ENDIF", KEY_ENDIF, K::Directive},
    {"#PRAGMA", KEY_PRAGMA, K::Pragma},
    {"LANGUAGEPATH", KEY_LANGUAGEPATH, K::Setting},
    {"SKPATH", KEY_SKPATH, K::Setting},
    {"MOPATH", KEY_MOPATH, K::Setting},
    {"MODOMAIN", KEY_MODOMAIN, K::Setting},
    {"PYPATH", KEY_PYPATH, K::Setting},
    {"DEFFILE", KEY_DEFFILE, K::Setting},
    {"TREEFILE", KEY_TREEFILE, K::Setting},
    {"HELPFILE", KEY_HELPFILE, K::Setting},
    {"TXSSOURCE", KEY_TXSSOURCE, K::Setting},
    {"SKMENU", KEY_SKMENU, K::Menu},
    {"ENDSKMENU", KEY_ENDSKMENU, K::Menu},
    {"ROWDEF", KEY_ROWDEF, K::Menu},
    {"SKPREVDEF", KEY_SKPREVDEF, K::Menu},
    {"SKNEXTDEF", KEY_SKNEXTDEF, K::Menu},
    {"PCX", SOURCE_PCX, K::Softkey},
    {"BPJ", SOURCE_BPJ, K::Softkey},
    {"BMP", SOURCE_BMP, K::Softkey},
    {"DXF", SOURCE_DXF, K::Softkey},
    {"TXS", SOURCE_TXS, K::Softkey},
    {"TXM", SOURCE_TXM, K::Softkey},
    {"TXB", SOURCE_TXB, K::Softkey},
    {"TX", SOURCE_TX, K::Softkey},
    {"PIC", SOURCE_GENERATED, K::Softkey},
    {"SK", SOURCE_GENERATED, K::Softkey},
    {"SOFTKEY", SOURCE_GENERATED, K::Softkey},
    {"BLANK", ITEM_BLANK, K::MenuItem},
    {"NODE", ITEM_NODE, K::MenuItem},
    {"BACK", ITEM_BACK, K::MenuItem},
    {"END", ITEM_END, K::MenuItem},
    {"ACTION", ITEM_ACTION, K::MenuItem},
    {"PULSE", ITEM_PULSE, K::MenuItem},
    {"CHECK", ITEM_CHECK, K::MenuItem},
    {"RADIO", ITEM_RADIO, K::MenuItem},
    {"GOTO", ITEM_GOTO, K::MenuItem},
    {"STATE", ITEM_STATE, K::MenuItem},
};

static_assert(sizeof kKeywords / sizeof kKeywords[0] == kProjectKeywordCount);

}  // namespace

std::span<const ProjectKeyword> ProjectKeywords() { return kKeywords; }

const ProjectKeyword* LookupProjectKeyword(std::string_view keyword) {
  // A linear search over 43 short records is cheaper than hashing the token.
  for (const ProjectKeyword& k : kKeywords)
    if (EqualsIgnoringCase(keyword, k.keyword)) return &k;
  return nullptr;
}

}  // namespace q32
