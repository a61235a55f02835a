// The PLC project information file written by the PLC development tools, and
// the tables of modules, structure types and symbols read from it.
//
// File layout: a big-endian header naming the sections, then the sections
// themselves, whose records carry little-endian numbers (the tools write them
// in the workstation's own order).  The reader decodes both orders explicitly,
// so the tables come out the same on any host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "diag/MessageCodes.h"

namespace q32 {

class FileSystem;

// The 24 bytes at the start of every file: text, line feed and a zero byte.
constexpr char kPlcMagic[24] = "PLC Project File  V3.2\n";
constexpr std::size_t kPlcMagicSize = 24;
// Header positions of the section offsets and the module section size.
constexpr std::size_t kPlcHeaderModuleOffset = 24;
constexpr std::size_t kPlcHeaderModuleSize = 28;
constexpr std::size_t kPlcHeaderSymbolOffset = 64;
constexpr std::size_t kPlcHeaderStructureOffset = 80;
constexpr std::size_t kPlcHeaderSize = 84;

// Record sizes and the field positions used inside them.
constexpr std::size_t kPlcModuleRecordSize = 544;
constexpr std::size_t kPlcModuleNumberAt = 0;   // signed 16-bit
constexpr std::size_t kPlcModuleNameAt = 10;
constexpr std::size_t kPlcStructureRecordSize = 52;
constexpr std::size_t kPlcStructureSizeAt = 32;
constexpr std::size_t kPlcMemberRecordSize = 48;
constexpr std::size_t kPlcMemberTypeAt = 25;
constexpr std::size_t kPlcMemberOffsetAt = 32;
constexpr std::size_t kPlcMemberCountAt = 36;
constexpr std::size_t kPlcSymbolRecordSize = 216;
constexpr std::size_t kPlcSymbolNameAt = 4;
constexpr std::size_t kPlcSymbolModuleAt = 32;
constexpr std::size_t kPlcSymbolTypeAt = 36;
constexpr std::size_t kPlcSymbolValueAt = 40;
constexpr std::size_t kPlcSymbolCountAt = 60;
constexpr std::size_t kPlcSymbolFlagsAt = 64;
constexpr std::size_t kPlcSymbolStructureAt = 72;
constexpr std::size_t kPlcSymbolTextAt = 84;
// The record with the structure type name that follows a structure symbol.
constexpr std::size_t kPlcStructureNameRecordSize = 25;
// Names in the file hold at most this many characters.
constexpr std::size_t kPlcMaxNameLength = 24;
// The flag bit of a symbol that belongs to one module only.
constexpr std::uint32_t kPlcLocalFlag = 0x80;
// The name that ends the structure section, a member list or a symbol list.
constexpr std::string_view kPlcEndName = "@@ENDE@@";

// Lookups use a skip index of block starts every 50 symbols, at most 99 of
// them (see PlcOperands.cpp).
constexpr std::size_t kPlcSkipStep = 50;
constexpr std::size_t kPlcMaxSkipPairs = 99;

struct PlcModule {
  std::int16_t number = 0;
  std::string name;
};

struct PlcMember {
  std::string name;
  std::uint8_t type = 0;
  std::uint32_t offset = 0;
  std::uint32_t count = 0;
};

struct PlcStructure {
  std::string name;
  std::uint32_t size = 0;
  std::vector<PlcMember> members;
};

constexpr std::size_t kNoStructure = static_cast<std::size_t>(-1);

struct PlcSymbol {
  std::string name;
  std::int32_t module = 0;
  std::uint8_t type = 0;      // operand letter; 's' for a structure, 'K' constant, 'S' text
  std::uint32_t value = 0;    // address of an operand, value of a constant
  std::uint32_t count = 0;    // element count of an array
  bool local = false;         // known only inside its module
  std::size_t structure = kNoStructure;  // index into PlcSymbolTables::structures
  std::string text;           // for type 'S'
};

// Everything read from the file plus the lookup state of the run.
struct PlcSymbolTables {
  std::vector<PlcModule> modules;
  std::vector<PlcStructure> structures;
  std::vector<PlcSymbol> symbols;        // the first list: the one lookups use
  std::vector<PlcSymbol> secondSymbols;  // the second list, kept but not searched
  // Indices of the block starts of the skip index after the head (50, 100, ...).
  std::vector<std::size_t> skipStarts;
  // True when the first list stands in ascending byte order of the names (as
  // the tools write it); lookups may then search it by halving.
  bool sorted = true;

  // The module of the last operand check, or -1.
  std::int32_t currentModule = -1;
  // While hidden, lookups find nothing (#IF conditions without -post).
  bool hidden = false;
};

// Reads the file into the tables.  0, or 8220 (not openable), 8273 (format),
// 6506 (module section shorter than announced), 3052 (no memory).  After a
// failure the tables hold what was read so far.
Msg ReadPlcProjectFile(FileSystem& fs, std::string_view path, PlcSymbolTables& tables);

// Builds the lookup state of the first symbol list (the skip index, and
// whether the names stand in ascending order); the reader does it after the
// list.
void IndexPlcSymbols(PlcSymbolTables& tables);

// The code the run reports for a failure of ReadPlcProjectFile: an open
// failure names the file as 8276, no memory is a format error 8273.
Msg PlcReadReportCode(Msg readCode);

// A condition of an item ("STATUS:ROTARY_READX") as the report of its
// failed operand check names it: for an unknown operand with the symbol it
// most likely meant.
std::string OperandDetail(const PlcSymbolTables& tables, std::string_view condition, Msg code);


}  // namespace q32
