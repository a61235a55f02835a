#include "output/TreeFile.h"

#include <cctype>
#include <cstdarg>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "diag/Diagnostics.h"
#include "output/CreationDate.h"
#include "paths/Paths.h"
#include "platform/Host.h"
#include "plc/PlcOperands.h"
#include "project/RunContext.h"

namespace q32 {

namespace {

// Message codes of the tree file.
constexpr int kValueInvalid = 8204;
constexpr int kTooManyTokens = 8205;
constexpr int kTooFewTokens = 8207;
constexpr int kUnknownParameter = 8208;
constexpr int kCannotOpen = 8220;
constexpr int kNameUnknown = 8270;
constexpr int kNamesSystemList = 8282;

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
enum ItemParam : unsigned {
  P_OVERLAY,
  P_ENABLE,
  P_STATUS,
  P_HIDE,
  P_IDENT,
  P_HELPFILE,
  P_HELPID,
  P_SMALLWINDOW,
  P_LARGEWINDOW,
  P_CLOSEPLCWINDOW,
  P_POPUPMENU,
  P_CLOSEPOPUPMENU,
  P_FIRSTINGROUP,
  P_RESTOREPLCWINDOW,
  P_PYRESTART,
  P_REPEATDELAY,
  P_REPEATINTERVAL,
  P_STATES,
  P_PYNAME,
  P_PYMEM,
  P_PYSCRIPT,
  P_PYPARA,
};

struct ItemParamRecord {
  const char* prefix;
  ItemParam param;
};

constexpr ItemParamRecord kItemParams[] = {
    {"OVERLAY:", P_OVERLAY},
    {"ENABLE:", P_ENABLE},
    {"STATUS:", P_STATUS},
    {"HIDE:", P_HIDE},
    {"IDENT:", P_IDENT},
    {"HELPFILE:", P_HELPFILE},
    {"HELPID:", P_HELPID},
    {"SMALLWINDOW:", P_SMALLWINDOW},
    {"LARGEWINDOW:", P_LARGEWINDOW},
    {"CLOSEPLCWINDOW", P_CLOSEPLCWINDOW},
    {"POPUPMENU:", P_POPUPMENU},
    {"CLOSEPOPUPMENU", P_CLOSEPOPUPMENU},
    {"FIRSTINGROUP", P_FIRSTINGROUP},
    {"RESTOREPLCWINDOW", P_RESTOREPLCWINDOW},
    {"PYRESTART", P_PYRESTART},
    {"REPEATDELAY:", P_REPEATDELAY},
    {"REPEATINTERVAL:", P_REPEATINTERVAL},
    {"STATES:", P_STATES},
    {"PYNAME:", P_PYNAME},
    {"PYMEM:", P_PYMEM},
    {"PYSCRIPT:", P_PYSCRIPT},
    {"PYPARA:", P_PYPARA},
};

constexpr std::uint32_t Bit(ItemParam p) { return 1u << p; }

constexpr std::uint32_t kBackParams = Bit(P_OVERLAY) | Bit(P_STATUS) | Bit(P_ENABLE) |
                                      Bit(P_CLOSEPOPUPMENU) | Bit(P_IDENT) | Bit(P_HELPFILE) |
                                      Bit(P_HELPID) | Bit(P_RESTOREPLCWINDOW) | Bit(P_PYRESTART);
constexpr std::uint32_t kEndParams = Bit(P_OVERLAY) | Bit(P_STATUS) | Bit(P_ENABLE) | Bit(P_IDENT) |
                                     Bit(P_HELPFILE) | Bit(P_HELPID);
constexpr std::uint32_t kPythonParams = Bit(P_PYNAME) | Bit(P_PYMEM) | Bit(P_PYSCRIPT) | Bit(P_PYPARA);
constexpr std::uint32_t kWindowParams = Bit(P_LARGEWINDOW) | Bit(P_SMALLWINDOW) | Bit(P_CLOSEPLCWINDOW);
constexpr std::uint32_t kGotoParams = Bit(P_OVERLAY) | Bit(P_ENABLE) | Bit(P_STATUS) | kWindowParams |
                                      Bit(P_POPUPMENU) | Bit(P_CLOSEPOPUPMENU) | Bit(P_IDENT) |
                                      Bit(P_HIDE) | Bit(P_HELPFILE) | Bit(P_HELPID) | kPythonParams;
constexpr std::uint32_t kCheckParams = Bit(P_OVERLAY) | Bit(P_ENABLE) | Bit(P_STATUS) |
                                       Bit(P_FIRSTINGROUP) | kWindowParams | Bit(P_POPUPMENU) |
                                       Bit(P_IDENT) | Bit(P_HIDE) | Bit(P_HELPFILE) | Bit(P_HELPID) |
                                       kPythonParams;
constexpr std::uint32_t kActionParams = kCheckParams | Bit(P_REPEATDELAY) | Bit(P_REPEATINTERVAL);
constexpr std::uint32_t kStateParams = (kCheckParams & ~Bit(P_FIRSTINGROUP)) | Bit(P_STATES);

// How the fields of an item follow its softkey part.
enum class ItemLayout { Blank, Back, End, Goto, Action, Check, State };

struct ItemKindRecord {
  int kind;
  std::size_t minTokens, maxTokens;
  std::uint32_t accepted;
  ItemLayout layout;
  int pythonError;  // code for inconsistent Python parameters
};

constexpr ItemKindRecord kItemKinds[] = {
    {ITEM_BLANK, 1, 4, Bit(P_IDENT), ItemLayout::Blank, 0},
    {ITEM_BACK, 2, 9, kBackParams, ItemLayout::Back, 0},
    {ITEM_END, 2, 8, kEndParams, ItemLayout::End, 0},
    {ITEM_GOTO, 3, 13, kGotoParams, ItemLayout::Goto, 8217},
    {ITEM_NODE, 3, 13, kGotoParams, ItemLayout::Goto, 8217},
    {ITEM_ACTION, 2, 15, kActionParams, ItemLayout::Action, 8298},
    {ITEM_PULSE, 2, 15, kActionParams, ItemLayout::Action, 8298},
    {ITEM_CHECK, 2, 13, kCheckParams, ItemLayout::Check, 9999},
    {ITEM_RADIO, 2, 13, kCheckParams, ItemLayout::Check, 9999},
    {ITEM_STATE, 2, 13, kStateParams, ItemLayout::State, 9999},
};

const ItemKindRecord* FindItemKind(int kind) {
  for (const ItemKindRecord& r : kItemKinds)
    if (r.kind == kind) return &r;
  return nullptr;
}

const ItemParamRecord* FindItemParam(std::string_view token) {
  for (const ItemParamRecord& r : kItemParams)
    if (StartsWithIgnoringCase(token, r.prefix)) return &r;
  return nullptr;
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
};

// A flag parameter is switched off only by exactly ":0" or by ":FALSE" in
// any case after its keyword.
char FlagValue(std::string_view rest) {
  return rest == ":0" || EqualsIgnoringCase(rest, ":FALSE") ? '0' : '1';
}

int StoreText(std::string& field, std::string_view value, std::size_t limit = kMaxItemTextLength) {
  if (value.size() > limit) return kValueInvalid;
  field.assign(value);
  return 0;
}

int ApplyParameter(RunContext& run, ItemParam param, std::string_view rest, ItemFields& f) {
  switch (param) {
    case P_OVERLAY: return StoreText(f.overlay, rest);
    case P_ENABLE: return StoreText(f.enable, rest);
    case P_STATUS: return StoreText(f.status, rest);
    case P_HIDE: return StoreText(f.hide, rest);
    case P_IDENT: return StoreText(f.ident, rest);
    case P_HELPFILE: return StoreText(f.helpFile, rest);
    case P_HELPID: f.helpId = LeadingInteger(rest); return 0;
    case P_SMALLWINDOW: f.windowAction = 0; return StoreText(f.windowArgument, rest);
    case P_LARGEWINDOW: f.windowAction = 1; return StoreText(f.windowArgument, rest);
    case P_CLOSEPLCWINDOW: f.windowAction = 3; f.windowArgument.assign(1, '-'); return 0;
    case P_POPUPMENU:
      f.popupMenu = run.names.FindSoftkeyIndex(rest);
      return f.popupMenu < 0 ? kNameUnknown : 0;
    case P_CLOSEPOPUPMENU: f.closePopup = FlagValue(rest); return 0;
    case P_FIRSTINGROUP: f.firstInGroup = FlagValue(rest); return 0;
    case P_RESTOREPLCWINDOW: f.restoreWindow = FlagValue(rest); return 0;
    case P_PYRESTART: f.pythonRestart = FlagValue(rest); return 0;
    case P_REPEATDELAY: f.repeatDelay = LeadingInteger(rest); return 0;
    case P_REPEATINTERVAL: f.repeatInterval = LeadingInteger(rest); return 0;
    case P_STATES: f.states = LeadingInteger(rest); return 0;
    case P_PYNAME: return StoreText(f.pythonName, rest, kMaxPythonNameLength);
    case P_PYMEM:
      f.pythonMemory = LeadingInteger(rest);
      return f.pythonMemory < 0 || f.pythonMemory > run.settings.pyMemLimit ? kValueInvalid : 0;
    case P_PYSCRIPT: return StoreText(f.pythonScript, rest);
    case P_PYPARA: return StoreText(f.pythonParameter, rest);
  }
  return kUnknownParameter;
}

void Append(std::string& line, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Append(std::string& line, const char* format, ...) {
  char small[256];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
    line.append(small, static_cast<std::size_t>(n));
  } else if (n > 0) {
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), format, again);
    line.append(big.data(), static_cast<std::size_t>(n));
  }
  va_end(again);
}

// The Python part: name, memory, script and parameter.
int AppendPythonPart(std::string& line, const ItemFields& f, int errorCode) {
  const bool noName = f.pythonName.empty();
  if (noName && f.pythonScript.empty() && f.pythonParameter.empty()) {
    line += " - -1 - -";
    return 0;
  }
  if (noName) return errorCode;
  if (f.pythonMemory == 0) {
    Append(line, " %s 0 - -", f.pythonName.c_str());
    return 0;
  }
  if (f.pythonScript.empty()) return errorCode;
  Append(line, " %s %d %s %s", f.pythonName.c_str(), f.pythonMemory, f.pythonScript.c_str(),
         f.pythonParameter.empty() ? "-" : f.pythonParameter.c_str());
  return 0;
}

// " number path" of the softkey that a name stands for.
void AppendSoftkeyPart(const RunContext& run, std::string& line, std::uint32_t index) {
  const SoftkeyNameEntry* entry = run.names.FindSoftkeyByIndex(index);
  if (!entry) {
    Append(line, " %u <name not found!>", index);
  } else if (entry->path.find(' ') != std::string::npos) {
    Append(line, " %u \"%s\"", index, entry->path.c_str());
  } else {
    Append(line, " %u %s", index, entry->path.c_str());
  }
}

// The enable, status and hide conditions of an item are PLC operands; with a
// PLC project information file they are checked against its symbols.  The
// first non-zero answer ends the checks; a warning is dropped.
int CheckItemOperands(RunContext& run, const ItemFields& f) {
  if (!run.settings.pjGiven) return 0;
  for (const std::string* condition : {&f.enable, &f.status, &f.hide}) {
    if (*condition == "-") continue;
    std::string operand = *condition;
    OperandResult found;
    int result = CheckOperand(run.plc, operand, found);
    if (result != 0) return result > 0 ? result : 0;
  }
  return 0;
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
  if (s.outputDir.empty()) return s.treeFile;
  std::string path = s.outputDir + "\\" + std::string(FileNameOf(s.treeFile));
  return path.size() > kMaxPathLength ? std::string() : path;
}

int OpenTreeFile(RunContext& run, std::string_view topProjectFile) {
  RunSettings& s = run.settings;
  if (NamesSystemList(s.treeFile)) return kNamesSystemList;
  std::string path = TreeFilePath(run);
  if (path.empty()) return kCannotOpen;
  std::unique_ptr<File> file = run.fs.Open(path, FileMode::WriteText);
  if (!file) return kCannotOpen;
  run.settings.createdTreeFiles.push_back(path);

  std::string shown = DisplayPath(run.paths, path);
  ShowProgress(run.diag, 4);
  ShowProgress(run.diag, 1, shown.c_str());
  LogLine(run.diag, "GeneratingMenu \"%s\" %s", shown.c_str(), s.destDir.c_str());
  if (s.IsEmbedded() && run.diag.console) std::fflush(run.diag.console);

  std::string header;
  header += kTreeFileHeader;
  header += "\n; Creation date:   ";
  header += FormatCreationDate(CreationTime());
  header += "\n; Softkey project: ";
  header += topProjectFile;
  header += "\n";
  const SoftkeyContext& c = run.softkey;
  if (!c.destPath.empty()) header += "P " + c.destPath + "\n";
  if (!c.helpFile.empty()) header += "h " + c.helpFile + "\n";
  if (!c.moPath.empty())
    header += "t " + c.moPath + " " + (c.moDomain.empty() ? std::string("softkeys") : c.moDomain) + "\n";
  bool written = file->WriteText(header);
  s.treeStream = std::move(file);
  return written ? 0 : kCannotOpen;
}

void CloseTreeFile(RunContext& run) {
  if (run.settings.treeStream) {
    run.settings.treeStream->Close();
    run.settings.treeStream.reset();
  }
}

MenuAttributes ParseMenuAttributes(std::span<const std::string> attributes) {
  struct KindRecord {
    const char* keyword;
    char kind;
    bool root;
  };
  static constexpr KindRecord kKinds[] = {
      {"VROOT", 'V', true},   {"HROOT", 'H', true},   {"LROOT", 'l', true},  {"IHROOT", 'I', true},
      {"IVROOT", 'i', true},  {"HRROOT", 'W', false}, {"HRMENU", 'L', false},
  };
  struct ModeRecord {
    const char* keyword;
    char mode;
  };
  static constexpr ModeRecord kModes[] = {{"MMODE", 'M'}, {"EMODE", 'E'}, {"OMODE", 'O'}};

  MenuAttributes menu;
  for (const std::string& token : attributes) {
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
    if (StartsWithIgnoringCase(t, "MENUNR:")) {
      // The number is read after the upper-case text only, so "menunr:5"
      // is recognised but cannot be read.
      std::int32_t number = 0;
      menu.hasNumber = t.substr(0, 7) == "MENUNR:" && ScanDecimal(t.substr(7), number);
      if (menu.hasNumber) menu.number = number;
      else ++menu.unreadableNumbers;
    } else if (StartsWithIgnoringCase(t, "TITLE:")) {
      // A title belongs to the kinds that show one, so it must follow them.
      if (menu.kind == 'W' || menu.kind == 'L') {
        std::string_view title = t.substr(6);
        menu.title.assign(title);
        if (title.find(' ') != std::string_view::npos) {
          menu.title.insert(menu.title.begin(), '"');
          menu.title.push_back('"');
        }
      }
    } else if (StartsWithIgnoringCase(t, "IDENT:")) {
      menu.ident.assign(t.substr(6));
    }
  }
  return menu;
}

std::string FormatMenuLine(const MenuAttributes& menu, std::uint32_t number) {
  std::string line;
  Append(line, "%c %u %c %s %s\n", menu.kind, number, menu.mode, menu.title.c_str(),
         menu.ident.c_str());
  return line;
}

int ParseRowDefinition(const std::vector<std::string>& tokens, std::uint32_t& first,
                       std::uint32_t& last) {
  if (tokens.size() != 3) return kTooFewTokens;
  std::int32_t a = 0, b = 0;
  if (!ScanDecimal(tokens[1], a) || !ScanDecimal(tokens[2], b)) return kValueInvalid;
  if (a < 0 || b < 0 || a > b) return kValueInvalid;
  first = static_cast<std::uint32_t>(a);
  last = static_cast<std::uint32_t>(b);
  return 0;
}

int ParsePagingDefinition(const std::vector<std::string>& tokens, std::uint32_t& value) {
  if (tokens.size() != 2) return kTooFewTokens;
  std::string_view text = tokens[1];
  unsigned long v = 0;
  // "0x" and hexadecimal digits, failing that an unsigned decimal number.
  bool read = (text.substr(0, 2) == "0x" && ScanUnsigned(text.substr(2), v, 16)) ||
              ScanUnsigned(text, v, 10);
  if (!read || v > kMaxPagingKey) return kValueInvalid;
  value = static_cast<std::uint32_t>(v);
  return 0;
}

int WriteTreeLine(RunContext& run, std::string_view line) {
  File* tree = run.settings.treeStream.get();
  if (!tree) return kCannotOpen;
  return tree->WriteText(line) ? 0 : kCannotOpen;
}

int BuildTreeItem(RunContext& run, int kind, const std::vector<std::string>& tokens,
                  std::string& line) {
  line.clear();
  const ItemKindRecord* record = FindItemKind(kind);
  if (!record) return 0;  // #PRAGMA and other lines write nothing
  const std::size_t count = tokens.size();
  if (count < record->minTokens) return kTooFewTokens;
  if (count > record->maxTokens) return kTooManyTokens;

  line += static_cast<char>(kind);
  if (record->layout == ItemLayout::Blank && count == 1) {
    line += " -1 -\n";
    return 0;
  }
  std::int64_t softkey = run.names.FindSoftkeyIndex(tokens[1]);
  if (softkey < 0) return kNameUnknown;
  AppendSoftkeyPart(run, line, static_cast<std::uint32_t>(softkey));

  ItemFields f;
  std::size_t firstParameter = 2;
  std::int64_t target = 0;
  if (record->layout == ItemLayout::Goto) {
    target = run.names.FindSoftkeyIndex(tokens[2]);
    if (target < 0) return kNameUnknown;
    firstParameter = 3;
  }
  for (std::size_t i = firstParameter; i < count; ++i) {
    const ItemParamRecord* p = FindItemParam(tokens[i]);
    if (record->layout == ItemLayout::Blank) {
      // An empty slot only carries an ident; everything else is ignored.
      if (p && p->param == P_IDENT) {
        if (int r = StoreText(f.ident, std::string_view(tokens[i]).substr(6))) return r;
      }
      continue;
    }
    if (!p || !(record->accepted & Bit(p->param))) return kUnknownParameter;
    std::string_view rest = std::string_view(tokens[i]).substr(std::string_view(p->prefix).size());
    if (int r = ApplyParameter(run, p->param, rest, f)) return r;
  }

  // A STATE item has no first-in-group flag; a blank keeps the columns.
  if (record->layout == ItemLayout::State) f.firstInGroup = ' ';
  const auto popup = static_cast<int>(f.popupMenu);
  switch (record->layout) {
    case ItemLayout::Blank:
      Append(line, " %s", f.ident.c_str());
      break;
    case ItemLayout::Back:
      Append(line, " %s %s %c %s %s", f.enable.c_str(), f.status.c_str(), f.closePopup,
             f.overlay.c_str(), f.ident.c_str());
      Append(line, " %s %d %c %c", f.helpFile.c_str(), f.helpId, f.restoreWindow, f.pythonRestart);
      break;
    case ItemLayout::End:
      Append(line, " %s %s %s %s", f.enable.c_str(), f.status.c_str(), f.overlay.c_str(),
             f.ident.c_str());
      if (f.helpId >= 0) Append(line, " %s %d", f.helpFile.c_str(), f.helpId);
      break;
    case ItemLayout::Goto:
      Append(line, " %s %s %u %d %s %d %c %s %s %s", f.enable.c_str(), f.status.c_str(),
             static_cast<std::uint32_t>(target), f.windowAction, f.windowArgument.c_str(), popup,
             f.closePopup, f.overlay.c_str(), f.ident.c_str(), f.hide.c_str());
      Append(line, " %s %d", f.helpFile.c_str(), f.helpId);
      if (int r = AppendPythonPart(line, f, record->pythonError)) return r;
      break;
    case ItemLayout::Action:
      Append(line, " %s %s %c %d %s %d %s %s %d %d %s", f.enable.c_str(), f.status.c_str(),
             f.firstInGroup, f.windowAction, f.windowArgument.c_str(), popup, f.overlay.c_str(),
             f.ident.c_str(), f.repeatDelay, f.repeatInterval, f.hide.c_str());
      Append(line, " %s %d", f.helpFile.c_str(), f.helpId);
      if (int r = AppendPythonPart(line, f, record->pythonError)) return r;
      break;
    case ItemLayout::Check:
    case ItemLayout::State:
      Append(line, " %s %s %c %d %s %d %s %s %s", f.enable.c_str(), f.status.c_str(),
             f.firstInGroup, f.windowAction, f.windowArgument.c_str(), popup, f.overlay.c_str(),
             f.ident.c_str(), f.hide.c_str());
      if (record->layout == ItemLayout::State) Append(line, " %d", f.states);
      Append(line, " %s %d", f.helpFile.c_str(), f.helpId);
      if (int r = AppendPythonPart(line, f, record->pythonError)) return r;
      break;
  }
  line += '\n';
  return CheckItemOperands(run, f);
}

int WriteTreeItem(RunContext& run, int kind, const std::vector<std::string>& tokens) {
  if (!FindItemKind(kind)) return 0;
  if (!run.settings.treeStream) return kCannotOpen;
  std::string line;
  if (int r = BuildTreeItem(run, kind, tokens, line)) return r;
  return WriteTreeLine(run, line);
}

}  // namespace q32
