#include "plc/Conditions.h"

#include <array>
#include <climits>

#include "diag/MessageCodes.h"
#include "plc/PlcOperands.h"
#include "run/DefineList.h"
#include "text/Ascii.h"

namespace q32 {
namespace {

// Indices inside "&" operands are operands themselves; this bounds the
// nesting a hostile token could ask for.
constexpr int kMaxOperandNesting = 16;

enum class OperatorClass { Arithmetic, Comparison, Logical, Not };
enum class OperatorKind {
  Add, Sub, Mul, Div, BitAnd, BitOr,
  Eq, Ne, Lt, Gt, Le, Ge,
  And, Or, Not,
};

struct OperatorEntry {
  std::string_view token;
  OperatorKind kind;
  OperatorClass cls;
};

// Tokens are compared exactly: the caller has upper-cased the line.
constexpr OperatorEntry kOperators[] = {
    {"+", OperatorKind::Add, OperatorClass::Arithmetic},     {"-", OperatorKind::Sub, OperatorClass::Arithmetic},
    {"X", OperatorKind::Mul, OperatorClass::Arithmetic},     {"/", OperatorKind::Div, OperatorClass::Arithmetic},
    {"&", OperatorKind::BitAnd, OperatorClass::Arithmetic},  {"|", OperatorKind::BitOr, OperatorClass::Arithmetic},
    {"=", OperatorKind::Eq, OperatorClass::Comparison},      {"!", OperatorKind::Ne, OperatorClass::Comparison},
    {"<", OperatorKind::Lt, OperatorClass::Comparison},      {">", OperatorKind::Gt, OperatorClass::Comparison},
    {"<=", OperatorKind::Le, OperatorClass::Comparison},     {">=", OperatorKind::Ge, OperatorClass::Comparison},
    {"AND", OperatorKind::And, OperatorClass::Logical},      {"OR", OperatorKind::Or, OperatorClass::Logical},
    {"NOT", OperatorKind::Not, OperatorClass::Not},
};

const OperatorEntry* FindOperator(std::string_view token) {
  for (const OperatorEntry& entry : kOperators)
    if (entry.token == token) return &entry;
  return nullptr;
}

// The states of a parenthesis level.
enum class LevelState {
  ExpectOperand = 0,
  AfterNumber = 1,
  AfterResult = 2,     // a number computed from an operation or a group
  ExpectNumber = 3,
  AfterComparison = 4, // true or false
  AfterLogical = 5,
  AfterString = 6,
  ExpectString = 7,
};

struct Level {
  bool negate = false;
  std::int32_t value = 0;
  OperatorClass cls = OperatorClass::Arithmetic;
  OperatorKind kind = OperatorKind::Add;
  LevelState state = LevelState::ExpectOperand;
  std::string text;  // the left string of a string comparison
};

bool Compare(OperatorKind kind, int order) {
  switch (kind) {
    case OperatorKind::Eq: return order == 0;
    case OperatorKind::Ne: return order != 0;
    case OperatorKind::Lt: return order < 0;
    case OperatorKind::Gt: return order > 0;
    case OperatorKind::Le: return order <= 0;
    default: return order >= 0;  // OperatorKind::Ge
  }
}

// left op right for the arithmetic and comparison operators, with the
// wrap-around of 32-bit registers.  A quotient that has no value (by zero,
// or the most negative number by -1) is refused.
Msg Apply(OperatorKind kind, std::int32_t left, std::int32_t right, std::int32_t& out) {
  auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
  switch (kind) {
    case OperatorKind::Add: out = static_cast<std::int32_t>(u(left) + u(right)); return Msg::Ok;
    case OperatorKind::Sub: out = static_cast<std::int32_t>(u(left) - u(right)); return Msg::Ok;
    case OperatorKind::Mul: out = static_cast<std::int32_t>(u(left) * u(right)); return Msg::Ok;
    case OperatorKind::Div:
      if (right == 0 || (left == INT32_MIN && right == -1)) return Msg::InstructionNotAllowed;
      out = left / right;
      return Msg::Ok;
    case OperatorKind::BitAnd: out = left & right; return Msg::Ok;
    case OperatorKind::BitOr: out = left | right; return Msg::Ok;
    default:
      out = Compare(kind, left < right ? -1 : (left > right ? 1 : 0)) ? 1 : 0;
      return Msg::Ok;
  }
}

// Digits of one base; "no digits" and "not all zeros but 0" (the value ran
// over 32 bits) are both unknown operands.
Msg ParseDigits(std::string_view digits, unsigned base, std::uint32_t& value) {
  if (digits.empty()) return Msg::UnknownOperand;
  value = 0;
  bool allZero = true;
  for (char c : digits) {
    unsigned d;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if (c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
    else return Msg::UnknownOperand;
    if (d >= base) return Msg::UnknownOperand;
    if (c != '0') allZero = false;
    value = value * base + d;
  }
  return (value == 0 && !allZero) ? Msg::UnknownOperand : Msg::Ok;
}

Msg EvaluateOperandAt(const ConditionScope& scope, std::string_view token, std::int32_t& value,
                      std::string& text, int nesting);

// "[index]" at the start of part: evaluates it and returns the rest.
Msg Subscript(const ConditionScope& scope, std::string_view& part, std::int32_t& index, int nesting) {
  index = 0;
  if (part.empty() || part[0] != '[') return Msg::Ok;
  std::size_t close = part.find(']');
  if (close == std::string_view::npos) return Msg::OpenIndex;
  std::string text;
  Msg code = EvaluateOperandAt(scope, part.substr(1, close - 1), index, text, nesting + 1);
  part.remove_prefix(close + 1);
  return code;
}

// "&NAME" or "&NAME[i].MEMBER[j]": the address of a symbol or a member.
Msg SymbolAddress(const ConditionScope& scope, std::string_view rest, std::uint32_t& address, int nesting) {
  std::size_t dot = rest.find('.');
  if (dot == std::string_view::npos) {
    PlcSymbol symbol;
    if (LookUpSymbol(scope.symbols, rest, &symbol) != SymbolLookup::Found) return Msg::UnknownOperand;
    address = symbol.value;
    return Msg::Ok;
  }
  std::string_view base = rest.substr(0, dot), memberPart = rest.substr(dot + 1);
  std::size_t open = base.find('[');
  std::string_view name = base.substr(0, open);
  std::int32_t i = 0, j = 0;
  if (open != std::string_view::npos) {
    std::string_view sub = base.substr(open);
    if (const Msg code = Subscript(scope, sub, i, nesting); code != Msg::Ok) return code;
  }
  PlcSymbol symbol;
  if (LookUpSymbol(scope.symbols, name, &symbol) != SymbolLookup::Found) return Msg::UnknownOperand;
  if (symbol.type != 's') return Msg::NotAStructure;
  std::size_t memberOpen = memberPart.find('[');
  std::string_view memberName = memberPart.substr(0, memberOpen).substr(0, kPlcMaxNameLength);
  if (memberOpen != std::string_view::npos) {
    std::string_view sub = memberPart.substr(memberOpen);
    if (const Msg code = Subscript(scope, sub, j, nesting); code != Msg::Ok) return code;
  }
  if (symbol.structure >= scope.symbols.structures.size()) return Msg::UnknownMember;
  const PlcStructure& structure = scope.symbols.structures[symbol.structure];
  for (const PlcMember& member : structure.members) {
    if (!EqualsIgnoringCase(std::string_view(member.name).substr(0, kPlcMaxNameLength), memberName)) continue;
    address = symbol.value + structure.size * static_cast<std::uint32_t>(i) + member.offset +
              4u * static_cast<std::uint32_t>(j);
    return Msg::Ok;
  }
  return Msg::UnknownMember;
}

Msg EvaluateOperandAt(const ConditionScope& scope, std::string_view token, std::int32_t& value,
                      std::string& text, int nesting) {
  if (nesting > kMaxOperandNesting) return Msg::UnknownOperand;
  std::int32_t defined = 0;
  std::string definedText;
  switch (scope.defines.LookupDefine(token, defined, &definedText)) {
    case DefineKind::Number: value = defined; return Msg::Ok;
    case DefineKind::String: text = definedText; return Msg::StringOperand;
    default: break;
  }
  PlcSymbol constant;
  if (LookUpSymbol(scope.symbols, token, &constant) == SymbolLookup::Found && constant.type == 'K') {
    value = static_cast<std::int32_t>(constant.value);
    return Msg::Ok;
  }

  std::string_view rest = token;
  bool negative = false;
  if (!rest.empty() && rest[0] == '+') {
    rest.remove_prefix(1);
  } else if (!rest.empty() && rest[0] == '-') {
    negative = true;
    rest.remove_prefix(1);
  }
  // Operators stand as tokens of their own.
  if (rest.find_first_of("+-/|") != std::string_view::npos) return Msg::UnknownOperand;

  std::uint32_t number = 0;
  if (!rest.empty() && rest[0] == '"') {
    std::size_t close = rest.find('"', 1);
    if (close == std::string_view::npos) return Msg::OpenString;
    text = std::string(rest.substr(1, close - 1));
    return Msg::StringOperand;
  } else if (!rest.empty() && rest[0] == '$') {
    if (rest.size() >= 2 && rest.back() == '$') {
      // $NAME$: a define written so that it cannot be taken for a number.
      switch (scope.defines.LookupDefine(rest.substr(1, rest.size() - 2), defined, &definedText)) {
        case DefineKind::Number: number = static_cast<std::uint32_t>(defined); break;
        case DefineKind::String: text = definedText; return Msg::StringOperand;
        default: return Msg::UnknownOperand;
      }
    } else if (const Msg code = ParseDigits(rest.substr(1), 16, number); code != Msg::Ok) {
      return code;
    }
  } else if (!rest.empty() && rest[0] == '%') {
    if (const Msg code = ParseDigits(rest.substr(1), 2, number); code != Msg::Ok) return code;
  } else if (!rest.empty() && rest[0] == '&') {
    if (const Msg code = SymbolAddress(scope, rest.substr(1), number, nesting); code != Msg::Ok) return code;
  } else if (!rest.empty() && rest.find_first_not_of("0123456789") == std::string_view::npos) {
    if (const Msg code = ParseDigits(rest, 10, number); code != Msg::Ok) return code;
  } else {
    switch (scope.defines.LookupDefine(rest, defined, &definedText)) {
      case DefineKind::Number: number = static_cast<std::uint32_t>(defined); break;
      case DefineKind::String: text = definedText; return Msg::StringOperand;
      default: return Msg::UnknownOperand;
    }
  }
  value = static_cast<std::int32_t>(negative ? 0u - number : number);
  return Msg::Ok;
}

// Closes the innermost level and hands its result to the level around it.
Msg CloseLevel(std::array<Level, kMaxConditionLevels>& levels, std::size_t& current) {
  if (current == 0) return Msg::IncompleteExpression;  // a ")" without its "("
  const Level& inner = levels[current];
  Level& outer = levels[--current];
  std::int32_t result = inner.negate ? (inner.value == 0 ? 1 : 0) : inner.value;
  if (inner.state == LevelState::AfterResult) {
    if (outer.state == LevelState::ExpectOperand) {
      outer.value = result;
      outer.state = LevelState::AfterResult;
      return Msg::Ok;
    }
    if (outer.state == LevelState::ExpectNumber) {
      if (const Msg code = Apply(outer.kind, outer.value, result, outer.value); code != Msg::Ok) return code;
      outer.state = outer.cls == OperatorClass::Arithmetic ? LevelState::AfterResult : LevelState::AfterComparison;
      return Msg::Ok;
    }
    return Msg::InstructionNotAllowed;
  }
  if (inner.state == LevelState::AfterComparison) {
    if (outer.state == LevelState::ExpectOperand) {
      outer.value = outer.negate ? (result == 0 ? 1 : 0) : result;
      outer.negate = false;
      outer.state = LevelState::AfterComparison;
      return Msg::Ok;
    }
    if (outer.state == LevelState::AfterLogical) {
      if (outer.negate) {
        result = result == 0 ? 1 : 0;
        outer.negate = false;
      }
      if (outer.kind == OperatorKind::And) outer.value = (outer.value != 0 && result != 0) ? 1 : 0;
      else if (outer.kind == OperatorKind::Or) outer.value = (outer.value != 0 || result != 0) ? 1 : 0;
      // A pending NOT between two groups leaves the left one's value.
      outer.state = LevelState::AfterComparison;
      return Msg::Ok;
    }
    return Msg::InstructionNotAllowed;
  }
  return Msg::InstructionNotAllowed;
}

// One token without its parentheses, acting on the current level.  Sets
// tokenEnds when the token's closing parentheses are not to be counted.
Msg ActOnToken(const ConditionScope& scope, Level& level, std::string_view token, bool& tokenEnds) {
  tokenEnds = false;
  std::int32_t operand = 0;
  std::string text;
  const OperatorEntry* op = nullptr;
  switch (level.state) {
    case LevelState::ExpectOperand: {
      if (token == "NOT") {
        level.negate = !level.negate;
        tokenEnds = true;
        return Msg::Ok;
      }
      Msg code = EvaluateOperandAt(scope, token, operand, text, 0);
      if (code == Msg::StringOperand) {
        level.text = std::move(text);
        level.state = LevelState::AfterString;
        return Msg::Ok;
      }
      if (code != Msg::Ok) return code;
      level.value = operand;
      level.state = LevelState::AfterNumber;
      return Msg::Ok;
    }
    case LevelState::AfterNumber:
    case LevelState::AfterResult:
      op = FindOperator(token);
      if (!op || (op->cls != OperatorClass::Arithmetic && op->cls != OperatorClass::Comparison)) return Msg::InstructionNotAllowed;
      level.cls = op->cls;
      level.kind = op->kind;
      level.state = LevelState::ExpectNumber;
      return Msg::Ok;
    case LevelState::ExpectNumber: {
      Msg code = EvaluateOperandAt(scope, token, operand, text, 0);
      if (code != Msg::Ok) return code;  // a string here is 3073 as well
      if (const Msg failed = Apply(level.kind, level.value, operand, level.value); failed != Msg::Ok) return failed;
      level.state = level.cls == OperatorClass::Arithmetic ? LevelState::AfterResult : LevelState::AfterComparison;
      return Msg::Ok;
    }
    case LevelState::AfterComparison:
      op = FindOperator(token);
      if (!op || (op->cls != OperatorClass::Logical && op->cls != OperatorClass::Not)) return Msg::InstructionNotAllowed;
      level.cls = op->cls;
      level.kind = op->kind;
      level.state = LevelState::AfterLogical;
      return Msg::Ok;
    case LevelState::AfterLogical:
      // The right side of AND and OR is a group in parentheses; bare tokens
      // are passed over.
      if (token == "NOT") {
        level.negate = !level.negate;
        tokenEnds = true;
      }
      return Msg::Ok;
    case LevelState::AfterString:
      op = FindOperator(token);
      if (!op || op->cls != OperatorClass::Comparison) return Msg::InstructionNotAllowed;
      level.cls = op->cls;
      level.kind = op->kind;
      level.state = LevelState::ExpectString;
      return Msg::Ok;
    case LevelState::ExpectString:
      if (EvaluateOperandAt(scope, token, operand, text, 0) != Msg::StringOperand) return Msg::InstructionNotAllowed;
      level.value = Compare(level.kind, CompareIgnoringCase(level.text, text)) ? 1 : 0;
      level.state = LevelState::AfterComparison;
      return Msg::Ok;
  }
  return Msg::InstructionNotAllowed;
}

}  // namespace

Msg EvaluateOperand(const ConditionScope& scope, std::string_view token, std::int32_t& value,
                    std::string& text) {
  return EvaluateOperandAt(scope, token, value, text, 0);
}

Msg EvaluateCondition(const ConditionScope& scope, const std::vector<std::string>& tokens, bool& result,
                      Fault* fault) {
  result = false;
  auto whole = [&](Msg code) {
    if (fault) {
      fault->detail.clear();
      for (const std::string& t : tokens) fault->detail += (fault->detail.empty() ? "" : " ") + t;
      fault->word = -1;
    }
    return code;
  };
  auto at = [&](Msg code, std::string_view word, std::size_t t, std::size_t from) {
    if (fault)
      *fault = Fault{std::string(word), static_cast<int>(t), static_cast<unsigned>(from),
                     static_cast<unsigned>(word.size())};
    return code;
  };
  if (tokens.size() > kMaxConditionTokens) return whole(Msg::IncompleteExpression);

  // Parentheses may stick to the operands: count them first.
  struct Stripped {
    std::string_view body;
    std::size_t opens = 0, closes = 0;
  };
  std::array<Stripped, kMaxConditionTokens> stripped;
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    std::string_view body = tokens[t];
    std::size_t opens = 0;
    while (opens < body.size() && body[opens] == '(') ++opens;
    body.remove_prefix(opens);
    std::size_t closes = 0;
    while (closes < body.size() && body[body.size() - 1 - closes] == ')') ++closes;
    body.remove_suffix(closes);
    stripped[t] = {body, opens, closes};
  }

  std::array<Level, kMaxConditionLevels> levels;
  std::size_t current = 0;
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    for (std::size_t k = 0; k < stripped[t].opens; ++k) {
      if (current + 1 >= kMaxConditionLevels) return whole(Msg::ParenthesesTooDeep);
      levels[++current] = Level{};
    }
    if (!stripped[t].body.empty()) {
      bool tokenEnds = false;
      if (const Msg code = ActOnToken(scope, levels[current], stripped[t].body, tokenEnds); code != Msg::Ok)
        return at(code, stripped[t].body, t, stripped[t].opens);
      if (tokenEnds) continue;
    }
    for (std::size_t k = 0; k < stripped[t].closes; ++k)
      if (const Msg code = CloseLevel(levels, current); code != Msg::Ok) return whole(code);
  }
  if (current != 0 || levels[0].state != LevelState::AfterComparison) return whole(Msg::IncompleteExpression);
  // The negate flag of level 0 is never applied: NOT acts only on a group.
  result = levels[0].value != 0;
  return Msg::Ok;
}

Msg UpdateSectionStack(SectionStack& stack, SectionOperation operation, bool condition, bool& active) {
  Msg code = Msg::Ok;
  switch (operation) {
    case SectionOperation::Push:
      if (stack.depth >= kMaxSectionDepth) {
        code = Msg::SectionsTooDeep;
        break;
      }
      if (condition) stack.mask |= 1u << stack.depth;
      else stack.mask &= ~(1u << stack.depth);
      ++stack.depth;
      break;
    case SectionOperation::Pop:
      if (stack.depth == 0) {
        code = Msg::OpenSection;
        break;
      }
      --stack.depth;
      stack.mask &= ~(1u << stack.depth);
      break;
    case SectionOperation::Toggle:
      if (stack.depth == 0) {
        code = Msg::OpenSection;
        break;
      }
      stack.mask ^= 1u << (stack.depth - 1);
      break;
    case SectionOperation::Final:
      if (stack.depth != 0) code = Msg::OpenSection;
      stack = SectionStack{};
      break;
  }
  std::uint32_t open = (1u << stack.depth) - 1u;  // depth is at most 31
  active = (stack.mask & open) == open;
  return code;
}

}  // namespace q32
