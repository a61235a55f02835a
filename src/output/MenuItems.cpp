#include "output/MenuItems.h"

#include <array>
#include <string>
#include <vector>

#include "text/Ascii.h"

namespace q32 {

namespace {

using P = ItemParam;
using V = WordKind;
consteval const char* W(V kind, std::string_view word) { return VocabularyCString(kind, word); }

// Indexed by ItemParam.
constexpr std::array<ItemParamDef, kItemParamCount> kParamDefs{{
    {P::Enable, W(V::ItemParameter, "ENABLE:")},
    {P::Status, W(V::ItemParameter, "STATUS:")},
    {P::Hide, W(V::ItemParameter, "HIDE:")},
    {P::Overlay, W(V::ItemParameter, "OVERLAY:")},
    {P::Ident, W(V::ItemParameter, "IDENT:")},
    {P::HelpFile, W(V::ItemParameter, "HELPFILE:")},
    {P::HelpId, W(V::ItemParameter, "HELPID:")},
    {P::LargeWindow, W(V::ItemParameter, "LARGEWINDOW:")},
    {P::SmallWindow, W(V::ItemParameter, "SMALLWINDOW:")},
    {P::ClosePlcWindow, W(V::ItemParameter, "CLOSEPLCWINDOW")},
    {P::PopupMenu, W(V::ItemParameter, "POPUPMENU:")},
    {P::ClosePopupMenu, W(V::ItemParameter, "CLOSEPOPUPMENU")},
    {P::FirstInGroup, W(V::ItemParameter, "FIRSTINGROUP")},
    {P::RestorePlcWindow, W(V::ItemParameter, "RESTOREPLCWINDOW")},
    {P::PyRestart, W(V::ItemParameter, "PYRESTART")},
    {P::RepeatDelay, W(V::ItemParameter, "REPEATDELAY:")},
    {P::RepeatInterval, W(V::ItemParameter, "REPEATINTERVAL:")},
    {P::States, W(V::ItemParameter, "STATES:")},
    {P::PyName, W(V::ItemParameter, "PYNAME:")},
    {P::PyMem, W(V::ItemParameter, "PYMEM:")},
    {P::PyPath, W(V::ItemParameter, "PYPATH:")},
    {P::PyScript, W(V::ItemParameter, "PYSCRIPT:")},
    {P::PyPara, W(V::ItemParameter, "PYPARA:")},
}};

constexpr bool ParamTableIsIndexed() {
  for (std::size_t i = 0; i < kParamDefs.size(); ++i)
    if (static_cast<std::size_t>(kParamDefs[i].param) != i) return false;
  return true;
}
static_assert(ParamTableIsIndexed(), "the parameter table is indexed by ItemParam");
static_assert(kParamDefs.size() == CountWords(WordKind::ItemParameter), "every item parameter has its record");

// Parameters accepted by the menu item checker, in the order it tests them.
constexpr P kCheckBlank[] = {P::Ident};
constexpr P kCheckBack[] = {P::Overlay,   P::Status,          P::Enable, P::ClosePopupMenu, P::Ident,
                            P::RestorePlcWindow, P::HelpFile, P::HelpId, P::PyRestart};
constexpr P kCheckEnd[] = {P::Overlay, P::Status, P::Enable, P::Ident, P::HelpFile, P::HelpId};
constexpr P kCheckGoto[] = {P::Overlay,     P::Enable,         P::Status,    P::Hide,
                            P::LargeWindow, P::SmallWindow,    P::ClosePlcWindow, P::PopupMenu,
                            P::ClosePopupMenu, P::Ident,       P::HelpFile,  P::HelpId,
                            P::PyName,      P::PyMem,          P::PyPath,    P::PyScript,
                            P::PyPara};
constexpr P kCheckAction[] = {P::Overlay,     P::Enable,      P::Status,         P::Hide,
                              P::FirstInGroup, P::LargeWindow, P::SmallWindow,   P::ClosePlcWindow,
                              P::PopupMenu,   P::Ident,       P::RepeatDelay,    P::RepeatInterval,
                              P::HelpFile,    P::HelpId,      P::PyName,         P::PyMem,
                              P::PyPath,      P::PyScript,    P::PyPara};
constexpr P kCheckCheck[] = {P::Overlay,     P::Enable,      P::Status,       P::Hide,
                             P::FirstInGroup, P::LargeWindow, P::SmallWindow, P::ClosePlcWindow,
                             P::PopupMenu,   P::Ident,       P::HelpFile,     P::HelpId,
                             P::PyName,      P::PyMem,       P::PyPath,       P::PyScript,
                             P::PyPara};
// The checker lets FIRSTINGROUP through on a STATE item; the tree writer does not.
constexpr P kCheckState[] = {P::Overlay,     P::Enable,      P::Status,       P::Hide,
                             P::FirstInGroup, P::LargeWindow, P::SmallWindow, P::ClosePlcWindow,
                             P::States,      P::PopupMenu,   P::Ident,        P::HelpFile,
                             P::HelpId,      P::PyName,      P::PyMem,        P::PyPath,
                             P::PyScript,    P::PyPara};

// Parameters accepted by the tree file item writer, in the order it tests them.
constexpr P kTreeBlank[] = {P::Ident};
constexpr P kTreeBack[] = {P::Overlay, P::Status,  P::Enable,           P::ClosePopupMenu, P::Ident,
                           P::HelpFile, P::HelpId, P::RestorePlcWindow, P::PyRestart};
constexpr P kTreeEnd[] = {P::Overlay, P::Status, P::Enable, P::Ident, P::HelpFile, P::HelpId};
constexpr P kTreeGoto[] = {P::Overlay,        P::Enable,    P::Status,         P::LargeWindow,
                           P::SmallWindow,    P::ClosePlcWindow, P::PopupMenu, P::ClosePopupMenu,
                           P::Ident,          P::Hide,      P::HelpFile,       P::HelpId,
                           P::PyName,         P::PyMem,     P::PyScript,       P::PyPara};
constexpr P kTreeAction[] = {P::Overlay,     P::Enable,      P::Status,        P::FirstInGroup,
                             P::LargeWindow, P::SmallWindow, P::ClosePlcWindow, P::PopupMenu,
                             P::Ident,       P::RepeatDelay, P::RepeatInterval, P::Hide,
                             P::HelpFile,    P::HelpId,      P::PyName,        P::PyMem,
                             P::PyScript,    P::PyPara};
constexpr P kTreeCheck[] = {P::Overlay,     P::Enable,      P::Status,         P::FirstInGroup,
                            P::LargeWindow, P::SmallWindow, P::ClosePlcWindow, P::PopupMenu,
                            P::Ident,       P::Hide,        P::HelpFile,       P::HelpId,
                            P::PyName,      P::PyMem,       P::PyScript,       P::PyPara};
constexpr P kTreeState[] = {P::Overlay,        P::Enable,    P::Status,    P::LargeWindow,
                            P::SmallWindow,    P::ClosePlcWindow, P::States, P::PopupMenu,
                            P::Ident,          P::Hide,      P::HelpFile,  P::HelpId,
                            P::PyName,         P::PyMem,     P::PyScript,  P::PyPara};

constexpr MenuItemDef kItemDefs[] = {
    {MenuItemKind::Blank, W(V::Item, "BLANK"), 1, 3, 4, false, true, kCheckBlank, kTreeBlank},
    {MenuItemKind::Node, W(V::Item, "NODE"), 3, 12, 13, true, false, kCheckGoto, kTreeGoto},
    {MenuItemKind::Back, W(V::Item, "BACK"), 2, 9, 9, false, false, kCheckBack, kTreeBack},
    {MenuItemKind::End, W(V::Item, "END"), 2, 8, 8, false, false, kCheckEnd, kTreeEnd},
    {MenuItemKind::Action, W(V::Item, "ACTION"), 2, 14, 15, false, false, kCheckAction, kTreeAction},
    {MenuItemKind::Pulse, W(V::Item, "PULSE"), 2, 14, 15, false, false, kCheckAction, kTreeAction},
    {MenuItemKind::Check, W(V::Item, "CHECK"), 2, 12, 13, false, false, kCheckCheck, kTreeCheck},
    {MenuItemKind::Radio, W(V::Item, "RADIO"), 2, 12, 13, false, false, kCheckCheck, kTreeCheck},
    {MenuItemKind::Goto, W(V::Item, "GOTO"), 3, 12, 13, true, false, kCheckGoto, kTreeGoto},
    {MenuItemKind::State, W(V::Item, "STATE"), 2, 12, 13, false, false, kCheckState, kTreeState},
};
static_assert(std::size(kItemDefs) == CountWords(WordKind::Item), "every item kind has its record");

}  // namespace

const ItemParamDef& ItemParamInfo(ItemParam param) {
  return kParamDefs[static_cast<std::size_t>(param)];
}

std::string_view ItemParamValue(std::string_view token, ItemParam param) {
  std::string_view keyword = ItemParamInfo(param).keyword;
  return token.size() >= keyword.size() ? token.substr(keyword.size()) : std::string_view();
}

std::optional<ItemParam> MatchItemParam(std::string_view token, std::span<const ItemParam> accepted) {
  for (ItemParam param : accepted)
    if (StartsWithIgnoringCase(token, ItemParamInfo(param).keyword)) return param;
  return std::nullopt;
}

std::string UnknownParameterDetail(const MenuItemDef& def, std::string_view token, bool tree) {
  std::vector<std::string_view> keywords;
  for (ItemParam param : tree ? def.treeParams : def.checkerParams) {
    std::string_view keyword = ItemParamInfo(param).keyword;
    keywords.push_back(keyword);
  }
  // A parameter is its keyword and a value: the word is compared up to
  // its colon, as long as the keywords are.
  const std::size_t colon = token.find(':');
  const std::string_view word = colon == std::string_view::npos ? token : token.substr(0, colon + 1);
  const std::string_view nearest = NearestWord(word, keywords);
  return std::string(token) + " (" + (nearest.empty() ? std::string("no parameter of ") + def.keyword
                                                      : "did you mean " + std::string(nearest) + "?") + ")";
}

std::string WordCountDetail(const MenuItemDef& def, bool tree) {
  return std::string(def.keyword) + " takes " + std::to_string(def.minTokens) + " to " +
         std::to_string(tree ? def.maxTreeTokens : def.maxCheckerTokens) + " words";
}

std::string UnknownNameDetail(std::string_view name, std::span<const std::string_view> known) {
  const std::string_view nearest = NearestWord(name, known);
  return std::string(name) + (nearest.empty() ? std::string() : " (did you mean " + std::string(nearest) + "?)");
}

const MenuItemDef* FindMenuItemDef(MenuItemKind kind) {
  for (const MenuItemDef& def : kItemDefs)
    if (def.kind == kind) return &def;
  return nullptr;
}

}  // namespace q32
