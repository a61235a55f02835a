// DXF drawings: the input is a .dxf source converted into a vector softkey
// beside it.  A failed conversion leaves no output, except a drawing without
// entities, whose empty softkey stays.
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
  // A failed conversion that leaves its softkey is known for failures in
  // the drawing's HEADER section (the input under fuzz/crashes/dxf/ shows
  // it); QUILLON_FUZZ_STRICT=1 makes it a finding until that is mended.
  const bool outputExpected = code == 0 || code == 8250;
  if (output != outputExpected && (outputExpected || q32fuzz::Strict())) {
    std::fprintf(stderr, "conversion gave %d and %s its output\n", code, output ? "left" : "lost");
    Q32_FUZZ_CHECK(output == outputExpected);
  }
  return 0;
}
