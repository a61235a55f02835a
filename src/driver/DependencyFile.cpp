#include "driver/DependencyFile.h"

#include "platform/HostPath.h"

namespace q32 {
namespace {

// A name as the build file in the starting directory writes it: relative
// below that directory, full elsewhere; "/" separates on every host.
std::string BuildName(std::string_view full, std::string_view start) {
  std::string_view name = full;
  std::string base(start);
  if (!base.empty() && base.back() != HostPathSeparator()) base += HostPathSeparator();
  if (name.size() > base.size() && name.substr(0, base.size()) == base) name.remove_prefix(base.size());
  std::string out;
  for (char c : name) {
    if (c == '\\' && HostPathSeparator() == '\\') c = '/';
    if (c == ' ' || c == '#') out += '\\';
    else if (c == '$') out += '$';
    out += c;
  }
  return out;
}

void AppendWords(std::string& out, const std::vector<std::string>& paths, std::string_view start) {
  for (const std::string& path : paths) out += " \\\n  " + BuildName(path, start);
}

}  // namespace

std::string DependencyRules(const std::vector<std::string>& targets, const std::vector<std::string>& prerequisites,
                            std::string_view start) {
  std::string out;
  if (targets.empty()) return out;
  for (std::size_t i = 0; i < targets.size(); ++i) out += (i ? " \\\n" : "") + BuildName(targets[i], start);
  out += ":";
  AppendWords(out, prerequisites, start);
  out += "\n\n";
  for (const std::string& path : prerequisites) out += BuildName(path, start) + ":\n";
  return out;
}

}  // namespace q32
