// Reads the softkey project line by line and acts on each line at once.
#pragma once

#include <memory>

namespace q32 {

class File;
struct RunContext;

constexpr const char* kProjectHeader = "QUILLON Project File - Version 1.0";

// Reads the project from the stream the run driver opened (it may close and
// release it).  Reports through run.diag; counts decide the run's status.
void ReadProject(RunContext& run, std::unique_ptr<File>& project);

}  // namespace q32
