#include "project/Preprocessor.h"

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "paths/Paths.h"
#include "project/Defines.h"
#include "project/ProjectKeywords.h"
#include "project/RunContext.h"
#include "project/Tokenizer.h"

namespace q32 {
namespace {
// The words of an #IF line kept in the generated project.
constexpr std::size_t kMaxWrittenWords = 100;

void Report(RunContext& run, const Preprocessor& p, int code, int line) {
  if (p.reports)
    ReportMessage(run.diag, code, run.settings.projectFile, static_cast<unsigned>(line));
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Directives are written back only by the main pass of a menu project that
// keeps its conditions for the -gensys run of the generated project.
bool WritesBack(const RunContext& run, const Preprocessor& p) {
  const RunSettings& s = run.settings;
  return p.reports && s.mode == MODE_PROJECT && !s.postProcess && s.projectOutStream;
}

void WriteBack(RunContext& run, const Preprocessor& p, const std::string& text, int line) {
  if (WritesBack(run, p) && !run.settings.projectOutStream->WriteText(text))
    ReportMessage(run.diag, kOpenFailed, run.settings.projectFile, static_cast<unsigned>(line),
                  run.settings.generatedProjectFile);
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
void UpdateSections(RunContext& run, Preprocessor& p, SectionOperation operation, bool condition,
                    int line, const std::string& written = std::string()) {
  bool active = p.active;
  int code = UpdateSectionStack(p.sections, operation, condition, active);
  p.active = active;
  if (code != 0) return Report(run, p, code, line);
  if (!written.empty()) WriteBack(run, p, written, line);
}

}  // namespace

void HandleConditionalDirective(RunContext& run, Preprocessor& p, int code,
                                const std::vector<std::string>& tokens, std::string_view rawLine,
                                int line) {
  switch (code) {
    case KEY_IFDEF:
    case KEY_IFNDEF: {
      if (tokens.size() < 2) return Report(run, p, kTooFewTokens, line);
      bool value = false;
      const DefineDirective d = SplitDefineDirective(rawLine);
      if (EvaluateDefineCondition(run, d.condition, code == KEY_IFNDEF, value) != 0)
        return Report(run, p, kInstructionNotAllowed, line);
      return UpdateSections(run, p, SECTION_PUSH, value, line,
                            "\n" + d.keyword + " " + d.condition + "\n");
    }
    case KEY_IF: {
      std::vector<std::string> words;
      if (SplitConditionTokens(UpperCase(rawLine), words, kMaxProjectTokens) != 0)
        return Report(run, p, kTooManyTokens, line);
      bool value = false;
      if (int result = EvaluateIfCondition(run, words, 1, value)) {
        // A scan lists files; what a condition gets wrong is not its concern.
        if (run.settings.mode != MODE_SCAN) Report(run, p, result, line);
        return;
      }
      return UpdateSections(run, p, SECTION_PUSH, value, line, IfLineWords(rawLine));
    }
    case KEY_IFEXIST:
      if (tokens.size() < 2) return Report(run, p, kTooFewTokens, line);
      return UpdateSections(run, p, SECTION_PUSH, run.settings.fileExists(tokens[1]), line,
                            "\n" + tokens[0] + " " + tokens[1] + "\n");
    case KEY_ELSE:
      if (tokens.size() != 1) return Report(run, p, kTooManyTokens, line);
      return UpdateSections(run, p, SECTION_TOGGLE, false, line, tokens[0] + "\n");
    case KEY_ENDIF:
      if (tokens.size() != 1) return Report(run, p, kTooManyTokens, line);
      return UpdateSections(run, p, SECTION_POP, false, line, tokens[0] + "\n\n");
    default:
      break;
  }
}

namespace {

// The included file's generated project: "name.spj" beside it; it becomes
// the run's generated-project stream until the included file ends.
void SwitchOutputToInclude(RunContext& run, Preprocessor& p, const std::string& file,
                           const std::string& dir) {
  RunSettings& s = run.settings;
  std::string generated = file;
  ReplaceExtension(generated, ".spj");
  std::unique_ptr<File> stream = run.fs.Open(generated, FileMode::WriteText);
  if (!stream) {
    // Named itself, as every output that cannot be created is.
    if (p.reports) ReportMessage(run.diag, kOpenFailed, generated);
    return;
  }
  run.createdProjectFiles.push_back(generated);
  p.includingOutput = std::move(s.projectOutStream);
  s.projectOutStream = std::move(stream);
  p.includingOutputFile = s.generatedProjectFile;
  s.generatedProjectFile = generated;
  p.outputSwitched = true;
  std::string shown = DisplayPath(run.paths, generated);
  ShowProgress(run.diag, kProgressProcessing, shown.c_str());
  LogLine(run.diag, "GeneratingMenu \"%s\" %s", shown.c_str(), dir.c_str());
}

void SwitchOutputBack(RunContext& run, Preprocessor& p) {
  if (!p.outputSwitched) return;
  RunSettings& s = run.settings;
  // The included file's generated project is complete only once closed.
  if (s.projectOutStream && !s.projectOutStream->Close() && p.reports)
    ReportMessage(run.diag, kOpenFailed, s.generatedProjectFile);
  s.projectOutStream = std::move(p.includingOutput);
  s.generatedProjectFile = p.includingOutputFile;
  p.outputSwitched = false;
}

}  // namespace

void HandleInclude(RunContext& run, Preprocessor& p, const std::vector<std::string>& tokens,
                   int& line) {
  RunSettings& s = run.settings;
  if (p.include) return Report(run, p, kKeywordNotAllowed, line);
  if (tokens.size() < 2) return Report(run, p, kTooFewTokens, line);
  const std::string& file = tokens[1];
  if (s.mode == MODE_SCAN && p.reports) {
    std::string shown = DisplayPath(run.paths, file);
    LogLine(run.diag, "File %s", shown.c_str());
  }
  // The included file's generated project is created before the file is
  // read: it is an input from here on, so that output never lands on it.
  run.inputGuard.RegisterInput(file);
  if (WritesBack(run, p)) {
    // The generated project includes the included file's generated project
    // from where it will lie on the control's side.
    if (tokens.size() < 3) return Report(run, p, kTooFewTokens, line);
    std::string generated = tokens[2] + "\\" + std::string(FileNameOf(file));
    ReplaceExtension(generated, ".spj");
    WriteBack(run, p, tokens[0] + " " + generated + "\n", line);
    SwitchOutputToInclude(run, p, file, tokens[2]);
  }
  // A variant may include a file that only some machines have.
  if (!s.fileExists(file)) {
    if (run.observer) run.observer->IncludeMissing(s.projectFile, line, file);
    return SwitchOutputBack(run, p);
  }
  std::unique_ptr<File> stream = run.fs.Open(file, FileMode::ReadBinary);
  if (!stream) {
    SwitchOutputBack(run, p);
    return Report(run, p, kProjectNotOpened, line);
  }
  p.include = std::move(stream);
  p.includingFile = s.projectFile;
  p.includingLine = line;
  s.projectFile = file.substr(0, kMaxPathLength);
  line = 0;
}

bool ReturnFromInclude(RunContext& run, Preprocessor& p, int& line) {
  if (!p.include) return false;
  p.include->Close();
  p.include.reset();
  SwitchOutputBack(run, p);
  run.settings.projectFile = p.includingFile;
  line = p.includingLine;
  return true;
}

void CheckSectionsClosed(RunContext& run, Preprocessor& p, int line) {
  UpdateSections(run, p, SECTION_FINAL, false, line);
}

}  // namespace q32
