// The softkey line being converted: its source, its kind and the softkey it
// makes on the control.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "run/RunSettings.h"

namespace q32 {

// The token of a softkey line holds at most this many characters.
constexpr std::size_t kMaxSourceLength = 255;

enum class SourceType : std::uint32_t {
  Pcx = 0,
  Bpj = 1,
  Bmp = 2,
  Dxf = 3,
  Unused = 4,
  Txs = 5,
  Txm = 6,
  Txb = 7,
  Tx = 8,
  Generated = 9,  // PIC, SK, SOFTKEY
};

// The softkey line being converted.
struct SoftkeyContext {
  std::string source;      // the line's token, cut to kMaxSourceLength
  std::string sourceName;  // its file-name part
  std::string targetPath;  // the softkey on the control
  std::string targetExt;
  SourceType sourceType = SourceType::Pcx;
  // A 1-bit bitmap is taken by its colour table (the word DARK on its line):
  // the darker colour's pixels are the softkey's set bits.
  bool darkIsSet = false;
};

// Fills the softkey fields from a softkey line; destPath is the SKPATH in force.
void SetSoftkeySource(SoftkeyContext& context, std::string_view destPath, SourceType type, std::string_view token,
                      bool controlFamilyLE);

}  // namespace q32
