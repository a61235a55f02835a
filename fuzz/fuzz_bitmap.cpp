// One-bit bitmaps: the input is a .bmp source converted into a raster
// softkey beside it.
#include "FuzzSupport.h"
#include "raster/BitmapSoftkey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  q32fuzz::ConvertInScratch(
      data, size, "icon.bmp", "icon.PIC", {0, 8222, 8225, 8230, 8232},
      [](q32::RunContext &run, const std::string &source) {
        std::string detail;
        return q32::ConvertBitmapSoftkey(run, source, detail);
      });
  return 0;
}
