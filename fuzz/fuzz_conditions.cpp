// #IF conditions: each line of the input is upper-cased, split as a
// directive line and evaluated over a few defines and a small PLC table,
// with the symbols visible and hidden; every token is also evaluated as an
// operand, and the bytes drive the stack of conditional sections.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "plc/Conditions.h"
#include "plc/PlcOperands.h"
#include "run/DefineList.h"
#include "text/Ascii.h"
#include "text/Tokenizer.h"

namespace {

struct Tables {
  q32::DefineList defines;
  q32::PlcSymbolTables symbols;
  Tables() {
    for (const q32::DefineEntry& e : std::initializer_list<q32::DefineEntry>{
             {"A", true, 1, false, ""}, {"B", true, 2, false, ""}, {"NEG", true, -5, false, ""},
             {"BIG", true, 0x7FFFFFFF, false, ""}, {"MACHINE", true, 0, true, "Mill"}, {"OPTION", false, 1, false, ""}})
      defines.Insert(e, false);
    q32test::MemoryFileSystem fs;
    fs.AddFile("P.PJ", q32fuzz::SourceFile(q32fuzz::kSmallPlcFile));
    Q32_FUZZ_CHECK(q32::ReadPlcProjectFile(fs, "P.PJ", symbols) == q32::Msg::Ok);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Tables tables;
  std::string_view input = q32fuzz::AsText(data, size);
  // The lookups keep state (the current module): each input starts afresh.
  q32::PlcSymbolTables symbols = tables.symbols;
  q32::ConditionScope scope{tables.defines, symbols};

  std::vector<std::string> tokens;
  q32fuzz::ForEachLine(input, 32, [&](std::string_view line) {
    (void)q32::SplitConditionTokens(q32::UpperCase(line), tokens, q32::kMaxConditionTokens);
    Q32_FUZZ_CHECK(tokens.size() <= q32::kMaxConditionTokens);
    for (bool hidden : {false, true}) {
      symbols.hidden = hidden;
      bool result = false;
      const int code = q32::Number(q32::EvaluateCondition(scope, tokens, result));
      Q32_FUZZ_CHECK(q32fuzz::OneOf(code, {0, 3011, 3043, 3070, 3073, 3084, 3091, 3507, 3509, 4010}));
    }
    for (std::size_t i = 0; i < tokens.size() && i < 8; ++i) {
      std::int32_t value = 0;
      std::string text;
      (void)q32::EvaluateOperand(scope, tokens[i], value, text);
      std::string operand = tokens[i];
      q32::OperandResult result;
      (void)q32::CheckOperand(symbols, operand, result);
      std::string rewritten = tokens[i];
      (void)q32::RewriteOperandToken(symbols, rewritten, (i & 1) != 0);
    }
  });

  q32::SectionStack stack;
  for (std::size_t i = 0; i < size && i < 256; ++i) {
    bool active = false;
    const int code = q32::Number(q32::UpdateSectionStack(stack, static_cast<q32::SectionOperation>(data[i] & 3), (data[i] & 4) != 0,
                                       active));
    Q32_FUZZ_CHECK(code == 0 || code == 3300 || code == 3301);
    Q32_FUZZ_CHECK(stack.depth >= 0 && stack.depth <= q32::kMaxSectionDepth);
  }
  return 0;
}
