#include "checks/Collector.h"

#include <algorithm>

#include "formats/SoftkeyFormats.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "project/ProjectKeywords.h"
#include "text/Ascii.h"

namespace q32 {

// A full path as the user sees it: relative to where the preview started
// when it lies below.
std::string Shown(const std::string& full, const std::string& startDir) {
  const std::string prefix = HostJoin(startDir, "");
  return full.compare(0, prefix.size(), prefix) == 0 ? full.substr(prefix.size()) : full;
}

std::string CutName(const std::string& token) { return UpperCase(std::string_view(token).substr(0, kMaxNameLength)); }

SourceSpan WordSpan(const std::string& file, int line, const std::vector<WordPlace>& places, int word) {
  SourceSpan at;
  at.file = file;
  at.line = static_cast<unsigned>(line);
  if (word >= 0 && static_cast<std::size_t>(word) < places.size() && places[static_cast<std::size_t>(word)].line != 0) {
    const WordPlace& w = places[static_cast<std::size_t>(word)];
    at.line = w.line;
    at.column = w.column;
    at.length = w.length;
  }
  return at;
}

std::vector<std::string> Targets(const Item& item) {
  std::vector<std::string> out;
  if ((item.kind == MenuItemKind::Goto || item.kind == MenuItemKind::Node) && item.tokens.size() >= 3)
    out.push_back(CutName(item.tokens[2]));
  for (std::size_t t = 2; t < item.tokens.size(); ++t)
    if (StartsWithIgnoringCase(item.tokens[t], "POPUPMENU:")) out.push_back(CutName(item.tokens[t].substr(10)));
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

Collector::Collector(FileSystem& fs, std::string startDir)
    : startDir(std::move(startDir)), fs_(fs), added_(0, FindingHash{&findings}, SameFinding{&findings}) {}

std::size_t Collector::FindingHash::operator()(std::size_t i) const {
  const SourceSpan& at = (*findings)[i].report.at;
  const std::hash<std::string_view> hash;
  return hash(at.file) ^ (hash((*findings)[i].report.argument) * 31) ^ (std::size_t{at.line} * 0x9E3779B97F4A7C15ULL);
}

bool Collector::SameFinding::operator()(std::size_t a, std::size_t b) const {
  const Diagnostic& x = (*findings)[a].report;
  const Diagnostic& y = (*findings)[b].report;
  return x.at.line == y.at.line && x.at.file == y.at.file && x.argument == y.argument;
}

void Collector::LineRead(std::string_view file, int line, const ProjectKeyword& keyword,
                         const std::vector<std::string>& tokens, const std::vector<WordPlace>& places) {
  current_ = -1;
  const LineFilePath& full = LineFile(file);
  const KeywordCode code = keyword.code;
  if (keyword.kind == KeywordKind::Softkey) {
    // Made where it is kept: a project has thousands.
    current_ = static_cast<int>(softkeys.size());
    SoftkeyLine& k = softkeys.emplace_back();
    k.file = full, k.line = line, k.source = keyword.source, k.tokens = tokens, k.places = places;
    if (tokens.size() >= 3) k.name = UpperCase(std::string_view(tokens[2]).substr(0, kMaxNameLength));
    if (tokens.size() >= 2 && keyword.source != SourceType::Tx) k.sourcePath = Full(tokens[1]);
    return;
  }
  if (code == KeywordCode::SkMenu) {
    Menu m;
    m.file = full, m.line = line;
    if (places.size() >= 2) m.nameAt = places[1];
    if (tokens.size() >= 2) m.name = UpperCase(std::string_view(tokens[1]).substr(0, kMaxNameLength));
    if (tokens.size() >= 2 && tokens[1].size() > kMaxNameLength)
      Found(CheckFinding(Msg::NameCut, WordSpan(*full, line, places, 1),
                         tokens[1] + " becomes " + tokens[1].substr(0, kMaxNameLength)),
            "menu-" + m.name);
    menus.push_back(std::move(m));
    open_ = tokens.size() >= 2;
    return;
  }
  if (code == KeywordCode::EndSkMenu) {
    open_ = false;
    return;
  }
  if (menus.empty() || !open_) return;
  if (keyword.kind == KeywordKind::Menu) {
    // As the control uses them: the softkey slots of a row, the keys that page.
    std::string text = code == KeywordCode::RowDef      ? "rows of the softkey slots"
                       : code == KeywordCode::SkPrevDef ? "previous page: key"
                                                        : "next page: key";
    for (std::size_t t = 1; t < tokens.size(); ++t) text += (t == 2 ? " to " : " ") + tokens[t];
    Menu& m = menus.back();
    m.layout.push_back(text);
    if (code == KeywordCode::RowDef && ParseRowDefinition(tokens, m.rowFirst, m.rowLast) == Msg::Ok) m.hasRow = true;
    return;
  }
  Item& item = menus.back().items.emplace_back();
  item.file = full, item.line = line, item.kind = keyword.item, item.tokens = tokens, item.places = places;
  item.softkeysBefore = softkeys.size();
}

void Collector::MenuNumbered(std::uint32_t number, const MenuAttributes& menu) {
  if (menus.empty()) return;
  menus.back().number = number;
  menus.back().attributes = menu;
}

void Collector::SoftkeyDone(std::string_view targetPath, Msg code, bool converted) {
  if (current_ < 0) return;
  SoftkeyLine& k = softkeys[static_cast<std::size_t>(current_)];
  k.targetPath = targetPath;
  k.done = true;
  k.code = code;
  k.converted = converted;
}

void Collector::ItemDone(Msg result) {
  if (!menus.empty() && !menus.back().items.empty()) menus.back().items.back().result = result;
}

// The full path the run made for the file is the one Full would make: both
// ask the file system the run works on.
void Collector::FileCreated(std::string_view path, std::string_view full) {
  Created(std::string(full.empty() ? path : full));
}

void Collector::Found(const Diagnostic& finding) {
  Diagnostic f = finding;
  const SoftkeyLine* k = current_ < 0 ? nullptr : &softkeys[static_cast<std::size_t>(current_)];
  if (f.at.file.empty()) {
    // At the softkey line being converted; before any, the command line.
    if (k) f.at = At(*k, 1);
    return Found(std::move(f), Anchor());
  }
  f.at.file = Full(f.at.file);
  const bool inSource = k && f.at.file == k->sourcePath;
  Found(std::move(f), inSource ? Anchor() : std::string());
}

// Once each: the menu constant pass reads the includes too, and every
// language variant of a softkey is checked.
void Collector::Found(Diagnostic finding, const std::string& anchor) {
  Finding& f = findings.emplace_back();
  f.report = std::move(finding);
  f.report.check = true;
  f.anchor = anchor;
  if (!added_.insert(findings.size() - 1).second) findings.pop_back();
}

const LineFilePath& Collector::LineFile(std::string_view file) {
  if (!fs_.GetCurrentDir(directory_)) directory_.clear();
  if (!lineFull_ || file != lineFile_ || directory_ != lineDirectory_) {
    lineFile_.assign(file);
    lineDirectory_ = directory_;
    lineFull_ = std::make_shared<const std::string>(Full(file));
  }
  return lineFull_;
}

std::string Collector::Full(std::string_view path) {
  std::string full;
  return fs_.FullPath(path, full) ? full : std::string(path);
}

void Collector::Created(std::string full) {
  if (current_ < 0 || !IsSoftkeyFileName(full)) return;
  SoftkeyLine& k = softkeys[static_cast<std::size_t>(current_)];
  for (const Output& o : k.outputs)
    if (o.path == full) return;
  auto [it, fresh] = creators_.try_emplace(full, current_);
  if (!fresh && it->second != current_) {
    SoftkeyLine& first = softkeys[static_cast<std::size_t>(it->second)];
    Found(CheckFinding(Msg::SoftkeyWrittenTwice, At(k, 1),
                       Show(full) + ", written before by the softkey line " + Where(*first.file, first.line) +
                           ", whose softkey is lost"),
          Anchor());
    // Both softkeys show what the later line wrote: the control loads the
    // file by its name.
    for (Output& o : first.outputs)
      if (o.path == full) o.replacedBy = Where(*k.file, k.line);
    it->second = current_;
  }
  k.outputs.emplace_back().path = std::move(full);
}

}  // namespace q32
