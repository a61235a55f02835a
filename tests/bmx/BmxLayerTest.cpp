#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "bmx/BmxDecoder.h"
#include "bmx/BmxGenerate.h"

namespace q32 {
namespace {

using bmxtest::Hex;
using Diffs = std::vector<std::uint32_t>;

const std::string kEnd = "00 01 00 00";

std::string Encoded(const Diffs& d) { return Hex(EncodeLayer(d)); }

// Hand-worked unit streams.
TEST(LayerEncoding, HandWorkedStreams) {
  // An identical layer: the trailing unchanged pixels are implied by the end.
  EXPECT_EQ(Encoded(Diffs(12, 0)), kEnd);
  // Only the first pixel differs: a run of one, then the end.
  EXPECT_EQ(Encoded({0x0000FF, 0, 0, 0}), "01 FF 00 00 " + kEnd);
  // A single pixel is a pending literal: a run of one, whatever its value.
  EXPECT_EQ(Encoded({0x123456}), "01 56 34 12 " + kEnd);
  EXPECT_EQ(Encoded({0}), "01 00 00 00 " + kEnd);
  // A zero difference pending as literal before a run is written as a run.
  EXPECT_EQ(Encoded({0, 5, 5}), "01 00 00 00 02 05 00 00 " + kEnd);
  // Unchanged pixels before a change: a skip.
  EXPECT_EQ(Encoded({0, 0, 0, 7}), "00 02 03 00 01 07 00 00 " + kEnd);
  // A skip followed by a run that lasts to the end.
  EXPECT_EQ(Encoded({0, 0, 5, 5}), "00 02 02 00 02 05 00 00 " + kEnd);
  // A trailing run of a changed value is written.
  EXPECT_EQ(Encoded({9, 9, 9}), "03 09 00 00 " + kEnd);
  // Three literals: 2 + 9 bytes padded to 12.
  EXPECT_EQ(Encoded({1, 2, 3}), "00 03 01 00 00 02 00 00 03 00 00 00 " + kEnd);
  // Four literals before a run: 2 + 12 bytes padded to 16.
  EXPECT_EQ(Encoded({1, 2, 3, 4, 5, 5, 5}),
            "00 04 01 00 00 02 00 00 03 00 00 04 00 00 00 00 03 05 00 00 " + kEnd);
  // One or two pending literals are runs of one.
  EXPECT_EQ(Encoded({1, 2, 2}), "01 01 00 00 02 02 00 00 " + kEnd);
  EXPECT_EQ(Encoded({1, 2, 3, 3}), "01 01 00 00 01 02 00 00 02 03 00 00 " + kEnd);
  // A run then literals at the end.
  EXPECT_EQ(Encoded({4, 4, 1, 2}), "02 04 00 00 01 01 00 00 01 02 00 00 " + kEnd);
  // A change after unchanged pixels that end the layer changed.
  EXPECT_EQ(Encoded({5, 0, 0}), "01 05 00 00 " + kEnd);
}

TEST(LayerEncoding, LongRunsSkipsAndLiterals) {
  // 300 equal pixels: 255 + 45.
  EXPECT_EQ(Encoded(Diffs(300, 0xABCDEF)), "FF EF CD AB 2D EF CD AB " + kEnd);
  // 300 equal pixels, then another value: the run is written at the change.
  Diffs d(300, 0x000010);
  d.push_back(0x000020);
  EXPECT_EQ(Encoded(d), "FF 10 00 00 2D 10 00 00 01 20 00 00 " + kEnd);

  // A skip over 70000 unchanged pixels: 65535 + 4465.
  Diffs skip(70002, 0);
  skip.front() = 0x11;
  skip.back() = 0x22;
  EXPECT_EQ(Encoded(skip), "01 11 00 00 00 02 FF FF 00 02 71 11 01 22 00 00 " + kEnd);

  // 257 different values at the end: a literal of 255 (2 + 765 bytes, one
  // byte of padding) and two runs of one.
  Diffs literals;
  for (std::uint32_t i = 1; i <= 257; ++i) literals.push_back((i * 0x010101) & 0xFFFFFF);
  std::string bytes = EncodeLayer(literals);
  ASSERT_EQ(bytes.size(), 768u + 8u + 4u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 255);
  EXPECT_EQ(Hex(bytes.substr(2, 6)), "01 01 01 02 02 02");
  EXPECT_EQ(Hex(bytes.substr(764, 4)), "FF FF FF 00");  // last literal, then padding
  EXPECT_EQ(Hex(bytes.substr(768)), "01 00 01 01 01 01 02 02 " + kEnd);

  // 258 literals before a run: 255 + 3 as two literal units.
  Diffs before;
  for (std::uint32_t i = 1; i <= 259; ++i) before.push_back(i);
  before.push_back(259);
  std::string two = EncodeLayer(before);
  ASSERT_EQ(two.size(), 768u + 12u + 4u + 4u);
  EXPECT_EQ(Hex(two.substr(768, 12)), "00 03 00 01 00 01 01 00 02 01 00 00");
  EXPECT_EQ(Hex(two.substr(780)), "02 03 01 00 " + kEnd);
}

// Random layers with long stretches of equal and unchanged pixels decode to
// their differences, and every unit keeps to its limits.
TEST(LayerEncoding, RandomLayersDecodeToTheirDifferences) {
  std::mt19937 random(1234);
  for (int round = 0; round < 400; ++round) {
    Diffs d;
    std::size_t length = 1 + random() % 3000;
    while (d.size() < length) {
      std::uint32_t kind = random() % 4;
      std::size_t n = 1 + random() % (kind == 0 ? 70000 : kind == 1 ? 600 : 5);
      if (kind == 0) d.insert(d.end(), n, 0);
      else if (kind == 1) d.insert(d.end(), n, random() & 0xFFFFFF);
      else for (std::size_t i = 0; i < n; ++i) d.push_back(random() % 3 ? random() & 0xFFFFFF : 0);
    }
    std::string bytes = EncodeLayer(d);
    ASSERT_EQ(bytes.size() % 4, 0u);
    Diffs back;
    std::string error;
    ASSERT_TRUE(bmxtest::DecodeLayer(bytes, d.size(), back, error)) << error << " round " << round;
    ASSERT_EQ(back, d) << "round " << round;
  }
  EXPECT_EQ(Encoded({}), kEnd);
}

}  // namespace
}  // namespace q32
