// DXF drawings: the input is a .dxf source converted into a vector softkey
// beside it.
#include "FuzzSupport.h"
#include "dxf/DxfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [code, output] = q32fuzz::ConvertInScratch(
      data, size, "spindle.dxf", "spindle.PIC", {0, 8250, 8251, 8252, 8253, 8254, 8255},
      [](q32::RunContext& run, const std::string& source) {
        return q32::ConvertDxfSoftkey(run, source, q32::kDxfFormatVector);
      });
  // Only a converted drawing leaves its softkey.
  Q32_FUZZ_CHECK(output == (code == 0));
  return 0;
}
