#include "support/Decoders.h"

namespace q32test {

std::string DecodeVectorSoftkey(const std::string&) { return "not written yet\n"; }

}  // namespace q32test
