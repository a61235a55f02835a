// What the editor is told about the words of softkey projects and BMX
// projects: a one-line description of each keyword, menu attribute and item
// parameter (the manual's tables in short), and which words fit where.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace q32 {

// The kinds of file the server knows, by extension.
enum class FileKind { Project, Bmx, TextSource, Other };
FileKind KindOfFile(std::string_view path);

enum class WordRole { Directive, Setting, Menu, MenuAttribute, Softkey, Item, ItemParameter, BmxKeyword };

struct KeywordInfo {
  std::string_view word;  // upper case; parameters and attributes with a value end in ':'
  WordRole role;
  std::string_view description;
};

// Every word of one kind of file.
std::span<const KeywordInfo> KeywordInfos(FileKind kind);
// The entry of a word (ignoring case; for "ENABLE:M100" the part up to the
// colon), or null.  `first` says whether the word begins its line, where
// keywords stand; elsewhere attributes and parameters.
const KeywordInfo* FindKeyword(FileKind kind, std::string_view word, bool first);
// The parameters an item kind takes (its keyword in upper case).
std::vector<std::string_view> ItemParameters(std::string_view itemKeyword);

}  // namespace q32
