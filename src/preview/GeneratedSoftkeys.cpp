#include "preview/GeneratedSoftkeys.h"

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "checks/Collector.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "text/Ascii.h"

namespace q32 {
namespace {

// How far below the project the folders are searched: far enough for a
// project's own tree, and a bound where links lead round in a circle.
constexpr int kMaxFolderDepth = 8;

// The files in the project's folders (not the project's directory itself)
// by their upper-case name: the first one met, nearest folders first, each
// folder in name order.
class FolderIndex {
 public:
  FolderIndex(FileSystem& host, std::string projectDir) : host_(host), projectDir_(std::move(projectDir)) {}

  // The full path of a file of that name, or empty.
  std::string Find(std::string_view name) {
    if (!listed_) List();
    auto it = files_.find(UpperCase(name));
    return it == files_.end() ? std::string() : it->second;
  }

 private:
  // Listed once, when the first name is looked for there: a project whose
  // softkeys all lie beside it is never searched.
  void List() {
    listed_ = true;
    std::vector<std::string> level{projectDir_};
    std::vector<DirectoryEntry> entries;
    for (int depth = 0; depth <= kMaxFolderDepth && !level.empty(); ++depth) {
      std::vector<std::string> next;
      for (const std::string& dir : level) {
        if (!host_.FindFiles(dir, "*", entries)) continue;
        for (const DirectoryEntry& e : entries) {
          const std::string full = HostJoin(dir, e.name);
          if (e.isDirectory)
            next.push_back(full);
          else if (depth > 0)
            files_.emplace(UpperCase(e.name), full);
        }
      }
      level = std::move(next);
    }
  }

  FileSystem& host_;
  const std::string projectDir_;
  bool listed_ = false;
  std::map<std::string, std::string> files_;
};

bool IsFile(FileSystem& host, const std::string& path) { return host.Exists(path) && !host.IsDirectory(path); }

}  // namespace

void FindGeneratedSoftkeys(Collector& c, FileSystem& host, const std::string& projectDir) {
  FolderIndex folders(host, projectDir);
  for (std::size_t i = 0; i < c.softkeys.size(); ++i) {
    SoftkeyLine& k = c.softkeys[i];
    if (k.source != SourceType::Generated || k.tokens.size() < 2 || !k.outputs.empty()) continue;
    const std::string& named = k.tokens[1];
    // The names the default run may have given the file: the one the line
    // names, and, for a raster or vector softkey (.sk for one control family,
    // .PIC for the other), its stem with .PIC, which the converters write
    // whatever the family.  A BMX softkey keeps its .bmx.
    const std::string fileName(FileNameOf(named));
    std::vector<std::string> names{fileName};
    std::string pic = fileName;
    if (!EndsWithIgnoringCase(fileName, ".bmx") && !EndsWithIgnoringCase(fileName, ".pic") &&
        !ReplaceExtension(pic, ".PIC").empty())
      names.push_back(pic);
    // Beside the project: where the line's name leads from the project's
    // directory, then the same place with the other name.
    const bool placed = HostRootLength(k.sourcePath) > 0;
    const std::string besideDir = placed ? HostParent(k.sourcePath) : projectDir;
    std::vector<std::string> beside;
    for (const std::string& n : names) beside.push_back(n == fileName && placed ? k.sourcePath : HostJoin(besideDir, n));
    std::string found;
    for (const std::string& place : beside)
      if (found.empty() && IsFile(host, place)) found = place;
    for (const std::string& n : names)
      if (found.empty()) found = folders.Find(n);
    if (found.empty()) {
      auto list = [](const std::vector<std::string>& words) {
        std::string out;
        for (std::size_t n = 0; n < words.size(); ++n)
          out += (n == 0 ? "" : n + 1 == words.size() ? " and " : ", ") + words[n];
        return out;
      };
      std::vector<std::string> shown;
      for (const std::string& place : beside) shown.push_back(Shown(place, projectDir));
      c.Found(
          CheckFinding(Msg::GeneratedSoftkeyNotFound, c.At(k, 1),
                       "looked for " + list(shown) + " beside the project" +
                           (shown == names ? " and in its folders" : ", and for " + list(names) + " in its folders")),
          "sk" + std::to_string(i));
      continue;
    }
    // The name as the host spells it, where names are found without regard
    // to case.
    std::string spelt;
    Output o;
    o.path = host.HostName(found, spelt) ? spelt : found;
    o.onDisk = true;
    o.texts.push_back("read from disk for " + named + ", as the default run wrote it");
    k.outputs.push_back(std::move(o));
  }
}

}  // namespace q32
