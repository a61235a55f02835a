#include "project/ConversionCache.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "run/RunContext.h"

namespace q32 {

struct ConversionCache::Entry {
  // A file the conversion read or asked about, by its full path.
  struct Input {
    std::string path, version;
    bool opened = false;
  };
  // What the conversion did, in order.
  enum class Kind { Created, Removed, Found, Reported, Logged };
  struct Event {
    Kind kind = Kind::Created;
    std::string path, text;
    std::size_t kept = 0;  // Reported: the report's index in reports
    Diagnostic finding;    // Found
    // Created: the bytes the file holds at the end, put there as they are,
    // and its full path (empty: none), which is the same in every run of
    // the entry's setting (the run's directory is part of it).
    std::shared_ptr<std::string> bytes;
    std::string full;
  };
  InputGuardFileSystem::InputName source;  // the line's source as the run's inputs know it
  std::vector<Input> inputs;
  std::vector<Event> events;
  std::vector<Diagnostic> reports;  // as they were handed to Report
  Conversion result;
  bool used = true;
};

namespace {

using Entry = ConversionCache::Entry;

// Watches one conversion: every file it reads and writes, every report and
// log line it makes, every finding it tells the run's observer (handed on at
// once), and whether it did anything a later run could not take again.
class Recorder final : public AccessWatcher, public RunObserver, public DiagnosticsRecorder {
 public:
  Recorder(Entry& entry, FileSystem& fs, RunObserver* observer) : entry_(entry), fs_(fs), observer_(observer) {}

  bool keep = true;

  void Consulted(std::string_view path, std::string version, bool opened) override {
    std::string full;
    if (version.empty() || !fs_.FullPath(path, full)) keep = false;
    entry_.inputs.push_back({std::move(full), std::move(version), opened});
  }
  void Created(std::string_view path) override { Add(Entry::Kind::Created, path); }
  void Removed(std::string_view path) override { Add(Entry::Kind::Removed, path); }
  void Searched(std::string_view) override { keep = false; }

  // A report that follows from another names that one by its place among
  // the run's reports, which is another in a later run.
  void Reported(const Diagnostic& handed) override {
    if (handed.cause != kNoDiagnostic) keep = false;
    Add(Entry::Kind::Reported, {}).kept = entry_.reports.size();
    entry_.reports.push_back(handed);
  }
  void Logged(std::string_view line) override { Add(Entry::Kind::Logged, {}, line); }

  void Found(const Diagnostic& finding) override {
    Add(Entry::Kind::Found, {}).finding = finding;
    observer_->Found(finding);
  }
  // What a conversion does not tell: handed on, and the conversion is not
  // kept.
  void LineRead(std::string_view file, int line, const ProjectKeyword& keyword, const std::vector<std::string>& tokens,
                const std::vector<WordPlace>& places) override {
    keep = false;
    observer_->LineRead(file, line, keyword, tokens, places);
  }
  void MenuNumbered(std::uint32_t number, const MenuAttributes& menu) override {
    keep = false;
    observer_->MenuNumbered(number, menu);
  }
  void SoftkeyDone(std::string_view targetPath, Msg code, bool converted) override {
    keep = false;
    observer_->SoftkeyDone(targetPath, code, converted);
  }
  void ItemDone(Msg code) override {
    keep = false;
    observer_->ItemDone(code);
  }
  void FileCreated(std::string_view path, std::string_view full) override {
    keep = false;
    observer_->FileCreated(path, full);
  }

 private:
  Entry::Event& Add(Entry::Kind kind, std::string_view path, std::string_view text = {}) {
    Entry::Event event;
    event.kind = kind;
    event.path = path;
    event.text = text;
    entry_.events.push_back(std::move(event));
    return entry_.events.back();
  }

  Entry& entry_;
  FileSystem& fs_;
  RunObserver* observer_;
};

// What a conversion depends on in its line: the source type, whether dark
// is the set bit, the source as written.
void LineKey(const RunContext& run, std::string& key) {
  const SoftkeyContext& k = run.softkey;
  key.assign(1, static_cast<char>('0' + static_cast<int>(k.sourceType)));
  key += k.darkIsSet ? 'D' : '-';
  key += k.source;
}

Conversion Record(RunContext& run, Entry& entry, const std::function<Conversion()>& convert,
                  const std::string& sourcePath, bool& keep) {
  const std::string& source = run.softkey.source;
  entry.source = run.inputGuard.NameOf(source);
  run.inputGuard.RegisterInput(source, entry.source);
  // The source's name stands for the file only as long as its version does,
  // whether the converter looked at it or not.
  std::string sourceVersion = run.fs.FileVersion(source);
  RunObserver* observer = run.observer;
  Recorder recorder(entry, run.fs, observer);
  if (observer) run.observer = &recorder;
  run.inputGuard.watcher = &recorder;
  run.diag.recorder = &recorder;
  const std::size_t failures = run.inputGuard.FailureCount();

  entry.result = convert();

  run.diag.recorder = nullptr;
  run.inputGuard.watcher = nullptr;
  run.observer = observer;
  keep = recorder.keep && run.inputGuard.FailureCount() == failures && !sourceVersion.empty();
  if (std::none_of(entry.inputs.begin(), entry.inputs.end(),
                   [&sourcePath](const Entry::Input& input) { return input.path == sourcePath; }))
    entry.inputs.push_back({sourcePath, std::move(sourceVersion), false});
  std::map<std::string_view, std::shared_ptr<std::string>> outputs;
  for (Entry::Event& e : entry.events) {
    if (e.kind != Entry::Kind::Created) continue;
    std::shared_ptr<std::string>& bytes = outputs[e.path];
    if (!bytes) {
      bytes = std::make_shared<std::string>();
      std::unique_ptr<File> file = run.fs.Open(e.path, FileMode::ReadBinary);
      if (file) (void)file->ReadAll(*bytes);
    }
    e.bytes = bytes;
    if (!run.fs.FullPath(e.path, e.full)) e.full.clear();
  }
  return entry.result;
}

// Whether every file the conversion read is as it was.
bool Unchanged(RunContext& run, const Entry& entry) {
  for (const Entry::Input& input : entry.inputs)
    if (run.fs.FileVersion(input.path) != input.version) return false;
  return true;
}

// The conversion's outcome made again, or false when its first softkey file
// cannot be created now (it has become an input of this run, which the run
// refuses to write): then nothing has happened, and it is converted anew.
// The files come first; what the observer is told does not depend on them.
bool Replay(RunContext& run, const Entry& entry, const std::string& sourcePath) {
  bool first = true;
  for (const Entry::Event& e : entry.events) {
    if (e.kind != Entry::Kind::Created) continue;
    const PutResult put = e.full.empty() ? run.fs.PutShared(e.path, e.bytes) : run.fs.PutSharedAt(e.path, e.full, e.bytes);
    if (put == PutResult::NotCreated && first) return false;
    first = false;
  }
  // The source is registered already.
  for (const Entry::Input& input : entry.inputs)
    if (input.opened && input.path != sourcePath) run.inputGuard.RegisterInput(input.path);
  for (const Entry::Event& e : entry.events) {
    switch (e.kind) {
      case Entry::Kind::Created:
        break;
      case Entry::Kind::Removed:
        run.fs.Remove(e.path);
        break;
      case Entry::Kind::Found:
        run.observer->Found(e.finding);
        break;
      case Entry::Kind::Reported:
        // Told as anew: counted, written, and known as a repeat where the
        // run told it before.
        (void)Report(run.diag, entry.reports[e.kept]);
        break;
      case Entry::Kind::Logged:
        LogLine(run.diag, "%s", e.text.c_str());
        break;
    }
  }
  return true;
}

}  // namespace

ConversionCache::ConversionCache() = default;
ConversionCache::~ConversionCache() = default;

ConversionCache::Setting& ConversionCache::SettingOf(const RunContext& run) {
  const bool littleEndian = run.settings.controlFamilyLE, observed = run.observer != nullptr;
  auto same = [&](const Setting& s) {
    return s.littleEndian == littleEndian && s.observed == observed && s.directory == directory_ &&
           s.base == run.paths.baseDirectory && s.destPath == run.project.destPath;
  };
  if (last_ < settings_.size() && same(*settings_[last_])) return *settings_[last_];
  for (last_ = 0; last_ < settings_.size(); ++last_)
    if (same(*settings_[last_])) return *settings_[last_];
  auto setting = std::make_unique<Setting>();
  setting->directory = directory_;
  setting->base = run.paths.baseDirectory;
  setting->destPath = run.project.destPath;
  setting->littleEndian = littleEndian;
  setting->observed = observed;
  settings_.push_back(std::move(setting));
  return *settings_.back();
}

Conversion ConversionCache::Convert(RunContext& run, const std::function<Conversion()>& convert) {
  const std::string& source = run.softkey.source;
  auto uncached = [&run, &convert, &source] {
    run.inputGuard.RegisterInput(source);
    return convert();
  };
  // Within a conversion watched already (none is now): no cache.
  if (run.inputGuard.watcher || run.diag.recorder) return uncached();
  std::string sourcePath;
  if (!run.fs.GetCurrentDir(directory_) || !run.fs.FullPath(source, sourcePath)) return uncached();
  auto& entries = SettingOf(run).entries;
  LineKey(run, lineKey_);
  auto found = entries.find(lineKey_);
  if (found != entries.end() && Unchanged(run, *found->second)) {
    run.inputGuard.RegisterInput(source, found->second->source);
    if (Replay(run, *found->second, sourcePath)) {
      ++taken;
      found->second->used = true;
      return found->second->result;
    }
  }
  ++made;
  // Made again after the conversion, which may ask for a line's key of its
  // own (a conversion watched already takes none, but costs nothing here).
  std::string key = lineKey_;
  auto entry = std::make_unique<Entry>();
  bool keep = false;
  const Conversion result = Record(run, *entry, convert, sourcePath, keep);
  found = entries.find(key);
  if (keep) entries.insert_or_assign(std::move(key), std::move(entry));
  else if (found != entries.end()) entries.erase(found);
  return result;
}

void ConversionCache::Clear() { settings_.clear(); }

void ConversionCache::Sweep() {
  for (auto s = settings_.begin(); s != settings_.end();) {
    auto& entries = (*s)->entries;
    for (auto it = entries.begin(); it != entries.end();) {
      if (!it->second->used) {
        it = entries.erase(it);
      } else {
        it->second->used = false;
        ++it;
      }
    }
    s = entries.empty() ? settings_.erase(s) : s + 1;
  }
  last_ = 0;
}

}  // namespace q32
