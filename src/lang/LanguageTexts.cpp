#include "lang/LanguageTexts.h"

#include <array>
#include <cctype>
#include <memory>
#include <new>

#include "diag/MessageCodes.h"
#include "lang/PoCatalogue.h"
#include "paths/Paths.h"
#include "text/Encoding.h"
#include "platform/FileSystem.h"
#include "platform/LanguageLibrary.h"
#include "text/Ascii.h"
#include "text/Tokenizer.h"

namespace q32 {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf8Marker = ";<UTF-8 coded text>";
constexpr std::string_view kLatin1Marker = ";<LATIN-1 coded text>";

// The file kinds in the order in which they claim a language: a ".inc" file
// beats a ".txt" file, which beats a ".po" file.
struct LanguageFilePattern {
  const char* pattern;
  std::size_t extensionLength;  // dot included
};
constexpr std::array<LanguageFilePattern, 3> kLanguageFilePatterns = {{
    {"*.inc", 4},
    {"*.txt", 4},
    {"*.po", 3},
}};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

// Comment lines: empty, or ";" or the line end as first character after
// blanks and tabs.
bool IsCommentLine(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  return i == line.size() || line[i] == '\n' || line[i] == ';';
}

bool IsPoFile(std::string_view path) {
  std::size_t name = path.find_last_of("\\/");
  std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (name != std::string_view::npos && dot < name)) return false;
  return EqualsIgnoringCase(path.substr(dot), ".po");
}

// One line of a ".inc" or ".txt" file that is not a comment.
Msg ReadIncLine(LanguageEntry& entry, std::string_view line, int number, LanguageFileReport& report) {
  std::vector<TokenPlace> places;
  // At the word at fault (the last one split).
  auto fail = [&](std::string why) {
    report.line = number;
    report.why = std::move(why);
    if (!places.empty()) {
      report.column = static_cast<unsigned>(places.back().begin + 1);
      report.length = static_cast<unsigned>(places.back().end - places.back().begin);
    }
    return Msg::LanguageFileError;
  };
  std::vector<std::string> tokens;
  if (SplitTokens(line, tokens, kMaxLanguageFileTokens, true, &places) != Split::Complete)
    return fail("more than " + std::to_string(kMaxLanguageFileTokens) + " words");
  if (tokens.empty()) return Msg::Ok;  // separators only: nothing to take
  std::size_t nameIndex = 0;
  if (!tokens[0].empty() && tokens[0][0] == '#') {
    if (tokens.size() < 2) return fail(tokens[0] + " without a name");
    nameIndex = 1;
  }
  const std::string& name = tokens[nameIndex];
  const bool translated = tokens.size() > nameIndex + 1;
  if (!translated && report.untranslated.empty()) {
    report.untranslated = name;
    report.untranslatedLine = number;
  }
  if (!AddLanguageText(entry, name, translated ? tokens[nameIndex + 1] : name)) {
    places.clear();
    return fail("no memory for its texts");
  }
  return Msg::Ok;
}

Msg ReadIncFile(File& file, LanguageEntry& entry, LanguageFileReport& report) {
  std::string line;
  int number = 0;
  entry.utf8 = false;
  while (file.GetLine(line, kMaxLanguageFileLine)) {
    std::string_view view = line;
    if (++number == 1) {
      // The coding is declared by the first line only.
      if (StartsWith(view, kUtf8Marker)) {
        entry.utf8 = true;
        continue;
      }
      if (StartsWith(view, kByteOrderMark)) {
        entry.utf8 = true;
        view.remove_prefix(kByteOrderMark.size());
        if (StartsWith(view, kUtf8Marker)) continue;
      } else if (StartsWith(view, kLatin1Marker)) {
        continue;
      }
    }
    if (IsCommentLine(view)) continue;
    if (const Msg rc = ReadIncLine(entry, view, number, report); rc != Msg::Ok) return rc;
  }
  return Msg::Ok;
}

// Keeps what reading a file found: the first failure and the first entry
// without a text of the run.
void NoteReport(LanguageTable& table, std::string_view file, const LanguageFileReport& report, Msg rc) {
  if (!report.untranslated.empty()) {
    table.untranslated = true;
    if (table.untranslatedFile.empty()) {
      table.untranslatedFile = std::string(file);
      table.firstUntranslated = report;
    }
  }
  if (rc != Msg::Ok && table.failedFile.empty()) {
    table.failedFile = std::string(file);
    table.failure = report;
  }
}

// The language file of each language of the library in the current
// directory (slots holds one name per language index, empty for none): the
// first of the kinds in their order, the first match in name order.
void FindLanguageFiles(FileSystem& fs, std::vector<std::string>& slots) {
  std::vector<DirectoryEntry> found;
  for (const LanguageFilePattern& kind : kLanguageFilePatterns) {
    if (!fs.FindFiles(".", kind.pattern, found)) continue;  // nothing of this kind
    for (const DirectoryEntry& e : found) {
      if (e.isDirectory) continue;
      std::size_t dot = e.name.rfind('.');
      if (dot == std::string::npos) continue;
      // A short-name match can bring longer extensions along.
      if (e.name.size() - dot > kind.extensionLength) continue;
      if (dot > kMaxLanguageFileBase) continue;
      int index = GetLanguageIndex(LowerCase(e.name.substr(0, dot)));
      if (index < 0 || static_cast<std::size_t>(index) >= slots.size()) continue;
      if (slots[index].empty()) slots[index] = e.name;
    }
  }
}

}  // namespace

std::vector<std::string> ListLanguageFiles(FileSystem& fs, std::string_view directory) {
  std::vector<std::string> files;
  const int count = GetMaxLanguage();
  std::string saved;
  if (directory.empty() || count <= 0 || !fs.GetCurrentDir(saved) || !fs.SetCurrentDir(directory)) return files;
  std::vector<std::string> slots(static_cast<std::size_t>(count));
  FindLanguageFiles(fs, slots);
  for (const std::string& name : slots) {
    std::string full;
    if (!name.empty()) files.push_back(fs.FullPath(name, full) ? full : name);
  }
  fs.SetCurrentDir(saved);
  return files;
}

Msg PrepareLanguages(LanguageTable& table) {
  try {
    int count = GetMaxLanguage();
    table.entries.clear();
    table.entries.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    table.prepared = true;
    return Msg::Ok;
  } catch (const std::bad_alloc&) {
    table.entries.clear();
    table.prepared = false;
    return Msg::IncompletePythonCheck;
  }
}

bool AddLanguageText(LanguageEntry& entry, std::string_view name, std::string_view text) {
  try {
    LanguageText added;
    added.name = std::string(name.substr(0, kMaxLanguageTextName));
    added.text = std::string(text.substr(0, kMaxLanguageText));
    entry.byName.try_emplace(added.name, entry.texts.size());
    entry.texts.push_back(std::move(added));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::string UntranslatedText(const LanguageFileReport& report) {
  // msgmerge marks the translation of a msgid it found changed as fuzzy: a
  // guess, which gettext does not use either until someone checked it.
  if (report.fuzzy)
    return "the translation of " + report.untranslated +
           " is marked fuzzy (a guess of msgmerge's), so its softkey shows the name until the translation is "
           "checked and \"fuzzy\" is taken out of its \"#,\" line";
  return report.untranslated + " is not translated, its softkey shows the name instead";
}

const std::string* FindLanguageText(const LanguageEntry& entry, std::string_view name) {
  auto it = entry.byName.find(std::string(name));
  if (it == entry.byName.end() || it->second >= entry.texts.size()) return nullptr;
  return &entry.texts[it->second].text;
}

Msg ReadLanguageFile(FileSystem& fs, LanguageEntry& entry, std::string_view path, LanguageFileReport& report) {
  report = LanguageFileReport{};
  entry.file = std::string(path);
  std::unique_ptr<File> file = fs.Open(path, FileMode::ReadText);
  if (!file) {
    report.why = fs.FailureReason();
    return Msg::LanguageFileError;
  }
  try {
    return IsPoFile(path) ? ReadCatalogue(*file, FileNameOf(path), entry, report) : ReadIncFile(*file, entry, report);
  } catch (const std::bad_alloc&) {
    report.why = "no memory for its texts";
    return Msg::LanguageFileError;
  }
}

Msg LoadLanguages(FileSystem& fs, LanguageTable& table) {
  if (table.state != kLanguagesNotLoaded) return Msg::Ok;
  table.untranslated = false;
  table.untranslatedFile.clear();
  table.failedFile.clear();
  const std::size_t count = table.entries.size();
  std::vector<std::string> slots(count);

  std::string saved;
  if (!fs.GetCurrentDir(saved) || !fs.SetCurrentDir(table.directory)) return Msg::LanguageDirectoryError;
  FindLanguageFiles(fs, slots);

  Msg result = Msg::Ok;
  std::size_t next = 0;
  std::size_t loaded = 0;
  for (std::size_t index = 0; index < count; ++index) {
    if (slots[index].empty()) continue;
    while (next < count && !table.entries[next].name.empty()) ++next;
    if (next >= count) {
      result = Msg::LanguageFileError;
      break;
    }
    LanguageFileReport report;
    Msg rc = ReadLanguageFile(fs, table.entries[next], slots[index], report);
    // Named by its full path, as the BMX project that loads it is.
    if (!fs.FullPath(slots[index], table.entries[next].file)) table.entries[next].file = slots[index];
    NoteReport(table, table.entries[next].file, report, rc);
    if (rc != Msg::Ok) {
      // A coding the reader does not take keeps its own code, so that the
      // report says what to change.
      result = rc == Msg::UnsupportedCoding ? rc : Msg::LanguageFileError;
      break;
    }
    table.entries[next].name = GetLanguageId(static_cast<int>(index)).substr(0, kMaxLanguageIdLength);
    ++next;
    ++loaded;
  }

  fs.SetCurrentDir(saved);
  if (result != Msg::Ok) return result;
  if (loaded == 0) return Msg::NoLanguageFile;
  table.state = kLanguagesLoaded;
  return Msg::Ok;
}

void FreeLanguages(LanguageTable& table) {
  table.entries.clear();
  table.failedFile.clear();
  table.untranslatedFile.clear();
  table.entries.shrink_to_fit();
  table.prepared = false;
  table.state = kLanguagesNotLoaded;
}

Msg ReadLanguageFileLine(FileSystem& fs, LanguageTable& table,
                         const std::vector<std::string>& words) {
  if (words.size() != 2) return Msg::WrongWordCount;
  // The form with a third word, which would name the language and refuse a
  // name already in use (8308), is not accepted, so the texts go to the first
  // unnamed entry and never become a language of their own.
  LanguageEntry* target = nullptr;
  for (LanguageEntry& entry : table.entries) {
    if (entry.name.empty()) {
      target = &entry;
      break;
    }
  }
  if (!target) return Msg::NoFreeLanguageEntry;
  if (table.state == kLanguagesDisabled) {  // listing runs read no texts, they name the file
    table.listedFiles.push_back(words[1]);
    return Msg::Ok;
  }
  LanguageFileReport report;
  Msg rc = ReadLanguageFile(fs, *target, words[1], report);
  table.failedFile.clear();  // a failure of an earlier project's file is reported already
  NoteReport(table, target->file, report, rc);
  return rc;
}

std::size_t Utf8ToLatin1(std::string_view in, std::string* out, std::size_t size) {
  std::string result = Utf8ToCp1252(in);
  if (size == 0) return result.size() + 1;
  if (!out) return 0;
  if (result.size() + 1 > size) {
    result.resize(size - 1);
    *out = std::move(result);
    return 0;
  }
  std::size_t needed = result.size() + 1;
  *out = std::move(result);
  return needed;
}

std::size_t Latin1ToUtf8(std::string_view in, std::string* out, std::size_t size) {
  std::string result = Cp1252ToUtf8(in);
  if (size == 0) return result.size() + 1;
  if (!out) return 0;
  if (result.size() + 1 > size) {
    // Cut before a continuation byte, so that no character is split.
    std::size_t cut = size - 1;
    while (cut > 0 && (static_cast<unsigned char>(result[cut]) & 0xC0) == 0x80) --cut;
    result.resize(cut);
    *out = std::move(result);
    return 0;
  }
  std::size_t needed = result.size() + 1;
  *out = std::move(result);
  return needed;
}

}  // namespace q32
