#include "output/MenuItemChecker.h"

#include <array>
#include <cctype>
#include <climits>
#include <span>

#include "diag/MessageCodes.h"
#include "output/MenuItems.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "plc/PlcOperands.h"
#include "run/RunContext.h"

namespace q32 {

namespace {

using P = ItemParam;

// The three window parameters share one slot; it is kept under LargeWindow.
constexpr P kWindowSlot = P::LargeWindow;

// The fields of a generated item line after its keyword, softkey name and
// (GOTO, NODE) target menu, in the order the -gensys tree writer expects.
constexpr P kLineBack[] = {P::Enable, P::Status,   P::ClosePopupMenu, P::Overlay,         P::Ident,
                           P::HelpFile, P::HelpId, P::RestorePlcWindow, P::PyRestart};
constexpr P kLineEnd[] = {P::Enable, P::Status, P::Overlay, P::Ident, P::HelpFile, P::HelpId};
constexpr P kLineGoto[] = {P::Enable,  P::Status, kWindowSlot, P::PopupMenu, P::ClosePopupMenu,
                           P::Overlay, P::Ident,  P::Hide,     P::HelpFile,  P::HelpId};
constexpr P kLineAction[] = {P::Enable,      P::Status,         P::FirstInGroup, kWindowSlot,
                             P::PopupMenu,   P::Overlay,        P::Ident,        P::RepeatDelay,
                             P::RepeatInterval, P::Hide,        P::HelpFile,     P::HelpId};
constexpr P kLineCheck[] = {P::Enable,  P::Status, P::FirstInGroup, kWindowSlot, P::PopupMenu,
                            P::Overlay, P::Ident,  P::States,       P::Hide,     P::HelpFile,
                            P::HelpId};

struct ItemLayout {
  MenuItemKind kind;
  std::span<const P> fields;
  // Items that can run a Python script end with the Python part and carry a
  // HIDE: condition, which is checked as a PLC operand too.
  bool pythonAndHide;
};

constexpr ItemLayout kLayouts[] = {
    {MenuItemKind::Back, kLineBack, false},     {MenuItemKind::End, kLineEnd, false},
    {MenuItemKind::Goto, kLineGoto, true},      {MenuItemKind::Node, kLineGoto, true},
    {MenuItemKind::Action, kLineAction, true},  {MenuItemKind::Pulse, kLineAction, true},
    {MenuItemKind::Check, kLineCheck, true},    {MenuItemKind::Radio, kLineCheck, true},
    {MenuItemKind::State, kLineCheck, true},
};

const ItemLayout* FindLayout(MenuItemKind kind) {
  for (const ItemLayout& layout : kLayouts)
    if (layout.kind == kind) return &layout;
  return nullptr;
}

// The parameter tokens of one item, each kept whole (keyword included) as
// written; empty when the parameter is absent.
struct ItemSlots {
  std::array<std::string, kItemParamCount> slot;
  // The word each slot was taken from (its index in the line's tokens).
  std::array<int, kItemParamCount> word{};
  // Where PYSCRIPT: places its script; PYPATH: changes it for this item only.
  std::string pythonPath;

  std::string& operator[](P param) { return slot[static_cast<std::size_t>(param)]; }
  int& WordOf(P param) { return word[static_cast<std::size_t>(param)]; }
};

bool IsPythonParam(P param) {
  return param == P::PyName || param == P::PyMem || param == P::PyPath || param == P::PyScript ||
         param == P::PyPara;
}

// Leading decimal number with optional sign, as the C library reads it (0
// without digits); it stops growing once past the int range, which is far
// above any memory limit.
long long LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    if (value <= INT_MAX) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

// Takes one Python parameter into the slots; returns 0 or the status code
// that ends the item.
Msg TakePythonParam(RunContext& run, P param, const std::string& token, ItemSlots& slots, std::string& detail) {
  std::string_view value = ItemParamValue(token, param);
  switch (param) {
    case P::PyMem:
      slots[P::PyMem] = token;
      if (LeadingNumber(value) <= run.settings.pyMemLimit) return Msg::Ok;
      detail = token + " (at most " + std::to_string(run.settings.pyMemLimit) + " for this machine variant)";
      return Msg::ValueInvalid;
    case P::PyPath: {
      // The path is one path buffer, with room for the separator it may gain.
      std::string path(value.substr(0, kMaxPathLength - 1));
      if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
      slots.pythonPath = std::move(path);
      return Msg::Ok;
    }
    case P::PyScript: {
      // The control finds the script under the item's Python path, whatever
      // directory the project names it in; the check looks where it is written.
      slots[P::PyScript] = "PYSCRIPT:" + slots.pythonPath + std::string(FileNameOf(value));
      if (run.settings.fileCheck && !FileExists(run.fs, value)) {
        detail = DisplayPath(run.paths, value);
        return Msg::SourceMissing;
      }
      return Msg::Ok;
    }
    default:  // PYNAME:, PYPARA:
      slots[param] = token;
      return Msg::Ok;
  }
}

bool NameKnown(const RunContext& run, std::string_view name) {
  return run.names.FindSoftkeyIndex(name) >= 0;
}

// Enable, status and (where the item has one) hide conditions go through the
// PLC operand check one after the other until one fails.
Msg CheckOperands(RunContext& run, PlcSymbolTables& plc, ItemSlots& slots, bool withHide, Fault& fault) {
  const P conditions[] = {P::Enable, P::Status, P::Hide};
  for (P condition : std::span<const P>(conditions, withHide ? 3 : 2)) {
    std::string& token = slots[condition];
    if (token.empty()) continue;
    const std::string written = token;
    if (const Msg code = RewriteOperandToken(plc, token, run.settings.postProcess); code != Msg::Ok) {
      // The operand, after the parameter's keyword.
      fault = {OperandDetail(plc, written, code), slots.WordOf(condition),
               static_cast<unsigned>(written.size() - ItemParamValue(written, condition).size())};
      return code;
    }
  }
  return Msg::Ok;
}

// A name the item names that the run does not know: the word (from a
// character on, after a parameter's keyword).
Msg UnknownName(const RunContext& run, std::string_view name, Fault& fault, int word, std::size_t from = 0) {
  fault = {UnknownNameDetail(name, run.names.AllNames()), word, static_cast<unsigned>(from)};
  return Msg::UnknownName;
}

// A field as the project reader will split it again: a token that holds a
// separator (it was quoted in the menu project) is written within quotes, as
// menu attributes are, so that a -gensys run reads the same token back.
std::string Field(std::string_view token) {
  if (token.find_first_of(" \t,=;'\"") == std::string_view::npos) return std::string(token);
  // A quoted token never holds its own quote character.
  char quote = token.find('"') == std::string_view::npos ? '"' : '\'';
  return quote + std::string(token) + quote;
}

// 0, or 8220 when the generated project cannot take the line.
Msg WriteLine(RunContext& run, const std::string& line, Fault& fault) {
  File* out = run.outputs.generatedProject.get();
  if (run.settings.mode != RunMode::Project || !out || out->WriteText(line)) return Msg::Ok;
  fault = {DisplayPath(run.paths, run.outputs.generatedProjectFile) + " (a line cannot be written)"};
  return Msg::OpenFailed;
}

Msg CheckBlank(RunContext& run, const MenuItemDef& def, const std::vector<std::string>& tokens, Fault& fault) {
  // A -check run has nothing to look up for a blank slot.
  if (run.settings.mode == RunMode::Check) return Msg::Ok;
  if (tokens.size() == 1) {
    return WriteLine(run, Field(tokens[0]) + "\n", fault);
  }
  if (!NameKnown(run, tokens[1])) return UnknownName(run, tokens[1], fault, 1);
  // Only IDENT: counts; anything else on a blank slot is passed over.
  std::string ident;
  for (std::size_t i = FirstParamToken(def); i < tokens.size(); ++i)
    if (MatchItemParam(tokens[i], def.checkerParams) == P::Ident) ident = tokens[i];
  return WriteLine(run, Field(tokens[0]) + " " + Field(tokens[1]) + " " + Field(ident) + "\n", fault);
}

}  // namespace

Msg CheckMenuItem(RunContext& run, PlcSymbolTables& plc, MenuItemKind kind, const std::vector<std::string>& tokens,
                  bool active, Fault& fault) {
  const MenuItemDef* def = FindMenuItemDef(kind);
  if (!def) return Msg::Ok;
  if (tokens.size() < def->minTokens || tokens.size() > def->maxCheckerTokens) {
    // Too few: the keyword; too many: the first word beyond the limit.
    const bool few = tokens.size() < def->minTokens;
    fault = {WordCountDetail(*def, false), few ? 0 : static_cast<int>(def->maxCheckerTokens)};
    return few ? Msg::TooFewTokens : Msg::TooManyTokens;
  }
  if (def->kind == MenuItemKind::Blank) return CheckBlank(run, *def, tokens, fault);

  const ItemLayout* layout = FindLayout(def->kind);
  if (!layout) return Msg::Ok;

  if (!NameKnown(run, tokens[1])) return UnknownName(run, tokens[1], fault, 1);
  if (def->hasTargetMenu && !NameKnown(run, tokens[2])) return UnknownName(run, tokens[2], fault, 2);

  ItemSlots slots;
  slots.pythonPath = run.project.pythonPath;
  for (std::size_t i = FirstParamToken(*def); i < tokens.size(); ++i) {
    const std::string& token = tokens[i];
    const int word = static_cast<int>(i);
    std::optional<P> param = MatchItemParam(token, def->checkerParams);
    if (!param) {
      fault = {UnknownParameterDetail(*def, token, false), word};
      return Msg::UnknownParameter;
    }
    slots.WordOf(*param) = word;
    if (IsPythonParam(*param)) {
      std::string detail;
      if (const Msg status = TakePythonParam(run, *param, token, slots, detail); status != Msg::Ok) {
        // A script that is not there: its name, after PYSCRIPT:.
        fault = {detail, word,
                 status == Msg::SourceMissing ? static_cast<unsigned>(token.size() - ItemParamValue(token, *param).size())
                                              : 0u};
        return status;
      }
      continue;
    }
    switch (*param) {
      case P::LargeWindow:
      case P::SmallWindow:
      case P::ClosePlcWindow:
        slots[kWindowSlot] = token;
        break;
      case P::PopupMenu:
        if (!NameKnown(run, ItemParamValue(token, P::PopupMenu)))
          return UnknownName(run, ItemParamValue(token, P::PopupMenu), fault, word,
                             token.size() - ItemParamValue(token, P::PopupMenu).size());
        slots[P::PopupMenu] = token;
        break;
      default:
        slots[*param] = token;
        break;
    }
  }

  // An operand of a switched-off section may name symbols of another machine
  // variant, so its faults are not the run's.
  Fault operandFault;
  Msg result = CheckOperands(run, plc, slots, layout->pythonAndHide, operandFault);
  if (!active) result = Msg::Ok;
  if (result != Msg::Ok) fault = operandFault;

  // The line is written also after a failed operand check, so that the
  // generated project keeps the item.
  std::string line = Field(tokens[0]) + " " + Field(tokens[1]);
  if (def->hasTargetMenu) line += " " + Field(tokens[2]);
  for (P field : layout->fields) {
    line += ' ';
    line += Field(slots[field]);
  }
  if (layout->pythonAndHide && !slots[P::PyName].empty()) {
    for (P field : {P::PyName, P::PyMem, P::PyScript, P::PyPara}) {
      line += ' ';
      line += Field(slots[field]);
    }
  }
  line += '\n';
  Fault writeFault;
  const Msg written = WriteLine(run, line, writeFault);
  if (result == Msg::Ok) fault = writeFault;
  return result != Msg::Ok ? result : written;
}

}  // namespace q32
