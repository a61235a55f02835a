#include "diag/Sarif.h"

#include <map>
#include <vector>

#include "diag/Diagnostics.h"
#include "text/Encoding.h"
#include "text/Format.h"

namespace q32 {
namespace {

// A JSON string of Windows-1252 text.
std::string Json(std::string_view ansi) {
  std::string out = "\"";
  for (unsigned char c : Cp1252ToUtf8(ansi)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) out += Format("\\u%04x", c);
        else out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

const char* Level(Severity s) {
  switch (s) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: break;
  }
  return "note";
}

// The catalogue's text of a tag's number, without the tag and the place of
// the argument: the rule's description.
std::string RuleText(Diagnostics& d, const std::string& tag) {
  if (tag == "note") return "A further place of the report before it";
  const int number = std::stoi(tag.substr(1)) * (tag[0] == 'W' ? -1 : 1);
  std::string text;
  if (!LookupMessage(d, number, text)) return tag;
  if (text.compare(0, tag.size() + 2, tag + ": ") == 0) text.erase(0, tag.size() + 2);
  const std::size_t at = text.find("%s");
  if (at != std::string::npos) {
    std::size_t from = at >= 2 && text.compare(at - 2, 2, ": ") == 0 ? at - 2 : at;
    text.erase(from, at + 2 - from);
  }
  return text;
}

// The rule of a note that stands on its own.
constexpr const char* kNoteRule = "note";

std::string PhysicalLocation(const ReportRecord& r) {
  std::string out = "\"physicalLocation\": {\"artifactLocation\": {\"uri\": " + Json(FileUri(r.fullPath)) + "}";
  if (r.line != 0) out += ", \"region\": {\"startLine\": " + std::to_string(r.line) + "}";
  return out + "}";
}

}  // namespace

std::string FileUri(std::string_view fullPath) {
  std::string path = Cp1252ToUtf8(fullPath);
  for (char& c : path)
    if (c == '\\') c = '/';
  std::string out = path.size() > 1 && path[1] == ':' ? "file:///" : path.rfind("//", 0) == 0 ? "file:" : "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~' || c == ':';
    out += plain ? std::string(1, static_cast<char>(c)) : Format("%%%02X", c);
  }
  return out;
}

std::string SarifLog(Diagnostics& d, std::string_view toolName, std::string_view toolVersion) {
  // A note that gives a report a second place becomes a related location of
  // that report's result; every other report is a result of its own.
  std::vector<std::size_t> results;
  std::vector<std::vector<std::size_t>> related;
  for (std::size_t i = 0; i < d.reports.size(); ++i) {
    if (d.reports[i].related && !results.empty()) {
      related.back().push_back(i);
    } else {
      results.push_back(i);
      related.emplace_back();
    }
  }
  std::map<std::string, std::size_t> ruleIndex;
  std::vector<std::string> rules;
  for (std::size_t i : results) {
    const std::string& tag = d.reports[i].tag.empty() ? std::string(kNoteRule) : d.reports[i].tag;
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
  out += "        }\n      },\n      \"results\": [";
  for (std::size_t n = 0; n < results.size(); ++n) {
    const ReportRecord& r = d.reports[results[n]];
    const std::string& tag = r.tag.empty() ? std::string(kNoteRule) : r.tag;
    out += std::string(n ? "," : "") + "\n        {\"ruleId\": " + Json(tag) +
           ", \"ruleIndex\": " + std::to_string(ruleIndex[tag]) + ", \"level\": \"" + Level(r.severity) +
           "\", \"message\": {\"text\": " + Json(r.text) + "}";
    if (!r.file.empty()) out += ", \"locations\": [{" + PhysicalLocation(r) + "}]";
    if (!related[n].empty()) {
      out += ", \"relatedLocations\": [";
      for (std::size_t k = 0; k < related[n].size(); ++k) {
        const ReportRecord& note = d.reports[related[n][k]];
        out += std::string(k ? ", " : "") + "{\"id\": " + std::to_string(k) + ", \"message\": {\"text\": " +
               Json(note.text) + "}" + (note.file.empty() ? "" : ", " + PhysicalLocation(note)) + "}";
      }
      out += "]";
    }
    out += "}";
  }
  out += results.empty() ? "]\n" : "\n      ]\n";
  out += "    }\n  ]\n}\n";
  return out;
}

}  // namespace q32
