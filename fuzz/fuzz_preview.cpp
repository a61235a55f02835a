// The preview's decoders of generated files: the input is read as a softkey
// record file (raster or vector data, as the preview tells them apart), as
// raw softkey data of both kinds and as a .bmx file.  Whatever the bytes, the
// pictures keep their sizes and the PNG encoder gets whole pictures.
#include <string>

#include "FuzzSupport.h"
#include "bmx/BmxDecoder.h"
#include "dxf/VectorDecoder.h"
#include "preview/Pictures.h"
#include "raster/RasterDecoder.h"
#include "raster/SoftkeyRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(q32fuzz::AsText(data, size));
  const std::string records = q32::ReadSoftkeyRecordFile(input).data;
  const std::string* const kinds[] = {&records, &input};
  for (const std::string* bytes : kinds) {
    q32::Pixels raster = q32::RasterPixels(q32::DecodeRasterSoftkey(*bytes));
    Q32_FUZZ_CHECK(raster.rgb.size() == 77 * 48);
    const std::vector<q32::VectorVariant> vector = q32::DrawVectorSoftkey(*bytes);
    Q32_FUZZ_CHECK(!vector.empty() && vector.size() <= 257);
  }
  q32::BmxPicture bmx = q32::BmxPictures(q32::DecodeBmxFile(input), input);
  Q32_FUZZ_CHECK(bmx.pixels.rgb.size() == static_cast<std::size_t>(bmx.pixels.width) * bmx.pixels.height);
  for (const auto& layer : bmx.layers) Q32_FUZZ_CHECK(layer.second.rgb.size() == bmx.pixels.rgb.size());
  if (bmx.pixels.width > 0 && bmx.pixels.width <= 128 && bmx.pixels.height <= 128) q32::EncodePng(bmx.pixels);
  return 0;
}
