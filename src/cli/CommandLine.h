// The entry point: reads the arguments into RunSettings, chooses the run
// mode, prints usage, version and banner, and hands the run to the driver.
#pragma once

#include <cstdio>

namespace q32 {

class FileSystem;
class RunObserver;

// The whole program on the host's file system; returns the exit status.
int RunCommandLine(int argc, char** argv);
// The same on a given file system (tests inject faults through it).
int RunCommandLine(int argc, char** argv, FileSystem& fs);
// The same, watched by an observer (the preview).
int RunCommandLine(int argc, char** argv, FileSystem& fs, RunObserver* observer);

}  // namespace q32
