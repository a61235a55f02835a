#include "support/Decoders.h"

namespace q32test {

std::string DecodeRasterSoftkey(const std::string&) { return "not written yet\n"; }

}  // namespace q32test
