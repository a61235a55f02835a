#include "lang/PoCatalogue.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "diag/MessageCodes.h"
#include "platform/FileSystem.h"
#include "text/Ascii.h"
#include "text/Encoding.h"
#include "text/Format.h"

namespace q32 {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kContentType = "Content-Type:";
constexpr std::string_view kCharset = "charset=";
constexpr std::string_view kFuzzyFlag = "fuzzy";
constexpr std::string_view kPluralText = "msgstr[";

// The string of an entry that a keyword's strings, and the quoted lines
// after them, make up.  What the texts do not need is read and dropped.
enum class PoField { None, Context, Id, IdPlural, Text, OtherPluralText };

struct PoKeyword {
  std::string_view word;
  PoField field;
};
constexpr std::array<PoKeyword, 4> kPoKeywords = {{
    {"msgctxt", PoField::Context},
    {"msgid", PoField::Id},
    {"msgid_plural", PoField::IdPlural},
    {"msgstr", PoField::Text},
}};

// The escapes gettext writes inside strings.  Any other backslash is kept
// as it stands.
struct PoEscape {
  char written;
  char meant;
};
constexpr std::array<PoEscape, 9> kPoEscapes = {{
    {'n', '\n'}, {'t', '\t'}, {'"', '"'}, {'\\', '\\'}, {'r', '\r'},
    {'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'v', '\v'},
}};

// The codings a header may declare, under the names gettext and the
// translators' editors write (compared without regard to case).  The texts
// are kept in UTF-8: the others are converted.
enum class PoCoding { Utf8, Ascii, Latin1, Latin9, Windows1252 };
struct PoCharset {
  std::string_view name;
  PoCoding coding;
};
constexpr std::array<PoCharset, 15> kPoCharsets = {{
    {"UTF-8", PoCoding::Utf8},          {"UTF8", PoCoding::Utf8},
    {"ASCII", PoCoding::Ascii},         {"US-ASCII", PoCoding::Ascii},
    {"ANSI_X3.4-1968", PoCoding::Ascii}, {"ISO-8859-1", PoCoding::Latin1},
    {"ISO8859-1", PoCoding::Latin1},    {"ISO_8859-1", PoCoding::Latin1},
    {"LATIN1", PoCoding::Latin1},       {"ISO-8859-15", PoCoding::Latin9},
    {"ISO8859-15", PoCoding::Latin9},   {"ISO_8859-15", PoCoding::Latin9},
    {"LATIN-9", PoCoding::Latin9},      {"CP1252", PoCoding::Windows1252},
    {"WINDOWS-1252", PoCoding::Windows1252},
}};

struct PoEntry {
  std::string context, id, text;
  bool hasContext = false, hasId = false, hasText = false, fuzzy = false;
  int line = 0;  // of its msgid
  // Where each line of the text began in it, and that line's number, so
  // that a header field can be pointed at.
  std::vector<std::pair<std::size_t, int>> textLines;
};

struct PoReader {
  std::vector<PoEntry> entries;  // complete entries with a msgid, in file order
  PoEntry current;
  PoField field = PoField::None;
  std::string dropped;
  int line = 0;     // being read
  std::string why;  // of a failure
  std::size_t column = 0, length = 0;  // of the word at fault (column 0: the line)
  PoCoding coding = PoCoding::Utf8;
  std::string charset;  // as the header names it
  // The first byte above 127 and its line: an ASCII catalogue must have none.
  unsigned char eightBit = 0;
  int eightBitLine = 0;
};

Msg Fail(PoReader& r, Msg code, std::string why) {
  r.why = std::move(why);
  return code;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t SkipBlanks(std::string_view line, std::size_t i) {
  while (i < line.size() && IsBlank(line[i])) ++i;
  return i;
}

// The line of the file where a piece of an entry's text stands.
int LineOf(const PoEntry& e, std::size_t offset) {
  int line = e.line;
  for (const auto& [start, number] : e.textLines)
    if (start <= offset) line = number;
  return line;
}

// The header entry: of its fields only the coding that "Content-Type"
// declares counts; a charset the reader does not know fails at its line.
Msg CheckHeader(PoReader& r, const PoEntry& entry) {
  std::string_view header = entry.text;
  while (!header.empty()) {
    std::size_t end = header.find('\n');
    std::string_view field = header.substr(0, end);
    const std::size_t offset = static_cast<std::size_t>(field.data() - entry.text.data());
    header = end == std::string_view::npos ? std::string_view() : header.substr(end + 1);
    if (field.substr(0, kContentType.size()) != kContentType) continue;
    std::size_t at = field.find(kCharset);
    const int line = LineOf(entry, offset);
    if (at == std::string_view::npos) {
      r.line = line;
      return Fail(r, Msg::UnsupportedCoding, "the header declares no charset");
    }
    std::string_view charset = field.substr(at + kCharset.size());
    charset = charset.substr(0, charset.find_first_of("; \t"));
    for (const PoCharset& known : kPoCharsets) {
      if (!EqualsIgnoringCase(charset, known.name)) continue;
      r.coding = known.coding;
      r.charset = std::string(charset);
      return Msg::Ok;
    }
    r.line = line;
    return Fail(r, Msg::UnsupportedCoding,
                "the header declares the charset " + std::string(charset) +
                    "; UTF-8, ASCII, ISO-8859-1, ISO-8859-15 and Windows-1252 (CP1252) are read");
  }
  return Msg::Ok;
}

// Ends the current entry: one with a msgid and a text is kept, the header is
// checked, an entry without a text gives nothing.
Msg FinishEntry(PoReader& r) {
  PoEntry done = std::exchange(r.current, PoEntry{});
  r.field = PoField::None;
  if (!done.hasText) return Msg::Ok;
  if (done.id.empty()) return done.hasContext ? Msg::Ok : CheckHeader(r, done);
  r.entries.push_back(std::move(done));
  return Msg::Ok;
}

// msgctxt and msgid begin an entry unless they continue the one begun.
Msg BeginPart(PoReader& r, bool started) {
  if (r.current.hasText) return FinishEntry(r);
  if (started) {
    // A msgid without msgstr gives nothing.
    bool fuzzy = r.current.fuzzy;
    r.current = PoEntry{};
    r.current.fuzzy = fuzzy;
  }
  return Msg::Ok;
}

Msg StartField(PoReader& r, PoField field) {
  PoEntry& e = r.current;
  switch (field) {
    case PoField::Context:
      if (const Msg rc = BeginPart(r, e.hasContext || e.hasId); rc != Msg::Ok) return rc;
      r.current.hasContext = true;
      break;
    case PoField::Id:
      if (const Msg rc = BeginPart(r, e.hasId); rc != Msg::Ok) return rc;
      r.current.hasId = true;
      r.current.line = r.line;
      break;
    case PoField::Text:
      if (e.hasText) {
        // A second text of one msgid is a further entry of that name, which
        // the first one hides.
        PoEntry again = e;
        again.text.clear();
        again.fuzzy = false;
        if (const Msg rc = FinishEntry(r); rc != Msg::Ok) return rc;
        r.current = std::move(again);
      }
      r.current.hasText = true;
      break;
    default:
      break;
  }
  r.field = field;
  return Msg::Ok;
}

// A keyword from the table, or msgstr[n] of a plural entry.
bool FindKeyword(std::string_view word, PoField& field) {
  for (const PoKeyword& k : kPoKeywords) {
    if (k.word != word) continue;
    field = k.field;
    return true;
  }
  if (word.size() < kPluralText.size() + 2 || word.substr(0, kPluralText.size()) != kPluralText ||
      word.back() != ']')
    return false;
  std::string_view number = word.substr(kPluralText.size(), word.size() - kPluralText.size() - 1);
  bool singular = true;
  for (char c : number) {
    if (c < '0' || c > '9') return false;
    if (c != '0') singular = false;
  }
  field = singular ? PoField::Text : PoField::OtherPluralText;
  return true;
}

std::string& Target(PoReader& r) {
  switch (r.field) {
    case PoField::Context: return r.current.context;
    case PoField::Id: return r.current.id;
    case PoField::Text: return r.current.text;
    default:
      r.dropped.clear();
      return r.dropped;
  }
}

// Appends the string that starts behind the quote at i; returns the position
// behind its closing quote (an unclosed string ends with the line).
std::size_t ReadString(std::string_view line, std::size_t i, std::string& out) {
  while (i < line.size()) {
    char c = line[i++];
    if (c == '"') return i;
    if (c == '\n') continue;
    if (c == '\\' && i < line.size()) {
      auto escape = std::find_if(kPoEscapes.begin(), kPoEscapes.end(),
                                 [&](const PoEscape& e) { return e.written == line[i]; });
      if (escape != kPoEscapes.end()) {
        out += escape->meant;
        ++i;
        continue;
      }
    }
    out += c;
  }
  return i;
}

// "#" comments of every kind end a complete entry; the flags line "#," can
// mark the next one fuzzy.
Msg ReadComment(PoReader& r, std::string_view line) {
  const Msg rc = r.current.hasText ? FinishEntry(r) : Msg::Ok;
  r.field = PoField::None;
  if (line.size() < 2 || line[1] != ',') return rc;
  line.remove_prefix(2);
  while (!line.empty()) {
    std::size_t end = line.find_first_of(", \t\r\n");
    if (line.substr(0, end) == kFuzzyFlag) r.current.fuzzy = true;
    line = end == std::string_view::npos ? std::string_view() : line.substr(end + 1);
  }
  return rc;
}

Msg ReadLine(PoReader& r, std::string_view line) {
  std::size_t i = SkipBlanks(line, 0);
  if (i == line.size() || line[i] == ';') return Msg::Ok;
  if (line[i] == '#') return ReadComment(r, line.substr(i));
  if (line[i] != '"') {
    std::size_t end = i;
    while (end < line.size() && !IsBlank(line[end]) && line[end] != '"') ++end;
    PoField field = PoField::None;
    if (!FindKeyword(line.substr(i, end - i), field)) {
      r.column = i + 1;
      r.length = end - i;
      return Fail(r, Msg::LanguageFileError, std::string(line.substr(i, end - i)) + " is no catalogue keyword");
    }
    if (const Msg rc = StartField(r, field); rc != Msg::Ok) return rc;
    i = end;
  }
  // The strings of the line, each joined to the field.
  for (i = SkipBlanks(line, i); i < line.size() && line[i] != ';'; i = SkipBlanks(line, i)) {
    if (line[i] != '"') return Fail(r, Msg::LanguageFileError, "a string that does not begin with a double quote");
    std::string& target = Target(r);
    if (r.field == PoField::Text) r.current.textLines.emplace_back(target.size(), r.line);
    i = ReadString(line, i + 1, target);
    if (target.size() > kMaxCatalogueLine) return Fail(r, Msg::LanguageFileError, "a string longer than 65536 bytes");
  }
  return Msg::Ok;
}

}  // namespace

Msg ReadCatalogue(File& file, LanguageEntry& entry, LanguageFileReport& report) {
  entry.utf8 = true;
  PoReader r;
  auto failed = [&](Msg rc) {
    report.line = r.line;
    report.why = r.why;
    report.column = static_cast<unsigned>(r.column);
    report.length = static_cast<unsigned>(r.length);
    return rc;
  };
  std::vector<char> buffer(kMaxCatalogueLine + 2);
  while (file.GetLine(buffer.data(), buffer.size())) {
    ++r.line;
    std::string_view line(buffer.data());
    if (line.size() > kMaxCatalogueLine && line.back() != '\n')
      return failed(Fail(r, Msg::LanguageFileError, "a line longer than 65536 bytes"));
    if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) line.remove_prefix(kByteOrderMark.size());
    if (r.eightBitLine == 0)
      for (char c : line)
        if (static_cast<unsigned char>(c) >= 0x80) {
          r.eightBit = static_cast<unsigned char>(c);
          r.eightBitLine = r.line;
          break;
        }
    if (const Msg rc = ReadLine(r, line); rc != Msg::Ok) return failed(rc);
  }
  if (const Msg rc = FinishEntry(r); rc != Msg::Ok) return failed(rc);
  if (r.coding == PoCoding::Ascii && r.eightBitLine != 0) {
    r.line = r.eightBitLine;
    return failed(Fail(r, Msg::UnsupportedCoding,
                       Format("the byte %02X is no %s character, as the header declares", r.eightBit,
                              r.charset.c_str())));
  }
  if (r.coding == PoCoding::Latin1 || r.coding == PoCoding::Latin9 || r.coding == PoCoding::Windows1252) {
    const SingleByteCoding coding = r.coding == PoCoding::Latin1   ? SingleByteCoding::Latin1
                                    : r.coding == PoCoding::Latin9 ? SingleByteCoding::Latin9
                                                                   : SingleByteCoding::Windows1252;
    for (PoEntry& e : r.entries) {
      e.context = SingleByteToUtf8(e.context, coding);
      e.id = SingleByteToUtf8(e.id, coding);
      e.text = SingleByteToUtf8(e.text, coding);
    }
  }

  // A context becomes part of the name only where the msgid alone would name
  // two different entries.
  std::map<std::string, std::set<std::pair<bool, std::string>>> contexts;
  for (const PoEntry& e : r.entries) contexts[e.id].emplace(e.hasContext, e.context);
  for (const PoEntry& e : r.entries) {
    const bool shared = contexts[e.id].size() > 1 && e.hasContext;
    const std::string name = shared ? e.context + "|" + e.id : e.id;
    const bool missing = e.text.empty() || e.fuzzy;
    if (missing && report.untranslated.empty()) {
      report.untranslated = name;
      report.untranslatedLine = e.line;
    }
    if (!AddLanguageText(entry, name, missing ? e.id : e.text)) {
      report.why = "no memory for its texts";
      return Msg::LanguageFileError;
    }
  }
  return Msg::Ok;
}

}  // namespace q32
