// Generation of ".bmx" softkey images from BMX projects: the background
// bitmap followed by a description of every text, layer, placed bitmap and
// SVG picture, each tagged with indexes into a dictionary of attribute
// values.  One file per screen resolution when the output names %RES%.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace q32 {

struct BmxProject;
struct LanguageTable;
struct RunContext;

// The generator holds the pictures of at most this many image elements.
constexpr std::size_t kMaxBmxImages = 1024;
// Units of the layer encoding.
constexpr std::size_t kMaxRunCount = 255;
constexpr std::size_t kMaxSkipCount = 65535;
constexpr std::size_t kMaxLiteralCount = 255;
constexpr std::size_t kMinLiteralCount = 3;

// Record types of a ".bmx" file.
constexpr std::uint32_t kBmxRecordText = 2;
constexpr std::uint32_t kBmxRecordLayer = 1;
constexpr std::uint32_t kBmxRecordPlacedBitmap = 3;
constexpr std::uint32_t kBmxRecordSvg = 4;

// Generates the ".bmx" files of a BMX project; the current directory is the
// project's.  A set firstProject releases the language texts of the run
// before the project is read; otherwise the texts an earlier project loaded
// are used again (they stay in the run until its end).  False after a
// failure, which has been reported.
[[nodiscard]] bool GenerateBmxSoftkey(RunContext& run, LanguageTable& languages, std::string_view projectPath,
                       std::string_view destPath, std::string_view languageDir, std::string_view languageDirBase,
                       bool firstProject);
// Logs every picture and language file that a BMX project uses (the
// language directory and base as for GenerateBmxSoftkey); false after a
// reported failure.
bool ListBmxIncludes(RunContext& run, std::string_view projectPath, std::string_view languageDir,
                     std::string_view languageDirBase);

// The layer encoding of a sequence of 24-bit pixel differences (layer
// exclusive-or background, in file order), end unit included.
std::string EncodeLayer(const std::vector<std::uint32_t>& differences);

// What the generator needs of a Windows bitmap file, read with every size
// checked against the file.
struct BmxBitmapInfo {
  bool valid = false;          // a BITMAPINFOHEADER (or later) bitmap whose pixels lie in the file
  std::int32_t width = 0, height = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t pixelOffset = 0;
  std::size_t rowSize = 0;     // stored bytes per row, padding included (24 bits)
};
BmxBitmapInfo ReadBitmapInfo(std::string_view bytes);
bool IsUncompressed24(const BmxBitmapInfo& info);

// The text coding of the project from its texts, and every text line that
// is coded otherwise converted to it.
void ApplyTextCoding(BmxProject& project);

}  // namespace q32
