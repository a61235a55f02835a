// PLC symbols and operands: finding a symbol by name with the module rules,
// checking an operand text (symbol, module-qualified symbol, array element,
// structure member or direct operand) and writing it in absolute form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "plc/PlcProjectFile.h"

#include "diag/MessageCodes.h"

namespace q32 {

// The letters of the direct operands, and the size letters that an input
// or output may carry.
constexpr std::string_view kOperandLetters = "MIOCTBWDKS";
constexpr std::string_view kOperandSizeLetters = "BWD";
// The operand part of a parameter token is checked over this many characters.
constexpr std::size_t kMaxOperandLength = 80;
// Outputs with a size letter carry this bit in their type.
constexpr std::uint8_t kOutputTypeBit = 0x80;

enum class SymbolLookup { Found, NotFound, Ambiguous };

// Looks a symbol up by its first 24 characters (byte comparison) in the
// first symbol list.  Of the records with that name, a global one wins when
// no module is current, a local one of the current module otherwise; two
// candidates that cannot be told apart make the name ambiguous.
SymbolLookup LookUpSymbol(const PlcSymbolTables& tables, std::string_view name, PlcSymbol* found = nullptr);

struct OperandResult {
  std::uint8_t type = 0;     // operand letter; 'b', 'w', 'd' (+0x80 for outputs) for sized I/O
  std::uint32_t address = 0;
};

// Checks an operand text and gives its type and absolute address.  The text
// is upper-cased in place.  Sets the current module (a "MODULE::" prefix, or
// none).  0, or 3070, 6509, 6510, 8216.
Msg CheckOperand(PlcSymbolTables& tables, std::string& text, OperandResult& result);

// The absolute prefix of an operand type: "IB", "OW", ... for sized inputs
// and outputs, otherwise the letter itself.
std::string OperandPrefix(std::uint8_t type);

// Checks the operand of a parameter token ("ENABLE:FLAG"); with postProcess
// the operand part is replaced by its absolute form ("ENABLE:M100").  An
// empty token is left alone.  0, 8204 (no ":"), or a code of CheckOperand.
Msg RewriteOperandToken(PlcSymbolTables& tables, std::string& token, bool postProcess);

// Hides the symbols from lookups (or shows them again).  #IF conditions of a
// run without -post must not depend on the PLC program.
inline void SetSymbolsVisible(PlcSymbolTables& tables, bool visible) { tables.hidden = !visible; }

// Hides the symbols for the lifetime of the object unless they are to stay
// visible, and restores the previous state afterwards.
class SymbolVisibilityScope {
 public:
  SymbolVisibilityScope(PlcSymbolTables& tables, bool keepVisible)
      : tables_(tables), wasHidden_(tables.hidden) {
    if (!keepVisible) tables_.hidden = true;
  }
  ~SymbolVisibilityScope() { tables_.hidden = wasHidden_; }
  SymbolVisibilityScope(const SymbolVisibilityScope&) = delete;
  SymbolVisibilityScope& operator=(const SymbolVisibilityScope&) = delete;

 private:
  PlcSymbolTables& tables_;
  bool wasHidden_;
};

}  // namespace q32
