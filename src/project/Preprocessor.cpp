#include "project/Preprocessor.h"

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "paths/Paths.h"
#include "plc/PlcOperands.h"
#include "project/Defines.h"
#include "project/ProjectLines.h"
#include "run/RunContext.h"
#include "text/Ascii.h"
#include "text/Tokenizer.h"

namespace q32 {
namespace {
// The words of an #IF line kept in the generated project.
constexpr std::size_t kMaxWrittenWords = 100;

void Report(const Preprocessor& p, Diagnostic r) {
  if (p.reports) Report(p.run.diag, std::move(r));
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Directives are written back only by the main pass of a menu project that
// keeps its conditions for the -gensys run of the generated project.
bool WritesBack(const Preprocessor& p) {
  const RunSettings& s = p.run.settings;
  return p.reports && s.mode == RunMode::Project && !s.postProcess && p.run.outputs.generatedProject;
}

void WriteBack(const Preprocessor& p, const std::string& text, const ProjectLines& lines) {
  RunContext& run = p.run;
  if (WritesBack(p) && !run.outputs.generatedProject->WriteText(text))
    Report(run.diag, lines.At(Msg::OpenFailed, -1, run.outputs.generatedProjectFile));
}

// The #IF condition of a line (upper-cased and split, without its keyword),
// with the PLC symbols hidden unless the run post-processes: the generated
// project must not depend on the PLC program.
Msg EvaluateIfCondition(Preprocessor& p, const std::vector<std::string>& words, bool& result, Fault& fault) {
  std::vector<std::string> condition(words.begin() + (words.empty() ? 0 : 1), words.end());
  SymbolVisibilityScope visibility(p.plc, p.run.settings.postProcess);
  return EvaluateCondition(ConditionScope{p.run.defines, p.plc}, condition, result, &fault);
}

// The #IF line as written, its words separated by single blanks.
std::string IfLineWords(std::string_view rawLine) {
  std::string text;
  std::size_t words = 0, i = 0;
  while (i < rawLine.size() && words < kMaxWrittenWords) {
    while (i < rawLine.size() && (IsBlank(rawLine[i]) || rawLine[i] == '\n')) ++i;
    if (i >= rawLine.size()) break;
    std::size_t end = i;
    while (end < rawLine.size() && !IsBlank(rawLine[end]) && rawLine[end] != '\n') ++end;
    text += words++ == 0 ? "\n" : " ";
    text.append(rawLine.substr(i, end - i));
    i = end;
  }
  return text + "\n";
}

// #IFDEF / #IFNDEF upper-cased: the keyword ends at the first blank, tab or
// line feed; the condition is the rest of the line up to the line feed.
struct DefineDirective {
  std::string keyword, condition;
};

DefineDirective SplitDefineDirective(std::string_view rawLine) {
  std::string upper = UpperCase(rawLine);
  std::size_t start = 0;
  while (start < upper.size() && IsBlank(upper[start])) ++start;
  std::size_t end = upper.find_first_of(" \t\n", start);
  DefineDirective d;
  d.keyword = upper.substr(start, end == std::string::npos ? std::string::npos : end - start);
  if (end == std::string::npos || upper[end] == '\n') return d;
  d.condition = upper.substr(end + 1);
  std::size_t lineFeed = d.condition.find('\n');
  if (lineFeed != std::string::npos) d.condition.resize(lineFeed);
  return d;
}

// The text of the note at a section left open.
constexpr const char* kSectionLeftOpen = "the conditional section opened here is not closed";

// Applies a section operation; on success the directive's text goes to the
// generated project.
void UpdateSections(Preprocessor& p, const ProjectLines& lines, SectionOperation operation, bool condition,
                    const std::string& written = std::string()) {
  bool active = p.active;
  Msg code = UpdateSectionStack(p.sections, operation, condition, active);
  p.active = active;
  if (code != Msg::Ok) {
    if (operation == SectionOperation::Final) {
      Diagnostic r = lines.At(code, -1, "the end of the project is reached inside a conditional section");
      // The lines that opened the sections left open; the report follows
      // from what left the innermost one open.
      for (OpenSection& section : p.opened) {
        r.cause = ReportSectionLeftOpen(p, section);
        r.notes.push_back({section.at, kSectionLeftOpen});
      }
      Report(p, std::move(r));
      p.opened.clear();
      return;
    }
    // The directive that finds no section open, or one too many.
    return Report(p, lines.At(code, 0,
                              lines.tokens()[0] + (operation == SectionOperation::Push
                                                       ? " (more than 31 conditional sections are open)"
                                                       : " (no conditional section is open here)")));
  }
  if (operation == SectionOperation::Push) p.opened.push_back({lines.Span(0)});
  if (operation == SectionOperation::Pop && !p.opened.empty()) p.opened.pop_back();
  if (!written.empty()) WriteBack(p, written, lines);
}

}  // namespace

DiagnosticId ReportSectionLeftOpen(Preprocessor& p, OpenSection& section) {
  if (section.cause != kNoDiagnostic) return section.cause;
  Diagnostic note;
  note.note = true;
  note.at = section.at;
  note.argument = kSectionLeftOpen;
  section.cause = Report(p.run.diag, std::move(note));
  return section.cause;
}

void HandleConditionalDirective(Preprocessor& p, const ProjectLines& lines) {
  RunContext& run = p.run;
  const std::vector<std::string>& tokens = lines.tokens();
  const std::string_view rawLine = lines.text();
  const KeywordCode code = lines.keyword().code;
  switch (code) {
    case KeywordCode::IfDef:
    case KeywordCode::IfNDef: {
      if (tokens.size() < 2) return Report(p, lines.At(Msg::TooFewTokens, 0, tokens[0] + " needs a condition"));
      bool value = false;
      const DefineDirective d = SplitDefineDirective(rawLine);
      if (!EvaluateDefineCondition(run, p.plc, d.condition, code == KeywordCode::IfNDef, value)) {
        // The condition from its first word to its last.
        Diagnostic r = lines.At(Msg::InstructionNotAllowed, 1,
                                d.condition + " (names joined by AND, OR and AND NOT, groups by commas)");
        const WordPlace last = lines.places().back();
        if (last.line == r.at.line && last.column >= r.at.column) r.at.length = last.column + last.length - r.at.column;
        return Report(p, std::move(r));
      }
      return UpdateSections(p, lines, SectionOperation::Push, value, "\n" + d.keyword + " " + d.condition + "\n");
    }
    case KeywordCode::If: {
      std::vector<std::string> words;
      std::vector<TokenPlace> places;
      if (SplitConditionTokens(UpperCase(rawLine), words, kMaxProjectTokens, &places) != Split::Complete)
        return Report(p, lines.At(Msg::TooManyTokens, -1, "an #IF line holds at most 100 words"));
      bool value = false;
      Fault fault;
      if (const Msg result = EvaluateIfCondition(p, words, value, fault); result != Msg::Ok) {
        // A scan lists files; what a condition gets wrong is not its concern.
        if (run.settings.mode == RunMode::Scan) return;
        // The word at fault, or the whole condition (the words after the
        // keyword).
        Diagnostic r = lines.At(result, -1, fault.detail);
        const std::size_t word = static_cast<std::size_t>(fault.word + 1);
        if (fault.word >= 0 && word < places.size()) {
          const std::size_t begin = places[word].begin + fault.from;
          lines.PlaceAt(r.at, begin, fault.length != 0 ? begin + fault.length : places[word].end);
        } else if (places.size() > 1) {
          lines.PlaceAt(r.at, places[1].begin, places.back().end);
        }
        return Report(p, std::move(r));
      }
      return UpdateSections(p, lines, SectionOperation::Push, value, IfLineWords(rawLine));
    }
    case KeywordCode::IfExist:
      if (tokens.size() < 2) return Report(p, lines.At(Msg::TooFewTokens, 0, "#IFEXIST needs a file"));
      return UpdateSections(p, lines, SectionOperation::Push, FileExists(run.fs, tokens[1]),
                            "\n" + tokens[0] + " " + tokens[1] + "\n");
    case KeywordCode::Else:
      if (tokens.size() != 1) return Report(p, lines.At(Msg::TooManyTokens, 1, "#ELSE stands alone on its line"));
      return UpdateSections(p, lines, SectionOperation::Toggle, false, tokens[0] + "\n");
    case KeywordCode::EndIf:
      if (tokens.size() != 1) return Report(p, lines.At(Msg::TooManyTokens, 1, "#ENDIF stands alone on its line"));
      return UpdateSections(p, lines, SectionOperation::Pop, false, tokens[0] + "\n\n");
    default:
      break;
  }
}

namespace {

// The included file's generated project: "name.spj" beside it; it becomes
// the run's generated-project stream until the included file ends.
void SwitchOutputToInclude(Preprocessor& p, const std::string& file, const std::string& dir) {
  RunContext& run = p.run;
  RunOutputs& o = run.outputs;
  std::string generated = file;
  ReplaceExtension(generated, ".spj");
  std::unique_ptr<File> stream = run.fs.Open(generated, FileMode::WriteText);
  if (!stream) {
    // Named itself, as every output that cannot be created is.
    if (p.reports) ReportFailedFile(run, Msg::OpenFailed, generated);
    return;
  }
  o.createdProjectFiles.push_back(generated);
  p.includingOutput = std::move(o.generatedProject);
  o.generatedProject = std::move(stream);
  p.includingOutputFile = o.generatedProjectFile;
  o.generatedProjectFile = generated;
  p.outputSwitched = true;
  std::string shown = DisplayPath(run.paths, generated);
  ShowProgress(run.diag, Progress::Processing, shown.c_str());
  LogLine(run.diag, "GeneratingMenu \"%s\" %s", shown.c_str(), dir.c_str());
}

void SwitchOutputBack(Preprocessor& p) {
  if (!p.outputSwitched) return;
  RunOutputs& o = p.run.outputs;
  // The included file's generated project is complete only once closed.
  if (o.generatedProject && !o.generatedProject->Close() && p.reports)
    ReportFailedFile(p.run, Msg::OpenFailed, o.generatedProjectFile);
  o.generatedProject = std::move(p.includingOutput);
  o.generatedProjectFile = p.includingOutputFile;
  p.outputSwitched = false;
}

}  // namespace

void HandleInclude(Preprocessor& p, const ProjectLines& lines, int& line) {
  RunContext& run = p.run;
  const RunSettings& s = run.settings;
  const std::vector<std::string>& tokens = lines.tokens();
  if (p.include)
    return Report(p, lines.At(Msg::KeywordNotAllowed, 0, "#INCLUDE (an included file includes no further file)"));
  if (tokens.size() < 2) return Report(p, lines.At(Msg::TooFewTokens, 0, "#INCLUDE needs a file"));
  const std::string& file = tokens[1];
  if (s.mode == RunMode::Scan && p.reports) {
    std::string shown = DisplayPath(run.paths, file);
    LogLine(run.diag, "File %s", shown.c_str());
  }
  // The included file's generated project is created before the file is
  // read: it is an input from here on, so that output never lands on it.
  run.inputGuard.RegisterInput(file);
  if (WritesBack(p)) {
    // The generated project includes the included file's generated project
    // from where it will lie on the control's side.
    if (tokens.size() < 3)
      return Report(p, lines.At(Msg::TooFewTokens, 1,
                                "#INCLUDE of a menu project names the directory of the included file's generated project"));
    std::string generated = tokens[2] + "\\" + std::string(FileNameOf(file));
    ReplaceExtension(generated, ".spj");
    WriteBack(p, tokens[0] + " " + generated + "\n", lines);
    SwitchOutputToInclude(p, file, tokens[2]);
  }
  // A variant may include a file that only some machines have.
  if (!FileExists(run.fs, file)) {
    if (run.observer) run.observer->Found(CheckFinding(Msg::IncludeMissing, lines.Span(1), std::string(file)));
    return SwitchOutputBack(p);
  }
  std::unique_ptr<File> stream = run.fs.Open(file, FileMode::ReadBinary);
  if (!stream) {
    const std::string why = FailedFile(run, file);
    SwitchOutputBack(p);
    return Report(p, lines.At(Msg::ProjectNotOpened, 1, why));
  }
  p.include = std::move(stream);
  p.includingFile = run.projectFile;
  p.includingLine = line;
  run.projectFile = file.substr(0, kMaxPathLength);
  line = 0;
}

bool ReturnFromInclude(Preprocessor& p, int& line) {
  if (!p.include) return false;
  p.include->Close();
  p.include.reset();
  SwitchOutputBack(p);
  p.run.projectFile = p.includingFile;
  line = p.includingLine;
  return true;
}

void CheckSectionsClosed(Preprocessor& p, const ProjectLines& lines) {
  UpdateSections(p, lines, SectionOperation::Final, false);
}

}  // namespace q32
