#include "platform/HostPath.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace q32 {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::vector<std::string> Components(std::string_view path) {
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

bool Exists(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0;
}

// The name in directory dir that equals want without regard to case.
bool FindIgnoringCase(const std::string& dir, const std::string& want, std::string& found) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  std::vector<std::string> matches;
  while (dirent* e = readdir(d)) {
    if (SameIgnoringCase(e->d_name, want)) matches.emplace_back(e->d_name);
  }
  closedir(d);
  if (matches.empty()) return false;
  std::sort(matches.begin(), matches.end());
  found = matches.front();
  return true;
}

}  // namespace

bool HasForeignRoot(std::string_view path) {
  if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/'))
    return true;
  std::size_t end = path.find_first_of("\\/");
  std::string_view first = path.substr(0, end);
  return first.find(':') != std::string_view::npos;
}

bool HostPathOf(std::string_view path, std::string& host) {
  if (path.empty() || HasForeignRoot(path)) return false;
  std::string direct(path);
  std::replace(direct.begin(), direct.end(), '\\', '/');
  if (Exists(direct)) {
    host = direct;
    return true;
  }
  bool absolute = direct[0] == '/';
  std::string built = absolute ? "/" : "";
  bool matching = true;
  auto parts = Components(direct);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    std::string candidate = built + part;
    std::string found;
    if (matching && part != "." && part != ".." && !Exists(candidate) &&
        FindIgnoringCase(built, part, found)) {
      candidate = built + found;
    } else if (matching && !Exists(candidate)) {
      matching = false;
    }
    built = candidate;
    if (i + 1 < parts.size()) built += '/';
  }
  if (!direct.empty() && direct.back() == '/' && !built.empty() && built.back() != '/') built += '/';
  if (built.empty()) built = absolute ? "/" : ".";
  host = built;
  return true;
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
  auto parts = Components(joined);
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

}  // namespace q32
