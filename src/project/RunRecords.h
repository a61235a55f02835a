// The records of one run: settings from the command line and the run driver,
// the softkey context reused for every softkey line, the list of softkey and
// menu names, and the configuration defines.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace q32 {

class File;

// Softkey, menu and define names are cut to this many characters.
constexpr std::size_t kMaxNameLength = 24;
// The control model name holds at most this many characters.
constexpr std::size_t kMaxModelLength = 19;
// The token of a softkey line holds at most this many characters.
constexpr std::size_t kMaxSourceLength = 255;

constexpr const char* kDefaultDestPath = "PLC:\\SOFTKEYS\\";
constexpr const char* kDefaultPythonPath = "PLC:\\Python\\";
constexpr const char* kSystemListName = "QUILLONK.SYS";
constexpr std::uint32_t kNotEmbedded = 0xFFFFFFFFu;

enum RunMode : int {
  MODE_GENSYS = 0,
  MODE_GENDEF = 1,
  MODE_SCAN = 3,
  MODE_PROJECT = 4,
  MODE_CHECK = 5,
};

enum SourceType : std::uint32_t {
  SOURCE_PCX = 0,
  SOURCE_BPJ = 1,
  SOURCE_BMP = 2,
  SOURCE_DXF = 3,
  SOURCE_UNUSED = 4,
  SOURCE_TXS = 5,
  SOURCE_TXM = 6,
  SOURCE_TXB = 7,
  SOURCE_TX = 8,
  SOURCE_GENERATED = 9,  // PIC, SK, SOFTKEY
};

// Each item kind is the letter the menu writers use for it.
enum MenuItemKind : int {
  ITEM_BLANK = '#',
  ITEM_NODE = 'N',
  ITEM_BACK = 'B',
  ITEM_END = 'E',
  ITEM_ACTION = 'S',
  ITEM_PULSE = 'U',
  ITEM_CHECK = 'C',
  ITEM_RADIO = 'R',
  ITEM_GOTO = 'G',
  ITEM_STATE = 'T',
  ITEM_PRAGMA = 17,
};

struct RunSettings {
  RunMode mode = MODE_PROJECT;
  bool menuOnly = false, postProcess = false, noGenDef = false, noGenSkSys = false,
       genHeader = false;
  bool fileCheck = true;
  std::uint32_t embedded = kNotEmbedded;
  bool pjGiven = false;
  bool txsSource = false;
  bool controlFamilyLE = false;
  std::int32_t pyMemLimit = 64;
  std::string model = "Orva710";
  std::string programDir;
  std::string projectFile;
  std::string pjFile, cfgFile;
  std::optional<std::string> defineList;
  std::string destDir = kDefaultDestPath;
  std::string pythonPath = kDefaultPythonPath;
  std::string languagePath;
  std::string incLanguagePath;
  std::string outputDir;
  std::string treeFile;
  std::string defFile;
  std::string logFile;
  std::string generatedProjectFile;
  // The run-wide output streams.
  std::unique_ptr<File> treeStream, systemListStream, defStream, projectOutStream;
  // Tree files this run created: a failed run deletes them, and only them.
  std::vector<std::string> createdTreeFiles;
  int errorCount = 0, warningCount = 0;
  // The run's existence check.
  std::function<bool(std::string_view)> fileExists;

  bool IsEmbedded() const { return embedded != kNotEmbedded; }
};

struct SoftkeyContext {
  std::string helpFile;
  std::string moPath;
  std::string moDomain;
  std::string destPath = kDefaultDestPath;
  std::string source;
  std::string sourceName;
  std::string targetPath;
  std::string targetExt;
  std::uint32_t sourceType = 0;
};

// Fills the softkey fields of the context from a softkey line.
void SetSoftkeySource(SoftkeyContext& context, std::uint32_t type, std::string_view token,
                      bool controlFamilyLE);

struct SoftkeyNameEntry {
  std::string path;   // targetPath of the softkey; empty for a menu
  std::string name;   // at most kMaxNameLength characters
  std::uint32_t index = 0;
};

// Softkey and menu names in insertion order, with hashed lookups so that
// large projects stay linear.
class SoftkeyNameList {
 public:
  // 0 added; 1 the name is already in the list (ignoring case); 2 no memory.
  int AddSoftkeyName(std::string_view path, std::string_view name, std::uint32_t index);
  // The index of the name (ignoring case), or -1.
  std::int64_t FindSoftkeyIndex(std::string_view name) const;
  // The first entry with that index and a non-empty path, or null.
  const SoftkeyNameEntry* FindSoftkeyByIndex(std::uint32_t index) const;
  void ClearSoftkeyNames();

 private:
  // A deque: the list grows by one entry per softkey without ever holding
  // two copies of itself, and entries stay where the indexes point.
  std::deque<SoftkeyNameEntry> entries_;
  std::unordered_map<std::string, std::size_t> byName_;      // upper-case key
  std::unordered_map<std::uint32_t, std::size_t> byIndex_;   // first with a path
};

struct DefineEntry {
  std::string name;        // upper case, at most kMaxNameLength characters
  bool hasValue = false;
  std::int32_t value = 1;
  bool isString = false;
  std::string valueText;   // at most kMaxNameLength characters
};

// The configuration defines, sorted by name in ascending byte order.
class DefineList {
 public:
  // Inserts before the first entry whose name is not smaller; with replace
  // the new entry goes in front of an equal name, otherwise behind it.
  // Returns true when an entry of that name existed.
  bool Insert(DefineEntry entry, bool replace);
  // 0 not defined; 1 defined with a number; 2 defined with a string.
  int LookupDefine(std::string_view name, std::int32_t& value, std::string* text = nullptr) const;
  void ClearDefines() { entries_.clear(); }
  const std::vector<DefineEntry>& Entries() const { return entries_; }

 private:
  std::vector<DefineEntry> entries_;
};

// The 16-bit order of the control: unchanged for the little-endian family,
// the two bytes exchanged otherwise.
std::uint16_t SwapForControl(std::uint16_t value, bool controlFamilyLE);

// Upper-case copy (ASCII letters only), as keyword and name comparisons use.
std::string UpperCase(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

}  // namespace q32
