#include "paths/Paths.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "text/Ascii.h"

namespace q32 {

namespace {

// A copy cut to what a path buffer holds.
std::string PathCopy(std::string_view text) {
  return std::string(text.substr(0, std::min(text.size(), kMaxPathLength)));
}

// The classic split of a local path: a drive is one character and a colon at
// the very start; the directory runs up to and including the last separator;
// the extension starts at the last dot of the remaining name.
PathParts SplitLocal(std::string_view path) {
  PathParts parts;
  if (path.size() >= 2 && path[1] == ':') {
    parts.drive.assign(path.substr(0, 2));
    path.remove_prefix(2);
  }
  std::size_t nameStart = 0;
  std::size_t dot = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\' || path[i] == '/')
      nameStart = i + 1;
    else if (path[i] == '.')
      dot = i;
  }
  parts.dir.assign(path.substr(0, nameStart));
  if (dot != std::string_view::npos && dot >= nameStart) {
    parts.name.assign(path.substr(nameStart, dot - nameStart));
    parts.ext.assign(path.substr(dot));
  } else {
    parts.name.assign(path.substr(nameStart));
  }
  return parts;
}

// A drive of more than one letter (PLC:) is not found by the classic split;
// it stays at the front of the directory part.  Move it to the drive.
void TakeLongDrive(std::string_view path, PathParts& parts) {
  if (!parts.drive.empty() || path.find(':') == std::string_view::npos) return;
  parts.drive = DriveOf(path);
  parts.dir.erase(0, std::min(parts.drive.size(), parts.dir.size()));
}

// The non-empty components of a directory part.
std::vector<std::string_view> Components(std::string_view dir) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  while (start <= dir.size()) {
    std::size_t end = dir.find('\\', start);
    if (end == std::string_view::npos) end = dir.size();
    if (end > start) out.push_back(dir.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

}  // namespace

void ToBackslashes(std::string& path) { std::replace(path.begin(), path.end(), '/', '\\'); }

std::size_t ExtensionOf(std::string_view path) {
  std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return path.size();
  if (path.find('\\', dot) != std::string_view::npos) return path.size();
  return dot;
}

std::string& ReplaceExtension(std::string& path, std::string_view ext) {
  std::size_t at = ExtensionOf(path);
  if (at + ext.size() > kMaxPathLength) {
    path.clear();
    return path;
  }
  path.resize(at);
  path.append(ext);
  return path;
}

std::string DirectoryOf(std::string_view path) {
  std::string out = PathCopy(path);
  ToBackslashes(out);
  std::size_t cut = out.rfind('\\');
  if (cut == std::string::npos) cut = out.rfind(':');
  if (cut == std::string::npos) return std::string();
  out.resize(cut + 1);
  return out;
}

std::string DriveOf(std::string_view path) {
  std::size_t colon = path.find(':');
  if (colon == std::string_view::npos) return std::string();
  return std::string(path.substr(0, colon + 1));
}

std::size_t FileNameOffset(std::string_view path) {
  // One look back for the last separator (asked for every softkey line).
  std::size_t separator = std::string_view::npos;
  for (std::size_t i = path.size(); i-- > 0;)
    if (path[i] == '\\' || path[i] == '/') {
      separator = i;
      break;
    }
  std::size_t colon = path.find(':');
  if (colon != std::string_view::npos &&
      (separator == std::string_view::npos || colon > separator))
    return colon + 1;
  if (separator != std::string_view::npos) return separator + 1;
  return 0;
}

std::string_view FileNameOf(std::string_view path) { return path.substr(FileNameOffset(path)); }

std::string ExpandVariables(std::string_view in, std::size_t size) {
  if (in.size() >= size) return std::string();
  std::string work(in);
  if (work.find('%') == std::string::npos) return work;
  std::size_t scan = 0;
  for (;;) {
    std::size_t open = work.find('%', scan);
    if (open == std::string::npos) break;
    std::size_t close = work.find('%', open + 1);
    if (close == std::string::npos) break;
    std::string name = work.substr(open + 1, close - open - 1);
    std::optional<std::string> value = EnvironmentVariable(name);
    // An undefined variable stays as written, percent signs included.
    std::string inserted = value ? *value : work.substr(open, close - open + 1);
    if (open + inserted.size() + (work.size() - close - 1) >= size) return std::string();
    work.replace(open, close - open + 1, inserted);
    // The inserted text is never expanded again.
    scan = open + inserted.size();
  }
  return work;
}

void CollapseDotDot(std::string& path) {
  for (;;) {
    std::size_t up = path.find("\\..\\");
    if (up == std::string::npos || up == 0) return;
    std::size_t start;
    if (path[up - 1] == '\\') {
      start = up - 1;
    } else {
      start = path.rfind('\\', up - 1);
      if (start == std::string::npos) return;
    }
    path.erase(start, up + 3 - start);
  }
}

void MakeAbsolute(std::string& path, std::string_view base, bool expand) {
  std::string p = PathCopy(path);
  std::string b = PathCopy(base);
  if (expand) {
    p = ExpandVariables(p);
    b = ExpandVariables(b);
  }
  ToBackslashes(p);
  ToBackslashes(b);
  if (!b.empty() && (p.empty() || p[0] != '\\') && p.find(':') == std::string::npos) {
    std::string joined = b;
    if (joined.back() != '\\') joined += '\\';
    joined += p;
    p = std::move(joined);
  }
  if (p.size() > kMaxPathLength) p.clear();
  CollapseDotDot(p);
  path = std::move(p);
}

PathParts SplitPath(std::string_view path) {
  if (path.size() >= 5 && path[0] == '\\' && path[1] == '\\') {
    std::size_t share = path.find('\\', 2);
    if (share != std::string_view::npos) {
      PathParts parts = SplitLocal(path.substr(share));
      parts.drive.assign(path.substr(0, share));
      return parts;
    }
  }
  return SplitLocal(path);
}

void MakeRelative(std::string_view base, std::string& path, bool expand) {
  std::string b = PathCopy(base);
  if (expand) {
    b = ExpandVariables(b);
    path = ExpandVariables(PathCopy(path));
  }
  ToBackslashes(b);
  ToBackslashes(path);
  // With "*.*" behind it the whole base splits as a directory.
  if (base.empty() || base.back() != '\\') b += '\\';
  b += "*.*";

  PathParts bp = SplitPath(b);
  PathParts pp = SplitPath(path);
  TakeLongDrive(b, bp);
  TakeLongDrive(path, pp);

  if (!pp.drive.empty() && !EqualsIgnoringCase(pp.drive, bp.drive)) return;
  if (pp.dir.empty() || (pp.dir[0] != '\\' && pp.dir[0] != '%')) return;
  if (EqualsIgnoringCase(pp.dir, bp.dir)) {
    path = pp.name + pp.ext;
    return;
  }
  std::vector<std::string_view> pc = Components(pp.dir);
  std::vector<std::string_view> bc = Components(bp.dir);
  std::size_t common = 0;
  std::size_t limit = std::min(pc.size(), bc.size());
  while (common < limit && EqualsIgnoringCase(pc[common], bc[common])) ++common;

  std::string out;
  for (std::size_t i = common; i < bc.size(); ++i) out += "..\\";
  for (std::size_t i = common; i < pc.size(); ++i) {
    out += pc[i];
    out += '\\';
  }
  out += pp.name;
  out += pp.ext;
  if (out.size() > kMaxPathLength) out.clear();
  path = std::move(out);
}

bool FileExists(FileSystem& fs, std::string_view path) { return fs.Exists(path); }

void SetBaseDirectory(PathContext& context, std::string_view dir) {
  context.baseDirectory = PathCopy(dir);
}

std::string DisplayPath(const PathContext& context, std::string_view in, bool expand) {
  if (context.baseDirectory.empty()) return std::string(in);
  std::string out;
  // Without a full path (no file system, or a name the host cannot place, or
  // one too long for a path buffer) the name is shown as given.
  if (!context.fs || !context.fs->FullPath(in, out) || out.size() > kMaxPathLength)
    out.assign(in);
  MakeRelative(context.baseDirectory, out, expand);
  return out;
}

// Creates the missing directories of a path from its drive downward; a
// directory that cannot be created ends the creating.
void MakeOutputDirectories(FileSystem& fs, std::string_view path) {
  std::string dir = DirectoryOf(path);
  std::size_t skipComponents = 0;
  std::size_t start = 0;
  if (dir.size() >= 2 && dir[0] == '\\' && dir[1] == '\\') {
    skipComponents = 2;  // \\server\share is no directory to create
    start = 2;
  }
  for (std::size_t at = dir.find('\\', start); at != std::string::npos; at = dir.find('\\', at + 1)) {
    std::size_t previous = at == 0 ? std::string::npos : dir.rfind('\\', at - 1);
    std::string_view component =
        std::string_view(dir).substr(previous == std::string::npos ? 0 : previous + 1,
                                     at - (previous == std::string::npos ? 0 : previous + 1));
    if (component.empty()) continue;
    if (skipComponents > 0) {
      --skipComponents;
      continue;
    }
    if (component.back() == ':') continue;  // a drive
    std::string_view prefix = std::string_view(dir).substr(0, at);
    if (fs.Exists(prefix)) continue;
    if (!fs.MakeDirectory(prefix)) return;
  }
}

}  // namespace q32
