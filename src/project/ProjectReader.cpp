#include "project/ProjectReader.h"

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "output/Constants.h"
#include "output/MenuItemChecker.h"
#include "output/SystemList.h"
#include "output/TreeFile.h"
#include "paths/Paths.h"
#include "project/Preprocessor.h"
#include "project/ProjectKeywords.h"
#include "project/RunContext.h"
#include "project/SourceDispatch.h"
#include "project/Tokenizer.h"

namespace q32 {

namespace {

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
  // The active flag, the conditional sections and the included file.
  Preprocessor pre;
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
  // The generated project of a menu project (the included file's own while
  // one is read); nothing in other modes.
  void Write(std::string_view text) {
    if (run.settings.mode == MODE_PROJECT && run.settings.projectOutStream &&
        !run.settings.projectOutStream->WriteText(text))
      ReportMessage(run.diag, kOpenFailed, run.settings.projectFile, static_cast<unsigned>(line),
                    run.settings.generatedProjectFile);
  }
};

// A token written into the generated project: within double quotes when it
// holds a blank, as the project had to quote it.
std::string Quoted(std::string_view token) {
  if (token.find(' ') == std::string_view::npos) return std::string(token);
  return "\"" + std::string(token) + "\"";
}

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

void HandleDirective(Reader& r, int code, std::string_view rawLine) {
  if (code == KEY_INCLUDE) HandleInclude(r.run, r.pre, r.tokens, r.line);
  else HandleConditionalDirective(r.run, r.pre, code, r.tokens, rawLine, r.line);
}

void HandleSetting(Reader& r, int code) {
  RunSettings& s = r.settings();
  SoftkeyContext& c = r.run.softkey;
  if (code == KEY_TXSSOURCE) {
    s.txsSource = true;
    r.Write(r.tokens[0] + "\n");
    return;
  }
  if (r.inMenu) return r.Report(kKeywordNotAllowed);
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
      else r.Write("\nSKPATH " + value.substr(0, value.size() - 1) + "\n");
      break;
    case KEY_MOPATH:
      c.moPath = value;
      r.Write("\nMOPATH " + value + "\n");
      break;
    case KEY_MODOMAIN:
      c.moDomain = value;
      r.Write("\nMODOMAIN " + value + "\n");
      break;
    case KEY_PYPATH:
      EnsureBackslash(value);
      s.pythonPath = value;
      break;
    case KEY_HELPFILE:
      c.helpFile = value;
      if (HasBlankFrom(value, 4)) r.Report(kValueInvalid);
      else r.Write(r.tokens[0] + " " + value + "\n");
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
      r.Write(r.tokens[0] + " " + value + "\n");
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
    if (r.inMenu) return r.Report(kKeywordNotAllowed);
    if (t.size() < 2) return r.Report(kTooFewTokens);
    std::string written = "\nSKMENU " + t[1];
    for (std::size_t i = 2; i < t.size(); ++i) written += " " + Quoted(t[i]);
    r.Write(written + "\n");
    if (gensys && !run.settings.treeStream) {
      OpenTreeForMenu(r);
      if (r.abandon) return;
    }
    const MenuAttributes menu = ParseMenuAttributes(std::span<const std::string>(t).subspan(2));
    for (int i = 0; i < menu.unreadableNumbers; ++i)
      r.ReportFile(kUnknownParameter, run.settings.treeFile);
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
    if (run.observer) run.observer->MenuNumbered(number, menu);
    return;
  }
  if (!r.inMenu) return r.Report(kKeywordNotAllowed);
  if (code == KEY_ENDSKMENU) {
    r.Write(t[0] + "\n\n");
    r.inMenu = false;
    if (r.entries == 0) r.Report(kMenuWithoutItems);
    return;
  }
  char text[64];
  if (code == KEY_ROWDEF) {
    if (t.size() != 3) return r.Report(kTooFewTokens);
    r.Write("ROWDEF " + t[1] + " " + t[2] + "\n");
    std::uint32_t first = 0, last = 0;
    if (int result = ParseRowDefinition(t, first, last)) return r.Report(result);
    std::snprintf(text, sizeof text, "r %u %u\n", first, last);
  } else {
    if (t.size() != 2) return r.Report(kTooFewTokens);
    r.Write((code == KEY_SKPREVDEF ? "SKPREVDEF " : "SKNEXTDEF ") + t[1] + " \n");
    std::uint32_t value = 0;
    if (int result = ParsePagingDefinition(t, value)) return r.Report(result);
    std::snprintf(text, sizeof text, "%c 0x%X\n", code == KEY_SKPREVDEF ? 'p' : 'n', value);
  }
  if (gensys) {
    if (int result = WriteTreeLine(run, text)) r.Report(result);
  }
}

// The softkey line of the generated project names the generated softkey
// (or, for TX, the text); the softkey's name follows once it is registered.
void WriteGeneratedSoftkey(Reader& r, std::uint32_t type) {
  RunContext& run = r.run;
  const SoftkeyContext& k = run.softkey;
  if (type == SOURCE_TX) return r.Write("TX " + Quoted(k.source));
  if (type != SOURCE_BPJ && type != SOURCE_GENERATED) {
    std::string shown = DisplayPath(run.paths, k.sourceName);
    LogLine(run.diag, "GeneratingSK \"%s\" %s", shown.c_str(), k.destPath.c_str());
  }
  std::string generated = k.sourceName;
  ReplaceExtension(generated, k.targetExt);
  r.Write("SOFTKEY " + generated);
}

void HandleSoftkey(Reader& r, std::uint32_t type) {
  RunContext& run = r.run;
  RunSettings& s = run.settings;
  const std::vector<std::string>& t = r.tokens;
  if (!r.inMenu) return r.Report(kKeywordNotAllowed);
  if (t.size() < 2) return r.Report(kTooFewTokens);
  if (type != SOURCE_TX && t[1].find(' ') != std::string::npos) return r.Report(kValueInvalid);
  if (type == SOURCE_TX && t[1].compare(0, 2, "#M") == 0 && run.softkey.moPath.empty())
    r.Report(kTextNeedsMoPath);
  SetSoftkeySource(run.softkey, type, t[1], s.controlFamilyLE);
  if (s.mode == MODE_PROJECT) WriteGeneratedSoftkey(r, type);

  const bool named = t.size() >= 3;
  const std::string name = named ? t[2].substr(0, kMaxNameLength) : std::string();
  if (named && s.mode != MODE_SCAN) {
    switch (run.names.AddSoftkeyName(run.softkey.targetPath, name, r.softkeyIndex)) {
      case 0:
        break;
      case 1:
        // The generated line stays without its name; the run has failed.
        r.Write("\n");
        return r.Report(kNameTwice);
      default:
        r.Write("\n");
        r.Report(kNoMemory);
        r.stop = true;
        return;
    }
  }
  r.Write(named ? " " + name + "\n" : std::string("\n"));

  int conversion = 0;
  if (!s.menuOnly && s.mode != MODE_GENDEF && s.mode != MODE_SCAN && type != SOURCE_TX) {
    conversion = DispatchSoftkey(run);
    if (conversion > kReportedConverterCodes) r.Report(conversion);
  }
  if (run.observer) run.observer->SoftkeyDone(run.softkey.targetPath, conversion);
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
      r.ReportFile(kOpenFailed, path.empty() ? s.defFile : path);
      r.abandon = true;
      return;
    }
  }
  if (named && s.defStream &&
      !WriteConstantDefine(run, name, static_cast<std::int32_t>(r.softkeyIndex))) {
    r.ReportFile(kOpenFailed, ConstantsFilePath(run));
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
    case MODE_PROJECT:
    case MODE_CHECK:
      result = CheckMenuItem(run, code, r.tokens, r.pre.active);
      break;
    default:
      break;
  }
  if (run.observer) run.observer->ItemDone(result);
  if (result != 0) r.Report(result);
  else ++r.entries;
}

void ActOnLine(Reader& r, const ProjectKeyword& keyword, std::string_view rawLine) {
  if (r.run.observer && keyword.kind != KeywordKind::Directive && keyword.kind != KeywordKind::Setting)
    r.run.observer->LineRead(r.run.settings.projectFile, r.line, keyword.code, r.tokens);
  switch (keyword.kind) {
    case KeywordKind::Directive:
      HandleDirective(r, keyword.code, rawLine);
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
    if (!ReadLogicalLine(CurrentStream(r.pre, r.project), text, r.line)) {
      // The end of an included file: reading goes on after its #INCLUDE.
      if (ReturnFromInclude(r.run, r.pre, r.line)) continue;
      break;
    }
    if (IsProjectComment(text)) continue;
    if (SplitTokens(text, r.tokens, kMaxProjectTokens, false) == 2) {
      r.Report(kTooManyTokens);
      continue;
    }
    if (r.tokens.empty()) continue;
    const ProjectKeyword* keyword = LookupProjectKeyword(r.tokens[0]);
    if (!keyword) {
      if (r.pre.active) r.Report(kKeywordNotAllowed);
      continue;
    }
    // Conditional directives count in switched-off sections too, so that
    // their #ELSE and #ENDIF are found; an #INCLUDE is an ordinary line.
    const bool conditional = keyword->kind == KeywordKind::Directive && keyword->code != KEY_INCLUDE;
    if (!conditional && !r.pre.active && !everyLine) continue;
    ActOnLine(r, *keyword, text);
  }
}

void EndChecks(Reader& r) {
  if (r.settings().mode == MODE_GENSYS) {
    // The last menu read, closed or not.
    if (r.entries == 0) r.Report(kMenuWithoutItems);
    if (r.anyMenu && !r.rootSeen) r.Report(kNoRootMenu);
  }
  if (r.inMenu) r.Report(kEndInsideMenu);
  CheckSectionsClosed(r.run, r.pre, r.line);
}

}  // namespace

void ReadProject(RunContext& run, std::unique_ptr<File>& project) {
  RunSettings& s = run.settings;
  if (!project) return;
  ShowStartProgress(run);
  run.softkey = SoftkeyContext{};
  run.softkey.destPath = kDefaultDestPath;

  Reader r(run, *project);
  r.topProjectFile = s.projectFile;
  std::string header;
  int headerLine = 0;
  if (!ReadLogicalLine(*project, header, headerLine)) {
    ReportMessage(run.diag, kProjectEmpty, s.projectFile);
  } else if (header.compare(0, std::string_view(kProjectHeader).size(), kProjectHeader) != 0) {
    ReportMessage(run.diag, kNoHeader, s.projectFile, 1);
  } else {
    r.Write(header);
    r.line = headerLine;
    if (RunMenuConstantPass(run, *project, r.line + 1) != 0) {
      r.abandon = true;
    } else {
      if (s.defStream && !WriteConstantsHeading(run, false)) {
        r.ReportFile(kOpenFailed, ConstantsFilePath(run));
        r.abandon = true;
      }
      if (!r.abandon) ReadLines(r);
      if (!r.abandon) EndChecks(r);
      // A project given up inside an included file: the run goes on under
      // the project's own name.
      ReturnFromInclude(run, r.pre, r.line);
    }
    CloseConstantsFile(run);
    CloseTreeFile(run);
  }
  project->Close();
  project.reset();
}

}  // namespace q32
