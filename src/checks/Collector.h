// The checks of a run (-W, and every preview): while the generator works the
// Collector gathers the softkey lines, the menus with their items, the files
// each softkey line wrote, and the findings, each with its message number and
// the place it concerns.  Collector is the run's observer; the checks that
// need the whole project (Findings.h) and the preview's site read what it
// gathered.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "diag/Diagnostic.h"
#include "diag/MessageCodes.h"
#include "project/ProjectModel.h"
#include "run/RunObserver.h"

namespace q32 {

class FileSystem;

// A full path as the user sees it: relative to where the preview started
// when it lies below.
std::string Shown(const std::string& full, const std::string& startDir);

// A finding: a report of the -W checks (its file by its full host path, none
// for the command line; its argument what the message names: the word, file
// or value), filled with its text by ReportFindings, and the page element it
// concerns.
struct Finding {
  Diagnostic report;
  std::string anchor;
};

// A drawing's reach in softkey pixels (lines, circles, arcs and points).
struct DrawingExtent {
  int minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// The name as the generator keeps it: upper case, cut to kMaxNameLength.
std::string CutName(const std::string& token);
// The place of a word of a line the collector keeps (word -1, or a word it
// has no place of: the line as a whole).
SourceSpan WordSpan(const std::string& file, int line, const std::vector<WordPlace>& places, int word);
// The menus an item opens: the target of GOTO and NODE, and POPUPMENU:.
std::vector<std::string> Targets(const Item& item);

class Collector final : public RunObserver {
 public:
  Collector(FileSystem& fs, std::string startDir);
  Collector(const Collector&) = delete;
  Collector& operator=(const Collector&) = delete;

  const std::string startDir;
  std::vector<SoftkeyLine> softkeys;
  std::vector<Menu> menus;
  std::vector<Finding> findings;
  // Run first by FinishChecks: the preview finds there the softkeys a
  // generated project names, so that a missing one is reported with the
  // other findings.
  std::function<void(Collector&)> beforeChecks;
  // Whether the findings are read after the run (the preview's pages), with
  // the texts their reports were told with.  The editor reads the run's
  // reports alone: each finding goes into its report as it is.
  bool findingsRead = true;

  std::string Show(const std::string& full) const { return Shown(full, startDir); }
  std::string Where(const std::string& full, int line) const { return Show(full) + ":" + std::to_string(line); }

  void LineRead(std::string_view file, int line, const ProjectKeyword& keyword, const std::vector<std::string>& tokens,
                const std::vector<WordPlace>& places) override;
  void MenuNumbered(std::uint32_t number, const MenuAttributes& menu) override;
  void SoftkeyDone(std::string_view targetPath, Msg code, bool converted) override;
  void ItemDone(Msg result) override;
  void FileCreated(std::string_view path, std::string_view full) override;
  // A finding of the run.  A finding in the source of the softkey being
  // converted, or at its line, belongs to that softkey on the page.
  void Found(const Diagnostic& finding) override;
  // A finding of a check of the whole project, at a place whose file is a
  // full host path, and the page element it concerns.
  void Found(Diagnostic finding, const std::string& anchor);
  // The place of a softkey line's word.
  SourceSpan At(const SoftkeyLine& k, int word) const { return WordSpan(*k.file, k.line, k.places, word); }
  FileSystem& fs() { return fs_; }

 private:
  std::string Full(std::string_view path);
  std::string Anchor() const { return current_ < 0 ? std::string() : "sk" + std::to_string(current_); }
  void Created(std::string full);

  FileSystem& fs_;
  int current_ = -1;
  bool open_ = false;
  // The line that wrote each softkey file, and the findings told (by file,
  // line and argument): a project's thousands, by their hash.
  std::unordered_map<std::string, int> creators_;
  struct FindingHash {
    const std::vector<Finding>* findings;
    std::size_t operator()(std::size_t i) const;
  };
  struct SameFinding {
    const std::vector<Finding>* findings;
    bool operator()(std::size_t a, std::size_t b) const;
  };
  std::unordered_set<std::size_t, FindingHash, SameFinding> added_;
  // The full path of the file whose lines are being read, asked of the
  // file system once for its lines (while the directory stays).
  const LineFilePath& LineFile(std::string_view file);
  std::string lineFile_, lineDirectory_, directory_;
  LineFilePath lineFull_;
};

}  // namespace q32
