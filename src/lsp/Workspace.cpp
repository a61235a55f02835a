#include "lsp/Workspace.h"

#include <algorithm>
#include <set>

#include "checks/Collector.h"
#include "driver/RunDriver.h"
#include "lsp/Keywords.h"
#include "platform/HostPath.h"
#include "platform/MemoryFileSystem.h"
#include "plc/PlcProjectFile.h"
#include "platform/OverlayFileSystem.h"
#include "project/Defines.h"
#include "run/CommandLine.h"
#include "run/DefineList.h"
#include "run/RunContext.h"
#include "text/Ascii.h"
#include "text/Encoding.h"

namespace q32 {
namespace {

// The options of a run that choose what is generated; the outputs, the
// mode and the report forms are the server's own.
constexpr OptionId kEditorOptions[] = {OptionId::Model,       OptionId::PlcProject,  OptionId::ConfigFile,
                                       OptionId::Defines,     OptionId::LanguageDir, OptionId::IncLanguageDir,
                                       OptionId::NoFileCheck, OptionId::DestDir};

// The code page a file is read in, both ways: the editor's text goes back
// to the bytes the generator reads, and a file not open is shown in it.
// Text sources are code page 850, as the control reads them; project files
// and BMX projects Windows-1252 (a UTF-8 project's bytes go through
// unchanged, so the generator still recognises it).
bool InCodePage850(const std::string& path) { return KindOfFile(path) == FileKind::TextSource; }

std::string OnDiskForm(const std::string& path, const std::string& utf8) {
  return InCodePage850(path) ? Utf8ToCp850(utf8) : Utf8ToCp1252(utf8);
}

std::string EditorForm(const std::string& path, const std::string& bytes) {
  return InCodePage850(path) ? Cp850ToUtf8(bytes) : Cp1252ToUtf8(bytes);
}

// The last name of a path ("" for a path that ends in a separator, "." or
// "..", whose full path names another).
std::string_view LastName(std::string_view path) {
  std::size_t start = path.size();
  while (start > 0 && path[start - 1] != '/' && path[start - 1] != '\\') --start;
  const std::string_view last = path.substr(start);
  return last == "." || last == ".." ? std::string_view() : last;
}

}  // namespace

const DocumentFileSystem::Document* DocumentFileSystem::Find(std::string_view path) {
  if (documents_.empty()) return nullptr;
  // Every file a run reads or asks about passes here, thousands of sources
  // beside the few documents open: a name none of them ends in is none of
  // them, without making its full path.
  if (const std::string_view last = LastName(path); !last.empty()) {
    bool any = false;
    for (const auto& [key, document] : documents_)
      any = any || EqualsIgnoringCase(document.lastName, last);
    if (!any) return nullptr;
  }
  std::string full;
  if (!inner_.FullPath(path, full)) return nullptr;
  const auto it = documents_.find(UpperCase(full));
  return it == documents_.end() ? nullptr : &it->second;
}

void DocumentFileSystem::Put(const std::string& fullPath, std::string bytes) {
  std::string key = UpperCase(fullPath);
  std::string last(LastName(key));
  documents_[std::move(key)] = {std::make_shared<std::string>(std::move(bytes)), ++versions_, std::move(last)};
}

void DocumentFileSystem::Drop(const std::string& fullPath) { documents_.erase(UpperCase(fullPath)); }

std::string DocumentFileSystem::FileVersion(std::string_view path) {
  // With the file's own under it, whose identity a run takes along with an
  // unchanged version.
  if (const Document* document = Find(path))
    return "editor:" + std::to_string(document->version) + ":" + inner_.FileVersion(path);
  return inner_.FileVersion(path);
}

std::unique_ptr<File> DocumentFileSystem::Open(std::string_view path, FileMode mode) {
  if (mode == FileMode::ReadBinary || mode == FileMode::ReadText)
    if (const Document* document = Find(path))
      return std::make_unique<MemoryFile>(document->bytes, mode == FileMode::ReadText, false);
  return inner_.Open(path, mode);
}

bool DocumentFileSystem::Exists(std::string_view path) { return Find(path) != nullptr || inner_.Exists(path); }

Workspace::Workspace(FileSystem& host, std::string programDir)
    : host_(host), documents_(host), overlay_(documents_), programDir_(std::move(programDir)) {
  host_.GetCurrentDir(root_);
}

void Workspace::SetOptions(std::vector<std::string> arguments, std::string project) {
  arguments_.clear();
  refused_.clear();
  for (std::string& word : arguments) {
    RunSettings probe;
    probe.mode = RunMode::Gensys;
    const std::string words[] = {word, "project.spm"};
    const CommandLine line = ParseCommandLine(words, probe, kEditorOptions);
    if (line.action == CommandLine::Action::Run && IsOptionWord(word)) arguments_.push_back(std::move(word));
    else refused_.push_back(std::move(word));
  }
  RunSettings settings;
  settings.mode = RunMode::Gensys;
  std::vector<std::string> words = arguments_;
  words.push_back("project.spm");
  if (ParseCommandLine(words, settings, kEditorOptions).action == CommandLine::Action::Run) {
    pjFile_ = settings.pjFile;
    cfgFile_ = settings.cfgFile;
    defineList_ = settings.defineList;
  }
  project_ = std::move(project);
  conversions_.Clear();
}

void Workspace::Put(const std::string& fullPath, const std::string& utf8Text) {
  texts_[UpperCase(fullPath)] = utf8Text;
  documents_.Put(fullPath, OnDiskForm(fullPath, utf8Text));
}

void Workspace::Drop(const std::string& fullPath) {
  texts_.erase(UpperCase(fullPath));
  documents_.Drop(fullPath);
}

const std::string* Workspace::Text(const std::string& fullPath) const {
  const auto it = texts_.find(UpperCase(fullPath));
  return it == texts_.end() ? nullptr : &it->second;
}

std::string Workspace::FullPathOf(const std::string& name, const std::string& directory) {
  // A relative name is joined to the folder and made full by the host, in
  // its own form (a drive's on Windows).
  const bool absolute = !name.empty() && (name[0] == '/' || name[0] == '\\' || HasForeignRoot(name));
  std::string full;
  if (name.empty() || !host_.FullPath(absolute ? name : HostJoin(directory.empty() ? root_ : directory, name), full))
    return {};
  return full;
}

std::vector<DirectoryEntry> Workspace::Entries(const std::string& directory) {
  std::vector<DirectoryEntry> entries;
  if (directory.empty() || !host_.FindFiles(directory, "*", entries)) entries.clear();
  return entries;
}

bool Workspace::ReadUtf8(const std::string& fullPath, std::string& out) {
  if (const std::string* text = Text(fullPath)) {
    out = *text;
    return true;
  }
  if (host_.IsDirectory(fullPath)) return false;
  std::unique_ptr<File> file = host_.Open(fullPath, FileMode::ReadBinary);
  std::string bytes;
  if (!file || !file->ReadAll(bytes)) return false;
  out = EditorForm(fullPath, bytes);
  return true;
}

std::string Workspace::ProjectOf(const std::string& fullPath) {
  if (EndsWithIgnoringCase(fullPath, ".spm") || EndsWithIgnoringCase(fullPath, ".spj")) return fullPath;
  if (!project_.empty()) return FullPathOf(project_);
  // An include, a source or a BMX project: the menu project beside it, or
  // one folder up (where a project keeps its BMX projects in a folder).
  std::string dir = HostParent(fullPath);
  for (int up = 0; up < 2 && !dir.empty(); ++up, dir = HostParent(dir)) {
    std::vector<DirectoryEntry> found;
    if (host_.FindFiles(dir, "*.spm", found) && !found.empty()) {
      std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
      return HostJoin(dir, found.front().name);
    }
  }
  return {};
}

CheckResult Workspace::Check(const std::string& fullPath) {
  CheckResult result;
  result.project = ProjectOf(fullPath);
  if (result.project.empty()) return result;
  RunSettings settings;
  settings.mode = RunMode::Gensys;
  settings.programDir = programDir_;
  std::vector<std::string> words = arguments_;
  words.push_back(result.project);
  if (ParseCommandLine(words, settings, kEditorOptions).action != CommandLine::Action::Run) return result;
  settings.checks = true;

  // The run works in the project's folder and names the options' files
  // from the editor's folder, as a run started there would.
  std::string start;
  host_.GetCurrentDir(start);
  host_.SetCurrentDir(root_);
  // The run writes nothing to the host: each file it reads or asks about is
  // looked at once, the next run looks again.
  host_.HoldStill(true);
  OverlayFileSystem& overlay = overlay_;
  overlay.Afresh();
  Collector collector(overlay, root_);
  collector.findingsRead = false;
  {
    RunContext run(overlay, std::move(settings));
    run.observer = &collector;
    run.inputGuard.observer = &collector;
    run.diag.console = nullptr;
    run.diag.logWritten = false;
    run.conversions = &conversions_;
    run.lineWords = &lineWords_;
    const std::size_t made = conversions_.made, taken = conversions_.taken;
    result.status = RunGenerator(run, &collector);
    result.converted = conversions_.made - made;
    result.taken = conversions_.taken - taken;
    conversions_.Sweep();
    lineWords_.Sweep();
    std::vector<Diagnostic>& kept = run.diag.kept;
    result.reports.reserve(kept.size());
    auto place = [&result](const SourceSpan& at) {
      return EditorPlace{at.file.empty() ? result.project : at.fullPath, static_cast<int>(at.line),
                         static_cast<int>(at.column), static_cast<int>(at.length)};
    };
    // The run's reports go with it: a report that no later one follows
    // from hands its texts over instead of copying them.
    std::vector<bool> causes(kept.size());
    for (const Diagnostic& r : kept)
      if (r.cause >= 0 && static_cast<std::size_t>(r.cause) < kept.size()) causes[static_cast<std::size_t>(r.cause)] = true;
    for (std::size_t i = 0; i < kept.size(); ++i) {
      Diagnostic& r = kept[i];
      EditorReport report;
      const bool handed = !causes[i] && !r.at.file.empty();
      report.at = handed ? EditorPlace{std::move(r.at.fullPath), static_cast<int>(r.at.line),
                                       static_cast<int>(r.at.column), static_cast<int>(r.at.length)}
                         : place(r.at);
      report.severity = r.severity;
      report.tag = r.tag;
      report.text = !causes[i] && IsAscii(r.text) ? std::move(r.text) : Cp1252ToUtf8(r.text);
      for (const RelatedSpan* note : ShownNotes(run.diag, r))
        report.related.emplace_back(place(note->at), Cp1252ToUtf8(note->text));
      if (r.cause >= 0 && static_cast<std::size_t>(r.cause) < kept.size()) {
        const Diagnostic& cause = kept[static_cast<std::size_t>(r.cause)];
        report.related.emplace_back(place(cause.at), "follows from: " + Cp1252ToUtf8(cause.text));
      }
      result.reports.push_back(std::move(report));
    }
  }
  host_.HoldStill(false);
  host_.SetCurrentDir(start);
  // A run that could not begin (no catalogue beside the server, no log)
  // reports nothing itself: say so at the project, not as a clean project.
  if (result.status == 3 && result.reports.empty()) {
    const std::string catalogue = programDir_ + kCatalogueName;
    result.reports.push_back({{result.project},
                              Severity::Error,
                              {},
                              "Quillon32Lsp cannot run the generator: " +
                                  (host_.Exists(catalogue) ? "the project's folder cannot hold its log"
                                                           : "no message catalogue " + catalogue),
                              {}});
  }
  last_ = {result.project, {}, result.status, result.converted, result.taken};
  return result;
}

ProjectIndex Workspace::Index(const std::string& fullPath) {
  std::string project = ProjectOf(fullPath);
  std::string text;
  if (project.empty() || !ReadUtf8(project, text)) {
    project = fullPath;
    if (!ReadUtf8(project, text)) return {};
  }
  IndexReader read = [this](const std::string& name, const std::string& directory, std::string& full,
                            std::string* utf8) {
    full = FullPathOf(name, directory);
    if (full.empty()) return false;
    return utf8 ? ReadUtf8(full, *utf8) : documents_.Exists(full) && !documents_.IsDirectory(full);
  };
  ProjectIndex index = IndexProject(project, text, HostParent(project), read);
  // A file the project does not include (yet): its own lines too.
  if (std::find(index.files.begin(), index.files.end(), fullPath) == index.files.end() &&
      KindOfFile(fullPath) == FileKind::Project && ReadUtf8(fullPath, text)) {
    ProjectIndex own = IndexProject(fullPath, text, HostParent(project), read);
    index.symbols.insert(index.symbols.end(), own.symbols.begin(), own.symbols.end());
    index.menus.insert(index.menus.end(), own.menus.begin(), own.menus.end());
    index.files.push_back(fullPath);
  }
  return index;
}

std::vector<std::string> Workspace::PlcSymbols() {
  std::vector<std::string> names;
  if (pjFile_.empty()) return names;
  PlcSymbolTables tables;
  (void)ReadPlcProjectFile(documents_, FullPathOf(pjFile_), tables);
  for (const PlcSymbol& s : tables.symbols)
    if (!s.local) names.push_back(s.name);
  return names;
}

std::vector<std::string> Workspace::DefineNames() {
  DefineList defines;
  std::string text;
  if (!cfgFile_.empty() && ReadUtf8(FullPathOf(cfgFile_), text)) {
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      start = end + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!StartsWithIgnoringCase(line, "DEFINE")) continue;
      const std::size_t value = line.find_first_not_of(" \t", 6);
      if (value != std::string::npos) (void)ParseDefines(defines, UpperCase(line.substr(value)), false);
    }
  }
  if (defineList_) (void)ParseDefines(defines, UpperCase(*defineList_), true);
  std::vector<std::string> names;
  for (const DefineEntry& e : defines.Entries())
    if (names.empty() || names.back() != e.name) names.push_back(e.name);
  return names;
}

}  // namespace q32
