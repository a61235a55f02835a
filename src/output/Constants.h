// Menu and softkey numbers, and the constants definition file that the PLC
// program includes: one define per menu and per named softkey, in the PLC's
// include syntax or, with -genh, as a C header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace q32 {

class File;
struct RunContext;
struct RunSettings;

// The define name is left-aligned in this many columns of a .def line.
constexpr std::size_t kDefineNameColumns = 40;

// ";" for the PLC include syntax, "//" for a header.
const char* ConstantsCommentPrefix(const RunSettings& settings);
// The path under which the constants file is created (defFile, or its base
// name inside -o); empty when the joined path would be too long.
std::string ConstantsFilePath(const RunContext& run);
// Creates the constants file with its header as the run's definition stream
// and announces it; null when it cannot be created (the caller reports 8220).
File* OpenConstantsFile(RunContext& run);
void CloseConstantsFile(RunContext& run);
// The "Menu constants:" or "Softkey constants:" heading; false when the
// write fails or no file is open.
bool WriteConstantsHeading(RunContext& run, bool menus);
// A define line in the open constants file; false when the write fails or no
// file is open.
bool WriteConstantDefine(RunContext& run, std::string_view name, std::int32_t number);

}  // namespace q32
