// Text-softkey sources: the input is a text source converted into a text
// softkey beside it, as a small, medium or big text (chosen by the input's
// length, so every seed meets all three over a run).
#include "FuzzSupport.h"
#include "lang/TextSoftkey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char kind = "SMB"[size % 3];
  q32fuzz::ConvertInScratch(data, size, std::string("start.tx") + static_cast<char>(kind | 0x20), "start.PIC",
                            {0, 8222, 8260}, [kind](q32::RunContext& run, const std::string& path) {
                              return q32::ConvertTextSoftkey(run, path, kind);
                            });
  return 0;
}
