#include "lsp/ProjectIndex.h"

#include <algorithm>
#include <set>

#include "checks/Collector.h"
#include "platform/MemoryFileSystem.h"
#include "project/ProjectKeywords.h"
#include "project/ProjectLines.h"
#include "text/Ascii.h"
#include "text/Tokenizer.h"

namespace q32 {

int Utf16Column(std::string_view line, std::size_t byte) {
  int column = 0;
  for (std::size_t i = 0; i < line.size() && i < byte; ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if ((c & 0xC0) == 0x80) continue;
    column += c >= 0xF0 ? 2 : 1;  // beyond the first plane: a surrogate pair
  }
  return column;
}

std::size_t ByteOffset(std::string_view line, int utf16Column) {
  int column = 0;
  std::size_t i = 0;
  for (; i < line.size() && column < utf16Column; ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if ((c & 0xC0) == 0x80) continue;
    column += c >= 0xF0 ? 2 : 1;
  }
  while (i < line.size() && (static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) ++i;
  return i;
}

namespace {

// The end of the line that starts at start: its first CR or LF.  A text
// without CR (the common one) is searched for LF alone, a block at a time;
// a change near the end of a large project walks every line before it.
std::size_t LineEnd(std::string_view text, std::size_t start, bool anyCr) {
  if (!anyCr) return text.find('\n', start);
  for (std::size_t i = start; i < text.size(); ++i)
    if (text[i] == '\r' || text[i] == '\n') return i;
  return std::string_view::npos;
}

}  // namespace

std::size_t TextOffset(std::string_view text, int line, int utf16Column) {
  const bool anyCr = text.find('\r') != std::string_view::npos;
  std::size_t start = 0;
  for (int l = 0; l < line; ++l) {
    const std::size_t end = LineEnd(text, start, anyCr);
    if (end == std::string_view::npos) return text.size();
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  std::size_t end = LineEnd(text, start, anyCr);
  if (end == std::string_view::npos) end = text.size();
  return start + ByteOffset(text.substr(start, end - start), utf16Column);
}

int Utf16OfCharacters(std::string_view line, std::size_t characters) {
  int column = 0;
  std::size_t seen = 0;
  for (std::size_t i = 0; i < line.size() && seen < characters; ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if ((c & 0xC0) == 0x80) continue;
    column += c >= 0xF0 ? 2 : 1;
    ++seen;
  }
  return column + static_cast<int>(characters - seen);
}

namespace {

// The editor's physical lines of a text (without their line ends).
std::vector<std::string_view> PhysicalLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    std::size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) return lines;
    start = end + 1;
  }
}

// Every logical line of a text through the project's line reader and
// tokenizer; `until` (an editor line) stops after the line that holds it.
std::vector<LogicalLine> ReadLines(std::string_view text, int until = -1) {
  std::vector<LogicalLine> out;
  const std::vector<std::string_view> physical = PhysicalLines(text);
  MemoryFile file(std::make_shared<std::string>(text), true, false);
  LineMap map;
  std::string line;
  int counter = 0;
  std::vector<std::string> tokens;
  std::vector<TokenPlace> places;
  while (ReadLogicalLine(file, line, counter, {}, nullptr, &map)) {
    LogicalLine logical;
    // A line too long for the tokenizer's limit keeps the words it has.
    (void)SplitTokens(line, tokens, kMaxProjectTokens, false, &places);
    for (std::size_t k = 0; k < tokens.size() && k < places.size(); ++k) {
      const WordPlace at = map.Place(places[k].begin, places[k].end);
      if (at.line == 0 || at.line > physical.size()) continue;
      const std::string_view own = physical[at.line - 1];
      const std::size_t from = at.column - 1;
      const bool quoted = line[places[k].begin] == '"' || line[places[k].begin] == '\'';
      Word w;
      w.line = static_cast<int>(at.line) - 1;
      w.start = Utf16Column(own, from);
      w.end = Utf16Column(own, from + at.length);
      w.textStart = Utf16Column(own, from + (quoted ? 1 : 0));
      w.text = tokens[k];
      logical.words.push_back(std::move(w));
    }
    out.push_back(std::move(logical));
    if (until >= 0 && static_cast<int>(map.nextLine) > until + 1) break;
  }
  return out;
}

}  // namespace

std::vector<LogicalLine> SplitLines(std::string_view text) { return ReadLines(text); }

LogicalLine LineAt(std::string_view text, int line) {
  std::vector<LogicalLine> lines = ReadLines(text, line);
  return lines.empty() ? LogicalLine{} : std::move(lines.back());
}

namespace {

bool Covers(const Word& w, int line, int column) {
  return w.line == line && column >= w.start && column <= w.end;
}

// The part of a word after its parameter keyword ("TOOLTABLE" of
// "POPUPMENU:TOOLTABLE"), as a word of its own.
Word ValueOf(const Word& w, std::size_t keywordLength) {
  Word value = w;
  value.text = w.text.substr(keywordLength);
  value.start = value.textStart = w.textStart + Utf16Column(w.text, keywordLength);
  return value;
}

class Scanner {
 public:
  Scanner(ProjectIndex& index, std::string directory, const IndexReader& read)
      : index_(index), directory_(std::move(directory)), read_(read) {}

  void Scan(const std::string& file, const std::string& text, bool included) {
    index_.files.push_back(file);
    int menu = -1;
    for (const LogicalLine& l : SplitLines(text)) {
      const std::vector<Word>& w = l.words;
      if (w.empty()) continue;
      const std::string first = UpperCase(w[0].text);
      if (first == "SKMENU" && w.size() > 1) {
        Symbol s = Add(SymbolKind::Menu, CutName(w[1].text), file, w[1], true);
        index_.menus.push_back({s, -1, {}});
        menu = static_cast<int>(index_.menus.size()) - 1;
        continue;
      }
      if (first == "ENDSKMENU") {
        if (menu >= 0) index_.menus[menu].endLine = w[0].line;
        menu = -1;
        continue;
      }
      const ProjectKeyword* k = LookupProjectKeyword(first);
      if (!k) continue;
      if (k->kind == KeywordKind::Directive && k->code == KeywordCode::Include && w.size() > 1 && !included) {
        std::string full, utf8;
        if (read_(w[1].text, directory_, full, &utf8)) {
          Add(SymbolKind::File, full, file, w[1], false);
          if (std::find(index_.files.begin(), index_.files.end(), full) == index_.files.end()) Scan(full, utf8, true);
        }
      } else if (k->kind == KeywordKind::Softkey && w.size() > 1) {
        std::string sourcePath;
        if (k->source != SourceType::Tx && read_(w[1].text, directory_, sourcePath, nullptr))
          Add(SymbolKind::File, sourcePath, file, w[1], false);
        if (w.size() > 2) {
          Symbol& s = Add(SymbolKind::Softkey, CutName(w[2].text), file, w[2], true);
          s.keyword = UpperCase(w[0].text);
          s.source = w[1].text;
          s.sourcePath = sourcePath;
        }
      } else if (k->kind == KeywordKind::MenuItem) {
        if (w.size() > 1) Add(SymbolKind::Softkey, CutName(w[1].text), file, w[1], false);
        const bool target = k->item == MenuItemKind::Node || k->item == MenuItemKind::Goto;
        if (target && w.size() > 2) Add(SymbolKind::Menu, CutName(w[2].text), file, w[2], false);
        for (std::size_t i = target ? 3 : 2; i < w.size(); ++i) {
          if (StartsWithIgnoringCase(w[i].text, "POPUPMENU:") && w[i].text.size() > 10) {
            const Word value = ValueOf(w[i], 10);
            Add(SymbolKind::Menu, CutName(value.text), file, value, false);
          } else if (StartsWithIgnoringCase(w[i].text, "PYSCRIPT:") && w[i].text.size() > 9) {
            const Word value = ValueOf(w[i], 9);
            std::string full;
            if (read_(value.text, directory_, full, nullptr)) Add(SymbolKind::File, full, file, value, false);
          }
        }
        if (menu >= 0) {
          std::string detail;
          for (std::size_t i = 1; i < w.size(); ++i) detail += (i > 1 ? " " : "") + w[i].text;
          index_.menus[menu].items.push_back({UpperCase(w[0].text), detail, {file, w[0]}});
        }
      }
    }
  }

 private:
  Symbol& Add(SymbolKind kind, std::string name, const std::string& file, const Word& word, bool definition) {
    Symbol s;
    s.kind = kind;
    s.name = std::move(name);
    s.at = {file, word};
    s.definition = definition;
    index_.symbols.push_back(std::move(s));
    return index_.symbols.back();
  }

  ProjectIndex& index_;
  std::string directory_;
  const IndexReader& read_;
};

}  // namespace

ProjectIndex IndexProject(const std::string& fullPath, const std::string& utf8Text, const std::string& directory,
                          const IndexReader& read) {
  ProjectIndex index;
  Scanner(index, directory, read).Scan(fullPath, utf8Text, false);
  return index;
}

const Symbol* ProjectIndex::At(const std::string& file, int line, int column) const {
  for (const Symbol& s : symbols)
    if (s.at.file == file && Covers(s.at.word, line, column)) return &s;
  return nullptr;
}

const Symbol* ProjectIndex::FindDefinition(SymbolKind kind, std::string_view name) const {
  for (const Symbol& s : symbols)
    if (s.definition && s.kind == kind && s.name == name) return &s;
  return nullptr;
}

const Symbol* ProjectIndex::DefinitionOf(const Symbol& s) const {
  return s.definition ? &s : FindDefinition(s.kind, s.name);
}

std::vector<const Symbol*> ProjectIndex::ReferencesOf(const Symbol& s) const {
  std::vector<const Symbol*> out;
  for (const Symbol& other : symbols)
    if (other.kind == s.kind && other.name == s.name) out.push_back(&other);
  return out;
}

std::vector<std::string> ProjectIndex::Names(SymbolKind kind) const {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const Symbol& s : symbols)
    if (s.kind == kind && s.definition && seen.insert(s.name).second) names.push_back(s.name);
  return names;
}

}  // namespace q32
