// One report of a run as a record: made where the problem is found, with its
// number, its place in the file down to the word, what it names, the further
// places that explain it and the report it follows from.  Every form a run
// writes its reports in (the console and log line, the -diag:gcc line, the
// SARIF log, the editor's diagnostics, the preview's list) is drawn from this
// record; none reads a place back out of a report's text.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "diag/MessageCodes.h"

namespace q32 {

enum class Severity { Error, Warning, Note };

// A place in a file.  A column counts the characters of the physical line as
// an editor shows them, from 1: in a file read as Windows-1252 one per byte,
// in a UTF-8 file (which the run converts to Windows-1252 as it reads it) one
// per character, a byte-order mark not counted.  A word on a continued line
// stands on the physical line that holds it.  Column 0 stands for the line
// as a whole, line 0 for the file as a whole.
struct SourceSpan {
  std::string file;  // as the run names it where the problem is found; empty: no file
  unsigned line = 0;
  unsigned column = 0;
  unsigned length = 0;  // characters from the column
  // Taken when the report is made, since the run's directory changes later
  // (a BMX project is read in its own): the file as reports show it
  // (relative to where the run started) and the host's full name of it.
  std::string shown, fullPath;
};

// Where a word stands in a file named elsewhere (the line's record): its
// physical line, first column and length, counted as a SourceSpan counts.
struct WordPlace {
  unsigned line = 0, column = 0, length = 0;
};

// A further place of a report with a short text (a note), such as the line
// that opened the menu left open.
struct RelatedSpan {
  SourceSpan at;
  std::string text;
};

// The index of a kept report in Diagnostics::kept.
using DiagnosticId = int;
constexpr DiagnosticId kNoDiagnostic = -1;

struct Diagnostic {
  Msg code = Msg::Ok;  // Msg::Ok: a note without number, or an uncounted text
  bool note = false;   // told without counting, as a note
  bool check = false;  // a finding of the -W checks: a warning, or under -Werror an error
  SourceSpan at;
  // The line the console and log name, where it is not at.line: a continued
  // project line is named by its last physical line.  0: at.line.
  unsigned reportedLine = 0;
  std::string argument;  // what the catalogue text's "%s" names
  std::vector<RelatedSpan> notes;
  // The report this one follows from (a misspelt #ENDIF for the names of the
  // menus it switched off), reported before it.
  DiagnosticId cause = kNoDiagnostic;
  // Met again (the same number, place and argument): a note, or a report
  // that a pass makes again on purpose, is not told twice; any other report
  // is counted again, as the run's counts require, and says that it is the
  // same fault as the one above.
  bool dropRepeat = false;

  // Filled when it is reported.
  Severity severity = Severity::Error;
  std::string message;  // the catalogue's text with the argument, as the console shows it
  std::string tag;      // "E8270"; empty for a note without number
  std::string text;     // the message without the tag
  // The report this one repeats, where it is the same fault again.
  DiagnosticId repeats = kNoDiagnostic;

  unsigned ReportedLine() const { return reportedLine != 0 ? reportedLine : at.line; }
};

// A finding of the checks (-W and the preview): its number, its place and
// what it names, with the further places that explain it.
inline Diagnostic CheckFinding(Msg code, SourceSpan at, std::string argument, std::vector<RelatedSpan> notes = {}) {
  Diagnostic finding;
  finding.code = code;
  finding.check = true;
  finding.at = std::move(at);
  finding.argument = std::move(argument);
  finding.notes = std::move(notes);
  return finding;
}

// A place in a file: a line of it, or the file as a whole (line 0).
inline SourceSpan LineSpan(std::string file, unsigned line) {
  SourceSpan at;
  at.file = std::move(file);
  at.line = line;
  return at;
}

// What a check of a line of words finds wrong: the detail a report names,
// and the word it stands at (its index in the line's tokens; -1 for the line
// as a whole), from a character of that word on, for a length (0: to the
// word's end).
struct Fault {
  std::string detail;
  int word = -1;
  unsigned from = 0, length = 0;
};

}  // namespace q32
