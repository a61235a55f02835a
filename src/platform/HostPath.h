// Mapping of the program's Windows-style paths onto POSIX host paths.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace q32 {

// True when the first component of the path names a drive (C:, PLC:) or the
// path is a network path (\\server\share); such places do not exist on a
// POSIX host.
bool HasForeignRoot(std::string_view path);

// The components of a path between its separators ("\" or "/"), empty ones
// left out.
std::vector<std::string> PathComponents(std::string_view path);

// The full path of a name against a current directory (host form, "/"
// separated): "." and ".." are resolved lexically.  A path with a drive is
// only normalised.
bool FullHostPath(std::string_view path, const std::string& cwd, std::string& out);

}  // namespace q32
