#include "platform/HostPath.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace q32 {

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
  std::size_t end = path.find_first_of("\\/");
  std::string_view first = path.substr(0, end);
  return first.find(':') != std::string_view::npos;
}

bool FullHostPath(std::string_view path, const std::string& cwd, std::string& out) {
  if (path.empty()) return false;
  const bool drive = HasForeignRoot(path);
  const char sep = drive ? '\\' : '/';
  std::string joined;
  const bool absolute = path[0] == '/' || path[0] == '\\';
  if (!drive && !absolute) {
    joined.reserve(cwd.size() + 1 + path.size());
    joined = cwd;
    joined += '/';
  }
  joined.append(path);
  const bool trailing = joined.back() == '/' || joined.back() == '\\';
  // The components as views of the joined path, "." and ".." resolved in
  // place: every file a run opens passes here, some of them several times.
  std::vector<std::string_view> stack;
  std::string prefix;
  bool first = true;
  for (std::size_t at = 0; at < joined.size();) {
    const std::size_t end = std::min(joined.find_first_of("\\/", at), joined.size());
    const std::string_view part(joined.data() + at, end - at);
    at = end + 1;
    if (part.empty()) continue;
    if (drive && first) {
      first = false;
      // \\server, or C: or PLC:
      prefix = joined.size() >= 2 && (joined[1] == '\\' || joined[1] == '/') ? "\\\\" + std::string(part)
                                                                             : std::string(part);
      continue;
    }
    first = false;
    if (part == ".") continue;
    if (part == "..") {
      if (!stack.empty()) stack.pop_back();
      continue;
    }
    stack.push_back(part);
  }
  out = drive ? prefix : std::string();
  for (const std::string_view p : stack) {
    out += sep;
    out += p;
  }
  if (out.empty() || out == prefix) out += sep;
  else if (trailing) out += sep;
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
  std::string out;
  if (full.size() >= 2 && IsSeparator(full[0]) && IsSeparator(full[1])) out = "/UNC";
  else if (full.empty() || !IsSeparator(full[0])) out = "/";
  for (char c : full) {
    const char d = IsSeparator(c) ? '/' : c;
    if (!(d == '/' && !out.empty() && out.back() == '/')) out += d;
  }
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace q32
