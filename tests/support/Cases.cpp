#include "support/Cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include "formats/SoftkeyFormats.h"
#include "support/TestSupport.h"

namespace q32test {
namespace fs = std::filesystem;

namespace {

const std::set<std::string> kResultKinds = {"status", "console", "output", "new", "changed", "deleted", "nothing"};
const std::set<std::string> kStepsWithResults = {"run", "preview", "check", "decode"};
// The words of a result that say how a file is compared.
const std::set<std::string> kFileModes = {"tail", "raster", "vector", "bmx", "exists"};

bool IsDirective(const std::string& line) { return line.rfind("--- ", 0) == 0; }

bool Has(const std::vector<std::string>& words, const std::string& w) {
  return std::find(words.begin(), words.end(), w) != words.end();
}

std::string First(const std::vector<std::string>& words) { return words.empty() ? "" : words[0]; }

// The words of a directive: blanks separate, "..." keeps blanks together.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  bool quoted = false, inWord = false;
  for (char c : text) {
    if (c == ' ' && !quoted) {
      inWord = false;
      continue;
    }
    if (!inWord) words.emplace_back(), inWord = true;
    if (c == '"') quoted = !quoted;
    else words.back() += c;
  }
  return words;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

// The lines of a "project" step's file: a softkey project of one menu (the
// step's words after the path, else ROOT HROOT) holding the body's lines, then
// an ACTION item for each softkey made from a picture file (a line, not a
// directive, whose second word has a dot and whose third word names the softkey).
std::vector<std::string> OneMenuProject(const std::vector<std::string>& body, const std::vector<std::string>& words) {
  std::string menu = words.size() > 1 ? "SKMENU" : "SKMENU ROOT HROOT";
  for (std::size_t i = 1; i < words.size(); ++i) menu += " " + words[i];
  std::vector<std::string> lines = {"QUILLON Project File - Version 1.0", menu};
  lines.insert(lines.end(), body.begin(), body.end());
  for (const std::string& line : body)
    if (const std::vector<std::string> w = Words(line); w.size() > 2 && line[0] != '#' && w[1].find('.') != std::string::npos)
      lines.push_back("ACTION " + w[2]);
  lines.push_back("ENDSKMENU");
  return lines;
}

std::vector<Case> ParseCaseFile(const std::string& relative) {
  const std::vector<std::string> lines = SplitLines(ReadFile(SourcePath(relative)));
  std::vector<Case> cases;
  CaseStep* owner = nullptr;  // the step whose results are being read
  for (std::size_t i = 0, end; i < lines.size(); i = end) {
    end = i + 1;
    if (!IsDirective(lines[i])) continue;  // free text before the first case
    std::vector<std::string> words = Words(lines[i].substr(4));
    while (end < lines.size() && !IsDirective(lines[end])) ++end;
    const std::string kind = First(words), where = relative + ":" + std::to_string(i + 1);
    if (!words.empty()) words.erase(words.begin());
    const std::vector<std::string> body(lines.begin() + static_cast<long>(i) + 1, lines.begin() + static_cast<long>(end));
    if (kind == "case") {
      cases.push_back({relative, First(words), {}});
      owner = nullptr;
    } else if (kResultKinds.count(kind)) {
      if (!owner) throw std::runtime_error(where + ": results without a step");
      const bool shared = body.size() == 1 && body[0].size() > 1 && body[0][0] == '@';
      owner->results.push_back({kind, words, body, shared ? body[0].substr(1) : ""});
    } else {
      if (cases.empty()) throw std::runtime_error(where + ": a step before the first case");
      // A project is written as a file step, so that whatever writes a case's files writes it too.
      const bool project = kind == "project";
      cases.back().steps.push_back({project ? "file" : kind, words,
                                    DecodeBody(project ? OneMenuProject(body, words) : body, words),
                                    static_cast<int>(i) + 1, {}});
      owner = kStepsWithResults.count(kind) ? &cases.back().steps.back() : nullptr;
    }
  }
  return cases;
}

int HexValue(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) ? std::stoi(std::string(1, c), nullptr, 16) : -1;
}

// The paths of the case directory as every host writes them: the Windows
// programs name its files with "\", the results are written with "/".
std::string InSlashForm(std::string text) {
#ifdef _WIN32
  for (std::size_t at = 0; (at = text.find("$CASE\\", at)) != std::string::npos;)
    for (at += 5; at < text.size() && text[at] != ' ' && text[at] != '\n' && text[at] != '\r' && text[at] != '"'; ++at)
      if (text[at] == '\\') text[at] = '/';
#endif
  return text;
}

// Writes the file of a "file" or "copy" step under dir; false for the other steps.
bool SetUpFile(const CaseStep& s, const std::string& dir) {
  const fs::path to = fs::path(dir) / First(s.words);
  if (s.kind == "file") WriteFile(to.string(), s.body);
  if (s.kind != "copy") return s.kind == "file";
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  fs::copy(SourcePath(s.words.at(1)), to, fs::copy_options::recursive, ec);
  EXPECT_FALSE(ec) << ec.message();
  return true;
}

// What a step did.
struct Actual {
  int status = 0;
  std::string printed;  // the console of a run, the output of a check or decoder
  struct Change {
    std::string kind;   // "new", "changed" or "deleted"
    std::string bytes;
  };
  std::map<std::string, Change> changes;  // by path in the case directory
};

// The report lines of a console: what a reader of the run's messages reads,
// without the banner, the progress lines and the drawings' listings.
std::string ReportLines(const std::string& console) {
  std::string out;
  for (const std::string& line : SplitLines(console))
    for (const char* label : {"File: ", "Error: ", "Warning: ", "Fatal: "})
      if (line.rfind(label, 0) == 0) out += line + "\n";
  return out;
}

// One case being run: its directory, environment and what each step did.
class CaseRun {
 public:
  CaseRun(const Case& c, std::string python) : case_(c), python_(std::move(python)) {}
  ~CaseRun() {
    for (const auto& [name, value] : savedEnv_) SetEnvironment(name, value ? value->c_str() : nullptr);
  }

  // What every step with results did, in order.
  std::vector<Actual> Run() {
    SetEnv("SOURCE_DATE_EPOCH", "0");
    std::vector<Actual> done;
    for (const CaseStep& step : case_.steps) {
      SCOPED_TRACE(case_.file + ":" + std::to_string(step.line) + ": " + step.kind);
      if (std::optional<Actual> a = Do(step)) done.push_back(std::move(*a));
      if (::testing::Test::HasFatalFailure()) break;
    }
    return done;
  }

 private:
  std::string Path(const std::string& relative) const { return (fs::path(dir_.path()) / relative).string(); }

  std::string Mask(const std::string& text) const {
    return InSlashForm(Replace(Replace(text, dir_.path(), "$CASE"), SourcePath(""), "$SRC/"));
  }

  void SetEnv(const std::string& name, const char* value) {
    const char* old = std::getenv(name.c_str());
    savedEnv_.emplace(name, old ? std::optional<std::string>(old) : std::nullopt);  // the first value stays
    SetEnvironment(name, value);
  }

  // A shell command of the step's body or line; it sees the source tree as
  // $SRC, the program as $Q32 and a python3 with the modules the case needs
  // as $PYTHON.
  RunResult Shell(const CaseStep& s) const {
    std::string command = s.body;
    for (std::size_t i = 0; s.body.empty() && i < s.words.size(); ++i) command += (i ? " " : "") + s.words[i];
    return RunCommand("export SRC=" + ShellQuote(SourcePath("")) + " Q32=" + ShellQuote(program_) + " CASE=" +
                          ShellQuote(dir_.path()) + " PYTHON=" + ShellQuote(python_) + "; " + command,
                      Path(cwd_));
  }

  // A run and what it changed in the case directory.
  Actual RunAndWatch(const std::string& program, const CaseStep& s) {
    Snapshot before = TakeSnapshot(dir_.path());
    std::vector<std::string> args;
    for (const std::string& w : s.words)
      args.push_back(Replace(Replace(w, "$CASE", dir_.path()), "$SRC/", SourcePath("")));
    RunResult r = RunProgram(program, args, Path(cwd_));
    Actual a{r.status, Mask(r.out), {}};
    Snapshot now = TakeSnapshot(dir_.path());
    for (const auto& [name, bytes] : now) {
      auto was = before.find(name);
      if (was == before.end() || was->second != bytes)
        a.changes[name] = {was == before.end() ? "new" : "changed", Mask(bytes)};
    }
    for (const auto& [name, bytes] : before)
      if (!now.count(name)) a.changes[name] = {"deleted", ""};
    return a;
  }

  std::optional<Actual> Do(const CaseStep& s) {
    const std::string& k = s.kind;
    // "needs" is decided before the case runs; "file" and "copy" only set up.
    if (k == "needs" || SetUpFile(s, dir_.path())) return std::nullopt;
    if (k == "dir") {
      fs::create_directories(Path(s.words.at(0)));
    } else if (k == "remove") {
      fs::remove_all(Path(s.words.at(0)));
    } else if (k == "symlink") {
      fs::create_symlink(s.words.at(1), Path(s.words.at(0)));
    } else if (k == "hardlink") {
      fs::create_hard_link(Path(s.words.at(1)), Path(s.words.at(0)));
    } else if (k == "env") {
      const std::string& w = s.words.at(0);
      const std::size_t eq = w.find('=');
      SetEnv(w.substr(0, eq), eq == std::string::npos ? nullptr : w.c_str() + eq + 1);
    } else if (k == "cd") {
      cwd_ = s.words.at(0);
    } else if (k == "program") {
      fs::create_directories(Path(s.words.at(0)));
      program_ = Path(s.words.at(0) + "/" + fs::path(QUILLON_EXE).filename().string());
      fs::copy_file(QUILLON_EXE, program_, fs::copy_options::overwrite_existing);
      const std::string catalogue = Path(s.words.at(0) + "/Quillon32.err");
      if (!Has(s.words, "nocatalogue") && !fs::exists(catalogue))
        fs::copy_file(ExecutableDir() + "/Quillon32.err", catalogue);
    } else if (k == "sh") {
      RunResult r = Shell(s);
      EXPECT_EQ(r.status, 0) << r.out;
    } else if (k == "run" || k == "preview") {
      const fs::path exe(QUILLON_EXE), preview = exe.parent_path() / ("Quillon32Preview" + exe.extension().string());
      return RunAndWatch(k == "run" ? program_ : preview.string(), s);
    } else if (k == "check") {
      RunResult r = Shell(s);
      return Actual{r.status, Mask(r.out), {}};
    } else if (k == "decode") {
      const CaseDecoder& decoder = CaseDecoders().at(s.words.at(0));
      if (!fs::is_directory(Path(s.words.at(1)))) return Actual{0, decoder(ReadFile(Path(s.words.at(1)))), {}};
      std::string out;  // a folder: the last line of each file's listing
      for (const auto& [name, bytes] : TakeSnapshot(Path(s.words.at(1)))) {
        const std::string listing = decoder(bytes);
        out += name + ": " + listing.substr(listing.rfind('\n', listing.size() - 2) + 1);
      }
      return Actual{0, out, {}};
    } else {
      ADD_FAILURE() << "unknown step " << k;
    }
    return std::nullopt;
  }

  const Case& case_;
  std::string python_;
  TempDir dir_;
  std::string cwd_ = ".";
  std::string program_ = QUILLON_EXE;
  std::map<std::string, std::optional<std::string>> savedEnv_;
};

std::string ModeOf(const CaseResult& r) {
  for (std::size_t i = 1; i < r.words.size(); ++i)
    if (kFileModes.count(r.words[i])) return r.words[i];
  return "";
}

// What a result states, as bytes.
std::string Expected(const CaseResult& r) {
  return r.shared.empty() ? DecodeBody(r.lines, r.words) : ReadFile(SourcePath(r.shared));
}

// The part of what a step did that a result speaks of, in the result's form;
// nullopt when the step did nothing of the kind (no such file).
std::optional<std::string> Observed(const CaseResult& r, const Actual& a, const std::string& expected) {
  if (r.kind == "status") return std::to_string(a.status);
  const auto tail = [&](const std::string& b) { return b.substr(b.size() - std::min(b.size(), expected.size())); };
  if (r.kind == "console") return Has(r.words, "all") ? a.printed : Has(r.words, "tail") ? tail(a.printed) : ReportLines(a.printed);
  if (r.kind == "output") return a.printed;
  auto it = a.changes.find(First(r.words));
  if (it == a.changes.end() || it->second.kind != r.kind) return std::nullopt;
  const std::string mode = ModeOf(r), &bytes = it->second.bytes;
  if (mode == "tail") return tail(bytes);
  if (mode == "exists") return std::string();
  return mode.empty() ? bytes : CaseDecoders().at(mode)(bytes);
}

// Compares what the results of one step state with what the step did.
void Compare(const CaseStep& step, const Actual& a, const std::string& where) {
  std::set<std::string> stated;
  bool nothingElse = false;
  if (std::none_of(step.results.begin(), step.results.end(), [](const CaseResult& r) { return r.kind == "status"; })) {
    EXPECT_EQ(a.status, 0) << where << ": exit status";
  }
  for (const CaseResult& r : step.results) {
    const std::string what = r.kind + (r.words.empty() ? "" : " " + r.words[0]);
    if (r.kind == "nothing") nothingElse = true;
    if (r.kind == "new" || r.kind == "changed" || r.kind == "deleted") stated.insert(First(r.words));
    if (r.kind == "status") {
      EXPECT_EQ(First(r.words), std::to_string(a.status)) << where << ": exit status";
    }
    if (r.kind == "nothing" || r.kind == "status") continue;
    const std::string expected = r.kind == "deleted" || ModeOf(r) == "exists" ? "" : Expected(r);
    const std::optional<std::string> observed = Observed(r, a, expected);
    if (observed) EXPECT_EQ(expected, *observed) << where << ": " << what;
    else ADD_FAILURE() << where << ": the run did not write " << what;
  }
  for (const auto& [path, change] : a.changes)
    EXPECT_TRUE(!nothingElse || stated.count(path)) << where << ": the run also wrote " << change.kind << " " << path;
}

}  // namespace

std::map<std::string, CaseDecoder>& CaseDecoders() {
  static std::map<std::string, CaseDecoder> decoders = [] {
    std::map<std::string, CaseDecoder> listings;  // each format's, by its name
    for (const q32::OutputFormat* f : q32::OutputFormats()) listings.emplace(f->name, f->listing);
    return listings;
  }();
  return decoders;
}

std::string DecodeBody(const std::vector<std::string>& lines, const std::vector<std::string>& flags) {
  std::string out;
  if (Has(flags, "hex")) {
    int high = -1;
    for (const std::string& line : lines)
      for (char c : line) {
        if (int v = HexValue(c); v >= 0 && high < 0) high = v;
        else if (v >= 0) out += static_cast<char>(high * 16 + v), high = -1;
      }
    return out;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    for (std::size_t k = 0; k < line.size(); ++k) {
      const bool escaped = Has(flags, "esc") && line[k] == '\\';
      if (escaped && k + 1 < line.size() && line[k + 1] == '\\') {
        out += line[++k];
      } else if (escaped && k + 3 < line.size() && line[k + 1] == 'x') {
        out += static_cast<char>(HexValue(line[k + 2]) * 16 + HexValue(line[k + 3]));
        k += 3;
      } else {
        out += line[k];
      }
    }
    if (i + 1 < lines.size() || !Has(flags, "nonl")) out += Has(flags, "crlf") ? "\r\n" : "\n";
  }
  return out;
}

std::vector<Case> LoadCases() {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(SourcePath("tests")))
    if (entry.path().extension() == ".case")
      files.push_back(fs::relative(entry.path(), SourcePath("")).generic_string());
  std::sort(files.begin(), files.end());
  std::vector<Case> cases;
  for (const std::string& f : files)
    for (Case& c : ParseCaseFile(f)) cases.push_back(std::move(c));
  return cases;
}

Snapshot TakeSnapshot(const std::string& dir) {
  Snapshot files;
  for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) {
    std::error_code ec;
    if (it->is_regular_file(ec)) files[fs::relative(it->path(), dir).generic_string()] = ReadFile(it->path().string());
  }
  return files;
}

Case FindCase(const std::string& file, const std::string& name) {
  for (const Case& c : ParseCaseFile(file))
    if (c.name == name) return c;
  ADD_FAILURE() << file << " holds no case named " << name;
  return {};
}

void WriteCaseFiles(const Case& c, const std::string& dir) {
  for (const CaseStep& s : c.steps) SetUpFile(s, dir);
}

void RunCase(const Case& c) {
  // The preview's tables run Quillon32Preview, which is built only where
  // stb is there.
  if (!QUILLON_PREVIEW && c.file.rfind("tests/preview/", 0) == 0)
    GTEST_SKIP() << "Quillon32Preview is not built (no libstb-dev; tools/setup.sh installs it)";
  std::string python = "python3";
  for (const CaseStep& s : c.steps) {
#ifdef _WIN32
    if (s.kind == "needs" || s.kind == "sh" || s.kind == "check" || s.kind == "symlink")
      GTEST_SKIP() << (s.kind == "needs" ? "it needs the Linux tool " + s.words.at(0)
                                         : "its " + s.kind + " step needs a POSIX host");
#endif
    for (const std::string& tool : s.kind == "needs" ? s.words : std::vector<std::string>{}) {
      // "python3:module" needs a python3 that imports the module (Debian's
      // packages install into the system's python3, which may not be first on PATH).
      if (tool.rfind("python3:", 0) == 0) {
        python.clear();
        for (const char* candidate : {"/usr/bin/python3", "python3"})
          if (python.empty() && RunCommand(std::string(candidate) + " -c 'import " + tool.substr(8) + "'", ".").status == 0)
            python = candidate;
        if (python.empty()) GTEST_SKIP() << "no python3 with " << tool.substr(8) << " (tools/setup.sh installs it)";
      } else if (!HaveTool(tool)) {
        GTEST_SKIP() << tool << " is not installed (tools/setup.sh installs it)";
      }
    }
  }
  const std::vector<Actual> done = CaseRun(c, python).Run();
  std::size_t i = 0;
  for (const CaseStep& s : c.steps)
    if (kStepsWithResults.count(s.kind) && i < done.size())
      Compare(s, done[i++], c.file + ":" + std::to_string(s.line) + ": " + s.kind);
}

}  // namespace q32test
