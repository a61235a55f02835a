// Times operand checks against the tables of a large PLC project, to show
// that a lookup does not scan the symbol list from its head.  Not a test: it
// prints one line, "<checks> operand checks over <symbols> symbols: <s> s".
//
//   bench_PlcLookupBench [symbols] [checks]
//
// Defaults: 200000 symbols, 100000 checks.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "plc/PlcOperands.h"
#include "plc/PlcProjectFile.h"

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200000;
  const int checks = argc > 2 ? std::atoi(argv[2]) : 100000;

  // Word arrays with even-numbered names, in the tools' byte order.
  q32::PlcSymbolTables tables;
  for (std::size_t i = 0; i < count; ++i) {
    q32::PlcSymbol s;
    char name[24];
    std::snprintf(name, sizeof name, "SYMBOL_%07zu", i * 2);
    s.name = name;
    s.type = 'W';
    s.value = static_cast<std::uint32_t>(i);
    s.count = 10;
    tables.symbols.push_back(s);
  }
  q32::IndexPlcSymbols(tables);

  // Half of the names asked for exist (the even ones), each with an index.
  std::mt19937 random(1);
  std::size_t found = 0;
  auto start = std::chrono::steady_clock::now();
  for (int q = 0; q < checks; ++q) {
    char text[32];
    std::snprintf(text, sizeof text, "symbol_%07u[3]", static_cast<unsigned>(random() % (count * 2)));
    std::string operand = text;
    q32::OperandResult result;
    if (q32::CheckOperand(tables, operand, result) == q32::Msg::Ok) ++found;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d operand checks over %zu symbols: %.3f s (%zu found)\n", checks, count, seconds, found);
  return 0;
}
