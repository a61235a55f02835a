#include "formats/SoftkeyFormats.h"

#include <algorithm>

#include "bmx/BmxDecoder.h"
#include "dxf/DxfReader.h"
#include "dxf/VectorDecoder.h"
#include "lang/TextSoftkey.h"
#include "paths/Paths.h"
#include "raster/BitmapSoftkey.h"
#include "raster/PcxSoftkey.h"
#include "raster/RasterDecoder.h"
#include "raster/SoftkeyRecords.h"
#include "run/RunContext.h"
#include "text/Ascii.h"

namespace q32 {
namespace {

// A .bmx image is known by its name: its bytes begin with a bitmap, as
// other files may.
bool IsBmxImage(std::string_view fileName, std::string_view) { return EndsWithIgnoringCase(fileName, ".bmx"); }

bool IsVectorSoftkey(std::string_view, std::string_view bytes) {
  std::string data;
  return ReadWholeSoftkeyData(bytes, data) && LooksLikeVectorSoftkey(data);
}

// Whatever else is taken for a raster softkey, so that its listing says
// what is wrong with it.
bool IsRasterSoftkey(std::string_view, std::string_view) { return true; }

SoftkeyPicture DrawRasterSoftkey(std::string_view bytes) {
  std::string data;
  if (!ReadWholeSoftkeyData(bytes, data)) {
    SoftkeyPicture none;
    none.problem = "the file is not a valid softkey record file";
    return none;
  }
  RasterSoftkeyImage image = DecodeRasterSoftkey(data);
  if (!IsWholeRasterSoftkey(image)) image.picture.problem = "the element list is broken";
  return std::move(image.picture);
}

std::string ListRaster(std::string_view bytes) { return RasterListing(bytes); }
std::string ListVector(std::string_view bytes) { return VectorListing(bytes); }
std::string ListBmx(std::string_view bytes) { return BmxListing(bytes); }

constexpr OutputFormat kBmx{"bmx", ".bmx", PictureKind::BmxImage, IsBmxImage, nullptr, ListBmx};
constexpr OutputFormat kVector{"vector", ".pic", PictureKind::Drawing, IsVectorSoftkey, nullptr, ListVector};
constexpr OutputFormat kRaster{"raster", ".pic", PictureKind::Pixels, IsRasterSoftkey, DrawRasterSoftkey, ListRaster};

constexpr const OutputFormat* kOutputs[] = {&kBmx, &kVector, &kRaster};

Conversion ConvertPicture(RunContext& run) {
  SoftkeyContext& k = run.softkey;
  std::string detail;
  const Msg result = k.sourceType == SourceType::Pcx ? ConvertPcxSoftkey(run, k.source, detail)
                                                     : ConvertBitmapSoftkey(run, k.source, detail);
  return Conversion{result, detail};
}

// The drawing converter reports and logs for itself.
Conversion ConvertDrawing(RunContext& run) {
  return Conversion{ConvertDxfSoftkey(run, run.softkey.source, kDxfFormatVector), DisplayPath(run.paths, run.softkey.source)};
}

// A text softkey of small, medium or big letters.
Conversion ConvertText(RunContext& run) {
  const SourceType t = run.softkey.sourceType;
  const char kind = t == SourceType::Txs ? 'S' : t == SourceType::Txm ? 'M' : 'B';
  return Conversion{ConvertTextSoftkey(run, run.softkey.source, kind), DisplayPath(run.paths, run.softkey.source)};
}

constexpr std::string_view kTextFiles[3] = {".txs", ".txm", ".txb"};

constexpr SourceFormat kSources[] = {
    {SourceType::Bmp, SourceRole::Picture, {".bmp"}, &kRaster, ConvertPicture},
    {SourceType::Pcx, SourceRole::Picture, {".pcx"}, &kRaster, ConvertPicture},
    {SourceType::Dxf, SourceRole::Drawing, {".dxf"}, &kVector, ConvertDrawing},
    {SourceType::Bpj, SourceRole::BmxProject, {".bpj"}, &kBmx, nullptr},
    {SourceType::Txs, SourceRole::Text, {kTextFiles[0], kTextFiles[1], kTextFiles[2]}, &kVector, ConvertText},
    {SourceType::Txm, SourceRole::Text, {kTextFiles[0], kTextFiles[1], kTextFiles[2]}, &kVector, ConvertText},
    {SourceType::Txb, SourceRole::Text, {kTextFiles[0], kTextFiles[1], kTextFiles[2]}, &kVector, ConvertText},
    {SourceType::Tx, SourceRole::InLineText, {}, nullptr, nullptr},
    {SourceType::Generated, SourceRole::Softkey, {".pic", ".sk", ".bmx"}, nullptr, nullptr},
};

}  // namespace

std::span<const OutputFormat* const> OutputFormats() { return kOutputs; }

const OutputFormat& RecogniseOutput(std::string_view fileName, std::string_view bytes) {
  for (const OutputFormat* f : kOutputs)
    if (f->recognise(fileName, bytes)) return *f;
  return *kOutputs[std::size(kOutputs) - 1];
}

bool IsSoftkeyFileName(std::string_view fileName) {
  return std::any_of(std::begin(kOutputs), std::end(kOutputs),
                     [fileName](const OutputFormat* f) { return EndsWithIgnoringCase(fileName, f->extension); });
}

const SourceFormat& SourceFormatOf(SourceType type) {
  for (const SourceFormat& f : kSources)
    if (f.type == type) return f;
  return kSources[std::size(kSources) - 1];
}

}  // namespace q32
