// The conversions of earlier runs of a project, for whoever runs the same
// project again and again (the language server, on every change of the
// editor's text).  Its owner hands it to each run (RunContext::conversions);
// a softkey line whose source, and every other file its converter read, are
// as they were when it was converted (each file's version: where it is, its
// size, the time of its last change; so an edit outside the editor is seen)
// is not converted again: the run writes the softkey files, makes the
// reports and tells its observer the findings the conversion made then.
//
// Only what a conversion depends on in the run is its key: the source type,
// the line's source and flag words, the byte order, the directories a name
// is found and shown from, the softkeys' path on the control (which a
// picture's log line names).  Its reports are told again as they were handed
// to Report, so a run counts them, writes them and knows a repeat as it
// would have.  A conversion that searched a directory, read a file the run
// wrote, made a report that follows from another, or met a failed read or
// write is not kept.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "diag/Diagnostics.h"
#include "project/SourceDispatch.h"

namespace q32 {

struct RunContext;

class ConversionCache {
 public:
  ConversionCache();
  ~ConversionCache();
  ConversionCache(const ConversionCache&) = delete;
  ConversionCache& operator=(const ConversionCache&) = delete;

  // The conversion of the softkey line in run.softkey: convert() run and
  // kept, or its outcome taken from an earlier run.  Either way the line's
  // source is an input of the run first.
  Conversion Convert(RunContext& run, const std::function<Conversion()>& convert);
  // Forgets the conversions no run asked for since the last call: sources a
  // project no longer names.
  void Sweep();
  void Clear();

  // How many conversions the runs took from here and how many they made,
  // since the cache was made.
  std::size_t taken = 0, made = 0;

  struct Entry;

 private:
  // The conversions made under one setting of what a conversion depends on
  // in the run beyond its line: the run's directory, the base directory the
  // names are shown from, the softkeys' path on the control (which a
  // picture's log line names), the byte order and whether the run is
  // observed.  That is the same for every line of a run, mostly: compared
  // once a line, not made part of each line's key.
  struct Setting {
    std::string directory, base, destPath;
    bool littleEndian = false, observed = false;
    // By the line's source type, flag and source (LineKey).
    std::unordered_map<std::string, std::unique_ptr<Entry>> entries;
  };
  Setting& SettingOf(const RunContext& run);

  std::vector<std::unique_ptr<Setting>> settings_;
  std::size_t last_ = 0;             // the setting of the line before
  std::string directory_, lineKey_;  // made again for each line, in place
};

}  // namespace q32
