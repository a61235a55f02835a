// The run-length coding of layers, read back by the .bmx decoder:
// hand-worked differences at the unit limits, each of which must decode to
// itself (the choices between runs, skips and literals show in the .bmx
// files of tests/bmx/*.case).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bmx/BmxDecoder.h"
#include "bmx/BmxGenerate.h"

namespace q32 {
namespace {

using Diffs = std::vector<std::uint32_t>;

// a then b; Counting: n differences from first on, each step more, as 24-bit values.
Diffs operator+(Diffs a, const Diffs& b) { a.insert(a.end(), b.begin(), b.end()); return a; }
Diffs Counting(std::uint32_t n, std::uint32_t first, std::uint32_t step) {
  Diffs d;
  for (std::uint32_t i = 0; i < n; ++i) d.push_back((first + step * i) & 0xFFFFFF);
  return d;
}

// The units of the encoded differences, or what is wrong with them.  Pixels
// after the end unit are unchanged.
std::string Units(const Diffs& d) {
  const std::string bytes = EncodeLayer(d);
  Diffs back;
  std::string units, error;
  if (!ListBmxLayerUnits(bytes, back, units, error)) return units + " !! " + error;
  if (bytes.size() % 4 != 0 || back.size() > d.size()) return units + " !! not whole words or too long";
  back.resize(d.size(), 0);
  return back == d ? units : units + " !! other differences";
}

TEST(LayerEncoding, HandWorkedUnits) {
  const std::pair<Diffs, const char*> cases[] = {
      // Trailing unchanged pixels are implied by the end unit.
      {{}, "end"}, {Diffs(12, 0), "end"}, {{0xFF, 0, 0, 0}, "run 1 0000FF, end"}, {{5, 0, 0}, "run 1 000005, end"},
      // The limits: runs of 255, skips of 65535, literals of 255.
      {Diffs(300, 0xABCDEF), "run 255 ABCDEF, run 45 ABCDEF, end"},
      {Diffs(300, 0x10) + Diffs{0x20}, "run 255 000010, run 45 000010, run 1 000020, end"},
      {Diffs{0x11} + Diffs(70000, 0) + Diffs{0x22}, "run 1 000011, skip 65535, skip 4465, run 1 000022, end"},
      {Counting(257, 0x010101, 0x010101),
       "literal 255 010101 020202 030303 040404 ... FFFFFF, run 1 010100, run 1 020201, end"},
      {Counting(259, 1, 1) + Diffs{259},
       "literal 255 000001 000002 000003 000004 ... 0000FF, literal 3 000100 000101 000102, run 2 000103, end"},
  };
  for (const auto& [d, units] : cases) EXPECT_EQ(Units(d), units) << d.size() << " differences";
}

}  // namespace
}  // namespace q32
