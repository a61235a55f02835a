// The softkey tree definition file: the text file from which the control
// builds its softkey menu tree.  One line per menu, per softkey slot of a
// menu, per row and paging definition, and a few project-wide lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "output/MenuItems.h"

#include "diag/Diagnostic.h"
#include "diag/MessageCodes.h"

namespace q32 {

struct PlcSymbolTables;
struct RunContext;

constexpr const char* kTreeFileHeader = "; Softkey Tree Definition File V2.1";
// Capacity of the text fields of a menu item (conditions, overlay, ident,
// window argument, help file, Python script and parameter).
constexpr std::size_t kMaxItemTextLength = 79;
// Capacity of the Python program name of a menu item.
constexpr std::size_t kMaxPythonNameLength = 13;
// Largest softkey paging key code.
constexpr std::uint32_t kMaxPagingKey = 0xFFFF;

// Opens the tree file at the first menu of a -gensys run: refuses a name that
// is the system list's (8282), joins -o, creates the file (8220), announces
// it and writes the header with the project-wide lines.  topProjectFile is the
// name shown as the softkey project.  0 or the code; the caller reports it
// and abandons the project.  The created path is added to
// run.outputs.createdTreeFiles.
Msg OpenTreeFile(RunContext& run, std::string_view topProjectFile);
// The path under which the tree file is created (treeFile, or its base name
// inside -o); empty when the joined path would be too long.
std::string TreeFilePath(const RunContext& run);
// Closes the open tree file, if any.
void CloseTreeFile(RunContext& run);
// True when the file-name part of a path names the system list.
bool NamesSystemList(std::string_view path);

// The attributes of an SKMENU line.
struct MenuAttributes {
  char kind = 'M';
  char mode = 'B';
  std::string title = "-";
  std::string ident;
  bool root = false;
  bool hasNumber = false;  // the last MENUNR: given could be read
  std::int32_t number = 0;
  // Of the attribute words (by their index among them): the MENUNR: words
  // whose number could not be read, and the words that are no attribute
  // (passed over).
  std::vector<std::size_t> unreadableNumbers, unknown;
};

// An unknown word of an SKMENU line as a report names it, with the attribute
// it most likely meant.
std::string MenuAttributeDetail(std::string_view word);

// Reads the attribute tokens of an SKMENU line (those after the name).
MenuAttributes ParseMenuAttributes(std::span<const std::string> attributes);
// The tree line of a menu, with its line feed.
std::string FormatMenuLine(const MenuAttributes& menu, std::uint32_t number);

// ROWDEF a b: 0 with the two values, 8207 (not exactly three tokens) or 8204.
Msg ParseRowDefinition(const std::vector<std::string>& tokens, std::uint32_t& first,
                       std::uint32_t& last);
// SKPREVDEF v / SKNEXTDEF v: 0 with the value, 8207 (not exactly two tokens)
// or 8204.
Msg ParsePagingDefinition(const std::vector<std::string>& tokens, std::uint32_t& value);

// Writes a line (ending in a line feed) to the open tree file; 8220 when none
// is open or the write fails.
Msg WriteTreeLine(RunContext& run, std::string_view line);

// Builds the tree line of a menu item (item kind letter, tokens with the
// keyword as token 0); 0 with the line (line feed included), or a message
// code with the word it stands at.  Kinds that are not menu items (#PRAGMA)
// give 0 and an empty line.
Msg BuildTreeItem(RunContext& run, PlcSymbolTables& plc, MenuItemKind kind, const std::vector<std::string>& tokens,
                  std::string& line, Fault& fault);
// Builds the item line and writes it when it is complete: a rejected item
// leaves nothing in the tree file.  0 or a message code (8220 without an open
// tree file).
Msg WriteTreeItem(RunContext& run, PlcSymbolTables& plc, MenuItemKind kind, const std::vector<std::string>& tokens,
                  Fault& fault);

// Reads a number as C's "%d" does after skipping blanks; false when no digit
// follows.  Out-of-range values wrap to 32 bits.
bool ScanDecimal(std::string_view text, std::int32_t& value);

}  // namespace q32
