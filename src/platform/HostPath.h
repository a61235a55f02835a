// Mapping of the program's Windows-style paths onto POSIX host paths.
#pragma once

#include <string>
#include <string_view>

namespace q32 {

// True when the first component of the path names a drive (C:, PLC:) or the
// path is a network path (\\server\share); such places do not exist on a
// POSIX host.
bool HasForeignRoot(std::string_view path);

// The host path of a program path: "\" becomes "/"; when the name does not
// exist exactly, every component is looked up again without regard to case
// (the first match in name order wins), and components that match nothing are
// kept as written.  False for paths that cannot exist on this host.
bool HostPathOf(std::string_view path, std::string& host);

// The full path of a name against a current directory (host form, "/"
// separated): "." and ".." are resolved lexically.  A path with a drive is
// only normalised.
bool FullHostPath(std::string_view path, const std::string& cwd, std::string& out);

}  // namespace q32
