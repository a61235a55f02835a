// The entry point: reads the arguments into RunSettings, chooses the run
// mode, prints usage, version and banner, and hands the run to the driver.
#pragma once

#include <cstdio>
#include <span>

namespace q32 {

class FileSystem;

enum class OptionId {
  Check, GenHeader, GenDef, GenSys, Menu, NoFileCheck, NoGenDef, NoGenSkSys, Post, Scan, Version,
  ConfigFile, DestDir, Embedded, PlcProject, Defines, LanguageDir, IncLanguageDir, OutputDir, Model,
};

// One option word of the command line, written after "-" (or "/").  An
// option with a value takes the rest of the word (-pjmill.pj); the others
// must be written whole.  Case does not matter unless caseSensitive is set.
struct CommandLineOption {
  OptionId id;
  const char* word;
  bool takesValue;
  bool caseSensitive;
};

// Every option the command line takes, in the order words are matched.
std::span<const CommandLineOption> CommandLineOptions();

// The whole program on the host's file system; returns the exit status.
int RunCommandLine(int argc, char** argv);
// The same on a given file system (tests inject faults through it).
int RunCommandLine(int argc, char** argv, FileSystem& fs);

}  // namespace q32
