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
  bool drive = HasForeignRoot(path);
  char sep = drive ? '\\' : '/';
  std::string joined;
  bool absolute = path[0] == '/' || path[0] == '\\';
  if (!drive && !absolute) {
    joined = cwd;
    joined += '/';
  }
  joined.append(path);
  bool trailing = joined.back() == '/' || joined.back() == '\\';
  std::vector<std::string> stack;
  std::string prefix;
  auto parts = PathComponents(joined);
  std::size_t start = 0;
  if (drive) {
    if (joined.size() >= 2 && (joined[1] == '\\' || joined[1] == '/') && !parts.empty()) {
      prefix = "\\\\" + parts[0];  // \\server
    } else if (!parts.empty()) {
      prefix = parts[0];  // C: or PLC:
    }
    start = 1;
  }
  for (std::size_t i = start; i < parts.size(); ++i) {
    if (parts[i] == ".") continue;
    if (parts[i] == "..") {
      if (!stack.empty()) stack.pop_back();
      continue;
    }
    stack.push_back(parts[i]);
  }
  out = prefix;
  if (!drive) out.clear();
  for (const auto& p : stack) {
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
