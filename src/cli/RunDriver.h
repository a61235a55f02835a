// One run of the generator: prepares catalogue, log, PLC symbols, defines,
// working directory and output files, lets the project reader work, then
// prints the totals, deletes the outputs of a failed run and decides the
// exit status.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "project/RunRecords.h"

namespace q32 {

struct RunContext;

constexpr const char* kVersion = "5.91";

// Exit status 0 (clean), 1 (warnings), 2 (errors) or 3 (catalogue or log
// failure).  run.settings holds what the command line set.
int RunGenerator(RunContext& run, std::string_view projectFile, std::string_view treeFile,
                 std::string_view pjFile, std::function<bool(std::string_view)> exists,
                 std::string_view cfgFile, RunMode mode,
                 const std::optional<std::string>& defineList);

// The largest PYMEM: value allowed by the machine variant that a define list
// names: 128 for a variant of index 2 or more of the 48213x base, else 64.
int VariantMemoryLimit(std::string_view defineList);

}  // namespace q32
