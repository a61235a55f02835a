// The lines of a softkey project as a pass acts on them.  Both passes over a
// project (the menu constant pass and the main pass) take their lines from
// here: logical lines split into tokens, their keywords looked up, #INCLUDE
// followed and the conditional sections kept, so that both passes see the
// same lines, numbers and files and cannot disagree.
#pragma once

#include <string>
#include <vector>

#include "project/FileCoding.h"
#include "project/Preprocessor.h"
#include "project/ProjectKeywords.h"

#include "diag/MessageCodes.h"

namespace q32 {

class File;
struct PlcSymbolTables;
struct RunContext;

// Physical lines and continuation lines of a project file.
constexpr std::size_t kMaxPhysicalLine = 254;
constexpr std::size_t kMaxContinuedLine = 768;

// The next logical line of a project file (continuations joined, CR removed,
// the line feed kept when the physical line had one); false at end of file.
// lineCounter advances by one per physical line read.  The lines of a UTF-8
// file are converted as they are read, so that their limits count the
// characters the control reads; problem (when given) receives the first
// character that has no Windows-1252 form (see ReadCodedLine).
bool ReadLogicalLine(File& stream, std::string& line, int& lineCounter, const FileCoding& coding = {},
                     std::string* problem = nullptr);

// A path setting must leave room for the backslash that may be appended.
constexpr std::size_t kMaxSettingPath = 258;

// The value of a settings line (token 1) into value: 0, 8207 when the line
// has none, 8204 when it is longer than a path setting may be.
[[nodiscard]] Msg SettingValue(const std::vector<std::string>& tokens, std::string& value);

class ProjectLines {
 public:
  // Reads the project from the stream's position, where the line numbered
  // lineNumber starts.  With reports (the main pass) what is wrong with a
  // line or a directive is reported; the menu constant pass reads silently.
  // coding is the project's (RecogniseCoding before its first line); an
  // included file's is recognised when it is opened.
  ProjectLines(RunContext& run, PlcSymbolTables& plc, File& project, const FileCoding& coding, int lineNumber,
               bool reports);
  // Leaves an included file still open (a pass given up inside it).
  ~ProjectLines();
  ProjectLines(const ProjectLines&) = delete;
  ProjectLines& operator=(const ProjectLines&) = delete;

  // Steps to the next line the pass acts on; false at the end of the
  // project.  Conditional directives and #INCLUDE lines are acted on here.
  // Lines of switched-off sections are passed over, except in the passes
  // that keep every branch: a menu project without -post, and a scan.
  bool Next();

  const std::string& text() const { return text_; }  // as read, continuations joined
  const std::vector<std::string>& tokens() const { return tokens_; }
  const ProjectKeyword& keyword() const { return *keyword_; }
  // The line's number in the file being read (run.projectFile).
  int number() const { return number_; }
  // Whether every open section is switched on.
  bool active() const { return pre_.active; }

  // At the end of the project: sections still open are reported.
  void CheckSectionsClosed();
  // Back in the project itself when a pass stops inside an included file.
  void LeaveInclude();

 private:
  void Report(Msg code, std::string_view detail = {});
  void PointAtMisspeltDirective();
  void CheckUtf8(const FileCoding& coding);

  RunContext& run_;
  File& project_;
  Preprocessor pre_;
  const bool everyLine_;
  std::string text_;
  std::vector<std::string> tokens_;
  const ProjectKeyword* keyword_ = nullptr;
  int number_;
  const FileCoding projectCoding_;
  FileCoding includeCoding_;
  std::vector<std::string> utf8Files_;  // files whose UTF-8 the checks were told of
};

}  // namespace q32
