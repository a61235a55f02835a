// What the editor asks of a project's text without running the generator:
// the words of each line with their columns, the menus and softkeys it
// defines, every place that names one of them or a file, and each menu's
// items for the outline.  Made from the project's text and its includes as
// the editor holds them, so it answers while the text does not yet run.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace q32 {

// One word of a line: 0-based line, columns in UTF-16 code units (as the
// editor counts them: from the opening quote of a quoted word to after its
// closing one, and where its characters begin), the word as the project's
// tokenizer gives it (without its quotes).
struct Word {
  int line = 0;
  int start = 0, end = 0;
  int textStart = 0;
  std::string text;
};

// The words of one logical line, read and split as the generator reads the
// project: continuation lines joined, blanks, tabs, "," and "=" separating,
// quotes grouping, ";" beginning a comment.
struct LogicalLine {
  std::vector<Word> words;
};
std::vector<LogicalLine> SplitLines(std::string_view utf8Text);
// The logical line that holds an editor line (0-based).
LogicalLine LineAt(std::string_view utf8Text, int line);
// The UTF-16 column of a byte offset of a line, and back; the UTF-16 column
// of a count of characters (code points) from the line's start.
int Utf16Column(std::string_view utf8Line, std::size_t byte);
std::size_t ByteOffset(std::string_view utf8Line, int utf16Column);
int Utf16OfCharacters(std::string_view utf8Line, std::size_t characters);
// The byte offset of an editor position (0-based line, UTF-16 column) in a
// text: its lines end at "\n", "\r\n" or "\r", as the editor counts them; a
// column past its line's end is the end, a line past the text's the text's.
std::size_t TextOffset(std::string_view utf8Text, int line, int utf16Column);

enum class SymbolKind { Menu, Softkey, File };

struct Place {
  std::string file;  // full host path
  Word word;
};

struct Symbol {
  SymbolKind kind = SymbolKind::Menu;
  std::string name;  // upper case, cut as the generator cuts it; for a file its full path
  Place at;
  bool definition = false;
  std::string keyword;     // a softkey's source keyword (BMP, TX …)
  std::string source;      // a softkey's source as written
  std::string sourcePath;  // and as a full path (none for TX)
};

struct OutlineItem {
  std::string keyword;  // NODE, BACK …
  std::string detail;   // the rest of the line
  Place at;
};

struct OutlineMenu {
  Symbol menu;
  int endLine = -1;
  std::vector<OutlineItem> items;
};

struct ProjectIndex {
  std::vector<Symbol> symbols;  // definitions and references in the order of the lines
  std::vector<OutlineMenu> menus;
  std::vector<std::string> files;  // the project and the includes read

  const Symbol* At(const std::string& file, int line, int column) const;
  const Symbol* DefinitionOf(const Symbol& s) const;
  std::vector<const Symbol*> ReferencesOf(const Symbol& s) const;
  std::vector<std::string> Names(SymbolKind kind) const;
  const Symbol* FindDefinition(SymbolKind kind, std::string_view name) const;
};

// Reads a file for the index: a name relative to the directory given, as
// full path and UTF-8 text (only where utf8 is not null: a source's text is
// not needed, only that it is there); false when there is none.
using IndexReader = std::function<bool(const std::string& name, const std::string& directory, std::string& full,
                                       std::string* utf8)>;

// Scans a project file (or an included file on its own) and the files it
// includes; `directory` is the project's, against which sources and
// includes are found.
ProjectIndex IndexProject(const std::string& fullPath, const std::string& utf8Text, const std::string& directory,
                          const IndexReader& read);

}  // namespace q32
