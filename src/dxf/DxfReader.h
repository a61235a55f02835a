// DXF drawings as vector softkeys: reads the text form of a drawing (its
// HEADER, BLOCKS and ENTITIES sections and the entity types a softkey can
// show) and emits the elements through the vector output.
#pragma once

#include <cstdint>
#include <string_view>

#include "diag/MessageCodes.h"

namespace q32 {

struct RunContext;

// The only format a project asks for: a vector softkey in a ".PIC" file.
constexpr int kDxfFormatVector = 1;
// A value line contributes at most this many characters.
constexpr std::size_t kMaxDxfValueLength = 78;
// Drawing units to softkey units (64/23 as the control's tools hold it).
constexpr double kDxfScale = 2.782608695652174;
constexpr double kDegreesToRadians = 0.017453292519943295;

// Converts the drawing at source into a vector softkey beside it.  0, or a
// message code (8220, 8223, 8250 to 8254).  Failures after the output was
// created are reported here and delete it, except 8250, which keeps it.
Msg ConvertDxfSoftkey(RunContext& run, std::string_view source, int format);

// Integer conversion of a group code line: leading white space skipped, an
// optional sign, digits up to the first other character (none gives 0);
// values beyond 32 bits saturate.
std::int32_t ParseDxfInteger(std::string_view text);
// Drawing units to softkey units, truncated toward zero; a value that is not
// a finite number gives 0.
std::int64_t ScaleDxfValue(double value);
// The para number of a layer name: the first run of digits n gives n - 1 when
// n is greater than 1, else 0.
std::uint32_t ParaFromLayer(std::string_view layer);

}  // namespace q32
