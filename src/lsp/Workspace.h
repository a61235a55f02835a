// The editor's view of the softkey projects: the open documents with their
// unsaved text, the options of the runs (from the editor's settings), the
// generator run on that text, and the index of the project a document
// belongs to.  Nothing is written to disk: the generator runs over the
// preview's overlay, which keeps every output in memory, on top of a file
// system that hands out the open documents' text instead of the files.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diag/Diagnostics.h"
#include "lsp/ProjectIndex.h"
#include "platform/ForwardingFileSystem.h"
#include "platform/OverlayFileSystem.h"
#include "project/ConversionCache.h"
#include "project/LineWordsCache.h"

namespace q32 {

// The host's files, with the open documents' text in place of theirs (in the
// code page the generator reads the file in).
class DocumentFileSystem final : public ForwardingFileSystem {
 public:
  explicit DocumentFileSystem(FileSystem& host) : ForwardingFileSystem(host) {}

  void Put(const std::string& fullPath, std::string bytes);
  void Drop(const std::string& fullPath);

  std::unique_ptr<File> Open(std::string_view path, FileMode mode) override;
  bool Exists(std::string_view path) override;
  // An open document's changes with each text the editor sends.
  std::string FileVersion(std::string_view path) override;

 private:
  struct Document {
    std::shared_ptr<std::string> bytes;
    unsigned long long version = 0;
    std::string lastName;  // of its key: a name that ends otherwise is another file
  };
  const Document* Find(std::string_view path);
  std::map<std::string, Document> documents_;  // by upper-case full path
  unsigned long long versions_ = 0;
};

// A place of a report as the editor gets it: the file by its full host path
// (the project's for a report of no file), the line from 1 (0: none), the
// column in characters from 1 (0: the line as a whole) and the length.
struct EditorPlace {
  std::string file;
  int line = 0;
  int column = 0, length = 0;
};

// A report of the run for the editor, its texts in UTF-8: its place, its
// notes and, last, the report it follows from.
struct EditorReport {
  EditorPlace at;
  Severity severity = Severity::Error;
  std::string tag, text;
  std::vector<std::pair<EditorPlace, std::string>> related;
};

struct CheckResult {
  std::string project;  // full host path; empty when the document belongs to none
  std::vector<EditorReport> reports;
  int status = 0;
  // Of the sources the run converted: those converted now, and those taken
  // unchanged from an earlier run.
  std::size_t converted = 0, taken = 0;
};

class Workspace {
 public:
  Workspace(FileSystem& host, std::string programDir);

  // The folder the editor opened: relative names in the options and the
  // project setting are found from there.
  void SetRoot(const std::string& root) { root_ = root; }
  const std::string& Root() const { return root_; }
  // The words a run takes besides the project (-pj, -r, -a, -t …) and the
  // project to run for documents that are not projects themselves.
  void SetOptions(std::vector<std::string> arguments, std::string project);
  // The words of the options the server does not take, for a message.
  const std::vector<std::string>& RefusedOptions() const { return refused_; }

  void Put(const std::string& fullPath, const std::string& utf8Text);
  void Drop(const std::string& fullPath);
  const std::string* Text(const std::string& fullPath) const;

  // The project a document belongs to: itself when it is one, else the
  // project setting, else a menu project beside it or one folder up.
  std::string ProjectOf(const std::string& fullPath);
  // Runs the generator with the -W checks on the project of a document.
  CheckResult Check(const std::string& fullPath);
  // What the last run converted (CheckResult::converted, taken).
  const CheckResult& LastRun() const { return last_; }
  // The index of the document's project (or of the document alone).
  ProjectIndex Index(const std::string& fullPath);
  // A file's text in UTF-8: the open document's, or the file's converted.
  bool ReadUtf8(const std::string& fullPath, std::string& out);
  // The symbols of the PLC project information file of -pj, and the define
  // names of -r and -a.
  std::vector<std::string> PlcSymbols();
  std::vector<std::string> DefineNames();
  // The entries of a folder (a full host path), in name order.
  std::vector<DirectoryEntry> Entries(const std::string& directory);
  // The full path of a name relative to a directory (the root when empty).
  std::string FullPathOf(const std::string& name, const std::string& directory = {});

 private:
  FileSystem& host_;
  DocumentFileSystem documents_;
  // Where the runs keep their outputs: each run starts it afresh, and the
  // softkeys it puts again as the run before find their places kept.
  OverlayFileSystem overlay_;
  std::string programDir_, root_;
  std::vector<std::string> arguments_, refused_;
  std::string project_, pjFile_, cfgFile_;
  std::optional<std::string> defineList_;
  std::map<std::string, std::string> texts_;  // open documents, UTF-8
  // The conversions of the runs so far: a change converts only the sources
  // that changed since (the options may change any, and clear it).
  ConversionCache conversions_;
  // The words of the project's lines: a change splits only the lines it
  // made.
  LineWordsCache lineWords_;
  CheckResult last_;
};

}  // namespace q32
