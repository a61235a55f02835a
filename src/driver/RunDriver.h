// One run of the generator: prepares catalogue, log, PLC symbols, defines,
// working directory and output files, lets the project reader work, then
// prints the totals, deletes the outputs of a failed run and decides the
// exit status.  Both programs run the generator through it.
#pragma once

#include <span>
#include <string>

namespace q32 {

class Collector;
class FileSystem;
struct RunContext;
struct RunSettings;

constexpr int kUsageStatus = 3;

// Exit status 0 (clean), 1 (warnings), 2 (errors) or 3 (catalogue or log
// failure).  With `checks` (the run's observer), the checks of the whole
// project follow the project's reading.
[[nodiscard]] int RunGenerator(RunContext& run, Collector* checks = nullptr);

// A run of parsed settings as the generator program makes it: the banner
// (unless embedded), then the run on fs.  The checks gather into `checks`
// when given (the preview's), else into a collector of the run's own under
// -W; under -W the run reports their findings.
[[nodiscard]] int RunGeneratorProgram(RunSettings settings, FileSystem& fs, Collector* checks = nullptr);

// The whole generator program: words are the command line with the
// program's name first.  Prints the usage, the version or the banner, runs
// the generator on fs and returns the status.
[[nodiscard]] int RunCommandLine(std::span<const std::string> words, FileSystem& fs);

}  // namespace q32
