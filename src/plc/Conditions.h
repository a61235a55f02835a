// #IF conditions over configuration defines, numbers, strings and PLC
// symbols, and the stack of conditional sections that every #IF..., #ELSE
// and #ENDIF shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "diag/Diagnostic.h"
#include "diag/MessageCodes.h"

namespace q32 {

class DefineList;
struct PlcSymbolTables;

// Parenthesis levels of a condition: level 0 and nine nested ones.
constexpr std::size_t kMaxConditionLevels = 10;
// The tokens of one condition.
constexpr std::size_t kMaxConditionTokens = 50;
// Nested conditional sections.
constexpr int kMaxSectionDepth = 31;

// What a condition may refer to: the defines and the PLC symbols (which the
// caller hides unless the run post-processes).
struct ConditionScope {
  const DefineList& defines;
  PlcSymbolTables& symbols;
};

// Evaluates one operand: 0 with a number, 3073 with a string (text), or
// 3070, 3084, 3091, 3507, 3509.
Msg EvaluateOperand(const ConditionScope& scope, std::string_view token, std::int32_t& value,
                    std::string& text);

// Evaluates the tokens of a condition (the directive line upper-cased and
// split, without its keyword).  0 with the result, or 3011, 3043, 3070,
// 3073, 3084, 3091, 3507, 3509, 4010.
// A failure names in fault (when given) the word it stopped at (its index
// in tokens, after the parentheses in front of it), or the whole condition
// (word -1) where no single word is at fault.
Msg EvaluateCondition(const ConditionScope& scope, const std::vector<std::string>& tokens, bool& result,
                      Fault* fault = nullptr);

enum class SectionOperation : int {
  Push = 0,    // #IF..., with its condition
  Pop = 1,     // #ENDIF
  Toggle = 2,  // #ELSE
  Final = 3,   // end of the project: every section must be closed
};

// Bit k tells whether section k (from the outermost) is switched on.
struct SectionStack {
  std::uint32_t mask = 0;
  int depth = 0;
};

// Applies one operation; 0, 3300 (no open section, or sections left open at
// the end) or 3301 (too deep).  active receives whether every open section
// is switched on, after the operation as after a refused one.
Msg UpdateSectionStack(SectionStack& stack, SectionOperation operation, bool condition, bool& active);

}  // namespace q32
