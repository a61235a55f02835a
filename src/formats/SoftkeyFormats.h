// The softkey formats as units.  A softkey line's source type names the
// files it takes and the converter that makes its softkey; each format of
// a generated softkey file is recognised by its bytes, listed record by
// record and, where it holds pixels, drawn.  The source dispatch, the
// checks, the preview, the language server's completion, the case tables'
// listings and the fuzz targets all go through these two tables, so a new
// format is one row in each.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "diag/MessageCodes.h"
#include "raster/SoftkeyPicture.h"
#include "run/SoftkeyContext.h"

namespace q32 {

struct RunContext;

// What became of a softkey line's source.
struct Conversion {
  Msg code = Msg::Ok;     // the converter's code; those above 8000 the caller reports at the line
  bool converted = true;  // false also when the converter has reported its failure itself
  std::string detail;     // what the report names: the file at fault and why
  Conversion() = default;
  explicit Conversion(Msg c, bool done) : code(c), converted(done) {}
  explicit Conversion(Msg c, std::string what = {}) : code(c), converted(c == Msg::Ok), detail(std::move(what)) {}
};

// How a generated softkey file is shown: as pixels (the format's draw), as
// a drawing of lines, arcs and texts in each language variant, or as a BMX
// image of background, layers and texts.
enum class PictureKind { Pixels, Drawing, BmxImage };

// A format of generated softkey files.
struct OutputFormat {
  std::string_view name;       // "raster", "vector", "bmx": the listing's name and the picture's caption
  std::string_view extension;  // of the file the converters write
  PictureKind picture;
  // Whether a file of this name holds this format; the formats are asked
  // in table order and the last takes whatever is left.
  bool (*recognise)(std::string_view fileName, std::string_view bytes);
  // Pixels only: the picture, or the problem that stopped it.
  SoftkeyPicture (*draw)(std::string_view bytes);
  // What the file holds, record by record, and what is wrong with it.
  std::string (*listing)(std::string_view bytes);
};

// What a softkey line's source becomes and how the dispatch goes on.
enum class SourceRole {
  Picture,     // converted into a softkey file; the line then names that softkey
  Drawing,     // converted into a softkey file of the same name
  Text,        // a text source, converted into a softkey file of the same name
  BmxProject,  // generated from its own directory with the run's language texts
  InLineText,  // the text stands in the line; no file
  Softkey,     // an already generated softkey, only checked
};

struct SourceFormat {
  SourceType type;
  SourceRole role;
  // The files a line of this type names (the editor offers these).
  std::string_view extensions[3];
  // What the line's softkey file is; null where the line makes none or it
  // can be any.
  const OutputFormat* output;
  // The conversion, for the roles that convert alone: it depends on the
  // line and its files only, so a run may take it from earlier runs.
  Conversion (*convert)(RunContext& run);
};

// Every output format, in the order they are recognised.
[[nodiscard]] std::span<const OutputFormat* const> OutputFormats();
// The format of a generated softkey file.
[[nodiscard]] const OutputFormat& RecogniseOutput(std::string_view fileName, std::string_view bytes);
// Whether the name is that of a generated softkey file (".PIC", ".bmx").
[[nodiscard]] bool IsSoftkeyFileName(std::string_view fileName);

// The record of a source type; an unknown type is taken as a softkey
// already generated.
[[nodiscard]] const SourceFormat& SourceFormatOf(SourceType type);

}  // namespace q32
