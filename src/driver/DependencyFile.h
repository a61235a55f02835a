// The dependency file of a run (-MF), in the rule syntax make and ninja read:
// the files the run wrote as targets, the files it read as prerequisites.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace q32 {

// One rule "targets: prerequisites", long lines continued with " \", then an
// empty rule for each prerequisite, so that make does not stop at a file a
// later version of the project no longer names.  Paths are full host paths;
// those below `start` (the directory the run started in) are written
// relative to it, as a build file in that directory names them.  Blanks are
// written "\ ", "#" "\#" and "$" "$$".
std::string DependencyRules(const std::vector<std::string>& targets, const std::vector<std::string>& prerequisites,
                            std::string_view start);

}  // namespace q32
