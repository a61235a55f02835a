#include "support/Cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include "support/Decoders.h"
#include "support/TestSupport.h"

namespace q32test {
namespace fs = std::filesystem;

namespace {

const std::set<std::string> kResultKinds = {"status", "console", "output", "new", "changed", "deleted"};
const std::set<std::string> kBodyFlags = {"crlf", "nonl", "esc", "hex", "digest"};

bool IsDirective(const std::string& line) { return line.rfind("--- ", 0) == 0; }

// The words of a directive: blanks separate, "..." keeps blanks together.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ' ' && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

bool Has(const std::vector<std::string>& words, const std::string& w) {
  return std::find(words.begin(), words.end(), w) != words.end();
}

std::vector<Case> ParseCaseFile(const std::string& relative) {
  const std::vector<std::string> lines = SplitLines(ReadFile(SourcePath(relative)));
  std::vector<Case> cases;
  CaseStep* owner = nullptr;  // the step whose results are being read
  for (std::size_t i = 0; i < lines.size();) {
    if (!IsDirective(lines[i])) {
      ++i;  // free text before the first case
      continue;
    }
    std::vector<std::string> words = Words(lines[i].substr(4));
    const int at = static_cast<int>(i);
    std::size_t end = i + 1;
    while (end < lines.size() && !IsDirective(lines[end])) ++end;
    const std::string kind = words.empty() ? "" : words[0];
    if (!words.empty()) words.erase(words.begin());
    if (kind == "case") {
      cases.push_back({relative, words.empty() ? "" : words[0], {}});
      owner = nullptr;
    } else if (kResultKinds.count(kind)) {
      if (!owner) throw std::runtime_error(relative + ":" + std::to_string(at + 1) + ": results without a step");
      for (std::size_t k = i; k < end; ++k) owner->expected += lines[k] + "\n";
      owner->resultsEnd = static_cast<int>(end);
    } else {
      if (cases.empty()) throw std::runtime_error(relative + ": a step before the first case");
      CaseStep step{kind, words, DecodeBody({lines.begin() + static_cast<long>(i) + 1,
                                             lines.begin() + static_cast<long>(end)}, words),
                    at + 1, "", static_cast<int>(end), static_cast<int>(end)};
      cases.back().steps.push_back(step);
      const bool hasResults = kind == "run" || kind == "check" || kind == "decode";
      owner = hasResults ? &cases.back().steps.back() : nullptr;
    }
    i = end;
  }
  return cases;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(c | 0x20);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string Hex2(unsigned char b) {
  static const char* digits = "0123456789ABCDEF";
  return {digits[b >> 4], digits[b & 15]};
}

bool Printable(unsigned char c) { return (c >= 0x20 && c < 0x7F) || c == '\t'; }

Snapshot Take(const fs::path& root) {
  Snapshot files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    std::error_code ec;
    if (it->is_regular_file(ec))
      files[fs::relative(it->path(), root).generic_string()] = ReadFile(it->path().string());
  }
  return files;
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; !from.empty() && (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// One case being run: its directory, environment and results.
class CaseRun {
 public:
  CaseRun(const Case& c, std::string python) : case_(c), python_(std::move(python)) {}
  ~CaseRun() {
    for (const auto& [name, value] : savedEnv_) {
      SetEnvironment(name, value ? value->c_str() : nullptr);
    }
  }

  // The results of every step that has them, in order.
  std::vector<std::string> Run() {
    SetEnv("SOURCE_DATE_EPOCH", "0");
    std::vector<std::string> results;
    for (const CaseStep& step : case_.steps) {
      SCOPED_TRACE(case_.file + ":" + std::to_string(step.line) + ": " + step.kind);
      std::optional<std::string> r = Do(step);
      if (r) results.push_back(*r);
      if (::testing::Test::HasFatalFailure()) break;
    }
    return results;
  }

  std::string Path(const std::string& relative) const { return (fs::path(dir_.path()) / relative).string(); }

 private:
  const std::string& Word(const CaseStep& s, std::size_t i) {
    static const std::string none;
    if (i < s.words.size()) return s.words[i];
    ADD_FAILURE() << "missing word " << i + 1;
    return none;
  }

  void SetEnv(const std::string& name, const char* value) {
    if (!savedEnv_.count(name)) {
      const char* old = std::getenv(name.c_str());
      savedEnv_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    SetEnvironment(name, value);
  }

  std::string Mask(const std::string& text) const {
    return Replace(Replace(text, dir_.path(), "$CASE"), SourcePath(""), "$SRC/");
  }

  // Shell commands see the source tree as $SRC, the program as $Q32 and a
  // python3 with the modules the case needs as $PYTHON.
  std::string Shell(const std::string& command) const {
    return "export SRC=" + ShellQuote(SourcePath("")) + " Q32=" + ShellQuote(program_) + " CASE=" +
           ShellQuote(dir_.path()) + " PYTHON=" + ShellQuote(python_) + "; " + command;
  }

  std::string Expand(const std::string& word) const {
    return Replace(Replace(word, "$CASE", dir_.path()), "$SRC/", SourcePath(""));
  }

  // What a run changed since the last snapshot.
  std::string Changes() {
    Snapshot now = Take(dir_.path());
    std::string out;
    for (const auto& [name, bytes] : now) {
      auto was = before_.find(name);
      if (was == before_.end()) out += EncodeBody("new " + name, Mask(bytes));
      else if (was->second != bytes) out += EncodeBody("changed " + name, Mask(bytes));
    }
    for (const auto& [name, bytes] : before_)
      if (!now.count(name)) out += "--- deleted " + name + "\n";
    before_ = std::move(now);
    return out;
  }

  std::optional<std::string> Do(const CaseStep& s) {
    const std::string& k = s.kind;
    if (k == "needs") return std::nullopt;  // decided before the case runs
    if (k == "file") {
      WriteFile(Path(Word(s, 0)), s.body);
    } else if (k == "copy") {
      std::error_code ec;
      fs::create_directories(fs::path(Path(Word(s, 0))).parent_path(), ec);
      fs::copy(SourcePath(Word(s, 1)), Path(Word(s, 0)), fs::copy_options::recursive, ec);
      EXPECT_FALSE(ec) << ec.message();
    } else if (k == "dir") {
      fs::create_directories(Path(Word(s, 0)));
    } else if (k == "remove") {
      fs::remove_all(Path(Word(s, 0)));
    } else if (k == "symlink") {
      fs::create_symlink(Word(s, 1), Path(Word(s, 0)));
    } else if (k == "hardlink") {
      fs::create_hard_link(Path(Word(s, 1)), Path(Word(s, 0)));
    } else if (k == "env") {
      const std::string& w = Word(s, 0);
      std::size_t eq = w.find('=');
      if (eq == std::string::npos) SetEnv(w, nullptr);
      else SetEnv(w.substr(0, eq), w.substr(eq + 1).c_str());
    } else if (k == "cd") {
      cwd_ = Word(s, 0);
    } else if (k == "program") {
      fs::create_directories(Path(Word(s, 0)));
      program_ = Path(Word(s, 0) + "/" + fs::path(QUILLON_EXE).filename().string());
      fs::copy_file(QUILLON_EXE, program_, fs::copy_options::overwrite_existing);
      const std::string catalogue = Path(Word(s, 0) + "/Quillon32.err");
      if (!Has(s.words, "nocatalogue") && !fs::exists(catalogue))
        fs::copy_file(ExecutableDir() + "/Quillon32.err", catalogue);
    } else if (k == "sh") {
      RunResult r = RunCommand(Shell(s.body.empty() ? Join(s.words) : s.body), Path(cwd_));
      EXPECT_EQ(r.status, 0) << r.out;
    } else if (k == "run") {
      before_ = Take(dir_.path());
      std::vector<std::string> args;
      for (const std::string& w : s.words) args.push_back(Expand(w));
      RunResult r = RunProgram(program_, args, Path(cwd_));
      return "--- status " + std::to_string(r.status) + "\n" + EncodeBody("console", Mask(r.out)) +
             Changes();
    } else if (k == "check") {
      RunResult r = RunCommand(Shell(s.body.empty() ? Join(s.words) : s.body), Path(cwd_));
      before_ = Take(dir_.path());
      return "--- status " + std::to_string(r.status) + "\n" + EncodeBody("output", Mask(r.out));
    } else if (k == "decode") {
      auto decoder = CaseDecoders().find(Word(s, 0));
      if (decoder == CaseDecoders().end()) {
        ADD_FAILURE() << "no decoder " << Word(s, 0);
        return std::nullopt;
      }
      if (!fs::is_directory(Path(Word(s, 1)))) return EncodeBody("output", decoder->second(ReadFile(Path(Word(s, 1)))));
      std::string out;  // a folder: the last line of each file's listing
      for (const auto& [name, bytes] : Take(Path(Word(s, 1)))) {
        const std::string listing = decoder->second(bytes);
        out += name + ": " + listing.substr(listing.rfind('\n', listing.size() - 2) + 1);
      }
      return EncodeBody("output", out);
    } else {
      ADD_FAILURE() << "unknown step " << k;
    }
    return std::nullopt;
  }

  static std::string Join(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
    return out;
  }

  const Case& case_;
  std::string python_;
  TempDir dir_;
  std::string cwd_ = ".";
  std::string program_ = QUILLON_EXE;
  Snapshot before_;
  std::map<std::string, std::optional<std::string>> savedEnv_;
};

// Writes the results of a run into its case file, in place of the old ones.
void Update(const Case& c, const std::vector<std::string>& results) {
  const std::string path = SourcePath(c.file);
  std::vector<std::string> lines = SplitLines(ReadFile(path));
  for (const Case& fresh : ParseCaseFile(c.file)) {
    if (fresh.name != c.name) continue;
    std::vector<const CaseStep*> owners;
    for (const CaseStep& s : fresh.steps)
      if (s.kind == "run" || s.kind == "check" || s.kind == "decode") owners.push_back(&s);
    for (std::size_t i = std::min(owners.size(), results.size()); i-- > 0;) {
      std::vector<std::string> replacement = SplitLines(results[i]);
      lines.erase(lines.begin() + owners[i]->resultsBegin, lines.begin() + owners[i]->resultsEnd);
      lines.insert(lines.begin() + owners[i]->resultsBegin, replacement.begin(), replacement.end());
    }
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  WriteFile(path, text);
}

}  // namespace

std::map<std::string, CaseDecoder>& CaseDecoders() {
  static std::map<std::string, CaseDecoder> decoders = {
      {"raster", DecodeRasterSoftkey}, {"vector", DecodeVectorSoftkey}, {"bmx", DecodeBmx}};
  return decoders;
}

std::string DecodeBody(const std::vector<std::string>& lines, const std::vector<std::string>& flags) {
  std::string out;
  if (Has(flags, "hex")) {
    int high = -1;
    for (const std::string& line : lines)
      for (char c : line) {
        int v = HexValue(c);
        if (v < 0) continue;
        if (high < 0) high = v;
        else out += static_cast<char>(high * 16 + v), high = -1;
      }
    return out;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (Has(flags, "esc")) {
      for (std::size_t k = 0; k < line.size(); ++k) {
        if (line[k] == '\\' && k + 1 < line.size() && line[k + 1] == '\\') {
          out += '\\';
          ++k;
        } else if (line[k] == '\\' && k + 3 < line.size() && line[k + 1] == 'x') {
          out += static_cast<char>(HexValue(line[k + 2]) * 16 + HexValue(line[k + 3]));
          k += 3;
        } else {
          out += line[k];
        }
      }
    } else {
      out += line;
    }
    if (i + 1 < lines.size() || !Has(flags, "nonl")) out += Has(flags, "crlf") ? "\r\n" : "\n";
  }
  return out;
}

std::string EncodeBody(const std::string& header, const std::string& bytes) {
  std::size_t lf = 0, crlf = 0, odd = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == '\n') {
      ++lf;
      if (i > 0 && bytes[i - 1] == '\r') ++crlf;
    } else if (!Printable(c) && !(c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) {
      ++odd;
    }
  }
  const bool isCrlf = lf > 0 && crlf == lf;
  std::string text = isCrlf ? Replace(bytes, "\r\n", "\n") : bytes;
  if (odd * 10 > bytes.size() || (odd > 0 && bytes.size() > 65536)) {
    if (bytes.size() > 4096) {
      std::uint64_t h = 14695981039346656037ull;
      for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
      char digest[64];
      std::snprintf(digest, sizeof digest, "size %zu fnv1a64 %016llx\n", bytes.size(),
                    static_cast<unsigned long long>(h));
      return "--- " + header + " digest\n" + digest;
    }
    std::string out = "--- " + header + " hex\n";
    for (std::size_t i = 0; i < bytes.size(); ++i)
      out += Hex2(static_cast<unsigned char>(bytes[i])) + (i % 16 == 15 || i + 1 == bytes.size() ? "\n" : " ");
    return out;
  }
  bool esc = false;
  for (char c : text) esc = esc || (!Printable(static_cast<unsigned char>(c)) && c != '\n');
  for (const std::string& line : SplitLines(text)) esc = esc || IsDirective(line);
  std::string body;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    const bool lineStart = i == 0 || text[i - 1] == '\n';
    if (esc && (c == '\\')) body += "\\\\";
    else if (esc && ((!Printable(c) && c != '\n') || (lineStart && c == '-' && text.compare(i, 4, "--- ") == 0)))
      body += "\\x" + Hex2(c);
    else body += static_cast<char>(c);
  }
  std::string flags = std::string(isCrlf ? " crlf" : "") + (esc ? " esc" : "");
  if (!text.empty() && text.back() != '\n') {
    flags += " nonl";
    body += '\n';
  }
  return "--- " + header + flags + "\n" + body;
}

std::vector<Case> LoadCases() {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(SourcePath("tests")))
    if (entry.path().extension() == ".case")
      files.push_back(fs::relative(entry.path(), SourcePath("")).generic_string());
  std::sort(files.begin(), files.end());
  std::vector<Case> cases;
  for (const std::string& f : files) {
    std::vector<Case> more = ParseCaseFile(f);
    cases.insert(cases.end(), more.begin(), more.end());
  }
  return cases;
}

Snapshot TakeSnapshot(const std::string& dir) { return Take(dir); }

Case FindCase(const std::string& file, const std::string& name) {
  for (const Case& c : ParseCaseFile(file))
    if (c.name == name) return c;
  return {};
}

void WriteCaseFiles(const Case& c, const std::string& dir) {
  for (const CaseStep& s : c.steps) {
    const fs::path to = fs::path(dir) / (s.words.empty() ? "" : s.words[0]);
    if (s.kind == "file") WriteFile(to.string(), s.body);
    if (s.kind == "copy" && s.words.size() > 1) {
      fs::create_directories(to.parent_path());
      fs::copy(SourcePath(s.words[1]), to, fs::copy_options::recursive);
    }
  }
}

void RunCase(const Case& c) {
  std::string python = "python3";
  // The preview's tables run Quillon32Preview, which is built only where
  // stb is there.
  if (!QUILLON_PREVIEW && c.file.rfind("tests/preview/", 0) == 0)
    GTEST_SKIP() << "Quillon32Preview is not built (no libstb-dev)";
#ifdef _WIN32
  for (const CaseStep& s : c.steps)
    if (s.kind == "needs" || s.kind == "sh" || s.kind == "check" || s.kind == "symlink")
      GTEST_SKIP() << (s.kind == "needs" ? "it needs the Linux tool " + s.words.at(0)
                                         : "its " + s.kind + " step needs a POSIX host");
#endif
  for (const CaseStep& s : c.steps) {
    if (s.kind != "needs") continue;
    for (const std::string& tool : s.words) {
      // "python3:module" needs a python3 that imports the module (Debian's
      // packages install into the system's python3, which may not be first on PATH).
      if (tool.rfind("python3:", 0) == 0) {
        python.clear();
        for (const char* candidate : {"/usr/bin/python3", "python3"})
          if (python.empty() && RunCommand(std::string(candidate) + " -c 'import " + tool.substr(8) + "'", ".").status == 0)
            python = candidate;
        if (python.empty()) GTEST_SKIP() << "no python3 with " << tool.substr(8);
      } else if (!HaveTool(tool)) {
        GTEST_SKIP() << tool << " is not installed";
      }
    }
  }
  std::vector<std::string> results;
  {
    CaseRun run(c, python);
    results = run.Run();
  }
  if (std::getenv("Q32_UPDATE_CASES")) {
    Update(c, results);
    return;
  }
  std::size_t i = 0;
  for (const CaseStep& s : c.steps) {
    if (s.kind != "run" && s.kind != "check" && s.kind != "decode") continue;
    if (i >= results.size()) break;
    EXPECT_EQ(s.expected, results[i]) << c.file << ":" << s.line << ": results of " << s.kind
                                      << " (Q32_UPDATE_CASES=1 rewrites them)";
    ++i;
  }
}

}  // namespace q32test
