#include "cli/CommandLine.h"

#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/RunDriver.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "project/RunContext.h"

namespace q32 {
namespace {

constexpr const char* kUsage[] = {
    "Quillon Generator 5.91:",
    "",
    "Quillon32 <project file> [-t<model>] [-pj<_PJ file>] [switch(es)]",
    "",
    "<project file>   : Softkey project file",
    "-t<model>        : Control model (default: Orva710)",
    "-pj<file>        : PLC project information file for post processing,",
    "                   symbol checking and conditional generation",
    "-r<cfg file>     : File with configuration defines",
    "-a<defines>      : List with additional defines",
    "-l<dir>          : Path of the .inc language files for BPJ conversion",
    "-dp<dir>         : Destination path",
    "Switch(es):",
    "-gensys          : Generation of system files",
    "-check           : Syntax check of SPJ file/file check",
    "-scan            : Scan for sources (Result in .log file)",
    "-gendef          : Only generation of soft-key constants definition",
    "",
    "-post            : Post processing of PLC symbols",
    "-menu            : Only generation of soft-key menu",
    "-nofilecheck     : Do not check existance of files",
    "-nogendef        : No generation of soft-key constants definition",
    "-nogensksys      : No generation of soft-key .sys list",
    "-ver             : Displays version information",
    "",
    "Example: Quillon32 project1.spm -menu",
};

constexpr const char* kBannerNotice = "  softkey generator for machine-tool PLCs";

constexpr int kUsageStatus = 3;

int PrintUsage() {
  for (const char* line : kUsage) std::printf("%s\n", line);
  std::fflush(stdout);
  return kUsageStatus;
}

// Buffers of the original hold 260 bytes (a path) or 20 bytes (the model).
std::string Cut(std::string_view text, std::size_t max) { return std::string(text.substr(0, max)); }

bool IsOption(std::string_view arg) {
  if (arg.empty()) return false;
  if (arg[0] == '-') return true;
  if (arg[0] != '/') return false;
  // A POSIX user writes absolute paths with "/": only a slash word without a
  // further slash is a switch there.
  return kWindowsHost || arg.find('/', 1) == std::string_view::npos;
}

enum class Scan { Continue, Usage, Version };

// Examines one option word (the text from its letter on).
Scan ScanOption(std::string_view word, RunSettings& s) {
  if (word.empty()) return Scan::Usage;
  std::string_view rest = word.substr(1);
  auto is = [&](std::string_view whole) { return EqualsIgnoringCase(word, whole); };
  auto prefixed = [&](std::string_view prefix) { return StartsWithIgnoringCase(word, prefix); };
  switch (std::toupper(static_cast<unsigned char>(word[0]))) {
    case 'A':
      s.defineList = std::string(rest);
      return Scan::Continue;
    case 'C':
      if (is("CHECK")) {
        s.mode = MODE_CHECK;
        return Scan::Continue;
      }
      if (prefixed("CFG")) {
        s.cfgFile = Cut(word.substr(3), kMaxPathLength);
        return Scan::Continue;
      }
      return Scan::Usage;
    case 'D':
      if (prefixed("DP")) {
        s.destDir = Cut(word.substr(2), kMaxPathLength);
        return Scan::Continue;
      }
      return Scan::Usage;
    case 'E':
      // The embedding program writes EMB in upper case; nothing else is taken.
      if (word.substr(0, 3) == "EMB") {
        std::string digits(word.substr(3));
        s.embedded = static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 10));
        return Scan::Continue;
      }
      return Scan::Usage;
    case 'G':
      if (is("GENH")) s.genHeader = true;
      else if (is("GENDEF")) s.mode = MODE_GENDEF;
      else if (is("GENSYS")) s.mode = MODE_GENSYS;
      else return Scan::Usage;
      return Scan::Continue;
    case 'I':
      s.languagePath = Cut(rest, kMaxPathLength);
      return Scan::Continue;
    case 'L':
      s.incLanguagePath = Cut(rest, kMaxPathLength);
      return Scan::Continue;
    case 'M':
      if (!is("MENU")) return Scan::Usage;
      s.menuOnly = true;
      return Scan::Continue;
    case 'N':
      if (is("NOFILECHECK")) s.fileCheck = false;
      else if (is("NOGENDEF")) s.noGenDef = true;
      else if (is("NOGENSKSYS")) s.noGenSkSys = true;
      else return Scan::Usage;
      return Scan::Continue;
    case 'O':
      s.outputDir = Cut(rest, kMaxPathLength);
      return Scan::Continue;
    case 'P':
      if (is("POST")) {
        s.postProcess = true;
        return Scan::Continue;
      }
      if (prefixed("PJ")) {
        s.pjFile = Cut(word.substr(2), kMaxPathLength);
        s.pjGiven = true;
        return Scan::Continue;
      }
      return Scan::Usage;
    case 'R':
      s.cfgFile = Cut(rest, kMaxPathLength);
      return Scan::Continue;
    case 'S':
      if (!is("SCAN")) return Scan::Usage;
      s.mode = MODE_SCAN;
      s.noGenDef = true;
      return Scan::Continue;
    case 'T':
      s.model = Cut(rest, kMaxModelLength);
      return Scan::Continue;
    case 'V':
      return is("VER") ? Scan::Version : Scan::Usage;
    default:
      return Scan::Usage;
  }
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  auto fs = MakeHostFileSystem();
  std::vector<std::string> args = CommandArguments(argc, argv);
  std::vector<char*> words;
  for (std::string& a : args) words.push_back(a.data());
  words.push_back(nullptr);
  return RunCommandLine(static_cast<int>(args.size()), words.data(), *fs);
}

int RunCommandLine(int argc, char** argv, FileSystem& fs) {
  if (argc < 2) return PrintUsage();
  RunContext run(fs);
  RunSettings& s = run.settings;
  s.programDir = ProgramDirectory(argc > 0 ? argv[0] : nullptr);

  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i] ? argv[i] : "";
    if (!arg.empty() && arg[0] == '?') return PrintUsage();
    if (!IsOption(arg)) {
      s.projectFile = Cut(arg, kMaxPathLength);
      continue;
    }
    switch (ScanOption(arg.substr(1), s)) {
      case Scan::Continue:
        break;
      case Scan::Usage:
        return PrintUsage();
      case Scan::Version:
        std::printf("Version: %s\n", kVersion);
        std::fflush(stdout);
        return 0;
    }
  }
  if ((s.mode == MODE_PROJECT || s.mode == MODE_CHECK) && !s.pjGiven) return PrintUsage();
  if (s.projectFile.empty()) return PrintUsage();

  if (!s.IsEmbedded()) {
    PrepareConsole();
    std::printf(" Quillon32  V%s%s\n", kVersion, kBannerNotice);
    std::fflush(stdout);
  }
  std::string project = s.projectFile;
  std::string pj = s.pjFile;
  std::string cfg = s.cfgFile;
  std::optional<std::string> defines = s.defineList;
  return RunGenerator(run, project, {}, pj, s.fileExists, cfg, s.mode, defines);
}

}  // namespace q32
