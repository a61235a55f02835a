// Quillon32Lsp: the language server of softkey projects.  It speaks the
// Language Server Protocol: diagnostics of the generator's checks (-W) on
// the editor's unsaved text, completion, hover, go to definition and
// references, and the outline.  The options of the runs come from the
// editor's settings (initializationOptions and
// workspace/didChangeConfiguration: quillon32.arguments, quillon32.project).
// The program's main (Main.cpp) hands it standard input and output.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "diag/Sarif.h"
#include "formats/SoftkeyFormats.h"
#include "lsp/Framing.h"
#include "lsp/Keywords.h"
#include "lsp/LanguageServer.h"
#include "lsp/ProjectIndex.h"
#include "lsp/Workspace.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "project/ProjectKeywords.h"
#include "run/RunSettings.h"
#include "text/Ascii.h"
#include "text/Encoding.h"
#include "text/Format.h"

namespace q32 {
namespace {

using json = nlohmann::json;

// LSP's kinds, by their numbers in the protocol.
constexpr int kSeverityError = 1, kSeverityWarning = 2, kSeverityInformation = 3;
constexpr int kCompletionModule = 9, kCompletionProperty = 10, kCompletionKeyword = 14, kCompletionConstant = 21,
              kCompletionVariable = 6;
constexpr int kSymbolFile = 1, kSymbolModule = 2, kSymbolField = 8, kSymbolConstant = 14;
constexpr int kCompletionFile = 17, kCompletionFolder = 19;
constexpr int kMessageLog = 4;
// JSON-RPC's error codes, and the protocol's own for a server not yet
// initialized.
constexpr int kParseError = -32700, kInvalidRequest = -32600, kMethodNotFound = -32601, kInvalidParams = -32602,
              kServerNotInitialized = -32002;

// ---------------------------------------------------------------------------
// Paths and URIs.

// A file's URI, as the SARIF log writes it.
std::string UriOf(const std::string& path) { return FileUri(path); }

std::string PathOf(const std::string& uri) {
  std::string rest = StartsWithIgnoringCase(uri, "file://") ? uri.substr(7) : uri;
  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && std::isxdigit(static_cast<unsigned char>(rest[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(rest[i + 2]))) {
      path += static_cast<char>(std::strtol(rest.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      path += rest[i];
    }
  }
  if (HostPathSeparator() == '\\') {
    if (path.size() >= 3 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
    for (char& c : path)
      if (c == '/') c = '\\';
  }
  return path;
}

json Position(int line, int character) { return {{"line", line}, {"character", character}}; }
json Range(int line, int start, int endLine, int end) {
  return {{"start", Position(line, start)}, {"end", Position(endLine, end)}};
}
json RangeOf(const Word& w) { return Range(w.line, w.start, w.line, w.end); }

// The diagnostics of a large project are written as text, not built as
// objects first: ten thousand of them would be built, written and freed on
// every change.  The text is the one the json library writes (keys in name
// order, strings escaped as it escapes them).
struct LineSpan {
  int line = 0, start = 0, endLine = 0, end = 0;
};

// A JSON string.  A run's diagnostics are thousands of such texts, nearly
// all plain ASCII: those are escaped here at once; the library handles the
// rest (and mends a broken UTF-8 sequence).
void AppendJsonText(std::string& out, const std::string& text) {
  if (IsAscii(text)) AppendJsonString(out, text);
  else out += json(text).dump(-1, ' ', false, json::error_handler_t::replace);
}

void AppendNumber(std::string& out, int n) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
  out.append(digits, end);
}

void AppendRange(std::string& out, const LineSpan& s) {
  // Appended piece by piece: a project's thousands of reports each have one.
  out += "{\"end\":{\"character\":";
  AppendNumber(out, s.end);
  out += ",\"line\":";
  AppendNumber(out, s.endLine);
  out += "},\"start\":{\"character\":";
  AppendNumber(out, s.start);
  out += ",\"line\":";
  AppendNumber(out, s.line);
  out += "}}";
}

// ---------------------------------------------------------------------------

class Server {
 public:
  Server(FileSystem& host, std::string programDir, MessageWriter write)
      : ws_(host, std::move(programDir)), write_(std::move(write)) {}

  // One message's body in; false after exit.
  bool HandleBody(const std::string& body);
  int ExitStatus() const { return phase_ == Phase::ShutDown ? 0 : 1; }

 private:
  bool Handle(const json& message);
  // A message the lifecycle admits: its method done, a request answered.
  void Dispatch(const json& id, bool request, const std::string& method, const json& params);
  void Send(const json& message);
  void Reply(const json& id, const json& result) { Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}}); }
  void Refuse(const json& id, int code, const std::string& why) {
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", why}}}});
  }
  void Notify(const std::string& method, const json& params) {
    Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
  }
  void Configure(const json& settings);
  void Publish(const std::string& path);
  std::string Uri(const std::string& path) const {
    const auto it = uris_.find(UpperCase(path));
    return it == uris_.end() ? UriOf(path) : it->second;
  }
  json Location(const Place& p) { return {{"uri", Uri(p.file)}, {"range", RangeOf(p.word)}}; }
  LineSpan SpanAt(const EditorPlace& p);
  json RangeAt(const EditorPlace& p) {
    const LineSpan s = SpanAt(p);
    return Range(s.line, s.start, s.endLine, s.end);
  }
  std::string_view LineText(const std::string& path, int line);
  // The files LineText read while one message is handled (they do not
  // change meanwhile): the text (an open document's where it stands, a
  // file's read) and where each line after the first starts.
  struct FileLines {
    std::string read;
    std::string_view text;
    std::vector<std::size_t> starts;
  };
  std::map<std::string, FileLines> lines_;
  // The words of the logical line that holds an editor line of a document.
  std::vector<Word> WordsAt(const std::string& path, int line);

  json Initialize(const json& params);
  json Completion(const std::string& path, int line, int character);
  // The words of the logical line before the cursor (a line continued from
  // the ones above takes their words), the index of the word being typed
  // (the one the cursor ends, else a new one), where it starts and what of
  // it is typed; in a comment, none.
  struct CursorWords {
    bool comment = false;
    std::vector<Word> words;
    std::size_t index = 0;
    int from = 0;
    std::string typed;
  };
  CursorWords WordsBefore(const std::string& path, int line, int character);
  json Hover(const std::string& path, int line, int character);
  json Definition(const std::string& path, int line, int character);
  json References(const std::string& path, int line, int character, bool declaration);
  json Symbols(const std::string& path);

  // Before initialize the server answers nothing but an error; after
  // shutdown only exit counts.
  enum class Phase { Starting, Running, ShutDown };

  void Close(const std::string& path);
  void LogRun();
  std::vector<std::string> OpenDocumentsOf(const std::string& project);
  json SourceFiles(const std::string& path, const std::string& keyword, const std::string& typed, int line,
                   int from, int character);
  json IncludedMenus(const std::string& path, const ProjectIndex& index);

  Workspace ws_;
  MessageWriter write_;
  Phase phase_ = Phase::Starting;
  std::map<std::string, std::string> uris_;                     // documents the editor named: upper-case path → URI
  std::map<std::string, std::set<std::string>> published_;      // project → files with diagnostics
  // The JSON form of each report's text the last publication sent: a
  // change reports nearly all of them again, each then a look-up.
  struct TextJson {
    std::string json;
    unsigned long long used = 0;
  };
  std::unordered_map<std::string, TextJson> textJson_;
  unsigned long long publications_ = 0;
};

void Server::Send(const json& message) {
  write_(Framed(message.dump(-1, ' ', false, json::error_handler_t::replace)));
}

void Server::Configure(const json& settings) {
  if (!settings.is_object()) return;
  const json& s = settings.contains("quillon32") ? settings["quillon32"] : settings;
  std::vector<std::string> arguments;
  std::string project;
  if (s.contains("arguments") && s["arguments"].is_array())
    for (const json& a : s["arguments"])
      if (a.is_string()) arguments.push_back(a.get<std::string>());
  if (s.contains("project") && s["project"].is_string()) project = s["project"].get<std::string>();
  ws_.SetOptions(std::move(arguments), std::move(project));
  if (!ws_.RefusedOptions().empty()) {
    std::string words;
    for (const std::string& w : ws_.RefusedOptions()) words += " " + w;
    Notify("window/showMessage",
           {{"type", kSeverityWarning},
            {"message", "Quillon32: quillon32.arguments takes -t, -pj, -r, -a, -l, -i, -dp and -nofilecheck; left out:" +
                            words}});
  }
}

json Server::Initialize(const json& params) {
  if (params.contains("rootUri") && params["rootUri"].is_string())
    ws_.SetRoot(PathOf(params["rootUri"].get<std::string>()));
  else if (params.contains("rootPath") && params["rootPath"].is_string())
    ws_.SetRoot(params["rootPath"].get<std::string>());
  if (params.contains("initializationOptions")) Configure(params["initializationOptions"]);
  return {{"capabilities",
           {{"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
            {"completionProvider", {{"triggerCharacters", {" ", ":"}}}},
            {"hoverProvider", true},
            {"definitionProvider", true},
            {"referencesProvider", true},
            {"documentSymbolProvider", true}}},
          {"serverInfo", {{"name", "Quillon32Lsp"}, {"version", kVersion}}}};
}

std::string_view Server::LineText(const std::string& path, int line) {
  auto [found, added] = lines_.try_emplace(path);
  FileLines& file = found->second;
  if (added) {
    if (const std::string* open = ws_.Text(path)) file.text = *open;
    else if (ws_.ReadUtf8(path, file.read)) file.text = file.read;
    for (std::size_t at = file.text.find('\n'); at != std::string_view::npos; at = file.text.find('\n', at + 1))
      file.starts.push_back(at + 1);
  }
  if (line < 0 || static_cast<std::size_t>(line) > file.starts.size()) return {};
  const std::size_t start = line == 0 ? 0 : file.starts[static_cast<std::size_t>(line) - 1];
  // The line ends where the next one starts, its line feed before.
  const std::size_t end =
      static_cast<std::size_t>(line) < file.starts.size() ? file.starts[static_cast<std::size_t>(line)] - 1 : file.text.size();
  std::string_view out = file.text.substr(start, end - start);
  if (!out.empty() && out.back() == '\r') out.remove_suffix(1);
  return out;
}

std::vector<Word> Server::WordsAt(const std::string& path, int line) {
  std::string text;
  if (line < 0 || !ws_.ReadUtf8(path, text)) return {};
  return LineAt(text, line).words;
}

// The range of a report's place: its characters, or the line as a whole
// from its first word on.
LineSpan Server::SpanAt(const EditorPlace& p) {
  if (p.line <= 0) return {};
  const int line = p.line - 1;
  const std::string_view text = LineText(p.file, line);
  if (p.column <= 0) {
    const std::size_t first = text.find_first_not_of(" \t");
    const int start = first == std::string::npos ? 0 : Utf16Column(text, first);
    return {line, start, line, Utf16Column(text, text.size())};
  }
  const std::size_t from = static_cast<std::size_t>(p.column - 1);
  return {line, Utf16OfCharacters(text, from), line,
          Utf16OfCharacters(text, from + static_cast<std::size_t>(std::max(p.length, 1)))};
}

void Server::Publish(const std::string& path) {
  const CheckResult result = ws_.Check(path);
  if (result.project.empty()) {
    Notify("textDocument/publishDiagnostics", {{"uri", Uri(path)}, {"diagnostics", json::array()}});
    return;
  }
  std::map<std::string, std::string> byFile;  // upper-case path → diagnostics, as JSON text
  std::map<std::string, std::string> names;
  auto file = [&](const std::string& p) -> std::string& {
    const std::string key = UpperCase(p);
    names.emplace(key, p);
    return byFile[key];
  };
  // Every file that had diagnostics, and every open document of the
  // project, gets its list, empty when the run found nothing there.
  for (const std::string& p : published_[result.project]) file(p);
  for (const std::string& p : OpenDocumentsOf(result.project)) file(p);
  file(path);
  std::set<std::string> now;
  ++publications_;
  // Most reports name the file the one before named.
  std::string* list = nullptr;
  const std::string* listFile = nullptr;
  for (const EditorReport& r : result.reports) {
    const int severity = r.severity == Severity::Error     ? kSeverityError
                         : r.severity == Severity::Warning ? kSeverityWarning
                                                           : kSeverityInformation;
    if (!listFile || *listFile != r.at.file) {
      list = &file(r.at.file);
      listFile = &r.at.file;
      now.insert(r.at.file);
    }
    // Appended piece by piece: a project's thousands of reports each make
    // one.
    std::string& d = *list;
    d += d.empty() ? "{" : ",{";
    if (!r.tag.empty()) {
      d += "\"code\":";
      AppendJsonText(d, r.tag);
      d += ',';
    }
    d += "\"message\":";
    auto [text, fresh] = textJson_.try_emplace(r.text);
    if (fresh) AppendJsonText(text->second.json, r.text);
    text->second.used = publications_;
    d += text->second.json;
    d += ",\"range\":";
    AppendRange(d, SpanAt(r.at));
    // The notes and the report this one follows from, at their places.
    if (!r.related.empty()) {
      d += ",\"relatedInformation\":[";
      for (const auto& [at, text] : r.related) {
        if (d.back() != '[') d += ',';
        d += "{\"location\":{\"range\":";
        AppendRange(d, SpanAt(at));
        d += ",\"uri\":";
        AppendJsonText(d, Uri(at.file));
        d += "},\"message\":";
        AppendJsonText(d, text);
        d += '}';
      }
      d += ']';
    }
    d += ",\"severity\":";
    AppendNumber(d, severity);
    d += ",\"source\":\"Quillon32\"}";
  }
  // Each file's message framed as it is made: its list copied once.
  constexpr std::string_view kBefore =
      "{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/publishDiagnostics\",\"params\":{\"diagnostics\":[";
  constexpr std::string_view kUri = "],\"uri\":", kAfter = "}}";
  for (auto& [key, list] : byFile) {
    std::string uri;
    AppendJsonText(uri, Uri(names[key]));
    const std::size_t length = kBefore.size() + list.size() + kUri.size() + uri.size() + kAfter.size();
    std::string frame = FrameHeader(length);
    frame.reserve(frame.size() + length);
    frame += kBefore;
    frame += list;
    frame += kUri;
    frame += uri;
    frame += kAfter;
    write_(frame);
  }
  published_[result.project] = now;
  std::erase_if(textJson_, [this](const auto& entry) { return entry.second.used != publications_; });
}

Server::CursorWords Server::WordsBefore(const std::string& path, int line, int character) {
  CursorWords c;
  const std::string text(LineText(path, line));
  const std::string before = text.substr(0, ByteOffset(text, character));
  const std::size_t firstChar = before.find_first_not_of(" \t");
  if (firstChar != std::string::npos && before[firstChar] == ';') {
    c.comment = true;
    return c;
  }
  for (const Word& w : WordsAt(path, line))
    if (w.line < line || (w.line == line && w.start < character)) c.words.push_back(w);
  const bool partial = !c.words.empty() && c.words.back().line == line && c.words.back().end >= character &&
                       before.find(';') == std::string::npos;
  c.index = partial ? c.words.size() - 1 : c.words.size();
  c.from = partial ? c.words.back().textStart : character;
  if (partial) {
    const Word& w = c.words.back();
    c.typed = w.text.substr(0, ByteOffset(w.text, std::max(character - w.textStart, 0)));
  }
  return c;
}

json Server::Completion(const std::string& path, int line, int character) {
  json items = json::array();
  const FileKind kind = KindOfFile(path);
  const CursorWords cursor = WordsBefore(path, line, character);
  if (cursor.comment) return items;
  const std::vector<Word>& words = cursor.words;
  const std::size_t index = cursor.index;
  int from = cursor.from;
  const std::string& typed = cursor.typed;

  auto add = [&](const std::string& label, int itemKind, std::string_view detail, const std::string& insert) {
    json item = {{"label", label},
                 {"kind", itemKind},
                 {"textEdit", {{"range", Range(line, from, line, character)}, {"newText", insert}}}};
    if (!detail.empty()) item["detail"] = std::string(detail);
    items.push_back(item);
  };
  if (index == 0) {
    for (const VocabularyEntry* k : WordsOf(kind))
      if (BeginsLine(*k)) add(std::string(k->word), kCompletionKeyword, HelpLine(*k), std::string(k->word));
    return items;
  }
  if (kind != FileKind::Project) return items;
  const std::string first = UpperCase(words[0].text);
  const ProjectKeyword* keyword = LookupProjectKeyword(first);
  if (keyword && keyword->kind == KeywordKind::Softkey && keyword->source != SourceType::Tx && index == 1)
    return SourceFiles(path, first, typed, line, from, character);
  ProjectIndex project;
  auto names = [&](SymbolKind symbolKind, int itemKind, const std::string& prefix) {
    if (project.files.empty()) project = ws_.Index(path);
    for (const std::string& n : project.Names(symbolKind)) {
      const Symbol* def = project.FindDefinition(symbolKind, n);
      std::string detail = symbolKind == SymbolKind::Menu ? "menu" : "softkey";
      if (def && !def->keyword.empty()) detail += ": " + def->keyword + " " + def->source;
      add(prefix + n, itemKind, detail, prefix + n);
    }
  };
  if (keyword && keyword->kind == KeywordKind::MenuItem) {
    const bool target = keyword->item == MenuItemKind::Node || keyword->item == MenuItemKind::Goto;
    if (index == 1) {
      names(SymbolKind::Softkey, kCompletionVariable, "");
      return items;
    }
    if (index == 2 && target) {
      names(SymbolKind::Menu, kCompletionModule, "");
      return items;
    }
    // A parameter's value: menus, PLC symbols.
    const std::size_t colon = typed.find(':');
    if (colon != std::string::npos) {
      const std::string key = UpperCase(typed.substr(0, colon + 1));
      from += Utf16Column(typed, colon + 1);
      if (key == "POPUPMENU:") names(SymbolKind::Menu, kCompletionModule, "");
      if (key == "ENABLE:" || key == "STATUS:" || key == "HIDE:")
        for (const std::string& s : ws_.PlcSymbols()) add(s, kCompletionVariable, "PLC symbol", s);
      return items;
    }
    for (std::string_view p : ItemParameters(first)) {
      const VocabularyEntry* info = FindKeyword(kind, p, false);
      add(std::string(p), kCompletionProperty, info ? HelpLine(*info) : std::string(), std::string(p));
    }
    return items;
  }
  if (first == "SKMENU" && index >= 2) {
    for (const VocabularyEntry* k : WordsOf(kind))
      if (k->kind == WordKind::MenuAttribute) add(std::string(k->word), kCompletionProperty, HelpLine(*k), std::string(k->word));
    return items;
  }
  if (first == "#IF" || first == "#IFDEF" || first == "#IFNDEF")
    for (const std::string& d : ws_.DefineNames()) add(d, kCompletionConstant, "define", d);
  return items;
}

// The files a softkey line's source may name: those of its kind in the
// project's folder (or the folder typed so far, "bmx\"), and the folders
// there to go on into.
json Server::SourceFiles(const std::string& path, const std::string& keyword, const std::string& typed, int line,
                         int from, int character) {
  json items = json::array();
  const ProjectKeyword* word = LookupProjectKeyword(keyword);
  const SourceFormat* kinds = word ? &SourceFormatOf(word->source) : nullptr;
  const std::string project = ws_.ProjectOf(path);
  if (!kinds || typed.find('"') != std::string::npos) return items;
  const std::size_t slash = typed.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : typed.substr(0, slash + 1);
  const std::string base = HostParent(project.empty() ? path : project);
  const std::string directory = folder.empty() ? base : ws_.FullPathOf(folder, base);
  for (const DirectoryEntry& e : ws_.Entries(directory)) {
    bool fits = e.isDirectory;
    for (std::string_view extension : kinds->extensions)
      fits = fits || (!extension.empty() && EndsWithIgnoringCase(e.name, extension));
    if (!fits || e.name.find(' ') != std::string::npos) continue;
    const std::string insert = folder + e.name + (e.isDirectory ? "\\" : "");
    json item = {{"label", e.name + (e.isDirectory ? "\\" : "")},
                 {"kind", e.isDirectory ? kCompletionFolder : kCompletionFile},
                 {"filterText", insert},
                 {"textEdit", {{"range", Range(line, from, line, character)}, {"newText", insert}}}};
    items.push_back(item);
  }
  return items;
}

json Server::Hover(const std::string& path, int line, int character) {
  const FileKind kind = KindOfFile(path);
  const std::vector<Word> words = WordsAt(path, line);
  for (std::size_t i = 0; i < words.size(); ++i) {
    const Word& w = words[i];
    if (w.line != line || character < w.start || character > w.end) continue;
    std::string text;
    if (kind == FileKind::Project) {
      const ProjectIndex index = ws_.Index(path);
      const Symbol* s = index.At(path, line, character);
      auto picture = [&](const std::string& file, const std::string& caption) {
        if (EndsWithIgnoringCase(file, ".bmp") || EndsWithIgnoringCase(file, ".svg") ||
            EndsWithIgnoringCase(file, ".png"))
          text += "\n\n![" + caption + "](" + UriOf(file) + ")";
      };
      if (s && s->kind == SymbolKind::File) {
        text = "`" + s->name + "`";
        picture(s->name, w.text);
      } else if (s) {
        const Symbol* def = index.DefinitionOf(*s);
        text = "**" + s->name + "**: " + (s->kind == SymbolKind::Menu ? "menu" : "softkey");
        if (def) {
          if (!def->keyword.empty()) text += ", `" + def->keyword + " " + def->source + "`";
          text += " (" + def->at.file.substr(def->at.file.find_last_of("/\\") + 1) + ":" +
                  std::to_string(def->at.word.line + 1) + ")";
          // The picture where the editor can show it.
          picture(def->sourcePath, s->name);
        } else {
          text += ", defined nowhere in the project";
        }
      }
    }
    if (text.empty())
      if (const VocabularyEntry* k = FindKeyword(kind, w.text, i == 0)) text = HelpLine(*k);
    if (text.empty()) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", text}}}, {"range", RangeOf(w)}};
  }
  return nullptr;
}

json Server::Definition(const std::string& path, int line, int character) {
  const ProjectIndex index = ws_.Index(path);
  const Symbol* s = index.At(path, line, character);
  if (!s) return nullptr;
  if (s->kind == SymbolKind::File) return {{"uri", Uri(s->name)}, {"range", Range(0, 0, 0, 0)}};
  const Symbol* def = index.DefinitionOf(*s);
  return def ? Location(def->at) : json(nullptr);
}

json Server::References(const std::string& path, int line, int character, bool declaration) {
  json out = json::array();
  const ProjectIndex index = ws_.Index(path);
  const Symbol* s = index.At(path, line, character);
  if (!s) return out;
  for (const Symbol* r : index.ReferencesOf(*s))
    if (declaration || !r->definition) out.push_back(Location(r->at));
  return out;
}

json Server::Symbols(const std::string& path) {
  json out = json::array();
  const ProjectIndex index = ws_.Index(path);
  auto softkey = [](const Symbol& s) {
    return json{{"name", s.name}, {"detail", s.keyword + " " + s.source}, {"kind", kSymbolConstant},
                {"range", RangeOf(s.at.word)}, {"selectionRange", RangeOf(s.at.word)}};
  };
  std::vector<std::pair<int, int>> spans;
  for (const OutlineMenu& m : index.menus) {
    if (m.menu.at.file != path) continue;
    const int first = m.menu.at.word.line, last = m.endLine < 0 ? first : m.endLine;
    spans.push_back({first, last});
    json children = json::array();
    std::vector<std::pair<int, json>> lines;
    for (const OutlineItem& item : m.items)
      lines.push_back({item.at.word.line,
                       {{"name", item.keyword + " " + item.detail.substr(0, item.detail.find(' '))},
                        {"detail", item.detail},
                        {"kind", kSymbolField},
                        {"range", RangeOf(item.at.word)},
                        {"selectionRange", RangeOf(item.at.word)}}});
    for (const Symbol& s : index.symbols)
      if (s.definition && s.kind == SymbolKind::Softkey && s.at.file == path && s.at.word.line > first &&
          s.at.word.line < last)
        lines.push_back({s.at.word.line, softkey(s)});
    std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& l : lines) children.push_back(l.second);
    out.push_back({{"name", m.menu.name},
                   {"detail", "menu"},
                   {"kind", kSymbolModule},
                   {"range", Range(first, 0, last, 9)},
                   {"selectionRange", RangeOf(m.menu.at.word)},
                   {"children", children}});
  }
  // Softkeys outside every menu of the file.
  for (const Symbol& s : index.symbols) {
    if (!s.definition || s.kind != SymbolKind::Softkey || s.at.file != path) continue;
    bool inside = false;
    for (auto [a, b] : spans) inside = inside || (s.at.word.line > a && s.at.word.line < b);
    if (!inside) out.push_back(softkey(s));
  }
  for (json& included : IncludedMenus(path, index)) out.push_back(std::move(included));
  return out;
}

// The menus of the files the document includes, each under its #INCLUDE
// line: the outline is the document's, so they stand where the include does.
json Server::IncludedMenus(const std::string& path, const ProjectIndex& index) {
  json out = json::array();
  for (const Symbol& include : index.symbols) {
    if (include.kind != SymbolKind::File || include.at.file != path || include.name == path ||
        std::find(index.files.begin(), index.files.end(), include.name) == index.files.end())
      continue;
    const json range = RangeOf(include.at.word);
    json menus = json::array();
    for (const OutlineMenu& m : index.menus) {
      if (m.menu.at.file != include.name) continue;
      json items = json::array();
      for (const OutlineItem& item : m.items)
        items.push_back({{"name", item.keyword + " " + item.detail.substr(0, item.detail.find(' '))},
                         {"detail", item.detail},
                         {"kind", kSymbolField},
                         {"range", range},
                         {"selectionRange", range}});
      menus.push_back({{"name", m.menu.name},
                       {"detail", "menu, line " + std::to_string(m.menu.at.word.line + 1)},
                       {"kind", kSymbolModule},
                       {"range", range},
                       {"selectionRange", range},
                       {"children", items}});
    }
    out.push_back({{"name", include.at.word.text},
                   {"detail", "#INCLUDE"},
                   {"kind", kSymbolFile},
                   {"range", range},
                   {"selectionRange", range},
                   {"children", menus}});
  }
  return out;
}

bool Server::HandleBody(const std::string& body) {
  lines_.clear();
  const json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    Refuse(nullptr, kParseError, "the message is no JSON");
    return true;
  }
  return Handle(message);
}

bool Server::Handle(const json& message) {
  // What JSON-RPC takes for a message: an object whose id, where it has
  // one, is a number, a string or null, and whose method is a string.  A
  // message with a result or an error answers a request, and the server
  // sends none.
  if (!message.is_object()) {
    Refuse(nullptr, kInvalidRequest, "a message is a JSON object");
    return true;
  }
  const bool request = message.contains("id");
  const json id = request ? message["id"] : json(nullptr);
  if (request && !id.is_null() && !id.is_string() && !id.is_number_integer()) {
    Refuse(nullptr, kInvalidRequest, "a request's id is a number or a string");
    return true;
  }
  if (!message.contains("method")) {
    if (!request || (!message.contains("result") && !message.contains("error")))
      Refuse(id, kInvalidRequest, "a message without a method");
    return true;
  }
  if (!message["method"].is_string()) {
    Refuse(id, kInvalidRequest, "a message's method is a string");
    return true;
  }
  const std::string method = message["method"].get<std::string>();
  // The lifecycle: exit ends the server at any time; before initialize
  // every request is refused and every notification dropped, after
  // shutdown too.
  if (method == "exit") return false;
  if (phase_ != Phase::Running && !(phase_ == Phase::Starting && method == "initialize")) {
    if (request)
      Refuse(id, phase_ == Phase::Starting ? kServerNotInitialized : kInvalidRequest,
             phase_ == Phase::Starting ? "the server is not initialized: initialize comes first"
                                       : "the server has been shut down: only exit is taken");
    return true;
  }
  Dispatch(id, request, method, message.contains("params") ? message["params"] : json::object());
  return true;
}

void Server::Dispatch(const json& id, bool request, const std::string& method, const json& params) {
  // at() throws on a missing member, which answers the request with an
  // error instead of reading past the message.
  auto document = [&]() { return PathOf(params.at("textDocument").at("uri").get<std::string>()); };
  auto at = [&](int& line, int& character) {
    line = params.at("position").at("line").get<int>();
    character = params.at("position").at("character").get<int>();
  };
  int line = 0, character = 0;
  try {
    if (method == "initialize") {
      if (!request) return;
      if (phase_ == Phase::Running) {
        Refuse(id, kInvalidRequest, "initialize comes once");
        return;
      }
      Reply(id, Initialize(params));
      phase_ = Phase::Running;
    } else if (method == "shutdown") {
      phase_ = Phase::ShutDown;
      if (request) Reply(id, nullptr);
    } else if (method == "workspace/didChangeConfiguration") {
      Configure(params.value("settings", json::object()));
      for (const auto& [key, uri] : uris_)
        if (ws_.Text(PathOf(uri))) Publish(PathOf(uri));
    } else if (method == "textDocument/didOpen" || method == "textDocument/didChange") {
      const std::string uri = params.at("textDocument").at("uri").get<std::string>();
      const std::string path = PathOf(uri);
      const json& changes = params.contains("contentChanges") ? params.at("contentChanges") : json::array();
      if (method == "textDocument/didChange" && (!changes.is_array() || changes.empty())) return;
      // The server asks for the changed ranges alone (change 2): a change of
      // one word in a project of thousands of lines sends that word, not the
      // whole text again.  A change without a range is the whole text.
      std::string text;
      if (method == "textDocument/didOpen") {
        text = params.at("textDocument").at("text").get<std::string>();
      } else {
        if (const std::string* open = ws_.Text(path)) text = *open;
        for (const json& c : changes) {
          const std::string& changed = c.at("text").get_ref<const std::string&>();
          if (!c.contains("range")) {
            text = changed;
            continue;
          }
          const json& range = c.at("range");
          auto offset = [&](const char* end) {
            return TextOffset(text, range.at(end).at("line").get<int>(), range.at(end).at("character").get<int>());
          };
          const std::size_t from = offset("start");
          text.replace(from, std::max(offset("end"), from) - from, changed);
        }
      }
      uris_[UpperCase(path)] = uri;
      ws_.Put(path, text);
      Publish(path);
      LogRun();
    } else if (method == "textDocument/didSave") {
      Publish(document());
    } else if (method == "textDocument/didClose") {
      Close(document());
    } else if (method == "textDocument/completion") {
      at(line, character);
      Reply(id, Completion(document(), line, character));
    } else if (method == "textDocument/hover") {
      at(line, character);
      Reply(id, Hover(document(), line, character));
    } else if (method == "textDocument/definition") {
      at(line, character);
      Reply(id, Definition(document(), line, character));
    } else if (method == "textDocument/references") {
      at(line, character);
      const bool declaration = params.contains("context") && params["context"].value("includeDeclaration", true);
      Reply(id, References(document(), line, character, declaration));
    } else if (method == "textDocument/documentSymbol") {
      Reply(id, Symbols(document()));
    } else if (request) {
      Refuse(id, kMethodNotFound, "no method " + method);
    }
  } catch (const json::exception& e) {
    if (request) Refuse(id, kInvalidParams, e.what());
  }
}

// What the last run converted, in the server's log (the editor's output
// of the server): a large project's check is as quick as the sources that
// changed since the last one.
void Server::LogRun() {
  const CheckResult& run = ws_.LastRun();
  if (run.project.empty()) return;
  Notify("window/logMessage",
         {{"type", kMessageLog},
          {"message", run.project.substr(run.project.find_last_of("/\\") + 1) + ": " + std::to_string(run.converted) +
                          " sources converted, " + std::to_string(run.taken) + " unchanged since the last run"}});
}

// The open documents a project's run checks: the project, its includes,
// its sources, as ProjectOf finds their project.
std::vector<std::string> Server::OpenDocumentsOf(const std::string& project) {
  std::vector<std::string> open;
  for (const auto& [key, uri] : uris_) {
    const std::string path = PathOf(uri);
    if (ws_.Text(path) && ws_.ProjectOf(path) == project) open.push_back(path);
  }
  return open;
}

// A document closed without saving goes back to its file: the project is
// checked again on what is saved, so that the diagnostics of the unsaved
// text do not stay.
void Server::Close(const std::string& path) {
  if (!ws_.Text(path)) return;
  ws_.Drop(path);
  Publish(path);
  LogRun();
}

}  // namespace

int ServeLanguage(FileSystem& host, const std::string& programDir, FrameReader::ReadBytes read, MessageWriter write,
                  MessageWriter log) {
  Server server(host, programDir, std::move(write));
  FrameReader frames(std::move(read));
  std::string body, why;
  for (;;) {
    switch (frames.Next(body, why)) {
      case FrameReader::Frame::Message:
        if (!server.HandleBody(body)) return server.ExitStatus();
        break;
      case FrameReader::Frame::End:
        return server.ExitStatus();
      case FrameReader::Frame::Broken:
        // Said where editors show the server's log; the stream cannot be
        // followed past it.
        log("Quillon32Lsp: " + why + "; the server ends\n");
        return server.ExitStatus();
    }
  }
}

}  // namespace q32
