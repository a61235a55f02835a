// One-bit bitmaps: the input is a .bmp source converted into a raster
// softkey beside it.
#include "FuzzSupport.h"
#include "raster/BitmapSoftkey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  bool output = false;
  int code = q32fuzz::ConvertInScratch(q32fuzz::AsText(data, size), "icon.bmp", "icon.PIC",
                                       [](q32::RunContext& run, const std::string& source) {
                                         return q32::ConvertBitmapSoftkey(run, source);
                                       },
                                       output);
  Q32_FUZZ_CHECK(q32fuzz::OneOf(code, {0, 8222, 8225, 8230, 8232}));
  Q32_FUZZ_CHECK(code != 0 || output);
  return 0;
}
