// The entry point: reads the arguments into RunSettings, chooses the run
// mode, prints usage, version and banner, and hands the run to the driver.
#pragma once

#include <cstdio>

namespace q32 {

// The whole program; returns the exit status.
int RunCommandLine(int argc, char** argv);

}  // namespace q32
