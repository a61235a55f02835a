// The PLC project information file: the input is read into the symbol
// tables, and the names it yields are looked up again and checked as
// operands, so the skip index and the structure references built from
// hostile offsets and counts are used as a run would use them.
#include <string>

#include "FuzzSupport.h"
#include "support/MemoryFileSystem.h"
#include "plc/PlcOperands.h"
#include "plc/PlcProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  q32test::MemoryFileSystem fs;
  fs.AddFile("MACHINE.PJ", std::string(q32fuzz::AsText(data, size)));
  q32::PlcSymbolTables tables;
  const q32::Msg read = q32::ReadPlcProjectFile(fs, "MACHINE.PJ", tables);
  const int code = q32::Number(read);
  Q32_FUZZ_CHECK(code == 0 || code == 8273 || code == 6506 || code == 3052);
  (void)q32::PlcReadReportCode(read);

  std::size_t checked = 0;
  for (const q32::PlcSymbol& symbol : tables.symbols) {
    if (++checked > 64) break;
    q32::PlcSymbol found;
    q32::LookUpSymbol(tables, symbol.name, &found);
    std::string operand = symbol.name;
    q32::OperandResult result;
    (void)q32::CheckOperand(tables, operand, result);
    if (symbol.structure != q32::kNoStructure) {
      Q32_FUZZ_CHECK(symbol.structure < tables.structures.size());
      const q32::PlcStructure& structure = tables.structures[symbol.structure];
      for (std::size_t m = 0; m < structure.members.size() && m < 4; ++m) {
        std::string member = symbol.name + "[1]." + structure.members[m].name;
        (void)q32::CheckOperand(tables, member, result);
      }
    }
    if (!tables.modules.empty()) {
      std::string local = tables.modules.front().name + "::" + symbol.name;
      (void)q32::CheckOperand(tables, local, result);
    }
  }
  q32::LookUpSymbol(tables, "NOSUCHSYMBOL");
  return 0;
}
