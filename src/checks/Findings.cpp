#include "checks/Findings.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "checks/Collector.h"
#include "diag/Diagnostics.h"
#include "dxf/VectorDecoder.h"
#include "formats/SoftkeyFormats.h"
#include "platform/FileSystem.h"
#include "raster/SoftkeyRecords.h"
#include "raster/SoftkeySize.h"
#include "text/Ascii.h"
#include "text/Encoding.h"

namespace q32 {
namespace {

const std::string kSoftkeySize =
    std::to_string(kSoftkeyWidth) + " x " + std::to_string(kSoftkeyHeight) + " pixels";

bool ReadWhole(FileSystem& fs, const std::string& path, std::string& out) {
  std::unique_ptr<File> file = fs.Open(path, FileMode::ReadBinary);
  return file && file->ReadAll(out);
}

// The place of a menu's name.
SourceSpan NameOf(const Menu& m) {
  SourceSpan at = WordSpan(*m.file, m.line, {}, -1);
  if (m.nameAt.line != 0) {
    at.line = m.nameAt.line;
    at.column = m.nameAt.column;
    at.length = m.nameAt.length;
  }
  return at;
}

void CheckNames(Collector& c) {
  // A name longer than kMaxNameLength, at its place (made only for such a
  // name: a project has thousands of softkeys and items).
  auto longName = [&](const SourceSpan& at, const std::string& token, const std::string& anchor) {
    c.Found(CheckFinding(Msg::NameCut, at, token + " becomes " + token.substr(0, kMaxNameLength)), anchor);
  };
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    if (k.tokens.size() >= 3 && k.tokens[2].size() > kMaxNameLength)
      longName(c.At(k, 2), k.tokens[2], "sk" + std::to_string(i));
    if (k.tokens.size() >= 2 && k.tokens[1].size() > kMaxSourceLength)
      c.Found(CheckFinding(Msg::SourceNameCut, c.At(k, 1), k.tokens[1].substr(0, 40) + "..."),
              "sk" + std::to_string(i));
  }
  std::unordered_map<std::uint32_t, const Menu*> numbers;
  for (const Menu& m : c.menus) {
    const std::string anchor = "menu-" + m.name;
    if (m.name.empty()) continue;
    // At the later menu's name; the earlier one's is the second place.
    auto [it, fresh] = numbers.emplace(m.number, &m);
    if (!fresh)
      c.Found(CheckFinding(Msg::MenuNumberTwice, NameOf(m),
                           std::to_string(m.number) + " of the menu " + m.name + " is the number of the menu " +
                               it->second->name + " too",
                           {{NameOf(*it->second),
                             "the menu " + it->second->name + " has the number " + std::to_string(m.number)}}),
              anchor);
    for (const Item& item : m.items)
      for (std::size_t t = 1; t < item.tokens.size() && t < 3; ++t)
        if (item.tokens[t].size() > kMaxNameLength && item.tokens[t].find(':') == std::string::npos)
          longName(WordSpan(*item.file, item.line, item.places, static_cast<int>(t)), item.tokens[t], anchor);
  }
}

void CheckReach(Collector& c) {
  std::unordered_map<std::string, Menu*> byName;
  for (Menu& m : c.menus) byName.emplace(m.name, &m);
  std::unordered_set<std::string> reached;
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
        if (StartsWithIgnoringCase(item.tokens[t], "POPUPMENU:")) {
          auto target = byName.find(CutName(item.tokens[t].substr(10)));
          if (target != byName.end()) target->second->popup = true;
        }
    if (!m.name.empty() && !reached.count(m.name))
      c.Found(CheckFinding(Msg::MenuNotReached, NameOf(m), m.name), "menu-" + m.name);
  }
}

void CheckSoftkeyUse(Collector& c) {
  // A project's thousands of names: looked up by their hash (the softkey
  // lines' own names, which stay where they are meanwhile).  A name an item
  // shows is marked at the first line that defines it, which is where every
  // line of that name finds it again.
  std::unordered_map<std::string_view, std::size_t> defined;  // name -> softkey line
  defined.reserve(c.softkeys.size());
  for (std::size_t i = 0; i < c.softkeys.size(); ++i)
    if (!c.softkeys[i].name.empty()) defined.emplace(c.softkeys[i].name, i);
  std::vector<bool> shown(c.softkeys.size(), false);
  for (const Menu& m : c.menus)
    for (const Item& item : m.items) {
      if (item.kind == MenuItemKind::Pragma || item.tokens.size() < 2) continue;
      const std::string name = CutName(item.tokens[1]);
      auto it = defined.find(name);
      if (it == defined.end()) continue;
      shown[it->second] = true;
      if (it->second >= item.softkeysBefore) {
        const SoftkeyLine& k = c.softkeys[it->second];
        c.Found(CheckFinding(
                    Msg::SoftkeyNamedBeforeDefined, WordSpan(*item.file, item.line, item.places, 1),
                    name + ", defined at " + c.Where(*k.file, k.line) + " (the item reports it as an unknown name)"),
                "menu-" + m.name);
      }
    }
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    if (k.name.empty())
      c.Found(
          CheckFinding(Msg::SoftkeyNotShown, c.At(k, 0), "the softkey line names no softkey, so no item can show it"),
          "sk" + std::to_string(i));
    else if (!shown[defined.find(k.name)->second])
      c.Found(CheckFinding(Msg::SoftkeyNotShown, c.At(k, 2), k.name), "sk" + std::to_string(i));
  }
}

// Bytes an editor leaves when it saves UTF-8: a lead byte and its
// continuation bytes.  Text softkey sources are code page 850, where every
// byte is a character (0x81 is a u with umlaut), so only UTF-8 is suspect.
void CheckTextSources(Collector& c) {
  std::set<std::string> checked;
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    if (k.source < SourceType::Txs || k.source > SourceType::Txb ||
        !checked.insert(k.sourcePath).second)
      continue;
    std::string bytes;
    if (!ReadWhole(c.fs(), k.sourcePath, bytes)) continue;
    std::size_t length = 0;
    const std::size_t at = FindUtf8Sequence(bytes, length);
    if (at == std::string::npos) continue;
    // A text source is code page 850: a character per byte.
    const std::size_t lineStart = bytes.rfind('\n', at == 0 ? 0 : at - 1);
    SourceSpan place;
    place.file = k.sourcePath;
    place.line = 1 + static_cast<unsigned>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    place.column = static_cast<unsigned>(at - (lineStart == std::string::npos || at == 0 ? 0 : lineStart + 1)) + 1;
    place.length = static_cast<unsigned>(length);
    c.Found(CheckFinding(Msg::Utf8TextSource, place,
                         "the bytes " + HexBytes(std::string_view(bytes).substr(at, length)) +
                             " of one character show as " + std::to_string(length) + " characters"),
            "sk" + std::to_string(i));
  }
}

std::string Point(int x, int y) { return "(" + std::to_string(x) + "," + std::to_string(y) + ")"; }

// Every vector softkey the run wrote, decoded: the reach of each language
// variant that draws something, and the line of each of a drawing's texts,
// its characters as wide as those of the control's font its record names
// (how high the glyphs rise is the font's business).  Text softkeys lay
// their rows out themselves, cut to fit (W8403).
void CheckDrawings(Collector& c) {
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    const SoftkeyLine& k = c.softkeys[i];
    // Only what may be a drawing: bitmaps and PCX pictures, say, never are.
    const OutputFormat* made = SourceFormatOf(k.source).output;
    if (made && made->picture != PictureKind::Drawing) continue;
    for (const Output& o : k.outputs) {
      std::string bytes;
      if (!o.replacedBy.empty() || !ReadWhole(c.fs(), o.path, bytes)) continue;
      std::string data;
      if (RecogniseOutput(o.path, bytes).picture != PictureKind::Drawing || !ReadWholeSoftkeyData(bytes, data))
        continue;
      auto beyond = [](int x0, int y0, int x1, int y1) {
        return x0 < 0 || y0 < 0 || x1 >= kSoftkeyWidth || y1 >= kSoftkeyHeight;
      };
      for (const VectorVariant& e : DrawVectorSoftkey(data)) {
        if (e.drawsSomething && beyond(e.minX, e.minY, e.maxX, e.maxY))
          c.Found(CheckFinding(Msg::DrawingBeyondSoftkey, c.At(k, 1),
                               c.Show(k.sourcePath) + ": from " + Point(e.minX, e.minY) + " to " +
                                   Point(e.maxX, e.maxY) + ", beyond the softkey's " + kSoftkeySize),
                  "sk" + std::to_string(i));
        for (const VectorShape& s : e.shapes) {
          if (k.source != SourceType::Dxf || s.kind != VectorShapeKind::Text || s.text.empty()) continue;
          const VectorTextCell cell = TextCell(s.sizeCode);
          const int right = s.x1 + static_cast<int>(s.text.size()) * cell.width - 1;
          if (beyond(s.x1, s.y1, right, s.y1))
            c.Found(
                CheckFinding(Msg::DrawingBeyondSoftkey, c.At(k, 1),
                             c.Show(k.sourcePath) + ": the text \"" + s.text + "\" in the " + cell.font + " font (" +
                                 std::to_string(cell.width) + " pixels a character) from " + Point(s.x1, s.y1) +
                                 " to " + Point(right, s.y1) + ", beyond the softkey's " + kSoftkeySize),
                "sk" + std::to_string(i));
        }
      }
    }
  }
}

}  // namespace

void FinishChecks(Collector& c) {
  if (c.beforeChecks) c.beforeChecks(c);
  CheckNames(c);
  CheckReach(c);
  CheckSoftkeyUse(c);
  CheckTextSources(c);
  CheckDrawings(c);
}

void ReportFindings(Collector& c, Diagnostics& d, bool report) {
  // A large project's findings are thousands of a few kinds: each kind's
  // text is looked up in the catalogue once.
  std::map<Msg, std::string> texts;
  if (report) d.kept.reserve(d.kept.size() + c.findings.size());
  for (Finding& f : c.findings) {
    const Msg code = f.report.code;
    auto it = texts.find(code);
    if (it == texts.end()) {
      std::string text;
      if (!LookupMessage(d, Number(code), text)) text = d.errorNoLabel + ": " + std::to_string(Number(code));
      it = texts.emplace(code, std::move(text)).first;
    }
    // The size of a picture is the generation's own warning: listed, not
    // reported twice.
    if (report && code != Msg::WrongSize) {
      if (!c.findingsRead) {
        Report(d, std::move(f.report), &it->second);
        continue;
      }
      // The finding takes the texts its report was told with, made once; a
      // repeat's say so, which the finding's own do not.
      const std::size_t told = d.kept.size();
      Report(d, f.report, &it->second);
      if (d.kept.size() == told + 1 && d.kept.back().repeats == kNoDiagnostic) {
        const Diagnostic& r = d.kept.back();
        f.report.at = r.at;
        f.report.notes = r.notes;
        f.report.severity = r.severity;
        f.report.message = r.message;
        f.report.tag = r.tag;
        f.report.text = r.text;
        continue;
      }
    }
    if (c.findingsRead) Describe(d, f.report, &it->second);
  }
}

}  // namespace q32
