#include "bmx/BmxProject.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <new>

#include "diag/MessageCodes.h"
#include "lang/LanguageTexts.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "text/Ascii.h"
#include "text/Tokenizer.h"
#include "vocab/Vocabulary.h"

namespace q32 {
namespace {

constexpr std::string_view kQuillonHeader = "; QUILLON Project File - Version 1.0";
constexpr std::string_view kBmxHeader = "; BMX Project File - Version ";
constexpr std::string_view kResPlaceholder = "%RES%";
constexpr const char* kResolutionNames[] = {"640x480", "1024x768"};

constexpr const char* kKeyPara = "PARA";
constexpr const char* kKeyLan = "LAN";
constexpr const char* kKeyAnim = "ANIM";
constexpr const char* kKeyOverlay = "OVERLAY";

// ---------------------------------------------------------------------------
// Number readers.

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A leading decimal number as "%d" reads it: blanks, a sign, at least one
// digit.  Values beyond the integer range are held at its ends.
bool ReadLeadingInt(std::string_view text, std::size_t& pos, int& value) {
  std::size_t i = pos;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  long long v = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (text[i] - '0');
    ++i;
  }
  if (negative) v = -v;
  value = static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
  pos = i;
  return true;
}

bool ReadStrictInt(std::string_view text, int& value) {
  std::size_t pos = 0;
  return ReadLeadingInt(text, pos, value);
}

// The standard conversion: text that is no number gives 0.
int DecimalValue(std::string_view text) {
  int value = 0;
  return ReadStrictInt(text, value) ? value : 0;
}

// A colour: "$" and hexadecimal digits ("$%X").
bool ReadColor(std::string_view text, std::uint32_t& color) {
  if (text.empty() || text[0] != '$') return false;
  std::size_t i = 1;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // As the hexadecimal conversion does, a "0x" before the digits is passed over.
  if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      std::isxdigit(static_cast<unsigned char>(text[i + 2])))
    i += 2;
  if (i >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  unsigned long long v = 0;
  while (i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i]))) {
    char c = UpperAscii(text[i]);
    if (v <= 0xFFFFFFFFull) v = v * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
    ++i;
  }
  std::uint32_t result = v > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(v);
  color = negative ? static_cast<std::uint32_t>(0u - result) : result;
  return true;
}

std::string Cut(std::string_view text, std::size_t length) { return std::string(text.substr(0, length)); }

// ---------------------------------------------------------------------------
// The reader.

struct BmxReader {
  FileSystem& fs;
  BmxProject& project;
  std::vector<int> blocks;
  bool bmxRead = false;
  int line = 0;  // of the line being read
  std::vector<TokenPlace> places;  // of its words

  // Where a word of the line being read stands.
  WordPlace At(std::size_t word) const {
    if (word >= places.size()) return {static_cast<unsigned>(line), 0, 0};
    return {static_cast<unsigned>(line), static_cast<unsigned>(places[word].begin + 1),
            static_cast<unsigned>(places[word].end - places[word].begin)};
  }
};

using Words = std::vector<std::string>;
using BmxHandler = Msg (*)(BmxReader&, const Words&);

enum class BlockKind { None, Open, Close };

struct BmxKeyword {
  std::string_view keyword;
  int id;
  int block;
  BlockKind kind;
  bool closesElement;
  BmxHandler handler;
};

// Makes sure the entry at index exists; 8225 beyond the element limit.
template <typename Element>
Msg EnsureEntry(std::vector<Element>& elements, std::size_t index) {
  if (index >= kMaxBmxElements) return Msg::NoMemory;
  try {
    while (index >= elements.size()) elements.resize(elements.size() + kBmxElementGrowth);
  } catch (const std::bad_alloc&) {
    return Msg::NoMemory;
  }
  return Msg::Ok;
}

// Replaces, slot by slot, every element from first on whose slot holds a
// list of more than one item by one element per item: the first item stays
// in the element, each further one goes into a copy appended at the end.
// Only the slots that the newest element uses are looked at.
template <typename Element>
Msg ResolveValueLists(std::vector<Element>& elements, std::size_t& count, std::size_t first) {
  if (count <= first) return Msg::Ok;
  std::vector<std::string> items;
  for (std::size_t slot = 0; slot < kBmxAttributeSlots; ++slot) {
    if (elements[count - 1].attributes[slot].key.empty()) continue;
    const std::size_t end = count;
    for (std::size_t i = first; i < end; ++i) {
      if (elements[i].attributes[slot].key.empty()) continue;
      if (!ExpandValueList(elements[i].attributes[slot].value, items, kMaxBmxElements))
        return Msg::NoMemory;
      if (items.size() < 2) continue;
      elements[i].attributes[slot].value = items[0];
      for (std::size_t k = 1; k < items.size(); ++k) {
        if (const Msg rc = EnsureEntry(elements, count); rc != Msg::Ok) return rc;
        elements[count] = elements[i];
        elements[count].attributes[slot].value = items[k];
        ++count;
      }
    }
  }
  return Msg::Ok;
}

BmxImageElement& CurrentImage(BmxReader& r) { return r.project.images[r.project.imageCount]; }
BmxTextElement& CurrentText(BmxReader& r) { return r.project.texts[r.project.textCount]; }

Msg CloseImage(BmxReader& r) {
  BmxProject& p = r.project;
  std::size_t closed = p.imageCount;
  ++p.imageCount;
  return ResolveValueLists(p.images, p.imageCount, closed);
}

// The words after the file on BMP, SVG and TXT lines: prefixed attributes.
Msg StorePrefixedAttributes(BmxAttributes& attributes, const Words& w) {
  struct Prefix {
    const char* prefix;
    const char* key;
  };
  static constexpr Prefix kPrefixes[] = {
      {"ATTR:", kKeyPara}, {"LANG:", kKeyLan}, {"ANIM:", kKeyAnim}, {"OVERLAY:", kKeyOverlay}};
  for (std::size_t i = 2; i < w.size(); ++i) {
    const Prefix* found = nullptr;
    for (const Prefix& p : kPrefixes)
      if (StartsWithIgnoringCase(w[i], p.prefix)) {
        found = &p;
        break;
      }
    if (!found) return Msg::UnknownWord;
    std::string_view value = std::string_view(w[i]).substr(std::string_view(found->prefix).size());
    if (const Msg rc = StoreAttribute(attributes, found->key, value); rc != Msg::Ok) return rc;
  }
  return Msg::Ok;
}

// --- top level -------------------------------------------------------------

Msg OnLanguagePath(BmxReader& r, const Words& w) {
  // Only the first language directory counts, the caller's included.
  if (!r.project.languageDir.empty()) return Msg::Ok;
  if (w.size() != 2) return Msg::WrongWordCount;
  std::string dir = Cut(w[1], kMaxPathLength);
  MakeAbsolute(dir, r.project.languageDirBase, true);
  r.project.languageDir = Cut(dir, kMaxPathLength);
  return Msg::Ok;
}

Msg OnLanguageFile(BmxReader& r, const Words& w) {
  if (!r.project.languages) return Msg::NoFreeLanguageEntry;
  return ReadLanguageFileLine(r.fs, *r.project.languages, w);
}

Msg OnCoding(BmxReader& r, const Words& w) {
  if (w.size() != 2) return Msg::WrongWordCount;
  if (EqualsIgnoringCase(w[1], "LATIN-1")) r.project.coding = BmxCoding::Latin1;
  else if (EqualsIgnoringCase(w[1], "UTF-8")) r.project.coding = BmxCoding::Utf8;
  else return Msg::BadValue;
  return Msg::Ok;
}

Msg OnScalable(BmxReader& r, const Words& w) {
  if (w.size() != 1) return Msg::WrongWordCount;
  r.project.scalable = true;
  return Msg::Ok;
}

Msg OnBmx(BmxReader& r, const Words& w) {
  if (w.size() > 2) return Msg::WrongWordCount;
  if (w.size() == 2) r.project.outputLocation = Cut(w[1], kMaxPathLength);
  r.bmxRead = true;
  return Msg::Ok;
}

// --- BMX block -------------------------------------------------------------

Msg ReadSize(const Words& w, int& width, int& height) {
  if (w.size() != 3) return Msg::WrongWordCount;
  if (!ReadStrictInt(w[1], width)) return Msg::BadValue;
  if (!ReadStrictInt(w[2], height)) return Msg::BadValue;
  return Msg::Ok;
}

Msg OnPixSize(BmxReader& r, const Words& w) { return ReadSize(w, r.project.pixWidth, r.project.pixHeight); }

Msg OnResolutionSize(BmxReader& r, const Words& w, std::size_t entry, const char* name) {
  BmxResolutionSize& size = r.project.resolutionSizes[entry];
  size.name = name;
  return ReadSize(w, size.width, size.height);
}
Msg OnPixSize640(BmxReader& r, const Words& w) { return OnResolutionSize(r, w, 0, "640x480"); }
Msg OnPixSize800(BmxReader& r, const Words& w) { return OnResolutionSize(r, w, 1, "800x600"); }
Msg OnPixSize1024(BmxReader& r, const Words& w) { return OnResolutionSize(r, w, 2, "1024x768"); }

Msg OnColorOf(const Words& w, bool& given, std::uint32_t& color) {
  if (w.size() != 2) return Msg::WrongWordCount;
  if (!ReadColor(w[1], color)) return Msg::BadValue;
  given = true;
  return Msg::Ok;
}
Msg OnBackgroundColor(BmxReader& r, const Words& w) {
  return OnColorOf(w, r.project.backgroundColorGiven, r.project.backgroundColor);
}
Msg OnTransparentColor(BmxReader& r, const Words& w) {
  return OnColorOf(w, r.project.transparentColorGiven, r.project.transparentColor);
}

Msg OnAnimInterval(BmxReader& r, const Words& w) {
  if (w.size() != 2) return Msg::WrongWordCount;
  int value = 0;
  if (ReadStrictInt(w[1], value)) {  // a word that is no number is passed over
    r.project.animInterval = value;
    r.project.animIntervalGiven = true;
  }
  return Msg::Ok;
}

// --- image elements --------------------------------------------------------

Msg StartImage(BmxReader& r, const Words& w, BmxImageKind kind) {
  if (w.size() < 2) return Msg::WrongWordCount;
  if (const Msg rc = EnsureEntry(r.project.images, r.project.imageCount); rc != Msg::Ok) return rc;
  BmxImageElement& e = CurrentImage(r);
  e = BmxImageElement();
  e.kind = kind;
  e.file = Cut(w[1], kMaxPathLength);
  e.written = e.file;
  e.line = r.line;
  e.fileAt = r.At(1);
  return StorePrefixedAttributes(e.attributes, w);
}
Msg OnBitmap(BmxReader& r, const Words& w) { return StartImage(r, w, BmxImageKind::Layer); }
Msg OnSvg(BmxReader& r, const Words& w) { return StartImage(r, w, BmxImageKind::Svg); }
Msg OnEndImage(BmxReader& r, const Words&) { return CloseImage(r); }

Msg ImageAttribute(BmxReader& r, const Words& w, const char* key) {
  if (w.size() != 2) return Msg::WrongWordCount;
  return StoreAttribute(CurrentImage(r).attributes, key, w[1]);
}
Msg OnImagePara(BmxReader& r, const Words& w) { return ImageAttribute(r, w, kKeyPara); }
Msg OnImageLan(BmxReader& r, const Words& w) { return ImageAttribute(r, w, kKeyLan); }
Msg OnImageAnim(BmxReader& r, const Words& w) { return ImageAttribute(r, w, kKeyAnim); }
Msg OnImageOverlay(BmxReader& r, const Words& w) { return ImageAttribute(r, w, kKeyOverlay); }

Msg ImagePosition(BmxReader& r, const Words& w, BmxImageKind kind, int unit) {
  if (w.size() != 3) return Msg::WrongWordCount;
  BmxImageElement& e = CurrentImage(r);
  e.kind = kind;
  e.positionUnit = unit;
  e.x = DecimalValue(w[1]);
  e.y = DecimalValue(w[2]);
  return Msg::Ok;
}
Msg OnBitmapPixPos(BmxReader& r, const Words& w) { return ImagePosition(r, w, BmxImageKind::PlacedBitmap, kUnitPixels); }
Msg OnBitmapRelPos(BmxReader& r, const Words& w) { return ImagePosition(r, w, BmxImageKind::PlacedBitmap, kUnitRelative); }
Msg OnSvgPixPos(BmxReader& r, const Words& w) { return ImagePosition(r, w, BmxImageKind::PlacedSvg, kUnitPixels); }
Msg OnSvgRelPos(BmxReader& r, const Words& w) { return ImagePosition(r, w, BmxImageKind::PlacedSvg, kUnitRelative); }

Msg SvgSize(BmxReader& r, const Words& w, int unit) {
  if (w.size() != 3) return Msg::WrongWordCount;
  BmxImageElement& e = CurrentImage(r);
  e.sizeUnit = unit;
  e.width = DecimalValue(w[1]);
  e.height = DecimalValue(w[2]);
  return Msg::Ok;
}
Msg OnSvgPixSize(BmxReader& r, const Words& w) { return SvgSize(r, w, kUnitPixels); }
Msg OnSvgRelSize(BmxReader& r, const Words& w) { return SvgSize(r, w, kUnitRelative); }

// --- text elements ---------------------------------------------------------

struct TextTemplate {
  const char* name;
  int horizontalAlign;
  int templateId;
  int font;
};
constexpr TextTemplate kTextTemplates[] = {
    {"TXT30C9", 1, 1, 1},  {"TXT31C9", 1, 2, 1},  {"TXT32C9", 1, 3, 1},  {"TXT30L9", 0, 4, 1},
    {"TXT31L9", 0, 5, 1},  {"TXT32L9", 0, 6, 1},  {"TXT30R9", 2, 7, 1},  {"TXT31R9", 2, 8, 1},
    {"TXT32R9", 2, 9, 1},  {"TXTCYNR", 2, 10, 1}, {"TXTMC5", 1, 11, 2},  {"TXTBC5", 1, 12, 2},
    {"TXT20C9", 1, 13, 1}, {"TXT21C9", 1, 14, 1}, {"TXT20R9", 2, 15, 1}, {"TXT21R9", 2, 16, 1},
    {"TXT20L9", 0, 17, 1}, {"TXT21L9", 0, 18, 1},
};

constexpr const char* kHorizontalAlignments[] = {"LEFT", "CENTER", "RIGHT"};
constexpr const char* kVerticalAlignments[] = {"TOP", "BASELINE", "BOTTOM"};
constexpr const char* kSystemFonts[] = {"SYSTEM_SMALL", "SYSTEM_MEDIUM", "SYSTEM_LARGE", "SYSTEM_TINY"};

// Defaults of a text element as the TXT line sets them.
constexpr int kDefaultTextTemplate = 11;
constexpr int kDefaultTextFont = 2;
constexpr int kDefaultVerticalAlign = 1;

Msg OnText(BmxReader& r, const Words& w) {
  if (w.size() < 2) return Msg::WrongWordCount;
  if (const Msg rc = EnsureEntry(r.project.texts, r.project.textCount); rc != Msg::Ok) return rc;
  BmxTextElement& e = CurrentText(r);
  e = BmxTextElement();
  e.positionTemplate = kDefaultTextTemplate;
  e.font = kDefaultTextFont;
  e.verticalAlign = kDefaultVerticalAlign;
  e.lines[0] = Cut(w[1], kMaxBmxTextLine);
  e.textAt = r.At(1);
  return StorePrefixedAttributes(e.attributes, w);
}

Msg TextAttribute(BmxReader& r, const Words& w, const char* key) {
  if (w.size() != 2) return Msg::WrongWordCount;
  return StoreAttribute(CurrentText(r).attributes, key, w[1]);
}
Msg OnTextPara(BmxReader& r, const Words& w) { return TextAttribute(r, w, kKeyPara); }
Msg OnTextLan(BmxReader& r, const Words& w) { return TextAttribute(r, w, kKeyLan); }
Msg OnTextAnim(BmxReader& r, const Words& w) { return TextAttribute(r, w, kKeyAnim); }
Msg OnTextOverlay(BmxReader& r, const Words& w) { return TextAttribute(r, w, kKeyOverlay); }

Msg OnTextTemplate(BmxReader& r, const Words& w) {
  if (w.size() != 2) return Msg::WrongWordCount;
  for (const TextTemplate& t : kTextTemplates) {
    if (!EqualsIgnoringCase(w[1], t.name)) continue;
    BmxTextElement& e = CurrentText(r);
    e.horizontalAlign = t.horizontalAlign;
    e.positionTemplate = t.templateId;
    e.font = t.font;
    return Msg::Ok;
  }
  return Msg::UnknownWord;
}

// The alignment words are matched exactly, upper case only.
template <std::size_t N>
int ExactIndex(const char* const (&words)[N], std::string_view word) {
  for (std::size_t i = 0; i < N; ++i)
    if (word == words[i]) return static_cast<int>(i);
  return -1;
}

Msg OnAlign(BmxReader& r, const Words& w) {
  if (w.size() != 2) return Msg::WrongWordCount;
  int value = ExactIndex(kHorizontalAlignments, w[1]);
  if (value < 0) return Msg::NotAllowedHere;
  CurrentText(r).horizontalAlign = value;
  return Msg::Ok;
}

Msg OnVerticalAlign(BmxReader& r, const Words& w) {
  if (w.size() != 2) return Msg::WrongWordCount;
  int value = ExactIndex(kVerticalAlignments, w[1]);
  if (value < 0) return Msg::NotAllowedHere;
  CurrentText(r).verticalAlign = value;
  return Msg::Ok;
}

Msg OnFontTemplate(BmxReader& r, const Words& w) {
  if (w.size() != 2) return Msg::WrongWordCount;
  for (std::size_t i = 0; i < std::size(kSystemFonts); ++i) {
    if (EqualsIgnoringCase(w[1], kSystemFonts[i])) {
      CurrentText(r).font = static_cast<int>(i) + 1;
      return Msg::Ok;
    }
  }
  return Msg::BadValue;
}

Msg TextFontSize(BmxReader& r, const Words& w, int unit) {
  if (w.size() != 2) return Msg::WrongWordCount;
  BmxTextElement& e = CurrentText(r);
  e.font = 0;
  e.fontSizeGiven = true;
  e.fontSizeUnit = unit;
  e.fontSize = DecimalValue(w[1]);
  return Msg::Ok;
}
Msg OnPixFontSize(BmxReader& r, const Words& w) { return TextFontSize(r, w, 0); }
Msg OnRelFontSize(BmxReader& r, const Words& w) { return TextFontSize(r, w, 1); }

Msg TextPosition(BmxReader& r, const Words& w, int unit) {
  if (w.size() != 3) return Msg::WrongWordCount;
  BmxTextElement& e = CurrentText(r);
  e.positionTemplate = 0;
  e.positionUnit = unit;
  e.x = DecimalValue(w[1]);
  e.y = DecimalValue(w[2]);
  return Msg::Ok;
}
Msg OnTextPixPos(BmxReader& r, const Words& w) { return TextPosition(r, w, kUnitPixels); }
Msg OnTextRelPos(BmxReader& r, const Words& w) { return TextPosition(r, w, kUnitRelative); }

Msg OnTextColor(BmxReader& r, const Words& w) {
  BmxTextElement& e = CurrentText(r);
  return OnColorOf(w, e.colorGiven, e.color);
}

// The language slot of a text: the one of the key LAN, whose list names the
// wanted languages, or else the first free slot, and every language is
// wanted.
Msg FindLanguageSlot(const BmxAttributes& attributes, std::size_t& languageSlot, bool& haveList,
                     std::vector<std::string>& wanted) {
  for (std::size_t s = 0; s < kBmxAttributeSlots; ++s) {
    if (attributes[s].key == kKeyLan) {
      languageSlot = s;
      haveList = true;
      return ExpandValueList(attributes[s].value, wanted, kMaxBmxElements) ? Msg::Ok : Msg::NoMemory;
    }
  }
  for (std::size_t s = 0; s < kBmxAttributeSlots && languageSlot == kBmxAttributeSlots; ++s)
    if (attributes[s].key.empty()) languageSlot = s;
  return languageSlot == kBmxAttributeSlots ? Msg::NotAllowedHere : Msg::Ok;  // no slot for LAN
}

// Multiplies a language text into one element per wanted language (or, in
// listing runs, per item of its LAN list) and counts them.
Msg CloseLanguageText(BmxReader& r) {
  BmxProject& p = r.project;
  LanguageTable* table = p.languages;
  if (!table) return Msg::LanguageTextMissing;
  // The TXT line that names the text: what its failures point at.
  const WordPlace textAt = p.texts[p.textCount].textAt;
  if (p.listing) table->textsWanted = true;
  if (!p.listing && table->state == kLanguagesNotLoaded) {
    table->directory = p.languageDir;
    if (const Msg rc = LoadLanguages(r.fs, *table); rc != Msg::Ok) {
      // The directory is what a report about it names; a file's own
      // failure is reported at the file.  The texts were loaded for the
      // TXT line that names one.
      if (rc != Msg::LanguageFileError && rc != Msg::UnsupportedCoding) p.failureFile = p.languageDir;
      p.failureAt = textAt;
      return rc;
    }
  }
  const std::string name = Cut(std::string_view(p.texts[p.textCount].lines[0]).substr(1), kMaxLanguageTextName);

  std::size_t languageSlot = kBmxAttributeSlots;
  bool haveList = false;
  std::vector<std::string> wanted;
  if (const Msg rc = FindLanguageSlot(p.texts[p.textCount].attributes, languageSlot, haveList, wanted); rc != Msg::Ok)
    return rc;

  std::size_t made = 0;
  auto nextElement = [&]() -> Msg {
    if (made > 0) {
      if (const Msg rc = EnsureEntry(p.texts, p.textCount); rc != Msg::Ok) return rc;
      p.texts[p.textCount] = p.texts[p.textCount - 1];
    }
    return Msg::Ok;
  };

  if (table->state == kLanguagesLoaded) {
    const std::size_t variants = ResolutionVariantCount(name);
    for (const LanguageEntry& language : table->entries) {
      if (language.name.empty()) break;  // end of the loaded languages
      if (haveList && std::find(wanted.begin(), wanted.end(), language.name) == wanted.end()) continue;
      std::array<const std::string*, kBmxTextLines> found{};
      for (std::size_t k = 0; k < variants; ++k) {
        found[k] = FindLanguageText(language, Cut(ResolutionVariantName(name, k), kMaxLanguageTextName));
        if (!found[k]) {
          p.failure = Cut(ResolutionVariantName(name, k), kMaxLanguageTextName) + " in the language " + language.name;
          p.failureFile = language.file;
          // At the TXT line that names the text, not at its ENDTXT.
          p.failureAt = textAt;
          return Msg::LanguageTextMissing;
        }
      }
      if (const Msg rc = nextElement(); rc != Msg::Ok) return rc;
      BmxTextElement& e = p.texts[p.textCount];
      e.attributes[languageSlot].key = kKeyLan;
      e.attributes[languageSlot].value = language.name;
      e.name = name;
      e.encoding = language.utf8 ? BmxCoding::Utf8 : BmxCoding::Latin1;
      for (std::size_t k = 0; k < variants; ++k) e.lines[k] = Cut(*found[k], kMaxBmxTextLine);
      ++p.textCount;
      ++made;
    }
    return Msg::Ok;
  }

  // Listing runs: the name stands for the text.
  BmxTextElement& element = p.texts[p.textCount];
  element.lines[0] = name;
  element.name = name;
  if (!haveList) {
    ++p.textCount;
    return Msg::Ok;
  }
  for (const std::string& item : wanted) {
    if (const Msg rc = nextElement(); rc != Msg::Ok) return rc;
    p.texts[p.textCount].attributes[languageSlot].value = item;
    ++p.textCount;
    ++made;
  }
  return Msg::Ok;
}

Msg OnEndText(BmxReader& r, const Words& w) {
  if (w.size() != 1) return Msg::WrongWordCount;
  BmxProject& p = r.project;
  const std::size_t first = p.textCount;
  if (!p.texts[first].lines[0].empty() && p.texts[first].lines[0][0] == '@') {
    if (const Msg rc = CloseLanguageText(r); rc != Msg::Ok) return rc;
  } else {
    ++p.textCount;
  }
  return ResolveValueLists(p.texts, p.textCount, first);
}

// ---------------------------------------------------------------------------
// The bmx keyword table, searched in this order: a record for each block
// that takes the word, the word itself from the vocabulary.

using V = WordKind;
consteval std::string_view W(V kind, std::string_view word) { return VocabularyWord(kind, word); }

constexpr BlockKind kNone = BlockKind::None;
constexpr BlockKind kOpen = BlockKind::Open;
constexpr BlockKind kClose = BlockKind::Close;

constexpr BmxKeyword kBmxKeywords[] = {
    {W(V::Bmx, "LANGUAGEPATH"), 5, kBmxBlockTop, kNone, false, OnLanguagePath},
    {W(V::Bmx, "LANGUAGEFILE"), 6, kBmxBlockTop, kNone, false, OnLanguageFile},
    {W(V::Bmx, "CODING"), 9, kBmxBlockTop, kNone, false, OnCoding},
    {W(V::Bmx, "SCALABLE"), 10, kBmxBlockTop, kNone, false, OnScalable},
    {W(V::Bmx, "BMX"), 12, kBmxBlockTop, kOpen, false, OnBmx},
    {W(V::Bmx, "PIXSIZE"), 1, kBmxBlockBmx, kNone, false, OnPixSize},
    {W(V::Bmx, "PIXSIZE_640x480"), 2, kBmxBlockBmx, kNone, false, OnPixSize640},
    {W(V::Bmx, "PIXSIZE_800x600"), 3, kBmxBlockBmx, kNone, false, OnPixSize800},
    {W(V::Bmx, "PIXSIZE_1024x768"), 4, kBmxBlockBmx, kNone, false, OnPixSize1024},
    {W(V::Bmx, "BGRCOLOR"), 7, kBmxBlockBmx, kNone, false, OnBackgroundColor},
    {W(V::Bmx, "TCOLOR"), 8, kBmxBlockBmx, kNone, false, OnTransparentColor},
    {W(V::Bmx, "ANIMINTERVAL"), 11, kBmxBlockBmx, kNone, false, OnAnimInterval},
    {W(V::Bmx, "ENDBMX"), 18, kBmxBlockBmx, kClose, false, nullptr},
    {W(V::Bmx, "ENDBMX"), 18, kBmxBlockBitmap, kClose, true, nullptr},
    {W(V::Bmx, "ENDBMX"), 18, kBmxBlockSvg, kClose, true, nullptr},
    {W(V::Bmx, "BMP"), 13, kBmxBlockBmx, kOpen, false, OnBitmap},
    {W(V::Bmx, "BMP"), 13, kBmxBlockBitmap, kOpen, true, OnBitmap},
    {W(V::Bmx, "BMP"), 13, kBmxBlockSvg, kOpen, true, OnBitmap},
    {W(V::Bmx, "ENDBMP"), 14, kBmxBlockBitmap, kClose, false, OnEndImage},
    {W(V::Bmx, "SVG"), 33, kBmxBlockBmx, kOpen, false, OnSvg},
    {W(V::Bmx, "SVG"), 33, kBmxBlockBitmap, kOpen, true, OnSvg},
    {W(V::Bmx, "SVG"), 33, kBmxBlockSvg, kOpen, true, OnSvg},
    {W(V::Bmx, "ENDSVG"), 34, kBmxBlockSvg, kClose, false, OnEndImage},
    {W(V::Bmx, "TXT"), 15, kBmxBlockBmx, kOpen, false, OnText},
    {W(V::Bmx, "TXT"), 15, kBmxBlockBitmap, kOpen, true, OnText},
    {W(V::Bmx, "TXT"), 15, kBmxBlockSvg, kOpen, true, OnText},
    {W(V::Bmx, "ENDTXT"), 17, kBmxBlockText, kClose, false, OnEndText},
    {W(V::Bmx, "ATTR"), 21, kBmxBlockText, kNone, false, OnTextPara},
    {W(V::Bmx, "ATTR"), 21, kBmxBlockBitmap, kNone, false, OnImagePara},
    {W(V::Bmx, "LANG"), 22, kBmxBlockText, kNone, false, OnTextLan},
    {W(V::Bmx, "LANG"), 22, kBmxBlockBitmap, kNone, false, OnImageLan},
    {W(V::Bmx, "TXTEMPLATE"), 16, kBmxBlockText, kNone, false, OnTextTemplate},
    {W(V::Bmx, "ALIGN"), 25, kBmxBlockText, kNone, false, OnAlign},
    {W(V::Bmx, "RELFONTSIZE"), 27, kBmxBlockText, kNone, false, OnRelFontSize},
    {W(V::Bmx, "RELPOS"), 30, kBmxBlockText, kNone, false, OnTextRelPos},
    {W(V::Bmx, "PIXPOS"), 31, kBmxBlockText, kNone, false, OnTextPixPos},
    {W(V::Bmx, "COLOR"), 19, kBmxBlockText, kNone, false, OnTextColor},
    {W(V::Bmx, "RELPOS"), 30, kBmxBlockBitmap, kNone, false, OnBitmapRelPos},
    {W(V::Bmx, "PIXPOS"), 31, kBmxBlockBitmap, kNone, false, OnBitmapPixPos},
    {W(V::Bmx, "VERTALIGN"), 26, kBmxBlockText, kNone, false, OnVerticalAlign},
    {W(V::Bmx, "ANIM"), 23, kBmxBlockText, kNone, false, OnTextAnim},
    {W(V::Bmx, "ANIM"), 23, kBmxBlockBitmap, kNone, false, OnImageAnim},
    {W(V::Bmx, "OVERLAY"), 24, kBmxBlockText, kNone, false, OnTextOverlay},
    {W(V::Bmx, "OVERLAY"), 24, kBmxBlockBitmap, kNone, false, OnImageOverlay},
    {W(V::Bmx, "PIXFONTSIZE"), 28, kBmxBlockText, kNone, false, OnPixFontSize},
    {W(V::Bmx, "FONTTEMPLATE"), 29, kBmxBlockText, kNone, false, OnFontTemplate},
    {W(V::Bmx, "PIXPOS"), 31, kBmxBlockSvg, kNone, false, OnSvgPixPos},
    {W(V::Bmx, "PIXSIZE"), 1, kBmxBlockSvg, kNone, false, OnSvgPixSize},
    {W(V::Bmx, "RELPOS"), 30, kBmxBlockSvg, kNone, false, OnSvgRelPos},
    {W(V::Bmx, "RELSIZE"), 32, kBmxBlockSvg, kNone, false, OnSvgRelSize},
};

// An unknown word as a report names it, with the keyword it most likely
// meant.
std::string UnknownBmxKeywordDetail(const std::string& word) {
  std::vector<std::string_view> names;
  for (const BmxKeyword& k : kBmxKeywords) names.push_back(k.keyword);
  const std::string_view nearest = NearestWord(word, names);
  return nearest.empty() ? word : word + " (did you mean " + std::string(nearest) + "?)";
}

// The keyword that opens the block of an id.
std::string BlockKeyword(int id) {
  for (const BmxKeyword& k : kBmxKeywords)
    if (k.id == id && k.kind == kOpen) return std::string(k.keyword);
  return "?";
}
static_assert(std::size(kBmxKeywords) == 50, "the bmx keyword table has 50 entries");

// Every BMX word of the vocabulary has at least one record (one per block
// that takes it).
constexpr bool TakesEveryBmxWord() {
  for (const VocabularyEntry& e : Vocabulary()) {
    if (e.kind != WordKind::Bmx) continue;
    bool found = false;
    for (const BmxKeyword& k : kBmxKeywords) found = found || k.keyword == e.word;
    if (!found) return false;
  }
  return true;
}
static_assert(TakesEveryBmxWord(), "every BMX word of the vocabulary has its records");

Msg ReadHeader(std::string_view line, BmxProject& project) {
  if (line.substr(0, kQuillonHeader.size()) == kQuillonHeader) {
    project.versionMajor = 1;
    project.versionMinor = 0;
    return Msg::Ok;
  }
  if (line.substr(0, kBmxHeader.size()) != kBmxHeader) return Msg::NotBmxProject;
  // The major version from the 30th character ("%d."), the minor one from
  // the 31st (".%d"): one digit of major version is what the format knows.
  std::size_t pos = kBmxHeader.size();
  if (!ReadLeadingInt(line, pos, project.versionMajor)) return Msg::NotBmxProject;
  pos = kBmxHeader.size() + 1;
  if (pos >= line.size() || line[pos] != '.') return Msg::NotBmxProject;
  ++pos;
  if (!ReadLeadingInt(line, pos, project.versionMinor)) return Msg::NotBmxProject;
  if (project.versionMajor > 2 || (project.versionMajor == 1 && project.versionMinor > 0))
    return Msg::BmxVersionNotSupported;
  return Msg::Ok;
}

}  // namespace

Msg StoreAttribute(BmxAttributes& attributes, std::string_view key, std::string_view value) {
  for (BmxAttribute& slot : attributes) {
    if (slot.key.empty()) {
      slot.key = std::string(key);
      slot.value = Cut(value, kMaxAttributeValue);
      return Msg::Ok;
    }
    if (slot.key == key) {
      slot.value += ':';
      slot.value.append(value.substr(0, kMaxAttributeValue));
      slot.value.resize(std::min(slot.value.size(), kMaxAttributeValue));
      return Msg::Ok;
    }
  }
  return Msg::NotAllowedHere;
}

bool ExpandValueList(std::string_view value, std::vector<std::string>& items, std::size_t maximum) {
  items.clear();
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(':', start);
    if (end == std::string_view::npos) end = value.size();
    std::string_view item = value.substr(start, end - start);
    start = end + 1;
    if (item.empty()) continue;
    int a = 0, b = 0;
    std::size_t pos = 0;
    bool range = item.find('-') != std::string_view::npos && ReadLeadingInt(item, pos, a) &&
                 pos < item.size() && item[pos] == '-' && ReadLeadingInt(item, ++pos, b);
    if (!range) {
      if (items.size() >= maximum) return false;
      items.push_back(Cut(item, kMaxValueItem));
      continue;
    }
    if (b >= a && static_cast<long long>(b) - a + 1 > static_cast<long long>(maximum - items.size()))
      return false;
    for (long long n = a; n <= b; ++n) {
      char text[16];
      std::snprintf(text, sizeof text, "%02lld", n);
      items.push_back(Cut(text, kMaxValueItem));
    }
  }
  return true;
}

std::size_t ResolutionVariantCount(std::string_view name) {
  std::string upper = UpperCase(name);
  return upper.find(kResPlaceholder) == std::string::npos ? 1 : 2;
}

const char* ResolutionName(std::size_t variant) { return kResolutionNames[variant == 0 ? 0 : 1]; }

std::string ResolutionVariantName(std::string_view name, std::size_t variant) {
  std::string upper = UpperCase(name);
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = upper.find(kResPlaceholder); at != std::string::npos;
       at = upper.find(kResPlaceholder, from)) {
    out.append(name.substr(from, at - from));
    out.append(ResolutionName(variant));
    from = at + kResPlaceholder.size();
  }
  out.append(name.substr(from));
  return out;
}

Msg ReadBmxProject(FileSystem& fs, File& file, int& lineNumber, BmxProject& project, bool listing) {
  lineNumber = 0;
  project.listing = listing;
  try {
    if (project.languages) {
      if (!project.languages->prepared) {
        if (const Msg rc = PrepareLanguages(*project.languages); rc != Msg::Ok) return rc;
      }
      if (listing && project.languages->state == kLanguagesNotLoaded)
        project.languages->state = kLanguagesDisabled;
    }
    if (const Msg rc = EnsureEntry(project.images, 0); rc != Msg::Ok) return rc;
    if (const Msg rc = EnsureEntry(project.texts, 0); rc != Msg::Ok) return rc;

    std::string line;
    lineNumber = 1;
    if (!file.GetLine(line, kMaxBmxLine)) return Msg::NotBmxProject;
    if (const Msg rc = ReadHeader(line, project); rc != Msg::Ok) return rc;

    BmxReader reader{fs, project, {}, false, 0, {}};
    Words words;
    // A failure stands at the keyword of its line unless a handler placed it.
    auto placed = [&](Msg rc) {
      if (project.failureAt.line == 0) project.failureAt = reader.At(0);
      return rc;
    };
    while (file.GetLine(line, kMaxBmxLine)) {
      ++lineNumber;
      reader.line = lineNumber;
      if (line.empty() || line[0] == ';') continue;
      if (SplitTokens(line, words, kMaxBmxTokens, false, &reader.places) != Split::Complete) {
        project.failure = "a line holds at most " + std::to_string(kMaxBmxTokens) + " words";
        project.failureAt = reader.At(kMaxBmxTokens);
        return Msg::WrongWordCount;
      }
      if (words.empty()) continue;
      const int block = reader.blocks.empty() ? kBmxBlockTop : reader.blocks.back();
      const BmxKeyword* entry = nullptr;
      bool known = false;
      for (const BmxKeyword& k : kBmxKeywords) {
        if (!EqualsIgnoringCase(words[0], k.keyword)) continue;
        known = true;
        if (k.block == block) {
          entry = &k;
          break;
        }
      }
      if (!entry) {
        project.failure = known ? words[0] + " (not in this block)" : UnknownBmxKeywordDetail(words[0]);
        return placed(known ? Msg::NotAllowedHere : Msg::UnknownWord);
      }
      // A handler that fails names at least the keyword of its line.
      auto failed = [&](Msg rc) {
        if (project.failure.empty() && project.failureFile.empty()) project.failure = words[0];
        return placed(rc);
      };
      if (entry->closesElement) {
        if (const Msg rc = CloseImage(reader); rc != Msg::Ok) return failed(rc);
        reader.blocks.pop_back();
      }
      if (entry->handler) {
        if (const Msg rc = entry->handler(reader, words); rc != Msg::Ok) return failed(rc);
      }
      if (entry->kind == BlockKind::Open) reader.blocks.push_back(entry->id);
      else if (entry->kind == BlockKind::Close && !reader.blocks.empty()) reader.blocks.pop_back();
      if (reader.blocks.empty() && reader.bmxRead) return Msg::Ok;  // the rest is not read
    }
    if (reader.blocks.empty()) return Msg::Ok;
    project.failure = "the block " + BlockKeyword(reader.blocks.back()) + " is not closed";
    project.failureAt = {static_cast<unsigned>(lineNumber), 0, 0};
    return Msg::BlockOpenAtEnd;
  } catch (const std::bad_alloc&) {
    return Msg::NoMemory;
  }
}

}  // namespace q32
