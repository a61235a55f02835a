// The command line of both programs: the generator's option words, read into
// RunSettings.  The preview takes the generator's words that choose what is
// generated, and -o for its site.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "run/RunSettings.h"

namespace q32 {

enum class OptionId {
  Check, GenHeader, GenDef, GenSys, Menu, NoFileCheck, NoGenDef, NoGenSkSys, Post, Scan, Version,
  ConfigFile, DestDir, Embedded, PlcProject, Defines, LanguageDir, IncLanguageDir, OutputDir, Model,
  Checks, ChecksAsErrors, GccDiagnostics, Sarif, DepFile,
};

// What the words ask for.
struct CommandLine {
  enum class Action { Run, Usage, Version } action = Action::Run;
  std::string unknownOption;  // the first option word that is not one (Usage)
  int projectWords = 0;       // words that are not options; the last is the project
};

// Whether a word is an option ("-" or "/" first; on POSIX hosts a "/" word
// with a further "/" is an absolute path).
bool IsOptionWord(std::string_view word);

// The options the generator takes: every option word.
std::span<const OptionId> GeneratorOptions();

// Reads the words after the program's name into settings, taking only the
// options listed.  The settings that follow from others (the control family
// of the model, the PYMEM: limit of the define list's variant) are set too.
// Usage when a word is no accepted option, when no project is named, or when
// a default or -check run lacks its -pj file; Version at -ver.
[[nodiscard]] CommandLine ParseCommandLine(std::span<const std::string> words, RunSettings& settings,
                                           std::span<const OptionId> accepted);

}  // namespace q32
