#include "diag/Diagnostics.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "text/Ascii.h"
#include "text/Encoding.h"
#include "text/Tokenizer.h"

namespace q32 {
namespace {

// The header line is read into a buffer of this many characters, terminator
// included; a longer first line can never match.
constexpr std::size_t kHeaderBufferSize = 100;
// A width or precision in a message text beyond this is cut to it, so that a
// damaged catalogue cannot make one console or log line unbounded.
constexpr long kMaxFieldWidth = 1024;

// What a line of Windows-1252 text looks like on this host's console: on
// Windows code page 850, elsewhere UTF-8 (the terminal's encoding);
// unchanged when the program runs embedded, for the program that reads it.
std::string ConsoleText(std::string_view ansi, bool embedded) {
  if (embedded) return std::string(ansi);
  if (!kWindowsHost) return Cp1252ToUtf8(ansi);
  std::string out(ansi);
  for (char& c : out) c = static_cast<char>(Cp1252ToCp850(static_cast<unsigned char>(c)));
  return out;
}

// Whether a catalogue line can matter to a lookup of key: its first token is
// the key or one of the labels.  Decided from the plain first token alone,
// without splitting the line, since every report scans the catalogue; a line
// whose first token is quoted is left to the tokenizer.
bool MayMatter(std::string_view line, std::string_view key) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ',' || line[i] == '=' || line[i] == '\n'))
    ++i;
  if (i == line.size() || line[i] == ';') return false;
  if (line[i] == '"' || line[i] == '\'') return true;
  std::size_t end = line.find_first_of(" \t,=\n;\"'", i);
  std::string_view first = line.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
  return EqualsIgnoringCase(first, key) || EqualsIgnoringCase(first, "ERROR") || EqualsIgnoringCase(first, "WARNING") ||
         EqualsIgnoringCase(first, "ERRORNO") || EqualsIgnoringCase(first, "FILE");
}

void SetLabel(std::string& label, const std::string& text) {
  label = text.substr(0, kMaxLabelLength);
}

// One fatal text of the catalogue loader: straight to the console, which is
// flushed at once because the run ends right after it.
void PrintFatal(Diagnostics& d, const char* prefix, std::string_view subject, const char* suffix) {
  if (!d.console) return;
  std::string text(prefix);
  text.append(subject);
  text.append(suffix);
  std::fwrite(text.data(), 1, text.size(), d.console);
  std::fflush(d.console);
}

// The argument list of a message text: which argument a conversion takes is
// fixed by which arguments the caller gave, as a variadic call would pass them.
struct MessageArguments {
  struct Argument {
    const char* text;  // null for a number
    long number;
  };
  Argument items[4];
  std::size_t count = 0;
  std::size_t next = 0;

  MessageArguments(const char* text1, const char* text2, long number1, long number2) {
    if (text2) {
      items[count++] = {text1 ? text1 : "", 0};
      items[count++] = {text2, 0};
    } else if (text1) {
      items[count++] = {text1, 0};
    }
    items[count++] = {nullptr, number1};
    items[count++] = {nullptr, number2};
  }
  const Argument* Take() { return next < count ? &items[next++] : nullptr; }
};

// snprintf of one conversion whose format this file built itself from
// checked flags, width and precision.
template <typename T>
void AppendFormatted(std::string& out, const std::string& conversionFormat, T value) {
  int n = std::snprintf(nullptr, 0, conversionFormat.c_str(), value);
  if (n <= 0) return;
  std::size_t old = out.size();
  out.resize(old + static_cast<std::size_t>(n) + 1);
  std::snprintf(out.data() + old, static_cast<std::size_t>(n) + 1, conversionFormat.c_str(), value);
  out.resize(old + static_cast<std::size_t>(n));
}

}  // namespace

CatalogueLoad LoadMessageCatalogue(Diagnostics& d, std::string_view dir, std::string_view name,
                                   std::string_view header, std::string_view logFile, std::string_view logDirectory) {
  std::string path(dir);
  path.append(name);
  d.catalogue.reset();
  d.log.reset();
  if (d.fs) d.catalogue = d.fs->Open(path, FileMode::ReadText);
  if (!d.catalogue) {
    PrintFatal(d, "Fatal: Messagefile ", path, " cannot be opened!\n\n");
    return CatalogueLoad::NotOpened;
  }

  // The header must be followed by its line end; a first line of the
  // header's text without one is not the header.
  char first[kHeaderBufferSize] = {};
  bool headerOk = false;
  if (d.catalogue->GetLine(first, sizeof first)) {
    std::size_t n = std::strlen(first);
    if (n > 0 && first[n - 1] == '\n') headerOk = std::string_view(first, n - 1) == header;
  }
  if (!headerOk) {
    PrintFatal(d, "Fatal: Invalid version of messagefile: ", path, "\n\n");
    d.catalogue->Close();
    d.catalogue.reset();
    return CatalogueLoad::WrongHeader;
  }

  if (!logFile.empty()) {
    d.log = d.fs->Open(logFile, FileMode::WriteText);
    if (!d.log) {
      if (!logDirectory.empty() && !d.fs->Exists(logDirectory))
        PrintFatal(d, "Fatal: Directory ", logDirectory, " doesn't exist!\n");
      else
        PrintFatal(d, "Fatal: Logfile ", logFile, " cannot be opened!\n");
      d.catalogue->Close();
      d.catalogue.reset();
      return CatalogueLoad::LogNotCreated;
    }
  }

  d.errors = 0;
  d.warnings = 0;
  d.lookedUp.clear();
  return CatalogueLoad::Loaded;
}

bool LookupMessage(Diagnostics& d, int number, std::string& out) {
  if (!d.catalogue) return false;
  // A number looked up before: the catalogue read again from its start
  // would set the same labels on the way and find the same text.
  if (const auto known = d.lookedUp.find(number); known != d.lookedUp.end()) {
    for (const auto& [label, value] : known->second.labels) SetLabel(d.*label, value);
    if (known->second.found) out = known->second.text;
    return known->second.found;
  }
  if (!d.catalogue->Seek(0)) return false;
  Diagnostics::LookedUp& seen = d.lookedUp[number];
  const std::string key = std::to_string(number);
  // Not cleared: GetLine terminates what it reads, and the sentinel below
  // is set before every read.
  char buffer[kMaxCatalogueLine + 1];
  std::vector<std::string> tokens;
  // Set while the rest of an overlong line is being passed over: what
  // follows its first kMaxCatalogueLine characters does not start a line and
  // so can never be an entry.
  bool skippingRest = false;
  for (;;) {
    // A sentinel in the last character position tells whether the read
    // filled the whole buffer.
    buffer[kMaxCatalogueLine - 1] = '\0';
    if (!d.catalogue->GetLine(buffer, sizeof buffer)) return false;
    const bool filled = buffer[kMaxCatalogueLine - 1] != '\0';
    const bool complete = !filled || buffer[kMaxCatalogueLine - 1] == '\n';
    const bool wasSkipping = skippingRest;
    skippingRest = !complete;
    if (wasSkipping) continue;

    std::string_view line(buffer);
    if (line.empty() || line[0] == ';' || line[0] == '\n' || !MayMatter(line, key)) continue;
    if (SplitTokens(line, tokens, 2, false) != Split::Complete || tokens.size() != 2) continue;
    const std::string& k = tokens[0];
    std::string Diagnostics::*label = EqualsIgnoringCase(k, "ERROR")     ? &Diagnostics::errorLabel
                                      : EqualsIgnoringCase(k, "WARNING") ? &Diagnostics::warningLabel
                                      : EqualsIgnoringCase(k, "ERRORNO") ? &Diagnostics::errorNoLabel
                                      : EqualsIgnoringCase(k, "FILE")    ? &Diagnostics::fileLabel
                                                                         : nullptr;
    if (label) {
      SetLabel(d.*label, tokens[1]);
      seen.labels.emplace_back(label, tokens[1]);
    }
    if (EqualsIgnoringCase(k, key)) {
      out = tokens[1];
      seen.found = true;
      seen.text = out;
      return true;
    }
  }
}

// The catalogue text of a number with the argument in place of its "%s";
// without an argument the "%s" goes, with the ": " or blank before it.
std::string MessageText(Diagnostics& d, int number, std::string_view argument) {
  std::string text;
  if (!LookupMessage(d, number, text)) return d.errorNoLabel + ": " + std::to_string(number);
  return WithArgument(text, argument);
}

std::string WithArgument(std::string_view text, std::string_view argument) {
  const std::size_t at = text.find("%s");
  if (at == std::string_view::npos) return std::string(text);
  std::size_t from = at;
  if (argument.empty()) {
    if (from >= 2 && text.substr(from - 2, 2) == ": ") from -= 2;
    else if (from >= 1 && text[from - 1] == ' ') from -= 1;
  }
  // Made in one piece: a project's thousands of reports of one number
  // each make their text.
  std::string out;
  out.reserve(text.size() - (at + 2 - from) + argument.size());
  out.append(text, 0, from);
  out.append(argument);
  out.append(text, at + 2);
  return out;
}

// "E8220: Error opening file" as the number's tag "E8220" and the text after
// it; a text without such a tag gets one from the number.
void SplitTag(const std::string& message, int number, std::string& tag, std::string& text) {
  std::size_t digits = 1;
  while (digits < message.size() && message[digits] >= '0' && message[digits] <= '9') ++digits;
  if (message.size() > digits + 1 && digits > 1 && message[0] >= 'A' && message[0] <= 'Z' &&
      message.compare(digits, 2, ": ") == 0) {
    tag.assign(message, 0, digits);
    text.assign(message, digits + 2);
    return;
  }
  text = message;
  if (number != 0) {
    tag = number < 0 ? "W" : "E";
    tag += std::to_string(number < 0 ? -number : number);
  }
}

namespace {

// The words a report that repeats an earlier one adds to its argument.
constexpr std::string_view kRepeatWords = " (the same fault as above)";

void LogLineOf(Diagnostics& d, const std::string& line) {
  if (!d.log) return;
  d.log->WriteText(line);
  d.log->WriteText("\n");
  d.log->Flush();
}

// The file part of a -diag:gcc line: "file", "file:line" or
// "file:line:column" (the tool's name for a report of no file).
std::string GccPlace(const SourceSpan& at, std::string_view tool = "Quillon32") {
  if (at.file.empty()) return std::string(tool);
  std::string out = InHostForm(at.shown.empty() ? at.file : at.shown);
  if (at.line != 0) {
    out += ":" + std::to_string(at.line);
    if (at.column != 0) out += ":" + std::to_string(at.column);
  }
  return out;
}

// What follows the place in a -diag:gcc line.
std::string GccText(const Diagnostic& r) {
  std::string out = std::string(": ") + SeverityWord(r.severity) + ": " + r.text;
  if (!r.tag.empty()) out += " [" + r.tag + "]";
  return out;
}

// One line of the gcc stream: the place as the host names the file (a
// POSIX host's names are its bytes, which the terminal shows as they are),
// the rest as the console shows text.
void GccStreamLine(Diagnostics& d, const SourceSpan& at, const std::string& rest) {
  const std::string place = GccPlace(at);
  const std::string line = (kWindowsHost ? ConsoleText(place, d.embedded) : place) + ConsoleText(rest, d.embedded) + "\n";
  std::fwrite(line.data(), 1, line.size(), d.gccStream);
  std::fflush(d.gccStream);
}

// What makes two reports the same fault: number, kind, place, argument.
// Made in one buffer: every report of a run makes one.
std::string KeyOf(const Diagnostic& r) {
  char numbers[48];
  char* at = std::to_chars(numbers, numbers + 12, Number(r.code)).ptr;
  *at++ = r.note ? 'n' : 'r';
  *at++ = '\x1f';
  at = std::to_chars(at, at + 10, r.at.line).ptr;
  *at++ = ':';
  at = std::to_chars(at, at + 10, r.at.column).ptr;
  *at++ = '\x1f';
  std::string key;
  key.reserve(static_cast<std::size_t>(at - numbers) + r.at.fullPath.size() + 1 + r.argument.size());
  key.append(numbers, at);
  key += r.at.fullPath;
  key += '\x1f';
  key += r.argument;
  return key;
}

}  // namespace

const char* SeverityWord(Severity s) {
  switch (s) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: break;
  }
  return "note";
}

void TakeNames(const Diagnostics& d, SourceSpan& at) {
  if (at.file.empty() || !at.shown.empty()) return;
  at.shown = d.showFile ? d.showFile(at.file) : at.file;
  at.fullPath = d.fullPath ? d.fullPath(at.file) : at.file;
}

SourceSpan SpanOf(std::string_view file, unsigned line, unsigned column, unsigned length) {
  SourceSpan at;
  at.file.assign(file);
  at.line = line;
  at.column = column;
  at.length = length;
  return at;
}

void Describe(Diagnostics& d, Diagnostic& r, const std::string* catalogueText) {
  TakeNames(d, r.at);
  for (RelatedSpan& note : r.notes) TakeNames(d, note.at);
  const int number = Number(r.code);
  if (r.note) r.severity = Severity::Note;
  else if (r.check) r.severity = d.checksAsErrors ? Severity::Error : Severity::Warning;
  else r.severity = IsError(r.code) ? Severity::Error : Severity::Warning;
  std::string repeated;
  std::string_view argument = r.argument;
  if (r.repeats != kNoDiagnostic) argument = repeated = r.argument + std::string(kRepeatWords);
  if (r.code == Msg::Ok || r.note) r.message = r.argument;
  else if (catalogueText) r.message = WithArgument(*catalogueText, argument);
  else r.message = MessageText(d, number, argument);
  SplitTag(r.message, r.note || r.code == Msg::Ok ? 0 : number, r.tag, r.text);
}

std::string ClassicLine(const Diagnostics& d, const Diagnostic& r) {
  if (r.at.file.empty()) {
    // An uncounted text takes the warning's label.
    const std::string label = r.note ? std::string("Note")
                              : r.severity == Severity::Error && r.code != Msg::Ok ? d.errorLabel
                                                                                   : d.warningLabel;
    return label + ": " + r.message;
  }
  std::string out = d.fileLabel + ": " + (r.at.shown.empty() ? r.at.file : r.at.shown);
  if (r.ReportedLine() != 0) out += "(" + std::to_string(r.ReportedLine()) + ")";
  return out + ": " + (r.note ? "note: " : "") + r.message;
}

std::string ClassicNoteLine(const Diagnostics& d, const RelatedSpan& note) {
  if (note.at.file.empty()) return "Note: " + note.text;
  std::string out = d.fileLabel + ": " + (note.at.shown.empty() ? note.at.file : note.at.shown);
  if (note.at.line != 0) out += "(" + std::to_string(note.at.line) + ")";
  return out + ": note: " + note.text;
}

std::string GccLine(const Diagnostic& r, std::string_view tool) { return GccPlace(r.at, tool) + GccText(r); }

std::string GccNoteLine(const RelatedSpan& note) { return GccPlace(note.at) + ": note: " + note.text; }

std::vector<const RelatedSpan*> ShownNotes(const Diagnostics& d, const Diagnostic& r) {
  auto kept = [&d](DiagnosticId id) {
    return id >= 0 && static_cast<std::size_t>(id) < d.kept.size() ? &d.kept[static_cast<std::size_t>(id)] : nullptr;
  };
  const Diagnostic* cause = kept(r.cause);
  const Diagnostic* first = kept(r.repeats);
  auto same = [](const SourceSpan& a, const SourceSpan& b) { return a.fullPath == b.fullPath && a.line == b.line; };
  std::vector<const RelatedSpan*> out;
  for (const RelatedSpan& note : r.notes) {
    if (cause && same(note.at, cause->at)) continue;
    // A repeat shows only what differs from the report it repeats.
    bool told = false;
    if (first)
      for (const RelatedSpan& before : first->notes) told = told || (same(note.at, before.at) && note.text == before.text);
    if (!told) out.push_back(&note);
  }
  return out;
}

DiagnosticId Report(Diagnostics& d, Diagnostic r, const std::string* catalogueText) {
  if (d.recorder) d.recorder->Reported(r);
  TakeNames(d, r.at);
  for (RelatedSpan& note : r.notes) TakeNames(d, note.at);
  // Its id, unless it is the same as one told before (the key's hash made
  // once).
  const auto id = static_cast<DiagnosticId>(d.kept.size());
  if (const auto [it, fresh] = d.told.try_emplace(KeyOf(r), id); !fresh) {
    if (r.note || r.dropRepeat) return it->second;
    r.repeats = it->second;
  }
  Describe(d, r, catalogueText);
  if (!r.note && (r.code != Msg::Ok || r.argument.empty())) ++(r.severity == Severity::Error ? d.errors : d.warnings);

  const std::vector<const RelatedSpan*> notes = ShownNotes(d, r);
  // The log and the console show the same line, made once (a language
  // server's runs, which have no console, report thousands).
  const bool logged = d.log && d.logWritten;
  const std::string line = logged || (!d.gccStream && d.console) ? ClassicLine(d, r) : std::string();
  if (logged) {
    LogLineOf(d, line);
    for (const RelatedSpan* note : notes) LogLineOf(d, ClassicNoteLine(d, *note));
  }
  if (d.gccStream) {
    GccStreamLine(d, r.at, GccText(r));
    for (const RelatedSpan* note : notes) GccStreamLine(d, note->at, ": note: " + note->text);
  } else if (d.console) {
    ConsoleLine(d, line);
    for (const RelatedSpan* note : notes) ConsoleLine(d, ClassicNoteLine(d, *note));
  }
  d.kept.push_back(std::move(r));
  return id;
}

DiagnosticId ReportMessage(Diagnostics& d, Msg code, std::string_view file, unsigned line, std::string_view argument) {
  Diagnostic r;
  r.code = code;
  r.at = SpanOf(file, line);
  r.argument.assign(argument);
  return Report(d, std::move(r));
}

void ShowProgress(Diagnostics& d, Progress message, const char* text1, const char* text2, long number1,
                  long number2) {
  std::string text;
  if (!LookupMessage(d, Number(message), text)) {
    ConsoleLine(d, "Fatal: Message " + std::to_string(Number(message)) + " not found in messagefile\n");
    return;
  }
  ConsoleLine(d, FormatMessageText(text, text1, text2, number1, number2));
}

void LogLine(Diagnostics& d, const char* format, const char* text1, const char* text2,
             long number1, long number2) {
  if (!d.log || !d.logWritten || !format) return;
  std::string line = FormatMessageText(format, text1, text2, number1, number2);
  if (d.recorder) d.recorder->Logged(line);
  line += '\n';
  d.log->WriteText(line);
  d.log->Flush();
}

void ConsoleLine(Diagnostics& d, std::string_view line) {
  if (!d.console) return;
  std::string text = ConsoleText(line, d.embedded);
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), d.console);
  std::fflush(d.console);
}

void CloseMessageCatalogue(Diagnostics& d) {
  if (d.catalogue) d.catalogue->Close();
  d.catalogue.reset();
  if (d.log) d.log->Close();
  d.log.reset();
}

std::string FormatMessageText(std::string_view format, const char* text1, const char* text2,
                              long number1, long number2) {
  MessageArguments args(text1, text2, number1, number2);
  std::string out;
  out.reserve(format.size() + 32);
  std::size_t i = 0;
  const std::size_t n = format.size();
  while (i < n) {
    char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    const std::size_t start = i++;
    std::string flags;
    while (i < n && std::strchr("-+ #0", format[i]) && flags.size() < 5) flags += format[i++];
    while (i < n && std::strchr("-+ #0", format[i])) ++i;  // repeated flags add nothing
    long width = -1;
    while (i < n && std::isdigit(static_cast<unsigned char>(format[i]))) {
      width = (width < 0 ? 0 : width) * 10 + (format[i++] - '0');
      if (width > kMaxFieldWidth) width = kMaxFieldWidth;
    }
    long precision = -1;
    if (i < n && format[i] == '.') {
      ++i;
      precision = 0;
      while (i < n && std::isdigit(static_cast<unsigned char>(format[i]))) {
        precision = precision * 10 + (format[i++] - '0');
        if (precision > kMaxFieldWidth) precision = kMaxFieldWidth;
      }
    }
    bool isLong = false;
    while (i < n && std::strchr("hlLqjzt", format[i])) isLong |= format[i++] != 'h';
    if (i >= n) {
      // A conversion cut off by the end of the text is shown as written.
      out.append(format.substr(start));
      break;
    }
    const char conversion = format[i++];
    if (conversion == '%') {
      out += '%';
      continue;
    }
    if (!std::strchr("sdiuxXc", conversion)) {
      // Not a conversion this formatter knows: shown as written, taking no argument.
      out.append(format.substr(start, i - start));
      continue;
    }
    const MessageArguments::Argument* arg = args.Take();
    if (!arg) continue;  // nothing left to feed it: prints nothing

    std::string conversionFormat = "%" + flags;
    if (width >= 0) conversionFormat += std::to_string(width);
    if (precision >= 0 && conversion != 'c') conversionFormat += "." + std::to_string(precision);

    if (conversion == 's' || ((conversion != 'c') && arg->text)) {
      // A number given to %s shows in decimal; a text given to a number
      // conversion shows as text.
      std::string value = arg->text ? std::string(arg->text) : std::to_string(arg->number);
      std::string textSpec = "%";
      if (flags.find('-') != std::string::npos) textSpec += '-';
      if (width >= 0) textSpec += std::to_string(width);
      if (precision >= 0 && conversion == 's') textSpec += "." + std::to_string(precision);
      textSpec += 's';
      AppendFormatted(out, textSpec, value.c_str());
    } else if (conversion == 'c') {
      const int ch = arg->text ? static_cast<unsigned char>(arg->text[0])
                               : static_cast<unsigned char>(arg->number);
      // A line is text: a zero character would end it early in every reader.
      if (ch != 0) AppendFormatted(out, conversionFormat + "c", ch);
    } else if (conversion == 'd' || conversion == 'i') {
      AppendFormatted(out, conversionFormat + "ld", arg->number);
    } else {
      // Unsigned conversions show the number as the unsigned type of its size.
      const unsigned long value = isLong ? static_cast<unsigned long>(arg->number)
                                         : static_cast<unsigned int>(arg->number);
      AppendFormatted(out, conversionFormat + "l" + conversion, value);
    }
  }
  return out;
}

}  // namespace q32
