// Numbered messages: the message catalogue, error and warning reports with
// their counts, progress messages on the console and free lines in the log.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "diag/Diagnostic.h"
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

// Told of the reports and log lines of a part of a run, in order.
class DiagnosticsRecorder {
 public:
  virtual ~DiagnosticsRecorder() = default;
  virtual void Reported(const Diagnostic& handed) = 0;
  virtual void Logged(std::string_view line) = 0;  // without its line end
};

// The reporting state of one run, with its counts, which decide the run's
// exit status.
struct Diagnostics {
  FileSystem* fs = nullptr;
  // How a report shows a file's name (relative to where the run started);
  // the name as given when not set.
  std::function<std::string(std::string_view)> showFile;
  // The host's full name of a file (the name as given when not set).
  std::function<std::string(std::string_view)> fullPath;
  std::unique_ptr<File> catalogue;
  std::unique_ptr<File> log;
  // False: the log is created (a folder that cannot hold it still fails the
  // run) but no line goes into it, and none is made: a language server's
  // runs, thousands of lines each change, whose log nobody reads.
  bool logWritten = true;
  int errors = 0, warnings = 0;
  std::string errorLabel = "Error";
  std::string warningLabel = "Warning";
  std::string errorNoLabel = "Error no";
  std::string fileLabel = "File";
  bool embedded = false;         // console output without conversion
  std::FILE* console = stdout;   // where console lines go
  // -diag:gcc: the reports go to this stream as
  // "file:line:column: severity: text [number]", the form editors' problem
  // matchers and CI annotations read, instead of to the console (the log
  // keeps its form); none when null.
  std::FILE* gccStream = nullptr;
  // -Werror: the checks' warnings count as errors.
  bool checksAsErrors = false;
  // The host's full name of the directory the run started in: SARIF names
  // the files below it relative to it.
  std::string startDirectory;
  // Every report of the run, in the order told (a dropped repeat is not
  // kept again), for the SARIF log, the editor and the preview.
  std::vector<Diagnostic> kept;
  // Each report told, by its number, place and argument: a repeat is known
  // (a project's thousands, by their hash).
  std::unordered_map<std::string, DiagnosticId> told;
  // What each number's lookup in the catalogue found: its text, and the
  // labels the lines before it set, in order; a project's thousand reports
  // of one number read the catalogue once.
  struct LookedUp {
    bool found = false;
    std::string text;
    std::vector<std::pair<std::string Diagnostics::*, std::string>> labels;
  };
  std::unordered_map<int, LookedUp> lookedUp;
  // While set, told of every report as it is handed to Report and of every
  // line LogLine writes: a conversion that a cache keeps makes them again.
  DiagnosticsRecorder* recorder = nullptr;
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
// Reports one diagnostic: takes its file's names, looks its text up, counts
// it (positive: an error; zero or negative: a warning; a check by -Werror;
// a note not at all), writes it and its notes to log and console (or the
// gcc stream) and keeps it.  Returns its id (that of the report it repeats,
// when a repeat is dropped).  catalogueText, when given, is the
// catalogue's text of its number, looked up once for many reports.
DiagnosticId Report(Diagnostics& d, Diagnostic diagnostic, const std::string* catalogueText = nullptr);
// The same for a report of a file (empty: none) and line (0: none) as a
// whole.  Msg::Ok with an argument reports the argument itself, uncounted.
DiagnosticId ReportMessage(Diagnostics& d, Msg code, std::string_view file = {}, unsigned line = 0,
                           std::string_view argument = {});
// The place of a file (and line) as a report names it.
SourceSpan SpanOf(std::string_view file, unsigned line = 0, unsigned column = 0, unsigned length = 0);
// Takes the names of a span's file now, while the run is in the directory
// the file was named from (Report does it for the spans it is given).
void TakeNames(const Diagnostics& d, SourceSpan& at);

// The forms a report is written in: the line of the console and the log
// ("File: five.spm(14): E8270: text"), and the line of -diag:gcc and the
// preview ("five.spm:14:6: error: text [E8270]"; a report of no file names
// the tool instead), each for the report itself and for one of its notes.
std::string ClassicLine(const Diagnostics& d, const Diagnostic& r);
std::string ClassicNoteLine(const Diagnostics& d, const RelatedSpan& note);
std::string GccLine(const Diagnostic& r, std::string_view tool = "Quillon32");
std::string GccNoteLine(const RelatedSpan& note);
// "error", "warning" or "note": a severity as the gcc form and SARIF name it.
const char* SeverityWord(Severity s);
// The notes of a report as its forms show them: a note at the place of the
// report it follows from, or one the report it repeats showed, is not shown
// again.
std::vector<const RelatedSpan*> ShownNotes(const Diagnostics& d, const Diagnostic& r);
// Takes the names of its files, looks its text up (or takes the catalogue
// text given) and fills severity, message, tag and text, as Report does,
// without telling it (the preview's findings).
void Describe(Diagnostics& d, Diagnostic& r, const std::string* catalogueText = nullptr);

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
std::string WithArgument(std::string_view text, std::string_view argument);
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
