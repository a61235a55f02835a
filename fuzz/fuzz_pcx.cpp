// PCX pictures: the input is a .pcx source converted into a raster softkey
// beside it.
#include "FuzzSupport.h"
#include "raster/PcxSoftkey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
  q32fuzz::ConvertInScratch(
      data, size, "icon.pcx", "icon.PIC", {0, 8222, 8225, 8240},
      [](q32::RunContext &run, const std::string &source) {
        std::string detail;
        return q32::ConvertPcxSoftkey(run, source, detail);
      });
  return 0;
}
