// The library's decoders of generated files: the input is read as a softkey
// record file, its data and the input itself as raster and vector softkeys,
// and the input as a .bmx image.  Whatever the bytes, every offset a decoder
// gives back lies within what it read, and the pixels and differences keep
// the sizes their headers state.
#include <string>

#include "FuzzSupport.h"
#include "bmx/BmxDecoder.h"
#include "dxf/VectorDecoder.h"
#include "raster/RasterDecoder.h"
#include "raster/SoftkeyRecords.h"

namespace {

void Raster(const std::string& data) {
  const q32::RasterSoftkeyImage image = q32::DecodeRasterSoftkey(data);
  Q32_FUZZ_CHECK(image.endAt <= data.size());
  for (const q32::RasterElement& e : image.elements) {
    Q32_FUZZ_CHECK(e.at + 10 <= data.size());
    if (e.blockInside) Q32_FUZZ_CHECK(e.blockAt + 4 + e.rows * e.RowBytes() <= data.size());
  }
  if (q32::IsWholeRasterSoftkey(image)) Q32_FUZZ_CHECK(image.end == q32::RasterListEnd::EndWord);
}

void Vector(const std::string& data) {
  const q32::VectorRecordList list = q32::ListVectorRecords(data);
  std::size_t at = 0;
  for (const q32::VectorRecord& r : list.records) {
    Q32_FUZZ_CHECK(r.at == at && r.end > r.at && r.end <= data.size());
    at = r.end;
  }
  Q32_FUZZ_CHECK(list.stopAt == at);
  const std::vector<q32::VectorVariant> variants = q32::DrawVectorSoftkey(data);
  // The default part and at most one variant per language index.
  Q32_FUZZ_CHECK(!variants.empty() && variants.size() <= 257);
  for (const q32::VectorVariant& v : variants) Q32_FUZZ_CHECK(v.calls >= 0);
}

void Bmx(const std::string& input) {
  const q32::BmxFile f = q32::DecodeBmxFile(input);
  const q32::BmxBackground& bg = f.background;
  if (bg.inside)
    Q32_FUZZ_CHECK(bg.pixels.size() == static_cast<std::size_t>(bg.header.info.width) * bg.header.info.Rows());
  for (const q32::BmxRecord& r : f.records) {
    Q32_FUZZ_CHECK(r.indexes.size() == f.keys.size());
    if (r.nextOutside) continue;
    Q32_FUZZ_CHECK(r.bodyAt + r.bodySize == r.next && r.next <= input.size());
    if (!r.IsLayer() || r.bodyShort) continue;
    const std::string_view stream = r.Body(input).substr(4);
    const std::vector<std::uint32_t> d = q32::BmxLayerDifferences(stream, r.units.units, bg.pixels.size());
    Q32_FUZZ_CHECK(d.size() <= bg.pixels.size() && d.size() <= r.units.pixels);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(q32fuzz::AsText(data, size));
  const q32::SoftkeyRecordFile records = q32::ReadSoftkeyRecordFile(input);
  if (q32::CarriesWholeData(records))
    for (const q32::SoftkeyRecordLine& line : records.lines)
      if (line.IsDataLine()) Q32_FUZZ_CHECK(line.Address() == line.dataAt);
  for (const std::string* bytes : {&records.data, &input}) {
    Raster(*bytes);
    Vector(*bytes);
  }
  Bmx(input);
  return 0;
}
