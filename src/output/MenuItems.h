// The menu item kinds and their parameters, shared by the two menu writers:
// the tree file item writer of -gensys runs and the menu item checker of
// default and -check runs, which writes the generated project.  Both take the
// parameters of an item line by case-insensitive keyword prefix, tested in the
// order of the item's list, so the lists below are the parsing tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "vocab/Vocabulary.h"

namespace q32 {

// The kinds of menu items; each is the letter the menu writers use for it.
enum class MenuItemKind : int {
  Blank = '#',
  Node = 'N',
  Back = 'B',
  End = 'E',
  Action = 'S',
  Pulse = 'U',
  Check = 'C',
  Radio = 'R',
  Goto = 'G',
  State = 'T',
  Pragma = 17,  // a #PRAGMA line among the items: passed over by both writers
};

enum class ItemParam : std::uint8_t {
  Enable,
  Status,
  Hide,
  Overlay,
  Ident,
  HelpFile,
  HelpId,
  LargeWindow,
  SmallWindow,
  ClosePlcWindow,
  PopupMenu,
  ClosePopupMenu,
  FirstInGroup,
  RestorePlcWindow,
  PyRestart,
  RepeatDelay,
  RepeatInterval,
  States,
  PyName,
  PyMem,
  PyPath,
  PyScript,
  PyPara,
};
constexpr std::size_t kItemParamCount = CountWords(WordKind::ItemParameter);

struct ItemParamDef {
  ItemParam param;
  const char* keyword;  // recognised as a case-insensitive prefix of the token
};

// The keyword record of a parameter kind.
const ItemParamDef& ItemParamInfo(ItemParam param);

// The text of a parameter token after its keyword ("M100" for "ENABLE:M100").
// The token must begin with the keyword.
std::string_view ItemParamValue(std::string_view token, ItemParam param);

// The first parameter of the list whose keyword begins the token (ignoring
// case), or none.
std::optional<ItemParam> MatchItemParam(std::string_view token, std::span<const ItemParam> accepted);

// One menu item kind.  Token 0 is the keyword, token 1 the softkey name and,
// for GOTO and NODE, token 2 the menu the item leads to.
struct MenuItemDef {
  MenuItemKind kind;
  const char* keyword;
  std::size_t minTokens;
  // The generated project never holds more parameters than the checker lets
  // through, so its limit is one lower than the tree writer's.
  std::size_t maxCheckerTokens;
  std::size_t maxTreeTokens;
  bool hasTargetMenu;
  // A BLANK takes only IDENT: and passes over anything else.
  bool ignoresOtherParams;
  std::span<const ItemParam> checkerParams;  // accepted by the menu item checker
  std::span<const ItemParam> treeParams;     // accepted by the tree file item writer
};

// The record of an item kind, or null for a code that is not a menu item
// (the reader also hands over #PRAGMA lines).
const MenuItemDef* FindMenuItemDef(MenuItemKind kind);

// What a report of an item line names.  A parameter no kind of this item
// takes, with the parameter it most likely meant; how many words the item
// takes; a softkey or menu name the run does not know, with the name it most
// likely meant among those it knows.
std::string UnknownParameterDetail(const MenuItemDef& def, std::string_view token, bool tree);
std::string WordCountDetail(const MenuItemDef& def, bool tree);
std::string UnknownNameDetail(std::string_view name, std::span<const std::string_view> known);

// The index of the first parameter token of an item line.
inline std::size_t FirstParamToken(const MenuItemDef& def) { return def.hasTargetMenu ? 3 : 2; }

}  // namespace q32
