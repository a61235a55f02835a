// Numbered messages: the message catalogue, error and warning reports with
// their counts, progress messages on the console and free lines in the log.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

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
// A numbered progress message on the console only.
void ShowProgress(Diagnostics& d, Progress message, const char* text1 = nullptr, const char* text2 = nullptr,
                  long number1 = 0, long number2 = 0);
// One free-form line in the log only.
void LogLine(Diagnostics& d, const char* format, const char* text1 = nullptr,
             const char* text2 = nullptr, long number1 = 0, long number2 = 0);
// A line on the console (converted unless embedded), with a line feed; flushed.
void ConsoleLine(Diagnostics& d, std::string_view line);
void CloseMessageCatalogue(Diagnostics& d);

// printf-style formatting of a catalogue text with the argument choice of
// ShowProgress: with text2: text1, text2, number1, number2; with text1 only:
// text1, number1, number2; with neither: number1, number2.  Conversions the
// arguments cannot feed print nothing, so a catalogue text can never read
// past its arguments.
std::string FormatMessageText(std::string_view format, const char* text1, const char* text2,
                              long number1, long number2);

}  // namespace q32
