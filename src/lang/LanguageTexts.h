// Language texts of multilingual BMX softkeys: one language file per
// language (".inc", ".txt" or ".po") in a language directory, assigned to the
// control's languages through the language library, held in a language table
// for the whole run, and looked up by name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "diag/MessageCodes.h"

namespace q32 {

class FileSystem;

// Format limits of language files and texts.
constexpr std::size_t kMaxLanguageIdLength = 7;      // identifier of a language entry
constexpr std::size_t kMaxLanguageFileBase = 5;      // base name of a language file
constexpr std::size_t kMaxLanguageTextName = 31;
constexpr std::size_t kMaxLanguageText = 79;
constexpr std::size_t kMaxLanguageFileLine = 254;    // characters read per line
constexpr std::size_t kMaxLanguageFileTokens = 10;

// Language state of the table.
constexpr int kLanguagesNotLoaded = 0;
constexpr int kLanguagesLoaded = 1;
constexpr int kLanguagesDisabled = -1;  // listing runs never load texts

struct LanguageText {
  std::string name;  // at most kMaxLanguageTextName characters
  std::string text;  // at most kMaxLanguageText characters
};

struct LanguageEntry {
  bool utf8 = false;       // texts are UTF-8 coded, else Windows-1252 ("LATIN-1")
  std::string name;        // identifier; empty while the entry holds no language
  std::string file;        // the file the texts came from, as messages name it
  std::vector<LanguageText> texts;                       // in file order
  std::unordered_map<std::string, std::size_t> byName;   // first text of each name
};

// What reading one language file found besides its texts: where and why it
// failed, and its first entry without a text.
struct LanguageFileReport {
  int line = 0;              // where reading stopped (0: the file as a whole)
  unsigned column = 0, length = 0;  // the word at fault in it (column 0: the line)
  std::string why;           // why it failed
  std::string untranslated;  // the name of the first entry without a text
  int untranslatedLine = 0;
  bool fuzzy = false;        // it has one, marked fuzzy
};

// What the warning about the first entry without a text says of it.
std::string UntranslatedText(const LanguageFileReport& report);

struct LanguageTable {
  std::string directory;       // where the language files are searched
  int state = kLanguagesNotLoaded;
  bool untranslated = false;   // some file held an entry without a text
  // The file that failed and what its reading found.
  std::string failedFile;
  LanguageFileReport failure;
  // The first entry without a text: its file, and its name and line.
  std::string untranslatedFile;
  LanguageFileReport firstUntranslated;
  bool prepared = false;       // the entries exist
  std::vector<LanguageEntry> entries;  // one per language of the library
  // A listing's LANGUAGEFILE files, as the project names them.
  std::vector<std::string> listedFiles;
  // A listing met a text that would load the languages of the directory.
  bool textsWanted = false;
};

// Creates one empty entry per language of the library; 0, or 9999 without
// memory.
Msg PrepareLanguages(LanguageTable& table);
// Loads every language file of the table's directory; 0, 8306, 8309, 8316
// or 8317.
// Does nothing when the state is not "not loaded".
Msg LoadLanguages(FileSystem& fs, LanguageTable& table);
// The full paths of the language files a run would load from a directory,
// in the order of the library's languages; none when the directory cannot
// be entered.
std::vector<std::string> ListLanguageFiles(FileSystem& fs, std::string_view directory);
// Reads one language file into an entry; 0, 8306 or 8309, with where and
// why in the report.
Msg ReadLanguageFile(FileSystem& fs, LanguageEntry& entry, std::string_view path, LanguageFileReport& report);
// Appends a text (name and text cut to their limits); false without memory.
[[nodiscard]] bool AddLanguageText(LanguageEntry& entry, std::string_view name, std::string_view text);
// The first text of that exact name, or null.
const std::string* FindLanguageText(const LanguageEntry& entry, std::string_view name);
// Frees every entry; the state becomes "not loaded" and the next
// PrepareLanguages creates the entries again.
void FreeLanguages(LanguageTable& table);
// The LANGUAGEFILE line of a BMX project (words include the keyword): reads a
// single file into the first unnamed entry.  0, 8306, 8307, 8309 or 8315.
Msg ReadLanguageFileLine(FileSystem& fs, LanguageTable& table,
                         const std::vector<std::string>& words);

// Conversions between UTF-8 and the 8-bit ANSI code page (Windows-1252);
// characters the target lacks become "?".  Each returns the size of the
// result including its terminator, or 0 when it does not fit into size bytes
// (out then holds the longest whole-character beginning that fits in
// size - 1 bytes).  With size 0 only the size is computed and out is not
// touched.
std::size_t Utf8ToLatin1(std::string_view in, std::string* out, std::size_t size);
std::size_t Latin1ToUtf8(std::string_view in, std::string* out, std::size_t size);

}  // namespace q32
