// The small PLC project information file of the fuzz targets: two modules,
// a structure type with members, an array of structures, a flag, a
// constant, a text and a local symbol, in both symbol lists.
#pragma once

#include <string>

#include "support/PlcFileBuilder.h"

namespace q32fuzz {

inline std::string SmallPlcFile() {
  q32test::PlcFileBuilder b;
  b.modules = {{1, "MAIN"}, {2, "AXES"}};
  b.structures = {{"AXIS", 20, {{"POS", 'D', 0, 0}, {"LIMITS", 'W', 8, 3}}, true}};
  b.symbols = {{"AXES", 's', 2000, 4, 0, false, "AXIS", ""},
               {"FLAG", 'M', 100, 0, 0, false, "", ""},
               {"KSEVEN", 'K', 7, 0, 0, false, "", ""},
               {"LOCALBIT", 'M', 12, 0, 2, true, "", ""},
               {"TITLE", 'S', 0, 0, 0, false, "", "Mill 3X"}};
  b.secondSymbols = {{"OTHER", 'I', 4, 0, 0, false, "", ""}};
  return b.Build();
}

}  // namespace q32fuzz
