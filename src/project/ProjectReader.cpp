#include "project/ProjectReader.h"

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
#include "project/FileCoding.h"
#include "project/MenuConstantPass.h"
#include "project/ProjectLines.h"
#include "project/SourceDispatch.h"
#include "run/RunContext.h"
#include "text/Ascii.h"
#include "text/Format.h"
#include "text/Tokenizer.h"
#include "vocab/Vocabulary.h"

namespace q32 {

namespace {

// The word after a bitmap softkey's name that takes the bitmap by its
// colour table.
constexpr std::string_view kDarkIsSet = VocabularyWord(WordKind::SoftkeyOption, "DARK");

// Converter codes above this one are reported against the softkey line.
constexpr int kReportedConverterCodes = 8000;

struct Reader {
  Reader(RunContext& context, ProjectTables& t, ProjectLines& l, const ProjectCauses& c)
      : run(context), tables(t), lines(l), causes(c) {}

  RunContext& run;
  ProjectTables& tables;
  ProjectLines& lines;
  const ProjectCauses& causes;
  std::string topProjectFile;
  bool inMenu = false;
  std::string menuName;  // of the open menu, with its file and line
  std::string menuFile;
  int menuLine = 0;
  SourceSpan menuAt;  // its name
  // The file of the last converted softkey line with its names: a project's
  // softkeys stand in a few files, and each file's names are worked out once.
  SourceSpan softkeyFile;
  // What leaves the open menu open, when the menu constant pass found it
  // left open.
  DiagnosticId menuCause = kNoDiagnostic;
  int entries = -1;  // items of the current menu; -1 before the first menu
  std::uint32_t menuCounter = 0;
  std::uint32_t softkeyIndex = 0;
  bool rootSeen = false;
  bool anyMenu = false;
  bool stop = false;     // reading stops, the End checks run
  bool abandon = false;  // the project is given up without End checks

  const std::vector<std::string>& tokens() const { return lines.tokens(); }
  unsigned line() const { return static_cast<unsigned>(lines.number()); }
  // A report of the line, at one of its words (-1: the line as a whole).
  void Report(Msg code, std::string_view detail = {}, int word = -1, DiagnosticId cause = kNoDiagnostic) {
    Diagnostic r = lines.At(code, word, std::string(detail));
    r.cause = cause;
    q32::Report(run.diag, std::move(r));
  }
  // A keyword that stands where it may not, with why; what follows from the
  // open menu follows from what left it open.
  void NotHere(std::string_view why, bool aboutOpenMenu = false) {
    Report(Msg::KeywordNotAllowed, tokens()[0] + " (" + std::string(why) + ")", 0,
           aboutOpenMenu ? menuCause : kNoDiagnostic);
  }
  // The menu still open where another keyword needs none.
  std::string OpenMenu() const { return "the menu " + menuName + " of line " + std::to_string(menuLine) + " is open"; }
  void ReportFile(Msg code, std::string_view file) { ReportFailedFile(run, code, file); }
  // The generated project of a menu project (the included file's own while
  // one is read); nothing in other modes.
  void Write(std::string_view text) {
    RunOutputs& o = run.outputs;
    if (run.settings.mode == RunMode::Project && o.generatedProject && !o.generatedProject->WriteText(text))
      Report(Msg::OpenFailed, o.generatedProjectFile);
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
  Progress number = s.menuOnly ? Progress::Menu : Progress::Softkeys;
  if (s.mode == RunMode::Scan) number = Progress::Scanning;
  else if (s.mode == RunMode::Gendef) number = Progress::Definitions;
  else if (s.mode == RunMode::Project && s.postProcess) number = Progress::PostProcessing;
  else if (s.mode == RunMode::Check) number = Progress::Checking;
  ShowProgress(run.diag, number);
}

bool HasBlankFrom(std::string_view text, std::size_t from) {
  return text.size() > from && text.find(' ', from) != std::string_view::npos;
}

void EnsureBackslash(std::string& path) {
  if (path.empty() || path.back() != '\\') path += '\\';
}

void HandleSetting(Reader& r, KeywordCode code) {
  RunOutputs& o = r.run.outputs;
  ProjectSettings& c = r.run.project;
  const std::vector<std::string>& t = r.tokens();
  if (code == KeywordCode::TxsSource) {
    c.txsSource = true;
    r.Write(t[0] + "\n");
    return;
  }
  if (r.inMenu) return r.NotHere("settings stand outside menus: " + r.OpenMenu(), true);
  std::string value;
  if (const Msg result = SettingValue(t, value); result != Msg::Ok)
    return result == Msg::TooFewTokens ? r.Report(result, t[0] + " needs a value", 0)
                                       : r.Report(result, t[0] + " longer than 258 characters", 1);
  switch (code) {
    case KeywordCode::LanguagePath:
      c.languagePath = value;
      break;
    case KeywordCode::SkPath:
      EnsureBackslash(value);
      c.destPath = value;
      // The control's path cannot hold a blank; the drive may ("PLC:").
      if (HasBlankFrom(value, 4)) r.Report(Msg::ValueInvalid, "SKPATH " + value + " (a blank in the control's path)", 1);
      else r.Write("\nSKPATH " + value.substr(0, value.size() - 1) + "\n");
      break;
    case KeywordCode::MoPath:
      c.moPath = value;
      r.Write("\nMOPATH " + value + "\n");
      break;
    case KeywordCode::MoDomain:
      c.moDomain = value;
      r.Write("\nMODOMAIN " + value + "\n");
      break;
    case KeywordCode::PyPath:
      EnsureBackslash(value);
      c.pythonPath = value;
      break;
    case KeywordCode::HelpFile:
      c.helpFile = value;
      if (HasBlankFrom(value, 4)) r.Report(Msg::ValueInvalid, "HELPFILE " + value + " (a blank in the control's path)", 1);
      else r.Write(t[0] + " " + value + "\n");
      break;
    case KeywordCode::DefFile:
      // The next softkey line opens the new file.
      if (o.constants && value != o.defFile) CloseConstantsFile(r.run);
      o.defFile = value;
      break;
    case KeywordCode::TreeFile:
      // The next menu opens the new file with its own header.
      CloseTreeFile(r.run);
      o.treeFile = value;
      r.Write(t[0] + " " + value + "\n");
      if (NamesSystemList(value)) {
        r.Report(Msg::TreeIsSystemList, {}, 1);
        r.abandon = true;
      }
      break;
    default:
      break;
  }
}

void OpenTreeForMenu(Reader& r) {
  RunContext& run = r.run;
  if (NamesSystemList(run.outputs.treeFile)) {
    r.Report(Msg::TreeNamedLikeSystemList, {}, 0);
    r.abandon = true;
    return;
  }
  Msg result = OpenTreeFile(run, r.topProjectFile);
  if (result != Msg::Ok) {
    std::string path = TreeFilePath(run);
    r.ReportFile(result, path.empty() ? run.outputs.treeFile : path);
    r.abandon = true;
  }
}

void HandleMenu(Reader& r, KeywordCode code) {
  RunContext& run = r.run;
  const bool gensys = run.settings.mode == RunMode::Gensys;
  const std::vector<std::string>& t = r.tokens();
  if (code == KeywordCode::SkMenu) {
    if (r.inMenu) return r.NotHere(r.OpenMenu() + ": ENDSKMENU missing?", true);
    if (t.size() < 2) return r.Report(Msg::TooFewTokens, "SKMENU needs the menu's name", 0);
    std::string written = "\nSKMENU " + t[1];
    for (std::size_t i = 2; i < t.size(); ++i) written += " " + Quoted(t[i]);
    r.Write(written + "\n");
    if (gensys && !run.outputs.tree) {
      OpenTreeForMenu(r);
      if (r.abandon) return;
    }
    const MenuAttributes menu = ParseMenuAttributes(std::span<const std::string>(t).subspan(2));
    // Reported at the line (the number is read after an upper-case MENUNR:
    // only, as the control reads it).
    for (const std::size_t word : menu.unreadableNumbers)
      r.Report(Msg::UnknownParameter, t[2 + word] + " (a number behind MENUNR: in capitals)", static_cast<int>(2 + word));
    if (run.observer)
      for (const std::size_t word : menu.unknown)
        run.observer->Found(CheckFinding(Msg::UnknownMenuAttribute, r.lines.Span(static_cast<int>(2 + word)),
                                         MenuAttributeDetail(t[2 + word])));
    // Only menus without a number of their own take the counter, exactly as
    // in the menu constant pass, so both give a menu the same number.
    const std::uint32_t number =
        menu.hasNumber ? static_cast<std::uint32_t>(menu.number) : r.menuCounter++;
    if (gensys) {
      if (const Msg result = WriteTreeLine(run, FormatMenuLine(menu, number)); result != Msg::Ok) r.Report(result);
    }
    r.inMenu = true;
    r.menuName = t[1];
    r.menuFile = run.projectFile;
    r.menuLine = r.lines.number();
    r.menuAt = r.lines.Span(1);
    const auto left = r.causes.openMenus.find({r.menuFile, r.menuLine});
    r.menuCause = left == r.causes.openMenus.end() ? kNoDiagnostic : left->second;
    r.anyMenu = true;
    r.entries = 0;
    if (menu.root) r.rootSeen = true;
    if (run.observer) run.observer->MenuNumbered(number, menu);
    return;
  }
  if (!r.inMenu) return r.NotHere("no menu is open");
  if (code == KeywordCode::EndSkMenu) {
    r.Write(t[0] + "\n\n");
    r.inMenu = false;
    if (r.entries == 0) r.Report(Msg::MenuWithoutItems, r.menuName, 0);
    return;
  }
  std::string text;
  if (code == KeywordCode::RowDef) {
    if (t.size() != 3) return r.Report(Msg::TooFewTokens, "ROWDEF takes the first and the last row", 0);
    r.Write("ROWDEF " + t[1] + " " + t[2] + "\n");
    std::uint32_t first = 0, last = 0;
    if (const Msg result = ParseRowDefinition(t, first, last); result != Msg::Ok) {
      // Both numbers.
      Diagnostic d = r.lines.At(result, 1, "ROWDEF " + t[1] + " " + t[2] + " (two numbers, the first not above the last)");
      const SourceSpan second = r.lines.Span(2);
      if (second.line == d.at.line) d.at.length = second.column + second.length - d.at.column;
      q32::Report(run.diag, std::move(d));
      return;
    }
    text = Format("r %u %u\n", first, last);
  } else {
    const bool previous = code == KeywordCode::SkPrevDef;
    if (t.size() != 2) return r.Report(Msg::TooFewTokens, t[0] + " takes one key code", 0);
    r.Write((previous ? "SKPREVDEF " : "SKNEXTDEF ") + t[1] + " \n");
    std::uint32_t value = 0;
    if (const Msg result = ParsePagingDefinition(t, value); result != Msg::Ok)
      return r.Report(result, t[0] + " " + t[1] + " (a key code from 0 to 0xFFFF)", 1);
    text = Format("%c 0x%X\n", previous ? 'p' : 'n', value);
  }
  if (gensys) {
    if (const Msg result = WriteTreeLine(run, text); result != Msg::Ok) r.Report(result);
  }
}

// The softkey line of the generated project names the generated softkey
// (or, for TX, the text); the softkey's name follows once it is registered.
void WriteGeneratedSoftkey(Reader& r, SourceType type) {
  RunContext& run = r.run;
  const SoftkeyContext& k = run.softkey;
  if (type == SourceType::Tx) return r.Write("TX " + Quoted(k.source));
  if (type != SourceType::Bpj && type != SourceType::Generated) {
    std::string shown = DisplayPath(run.paths, k.sourceName);
    LogLine(run.diag, "GeneratingSK \"%s\" %s", shown.c_str(), run.project.destPath.c_str());
  }
  std::string generated = k.sourceName;
  ReplaceExtension(generated, k.targetExt);
  r.Write("SOFTKEY " + generated);
}

void HandleSoftkey(Reader& r, SourceType type) {
  RunContext& run = r.run;
  const RunSettings& s = run.settings;
  RunOutputs& o = run.outputs;
  const std::vector<std::string>& t = r.tokens();
  if (!r.inMenu) return r.NotHere("softkey lines stand inside a menu");
  if (t.size() < 2) return r.Report(Msg::TooFewTokens, t[0] + " needs its source", 0);
  if (type != SourceType::Tx && t[1].find(' ') != std::string::npos)
    return r.Report(Msg::ValueInvalid, "\"" + t[1] + "\" (a blank in a source name)", 1);
  if (type == SourceType::Tx && t[1].compare(0, 2, "#M") == 0 && run.project.moPath.empty())
    r.Report(Msg::TextNeedsMoPath, t[1], 1);
  SetSoftkeySource(run.softkey, run.project.destPath, type, t[1], s.controlFamilyLE);
  run.softkey.darkIsSet = type == SourceType::Bmp && t.size() > 3 && EqualsIgnoringCase(t[3], kDarkIsSet);
  if (s.mode == RunMode::Project) WriteGeneratedSoftkey(r, type);

  const bool named = t.size() >= 3;
  const std::string_view name = named ? std::string_view(t[2]).substr(0, kMaxNameLength) : std::string_view();
  if (named && s.mode != RunMode::Scan) {
    switch (run.names.AddSoftkeyName(run.softkey.targetPath, name, r.softkeyIndex)) {
      case NameAdded::Added:
        break;
      case NameAdded::AlreadyThere:
        // The generated line stays without its name; the run has failed.
        r.Write("\n");
        return r.Report(Msg::NameTwice, name, 2);
      case NameAdded::NoMemory:
        r.Write("\n");
        r.Report(Msg::NoMemory);
        r.stop = true;
        return;
    }
  }
  // Only a generated project takes the line's end; no other run builds it.
  if (s.mode == RunMode::Project) r.Write(named ? " " + std::string(name) + "\n" : std::string("\n"));

  Conversion conversion;
  if (!s.menuOnly && s.mode != RunMode::Gendef && s.mode != RunMode::Scan && type != SourceType::Tx) {
    // The converters' reports about the softkey point back at its source here.
    run.softkeyLine = r.lines.Span(1);
    if (run.softkeyLine.file != r.softkeyFile.file) {
      r.softkeyFile = SourceSpan{};
      r.softkeyFile.file = run.softkeyLine.file;
      TakeNames(run.diag, r.softkeyFile);
    }
    run.softkeyLine.shown = r.softkeyFile.shown;
    run.softkeyLine.fullPath = r.softkeyFile.fullPath;
    conversion = DispatchSoftkey(run, r.tables.languages, r.tables.firstBmxProject);
    run.softkeyLine = SourceSpan{};
    if (Number(conversion.code) > kReportedConverterCodes) r.Report(conversion.code, conversion.detail, 1);
  }
  if (run.observer) run.observer->SoftkeyDone(run.softkey.targetPath, conversion.code, conversion.converted);
  if (s.mode == RunMode::Gensys && !s.menuOnly && !s.noGenSkSys && type != SourceType::Tx && conversion.converted) {
    // A failed write has been reported; the softkey then takes no number.
    if (!AddSystemListEntry(run)) return;
  }
  if (s.mode == RunMode::Scan) {
    LogScannedSource(run);
    return;
  }

  if (!o.constants && !o.defFile.empty() && !s.noGenDef) {
    if (!OpenConstantsFile(run)) {
      std::string path = ConstantsFilePath(run);
      r.ReportFile(Msg::OpenFailed, path.empty() ? o.defFile : path);
      r.abandon = true;
      return;
    }
  }
  if (named && o.constants &&
      !WriteConstantDefine(run, name, static_cast<std::int32_t>(r.softkeyIndex))) {
    r.ReportFile(Msg::OpenFailed, ConstantsFilePath(run));
    r.abandon = true;
    return;
  }
  ++r.softkeyIndex;
}

void HandleMenuItem(Reader& r, MenuItemKind kind) {
  RunContext& run = r.run;
  const std::vector<std::string>& t = r.tokens();
  Msg result = Msg::Ok;
  Fault fault;
  switch (run.settings.mode) {
    case RunMode::Scan:
      for (std::size_t i = 1; i < t.size(); ++i) {
        std::string_view token = t[i];
        if (StartsWithIgnoringCase(token, "PYSCRIPT:")) {
          std::string shown = DisplayPath(run.paths, token.substr(9));
          LogLine(run.diag, "File %s", shown.c_str());
        }
      }
      break;
    case RunMode::Gensys:
      result = WriteTreeItem(run, r.tables.plc, kind, t, fault);
      break;
    case RunMode::Project:
    case RunMode::Check:
      result = CheckMenuItem(run, r.tables.plc, kind, t, r.lines.active(), fault);
      break;
    default:
      break;
  }
  if (run.observer) run.observer->ItemDone(result);
  if (result == Msg::Ok) {
    ++r.entries;
    return;
  }
  Diagnostic d = r.lines.At(result, fault);
  // A name defined on a line that a misspelt directive switched off.
  if (result == Msg::UnknownName && fault.word >= 0 && static_cast<std::size_t>(fault.word) < t.size()) {
    const std::string name =
        UpperCase(std::string_view(t[static_cast<std::size_t>(fault.word)]).substr(fault.from).substr(0, kMaxNameLength));
    if (const auto it = r.causes.passedOverNames.find(name); it != r.causes.passedOverNames.end()) d.cause = it->second;
  }
  q32::Report(run.diag, std::move(d));
}

void ActOnLine(Reader& r) {
  const ProjectKeyword& keyword = r.lines.keyword();
  if (r.run.observer && keyword.kind != KeywordKind::Setting)
    r.run.observer->LineRead(r.run.projectFile, r.lines.number(), keyword, r.tokens(), r.lines.places());
  switch (keyword.kind) {
    case KeywordKind::Directive:  // taken by the line source
      break;
    case KeywordKind::Setting:
      HandleSetting(r, keyword.code);
      break;
    case KeywordKind::Menu:
      HandleMenu(r, keyword.code);
      break;
    case KeywordKind::Softkey:
      HandleSoftkey(r, keyword.source);
      break;
    case KeywordKind::Pragma:
    case KeywordKind::MenuItem:
      HandleMenuItem(r, keyword.item);
      break;
  }
}

void EndChecks(Reader& r) {
  if (r.run.settings.mode == RunMode::Gensys) {
    // The last menu read, closed or not.
    if (r.entries == 0) r.Report(Msg::MenuWithoutItems, r.menuName);
    if (r.anyMenu && !r.rootSeen) r.Report(Msg::NoRootMenu);
  }
  if (r.inMenu) {
    Diagnostic d = r.lines.At(Msg::EndInsideMenu, -1, r.menuName);
    d.notes.push_back({r.menuAt, "the menu " + r.menuName + " opens here"});
    d.cause = r.menuCause;
    q32::Report(r.run.diag, std::move(d));
  }
  r.lines.CheckSectionsClosed();
}

}  // namespace

void ReadProject(RunContext& run, ProjectTables& tables, std::unique_ptr<File>& project) {
  if (!project) return;
  ShowStartProgress(run);
  run.softkey = SoftkeyContext{};
  run.project = ProjectSettings{};
  run.project.languagePath = run.settings.languagePath;

  const std::string topProjectFile = run.projectFile;
  const FileCoding coding = RecogniseCoding(*project);
  std::string header;
  int headerLine = 0;
  // The header is plain ASCII in either coding; a UTF-8 file's mark goes.
  const bool any = ReadLogicalLine(*project, header, headerLine, coding);
  if (!any) {
    ReportMessage(run.diag, Msg::ProjectEmpty, run.projectFile);
  } else if (header.compare(0, std::string_view(kProjectHeader).size(), kProjectHeader) != 0) {
    ReportMessage(run.diag, Msg::NoHeader, run.projectFile, 1,
                  std::string("the first line must read \"") + kProjectHeader + "\"");
  } else {
    if (run.settings.mode == RunMode::Project && run.outputs.generatedProject &&
        !run.outputs.generatedProject->WriteText(header))
      ReportMessage(run.diag, Msg::OpenFailed, run.projectFile, 1, run.outputs.generatedProjectFile);
    ProjectCauses causes;
    if (RunMenuConstantPass(run, tables.plc, *project, coding, headerLine + 1, causes)) {
      ProjectLines lines(run, tables.plc, *project, coding, headerLine + 1, /*reports=*/true);
      Reader r(run, tables, lines, causes);
      r.topProjectFile = topProjectFile;
      if (run.outputs.constants && !WriteConstantsHeading(run, false)) {
        r.ReportFile(Msg::OpenFailed, ConstantsFilePath(run));
        r.abandon = true;
      }
      while (!r.stop && !r.abandon && lines.Next()) ActOnLine(r);
      if (!r.abandon) EndChecks(r);
      // A project given up inside an included file: the run goes on under
      // the project's own name.
      lines.LeaveInclude();
    }
    CloseConstantsFile(run);
    CloseTreeFile(run);
  }
  project->Close();
  project.reset();
}

}  // namespace q32
