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

// Codings whose characters take two or four bytes, which a catalogue saved
// by a Windows editor as "Unicode" may be in: recognised by the byte-order
// mark, or without one by the zero bytes of the first character ("m" of
// msgid, "#" of a comment).  Listed longest first.
struct WideCoding {
  std::string_view start;  // the first bytes; '?' stands for any byte but zero
  const char* name;
};
constexpr std::array<WideCoding, 8> kWideCodings = {{
    {std::string_view("\xFF\xFE\0\0", 4), "UTF-32 (little-endian, with a byte-order mark)"},
    {std::string_view("\0\0\xFE\xFF", 4), "UTF-32 (big-endian, with a byte-order mark)"},
    {std::string_view("?\0\0\0", 4), "UTF-32 (little-endian)"},
    {std::string_view("\0\0\0?", 4), "UTF-32 (big-endian)"},
    {"\xFF\xFE", "UTF-16 (little-endian, with a byte-order mark)"},
    {"\xFE\xFF", "UTF-16 (big-endian, with a byte-order mark)"},
    {std::string_view("?\0", 2), "UTF-16 (little-endian)"},
    {std::string_view("\0?", 2), "UTF-16 (big-endian)"},
}};

// The coding of two or four bytes a file starts in, or null.
const char* WideCodingOf(std::string_view start) {
  for (const WideCoding& w : kWideCodings) {
    if (start.size() < w.start.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < w.start.size() && same; ++i)
      same = w.start[i] == '?' ? start[i] != '\0' : start[i] == w.start[i];
    if (same) return w.name;
  }
  return nullptr;
}

// The first place of a byte that does not fit a coding: its line, column
// and the bytes meant as one character.
struct StrayBytes {
  int line = 0;  // 0: none
  std::size_t column = 0;
  std::string bytes;
};

struct PoReader {
  std::string name;  // of the file, for the commands that fix it
  std::vector<PoEntry> entries;  // complete entries with a msgid, in file order
  PoEntry current;
  PoField field = PoField::None;
  std::string dropped;
  int line = 0;     // being read
  std::string why;  // of a failure
  std::size_t column = 0, length = 0;  // of the word at fault (column 0: the line)
  PoCoding coding = PoCoding::Utf8;
  std::string charset;  // as the header names it
  int charsetLine = 0;  // 0: the header declares none
  // The first byte above 127, which an ASCII catalogue must not hold, and
  // the first that is no UTF-8, which a UTF-8 one must not.
  StrayBytes eightBit, notUtf8;
};

Msg Fail(PoReader& r, Msg code, std::string why) {
  r.why = std::move(why);
  return code;
}

// The command that makes the header declare a coding where it declares
// another charset (as written there), run in the file's folder.
std::string DeclareCoding(const PoReader& r, std::string_view charset, std::string_view coding) {
  return "sed -i \"s/charset=" + std::string(charset) + "/charset=" + std::string(coding) + "/\" " + r.name;
}

// Notes the first byte of a line above 127 and the first that is no UTF-8
// (with the continuation bytes after it, as one character), with the
// column of the character they stand for.
void NoteStrayBytes(PoReader& r, std::string_view line) {
  std::size_t column = 1;
  for (std::size_t at = 0; at < line.size() && r.notUtf8.line == 0; ++column) {
    if (static_cast<unsigned char>(line[at]) >= 0x80 && r.eightBit.line == 0)
      r.eightBit = {r.line, column, std::string(1, line[at])};
    char32_t u;
    const std::size_t length = DecodeUtf8At(line, at, u);
    if (length > 0) {
      at += length;
      continue;
    }
    std::size_t end = at + 1;
    while (end < line.size() && end - at < 4 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) ++end;
    r.notUtf8 = {r.line, column, std::string(line.substr(at, end - at))};
  }
}

// A catalogue must hold what its header declares; gettext's own tools refuse
// it too, so the file is not read by a guess.
Msg CheckCoding(PoReader& r) {
  const std::string declared =
      r.charsetLine == 0 ? "a catalogue without a charset is read as UTF-8"
                         : Format("the header declares charset=%s in line %d", r.charset.c_str(), r.charsetLine);
  if (r.coding == PoCoding::Utf8 && r.notUtf8.line != 0) {
    r.line = r.notUtf8.line;
    r.column = r.notUtf8.column;
    r.length = 1;
    return Fail(r, Msg::UnsupportedCoding,
                Format("the %s %s in column %zu %s no UTF-8 character (%s); save the file in UTF-8, or "
                       "declare the coding it is saved in",
                       r.notUtf8.bytes.size() == 1 ? "byte" : "bytes", HexBytes(r.notUtf8.bytes).c_str(),
                       r.notUtf8.column, r.notUtf8.bytes.size() == 1 ? "is" : "are", declared.c_str()));
  }
  if (r.coding == PoCoding::Ascii && r.eightBit.line != 0) {
    r.line = r.eightBit.line;
    r.column = r.eightBit.column;
    r.length = 1;
    // Most often an ASCII template from msginit, translated and saved as
    // UTF-8: the header then only has to say so.
    const bool utf8 = r.notUtf8.line == 0;
    return Fail(r, Msg::UnsupportedCoding,
                Format("the byte %s in column %zu is no ASCII character (%s); ", HexBytes(r.eightBit.bytes).c_str(),
                       r.eightBit.column, declared.c_str()) +
                    (utf8 ? "the file is saved in UTF-8: make the header say so, in the file's folder: " +
                                DeclareCoding(r, r.charset, "UTF-8")
                          : "declare the coding the file is saved in, for Windows-1252 in the file's folder: " +
                                DeclareCoding(r, r.charset, "CP1252")));
  }
  return Msg::Ok;
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
      r.charsetLine = line;
      return Msg::Ok;
    }
    r.line = line;
    // A template's placeholder names no coding that a tool could convert
    // from: only the header can say what the file is saved in.
    const std::string fix = EqualsIgnoringCase(charset, "CHARSET")
                                ? "declare the coding the file is saved in, for UTF-8 in the file's folder: " +
                                      DeclareCoding(r, charset, "UTF-8")
                                : "convert the file, in its folder: msgconv --to-code=UTF-8 -o " + r.name + " " + r.name;
    return Fail(r, Msg::UnsupportedCoding,
                "the header declares the charset " + std::string(charset) +
                    "; UTF-8, ASCII, ISO-8859-1, ISO-8859-15 and Windows-1252 (CP1252) are read; " + fix);
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

Msg ReadCatalogue(File& file, std::string_view name, LanguageEntry& entry, LanguageFileReport& report) {
  entry.utf8 = true;
  PoReader r;
  r.name = std::string(name);
  auto failed = [&](Msg rc) {
    report.line = r.line;
    report.why = r.why;
    report.column = static_cast<unsigned>(r.column);
    report.length = static_cast<unsigned>(r.length);
    return rc;
  };
  // Its lines are not even lines of bytes in a coding of two or four bytes
  // to a character.
  char start[4] = {};
  const std::size_t got = file.Read(start, sizeof start);
  if (const char* wide = WideCodingOf(std::string_view(start, got))) {
    r.line = 1;
    return failed(Fail(r, Msg::UnsupportedCoding,
                       std::string("the file is coded in ") + wide + "; save it in UTF-8"));
  }
  if (!file.Seek(0)) {
    report.why = "it cannot be read from its start";
    return Msg::LanguageFileError;
  }
  std::vector<char> buffer(kMaxCatalogueLine + 2);
  while (file.GetLine(buffer.data(), buffer.size())) {
    ++r.line;
    std::string_view line(buffer.data());
    if (line.size() > kMaxCatalogueLine && line.back() != '\n')
      return failed(Fail(r, Msg::LanguageFileError, "a line longer than 65536 bytes"));
    if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) line.remove_prefix(kByteOrderMark.size());
    NoteStrayBytes(r, line);
    if (const Msg rc = ReadLine(r, line); rc != Msg::Ok) return failed(rc);
  }
  if (const Msg rc = FinishEntry(r); rc != Msg::Ok) return failed(rc);
  if (const Msg rc = CheckCoding(r); rc != Msg::Ok) return failed(rc);
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
      report.fuzzy = !e.text.empty();
    }
    if (!AddLanguageText(entry, name, missing ? e.id : e.text)) {
      report.why = "no memory for its texts";
      return Msg::LanguageFileError;
    }
  }
  return Msg::Ok;
}

}  // namespace q32
