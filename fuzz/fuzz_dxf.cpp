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
  Q32_FUZZ_CHECK(q32fuzz::OneOf(code, {0, 8250, 8251, 8252, 8253, 8254}));
  // A drawing without entities keeps its empty softkey, and so does one whose
  // HEADER section fails (8252, 8253 there); failures in the drawing's later
  // sections delete it.  Only the codes that never come from the HEADER pin
  // down whether the softkey stays.
  const bool headerCode = code == 8252 || code == 8253;
  const bool outputExpected = code == 0 || code == 8250;
  if (!headerCode && output != outputExpected) {
    std::fprintf(stderr, "conversion gave %d and %s its output\n", code, output ? "left" : "lost");
    Q32_FUZZ_CHECK(output == outputExpected);
  }
  return 0;
}
