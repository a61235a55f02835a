// BMX image projects: a background bitmap, further bitmaps and SVG pictures
// placed on it, and texts in several languages, each element tagged with
// attribute values.  ReadBmxProject reads the project's keyword lines into a
// BmxProject in memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "diag/Diagnostic.h"
#include "diag/MessageCodes.h"

namespace q32 {

class File;
class FileSystem;
struct LanguageTable;

// Format limits of BMX projects.
constexpr std::size_t kMaxBmxLine = 254;            // characters read per line
constexpr std::size_t kBmxElementGrowth = 64;       // entries added when an array is full
constexpr std::size_t kMaxBmxElements = 16384;      // per array, after multiplication
constexpr std::size_t kBmxAttributeSlots = 4;
constexpr std::size_t kMaxAttributeKey = 7;
constexpr std::size_t kMaxAttributeValue = 79;
constexpr std::size_t kMaxValueItem = 7;
constexpr std::size_t kBmxTextLines = 4;
constexpr std::size_t kMaxBmxTextLine = 79;
constexpr std::size_t kMaxResolutionName = 11;
constexpr std::size_t kBmxResolutionEntries = 3;

// Blocks of the keyword table.
constexpr int kBmxBlockTop = 0;
constexpr int kBmxBlockBmx = 12;
constexpr int kBmxBlockBitmap = 13;
constexpr int kBmxBlockText = 15;
constexpr int kBmxBlockSvg = 33;

enum class BmxImageKind : int {
  Layer = 0,         // bitmap placed as a whole-softkey layer
  PlacedBitmap = 1,  // bitmap at a position
  Svg = 2,           // SVG picture without position
  PlacedSvg = 3,     // SVG picture at a position
};

// Position and size units.
constexpr int kUnitPixels = 1;
constexpr int kUnitRelative = 2;

enum class BmxCoding : int { Latin1 = 0, Utf8 = 1 };

struct BmxAttribute {
  std::string key;    // PARA, LAN, ANIM or OVERLAY; empty for a free slot
  std::string value;  // a value list, at most kMaxAttributeValue characters
};
using BmxAttributes = std::array<BmxAttribute, kBmxAttributeSlots>;

struct BmxImageElement {
  BmxAttributes attributes;
  BmxImageKind kind = BmxImageKind::Layer;
  int positionUnit = 0;
  int x = 0, y = 0;
  int sizeUnit = 0;
  int width = 0, height = 0;
  std::string file;     // as written, later made a full path; may hold %RES%
  std::string written;  // as written, for reports
  int line = 0;         // of the project, where the element was named
  WordPlace fileAt;     // where its file is named
};

struct BmxTextElement {
  int positionTemplate = 0;  // 0 explicit position, 1 to 18 template id
  int font = 0;              // 0 own size; 1 small, 2 medium, 3 large, 4 tiny
  int verticalAlign = 0;     // 0 TOP, 1 BASELINE, 2 BOTTOM
  int horizontalAlign = 0;   // 0 LEFT, 1 CENTER, 2 RIGHT
  int positionUnit = 0;
  int x = 0, y = 0;
  bool fontSizeGiven = false;
  int fontSizeUnit = 0;      // 0 pixels, 1 relative
  int fontSize = 0;
  std::string name;          // language text name
  std::array<std::string, kBmxTextLines> lines;  // line k: resolution variant k
  WordPlace textAt;          // where the TXT line names its text
  BmxCoding encoding = BmxCoding::Latin1;
  bool colorGiven = false;
  std::uint32_t color = 0;
  BmxAttributes attributes;
};

struct BmxResolutionSize {
  std::string name;  // "640x480", "800x600", "1024x768"; empty when not given
  int width = 0, height = 0;
};

struct BmxProject {
  int versionMajor = 0, versionMinor = 0;
  // What a report of the reading's failure names: the word, text or file at
  // fault and why.
  std::string failure;
  std::string failureFile;  // the language file the failure concerns, if any
  // Where the failure stands: the word of its line at fault (the line's
  // keyword unless a handler knows better), or a line read before (the TXT
  // line of a text that no language has).
  WordPlace failureAt;
  std::string outputLocation;
  std::string languageDirBase;
  std::string languageDir;
  // The arrays grow in steps of kBmxElementGrowth; the element being built is
  // the entry at the count.
  std::vector<BmxImageElement> images;
  std::size_t imageCount = 0;
  std::vector<BmxTextElement> texts;
  std::size_t textCount = 0;
  LanguageTable* languages = nullptr;  // the run's table, or the listing's own
  bool listing = false;
  bool animIntervalGiven = false;
  int animInterval = 0;
  bool backgroundColorGiven = false;
  std::uint32_t backgroundColor = 0;
  bool transparentColorGiven = false;
  std::uint32_t transparentColor = 0;
  int pixWidth = 0, pixHeight = 0;
  std::array<BmxResolutionSize, kBmxResolutionEntries> resolutionSizes;
  BmxCoding coding = BmxCoding::Latin1;
  bool scalable = false;
};

// Reads a BMX project from an open text file.  The caller sets languages,
// languageDir (when given) and languageDirBase first.  lineNumber always
// holds the number of the line being read.  Returns 0 or a message code; the
// project then holds what was read so far.
Msg ReadBmxProject(FileSystem& fs, File& file, int& lineNumber, BmxProject& project, bool listing);

// A value list: items separated by ":"; an item a-b of two decimal numbers
// stands for a to b written with at least two digits.  Items are cut to
// kMaxValueItem characters.  False when the list would hold more than
// maximum items.
bool ExpandValueList(std::string_view value, std::vector<std::string>& items,
                     std::size_t maximum = kMaxBmxElements);

// Stores a value under a key: the first free slot or the slot of that key
// (values appended with ":").  0, or 8311 when all slots hold other keys.
Msg StoreAttribute(BmxAttributes& attributes, std::string_view key, std::string_view value);

// Names holding %RES% (without regard to case) have two variants, for the
// resolutions 640x480 and 1024x768; other names one, the name itself.
std::size_t ResolutionVariantCount(std::string_view name);
std::string ResolutionVariantName(std::string_view name, std::size_t variant);
const char* ResolutionName(std::size_t variant);

}  // namespace q32
