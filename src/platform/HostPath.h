// Mapping of the program's Windows-style paths onto POSIX host paths, and
// the host's own full paths (what FileSystem::FullPath and GetCurrentDir
// give): their separator, root, parent and joins, so that code above the
// platform handles them without knowing the host.
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

// The separator of the host's full paths: "/" on POSIX, "\" on Windows.
char HostPathSeparator();

// The length of the root of a full host path: 1 for "/" on POSIX; on
// Windows 3 for a drive ("C:\") and the whole "\\server\share\" of a
// network path.  0 when the path is no full path of this host (a partition of
// the control, PLC:\..., or a drive on POSIX).
std::size_t HostRootLength(std::string_view full);

// The directory that holds a full host path (a root is its own parent).
std::string HostParent(std::string_view full);

// A name below a full host directory, with the host's separator; an empty
// name gives the directory ending in its separator.
std::string HostJoin(std::string_view directory, std::string_view name);

// A full host path as a name of the in-memory file system, which knows only
// "/" and one root: POSIX paths stay as they are; on Windows "C:\dir" becomes
// "/C:/dir" and "\\server\share\dir" "/UNC/server/share/dir".
std::string InMemoryForm(std::string_view full);

}  // namespace q32
