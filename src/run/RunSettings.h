// What the command line asks of one run.  ParseCommandLine (CommandLine.h)
// fills it once; from then on it is read-only.  What a project line may
// change lives in the run's other records (RunContext.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q32 {

constexpr const char* kVersion = "5.91";

// Softkey, menu and define names are cut to this many characters.
constexpr std::size_t kMaxNameLength = 24;
// The control model name holds at most this many characters.
constexpr std::size_t kMaxModelLength = 19;

constexpr const char* kDefaultDestPath = "PLC:\\SOFTKEYS\\";
constexpr const char* kSystemListName = "QUILLONK.SYS";
constexpr std::uint32_t kNotEmbedded = 0xFFFFFFFFu;

enum class RunMode : int {
  Gensys = 0,
  Gendef = 1,
  Scan = 3,
  Project = 4,
  Check = 5,
};

struct RunSettings {
  RunMode mode = RunMode::Project;
  bool menuOnly = false, postProcess = false, noGenDef = false, noGenSkSys = false, genHeader = false;
  bool fileCheck = true;
  std::uint32_t embedded = kNotEmbedded;
  bool pjGiven = false;
  std::string model = "Orva710";
  // The little-endian control family, whose model names begin with "Orva":
  // it decides extensions and byte order.
  bool controlFamilyLE = true;
  // The largest PYMEM: value the machine variant of the define list allows.
  std::int32_t pyMemLimit = 64;
  std::string programDir;   // where the message catalogue lies
  std::string projectFile;  // as the command line names it
  std::string pjFile, cfgFile;
  std::optional<std::string> defineList;
  std::string destDir = kDefaultDestPath;
  std::string languagePath;     // -i
  std::string incLanguagePath;  // -l
  std::string outputDir;        // -o
  // -W: the checks of what a run lets pass, reported as warnings of their
  // own numbers; -Werror counts them as errors.
  bool checks = false, checksAsErrors = false;
  // -diag:gcc: every report also on standard error as file:line: severity:
  // text [number], the form editors and CI annotations read.
  bool gccDiagnostics = false;
  // -sarif:<file>: the run's reports as a SARIF log.
  std::string sarifFile;
  // -MF <file>: the dependency file of make and ninja, naming every file the
  // run wrote as its targets and every file it read as their prerequisites.
  std::string depFile;

  bool IsEmbedded() const { return embedded != kNotEmbedded; }
};

// The largest PYMEM: value allowed by the machine variant that a define list
// names: 128 for a variant of index 2 or more of the 48213x base, else 64.
int VariantMemoryLimit(std::string_view defineList);

}  // namespace q32
