// What the editor is told about the words of softkey projects and BMX
// projects: the vocabulary's words of each kind of file, with their help
// lines, and which words fit where.
#pragma once

#include <string_view>
#include <vector>

#include "vocab/Vocabulary.h"

namespace q32 {

// The kinds of file the server knows, by extension.
enum class FileKind { Project, Bmx, TextSource, Other };
FileKind KindOfFile(std::string_view path);

// Whether the word stands first on its line (a keyword); attributes and
// parameters follow.
bool BeginsLine(const VocabularyEntry& e);
// Every word of one kind of file, in the vocabulary's order.
std::vector<const VocabularyEntry*> WordsOf(FileKind kind);
// The entry of a word (ignoring case; for "ENABLE:M100" the part up to the
// colon), or null.  `first` says whether the word begins its line, where
// keywords stand; elsewhere attributes and parameters.
const VocabularyEntry* FindKeyword(FileKind kind, std::string_view word, bool first);
// The parameters an item kind takes (its keyword in upper case).
std::vector<std::string_view> ItemParameters(std::string_view itemKeyword);

}  // namespace q32
