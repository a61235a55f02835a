#include "cli/CommandLine.h"

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

enum class OptionId {
  Check, GenHeader, GenDef, GenSys, Menu, NoFileCheck, NoGenDef, NoGenSkSys, Post, Scan, Version,
  ConfigFile, DestDir, Embedded, PlcProject, Defines, LanguageDir, IncLanguageDir, OutputDir, Model,
};
using O = OptionId;

// One option word, written after "-" (or "/").  An option with a value takes
// the rest of the word (-pjmill.pj); the others must be written whole.  Case
// does not matter unless caseSensitive is set.
struct CommandLineOption {
  OptionId id;
  const char* word;
  bool takesValue;
  bool caseSensitive;
};

// Whole words first, then the options that take the rest of the word as
// their value, so that a word such as -checkx matches nothing.
constexpr CommandLineOption kOptions[] = {
    {O::Check, "check", false, false},       {O::GenHeader, "genh", false, false},
    {O::GenDef, "gendef", false, false},     {O::GenSys, "gensys", false, false},
    {O::Menu, "menu", false, false},         {O::NoFileCheck, "nofilecheck", false, false},
    {O::NoGenDef, "nogendef", false, false}, {O::NoGenSkSys, "nogensksys", false, false},
    {O::Post, "post", false, false},         {O::Scan, "scan", false, false},
    {O::Version, "ver", false, false},       {O::ConfigFile, "cfg", true, false},
    {O::DestDir, "dp", true, false},
    // The embedding program writes EMB in upper case; nothing else is taken.
    {O::Embedded, "EMB", true, true},        {O::PlcProject, "pj", true, false},
    {O::Defines, "a", true, false},          {O::LanguageDir, "i", true, false},
    {O::IncLanguageDir, "l", true, false},   {O::OutputDir, "o", true, false},
    {O::ConfigFile, "r", true, false},       {O::Model, "t", true, false},
};

const CommandLineOption* FindOption(std::string_view word) {
  for (const CommandLineOption& o : kOptions) {
    std::string_view name = o.word;
    bool match = !o.takesValue      ? EqualsIgnoringCase(word, name)
                 : o.caseSensitive ? word.substr(0, name.size()) == name
                                   : StartsWithIgnoringCase(word, name);
    if (match) return &o;
  }
  return nullptr;
}

// Examines one option word (the text from its letter on).
Scan ScanOption(std::string_view word, RunSettings& s) {
  const CommandLineOption* option = FindOption(word);
  if (!option) return Scan::Usage;
  std::string_view value = word.substr(std::string_view(option->word).size());
  switch (option->id) {
    case O::Check: s.mode = MODE_CHECK; break;
    case O::GenHeader: s.genHeader = true; break;
    case O::GenDef: s.mode = MODE_GENDEF; break;
    case O::GenSys: s.mode = MODE_GENSYS; break;
    case O::Menu: s.menuOnly = true; break;
    case O::NoFileCheck: s.fileCheck = false; break;
    case O::NoGenDef: s.noGenDef = true; break;
    case O::NoGenSkSys: s.noGenSkSys = true; break;
    case O::Post: s.postProcess = true; break;
    case O::Scan:
      s.mode = MODE_SCAN;
      s.noGenDef = true;
      break;
    case O::Version: return Scan::Version;
    case O::ConfigFile: s.cfgFile = Cut(value, kMaxPathLength); break;
    case O::DestDir: s.destDir = Cut(value, kMaxPathLength); break;
    case O::Embedded: {
      std::string digits(value);
      s.embedded = static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 10));
      break;
    }
    case O::PlcProject:
      s.pjFile = Cut(value, kMaxPathLength);
      s.pjGiven = true;
      break;
    case O::Defines: s.defineList = std::string(value); break;
    case O::LanguageDir: s.languagePath = Cut(value, kMaxPathLength); break;
    case O::IncLanguageDir: s.incLanguagePath = Cut(value, kMaxPathLength); break;
    case O::OutputDir: s.outputDir = Cut(value, kMaxPathLength); break;
    case O::Model: s.model = Cut(value, kMaxModelLength); break;
  }
  return Scan::Continue;
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

int RunCommandLine(int argc, char** argv, FileSystem& fs) { return RunCommandLine(argc, argv, fs, nullptr); }

int RunCommandLine(int argc, char** argv, FileSystem& fs, RunObserver* observer) {
  if (argc < 2) return PrintUsage();
  RunContext run(fs);
  run.observer = observer;
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
