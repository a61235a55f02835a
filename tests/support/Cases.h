// Cases: end-to-end tests written as tables in text files (tests/**/*.case).
//
// A case file holds cases; each case starts from an empty temporary directory
// and runs its steps in order.  A line that begins with "--- " is a directive,
// every other line belongs to the body of the directive above it.
//
//   --- case <name>                  a new case; its body is free text
//   --- needs <tool>...              skipped unless every tool is on PATH
//   --- file <path> [flags]          the body is the file's bytes
//   --- project <path> [<menu>...]   a softkey project of one menu: the header,
//                                    SKMENU and the words given (ROOT HROOT), the body,
//                                    an ACTION item for each body line that makes a
//                                    softkey of a file ("BMP a.bmp KEY": a dot in
//                                    the second word, a third word), ENDSKMENU
//   --- copy <path> <source path>    a file or folder of the source tree
//   --- dir <path>  --- remove <path>  --- symlink <path> <target>  --- hardlink <path> <file>
//   --- env NAME=value | NAME        set or unset for the later runs
//   --- cd <path>                    the directory the later runs start in
//   --- program <dir> [nocatalogue]  later runs start a copy of Quillon32 in <dir>
//   --- sh <command>                 a shell command that must succeed
//   --- run <arguments>              Quillon32 with these arguments
//   --- preview <arguments>          Quillon32Preview with these arguments
//   --- check <command>              a shell command whose status and output count
// (sh and check take the command from their body when it is not on the line;
// it sees $SRC, $Q32, $CASE and $PYTHON)
//   --- decode <decoder> <path>      a listing of the file (raster, vector, bmx)
//                                    (a folder: each file's last listing line)
//
// After run, preview, check and decode come their results; a case states what
// it is about and the rest goes unchecked:
//   --- status N                     the exit status (always checked: 0 unless stated)
//   --- console [all|tail]           what the run printed: its report lines
//                                    ("File:", "Error:", "Warning:", "Fatal:"),
//                                    with "all" every line (banner, progress,
//                                    listings), with "tail" its last lines
//   --- output                       what a check printed, or a decoder's listing
//   --- new|changed <path> [mode]    a file the run created or changed; mode:
//        (none) the whole file, "tail" its last lines, "raster", "vector" or
//        "bmx" its listing by that decoder, "exists" only that it was written
//   --- deleted <path>               a file the run deleted
//   --- nothing else                 no file besides those listed was created,
//                                    changed or deleted
// A body may be "@<source path>" alone: the expected bytes are that file's, so
// that several cases share one expected output (tests/data/...).
//
// Bodies are text (flags: "crlf" = lines end in CR LF, "nonl" = no line end at
// the end), "esc" text (\\ is a backslash, \xNN a byte) or "hex".  Every run
// has SOURCE_DATE_EPOCH=0; the case directory shows as $CASE.
//
// What a case states comes from outside the program: a reading by another
// tool, a value the format fixes, or what the manual promises; the runner
// only compares.
#pragma once

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace q32test {

// One stated result of a step.
struct CaseResult {
  std::string kind;                // "status", "console", "output", "new", ...
  std::vector<std::string> words;  // the directive's words after the kind
  std::vector<std::string> lines;  // the body as written
  std::string shared;              // the source path of a "@" body, or empty
};

struct CaseStep {
  std::string kind;                // "file", "run", ...
  std::vector<std::string> words;  // the directive's words after the kind
  std::string body;                // decoded bytes of the body
  int line = 0;                    // line of the directive in the file
  std::vector<CaseResult> results;
};

struct Case {
  std::string file;  // relative to the source tree
  std::string name;
  std::vector<CaseStep> steps;
};

inline void PrintTo(const Case& c, std::ostream* os) { *os << c.file << ": " << c.name; }

// Every case of every tests/**/*.case file, in file order.
std::vector<Case> LoadCases();
// Runs a case; a result that differs is a gtest failure.
void RunCase(const Case& c);
// The case of that file and name (a failure and an empty case when there is none).
Case FindCase(const std::string& file, const std::string& name);
// Every file under dir, by its path relative to dir ("/" separators).
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& dir);
// Writes the files a case sets up ("file" and "copy" steps) under dir.
void WriteCaseFiles(const Case& c, const std::string& dir);

// A decoder turns a file's bytes into a listing.
using CaseDecoder = std::function<std::string(const std::string& bytes)>;
std::map<std::string, CaseDecoder>& CaseDecoders();

// The body forms, shared by inputs and results.
std::string DecodeBody(const std::vector<std::string>& lines, const std::vector<std::string>& flags);

}  // namespace q32test
