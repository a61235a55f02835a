// Forged, truncated and random pictures: the converters must answer with one
// of their codes and never read or write out of bounds (the suite also runs
// under AddressSanitizer and UndefinedBehaviorSanitizer).
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "raster/BitmapSoftkey.h"
#include "raster/PcxSoftkey.h"
#include "raster/RasterTestSupport.h"

namespace q32 {
namespace {

using namespace rastertest;
using q32test::ReadFile;

// Values that break naive arithmetic on header fields.
const std::uint32_t kNasty32[] = {0u, 1u, 2u, 7u, 8u, 9u, 47u, 48u, 49u, 76u, 77u, 78u, 0x7FFFFFFFu,
                                  0x80000000u, 0x80000001u, 0xFFFFFFFFu, 0xFFFFFFF8u, 0xFFFFFFF9u,
                                  0xFFFFFF00u, 0x10000000u, 62u, 54u, 1000u};
const std::uint16_t kNasty16[] = {0, 1, 2, 8, 9, 10, 11, 47, 48, 76, 77, 0x7FFF, 0x8000, 0xFFFF};

template <typename T, std::size_t N>
T Pick(std::mt19937& random, const T (&values)[N]) {
  return values[random() % N];
}

// Converts every forged file under a name of its own (truncating files makes
// some file systems flush): each result must be one of the allowed codes, and
// a success a complete record file of 510 data bytes.
template <typename Forge>
void ExpectCleanCodes(Workspace& w, const std::string& ext, int (*convert)(RunContext&, std::string_view),
                      const std::set<int>& allowed, Forge forge) {
  for (int i = 0; i < 1500; ++i) {
    std::string name = "f" + std::to_string(i);
    int code = convert(w.run, w.Put(name + ext, forge()));
    ASSERT_TRUE(allowed.count(code)) << ext << " case " << i << " gave " << code;
    if (code == 0) {
      Records records;
      ASSERT_TRUE(ReadRecords(ReadFile(w.Path(name + ".PIC")), records)) << i << ": " << records.error;
      EXPECT_EQ(records.data.size(), 510u) << i;
    }
  }
  EXPECT_EQ(w.run.settings.errorCount, 0);
}

TEST(RasterFuzz, ForgedBitmapHeaders) {
  Workspace w;
  std::mt19937 random(20261205);
  std::vector<std::string> stored(48, std::string(12, '\x33'));
  const std::string base = MakeBmp(77, 48, 1, stored);
  ExpectCleanCodes(w, ".bmp", ConvertBitmapSoftkey, {0, 8222, 8225, 8230, 8232}, [&] {
    std::string b = base;
    switch (random() % 4) {
      case 0:  // the fields the converter reads, set to awkward values
        Put32(b, 10, Pick(random, kNasty32));
        Put32(b, 18, Pick(random, kNasty32));
        Put32(b, 22, Pick(random, kNasty32));
        Put16(b, 28, random() % 3 ? 1 : Pick(random, kNasty16));
        Put32(b, 30, random() % 4 ? 0 : Pick(random, kNasty32));
        break;
      case 1:  // cut anywhere
        b.resize(random() % b.size());
        break;
      case 2:  // random bytes after a valid signature
        for (std::size_t k = 2; k < 62; ++k)
          if (random() % 3 == 0) b[k] = static_cast<char>(random());
        break;
      default:  // over-long: extra rows and trailing garbage
        b += std::string(random() % 5000, static_cast<char>(random()));
        Put32(b, 22, Pick(random, kNasty32));
        break;
    }
    return b;
  });
}

TEST(RasterFuzz, ForgedPcxHeadersAndScanLines) {
  Workspace w;
  std::mt19937 random(51220626);
  ExpectCleanCodes(w, ".pcx", ConvertPcxSoftkey, {0, 8222, 8225, 8240}, [&] {
    std::string encoded;
    std::size_t length = random() % 1200;
    for (std::size_t k = 0; k < length; ++k) encoded += static_cast<char>(random());
    std::string p = MakePcx(77, 48, 10, 1, encoded);
    switch (random() % 4) {
      case 0:
        for (std::size_t at : {4, 6, 8, 10}) Put16(p, at, Pick(random, kNasty16));
        Put16(p, 66, Pick(random, kNasty16));
        p[65] = static_cast<char>(random() % 3 ? random() % 5 : random());
        break;
      case 1:
        p.resize(random() % (p.size() + 1));
        break;
      case 2:
        for (std::size_t k = 3; k < 128; ++k)
          if (random() % 3 == 0) p[k] = static_cast<char>(random());
        break;
      default:  // runs only, long ones
        p.resize(128);
        for (int k = 0; k < 600; ++k) p += static_cast<char>(0xC0 | (random() & 0x3F)), p += 'x';
        break;
    }
    return p;
  });
}

}  // namespace
}  // namespace q32
