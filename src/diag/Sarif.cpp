#include "diag/Sarif.h"

#include <map>
#include <vector>

#include "diag/Diagnostics.h"
#include "platform/Host.h"
#include "text/Encoding.h"
#include "text/Format.h"

namespace q32 {
namespace {

// The base the log names the start directory by.
constexpr const char* kSourceRoot = "%SRCROOT%";

// A JSON string of Windows-1252 text.
std::string Json(std::string_view ansi) { return JsonString(Cp1252ToUtf8(ansi)); }

// A host name's characters in UTF-8: the wide name Windows keeps (the
// program's Windows-1252 name converted), the bytes a POSIX host keeps.
std::string HostUtf8(std::string_view hostName) {
  return kWindowsHost ? Cp1252ToUtf8(hostName) : std::string(hostName);
}

// The UTF-8 bytes of a path percent-encoded, "/" between its names; a
// drive's colon stays.
std::string Encoded(std::string_view utf8, bool drive) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || c == '.' || c == '~' || c == '/' || (drive && i == 1 && c == ':');
    if (c == '\\') out += '/';
    else out += plain ? std::string(1, static_cast<char>(c)) : Format("%%%02X", c);
  }
  return out;
}

// The catalogue's text of a tag's number, without the tag and the place of
// the argument: the rule's description.
std::string RuleText(Diagnostics& d, const std::string& tag) {
  if (tag == "note") return "A note: a place the run points at without counting it";
  const int number = std::stoi(tag.substr(1)) * (tag[0] == 'W' ? -1 : 1);
  std::string text;
  if (!LookupMessage(d, number, text)) return tag;
  if (text.compare(0, tag.size() + 2, tag + ": ") == 0) text.erase(0, tag.size() + 2);
  return WithArgument(text, {});
}

// The rule of a note that stands on its own.
constexpr const char* kNoteRule = "note";

class Writer {
 public:
  explicit Writer(const Diagnostics& d) {
    base_ = d.startDirectory;
    if (!base_.empty() && base_.back() != '/' && base_.back() != '\\') base_ += kWindowsHost ? '\\' : '/';
  }

  std::string BaseUri() const { return FileUri(base_); }

  std::string Location(const SourceSpan& at) const {
    std::string out = "\"physicalLocation\": {\"artifactLocation\": {";
    const std::string& full = at.fullPath.empty() ? at.file : at.fullPath;
    if (!base_.empty() && full.size() > base_.size() && full.compare(0, base_.size(), base_) == 0)
      out += "\"uri\": " + Json(Encoded(HostUtf8(std::string_view(full).substr(base_.size())), false)) +
             ", \"uriBaseId\": \"" + kSourceRoot + "\"}";
    else
      out += "\"uri\": " + Json(FileUri(full)) + "}";
    if (at.line != 0) {
      out += ", \"region\": {\"startLine\": " + std::to_string(at.line);
      if (at.column != 0)
        out += ", \"startColumn\": " + std::to_string(at.column) +
               ", \"endColumn\": " + std::to_string(at.column + (at.length == 0 ? 1 : at.length));
      out += "}";
    }
    return out + "}";
  }

 private:
  std::string base_;
};

}  // namespace

std::string FileUri(std::string_view hostName) {
  const std::string path = HostUtf8(hostName);
  const bool drive = path.size() > 1 && path[1] == ':';
  const bool share = path.rfind("\\\\", 0) == 0 || path.rfind("//", 0) == 0;
  return std::string(drive ? "file:///" : share ? "file:" : "file://") + Encoded(path, drive);
}

std::string SarifLog(Diagnostics& d, std::string_view toolName, std::string_view toolVersion) {
  const Writer w(d);
  std::map<std::string, std::size_t> ruleIndex;
  std::vector<std::string> rules;
  for (const Diagnostic& r : d.kept) {
    const std::string& tag = r.tag.empty() ? std::string(kNoteRule) : r.tag;
    if (ruleIndex.emplace(tag, rules.size()).second) rules.push_back(tag);
  }
  std::string out = "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n"
                    "  \"version\": \"2.1.0\",\n  \"runs\": [\n    {\n      \"tool\": {\n        \"driver\": {\n";
  out += "          \"name\": " + Json(toolName) + ",\n          \"version\": " + Json(toolVersion) + ",\n";
  out += "          \"rules\": [";
  for (std::size_t i = 0; i < rules.size(); ++i)
    out += std::string(i ? "," : "") + "\n            {\"id\": " + Json(rules[i]) +
           ", \"shortDescription\": {\"text\": " + Json(RuleText(d, rules[i])) + "}}";
  out += rules.empty() ? "]\n" : "\n          ]\n";
  out += "        }\n      },\n";
  // Columns count characters, as an editor shows them.
  out += "      \"columnKind\": \"unicodeCodePoints\",\n";
  if (!d.startDirectory.empty())
    out += std::string("      \"originalUriBaseIds\": {\"") + kSourceRoot + "\": {\"uri\": " + Json(w.BaseUri()) + "}},\n";
  out += "      \"results\": [";
  for (std::size_t n = 0; n < d.kept.size(); ++n) {
    const Diagnostic& r = d.kept[n];
    const std::string& tag = r.tag.empty() ? std::string(kNoteRule) : r.tag;
    out += std::string(n ? "," : "") + "\n        {\"ruleId\": " + Json(tag) +
           ", \"ruleIndex\": " + std::to_string(ruleIndex[tag]) + ", \"level\": \"" + SeverityWord(r.severity) +
           "\", \"message\": {\"text\": " + Json(r.text) + "}";
    if (!r.at.file.empty()) out += ", \"locations\": [{" + w.Location(r.at) + "}]";
    std::vector<std::string> related;
    for (const RelatedSpan* note : ShownNotes(d, r))
      related.push_back("\"message\": {\"text\": " + Json(note->text) + "}" +
                        (note->at.file.empty() ? "" : ", " + w.Location(note->at)));
    if (r.cause >= 0 && static_cast<std::size_t>(r.cause) < d.kept.size()) {
      const Diagnostic& cause = d.kept[static_cast<std::size_t>(r.cause)];
      related.push_back("\"message\": {\"text\": " + Json("follows from: " + cause.text) + "}" +
                        (cause.at.file.empty() ? "" : ", " + w.Location(cause.at)));
    }
    if (!related.empty()) {
      out += ", \"relatedLocations\": [";
      for (std::size_t k = 0; k < related.size(); ++k)
        out += std::string(k ? ", " : "") + "{\"id\": " + std::to_string(k) + ", " + related[k] + "}";
      out += "]";
    }
    out += "}";
  }
  out += d.kept.empty() ? "]\n" : "\n      ]\n";
  out += "    }\n  ]\n}\n";
  return out;
}

}  // namespace q32
