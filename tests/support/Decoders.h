// Listings of generated files for the "--- decode" steps of the case tables,
// written over the library's decoders, which read the file formats
// independently of the program's own writers.
#pragma once

#include <string>

namespace q32test {

// A softkey record file (S-records) as the 77 x 48 raster picture it carries,
// one text row per pixel row.
std::string DecodeRasterSoftkey(const std::string& bytes);
// A softkey record file of vector records, walked record by record.
std::string DecodeVectorSoftkey(const std::string& bytes);
// A .bmx file: its header, background and layers.
std::string DecodeBmx(const std::string& bytes);

}  // namespace q32test
