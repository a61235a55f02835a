// The projects the benchmarks time: N bitmap softkeys, each a picture of its
// own, written into a fresh directory.  Included by the bench programs only.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;

inline void Put32(std::string& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b += static_cast<char>(v >> (8 * i) & 0xFF);
}

// A 77 x 48 one-bit bitmap whose pixels depend on k, so that every softkey
// of the project is a picture of its own.
inline std::string Bitmap(int k) {
  const std::uint32_t rowBytes = 12, pixels = rowBytes * 48, offset = 62;
  std::string b = "BM";
  Put32(b, offset + pixels);
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, 77);
  Put32(b, 48);
  b += std::string("\x01\x00\x01\x00", 4);
  for (std::uint32_t v : {0u, pixels, 2835u, 2835u, 2u, 2u}) Put32(b, v);
  b += std::string("\xFF\xFF\xFF\0\0\0\0\0", 8);
  for (int r = 0; r < 48; ++r) {
    std::string row(rowBytes, '\0');
    row[static_cast<std::size_t>((r + k) % 10)] = static_cast<char>(k & 0xFF);
    b += row;
  }
  return b;
}

inline void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// p.spm in dir with img\sk<k>.bmp for k < n.  Flat: one root menu holding
// every softkey line (the generator's own benchmark).  In menus: the softkey
// lines in menus of 100, each with an item showing every one of its softkeys,
// and the root menu with an item opening each of them.
inline void MakeProject(const fs::path& dir, int n, bool inMenus) {
  fs::create_directories(dir / "img");
  for (int k = 0; k < n; ++k) Write(dir / "img" / ("sk" + std::to_string(k) + ".bmp"), Bitmap(k));
  std::string project = "QUILLON Project File - Version 1.0\n";
  if (!inMenus) {
    project += "SKMENU MAIN HROOT\n";
    for (int k = 0; k < n; ++k)
      project += "BMP img\\sk" + std::to_string(k) + ".bmp SK" + std::to_string(k) + "\n";
    Write(dir / "p.spm", project + "BLANK\nENDSKMENU\n");
    return;
  }
  constexpr int kPerMenu = 100;
  const int menus = (n + kPerMenu - 1) / kPerMenu;
  for (int m = 0; m < menus; ++m) {
    project += "SKMENU M" + std::to_string(m) + " MENUNR:" + std::to_string(100 + m) + "\n";
    std::string items;
    for (int k = m * kPerMenu; k < n && k < (m + 1) * kPerMenu; ++k) {
      project += "BMP img\\sk" + std::to_string(k) + ".bmp SK" + std::to_string(k) + "\n";
      items += "ACTION SK" + std::to_string(k) + "\n";
    }
    project += items + "ENDSKMENU\n";
  }
  project += "SKMENU MAIN HROOT\nTX Menus OPENMENU\n";
  for (int m = 0; m < menus; ++m) project += "NODE OPENMENU M" + std::to_string(m) + "\n";
  Write(dir / "p.spm", project + "ENDSKMENU\n");
}

// The sizes the command line names, 1,000 and 10,000 when it names none.
inline std::vector<int> Sizes(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000};
  return sizes;
}

// A fresh directory under /tmp for the runs; empty when none can be made.
inline fs::path FreshRoot(const std::string& name) {
  std::string pattern = "/tmp/quillon_" + name + ".XXXXXX";
  return mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
}

}  // namespace bench
