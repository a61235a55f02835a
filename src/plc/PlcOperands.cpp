#include "plc/PlcOperands.h"

#include <algorithm>

#include "diag/MessageCodes.h"
#include "text/Ascii.h"

namespace q32 {
namespace {

// The first symbol whose name is not smaller than the key.  A list in the
// tools' order is searched by halving.  Any other list is walked the way the
// skip index leads: from the block start before the first one that is not
// smaller, record by record; this gives the same answers on every list.
std::size_t FirstNotSmaller(const PlcSymbolTables& tables, const std::string& key) {
  const std::vector<PlcSymbol>& list = tables.symbols;
  if (tables.sorted) {
    return static_cast<std::size_t>(
        std::lower_bound(list.begin(), list.end(), key,
                         [](const PlcSymbol& s, const std::string& k) { return s.name < k; }) -
        list.begin());
  }
  std::size_t from = 0;
  if (list[0].name < key) {
    for (std::size_t start : tables.skipStarts) {
      if (!(list[start].name < key)) break;
      from = start;
    }
  }
  while (from < list.size() && list[from].name < key) ++from;
  return from;
}

// sscanf "%d": optional white space and sign, at least one digit; what
// follows the digits does not matter.
bool ScanDecimal(std::string_view text, std::int32_t& out) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                             text[i] == '\v' || text[i] == '\f'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
  out = static_cast<std::int32_t>(negative ? 0u - value : value);
  return true;
}

// An index: a number, or the name of a constant symbol.
Msg IndexValue(const PlcSymbolTables& tables, std::string_view text, std::int32_t& out) {
  if (ScanDecimal(text, out)) return Msg::Ok;
  PlcSymbol constant;
  if (LookUpSymbol(tables, text, &constant) == SymbolLookup::Found && constant.type == 'K') {
    out = static_cast<std::int32_t>(constant.value);
    return Msg::Ok;
  }
  return Msg::BadSubscript;
}

// Splits "NAME[INDEX]" into its name and index; the index is optional, but a
// "[" must be closed.
Msg SplitSubscript(const PlcSymbolTables& tables, std::string_view part, std::string_view& name,
                   bool& indexed, std::int32_t& index) {
  indexed = false;
  index = 0;
  std::size_t open = part.find('[');
  name = part.substr(0, open);
  if (open == std::string_view::npos) return Msg::Ok;
  std::size_t close = part.find(']', open + 1);
  if (close == std::string_view::npos) return Msg::BadSubscript;
  indexed = true;
  return IndexValue(tables, part.substr(open + 1, close - open - 1), index);
}

// A direct operand: an operand letter, for an input or output an optional
// size letter, then decimal digits only.
bool ParseDirectOperand(std::string_view name, std::uint8_t& type, std::uint32_t& address) {
  if (name.empty() || kOperandLetters.find(name[0]) == std::string_view::npos) return false;
  std::size_t digits = 1;
  type = static_cast<std::uint8_t>(name[0]);
  if ((name[0] == 'I' || name[0] == 'O') && name.size() > 1 &&
      kOperandSizeLetters.find(name[1]) != std::string_view::npos) {
    type = static_cast<std::uint8_t>(name[1] - 'A' + 'a');
    if (name[0] == 'O') type = static_cast<std::uint8_t>(type + kOutputTypeBit);
    digits = 2;
  }
  if (digits >= name.size()) return false;
  address = 0;
  for (std::size_t i = digits; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    address = address * 10u + static_cast<std::uint32_t>(name[i] - '0');
  }
  return true;
}

std::uint32_t ElementSize(std::uint8_t type) {
  switch (type) {
    case 'D': case 'd': case 'd' + kOutputTypeBit: return 4;
    case 'W': case 'w': case 'w' + kOutputTypeBit: return 2;
    default: return 1;
  }
}

const PlcMember* FindMember(const PlcStructure& structure, std::string_view name) {
  name = name.substr(0, kPlcMaxNameLength);
  for (const PlcMember& member : structure.members)
    if (EqualsIgnoringCase(std::string_view(member.name).substr(0, kPlcMaxNameLength), name)) return &member;
  return nullptr;
}

}  // namespace

SymbolLookup LookUpSymbol(const PlcSymbolTables& tables, std::string_view name, PlcSymbol* found) {
  if (tables.hidden || tables.symbols.empty()) return SymbolLookup::NotFound;
  std::string key(name.substr(0, kPlcMaxNameLength));
  const std::vector<PlcSymbol>& list = tables.symbols;
  const PlcSymbol* global = nullptr;
  const PlcSymbol* local = nullptr;
  for (std::size_t i = FirstNotSmaller(tables, key); i < list.size() && list[i].name == key; ++i) {
    const PlcSymbol& symbol = list[i];
    if (!symbol.local) {
      if (global || local) return SymbolLookup::Ambiguous;
      global = &symbol;
    } else if (tables.currentModule == -1 || tables.currentModule == symbol.module) {
      if (local) return SymbolLookup::Ambiguous;
      local = &symbol;
    }
  }
  const PlcSymbol* result = tables.currentModule == -1 ? (global ? global : local) : (local ? local : global);
  if (!result) return SymbolLookup::NotFound;
  if (found) *found = *result;
  return SymbolLookup::Found;
}

Msg CheckOperand(PlcSymbolTables& tables, std::string& text, OperandResult& result) {
  text = UpperCase(text);
  std::string_view operand = text;
  std::size_t scope = operand.find("::");
  if (scope != std::string_view::npos) {
    std::string_view moduleName = operand.substr(0, scope);
    auto module = std::find_if(tables.modules.begin(), tables.modules.end(),
                               [&](const PlcModule& m) { return EqualsIgnoringCase(m.name, moduleName); });
    if (module == tables.modules.end()) return Msg::UnknownModule;
    tables.currentModule = module->number;
    operand = operand.substr(scope + 2);
  } else {
    tables.currentModule = -1;
  }

  std::size_t dot = operand.find('.');
  bool hasMember = dot != std::string_view::npos;
  std::string_view memberPart = hasMember ? operand.substr(dot + 1) : std::string_view();
  std::string_view name;
  bool indexed;
  std::int32_t index;
  if (const Msg code = SplitSubscript(tables, operand.substr(0, dot), name, indexed, index); code != Msg::Ok)
    return code;
  name = name.substr(0, kPlcMaxNameLength);

  PlcSymbol symbol;
  switch (LookUpSymbol(tables, name, &symbol)) {
    case SymbolLookup::Ambiguous:
      return Msg::AmbiguousSymbol;
    case SymbolLookup::NotFound:
      // Not a symbol: a direct operand, which is no array.
      if (!ParseDirectOperand(name, symbol.type, symbol.value)) return Msg::UnknownOperand;
      symbol.count = 0;
      symbol.structure = kNoStructure;
      break;
    case SymbolLookup::Found:
      break;
  }

  if (symbol.type == 's') {
    if (!hasMember) return Msg::BadSubscript;
    std::string_view memberName;
    bool memberIndexed;
    std::int32_t memberIndex;
    if (const Msg code = SplitSubscript(tables, memberPart, memberName, memberIndexed, memberIndex);
        code != Msg::Ok)
      return code;
    if (symbol.structure >= tables.structures.size()) return Msg::UnknownOperand;
    const PlcStructure& structure = tables.structures[symbol.structure];
    const PlcMember* member = FindMember(structure, memberName);
    if (!member) return Msg::UnknownOperand;
    if (memberIndexed && (memberIndex < 0 || static_cast<std::uint32_t>(memberIndex) >= member->count))
      return Msg::BadSubscript;
    std::uint32_t address = symbol.value;
    if (memberIndex > 0) address += 4u * static_cast<std::uint32_t>(memberIndex);
    if (index > 0) address += structure.size * static_cast<std::uint32_t>(index);
    address += member->offset;
    result.type = member->type == 'M' ? 'D' : member->type;
    result.address = address;
    return Msg::Ok;
  }

  if (hasMember) return Msg::BadSubscript;
  if (indexed && (index < 0 || static_cast<std::uint32_t>(index) >= symbol.count)) return Msg::BadSubscript;
  result.type = symbol.type;
  result.address = symbol.value + static_cast<std::uint32_t>(index) * ElementSize(symbol.type);
  return Msg::Ok;
}

std::string OperandPrefix(std::uint8_t type) {
  std::uint8_t plain = static_cast<std::uint8_t>(type & ~kOutputTypeBit);
  if (plain == 'b' || plain == 'w' || plain == 'd') {
    std::string prefix = (type & kOutputTypeBit) ? "O" : "I";
    prefix += static_cast<char>(plain - 'a' + 'A');
    return prefix;
  }
  return std::string(1, static_cast<char>(type));
}

Msg RewriteOperandToken(PlcSymbolTables& tables, std::string& token, bool postProcess) {
  if (token.empty()) return Msg::Ok;
  std::size_t colon = token.find(':');
  if (colon == std::string::npos) return Msg::ValueInvalid;
  std::string operand = token.substr(colon + 1, kMaxOperandLength);
  OperandResult result;
  if (const Msg code = CheckOperand(tables, operand, result); code != Msg::Ok) return code;
  if (postProcess) {
    token = token.substr(0, colon + 1) + OperandPrefix(result.type) +
            std::to_string(static_cast<std::int32_t>(result.address));
  }
  return Msg::Ok;
}

}  // namespace q32
