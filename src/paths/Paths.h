// Path and file-name operations on the program's Windows-style paths: drives
// of one or more letters (C:, PLC:), network paths (\\server\share), "\" as
// separator ("/" accepted in input).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace q32 {

class FileSystem;

// A path buffer of the original format holds 260 bytes, terminator included.
constexpr std::size_t kPathBufferSize = 260;
constexpr std::size_t kMaxPathLength = kPathBufferSize - 1;

// The directory against which paths in messages are shown; empty until the
// run driver sets it.  One per run.
struct PathContext {
  FileSystem* fs = nullptr;
  std::string baseDirectory;
};

struct PathParts {
  std::string drive, dir, name, ext;
};

void ToBackslashes(std::string& path);
// Position of the extension's dot, or the length when there is none (a dot in
// a directory name does not count).
std::size_t ExtensionOf(std::string_view path);
// Replaces (or appends) the extension; ext includes its dot.  A result longer
// than kMaxPathLength leaves the path empty.
std::string& ReplaceExtension(std::string& path, std::string_view ext);
// The directory part with its trailing separator (C:\proj\, PLC:), or empty.
std::string DirectoryOf(std::string_view path);
// The drive: everything up to and including the first colon, or empty.
std::string DriveOf(std::string_view path);
// The offset of the file-name part within the path, and that part itself.
std::size_t FileNameOffset(std::string_view path);
std::string_view FileNameOf(std::string_view path);
// %NAME% expansion from the environment; a result of size characters or more
// is empty.
std::string ExpandVariables(std::string_view in, std::size_t size = kPathBufferSize);
// Joins a relative path to a base directory in place and collapses "\..\".
void MakeAbsolute(std::string& path, std::string_view base, bool expand);
void CollapseDotDot(std::string& path);
// Rewrites an absolute path relative to a base directory, in place.
void MakeRelative(std::string_view base, std::string& path, bool expand);
PathParts SplitPath(std::string_view path);

bool FileExists(FileSystem& fs, std::string_view path);
// Creates the missing directories of a file's path from its drive downward;
// a directory that cannot be created ends the creating.
void MakeOutputDirectories(FileSystem& fs, std::string_view path);
void SetBaseDirectory(PathContext& context, std::string_view dir);
// The path as messages and logs show it: relative to the base directory when
// one is set.  Without expand, %NAME% stays as written (used for reports).
std::string DisplayPath(const PathContext& context, std::string_view in, bool expand = true);

}  // namespace q32
