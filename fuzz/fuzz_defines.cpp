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
    int code = q32::Number(q32::ParseDefines(defines, input, true, &summary));
    Q32_FUZZ_CHECK(code == 0 || code == -1047 || code == -1049 || code == 3080 || code == 3052);
    code = q32::Number(q32::ParseDefines(defines, input, false));
    Q32_FUZZ_CHECK(code == 0 || code == -1047 || code == -1049 || code == 3080 || code == 3052);
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
  std::size_t start = 0;
  for (int lines = 0; start <= input.size() && lines < 64; ++lines) {
    std::size_t end = input.find('\n', start);
    std::string_view line = input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    std::string upper = q32::UpperCase(line);
    bool result = false;
    (void)q32::EvaluateDefineCondition(run, plc, upper, false, result);
    (void)q32::EvaluateDefineCondition(run, plc, upper, true, result);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return 0;
}
