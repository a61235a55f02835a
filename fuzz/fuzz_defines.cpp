// The configuration file and define lists: the input is parsed as a -a
// define list (with and without replacing), read as a configuration file of
// DEFINE lines, and its lines are evaluated as #IFDEF/#IFNDEF conditions
// over the defines it made.
#include <string>

#include "FuzzSupport.h"
#include "plc/PlcProjectFile.h"
#include "project/Defines.h"
#include "run/DefineList.h"
#include "text/Ascii.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = q32fuzz::AsText(data, size);
  {
    q32::DefineList defines;
    q32::DefineParseSummary summary;
    for (bool replace : {true, false}) {
      const int code = q32::Number(q32::ParseDefines(defines, input, replace, replace ? &summary : nullptr));
      Q32_FUZZ_CHECK(q32fuzz::OneOf(code, {0, -1047, -1049, 3080, 3052}));
    }
    for (const auto& entry : defines.Entries()) {
      std::int32_t value = 0;
      std::string text;
      Q32_FUZZ_CHECK(defines.LookupDefine(entry.name, value, &text) != q32::DefineKind::None);
    }
  }

  q32test::MemoryFileSystem memory = q32fuzz::BaseFileSystem();
  memory.AddFile(q32fuzz::InWork("machine.cfg"), std::string(input));
  q32fuzz::QuietRun quiet(memory, false);
  q32::RunContext& run = quiet.run;
  q32::PlcSymbolTables plc;
  Q32_FUZZ_CHECK(q32::ReadConfigurationFile(run, q32fuzz::InWork("machine.cfg")));
  // The -a list then wins over the file, as in a run.
  q32::LoadRunDefines(run, {}, std::string(input.substr(0, 512)));

  // Every line of the input as a define condition, plain and negated.
  q32fuzz::ForEachLine(input, 64, [&](std::string_view line) {
    bool result = false;
    for (bool negated : {false, true})
      (void)q32::EvaluateDefineCondition(run, plc, q32::UpperCase(line), negated, result);
  });
  return 0;
}
