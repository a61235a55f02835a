// Converts a one-bit Windows bitmap into a raster softkey record file beside
// it (icon.bmp gives icon.PIC).
#pragma once

#include <string>
#include <string_view>

#include "diag/MessageCodes.h"

namespace q32 {

struct RunContext;

// 0, or 8220 (source or output not openable), 8230 (not an uncompressed
// bitmap), 8222 (pixel data unreachable), 8232 (more than one bit per
// pixel), 8225 (rows too large to hold), 8223 (output write failed).  A
// picture that is not 77 x 48 draws warning -8231, reported here.
// detail names the file at fault (and why) for the report of a failure.
Msg ConvertBitmapSoftkey(RunContext& run, std::string_view source, std::string& detail);

}  // namespace q32
