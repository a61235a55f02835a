#include "project/Preprocessor.h"

#include "diag/Diagnostics.h"
#include "paths/Paths.h"
#include "project/Defines.h"
#include "project/ProjectKeywords.h"
#include "project/RunContext.h"
#include "project/Tokenizer.h"

namespace q32 {
namespace {

constexpr int kCannotOpen = 8201;
constexpr int kTooManyTokens = 8205;
constexpr int kNotAllowed = 8206;
constexpr int kTooFewTokens = 8207;
constexpr int kMalformedCondition = 3043;

void Report(RunContext& run, const Preprocessor& p, int code, int line) {
  if (p.reports)
    ReportMessage(run.diag, code, run.settings.projectFile, static_cast<unsigned>(line));
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The condition of #IFDEF / #IFNDEF: the upper-cased line after its keyword
// (which ends at the first blank, tab or line feed) up to the line feed.
std::string DefineConditionText(std::string_view rawLine) {
  std::string upper = UpperCase(rawLine);
  std::size_t start = 0;
  while (start < upper.size() && IsBlank(upper[start])) ++start;
  std::size_t end = upper.find_first_of(" \t\n", start);
  if (end == std::string::npos || upper[end] == '\n') return std::string();
  std::string condition = upper.substr(end + 1);
  std::size_t lineFeed = condition.find('\n');
  if (lineFeed != std::string::npos) condition.resize(lineFeed);
  return condition;
}

void UpdateSections(RunContext& run, Preprocessor& p, SectionOperation operation, bool condition,
                    int line) {
  bool active = p.active;
  if (int code = UpdateSectionStack(p.sections, operation, condition, active)) Report(run, p, code, line);
  p.active = active;
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
      if (EvaluateDefineCondition(run, DefineConditionText(rawLine), code == KEY_IFNDEF, value) != 0)
        return Report(run, p, kMalformedCondition, line);
      return UpdateSections(run, p, SECTION_PUSH, value, line);
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
      return UpdateSections(run, p, SECTION_PUSH, value, line);
    }
    case KEY_IFEXIST:
      if (tokens.size() < 2) return Report(run, p, kTooFewTokens, line);
      return UpdateSections(run, p, SECTION_PUSH, run.settings.fileExists(tokens[1]), line);
    case KEY_ELSE:
    case KEY_ENDIF:
      if (tokens.size() != 1) return Report(run, p, kTooManyTokens, line);
      return UpdateSections(run, p, code == KEY_ELSE ? SECTION_TOGGLE : SECTION_POP, false, line);
    default:
      break;
  }
}

void HandleInclude(RunContext& run, Preprocessor& p, const std::vector<std::string>& tokens,
                   int& line) {
  RunSettings& s = run.settings;
  if (p.include) return Report(run, p, kNotAllowed, line);
  if (tokens.size() < 2) return Report(run, p, kTooFewTokens, line);
  const std::string& file = tokens[1];
  if (s.mode == MODE_SCAN && p.reports) {
    std::string shown = DisplayPath(run.paths, file);
    LogLine(run.diag, "File %s", shown.c_str());
  }
  // A variant may include a file that only some machines have.
  if (!s.fileExists(file)) return;
  std::unique_ptr<File> stream = run.fs.Open(file, FileMode::ReadBinary);
  if (!stream) return Report(run, p, kCannotOpen, line);
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
  run.settings.projectFile = p.includingFile;
  line = p.includingLine;
  return true;
}

void CheckSectionsClosed(RunContext& run, Preprocessor& p, int line) {
  UpdateSections(run, p, SECTION_FINAL, false, line);
}

}  // namespace q32
