#include "project/Defines.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "plc/PlcOperands.h"
#include "project/FileCoding.h"
#include "run/RunContext.h"
#include "text/Ascii.h"

namespace q32 {
namespace {

bool IsFill(char c) { return c == ' ' || c == '\t' || c == '='; }
// Where a name or an unquoted value ends.
bool EndsWord(char c) { return c == '=' || c == ',' || c == ' ' || c == '\t' || c == ';' || c == '*'; }
bool EndsList(char c) { return c == ';' || c == '*'; }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The digits of a $ or % number: at least one, every one below the base.
// The value wraps at 32 bits, as the PLC's registers do.
bool ParseBase(std::string_view digits, int base, std::int32_t& value) {
  if (digits.empty()) return false;
  std::uint32_t number = 0;
  for (char c : digits) {
    int d = DigitValue(c);
    if (d < 0 || d >= base) return false;
    number = number * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(d);
  }
  value = static_cast<std::int32_t>(number);
  return true;
}

// A value that begins with a decimal number (optionally signed); what
// follows the digits is ignored.  Values beyond 32 bits stop at the limits.
bool ParseLeadingDecimal(std::string_view text, std::int32_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  std::int64_t number = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    number = std::min<std::int64_t>(number * 10 + (text[i] - '0'), std::int64_t{INT32_MAX} + 1);
  if (negative) number = -number;
  value = static_cast<std::int32_t>(std::clamp<std::int64_t>(number, INT32_MIN, INT32_MAX));
  return true;
}

// Gives the value of an unquoted value text; false for a malformed number.
bool ClassifyValue(std::string_view text, DefineEntry& entry, bool& unquoted) {
  if (text[0] == '$') return ParseBase(text.substr(1), 16, entry.value);
  if (text[0] == '%') {
    if (text.size() >= 2 && text.back() == '%') {  // a reference such as %PATH%
      entry.isString = true;
      return true;
    }
    return ParseBase(text.substr(1), 2, entry.value);
  }
  if (ParseLeadingDecimal(text, entry.value)) return true;
  entry.isString = true;
  unquoted = true;
  return true;
}

bool IsDefinedName(RunContext& run, const PlcSymbolTables& plc, std::string_view name) {
  std::int32_t value;
  if (run.defines.LookupDefine(name, value) != DefineKind::None) return true;
  // With -post a condition may also ask for a PLC symbol; an ambiguous one
  // exists as well.
  return run.settings.postProcess && LookUpSymbol(plc, name) != SymbolLookup::NotFound;
}

std::vector<std::string_view> SplitWords(std::string_view group) {
  std::vector<std::string_view> words;
  std::size_t p = 0;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (p < group.size()) {
    while (p < group.size() && blank(group[p])) ++p;
    std::size_t start = p;
    while (p < group.size() && !blank(group[p])) ++p;
    if (p > start) words.push_back(group.substr(start, p - start));
  }
  return words;
}

// One group: name, then OR/AND [NOT] name pairs from left to right.
bool EvaluateGroup(RunContext& run, const PlcSymbolTables& plc, const std::vector<std::string_view>& words,
                  bool negateFirst, bool& value) {
  value = IsDefinedName(run, plc, words[0]) != negateFirst;
  for (std::size_t i = 1; i < words.size();) {
    bool isOr = EqualsIgnoringCase(words[i], "OR");
    if (!isOr && !EqualsIgnoringCase(words[i], "AND")) return false;
    ++i;
    bool negate = false;
    if (i < words.size() && EqualsIgnoringCase(words[i], "NOT")) {
      negate = true;
      ++i;
    }
    if (i >= words.size()) return false;  // an operator at the end of the group
    bool defined = IsDefinedName(run, plc, words[i++]) != negate;
    value = isOr ? (value || defined) : (value && defined);
  }
  return true;
}

}  // namespace

Msg ParseDefines(DefineList& defines, std::string_view text, bool replace, DefineParseSummary* summary) {
  DefineParseSummary local;
  DefineParseSummary& found = summary ? *summary : local;
  found = DefineParseSummary{};
  bool& duplicate = found.duplicate;
  bool& unquoted = found.unquoted;
  bool& badNumber = found.badNumber;
  try {
    std::size_t p = 0;
    const std::size_t n = text.size();
    auto skipFill = [&] {
      while (p < n && IsFill(text[p])) ++p;
    };
    auto insert = [&](DefineEntry&& entry) {
      // A lone "," leaves no name; there is nothing to define then.
      if (!entry.name.empty() && defines.Insert(std::move(entry), replace)) duplicate = true;
    };
    for (;;) {
      skipFill();
      if (p >= n || EndsList(text[p])) break;
      std::size_t start = p;
      while (p < n && !EndsWord(text[p])) ++p;
      DefineEntry entry;
      entry.name = UpperCase(text.substr(start, std::min(p - start, kMaxNameLength)));
      if (p - start > kMaxNameLength) found.cut.push_back({std::string(text.substr(start, p - start)), {}});
      skipFill();
      if (p < n && text[p] == ',') {
        ++p;
        insert(std::move(entry));
        continue;
      }
      if (p >= n || EndsList(text[p])) {
        insert(std::move(entry));
        break;
      }
      entry.hasValue = true;
      if (text[p] == '"') {
        std::size_t close = text.find('"', p + 1);
        std::string_view value = text.substr(p + 1, close == std::string_view::npos ? n : close - p - 1);
        entry.isString = true;
        entry.valueText = std::string(value.substr(0, kMaxNameLength));
        if (value.size() > kMaxNameLength) found.cut.push_back({std::string(value), entry.name});
        p = close == std::string_view::npos ? n : close + 1;
      } else {
        start = p;
        while (p < n && !EndsWord(text[p])) ++p;
        std::string_view value = text.substr(start, p - start);
        entry.valueText = std::string(value.substr(0, kMaxNameLength));
        if (value.size() > kMaxNameLength) found.cut.push_back({std::string(value), entry.name});
        if (!ClassifyValue(value, entry, unquoted)) {
          badNumber = true;  // the list ends at a malformed number
          break;
        }
      }
      insert(std::move(entry));
      skipFill();
      if (p < n && text[p] == ',') {
        ++p;
        continue;
      }
      break;  // definitions that follow without a comma are not read
    }
  } catch (const std::bad_alloc&) {
    return Msg::OutOfMemory;
  }
  if (duplicate) return Msg::DuplicateDefine;
  if (badNumber) return Msg::BadNumber;
  if (unquoted) return Msg::UnquotedString;
  return Msg::Ok;
}

void ReportDefineResult(RunContext& run, Msg code, std::string_view file, unsigned line, std::string_view text) {
  if (code != Msg::Ok) ReportMessage(run.diag, code, file, line, text);
}

namespace {

// A configuration file holds DEFINE lines, comments (";") and blank lines;
// every other line is passed over, and a misspelt DEFINE silently takes a
// variant's define away.  The checks are told of it.
void PointAtIgnoredLine(RunContext& run, std::string_view file, unsigned lineNumber, std::string_view line) {
  std::size_t start = 0;
  while (start < line.size() && (IsFill(line[start]) || line[start] == '\r' || line[start] == '\n')) ++start;
  if (start == line.size() || line[start] == ';') return;
  std::string text(line.substr(start));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const std::string word = text.substr(0, text.find_first_of(" \t="));
  static constexpr std::string_view kDefine[] = {"DEFINE"};
  std::string detail = "\"" + text + "\" (the file holds DEFINE lines and comments after \";\")";
  if (!NearestWord(word, kDefine).empty()) detail = "\"" + text + "\" (did you mean DEFINE?)";
  // At the line's first word.
  run.observer->Found(CheckFinding(
      Msg::ConfigurationLineIgnored,
      SpanOf(file, lineNumber, static_cast<unsigned>(start + 1), static_cast<unsigned>(word.size())), detail));
}

// A define name or value cut to the characters the run keeps.
Diagnostic CutFinding(const DefineCut& cut, SourceSpan at, std::string_view where = {}) {
  const std::string value = cut.define.empty() ? std::string() : "the value of " + cut.define + ", ";
  return CheckFinding(Msg::NameCut, std::move(at),
                      value + cut.text + " becomes " + cut.text.substr(0, kMaxNameLength) + std::string(where));
}

}  // namespace

bool ReadConfigurationFile(RunContext& run, std::string_view name) {
  std::unique_ptr<File> file = run.fs.Open(name, FileMode::ReadText);
  if (!file) return false;
  const FileCoding coding = RecogniseCoding(*file);
  std::string line;
  unsigned lineNumber = 0;
  bool lineStart = true;
  std::string missing;
  std::size_t where = 0;
  while (ReadCodedLine(*file, coding, line, kMaxConfigurationLine, lineNumber == 0 && lineStart, missing, &where)) {
    // A line longer than the buffer arrives in pieces; only the first piece
    // starts a new line number (and has the line's columns).
    const bool pieceStartsLine = lineStart;
    if (lineStart) ++lineNumber;
    lineStart = !line.empty() && line.back() == '\n';
    if (!missing.empty()) {
      Diagnostic r;
      r.code = Msg::NoCodePageForm;
      r.at = SpanOf(name, lineNumber, pieceStartsLine ? static_cast<unsigned>(where + 1) : 0, 1);
      r.argument = std::exchange(missing, {}) + " is read as \"?\"";
      Report(run.diag, std::move(r));
    }
    if (!StartsWithIgnoringCase(line, "DEFINE")) {
      if (run.observer) PointAtIgnoredLine(run, name, lineNumber, line);
      continue;
    }
    std::size_t p = 6;
    while (p < line.size() && IsFill(line[p])) ++p;
    std::string rest = line.substr(p);
    if (!rest.empty() && rest.back() == '\n') rest.pop_back();
    rest = UpperCase(rest);
    DefineParseSummary summary;
    Msg code = ParseDefines(run.defines, rest, false, &summary);
    ReportDefineResult(run, code, name, lineNumber, rest);
    if (run.observer)
      for (const DefineCut& cut : summary.cut) run.observer->Found(CutFinding(cut, SpanOf(name, lineNumber)));
  }
  file->Close();
  return true;
}

void LoadRunDefines(RunContext& run, std::string_view cfgFile, const std::optional<std::string>& defineList) {
  // A scan reads it too: it lists the run's inputs, and this is one.
  if (!cfgFile.empty()) {
    if (!ReadConfigurationFile(run, cfgFile)) ReportFailedFile(run, Msg::DefinesFileNotOpened, cfgFile);
    else if (run.settings.mode == RunMode::Scan) LogLine(run.diag, "File %s", DisplayPath(run.paths, cfgFile).c_str());
  }
  if (!defineList) return;
  std::string text = UpperCase(*defineList);
  DefineParseSummary summary;
  Msg code = ParseDefines(run.defines, text, true, &summary);
  if (code == Msg::OutOfMemory) {
    ReportDefineResult(run, code, {}, 0, text);
    return;
  }
  if (run.observer)
    for (const DefineCut& cut : summary.cut) run.observer->Found(CutFinding(cut, {}, " (in the define list of -a)"));
  if (summary.badNumber) ReportDefineResult(run, Msg::BadNumber, {}, 0, text);
  if (summary.unquoted) ReportDefineResult(run, Msg::UnquotedString, {}, 0, text);
}

bool EvaluateDefineCondition(RunContext& run, PlcSymbolTables& plc, std::string_view text, bool negateFirst,
                            bool& result) {
  result = true;
  try {
    std::size_t p = 0;
    for (;;) {
      std::size_t comma = text.find(',', p);
      std::vector<std::string_view> words =
          SplitWords(text.substr(p, comma == std::string_view::npos ? std::string_view::npos : comma - p));
      if (!words.empty()) {
        bool value;
        if (!EvaluateGroup(run, plc, words, negateFirst, value)) return false;
        result = result && value;
      }
      if (comma == std::string_view::npos) break;
      p = comma + 1;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace q32
