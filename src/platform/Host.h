// Process services of the host: the program's own directory, the clock of
// creation dates, environment variables and the console.
#pragma once

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q32 {

// The directory of the running executable, ending in a separator; the
// message catalogue lies there.  Falls back to argv0 made absolute.
std::string ProgramDirectory(const char* argv0);

// The broken-down time written as the creation date of generated files:
// local time, or the instant of SOURCE_DATE_EPOCH in UTC when that is set
// (reproducible outputs for build pipelines).
std::tm CreationTime();

// The command-line arguments in the program's code page: on Windows the
// process's own command line, converted from UTF-16 to Windows-1252 (argv
// there holds another code page's bytes); on POSIX argv as it is.
std::vector<std::string> CommandArguments(int argc, char** argv);

// An environment variable, or nothing when it is not defined.
std::optional<std::string> EnvironmentVariable(std::string_view name);

// Makes a console window show the program's console bytes as code page
// 850 (on Windows, when standard output is a console; elsewhere nothing).
void PrepareConsole();

// Standard input and output as byte streams, with no line-end conversion:
// a program that speaks a framed protocol over them counts bytes (Windows
// would otherwise turn each LF it writes into CR LF).
void BinaryStandardStreams();

// A path written with either separator, in the host's own form, as tools
// of the host that open it (an editor's problem matcher) expect it.
std::string InHostForm(std::string_view path);

// True when the program is built for Windows (option syntax, console code page).
constexpr bool kWindowsHost =
#ifdef _WIN32
    true;
#else
    false;
#endif

}  // namespace q32
