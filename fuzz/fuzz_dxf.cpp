// DXF drawings: the input is a .dxf source converted into a vector softkey
// beside it.
#include "FuzzSupport.h"
#include "dxf/DxfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  bool output = false;
  int code = q32fuzz::ConvertInScratch(q32fuzz::AsText(data, size), "spindle.dxf", "spindle.PIC",
                                       [](q32::RunContext& run, const std::string& source) {
                                         return q32::ConvertDxfSoftkey(run, source, q32::kDxfFormatVector);
                                       },
                                       output);
  Q32_FUZZ_CHECK(q32fuzz::OneOf(code, {0, 8250, 8251, 8252, 8253, 8254, 8255}));
  // Only a converted drawing leaves its softkey.
  if (output != (code == 0)) {
    std::fprintf(stderr, "conversion gave %d and %s its output\n", code, output ? "left" : "lost");
    Q32_FUZZ_CHECK(output == (code == 0));
  }
  return 0;
}
