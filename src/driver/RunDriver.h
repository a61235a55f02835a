// One run of the generator: prepares catalogue, log, PLC symbols, defines,
// working directory and output files, lets the project reader work, then
// prints the totals, deletes the outputs of a failed run and decides the
// exit status.  Both programs run the generator through it.
#pragma once

#include <span>
#include <string>

namespace q32 {

class FileSystem;
class RunObserver;
struct RunContext;
struct RunSettings;

constexpr int kUsageStatus = 3;

// Exit status 0 (clean), 1 (warnings), 2 (errors) or 3 (catalogue or log
// failure).
[[nodiscard]] int RunGenerator(RunContext& run);

// A run of parsed settings as the generator program makes it: the banner
// (unless embedded), then the run on fs, watched by observer if any.
[[nodiscard]] int RunGeneratorProgram(RunSettings settings, FileSystem& fs, RunObserver* observer = nullptr);

// The whole generator program: words are the command line with the
// program's name first.  Prints the usage, the version or the banner, runs
// the generator on fs (watched by observer, if any) and returns the status.
[[nodiscard]] int RunCommandLine(std::span<const std::string> words, FileSystem& fs, RunObserver* observer = nullptr);

}  // namespace q32
