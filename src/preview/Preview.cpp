#include "preview/Preview.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bmx/BmxDecoder.h"
#include "cli/CommandLine.h"
#include "dxf/VectorDecoder.h"
#include "output/TreeFile.h"
#include "platform/FileSystem.h"
#include "platform/LanguageLibrary.h"
#include "preview/OverlayFileSystem.h"
#include "preview/Pictures.h"
#include "project/ProjectKeywords.h"
#include "project/RunObserver.h"
#include "project/RunRecords.h"
#include "raster/RasterDecoder.h"
#include "raster/SoftkeyRecords.h"

namespace q32 {

namespace {

constexpr const char* kUsage[] = {
    "Usage: Quillon32Preview <project> -o<directory> [options]",
    "",
    "Runs the generation of the softkey project as Quillon32 <project> -gensys would, keeps every",
    "output in memory (nothing is written beside the project) and writes a static site into",
    "<directory>: index.html with the menu tree, every softkey in each of its variants decoded",
    "from the generated files, and the findings below.",
    "",
    "Options of the generating run, passed on as they are:",
    "  -t<file>  -pj<file>  -r<file>  -a<defines>  -l<file>  -nofilecheck",
    "",
    "Findings (printed as file:line: warning: text and listed on the page): a missing #INCLUDE",
    "file; two softkey lines writing the same output file; a text cut to fit; two menus with one",
    "number; a drawing beyond the softkey; skipped drawing entities; text sources saved as UTF-8",
    "(they are read in code page 850); softkeys no menu shows; menus no root menu reaches; items naming a softkey",
    "defined further down.",
    "",
    "Exit status: 0 without findings, 1 with findings, 2 when the generation reports errors,",
    "3 for a wrong command line.",
};

int PrintUsage(int status) {
  for (const char* line : kUsage) std::printf("%s\n", line);
  return status;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool StartsWithUpper(const std::string& token, const char* prefix) {
  return Upper(token.substr(0, std::string(prefix).size())) == prefix;
}

// Text for the page (UTF-8): Windows-1252 input texts show their upper half
// as Latin-1; texts already in UTF-8 pass as they are.
std::string Html(std::string_view text, bool utf8 = false) {
  std::string out;
  for (unsigned char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        if (c >= 0x80 && !utf8)
          out += "&#" + std::to_string(c) + ";";
        else if (c >= 0x80)
          out += static_cast<char>(c);
        else if (c < 0x20)
          out += ' ';
        else
          out += static_cast<char>(c);
    }
  }
  return out;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool EndsWithIgnoringCase(const std::string& text, const char* suffix) {
  const std::string s(suffix);
  return text.size() >= s.size() && Lower(text.substr(text.size() - s.size())) == s;
}

// A full path as the user sees it: relative to where the preview started
// when it lies below.
std::string Shown(const std::string& full, const std::string& startDir) {
  const std::string prefix = startDir == "/" ? startDir : startDir + "/";
  return full.compare(0, prefix.size(), prefix) == 0 ? full.substr(prefix.size()) : full;
}

struct Finding {
  std::string file;  // full host path
  int line = 0;
  std::string text;
  std::string anchor;  // the page element it concerns
};

struct Output {
  std::string path;                   // full host path
  std::vector<std::string> pictures;  // picture files of the site
  std::vector<std::string> captions;
  std::vector<std::string> styles;  // a .bmx picture's own size, enlarged
  std::vector<std::string> texts;
  bool utf8 = false;       // the texts are UTF-8 (a .bmx says so)
  std::string replacedBy;  // the softkey line that wrote the file again
};

struct SoftkeyLine {
  std::string file;
  int line = 0;
  int code = 0;
  std::vector<std::string> tokens;
  std::string name;        // upper case, cut as the generator cuts it
  std::string sourcePath;  // full host path of the source
  std::string targetPath;
  int result = -1;  // -1: the line was refused before converting
  std::vector<Output> outputs;
};

struct Item {
  std::string file;
  int line = 0;
  int code = 0;
  std::vector<std::string> tokens;
  int result = 0;
  std::size_t softkeysBefore = 0;  // softkey lines read before it
};

struct Menu {
  std::string file;
  int line = 0;
  std::string name;
  std::uint32_t number = 0;
  MenuAttributes attributes;
  std::vector<std::string> layout;  // row and paging lines
  std::vector<Item> items;
  bool popup = false;
};

const char* KindText(char kind) {
  switch (kind) {
    case 'V':
      return "vertical root menu";
    case 'H':
      return "horizontal root menu";
    case 'l':
      return "root menu (kind l)";
    case 'I':
      return "horizontal root menu (kind I)";
    case 'i':
      return "vertical root menu (kind i)";
    case 'W':
      return "window menu with title (kind W)";
    case 'L':
      return "window menu with title (kind L)";
    default:
      return "menu";
  }
}

const char* ItemKindText(int code) {
  switch (code) {
    case 35:
      return "BLANK";
    case 78:
      return "NODE";
    case 66:
      return "BACK";
    case 69:
      return "END";
    case 83:
      return "ACTION";
    case 85:
      return "PULSE";
    case 67:
      return "CHECK";
    case 82:
      return "RADIO";
    case 71:
      return "GOTO";
    case 84:
      return "STATE";
    default:
      return "#PRAGMA";
  }
}

class Collector final : public RunObserver {
 public:
  Collector(OverlayFileSystem& fs, std::string startDir) : startDir(std::move(startDir)), fs_(fs) {
    fs_.onCreate = [this](const std::string& full) { Created(full); };
  }

  const std::string startDir;
  std::vector<SoftkeyLine> softkeys;
  std::vector<Menu> menus;
  std::vector<Finding> findings;

  std::string Show(const std::string& full) const { return Shown(full, startDir); }
  std::string Where(const std::string& full, int line) const { return Show(full) + ":" + std::to_string(line); }

  void LineRead(std::string_view file, int line, int code, const std::vector<std::string>& tokens) override {
    current_ = -1;
    const std::string full = Full(file);
    if (code >= 0 && code <= 9) {
      SoftkeyLine k;
      k.file = full, k.line = line, k.code = code, k.tokens = tokens;
      if (tokens.size() >= 3) k.name = Upper(tokens[2].substr(0, kMaxNameLength));
      if (tokens.size() >= 2 && code != SOURCE_TX) k.sourcePath = Full(tokens[1]);
      current_ = static_cast<int>(softkeys.size());
      softkeys.push_back(std::move(k));
      return;
    }
    if (code == KEY_SKMENU) {
      Menu m;
      m.file = full, m.line = line;
      if (tokens.size() >= 2) m.name = Upper(tokens[1].substr(0, kMaxNameLength));
      menus.push_back(std::move(m));
      open_ = tokens.size() >= 2;
      return;
    }
    if (code == KEY_ENDSKMENU) {
      open_ = false;
      return;
    }
    if (menus.empty() || !open_) return;
    if (code == KEY_ROWDEF || code == KEY_SKPREVDEF || code == KEY_SKNEXTDEF) {
      // As the control uses them: the softkey slots of a row, the keys that page.
      static const char* const kLayouts[] = {"rows of the softkey slots", "previous page: key", "next page: key"};
      std::string text = kLayouts[code - KEY_ROWDEF];
      for (std::size_t t = 1; t < tokens.size(); ++t) text += (t == 2 ? " to " : " ") + tokens[t];
      menus.back().layout.push_back(text);
      return;
    }
    Item item;
    item.file = full, item.line = line, item.code = code, item.tokens = tokens;
    item.softkeysBefore = softkeys.size();
    menus.back().items.push_back(std::move(item));
  }
  void MenuNumbered(std::uint32_t number, const MenuAttributes& menu) override {
    if (menus.empty()) return;
    menus.back().number = number;
    menus.back().attributes = menu;
  }
  void SoftkeyDone(std::string_view targetPath, int result) override {
    if (current_ < 0) return;
    softkeys[static_cast<std::size_t>(current_)].targetPath = targetPath;
    softkeys[static_cast<std::size_t>(current_)].result = result;
  }
  void ItemDone(int result) override {
    if (!menus.empty() && !menus.back().items.empty()) menus.back().items.back().result = result;
  }
  void IncludeMissing(std::string_view file, int line, std::string_view included) override {
    Add(Full(file), line, "the included file " + std::string(included) + " does not exist; the run goes on without it",
        "");
  }
  void TextCut(std::string_view text, std::size_t kept) override {
    if (current_ < 0) return;
    const SoftkeyLine& k = softkeys[static_cast<std::size_t>(current_)];
    Add(k.file, k.line,
        Show(k.sourcePath) + ": the text row \"" + std::string(text) + "\" is cut to the " + std::to_string(kept) +
            " characters that fit: \"" + std::string(text.substr(0, kept)) + "\"",
        Anchor());
  }
  void ValueCut(std::string_view file, int line, std::string_view text, std::size_t kept) override {
    const std::string what = "\"" + std::string(text) + "\" is cut to its first " + std::to_string(kept) +
                             " characters: \"" + std::string(text.substr(0, kept)) + "\"";
    if (file.empty())
      Add({}, 0, "the define list of -a: " + what, "");
    else
      Add(Full(file), line, "the define " + what, "");
  }
  void EntitySkipped(std::string_view drawing, std::uint32_t line, std::string_view entity) override {
    const std::string full = Full(drawing);
    if (!skipped_.insert({full, line}).second) return;
    Add(full, static_cast<int>(line), "the " + std::string(entity) + " entity is not drawn on the softkey", Anchor());
  }

  // Once each: the menu constant pass reads the includes too, and every
  // language variant of a softkey is checked.
  void Add(const std::string& file, int line, const std::string& text, const std::string& anchor) {
    for (const Finding& f : findings)
      if (f.file == file && f.line == line && f.text == text) return;
    findings.push_back({file, line, text, anchor});
  }

 private:
  std::string Full(std::string_view path) {
    std::string full;
    return fs_.FullPath(path, full) ? full : std::string(path);
  }
  std::string Anchor() const { return current_ < 0 ? std::string() : "sk" + std::to_string(current_); }
  void Created(const std::string& full) {
    if (current_ < 0 || !(EndsWithIgnoringCase(full, ".pic") || EndsWithIgnoringCase(full, ".bmx"))) return;
    SoftkeyLine& k = softkeys[static_cast<std::size_t>(current_)];
    for (const Output& o : k.outputs)
      if (o.path == full) return;
    auto [it, fresh] = creators_.emplace(full, current_);
    if (!fresh && it->second != current_) {
      SoftkeyLine& first = softkeys[static_cast<std::size_t>(it->second)];
      Add(k.file, k.line,
          "this softkey line writes " + Show(full) + ", which the softkey line " + Where(first.file, first.line) +
              " wrote before: the earlier softkey is overwritten",
          Anchor());
      // Both softkeys show what the later line wrote: the control loads the
      // file by its name.
      for (Output& o : first.outputs)
        if (o.path == full) o.replacedBy = Where(k.file, k.line);
      it->second = current_;
    }
    k.outputs.push_back({full, {}, {}, {}, {}, false, {}});
  }

  OverlayFileSystem& fs_;
  int current_ = -1;
  bool open_ = false;
  std::map<std::string, int> creators_;
  std::set<std::pair<std::string, std::uint32_t>> skipped_;
};

// ---------------------------------------------------------------------------
// Findings that need the whole project.

std::string CutName(const std::string& token) { return Upper(token.substr(0, kMaxNameLength)); }

void CheckNames(Collector& c) {
  auto longName = [&](const std::string& file, int line, const std::string& token, const std::string& anchor) {
    if (token.size() > kMaxNameLength)
      c.Add(file, line,
            "the name " + token + " is cut to its first " + std::to_string(kMaxNameLength) +
                " characters: " + token.substr(0, kMaxNameLength),
            anchor);
  };
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    if (k.tokens.size() >= 3) longName(k.file, k.line, k.tokens[2], "sk" + std::to_string(i));
    if (k.tokens.size() >= 2 && k.tokens[1].size() > kMaxSourceLength)
      c.Add(k.file, k.line, "the source name is cut to " + std::to_string(kMaxSourceLength) + " characters",
            "sk" + std::to_string(i));
  }
  std::map<std::uint32_t, const Menu*> numbers;
  for (const Menu& m : c.menus) {
    const std::string anchor = "menu-" + m.name;
    if (m.name.empty()) continue;
    // The name token: the menu's own name as written.
    auto [it, fresh] = numbers.emplace(m.number, &m);
    if (!fresh)
      c.Add(m.file, m.line,
            "the menu " + m.name + " has the number " + std::to_string(m.number) + ", as has the menu " +
                it->second->name + " (" + c.Where(it->second->file, it->second->line) + ")",
            anchor);
    for (const Item& item : m.items)
      for (std::size_t t = 1; t < item.tokens.size() && t < 3; ++t)
        if (item.tokens[t].find(':') == std::string::npos) longName(item.file, item.line, item.tokens[t], anchor);
  }
}

// The menus an item opens: the target of GOTO and NODE, and POPUPMENU:.
std::vector<std::string> Targets(const Item& item) {
  std::vector<std::string> out;
  if ((item.code == 71 || item.code == 78) && item.tokens.size() >= 3) out.push_back(CutName(item.tokens[2]));
  for (std::size_t t = 2; t < item.tokens.size(); ++t)
    if (StartsWithUpper(item.tokens[t], "POPUPMENU:")) out.push_back(CutName(item.tokens[t].substr(10)));
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

void CheckReach(Collector& c) {
  std::map<std::string, Menu*> byName;
  for (Menu& m : c.menus) byName.emplace(m.name, &m);
  std::set<std::string> reached;
  std::vector<std::string> todo;
  for (const Menu& m : c.menus)
    if (m.attributes.root && reached.insert(m.name).second) todo.push_back(m.name);
  while (!todo.empty()) {
    auto it = byName.find(todo.back());
    todo.pop_back();
    if (it == byName.end()) continue;
    for (const Item& item : it->second->items)
      for (const std::string& target : Targets(item))
        if (reached.insert(target).second) todo.push_back(target);
  }
  for (Menu& m : c.menus) {
    for (const Item& item : m.items)
      for (std::size_t t = 2; t < item.tokens.size(); ++t)
        if (StartsWithUpper(item.tokens[t], "POPUPMENU:")) {
          auto target = byName.find(CutName(item.tokens[t].substr(10)));
          if (target != byName.end()) target->second->popup = true;
        }
    if (!m.name.empty() && !reached.count(m.name))
      c.Add(m.file, m.line, "no root menu leads to the menu " + m.name, "menu-" + m.name);
  }
}

void CheckSoftkeyUse(Collector& c) {
  std::map<std::string, std::size_t> defined;  // name -> softkey line
  for (std::size_t i = 0; i < c.softkeys.size(); ++i)
    if (!c.softkeys[i].name.empty()) defined.emplace(c.softkeys[i].name, i);
  std::set<std::string> shown;
  for (const Menu& m : c.menus)
    for (const Item& item : m.items) {
      if (item.code == KEY_PRAGMA || item.tokens.size() < 2) continue;
      const std::string name = CutName(item.tokens[1]);
      shown.insert(name);
      auto it = defined.find(name);
      if (it != defined.end() && it->second >= item.softkeysBefore) {
        const SoftkeyLine& k = c.softkeys[it->second];
        c.Add(item.file, item.line,
              "the item names the softkey " + name + ", which is defined only further down (" +
                  c.Where(k.file, k.line) + "); the generator reports it as an unknown name",
              "menu-" + m.name);
      }
    }
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    if (k.name.empty())
      c.Add(k.file, k.line, "the softkey has no name, so no menu item can show it", "sk" + std::to_string(i));
    else if (!shown.count(k.name))
      c.Add(k.file, k.line, "the softkey " + k.name + " is shown in no menu", "sk" + std::to_string(i));
  }
}

// Bytes an editor leaves when it saves UTF-8: a lead byte and its
// continuation bytes.  Text softkey sources are code page 850, where every
// byte is a character (0x81 is a u with umlaut), so only UTF-8 is suspect.
void CheckTextSources(Collector& c, OverlayFileSystem& fs) {
  std::set<std::string> checked;
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    if (k.code < static_cast<int>(SOURCE_TXS) || k.code > static_cast<int>(SOURCE_TXB) ||
        !checked.insert(k.sourcePath).second)
      continue;
    std::string bytes;
    if (!fs.ReadWhole(k.sourcePath, bytes)) continue;
    int line = 1;
    for (std::size_t at = 0; at < bytes.size(); ++at) {
      const auto b = static_cast<unsigned char>(bytes[at]);
      if (b == '\n') ++line;
      std::size_t follow = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : 0;
      bool utf8 = follow > 0 && at + follow < bytes.size();
      for (std::size_t f = 1; utf8 && f <= follow; ++f)
        utf8 = (static_cast<unsigned char>(bytes[at + f]) & 0xC0) == 0x80;
      if (utf8) {
        c.Add(k.sourcePath, line,
              "the text holds UTF-8 bytes; text softkey sources are read in code page 850, so they show as "
              "other characters",
              "sk" + std::to_string(i));
        break;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// The site.

struct Site {
  FileSystem& host;
  std::string dir;  // ends in '/'
  std::string failed;
  bool Write(const std::string& name, const std::string& bytes) {
    std::unique_ptr<File> f = host.Open(dir + name, FileMode::WriteBinary);
    if (!f || !f->Write(bytes.data(), bytes.size()) || !f->Close()) {
      if (failed.empty()) failed = dir + name;
      return false;
    }
    return true;
  }
};

std::string LanguageName(int index) {
  if (index < 0) return "default (en)";
  std::string id = GetLanguageId(index);
  return id.empty() ? "language " + std::to_string(index) : id;
}

void DecodeOutputs(Collector& c, OverlayFileSystem& fs, Site& site) {
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    SoftkeyLine& k = c.softkeys[i];
    for (std::size_t j = 0; j < k.outputs.size(); ++j) {
      Output& o = k.outputs[j];
      const std::string* bytes = fs.Output(o.path);
      if (!bytes) continue;  // removed by the run after a failure
      const std::string stem = "sk" + std::to_string(i) + "-" + std::to_string(j);
      if (EndsWithIgnoringCase(o.path, ".bmx")) {
        BmxPicture p = BmxPictures(DecodeBmxFile(*bytes), *bytes);
        if (!p.problem.empty()) o.texts.push_back("not decoded: " + p.problem);
        const std::string size = std::to_string(p.pixels.width) + " x " + std::to_string(p.pixels.height);
        const std::string style =
            "width:" + std::to_string(3 * p.pixels.width) + "px;height:" + std::to_string(3 * p.pixels.height) + "px";
        if (p.pixels.width > 0 && site.Write(stem + ".png", EncodePng(p.pixels))) {
          o.pictures.push_back(stem + ".png");
          o.captions.push_back("background, " + size);
          o.styles.push_back(style);
        }
        for (std::size_t n = 0; n < p.layers.size(); ++n) {
          const std::string name = stem + "-layer" + std::to_string(n) + ".png";
          if (!site.Write(name, EncodePng(p.layers[n].second))) continue;
          o.pictures.push_back(name);
          o.captions.push_back("layer " + p.layers[n].first + ", " + size);
          o.styles.push_back(style);
        }
        o.utf8 = p.utf8;
        for (const BmxText& t : p.texts) o.texts.push_back((t.attributes.empty() ? "" : t.attributes + ": ") + t.text);
        continue;
      }
      const SoftkeyRecordFile records = ReadSoftkeyRecordFile(*bytes);
      if (!CarriesWholeData(records)) {
        o.texts.push_back("not decoded: the file is not a valid softkey record file");
        continue;
      }
      const std::string& data = records.data;
      if (!LooksLikeVectorSoftkey(data)) {
        const RasterSoftkeyImage image = DecodeRasterSoftkey(data);
        if (!IsWholeRasterSoftkey(image))
          o.texts.push_back("not decoded: the element list is broken");
        else if (site.Write(stem + ".png", EncodePng(RasterPixels(image))))
          o.pictures.push_back(stem + ".png"), o.captions.push_back("raster");
        continue;
      }
      const std::vector<VectorVariant> variants = DrawVectorSoftkey(data);
      // The first variant that stops says why; the calls are those of the
      // variant that follows the most.
      std::string problem;
      int calls = 0;
      for (const VectorVariant& var : variants) {
        if (problem.empty()) problem = VectorStopText(var);
        calls = std::max(calls, var.calls);
      }
      if (!problem.empty())
        o.texts.push_back("decoding stopped: " + problem);
      else if (calls > 0)
        o.texts.push_back(std::to_string(calls) + " block call(s), each landing on a block");
      for (std::size_t n = 0; n < variants.size(); ++n) {
        const VectorVariant& var = variants[n];
        const std::string name = stem + (variants.size() > 1 ? "-" + std::to_string(n) : "") + ".svg";
        if (site.Write(name, VectorSvg(var))) {
          o.pictures.push_back(name);
          o.captions.push_back(variants.size() > 1 ? LanguageName(var.language) : "vector");
        }
        if (o.replacedBy.empty() && var.drawsSomething &&
            (var.minX < 0 || var.minY < 0 || var.maxX > 76 || var.maxY > 47))
          c.Add(k.file, k.line,
                "the drawing reaches from (" + std::to_string(var.minX) + "," + std::to_string(var.minY) + ") to (" +
                    std::to_string(var.maxX) + "," + std::to_string(var.maxY) +
                    "), beyond the softkey's 77 x 48 pixels",
                "sk" + std::to_string(i));
      }
    }
  }
}

struct PageContext {
  std::string startDir;
  std::vector<std::string> options;
  int generatorStatus = 0;
};

std::string FindingText(const Finding& f, const std::string& startDir) {
  // A finding of the command line has no file.
  std::string where = f.file.empty() ? "Quillon32Preview" : Shown(f.file, startDir);
  if (f.line > 0) where += ":" + std::to_string(f.line);
  return where + ": warning: " + f.text;
}

std::string FindingsHtml(const std::vector<Finding>& findings, const std::string& anchor, const PageContext& pc) {
  std::string out;
  for (const Finding& f : findings)
    if (f.anchor == anchor) out += "<li class=\"finding\">" + Html(FindingText(f, pc.startDir)) + "</li>\n";
  return out.empty() ? out : "<ul class=\"findings\">\n" + out + "</ul>\n";
}

std::string Pictures(const SoftkeyLine& k) {
  std::string out;
  // A TX softkey has no picture file: the control writes its text.
  if (k.code == SOURCE_TX && k.tokens.size() >= 2)
    out += "<figure class=\"tx\">&ldquo;" + Html(k.tokens[1]) +
           "&rdquo;<figcaption>text written by the control</figcaption></figure>";
  for (const Output& o : k.outputs)
    for (std::size_t p = 0; p < o.pictures.size(); ++p)
      out += "<figure><img src=\"" + Html(o.pictures[p]) + "\" alt=\"" + Html(k.name) + "\"" +
             (p < o.styles.size() ? " style=\"" + o.styles[p] + "\"" : std::string()) + "><figcaption>" +
             Html(o.captions[p]) + "</figcaption></figure>";
  return out;
}

std::string Page(const Collector& c, const PageContext& pc) {
  std::map<std::string, const SoftkeyLine*> byName;
  for (const SoftkeyLine& k : c.softkeys)
    if (!k.name.empty()) byName.emplace(k.name, &k);
  std::set<std::string> menuNames;
  for (const Menu& m : c.menus) menuNames.insert(m.name);
  auto menuLink = [&](const std::string& name) {
    return menuNames.count(name) ? "<a class=\"menulink\" href=\"#menu-" + Html(name) + "\">" + Html(name) + "</a>"
                                 : Html(name) + " (no such menu)";
  };

  std::string h =
      "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>Softkey preview</title>\n"
      "<style>\nbody{font-family:sans-serif;margin:1em 2em}\n"
      "img{width:231px;height:144px;image-rendering:pixelated;image-rendering:crisp-edges;"
      "border:1px solid #888}\n"
      "figure{display:inline-block;margin:0 .5em .5em 0;vertical-align:top}\n"
      "figcaption{font-size:80%;color:#555}\n"
      "table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:.2em .4em;vertical-align:top}\n"
      ".finding{color:#a30}\nsection.menu{border-top:2px solid #446;margin-top:1.5em}\n</style>\n"
      "</head><body>\n<h1>Softkey preview</h1>\n";
  h += "<p>Machine variant: Quillon32 -gensys";
  for (const std::string& o : pc.options) h += " " + Html(o);
  h += "</p>\n<p>Generation exit status " + std::to_string(pc.generatorStatus) + "; " +
       std::to_string(c.softkeys.size()) + " softkey lines, " + std::to_string(c.menus.size()) + " menus, " +
       std::to_string(c.findings.size()) + " findings.</p>\n";
  h += "<p class=\"choices\">How the pictures are drawn: " + Html(RenderingChoices::kText) + "</p>\n";

  h += "<h2 id=\"findings\">Findings</h2>\n";
  if (c.findings.empty())
    h += "<p>None.</p>\n";
  else {
    h += "<ul>\n";
    for (const Finding& f : c.findings) {
      h += "<li class=\"finding\">";
      if (!f.anchor.empty()) h += "<a href=\"#" + Html(f.anchor) + "\">";
      h += Html(FindingText(f, pc.startDir));
      if (!f.anchor.empty()) h += "</a>";
      h += "</li>\n";
    }
    h += "</ul>\n";
  }

  // Root menus first, then the others, each in project order.
  std::vector<const Menu*> order;
  for (const Menu& m : c.menus)
    if (m.attributes.root) order.push_back(&m);
  for (const Menu& m : c.menus)
    if (!m.attributes.root) order.push_back(&m);
  h += "<h2>Menus</h2>\n<ul>\n";
  for (const Menu* m : order)
    h += "<li>" + menuLink(m->name) + " (" + std::to_string(m->number) + ", " + KindText(m->attributes.kind) +
         (m->popup ? ", popup" : "") + ")</li>\n";
  h += "</ul>\n";

  std::set<std::string> placed;
  for (const Menu* m : order) {
    const std::string id = "menu-" + m->name;
    // A second menu of the same name has no anchor of its own.
    h += placed.insert(m->name).second ? "<section class=\"menu\" id=\"" + Html(id) + "\">\n"
                                       : "<section class=\"menu\">\n";
    h += "<h3>Menu " + Html(m->name) + "</h3>\n<p>Number " + std::to_string(m->number) + ", " +
         KindText(m->attributes.kind) + (m->attributes.root ? " (root)" : "") +
         (m->popup ? ", opened as a popup" : "") + ", mode " + std::string(1, m->attributes.mode) + ", title " +
         Html(m->attributes.title) + (m->attributes.ident.empty() ? "" : ", ident " + Html(m->attributes.ident)) +
         " — " + Html(Shown(m->file, pc.startDir)) + ":" + std::to_string(m->line) + "</p>\n";
    for (const std::string& l : m->layout) h += "<p>" + Html(l) + "</p>\n";
    h += FindingsHtml(c.findings, id, pc);
    h += "<table>\n<tr><th>#</th><th>Item</th><th>Softkey</th><th>Opens</th><th>Conditions</th><th>Python</th>"
         "<th>Other parameters</th></tr>\n";
    int slot = 0;
    for (const Item& item : m->items) {
      if (item.code == KEY_PRAGMA) continue;
      std::string softkey, opens, conditions, python, other;
      if (item.tokens.size() >= 2) {
        const std::string name = CutName(item.tokens[1]);
        auto it = byName.find(name);
        softkey = Html(name) + "<br>" + (it != byName.end() ? Pictures(*it->second) : "(no such softkey)");
      }
      for (const std::string& t : Targets(item)) opens += (opens.empty() ? "" : "<br>") + menuLink(t);
      for (std::size_t t = 2; t < item.tokens.size(); ++t) {
        const std::string& p = item.tokens[t];
        if ((item.code == 71 || item.code == 78) && t == 2) continue;
        if (StartsWithUpper(p, "POPUPMENU:")) continue;
        if (StartsWithUpper(p, "ENABLE:") || StartsWithUpper(p, "STATUS:") || StartsWithUpper(p, "HIDE:"))
          conditions += (conditions.empty() ? "" : "<br>") + Html(p);
        else if (StartsWithUpper(p, "PY"))
          python += (python.empty() ? "" : "<br>") + Html(p);
        else
          other += (other.empty() ? "" : "<br>") + Html(p);
      }
      h += "<tr><td>" + std::to_string(slot++) + "</td><td>" + ItemKindText(item.code) +
           (item.result > 0 ? " <span class=\"finding\">(refused: message " + std::to_string(item.result) + ")</span>"
                            : "") +
           "</td><td>" + softkey + "</td><td>" + opens + "</td><td>" + conditions + "</td><td>" + python + "</td><td>" +
           other + "</td></tr>\n";
    }
    h += "</table>\n</section>\n";
  }

  h += "<h2>Softkeys</h2>\n<table>\n<tr><th>Line</th><th>Name</th><th>Source</th><th>Pictures</th></tr>\n";
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    std::string source;
    for (std::size_t t = 0; t < k.tokens.size() && t < 2; ++t) source += (t ? " " : "") + Html(k.tokens[t]);
    std::string pictures = Pictures(k);
    for (const Output& o : k.outputs) {
      pictures += "<div>" + Html(Shown(o.path, pc.startDir)) + "</div>";
      if (!o.replacedBy.empty())
        pictures +=
            "<div class=\"finding\">written again by " + Html(o.replacedBy) + ": this softkey shows that picture</div>";
      for (const std::string& t : o.texts) pictures += "<div>" + Html(t, o.utf8) + "</div>";
    }
    if (k.result > 0)
      pictures += "<div class=\"finding\">not converted: message " + std::to_string(k.result) + "</div>";
    h += "<tr id=\"sk" + std::to_string(i) + "\"><td>" + Html(Shown(k.file, pc.startDir)) + ":" +
         std::to_string(k.line) + "</td><td>" + Html(k.name) + "</td><td>" + source + "</td><td>" + pictures +
         FindingsHtml(c.findings, "sk" + std::to_string(i), pc) + "</td></tr>\n";
  }
  h += "</table>\n</body></html>\n";
  return h;
}

}  // namespace

int RunPreview(int argc, char** argv) {
  std::vector<std::string> options;
  std::string project, outDir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] ? argv[i] : "";
    const std::string upper = Upper(arg);
    if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "/?") return PrintUsage(0);
    if (arg.size() > 1 && (arg[0] == '-' || arg[0] == '/')) {
      const std::string name = upper.substr(1);
      if (name.rfind("O", 0) == 0 && name.size() > 1 && name != "NOFILECHECK")
        outDir = arg.substr(2);
      else if (name.rfind("PJ", 0) == 0 || name[0] == 'T' || name[0] == 'R' || name[0] == 'A' || name[0] == 'L' ||
               name == "NOFILECHECK")
        options.push_back(arg);
      else {
        std::fprintf(stderr, "Quillon32Preview: unknown option %s\n", arg.c_str());
        return PrintUsage(3);
      }
    } else if (project.empty()) {
      project = arg;
    } else {
      return PrintUsage(3);
    }
  }
  if (project.empty() || outDir.empty()) return PrintUsage(3);

  auto host = MakeHostFileSystem();
  std::string startDir, outFull;
  host->GetCurrentDir(startDir);
  if (!host->FullPath(outDir, outFull)) return PrintUsage(3);
  // The output directory and the directories above it that are missing.
  for (std::size_t slash = outFull.find('/', 1); slash != std::string::npos; slash = outFull.find('/', slash + 1))
    if (!host->IsDirectory(outFull.substr(0, slash))) host->MakeDirectory(outFull.substr(0, slash));
  if (!host->IsDirectory(outFull) && !host->MakeDirectory(outFull)) {
    std::fprintf(stderr, "Quillon32Preview: cannot create %s\n", outFull.c_str());
    return 2;
  }

  OverlayFileSystem overlay(*host);
  Collector collector(overlay, startDir);
  std::vector<std::string> args = {argv[0] ? argv[0] : "Quillon32Preview", project, "-gensys"};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argvRun;
  for (std::string& a : args) argvRun.push_back(a.data());
  argvRun.push_back(nullptr);
  const int status = RunCommandLine(static_cast<int>(args.size()), argvRun.data(), overlay, &collector);
  std::fflush(stdout);
  host->SetCurrentDir(startDir);

  Site site{*host, outFull + "/", {}};
  CheckNames(collector);
  CheckReach(collector);
  CheckSoftkeyUse(collector);
  CheckTextSources(collector, overlay);
  DecodeOutputs(collector, overlay, site);

  PageContext pc{startDir, options, status};
  site.Write("index.html", Page(collector, pc));
  for (const Finding& f : collector.findings) std::printf("%s\n", FindingText(f, startDir).c_str());
  std::printf("Preview: %zu finding(s), %s/index.html\n", collector.findings.size(), Shown(outFull, startDir).c_str());
  if (!site.failed.empty()) {
    std::fprintf(stderr, "Quillon32Preview: cannot write %s\n", site.failed.c_str());
    return 2;
  }
  if (status >= 2) return 2;
  return collector.findings.empty() ? 0 : 1;
}

}  // namespace q32
