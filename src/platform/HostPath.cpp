#include "platform/HostPath.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace q32 {
namespace {

// Where the next separator of either kind lies from `at` on (the path's
// size when none): one pass over the characters, where find_first_of would
// search the set of separators once for every character.
std::size_t NextSeparator(std::string_view path, std::size_t at) {
  while (at < path.size() && path[at] != '/' && path[at] != '\\') ++at;
  return at;
}

}  // namespace

std::vector<std::string> PathComponents(std::string_view path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (c == '/' || c == '\\') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

bool HasForeignRoot(std::string_view path) {
  if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/'))
    return true;
  std::string_view first = path.substr(0, NextSeparator(path, 0));
  return first.find(':') != std::string_view::npos;
}

bool FullHostPath(std::string_view path, const std::string& cwd, std::string& out) {
  if (path.empty()) return false;
  const bool drive = HasForeignRoot(path);
  const char sep = drive ? '\\' : '/';
  const bool absolute = path[0] == '/' || path[0] == '\\';
  const bool trailing = path.back() == '/' || path.back() == '\\';
  // The components appended as they come, "." and ".." resolved in place:
  // every file a run opens passes here, some of them several times.  The
  // path may be a view of out: the result is made apart.
  std::string full;
  full.reserve(cwd.size() + 1 + path.size());
  std::size_t root = 0;  // \\server, or C: or PLC:, which ".." does not climb above
  bool first = drive;
  auto take = [&](std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = NextSeparator(text, at);
      const std::string_view part = text.substr(at, end - at);
      at = end + 1;
      if (part.empty()) continue;
      if (first) {
        first = false;
        if (text.size() >= 2 && (text[1] == '\\' || text[1] == '/')) full = "\\\\";
        full += part;
        root = full.size();
        continue;
      }
      if (part == ".") continue;
      if (part == "..") {
        if (full.size() > root) full.resize(full.rfind(sep));
        continue;
      }
      full += sep;
      full += part;
    }
  };
  if (!drive && !absolute) take(cwd);
  take(path);
  if (full.size() == root || trailing) full += sep;
  out = std::move(full);
  return true;
}

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

std::string HostParent(std::string_view full) {
  const std::size_t root = HostRootLength(full);
  std::size_t end = full.size();
  while (end > root && IsSeparator(full[end - 1])) --end;
  while (end > root && !IsSeparator(full[end - 1])) --end;
  while (end > root && IsSeparator(full[end - 1])) --end;
  return std::string(full.substr(0, end));
}

std::string HostJoin(std::string_view directory, std::string_view name) {
  std::string out(directory);
  if (out.empty() || !IsSeparator(out.back())) out += HostPathSeparator();
  out.append(name);
  return out;
}

std::string InMemoryForm(std::string_view full) {
  // Every file an overlaid run opens or asks about passes here, some of them
  // several times: the characters between separators go in a run at a time.
  std::string out;
  out.reserve(full.size() + 4);
  if (full.size() >= 2 && IsSeparator(full[0]) && IsSeparator(full[1])) out = "/UNC";
  else if (full.empty() || !IsSeparator(full[0])) out = "/";
  for (std::size_t at = 0; at < full.size();) {
    if (IsSeparator(full[at])) {
      if (out.empty() || out.back() != '/') out += '/';
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < full.size() && !IsSeparator(full[end])) ++end;
    out.append(full, at, end - at);
    at = end;
  }
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace q32
