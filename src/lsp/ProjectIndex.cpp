#include "lsp/ProjectIndex.h"

#include <algorithm>
#include <set>

#include "checks/Collector.h"
#include "project/ProjectKeywords.h"
#include "text/Ascii.h"

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

std::vector<Word> LineWords(std::string_view text, int line) {
  std::vector<Word> words;
  auto separator = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == '=' || c == '\r' || c == '\n'; };
  std::size_t i = 0;
  while (i < text.size()) {
    if (separator(text[i])) {
      ++i;
      continue;
    }
    if (text[i] == ';') break;
    const std::size_t start = i;
    bool quoted = false;
    while (i < text.size()) {
      const char c = text[i];
      if (c == '"') quoted = !quoted;
      else if (quoted && c == '\\' && i + 1 < text.size()) ++i;
      else if (!quoted && (separator(c) || c == ';')) break;
      ++i;
    }
    words.push_back({line, Utf16Column(text, start), Utf16Column(text, i), std::string(text.substr(start, i - start))});
  }
  return words;
}

std::vector<LogicalLine> SplitLines(std::string_view text) {
  std::vector<LogicalLine> lines;
  bool continued = false;
  int number = 0;
  for (std::size_t start = 0; start <= text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::vector<Word> words = LineWords(text.substr(start, end - start), number);
    const bool continues = !words.empty() && words.back().text == "\\";
    if (continues) words.pop_back();
    if (continued && !lines.empty())
      lines.back().words.insert(lines.back().words.end(), words.begin(), words.end());
    else
      lines.push_back({std::move(words)});
    continued = continues;
    start = end + 1;
  }
  return lines;
}

namespace {

bool Covers(const Word& w, int line, int column) {
  return w.line == line && column >= w.start && column <= w.end;
}

std::string Unquoted(std::string_view word) {
  if (word.size() >= 2 && word.front() == '"' && word.back() == '"') return std::string(word.substr(1, word.size() - 2));
  return std::string(word);
}

// The part of a word after its parameter keyword ("TOOLTABLE" of
// "POPUPMENU:TOOLTABLE"), as a word of its own.
Word ValueOf(const Word& w, std::size_t keywordLength) {
  Word value = w;
  value.text = w.text.substr(keywordLength);
  value.start = w.start + Utf16Column(w.text, keywordLength);
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
        if (read_(Unquoted(w[1].text), directory_, full, &utf8)) {
          Add(SymbolKind::File, full, file, w[1], false);
          if (std::find(index_.files.begin(), index_.files.end(), full) == index_.files.end()) Scan(full, utf8, true);
        }
      } else if (k->kind == KeywordKind::Softkey && w.size() > 1) {
        std::string sourcePath;
        if (k->source != SOURCE_TX && read_(w[1].text, directory_, sourcePath, nullptr))
          Add(SymbolKind::File, sourcePath, file, w[1], false);
        if (w.size() > 2) {
          Symbol& s = Add(SymbolKind::Softkey, CutName(w[2].text), file, w[2], true);
          s.keyword = UpperCase(w[0].text);
          s.source = w[1].text;
          s.sourcePath = sourcePath;
        }
      } else if (k->kind == KeywordKind::MenuItem) {
        if (w.size() > 1) Add(SymbolKind::Softkey, CutName(w[1].text), file, w[1], false);
        const bool target = k->item == ITEM_NODE || k->item == ITEM_GOTO;
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
