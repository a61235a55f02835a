// The directives of softkey project files: #INCLUDE of one further project
// file, and the conditional sections (#IF, #IFDEF, #IFNDEF, #IFEXIST, #ELSE,
// #ENDIF) that switch the following lines on and off.  Each pass over the
// project keeps one Preprocessor, inside its ProjectLines.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "diag/Diagnostic.h"
#include "plc/Conditions.h"
#include "project/ProjectKeywords.h"

namespace q32 {

class File;
class ProjectLines;
struct PlcSymbolTables;
struct RunContext;

// An open conditional section: the word of the directive that opened it, and
// the report of a directive-like word inside it that leaves it open (a
// misspelt #ENDIF), which what follows from the open section follows from.
struct OpenSection {
  SourceSpan at;
  DiagnosticId cause = kNoDiagnostic;
};

struct Preprocessor {
  Preprocessor(RunContext& r, PlcSymbolTables& symbols, bool reporting)
      : run(r), plc(symbols), reports(reporting) {}

  RunContext& run;
  PlcSymbolTables& plc;  // what #IF conditions may ask for besides the defines
  // The main pass reports what is wrong with a directive; the menu constant
  // pass reads the same lines silently, so that nothing is reported twice,
  // but for the causes of later reports (a section left open), which it
  // meets first and the main pass then meets again as repeats.
  const bool reports;
  SectionStack sections;
  // The lines that follow are acted on only while every open section is on.
  bool active = true;
  // Where each open section began, so that a section left open can point at
  // the line that opened it.
  std::vector<OpenSection> opened;
  // The included file while one is read (includes do not nest), with the
  // name and line of the #INCLUDE that opened it.
  std::unique_ptr<File> include;
  std::string includingFile;
  int includingLine = 0;
  // A menu project without -post gives the included file a generated
  // project of its own; meanwhile the including file's stream waits here.
  std::unique_ptr<File> includingOutput;
  std::string includingOutputFile;
  bool outputSwitched = false;
};

// A conditional directive (#IF, #IFDEF, #IFNDEF, #IFEXIST, #ELSE, #ENDIF),
// the current line of lines, in every mode and whether the line is active
// or not.  Updates p.active.  A menu project without -post keeps the
// directive in the generated project, so that every branch stays.
void HandleConditionalDirective(Preprocessor& p, const ProjectLines& lines);

// #INCLUDE file [dir], the current line of lines: from the next line on the
// file is read in place of the project, its lines counted from 1 (line is
// set to 0).  A missing file is passed over silently.  A menu project
// without -post writes the #INCLUDE of the generated file (dir names where
// it will lie) and writes the included file's lines into a generated
// project of their own.
void HandleInclude(Preprocessor& p, const ProjectLines& lines, int& line);

// At the end of the included file: closes it (and its generated project),
// and the including file's name, line number and generated project are in
// force again.  False when no include was open (the end of the project
// itself).
bool ReturnFromInclude(Preprocessor& p, int& line);

// At the end of the project: sections still open report 3300 (with the last
// line of lines), each pointed at where it opened, and the stack is emptied.
// The menu constant pass reports only the causes: a note at each section
// left open that no misspelt directive inside it explains.
void CheckSectionsClosed(Preprocessor& p, const ProjectLines& lines);

// The note at a section left open: the cause of what follows from it.
DiagnosticId ReportSectionLeftOpen(Preprocessor& p, OpenSection& section);

}  // namespace q32
