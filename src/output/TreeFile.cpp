#include "output/TreeFile.h"

#include <cctype>
#include <charconv>
#include <concepts>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "output/CreationDate.h"
#include "paths/Paths.h"
#include "platform/Host.h"
#include "plc/PlcOperands.h"
#include "run/RunContext.h"
#include "text/Ascii.h"
#include "text/Format.h"
#include "vocab/Vocabulary.h"

namespace q32 {

namespace {


std::string_view SkipBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return text.substr(i);
}

// strtoul/strtol need a terminated copy; tokens are short.
template <typename T, typename F>
bool ScanWith(std::string_view text, int base, T& value, F convert) {
  std::string copy(text);
  const char* begin = copy.c_str();
  char* end = nullptr;
  errno = 0;
  value = convert(begin, &end, base);
  return end != begin;
}

bool ScanUnsigned(std::string_view text, unsigned long& value, int base) {
  text = SkipBlanks(text);
  // strtoul accepts a sign; "%u" and "%X" do too, so keep that.
  return ScanWith(text, base, value, [](const char* b, char** e, int n) { return std::strtoul(b, e, n); });
}

// atoi: leading decimal digits with an optional sign, 0 when there are none.
std::int32_t LeadingInteger(std::string_view text) {
  std::int32_t value = 0;
  if (!ScanDecimal(text, value)) return 0;
  return value;
}

// The item parameters, each recognised by a case-insensitive prefix.
using P = ItemParam;

// How the fields of an item follow its softkey part.
enum class ItemLayout { Blank, Back, End, Goto, Action, Check, State };

ItemLayout LayoutOf(MenuItemKind kind) {
  switch (kind) {
    case MenuItemKind::Blank: return ItemLayout::Blank;
    case MenuItemKind::Back: return ItemLayout::Back;
    case MenuItemKind::End: return ItemLayout::End;
    case MenuItemKind::Goto:
    case MenuItemKind::Node: return ItemLayout::Goto;
    case MenuItemKind::Action:
    case MenuItemKind::Pulse: return ItemLayout::Action;
    case MenuItemKind::State: return ItemLayout::State;
    default: return ItemLayout::Check;
  }
}

// The code of inconsistent Python parameters, by item family.
Msg PythonErrorOf(ItemLayout layout) {
  switch (layout) {
    case ItemLayout::Goto: return Msg::IncompletePythonGoto;
    case ItemLayout::Action: return Msg::IncompletePythonAction;
    default: return Msg::IncompletePythonCheck;
  }
}

// The fields of one item, each at its default.
struct ItemFields {
  std::string enable = "-";
  std::string status = "-";
  std::string hide = "-";
  std::string overlay = "-1";
  std::string ident = "-";
  std::string helpFile = "-";
  std::int32_t helpId = -1;
  std::int32_t windowAction = -1;
  std::string windowArgument = "-";
  std::int64_t popupMenu = -1;
  char closePopup = '0';
  char firstInGroup = '0';
  char restoreWindow = '0';
  char pythonRestart = '0';
  std::int32_t repeatDelay = -1;
  std::int32_t repeatInterval = -1;
  std::int32_t states = 3;
  std::string pythonName;
  std::int32_t pythonMemory = 1;
  std::string pythonScript;
  std::string pythonParameter;
  // The words of the enable, status and hide conditions (-1: none given).
  int enableWord = -1, statusWord = -1, hideWord = -1;
};

// A flag parameter is switched off only by exactly ":0" or by ":FALSE" in
// any case after its keyword.
char FlagValue(std::string_view rest) {
  return rest == ":0" || EqualsIgnoringCase(rest, ":FALSE") ? '0' : '1';
}

Msg StoreText(std::string& field, std::string_view value, std::size_t limit = kMaxItemTextLength) {
  if (value.size() > limit) return Msg::ValueInvalid;
  field.assign(value);
  return Msg::Ok;
}

Msg ApplyParameter(RunContext& run, ItemParam param, std::string_view rest, ItemFields& f) {
  switch (param) {
    case P::Overlay: return StoreText(f.overlay, rest);
    case P::Enable: return StoreText(f.enable, rest);
    case P::Status: return StoreText(f.status, rest);
    case P::Hide: return StoreText(f.hide, rest);
    case P::Ident: return StoreText(f.ident, rest);
    case P::HelpFile: return StoreText(f.helpFile, rest);
    case P::HelpId: f.helpId = LeadingInteger(rest); return Msg::Ok;
    case P::SmallWindow: f.windowAction = 0; return StoreText(f.windowArgument, rest);
    case P::LargeWindow: f.windowAction = 1; return StoreText(f.windowArgument, rest);
    case P::ClosePlcWindow: f.windowAction = 3; f.windowArgument.assign(1, '-'); return Msg::Ok;
    case P::PopupMenu:
      f.popupMenu = run.names.FindSoftkeyIndex(rest);
      return f.popupMenu < 0 ? Msg::UnknownName : Msg::Ok;
    case P::ClosePopupMenu: f.closePopup = FlagValue(rest); return Msg::Ok;
    case P::FirstInGroup: f.firstInGroup = FlagValue(rest); return Msg::Ok;
    case P::RestorePlcWindow: f.restoreWindow = FlagValue(rest); return Msg::Ok;
    case P::PyRestart: f.pythonRestart = FlagValue(rest); return Msg::Ok;
    case P::RepeatDelay: f.repeatDelay = LeadingInteger(rest); return Msg::Ok;
    case P::RepeatInterval: f.repeatInterval = LeadingInteger(rest); return Msg::Ok;
    case P::States: f.states = LeadingInteger(rest); return Msg::Ok;
    case P::PyName: return StoreText(f.pythonName, rest, kMaxPythonNameLength);
    case P::PyMem:
      f.pythonMemory = LeadingInteger(rest);
      return f.pythonMemory < 0 || f.pythonMemory > run.settings.pyMemLimit ? Msg::ValueInvalid : Msg::Ok;
    case P::PyScript: return StoreText(f.pythonScript, rest);
    case P::PyPara: return StoreText(f.pythonParameter, rest);
    case P::PyPath: break;  // only the menu item checker takes a script directory
  }
  return Msg::UnknownParameter;
}

// The fields of an item line, each after a blank: a text as it is, a
// number in decimal.  A project writes thousands of these lines, each put
// together here without a format to read.
void AppendField(std::string& line, std::string_view text) {
  line += ' ';
  line.append(text);
}
void AppendField(std::string& line, char c) {
  const char field[2] = {' ', c};
  line.append(field, sizeof field);
}
// The blank and the digits go in with one append.
template <std::integral T>
  requires(!std::same_as<T, char>)
void AppendField(std::string& line, T number) {
  char field[24];
  field[0] = ' ';
  const char* end = std::to_chars(field + 1, field + sizeof field, number).ptr;
  line.append(field, static_cast<std::size_t>(end - field));
}
template <typename... T>
void AppendFields(std::string& line, const T&... fields) {
  (AppendField(line, fields), ...);
}

// The Python part: name, memory, script and parameter.
Msg AppendPythonPart(std::string& line, const ItemFields& f, Msg errorCode) {
  const bool noName = f.pythonName.empty();
  if (noName && f.pythonScript.empty() && f.pythonParameter.empty()) {
    line += " - -1 - -";
    return Msg::Ok;
  }
  if (noName) return errorCode;
  if (f.pythonMemory == 0) {
    AppendField(line, f.pythonName);
    line += " 0 - -";
    return Msg::Ok;
  }
  if (f.pythonScript.empty()) return errorCode;
  AppendFields(line, f.pythonName, f.pythonMemory, f.pythonScript,
               f.pythonParameter.empty() ? std::string_view("-") : std::string_view(f.pythonParameter));
  return Msg::Ok;
}

// " number path" of the softkey that a name stands for.
void AppendSoftkeyPart(const RunContext& run, std::string& line, std::uint32_t index) {
  const SoftkeyNameEntry* entry = run.names.FindSoftkeyByIndex(index);
  AppendField(line, index);
  if (!entry) {
    line += " <name not found!>";
  } else if (entry->path.find(' ') != std::string::npos) {
    line += " \"";
    line += entry->path;
    line += '"';
  } else {
    AppendField(line, entry->path);
  }
}

// The enable, status and hide conditions of an item are PLC operands; with a
// PLC project information file they are checked against its symbols.  The
// first non-zero answer ends the checks; a warning is dropped.
Msg CheckItemOperands(RunContext& run, PlcSymbolTables& plc, const ItemFields& f, Fault& fault) {
  if (!run.settings.pjGiven) return Msg::Ok;
  static constexpr std::string_view kConditions[] = {"ENABLE:", "STATUS:", "HIDE:"};
  const std::string* conditions[] = {&f.enable, &f.status, &f.hide};
  const int words[] = {f.enableWord, f.statusWord, f.hideWord};
  for (int c = 0; c < 3; ++c) {
    if (*conditions[c] == "-") continue;
    std::string operand = *conditions[c];
    OperandResult found;
    Msg result = CheckOperand(plc, operand, found);
    if (result == Msg::Ok) continue;
    if (!IsError(result)) return Msg::Ok;
    // The operand, after the parameter's keyword.
    fault = {OperandDetail(plc, std::string(kConditions[c]) + *conditions[c], result), words[c],
             static_cast<unsigned>(kConditions[c].size())};
    return result;
  }
  return Msg::Ok;
}

// Why a parameter's value is refused: too long, or above the memory limit.
std::string ValueDetail(const RunContext& run, ItemParam param, const std::string& token) {
  if (param == P::PyMem) return token + " (at most " + std::to_string(run.settings.pyMemLimit) + ")";
  return token + " (at most " +
         std::to_string(param == P::PyName ? kMaxPythonNameLength : kMaxItemTextLength) + " characters)";
}

// A Python part that lacks what it needs.
const char* PythonDetail(const ItemFields& f) {
  return f.pythonName.empty() ? "a Python script or parameter without PYNAME:" : "PYNAME: without PYSCRIPT:";
}

}  // namespace

bool ScanDecimal(std::string_view text, std::int32_t& value) {
  text = SkipBlanks(text);
  long long wide = 0;
  if (!ScanWith(text, 10, wide, [](const char* b, char** e, int n) { return std::strtoll(b, e, n); }))
    return false;
  value = static_cast<std::int32_t>(static_cast<std::uint32_t>(wide));
  return true;
}

bool NamesSystemList(std::string_view path) {
  return EqualsIgnoringCase(FileNameOf(path), kSystemListName);
}

std::string TreeFilePath(const RunContext& run) {
  const RunSettings& s = run.settings;
  if (s.outputDir.empty()) return run.outputs.treeFile;
  std::string path = s.outputDir + "\\" + std::string(FileNameOf(run.outputs.treeFile));
  return path.size() > kMaxPathLength ? std::string() : path;
}

Msg OpenTreeFile(RunContext& run, std::string_view topProjectFile) {
  const RunSettings& s = run.settings;
  if (NamesSystemList(run.outputs.treeFile)) return Msg::TreeNamedLikeSystemList;
  std::string path = TreeFilePath(run);
  if (path.empty()) return Msg::OpenFailed;
  std::unique_ptr<File> file = run.fs.Open(path, FileMode::WriteText);
  if (!file) return Msg::OpenFailed;
  run.outputs.createdTreeFiles.push_back(path);

  std::string shown = DisplayPath(run.paths, path);
  ShowProgress(run.diag, Progress::Menu);
  ShowProgress(run.diag, Progress::Processing, shown.c_str());
  LogLine(run.diag, "GeneratingMenu \"%s\" %s", shown.c_str(), s.destDir.c_str());
  if (s.IsEmbedded() && run.diag.console) std::fflush(run.diag.console);

  std::string header;
  header += kTreeFileHeader;
  header += "\n; Creation date:   ";
  header += FormatCreationDate(CreationTime());
  header += "\n; Softkey project: ";
  header += topProjectFile;
  header += "\n";
  const ProjectSettings& c = run.project;
  if (!c.destPath.empty()) header += "P " + c.destPath + "\n";
  if (!c.helpFile.empty()) header += "h " + c.helpFile + "\n";
  if (!c.moPath.empty())
    header += "t " + c.moPath + " " + (c.moDomain.empty() ? std::string("softkeys") : c.moDomain) + "\n";
  bool written = file->WriteText(header);
  run.outputs.tree = std::move(file);
  return written ? Msg::Ok : Msg::OpenFailed;
}

void CloseTreeFile(RunContext& run) {
  if (run.outputs.tree) {
    run.outputs.tree->Close();
    run.outputs.tree.reset();
  }
}

namespace {
using V = WordKind;
consteval std::string_view W(V kind, std::string_view word) { return VocabularyWord(kind, word); }
}  // namespace

MenuAttributes ParseMenuAttributes(std::span<const std::string> attributes) {
  struct KindRecord {
    std::string_view keyword;
    char kind;
    bool root;
  };
  static constexpr KindRecord kKinds[] = {
      {W(V::MenuAttribute, "VROOT"), 'V', true},    {W(V::MenuAttribute, "HROOT"), 'H', true},
      {W(V::MenuAttribute, "LROOT"), 'l', true},    {W(V::MenuAttribute, "IHROOT"), 'I', true},
      {W(V::MenuAttribute, "IVROOT"), 'i', true},   {W(V::MenuAttribute, "HRROOT"), 'W', false},
      {W(V::MenuAttribute, "HRMENU"), 'L', false},
  };
  struct ModeRecord {
    std::string_view keyword;
    char mode;
  };
  static constexpr ModeRecord kModes[] = {
      {W(V::MenuAttribute, "MMODE"), 'M'}, {W(V::MenuAttribute, "EMODE"), 'E'}, {W(V::MenuAttribute, "OMODE"), 'O'}};
  static constexpr std::string_view kMenuNumber = W(V::MenuAttribute, "MENUNR:");
  static constexpr std::string_view kTitle = W(V::MenuAttribute, "TITLE:");
  static constexpr std::string_view kIdent = W(V::MenuAttribute, "IDENT:");
  static_assert(std::size(kKinds) + std::size(kModes) + 3 == CountWords(WordKind::MenuAttribute),
                "every menu attribute has its reading");

  MenuAttributes menu;
  for (std::size_t i = 0; i < attributes.size(); ++i) {
    const std::string& token = attributes[i];
    bool matched = false;
    for (const KindRecord& k : kKinds) {
      if (StartsWithIgnoringCase(token, k.keyword)) {
        menu.kind = k.kind;
        menu.root = menu.root || k.root;
        matched = true;
        break;
      }
    }
    if (matched) continue;
    for (const ModeRecord& m : kModes) {
      if (StartsWithIgnoringCase(token, m.keyword)) {
        menu.mode = m.mode;
        matched = true;
        break;
      }
    }
    if (matched) continue;
    std::string_view t = token;
    if (StartsWithIgnoringCase(t, kMenuNumber)) {
      // The number is read after the upper-case text only, so "menunr:5"
      // is recognised but cannot be read.
      std::int32_t number = 0;
      menu.hasNumber = t.substr(0, kMenuNumber.size()) == kMenuNumber && ScanDecimal(t.substr(kMenuNumber.size()), number);
      if (menu.hasNumber) menu.number = number;
      else menu.unreadableNumbers.push_back(i);
    } else if (StartsWithIgnoringCase(t, kTitle)) {
      // A title belongs to the kinds that show one, so it must follow them.
      if (menu.kind == 'W' || menu.kind == 'L') {
        std::string_view title = t.substr(kTitle.size());
        menu.title.assign(title);
        if (title.find(' ') != std::string_view::npos) {
          menu.title.insert(menu.title.begin(), '"');
          menu.title.push_back('"');
        }
      }
    } else if (StartsWithIgnoringCase(t, kIdent)) {
      menu.ident.assign(t.substr(kIdent.size()));
    } else {
      menu.unknown.push_back(i);
    }
  }
  return menu;
}

std::string MenuAttributeDetail(std::string_view word) {
  std::vector<std::string_view> attributes;
  for (const VocabularyEntry& e : Vocabulary())
    if (e.kind == WordKind::MenuAttribute) attributes.push_back(e.word);
  const std::size_t colon = word.find(':');
  const std::string_view nearest =
      NearestWord(colon == std::string_view::npos ? word : word.substr(0, colon + 1), attributes);
  return std::string(word) + (nearest.empty() ? std::string() : " (did you mean " + std::string(nearest) + "?)");
}

std::string FormatMenuLine(const MenuAttributes& menu, std::uint32_t number) {
  std::string line;
  AppendFormat(line, "%c %u %c %s %s\n", menu.kind, number, menu.mode, menu.title.c_str(),
         menu.ident.c_str());
  return line;
}

Msg ParseRowDefinition(const std::vector<std::string>& tokens, std::uint32_t& first,
                       std::uint32_t& last) {
  if (tokens.size() != 3) return Msg::TooFewTokens;
  std::int32_t a = 0, b = 0;
  if (!ScanDecimal(tokens[1], a) || !ScanDecimal(tokens[2], b)) return Msg::ValueInvalid;
  if (a < 0 || b < 0 || a > b) return Msg::ValueInvalid;
  first = static_cast<std::uint32_t>(a);
  last = static_cast<std::uint32_t>(b);
  return Msg::Ok;
}

Msg ParsePagingDefinition(const std::vector<std::string>& tokens, std::uint32_t& value) {
  if (tokens.size() != 2) return Msg::TooFewTokens;
  std::string_view text = tokens[1];
  unsigned long v = 0;
  // "0x" and hexadecimal digits, failing that an unsigned decimal number.
  bool read = (text.substr(0, 2) == "0x" && ScanUnsigned(text.substr(2), v, 16)) ||
              ScanUnsigned(text, v, 10);
  if (!read || v > kMaxPagingKey) return Msg::ValueInvalid;
  value = static_cast<std::uint32_t>(v);
  return Msg::Ok;
}

Msg WriteTreeLine(RunContext& run, std::string_view line) {
  File* tree = run.outputs.tree.get();
  if (!tree) return Msg::OpenFailed;
  return tree->WriteText(line) ? Msg::Ok : Msg::OpenFailed;
}

Msg BuildTreeItem(RunContext& run, PlcSymbolTables& plc, MenuItemKind kind, const std::vector<std::string>& tokens,
                  std::string& line, Fault& fault) {
  line.clear();
  const MenuItemDef* def = FindMenuItemDef(kind);
  if (!def) return Msg::Ok;  // #PRAGMA and other lines write nothing
  const ItemLayout layout = LayoutOf(kind);
  const std::size_t count = tokens.size();
  if (count < def->minTokens || count > def->maxTreeTokens) {
    // Too few: the keyword; too many: the first word beyond the limit.
    const bool few = count < def->minTokens;
    fault = {WordCountDetail(*def, true), few ? 0 : static_cast<int>(def->maxTreeTokens)};
    return few ? Msg::TooFewTokens : Msg::TooManyTokens;
  }
  // A name the run does not know: the word (after a parameter's keyword).
  auto unknownName = [&](std::string_view name, std::size_t word, std::size_t from = 0) {
    fault = {UnknownNameDetail(name, run.names.AllNames()), static_cast<int>(word), static_cast<unsigned>(from)};
    return Msg::UnknownName;
  };
  std::string& detail = fault.detail;

  line += static_cast<char>(kind);
  if (layout == ItemLayout::Blank && count == 1) {
    line += " -1 -\n";
    return Msg::Ok;
  }
  std::int64_t softkey = run.names.FindSoftkeyIndex(tokens[1]);
  if (softkey < 0) return unknownName(tokens[1], 1);
  AppendSoftkeyPart(run, line, static_cast<std::uint32_t>(softkey));

  ItemFields f;
  std::int64_t target = 0;
  if (def->hasTargetMenu) {
    target = run.names.FindSoftkeyIndex(tokens[2]);
    if (target < 0) return unknownName(tokens[2], 2);
  }
  for (std::size_t i = FirstParamToken(*def); i < count; ++i) {
    std::optional<ItemParam> param = MatchItemParam(tokens[i], def->treeParams);
    fault.word = static_cast<int>(i);
    if (def->ignoresOtherParams) {
      // An empty slot only carries an ident; everything else is ignored.
      if (param == P::Ident) {
        if (const Msg r = StoreText(f.ident, ItemParamValue(tokens[i], P::Ident)); r != Msg::Ok) {
          detail = ValueDetail(run, P::Ident, tokens[i]);
          return r;
        }
      }
      continue;
    }
    if (!param) {
      detail = UnknownParameterDetail(*def, tokens[i], true);
      return Msg::UnknownParameter;
    }
    if (const Msg r = ApplyParameter(run, *param, ItemParamValue(tokens[i], *param), f); r != Msg::Ok) {
      const std::string_view value = ItemParamValue(tokens[i], *param);
      if (r == Msg::UnknownName) return unknownName(value, i, tokens[i].size() - value.size());
      detail = ValueDetail(run, *param, tokens[i]);
      return r;
    }
    if (*param == P::Enable) f.enableWord = static_cast<int>(i);
    if (*param == P::Status) f.statusWord = static_cast<int>(i);
    if (*param == P::Hide) f.hideWord = static_cast<int>(i);
  }
  // What is wrong from here on is the item's as a whole.
  fault.word = -1;

  // A STATE item has no first-in-group flag; a blank keeps the columns.
  if (layout == ItemLayout::State) f.firstInGroup = ' ';
  const auto popup = static_cast<int>(f.popupMenu);
  switch (layout) {
    case ItemLayout::Blank:
      AppendFields(line, f.ident);
      break;
    case ItemLayout::Back:
      AppendFields(line, f.enable, f.status, f.closePopup, f.overlay, f.ident, f.helpFile, f.helpId,
                   f.restoreWindow, f.pythonRestart);
      break;
    case ItemLayout::End:
      AppendFields(line, f.enable, f.status, f.overlay, f.ident);
      if (f.helpId >= 0) AppendFields(line, f.helpFile, f.helpId);
      break;
    case ItemLayout::Goto:
      AppendFields(line, f.enable, f.status, static_cast<std::uint32_t>(target), f.windowAction, f.windowArgument,
                   popup, f.closePopup, f.overlay, f.ident, f.hide, f.helpFile, f.helpId);
      if (const Msg r = AppendPythonPart(line, f, PythonErrorOf(layout)); r != Msg::Ok) {
        detail = PythonDetail(f);
        return r;
      }
      break;
    case ItemLayout::Action:
      AppendFields(line, f.enable, f.status, f.firstInGroup, f.windowAction, f.windowArgument, popup, f.overlay,
                   f.ident, f.repeatDelay, f.repeatInterval, f.hide, f.helpFile, f.helpId);
      if (const Msg r = AppendPythonPart(line, f, PythonErrorOf(layout)); r != Msg::Ok) {
        detail = PythonDetail(f);
        return r;
      }
      break;
    case ItemLayout::Check:
    case ItemLayout::State:
      AppendFields(line, f.enable, f.status, f.firstInGroup, f.windowAction, f.windowArgument, popup, f.overlay,
                   f.ident, f.hide);
      if (layout == ItemLayout::State) AppendField(line, f.states);
      AppendFields(line, f.helpFile, f.helpId);
      if (const Msg r = AppendPythonPart(line, f, PythonErrorOf(layout)); r != Msg::Ok) {
        detail = PythonDetail(f);
        return r;
      }
      break;
  }
  line += '\n';
  return CheckItemOperands(run, plc, f, fault);
}

Msg WriteTreeItem(RunContext& run, PlcSymbolTables& plc, MenuItemKind kind, const std::vector<std::string>& tokens,
                  Fault& fault) {
  if (!FindMenuItemDef(kind)) return Msg::Ok;
  if (!run.outputs.tree) {
    fault = {"no tree file is open"};
    return Msg::OpenFailed;
  }
  // Room for an item line at once (a project writes thousands).
  std::string line;
  line.reserve(192);
  if (const Msg r = BuildTreeItem(run, plc, kind, tokens, line, fault); r != Msg::Ok) return r;
  if (const Msg r = WriteTreeLine(run, line); r != Msg::Ok) {
    fault = {DisplayPath(run.paths, TreeFilePath(run)) + " (a line cannot be written)"};
    return r;
  }
  return Msg::Ok;
}

}  // namespace q32
