// The few services each host gives in its own way (posix/PosixHost.cpp,
// windows/WindowsHost.cpp); Host.cpp builds the program's host services on
// them once for every host.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace q32 {

// The path of the running executable, in the program's code page; false
// where the host cannot tell.
bool ExecutablePath(std::string& out);

// The program's path from argv0, for when its own path is unknown: a POSIX
// host makes it absolute against the current directory, Windows takes it as
// it is.
std::string ArgumentProgramPath(const char* argv0);

// HostPathSeparator and HostRootLength (HostPath.h) are given per host too.
// An instant broken down in UTC, and in the workstation's local time.
void UtcTime(std::time_t t, std::tm& out);
void LocalTime(std::time_t t, std::tm& out);

// The arguments as the host hands them over in its own form, converted to
// the program's code page; false where argv is already that form.
bool HostCommandArguments(std::vector<std::string>& out);

}  // namespace q32
