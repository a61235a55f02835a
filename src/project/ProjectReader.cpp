#include "project/ProjectReader.h"

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "diag/Diagnostics.h"
#include "output/Constants.h"
#include "output/SystemList.h"
#include "output/TreeFile.h"
#include "paths/Paths.h"
#include "project/ProjectKeywords.h"
#include "project/RunContext.h"
#include "project/SourceDispatch.h"
#include "project/Tokenizer.h"

namespace q32 {

namespace {

// Message codes of the project reader.
constexpr int kNoFirstLine = 8202;
constexpr int kNoHeader = 8203;
constexpr int kValueInvalid = 8204;
constexpr int kTooManyTokens = 8205;
constexpr int kNotAllowed = 8206;
constexpr int kTooFewTokens = 8207;
constexpr int kUnreadableMenuNumber = 8208;
constexpr int kTreeIsSystemList = 8210;
constexpr int kTextNeedsMoPath = 8211;
constexpr int kCannotOpen = 8220;
constexpr int kNoMemory = 8225;
constexpr int kNameTwice = 8271;
constexpr int kMenuWithoutItems = 8272;
constexpr int kEndInsideMenu = 8274;
constexpr int kNoRootMenu = -8275;
constexpr int kTreeNamedLikeSystemList = 8282;
// Run modes whose project handling has not been built yet.
constexpr int kModeNotAvailable = 8299;
// Converter codes above this one are reported against the softkey line.
constexpr int kReportedConverterCodes = 8000;

// A path setting must leave room for the backslash that may be appended.
constexpr std::size_t kMaxSettingPath = kMaxPathLength - 1;

struct Reader {
  Reader(RunContext& context, File& stream) : run(context), project(stream) {}

  RunContext& run;
  File& project;
  std::string topProjectFile;
  int line = 1;
  bool active = true;
  bool inMenu = false;
  int entries = -1;  // items of the current menu; -1 before the first menu
  std::uint32_t menuCounter = 0;
  std::uint32_t softkeyIndex = 0;
  bool rootSeen = false;
  bool anyMenu = false;
  bool stop = false;     // reading stops, the End checks run
  bool abandon = false;  // the project is given up without End checks
  std::vector<std::string> tokens;

  RunSettings& settings() { return run.settings; }
  void Report(int code) {
    ReportMessage(run.diag, code, run.settings.projectFile, static_cast<unsigned>(line));
  }
  void ReportFile(int code, std::string_view file) { ReportMessage(run.diag, code, file); }
};

void ShowStartProgress(RunContext& run) {
  const RunSettings& s = run.settings;
  int number = s.menuOnly ? 4 : 5;
  if (s.mode == MODE_SCAN) number = 8;
  else if (s.mode == MODE_GENDEF) number = 9;
  else if (s.mode == MODE_PROJECT && s.postProcess) number = 7;
  else if (s.mode == MODE_CHECK) number = 6;
  ShowProgress(run.diag, number);
}

bool HasBlankFrom(std::string_view text, std::size_t from) {
  return text.size() > from && text.find(' ', from) != std::string_view::npos;
}

void EnsureBackslash(std::string& path) {
  if (path.empty() || path.back() != '\\') path += '\\';
}

// #INCLUDE and the conditional directives.  The preprocessor connects here;
// until it does, a directive is refused, so that no line of a switched-off
// section is ever taken as active by mistake.
void HandleDirective(Reader& r) {
  if (r.active) r.Report(kNotAllowed);
}

void HandleSetting(Reader& r, int code) {
  RunSettings& s = r.settings();
  SoftkeyContext& c = r.run.softkey;
  if (code == KEY_TXSSOURCE) {
    s.txsSource = true;
    return;
  }
  if (r.inMenu) return r.Report(kNotAllowed);
  if (r.tokens.size() < 2) return r.Report(kTooFewTokens);
  std::string value = r.tokens[1];
  if (value.size() > kMaxSettingPath) return r.Report(kValueInvalid);
  switch (code) {
    case KEY_LANGUAGEPATH:
      s.languagePath = value;
      break;
    case KEY_SKPATH:
      EnsureBackslash(value);
      c.destPath = value;
      // The control's path cannot hold a blank; the drive may ("PLC:").
      if (HasBlankFrom(value, 4)) r.Report(kValueInvalid);
      break;
    case KEY_MOPATH:
      c.moPath = value;
      break;
    case KEY_MODOMAIN:
      c.moDomain = value;
      break;
    case KEY_PYPATH:
      EnsureBackslash(value);
      s.pythonPath = value;
      break;
    case KEY_HELPFILE:
      c.helpFile = value;
      if (HasBlankFrom(value, 4)) r.Report(kValueInvalid);
      break;
    case KEY_DEFFILE:
      // The next softkey line opens the new file.
      if (s.defStream && value != s.defFile) CloseConstantsFile(r.run);
      s.defFile = value;
      break;
    case KEY_TREEFILE:
      // The next menu opens the new file with its own header.
      CloseTreeFile(r.run);
      s.treeFile = value;
      if (NamesSystemList(value)) {
        r.Report(kTreeIsSystemList);
        r.abandon = true;
      }
      break;
    default:
      break;
  }
}

void OpenTreeForMenu(Reader& r) {
  RunContext& run = r.run;
  if (NamesSystemList(run.settings.treeFile)) {
    r.Report(kTreeNamedLikeSystemList);
    r.abandon = true;
    return;
  }
  int result = OpenTreeFile(run, r.topProjectFile);
  if (result != 0) {
    std::string path = TreeFilePath(run);
    r.ReportFile(result, path.empty() ? run.settings.treeFile : path);
    r.abandon = true;
  }
}

void HandleMenu(Reader& r, int code) {
  RunContext& run = r.run;
  const bool gensys = run.settings.mode == MODE_GENSYS;
  const std::vector<std::string>& t = r.tokens;
  if (code == KEY_SKMENU) {
    if (r.inMenu) return r.Report(kNotAllowed);
    if (t.size() < 2) return r.Report(kTooFewTokens);
    if (gensys && !run.settings.treeStream) {
      OpenTreeForMenu(r);
      if (r.abandon) return;
    }
    const MenuAttributes menu = ParseMenuAttributes(std::span<const std::string>(t).subspan(2));
    for (int i = 0; i < menu.unreadableNumbers; ++i)
      r.ReportFile(kUnreadableMenuNumber, run.settings.treeFile);
    // Only menus without a number of their own take the counter, exactly as
    // in the menu constant pass, so both give a menu the same number.
    const std::uint32_t number =
        menu.hasNumber ? static_cast<std::uint32_t>(menu.number) : r.menuCounter++;
    if (gensys) {
      if (int result = WriteTreeLine(run, FormatMenuLine(menu, number))) r.Report(result);
    }
    r.inMenu = true;
    r.anyMenu = true;
    r.entries = 0;
    if (menu.root) r.rootSeen = true;
    return;
  }
  if (!r.inMenu) return r.Report(kNotAllowed);
  if (code == KEY_ENDSKMENU) {
    r.inMenu = false;
    if (r.entries == 0) r.Report(kMenuWithoutItems);
    return;
  }
  char text[64];
  if (code == KEY_ROWDEF) {
    std::uint32_t first = 0, last = 0;
    if (int result = ParseRowDefinition(t, first, last)) return r.Report(result);
    std::snprintf(text, sizeof text, "r %u %u\n", first, last);
  } else {
    std::uint32_t value = 0;
    if (int result = ParsePagingDefinition(t, value)) return r.Report(result);
    std::snprintf(text, sizeof text, "%c 0x%X\n", code == KEY_SKPREVDEF ? 'p' : 'n', value);
  }
  if (gensys) {
    if (int result = WriteTreeLine(run, text)) r.Report(result);
  }
}

void HandleSoftkey(Reader& r, std::uint32_t type) {
  RunContext& run = r.run;
  RunSettings& s = run.settings;
  const std::vector<std::string>& t = r.tokens;
  if (!r.inMenu) return r.Report(kNotAllowed);
  if (t.size() < 2) return r.Report(kTooFewTokens);
  if (type != SOURCE_TX && t[1].find(' ') != std::string::npos) return r.Report(kValueInvalid);
  if (type == SOURCE_TX && t[1].compare(0, 2, "#M") == 0 && run.softkey.moPath.empty())
    r.Report(kTextNeedsMoPath);
  SetSoftkeySource(run.softkey, type, t[1], s.controlFamilyLE);

  const bool named = t.size() >= 3;
  const std::string name = named ? t[2].substr(0, kMaxNameLength) : std::string();
  if (named && s.mode != MODE_SCAN) {
    switch (run.names.AddSoftkeyName(run.softkey.targetPath, name, r.softkeyIndex)) {
      case 0:
        break;
      case 1:
        return r.Report(kNameTwice);
      default:
        r.Report(kNoMemory);
        r.stop = true;
        return;
    }
  }

  int conversion = 0;
  if (!s.menuOnly && s.mode != MODE_GENDEF && s.mode != MODE_SCAN && type != SOURCE_TX) {
    conversion = DispatchSoftkey(run);
    if (conversion > kReportedConverterCodes) r.Report(conversion);
  }
  if (s.mode == MODE_GENSYS && !s.menuOnly && !s.noGenSkSys && type != SOURCE_TX &&
      conversion == 0) {
    // A failed write has been reported; the softkey then takes no number.
    if (AddSystemListEntry(run) == 1) return;
  }
  if (s.mode == MODE_SCAN) {
    LogScannedSource(run);
    return;
  }

  if (!s.defStream && !s.defFile.empty() && !s.noGenDef) {
    if (!OpenConstantsFile(run)) {
      std::string path = ConstantsFilePath(run);
      r.ReportFile(kCannotOpen, path.empty() ? s.defFile : path);
      r.abandon = true;
      return;
    }
  }
  if (named && s.defStream &&
      !WriteConstantDefine(run, name, static_cast<std::int32_t>(r.softkeyIndex))) {
    r.ReportFile(kCannotOpen, ConstantsFilePath(run));
    r.abandon = true;
    return;
  }
  ++r.softkeyIndex;
}

void HandleMenuItem(Reader& r, int code) {
  RunContext& run = r.run;
  int result = 0;
  switch (run.settings.mode) {
    case MODE_SCAN:
      for (std::size_t i = 1; i < r.tokens.size(); ++i) {
        std::string_view token = r.tokens[i];
        if (StartsWithIgnoringCase(token, "PYSCRIPT:")) {
          std::string shown = DisplayPath(run.paths, token.substr(9));
          LogLine(run.diag, "File %s", shown.c_str());
        }
      }
      break;
    case MODE_GENSYS:
      result = WriteTreeItem(run, code, r.tokens);
      break;
    default:
      // Menu projects and checking runs hand items to the menu item checker,
      // which comes with those modes.
      break;
  }
  if (result != 0) r.Report(result);
  else ++r.entries;
}

void ActOnLine(Reader& r, const ProjectKeyword& keyword) {
  switch (keyword.kind) {
    case KeywordKind::Directive:
      HandleDirective(r);
      break;
    case KeywordKind::Setting:
      HandleSetting(r, keyword.code);
      break;
    case KeywordKind::Menu:
      HandleMenu(r, keyword.code);
      break;
    case KeywordKind::Softkey:
      HandleSoftkey(r, static_cast<std::uint32_t>(keyword.code));
      break;
    case KeywordKind::Pragma:
    case KeywordKind::MenuItem:
      HandleMenuItem(r, keyword.code);
      break;
  }
}

void ReadLines(Reader& r) {
  const RunSettings& s = r.settings();
  // Menu projects without -post and scans keep every branch of the project.
  const bool everyLine = s.mode == MODE_SCAN || (s.mode == MODE_PROJECT && !s.postProcess);
  std::string text;
  while (!r.stop && !r.abandon) {
    // End of an included file: the preprocessor returns to the including
    // file here once includes are connected.
    if (!ReadLogicalLine(r.project, text, r.line)) break;
    if (IsProjectComment(text)) continue;
    if (SplitTokens(text, r.tokens, kMaxProjectTokens, false) == 2) {
      r.Report(kTooManyTokens);
      continue;
    }
    if (r.tokens.empty()) continue;
    const ProjectKeyword* keyword = LookupProjectKeyword(r.tokens[0]);
    if (!keyword) {
      if (r.active) r.Report(kNotAllowed);
      continue;
    }
    if (keyword->kind != KeywordKind::Directive && !r.active && !everyLine) continue;
    ActOnLine(r, *keyword);
  }
}

void EndChecks(Reader& r) {
  if (r.settings().mode == MODE_GENSYS) {
    // The last menu read, closed or not.
    if (r.entries == 0) r.Report(kMenuWithoutItems);
    if (r.anyMenu && !r.rootSeen) r.Report(kNoRootMenu);
  }
  if (r.inMenu) r.Report(kEndInsideMenu);
  // Conditional sections still open at the end: the section stack's final
  // check connects here with the preprocessor.
}

}  // namespace

void ReadProject(RunContext& run, std::unique_ptr<File>& project) {
  RunSettings& s = run.settings;
  if (!project) return;
  if (s.mode == MODE_PROJECT || s.mode == MODE_CHECK) {
    ReportMessage(run.diag, kModeNotAvailable);
    project->Close();
    project.reset();
    return;
  }
  ShowStartProgress(run);
  run.softkey = SoftkeyContext{};
  run.softkey.destPath = kDefaultDestPath;

  Reader r(run, *project);
  r.topProjectFile = s.projectFile;
  std::string header;
  int headerLine = 0;
  if (!ReadLogicalLine(*project, header, headerLine)) {
    ReportMessage(run.diag, kNoFirstLine, s.projectFile);
  } else if (header.compare(0, std::string_view(kProjectHeader).size(), kProjectHeader) != 0) {
    ReportMessage(run.diag, kNoHeader, s.projectFile, 1);
  } else {
    r.line = headerLine;
    if (RunMenuConstantPass(run, *project, r.line + 1) != 0) {
      r.abandon = true;
    } else {
      if (s.defStream && !WriteConstantsHeading(run, false)) {
        r.ReportFile(kCannotOpen, ConstantsFilePath(run));
        r.abandon = true;
      }
      if (!r.abandon) ReadLines(r);
      if (!r.abandon) EndChecks(r);
    }
    CloseConstantsFile(run);
    CloseTreeFile(run);
  }
  project->Close();
  project.reset();
}

}  // namespace q32
