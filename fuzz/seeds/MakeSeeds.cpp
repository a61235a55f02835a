// Writes the PLC project information files of the seed corpus with the
// builder the PLC tests use: the small file of the fuzz targets, one with
// enough symbols for the skip index, one whose sections end at the end of
// the file, and one with a module section shorter than announced.
//
// usage: make_seeds <directory>
#include <cstdio>
#include <fstream>
#include <string>

#include "../SmallPlcFile.h"

namespace {

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds <directory>\n");
    return 3;
  }
  const std::string dir = argv[1];
  Write(dir + "/small.pj", q32fuzz::SmallPlcFile());

  q32test::PlcFileBuilder many;
  many.modules = {{1, "MAIN"}};
  for (int i = 0; i < 120; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "SYM%03d", i);
    many.symbols.push_back({name, "MIDW"[i % 4], static_cast<std::uint32_t>(i * 4), 0, 0, false, "", ""});
  }
  Write(dir + "/skip-index.pj", many.Build());

  q32test::PlcFileBuilder open;
  open.structures = {{"AXIS", 20, {{"POS", 'D', 0, 0}}, false}};
  open.symbols = {{"AXES", 's', 2000, 4, 0, false, "AXIS", ""}};
  open.endStructures = false;
  open.endFirstList = false;
  open.endSecondList = false;
  open.symbolsLast = true;
  Write(dir + "/unterminated.pj", open.Build());

  q32test::PlcFileBuilder shortModules;
  shortModules.modules = {{1, "MAIN"}, {-3, "NEGATIVE"}};
  shortModules.moduleSizeExtra = 600;
  shortModules.symbols = {{"FLAG", 'M', 100, 0, 1, true, "", ""}};
  Write(dir + "/short-modules.pj", shortModules.Build());
  return 0;
}
