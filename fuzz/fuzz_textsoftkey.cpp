// Text-softkey sources: the input is a text source converted into a text
// softkey beside it, as a small, medium or big text (chosen by the input's
// length, so every seed meets all three over a run).
#include "FuzzSupport.h"
#include "lang/TextSoftkey.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char kind = "SMB"[size % 3];
  const std::string source = std::string("start.tx") + static_cast<char>(kind | 0x20);
  bool output = false;
  int code = q32fuzz::ConvertInScratch(q32fuzz::AsText(data, size), source, "start.PIC",
                                       [kind](q32::RunContext& run, const std::string& path) {
                                         return q32::ConvertTextSoftkey(run, path, kind);
                                       },
                                       output);
  Q32_FUZZ_CHECK(q32fuzz::OneOf(code, {0, 8222, 8260}));
  Q32_FUZZ_CHECK(code != 0 || output);
  return 0;
}
