#include "project/Preprocessor.h"

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "paths/Paths.h"
#include "plc/PlcOperands.h"
#include "project/Defines.h"
#include "run/RunContext.h"
#include "text/Ascii.h"
#include "text/Tokenizer.h"

namespace q32 {
namespace {
// The words of an #IF line kept in the generated project.
constexpr std::size_t kMaxWrittenWords = 100;

void Report(const Preprocessor& p, Msg code, int line, std::string_view detail = {}) {
  if (p.reports) ReportMessage(p.run.diag, code, p.run.projectFile, static_cast<unsigned>(line), detail);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Directives are written back only by the main pass of a menu project that
// keeps its conditions for the -gensys run of the generated project.
bool WritesBack(const Preprocessor& p) {
  const RunSettings& s = p.run.settings;
  return p.reports && s.mode == MODE_PROJECT && !s.postProcess && p.run.outputs.generatedProject;
}

void WriteBack(const Preprocessor& p, const std::string& text, int line) {
  RunContext& run = p.run;
  if (WritesBack(p) && !run.outputs.generatedProject->WriteText(text))
    ReportMessage(run.diag, Msg::OpenFailed, run.projectFile, static_cast<unsigned>(line),
                  run.outputs.generatedProjectFile);
}

// The #IF condition of a line (upper-cased and split, without its keyword),
// with the PLC symbols hidden unless the run post-processes: the generated
// project must not depend on the PLC program.
Msg EvaluateIfCondition(Preprocessor& p, const std::vector<std::string>& words, bool& result, std::string& what) {
  std::vector<std::string> condition(words.begin() + (words.empty() ? 0 : 1), words.end());
  SymbolVisibilityScope visibility(p.plc, p.run.settings.postProcess);
  return EvaluateCondition(ConditionScope{p.run.defines, p.plc}, condition, result, &what);
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

// Applies a section operation; on success the directive's text goes to the
// generated project.
void UpdateSections(Preprocessor& p, SectionOperation operation, bool condition, int line,
                    const std::string& written = std::string()) {
  bool active = p.active;
  Msg code = UpdateSectionStack(p.sections, operation, condition, active);
  p.active = active;
  if (code != Msg::Ok) {
    if (operation == SECTION_FINAL) {
      Report(p, code, line, "the end of the project is reached inside a conditional section");
      // The lines that opened the sections left open.
      if (p.reports)
        for (const auto& [file, at] : p.opened)
          ReportNote(p.run.diag, file, static_cast<unsigned>(at), "the conditional section opened here is not closed");
      p.opened.clear();
      return;
    }
    return Report(p, code, line,
                  operation == SECTION_PUSH ? "more than 31 conditional sections are open"
                                            : "no conditional section is open here");
  }
  if (operation == SECTION_PUSH) p.opened.emplace_back(p.run.projectFile, line);
  if (operation == SECTION_POP && !p.opened.empty()) p.opened.pop_back();
  if (!written.empty()) WriteBack(p, written, line);
}

}  // namespace

void HandleConditionalDirective(Preprocessor& p, KeywordCode code, const std::vector<std::string>& tokens,
                                std::string_view rawLine, int line) {
  RunContext& run = p.run;
  switch (code) {
    case KeywordCode::IfDef:
    case KeywordCode::IfNDef: {
      if (tokens.size() < 2) return Report(p, Msg::TooFewTokens, line, tokens[0] + " needs a condition");
      bool value = false;
      const DefineDirective d = SplitDefineDirective(rawLine);
      if (!EvaluateDefineCondition(run, p.plc, d.condition, code == KeywordCode::IfNDef, value))
        return Report(p, Msg::InstructionNotAllowed, line,
                      d.condition + " (names joined by AND, OR and AND NOT, groups by commas)");
      return UpdateSections(p, SECTION_PUSH, value, line, "\n" + d.keyword + " " + d.condition + "\n");
    }
    case KeywordCode::If: {
      std::vector<std::string> words;
      if (SplitConditionTokens(UpperCase(rawLine), words, kMaxProjectTokens) != Split::Complete)
        return Report(p, Msg::TooManyTokens, line, "an #IF line holds at most 100 words");
      bool value = false;
      std::string what;
      if (const Msg result = EvaluateIfCondition(p, words, value, what); result != Msg::Ok) {
        // A scan lists files; what a condition gets wrong is not its concern.
        if (run.settings.mode != MODE_SCAN) Report(p, result, line, what);
        return;
      }
      return UpdateSections(p, SECTION_PUSH, value, line, IfLineWords(rawLine));
    }
    case KeywordCode::IfExist:
      if (tokens.size() < 2) return Report(p, Msg::TooFewTokens, line, "#IFEXIST needs a file");
      return UpdateSections(p, SECTION_PUSH, FileExists(run.fs, tokens[1]), line,
                            "\n" + tokens[0] + " " + tokens[1] + "\n");
    case KeywordCode::Else:
      if (tokens.size() != 1) return Report(p, Msg::TooManyTokens, line, "#ELSE stands alone on its line");
      return UpdateSections(p, SECTION_TOGGLE, false, line, tokens[0] + "\n");
    case KeywordCode::EndIf:
      if (tokens.size() != 1) return Report(p, Msg::TooManyTokens, line, "#ENDIF stands alone on its line");
      return UpdateSections(p, SECTION_POP, false, line, tokens[0] + "\n\n");
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

void HandleInclude(Preprocessor& p, const std::vector<std::string>& tokens, int& line) {
  RunContext& run = p.run;
  const RunSettings& s = run.settings;
  if (p.include) return Report(p, Msg::KeywordNotAllowed, line, "#INCLUDE (an included file includes no further file)");
  if (tokens.size() < 2) return Report(p, Msg::TooFewTokens, line, "#INCLUDE needs a file");
  const std::string& file = tokens[1];
  if (s.mode == MODE_SCAN && p.reports) {
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
      return Report(p, Msg::TooFewTokens, line,
                    "#INCLUDE of a menu project names the directory of the included file's generated project");
    std::string generated = tokens[2] + "\\" + std::string(FileNameOf(file));
    ReplaceExtension(generated, ".spj");
    WriteBack(p, tokens[0] + " " + generated + "\n", line);
    SwitchOutputToInclude(p, file, tokens[2]);
  }
  // A variant may include a file that only some machines have.
  if (!FileExists(run.fs, file)) {
    if (run.observer) run.observer->IncludeMissing(run.projectFile, line, file);
    return SwitchOutputBack(p);
  }
  std::unique_ptr<File> stream = run.fs.Open(file, FileMode::ReadBinary);
  if (!stream) {
    const std::string why = FailedFile(run, file);
    SwitchOutputBack(p);
    return Report(p, Msg::ProjectNotOpened, line, why);
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

void CheckSectionsClosed(Preprocessor& p, int line) { UpdateSections(p, SECTION_FINAL, false, line); }

}  // namespace q32
