// The menu constant pass: before the main pass, every menu of the project
// is numbered and its name registered, so that items may name menus defined
// further down, and the menu defines open the constants file.
#pragma once

namespace q32 {

class File;
struct FileCoding;
struct PlcSymbolTables;
struct RunContext;

// Reads the project from the stream's current position (the line after the
// header, whose number is firstLine), numbers the menus, registers their
// names and writes their defines, then puts the stream back where it was.
// False when it had to stop (the reason has been reported).
[[nodiscard]] bool RunMenuConstantPass(RunContext& run, PlcSymbolTables& plc, File& project, const FileCoding& coding,
                                       int firstLine);

}  // namespace q32
