// Times the language server on a project of N bitmap softkeys in menus, as
// an editor drives it over its protocol: the time from opening the project
// to its diagnostics, and the median time from a change of the text to the
// change's diagnostics.  Each change renames the softkey of one line and the
// item that shows it (a different line each time), the edit a user makes,
// sent as an editor sends it: the two lines as changed ranges.
// Not a test, but it fails (status 1) when the diagnostics of an edit differ
// from those a fresh server gives the edited text.  It prints one line per
// size,
//   "<N> softkeys: open <s> s, change median <ms> ms (fastest <ms>, slowest <ms>) over <k> changes,
//    cpu <ms> ms a change, <KiB> KiB"
// where cpu is the server's user and system time over the changes, by
// change (a shared machine disturbs it less than the wall clock), and KiB
// its peak resident memory.
//
//   bench_LspBench [--server PATH] [sizes...]      (default 1000 10000)
//
// --server times another build's server (an earlier commit's, to compare);
// the default is the Quillon32Lsp beside this program.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "BenchProject.h"
#include "platform/Host.h"

namespace fs = std::filesystem;

namespace {

constexpr int kChanges = 21;

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\', out += c;
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out + "\"";
}

class Server {
 public:
  explicit Server(const std::string& program) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) std::exit(1);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = fdopen(in[1], "w");
    from_ = fdopen(out[0], "r");
  }

  void Send(const std::string& body) {
    std::fprintf(to_, "Content-Length: %zu\r\n\r\n%s", body.size(), body.c_str());
    std::fflush(to_);
  }

  // Whether the server asks for changed ranges (else whole texts), as its
  // answer to initialize says.
  bool ranges = false;

  // Reads messages until one holds every piece (kept in last); false at
  // the server's end.
  std::string last;
  bool WaitFor(const std::vector<std::string>& pieces) {
    for (;;) {
      std::size_t length = 0;
      char line[256];
      for (;;) {
        if (!std::fgets(line, sizeof line, from_)) return false;
        if (std::strncmp(line, "Content-Length:", 15) == 0) length = std::strtoul(line + 15, nullptr, 10);
        if (line[0] == '\r' || line[0] == '\n') break;
      }
      std::string body(length, '\0');
      if (std::fread(body.data(), 1, length, from_) != length) return false;
      bool all = true;
      for (const std::string& p : pieces) all = all && body.find(p) != std::string::npos;
      if (all) {
        last = std::move(body);
        return true;
      }
    }
  }

  // The server's user and system time so far, in seconds.
  double Cpu() const {
    std::FILE* f = std::fopen(("/proc/" + std::to_string(pid_) + "/stat").c_str(), "r");
    if (!f) return 0;
    char text[4096];
    const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    text[n] = '\0';
    // The fields after the program's name, which ends at the last ")":
    // state is the 3rd field, utime and stime the 14th and 15th.
    const char* p = std::strrchr(text, ')');
    unsigned long long utime = 0, stime = 0;
    if (!p || std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2) return 0;
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }

  // Ends the server; its peak resident memory in KiB.
  long End() {
    Send(R"({"jsonrpc":"2.0","id":99,"method":"shutdown"})");
    WaitFor({"\"id\":99"});
    Send(R"({"jsonrpc":"2.0","method":"exit"})");
    std::fclose(to_);
    std::fclose(from_);
    int status = 0;
    struct rusage usage {};
    wait4(pid_, &status, 0, &usage);
    return usage.ru_maxrss;
  }

 private:
  pid_t pid_ = -1;
  FILE* to_ = nullptr;
  FILE* from_ = nullptr;
};

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The project's text with softkey k's name (on its softkey line and its
// item) changed to one of this change's own.
std::string Changed(std::string text, int k, int change) {
  const std::string name = "SK" + std::to_string(k), renamed = "R" + std::to_string(change) + "K" + std::to_string(k);
  for (const std::string& at : {".bmp " + name + "\n", "ACTION " + name + "\n"}) {
    const std::size_t where = text.find(at);
    if (where != std::string::npos) text.replace(where, at.size(), at.substr(0, at.size() - name.size() - 1) + renamed + "\n");
  }
  return text;
}

// The server started on the project in dir and its text opened; false when
// the server ends first.
bool Open(Server& s, const fs::path& dir, const std::string& uri, const std::string& text) {
  s.Send(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"rootUri":"file://)" + dir.string() +
         R"(","capabilities":{}}})");
  if (!s.WaitFor({"\"id\":1"})) return false;
  s.ranges = s.last.find(R"("change":2)") != std::string::npos;
  s.Send(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":")" + uri +
         R"(","languageId":"quillon32-project","version":1,"text":)" + JsonString(text) + "}}}");
  return s.WaitFor({"publishDiagnostics", "\"uri\":\"" + uri + "\""});
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return lines;
    start = end + 1;
  }
}

// What an editor sends when the text before becomes after: each line that
// changed as a range of its own where the lines stay as many (a word typed
// over), else the whole text.
std::string ContentChanges(const std::string& before, const std::string& after) {
  const std::vector<std::string_view> was = Lines(before), is = Lines(after);
  if (was.size() != is.size()) return R"([{"text":)" + JsonString(after) + "}]";
  std::string changes;
  for (std::size_t i = 0; i < was.size(); ++i) {
    if (was[i] == is[i]) continue;
    const std::string line = std::to_string(i);
    changes += std::string(changes.empty() ? "[" : ",") + R"({"range":{"start":{"line":)" + line +
               R"(,"character":0},"end":{"line":)" + line + R"(,"character":)" + std::to_string(was[i].size()) +
               R"(}},"text":)" + JsonString(std::string(is[i])) + "}";
  }
  return changes.empty() ? R"([{"text":)" + JsonString(after) + "}]" : changes + "]";
}

// The project's text changed from before to after, up to the diagnostics of
// the change.
bool Change(Server& s, const std::string& uri, int version, const std::string& before, const std::string& after) {
  const std::string changes = s.ranges ? ContentChanges(before, after) : R"([{"text":)" + JsonString(after) + "}]";
  s.Send(R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":")" + uri +
         R"(","version":)" + std::to_string(version) + R"(},"contentChanges":)" + changes + "}}");
  return s.WaitFor({"publishDiagnostics", "\"uri\":\"" + uri + "\""});
}

}  // namespace

int main(int argc, char** argv) {
  std::string server = q32::ProgramDirectory(argv[0]) + "Quillon32Lsp";
  if (argc > 2 && std::strcmp(argv[1], "--server") == 0) {
    server = argv[2];
    argv[2] = argv[0];
    argc -= 2;
    argv += 2;
  }
  const fs::path root = bench::FreshRoot("lsp");
  if (root.empty()) return 1;
  for (int n : bench::Sizes(argc, argv)) {
    const fs::path dir = root / std::to_string(n);
    bench::MakeProject(dir, n, /*inMenus=*/true);
    sync();
    std::string text;
    {
      std::FILE* f = std::fopen((dir / "p.spm").c_str(), "rb");
      char buffer[65536];
      for (std::size_t got; f && (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, got);
      if (f) std::fclose(f);
    }
    const std::string uri = "file://" + (dir / "p.spm").string();

    Server s(server);
    auto start = std::chrono::steady_clock::now();
    if (!Open(s, dir, uri, text)) return 1;
    const double open = Since(start);
    std::vector<double> changes;
    std::string current = text;  // the server's
    const double cpu = s.Cpu();
    for (int c = 0; c < kChanges; ++c) {
      std::string changed = Changed(text, (c * 7919 + 13) % n, c);
      start = std::chrono::steady_clock::now();
      if (!Change(s, uri, c + 2, current, changed)) return 1;
      changes.push_back(Since(start) * 1000);
      current = std::move(changed);
    }
    const double changeCpu = (s.Cpu() - cpu) / kChanges * 1000;
    // Not timed: the diagnostics of a change are those a fresh server gives
    // the same text, for an error made (a softkey renamed away from its
    // item), taken back, a condition that switches a softkey line off, a
    // source spoilt outside the editor between two changes, the softkeys'
    // path on the control set, a line that a file's coming into being
    // switches on (the edit outside the editor changes no word of it), and
    // a softkey moved into the next menu (every index after it moves).
    int version = kChanges + 2;
    const std::string line = "BMP img\\sk" + std::to_string(n / 2) + ".bmp SK" + std::to_string(n / 2) + "\n";
    const std::size_t at = text.find(line);
    auto with = [&](const std::string& by) { return std::string(text).replace(at, line.size(), by); };
    std::string skPath = text;
    skPath.insert(text.find('\n') + 1, "SKPATH PLC:\\OTHER\\\n");
    std::string moved = with("");
    const int menus = (n + 99) / 100;
    const std::size_t next = moved.find("SKMENU M" + std::to_string((n / 2 / 100 + 1) % menus) + " ");
    moved.insert(moved.find('\n', next) + 1, line);
    const std::string gated = with("#IFEXIST img\\flag.txt\n" + line + "#ENDIF\n");
    struct Edit {
      std::string text;
      fs::path spoilt;  // a file written on disk before the change
      std::string bytes;
    };
    const fs::path img = dir / "img";
    auto edit = [](std::string edited, fs::path spoilt = {}, std::string bytes = {}) {
      return Edit{std::move(edited), std::move(spoilt), std::move(bytes)};
    };
    const Edit edits[] = {edit(with(line.substr(0, line.size() - 1) + "X\n")),
                          edit(text),
                          edit(with("#IF 1\n" + line + "#ENDIF\n")),
                          edit(with("#IF 0\n" + line + "#ENDIF\n")),
                          edit(text, img / ("sk" + std::to_string(n / 2 + 1) + ".bmp"), "BM"),
                          edit(skPath),
                          edit(gated),
                          edit(gated, img / "flag.txt", "on"),
                          edit(moved)};
    for (const Edit& e : edits) {
      if (!e.spoilt.empty()) bench::Write(e.spoilt, e.bytes);
      Server fresh(server);
      if (!Change(s, uri, version++, current, e.text) || !Open(fresh, dir, uri, e.text)) return 1;
      current = e.text;
      const bool same = s.last == fresh.last;
      fresh.End();
      if (!same) {
        std::fprintf(stderr, "%d softkeys: the diagnostics of change %d differ from a fresh server's:\n%s\n%s\n", n,
                     version - kChanges - 2, s.last.substr(0, 300).c_str(), fresh.last.substr(0, 300).c_str());
        return 1;
      }
    }
    const long peak = s.End();
    std::sort(changes.begin(), changes.end());
    std::printf("%d softkeys: open %.3f s, change median %.1f ms (fastest %.1f, slowest %.1f) over %d changes, "
                "cpu %.1f ms a change, %ld KiB\n",
                n, open, changes[changes.size() / 2], changes.front(), changes.back(), kChanges, changeCpu, peak);
    std::fflush(stdout);
  }
  // The directory and everything in it are this program's own.
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
