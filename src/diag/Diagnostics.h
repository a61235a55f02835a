// Numbered messages: the message catalogue, error and warning reports with
// their counts, progress messages on the console and free lines in the log.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "diag/MessageCodes.h"

namespace q32 {

class File;
class FileSystem;

constexpr const char* kCatalogueName = "Quillon32.err";
constexpr const char* kCatalogueHeader = "QUILLON error messages file  Version 1.0";
// Catalogue lines hold at most this many characters.
constexpr std::size_t kMaxCatalogueLine = 4095;
// Labels that the catalogue may redefine hold at most this many characters.
constexpr std::size_t kMaxLabelLength = 23;

enum class Severity { Error, Warning, Note };

// One report as the tools that read a run's reports take it: its severity,
// its number's tag ("E8220"; empty for a note), the file it concerns (as the
// run named it and as a full path; empty for none), the line (0 for none) and
// its text without the tag.
struct ReportRecord {
  Severity severity = Severity::Error;
  std::string tag;
  std::string file, fullPath;
  unsigned line = 0;
  std::string text;
  // A note that gives the report before it a second place (SARIF: a related
  // location of that result).
  bool related = false;
};

// The reporting state of one run, with its counts, which decide the run's
// exit status.
struct Diagnostics {
  FileSystem* fs = nullptr;
  // How a report shows a file's name (relative to where the run started);
  // the name as given when not set.
  std::function<std::string(std::string_view)> showFile;
  std::unique_ptr<File> catalogue;
  std::unique_ptr<File> log;
  int errors = 0, warnings = 0;
  std::string errorLabel = "Error";
  std::string warningLabel = "Warning";
  std::string errorNoLabel = "Error no";
  std::string fileLabel = "File";
  bool embedded = false;         // console output without conversion
  std::FILE* console = stdout;   // where console lines go
  // Every report also on this stream as "file:line: severity: text [number]"
  // (-diag:gcc), the form editors' problem matchers and CI annotations read;
  // none when null.
  std::FILE* gccStream = nullptr;
  // -Werror: the checks' warnings count as errors.
  bool checksAsErrors = false;
  // Every report of the run, kept for a SARIF log when one is asked for,
  // with the full path of its file at the time of the report.
  bool keepReports = false;
  std::function<std::string(std::string_view)> fullPath;
  std::vector<ReportRecord> reports;
  // What each number's lookup in the catalogue found: its text, and the
  // labels the lines before it set, in order; a project's thousand reports
  // of one number read the catalogue once.
  struct LookedUp {
    bool found = false;
    std::string text;
    std::vector<std::pair<std::string Diagnostics::*, std::string>> labels;
  };
  std::unordered_map<int, LookedUp> lookedUp;
};

enum class CatalogueLoad { Loaded, NotOpened, LogNotCreated, WrongHeader };

// Opens dir+name, checks the header, creates the log (when logFile is not
// empty; logDirectory is its directory part) and zeroes the counts.  On a
// failure the fatal text has been printed.
[[nodiscard]] CatalogueLoad LoadMessageCatalogue(Diagnostics& d, std::string_view dir, std::string_view name,
                                                 std::string_view header, std::string_view logFile,
                                                 std::string_view logDirectory = {});
// Looks a message number up (reading the catalogue from its start); true when found.
bool LookupMessage(Diagnostics& d, int number, std::string& out);
// Formats, counts (positive: error; zero or negative: warning) and outputs one
// message to log and console.  An empty file means none; line 0 means none.
// Msg::Ok with an argument reports the argument itself, uncounted.
void ReportMessage(Diagnostics& d, Msg code, std::string_view file = {}, unsigned line = 0,
                   std::string_view argument = {});
// A note: a line in the report's line form with "note: " before the text,
// counted as neither error nor warning.  Without a code it points at a
// second place of the report before it; with one it is a finding of that
// number's kind told without counting (a check without -W).
void ReportNote(Diagnostics& d, std::string_view file, unsigned line, std::string_view text, Msg code = Msg::Ok);
// A finding of the -W checks: a warning of its own number, or under -Werror
// an error (the text keeps its number).
void ReportCheck(Diagnostics& d, Msg code, std::string_view file, unsigned line, std::string_view argument);
// A numbered progress message on the console only.
void ShowProgress(Diagnostics& d, Progress message, const char* text1 = nullptr, const char* text2 = nullptr,
                  long number1 = 0, long number2 = 0);
// One free-form line in the log only.
void LogLine(Diagnostics& d, const char* format, const char* text1 = nullptr,
             const char* text2 = nullptr, long number1 = 0, long number2 = 0);
// A line on the console (converted unless embedded), with a line feed; flushed.
void ConsoleLine(Diagnostics& d, std::string_view line);
void CloseMessageCatalogue(Diagnostics& d);

// The catalogue text of a number with the argument in place of its "%s";
// without an argument the "%s" goes, with the ": " or blank before it.
std::string MessageText(Diagnostics& d, int number, std::string_view argument);
inline std::string MessageText(Diagnostics& d, Msg code, std::string_view argument) {
  return MessageText(d, Number(code), argument);
}
// A catalogue text with the argument in place of its "%s", as MessageText
// puts it.
std::string WithArgument(std::string text, std::string_view argument);
// "E8220: Error opening file" as the number's tag "E8220" and the text after
// it; a text without such a tag gets one from the number (none for a note).
void SplitTag(const std::string& message, int number, std::string& tag, std::string& text);

// printf-style formatting of a catalogue text with the argument choice of
// ShowProgress: with text2: text1, text2, number1, number2; with text1 only:
// text1, number1, number2; with neither: number1, number2.  Conversions the
// arguments cannot feed print nothing, so a catalogue text can never read
// past its arguments.
std::string FormatMessageText(std::string_view format, const char* text1, const char* text2,
                              long number1, long number2);

}  // namespace q32
