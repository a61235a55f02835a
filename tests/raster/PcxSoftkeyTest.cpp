// The PCX converter against pictures written by netpbm and ImageMagick and
// decoded independently, against the bitmap converter (complementary
// blocks), and against hand-made files for decoding rules and failures that
// the end-to-end runs do not show.
#include <gtest/gtest.h>

#include "raster/BitmapSoftkey.h"
#include "raster/PcxSoftkey.h"
#include "raster/RasterTestSupport.h"

namespace q32 {
namespace {

using namespace rastertest;
using q32test::FileExistsOnDisk;
using q32test::HaveTool;
using q32test::ReadFile;

// The colour index of black in a one-bit PCX picture's header palette.
bool BlackBitOfPcx(const std::string& pcx) { return !(pcx[16] == 0 && pcx[17] == 0 && pcx[18] == 0); }

// What a PCX picture must give: its top 48 rows in file order, blank
// (zero) rows after a short picture, every byte inverted.
std::string ExpectedFromPcx(const Picture& picture, bool blackBit) {
  std::vector<std::vector<std::uint8_t>> rows;
  for (int r = 0; r < 48; ++r)
    rows.push_back(Inverted(r < picture.height ? RowBytes(picture, r, blackBit)
                                               : std::vector<std::uint8_t>(10, 0)));
  return RasterBytes(rows);
}

// netpbm writes the picture as a one-bit PCX file and reads it back; the
// converter must give the inverted pixels, row for row from the top.  Also
// for pictures of other heights, with the warning.
TEST(PcxSoftkey, NetpbmPicturesConvertToTheirInvertedPixels) {
  if (!HaveTool("ppmtopcx") || !HaveTool("pcxtoppm")) GTEST_SKIP() << "netpbm missing";
  Workspace w;
  struct Case {
    int height;
    int warnings;
  } cases[] = {{48, 0}, {60, 1}, {30, 2}};
  for (const Case& c : cases) {
    std::string name = "h" + std::to_string(c.height);
    SCOPED_TRACE(name);
    Picture picture = w.ToolPicture(name, 77, c.height, c.height, "ppmtopcx " + name + ".pbm > " + name + ".pcx");
    std::string pcx = ReadFile(w.Path(name + ".pcx"));
    ASSERT_EQ(pcx[3], 1) << "one bit per pixel";
    ASSERT_TRUE(Tool("pcxtoppm " + name + ".pcx > back.ppm", w.dir.path()));
    Picture decoded;
    ASSERT_TRUE(ReadPnm(w.Path("back.ppm"), decoded));
    ASSERT_EQ(decoded.black, picture.black);

    ASSERT_EQ(ConvertPcxSoftkey(w.run, w.Path(name + ".pcx")), 0);
    EXPECT_EQ(w.Warnings(), c.warnings);
    Records records;
    ASSERT_TRUE(ReadRecords(ReadFile(w.Path(name + ".PIC")), records)) << records.error;
    EXPECT_EQ(records.lineSizes.size(), 99u);
    EXPECT_EQ(records.data, ExpectedFromPcx(decoded, BlackBitOfPcx(pcx)));
  }
  EXPECT_NE(w.Log().find("W8231: Softkey is not 77 x 48 pixels: " + w.Path("h30.pcx")), std::string::npos);
}

// The same bits stored as bitmap (ImageMagick) and as PCX (netpbm) give
// blocks that are bitwise complements, in the same row order.  The three
// pixels after the 77th are each writer's padding and are left out.
TEST(PcxSoftkey, BitmapAndPcxOfTheSameBitsGiveComplementaryBlocks) {
  if (!HaveTool("convert") || !HaveTool("ppmtopcx")) GTEST_SKIP() << "imagemagick or netpbm missing";
  Workspace w;
  w.ToolPicture("in", 77, 48, 3, "convert in.pbm -monochrome BMP3:k.bmp && ppmtopcx in.pbm > k.pcx");
  // Both files keep black as colour 0, so their stored bits are the same.
  std::string bmp = ReadFile(w.Path("k.bmp")), pcx = ReadFile(w.Path("k.pcx"));
  std::size_t table = 14 + static_cast<unsigned char>(bmp[14]);
  ASSERT_EQ(bmp.substr(table, 3), std::string(3, '\0'));
  ASSERT_EQ(pcx.substr(16, 3), std::string(3, '\0'));

  ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Path("k.bmp")), 0);
  std::string fromBmp = w.Converted("k.PIC");
  ASSERT_EQ(ConvertPcxSoftkey(w.run, w.Path("k.pcx")), 0);
  std::string fromPcx = w.Converted("k.PIC");
  ASSERT_EQ(fromBmp.size(), 510u);
  ASSERT_EQ(fromPcx.size(), 510u);
  EXPECT_EQ(fromBmp.substr(0, 26), fromPcx.substr(0, 26));
  EXPECT_EQ(fromBmp.substr(314, 4), fromPcx.substr(314, 4));
  for (std::size_t i = 26; i < 510; ++i) {
    if (i >= 314 && i < 318) continue;
    std::uint8_t mask = (i >= 318 && (i - 318) % 4 == 3) ? 0xF8 : 0xFF;
    EXPECT_EQ((fromBmp[i] ^ fromPcx[i]) & mask, mask) << "byte " << i;
  }
}

// ImageMagick's one-bit PCX (made from a bitmap) converts to the inverse of
// the bits it stores.  ImageMagick reads a set bit of such a file as black
// (netpbm, going by the header palette, reads the opposite), so by its own
// decoding the stored bits are the black pixels.
TEST(PcxSoftkey, ImageMagickPcxConverts) {
  if (!HaveTool("convert")) GTEST_SKIP() << "imagemagick missing";
  Workspace w;
  Picture picture =
      w.ToolPicture("in", 77, 48, 5, "convert in.pbm -monochrome BMP3:m.bmp && convert m.bmp PCX:m.pcx");
  std::string pcx = ReadFile(w.Path("m.pcx"));
  ASSERT_EQ(pcx[3], 1);
  ASSERT_EQ(pcx[65], 1);
  ASSERT_TRUE(Tool("convert m.pcx pbm:back.pbm", w.dir.path()));
  Picture decoded;
  ASSERT_TRUE(ReadPnm(w.Path("back.pbm"), decoded));
  ASSERT_EQ(decoded.black, picture.black);
  ASSERT_EQ(ConvertPcxSoftkey(w.run, w.Path("m.pcx")), 0);
  EXPECT_EQ(w.Converted("m.PIC"), ExpectedFromPcx(decoded, true));
  EXPECT_EQ(w.Warnings(), 0);
}

// Decoding rules: runs are cut at the line's end, a run of count 0 gives
// nothing, lines of several planes use their first 10 bytes, short lines
// read zero (after inversion FFh) for the bytes they lack.
TEST(PcxSoftkey, ScanLineDecoding) {
  Workspace w;
  // Line size 20 (2 planes of 10): a run of 40 AAh is cut at 20; the next
  // line starts with C0h 77h (nothing), then single bytes.
  std::string encoded;
  std::vector<std::vector<std::uint8_t>> rows;
  for (int r = 0; r < 48; ++r) {
    if (r % 2 == 0) {
      encoded += "\xE8\xAA";  // 40 times AAh: all six count bits matter
      rows.push_back(std::vector<std::uint8_t>(10, 0x55));
    } else {
      encoded += std::string("\xC0\x77", 2);
      std::vector<std::uint8_t> row;
      for (int i = 0; i < 20; ++i) {
        std::uint8_t v = static_cast<std::uint8_t>(r + i);  // below C0h: literal
        encoded += static_cast<char>(v);
        if (i < 10) row.push_back(static_cast<std::uint8_t>(~v));
      }
      rows.push_back(row);
    }
  }
  ASSERT_EQ(ConvertPcxSoftkey(w.run, w.Put("planes.pcx", MakePcx(77, 48, 10, 2, encoded))), 0);
  EXPECT_EQ(w.Converted("planes.PIC"), RasterBytes(rows));
  EXPECT_EQ(w.Warnings(), 0);

  // 64 pixels: 8 bytes a line; the missing bytes 8 and 9 read zero.
  std::string narrow;
  rows.clear();
  for (int r = 0; r < 48; ++r) {
    narrow += "\xC8\x0F";  // eight times 0Fh
    std::vector<std::uint8_t> row(10, 0xFF);
    for (int i = 0; i < 8; ++i) row[i] = 0xF0;
    rows.push_back(row);
  }
  ASSERT_EQ(ConvertPcxSoftkey(w.run, w.Put("narrow.pcx", MakePcx(64, 48, 8, 1, narrow))), 0);
  EXPECT_EQ(w.Converted("narrow.PIC"), RasterBytes(rows));
  EXPECT_EQ(w.Warnings(), 1);

  // Zero bytes a line, and an empty picture (Ymax below Ymin): all blank.
  ASSERT_EQ(ConvertPcxSoftkey(w.run, w.Put("zero.pcx", MakePcx(77, 48, 0, 1, ""))), 0);
  std::vector<std::vector<std::uint8_t>> blank(48, std::vector<std::uint8_t>(10, 0xFF));
  EXPECT_EQ(w.Converted("zero.PIC"), RasterBytes(blank));
  std::string empty = MakePcx(77, 48, 10, 1, "");
  Put16(empty, 6, 10);
  Put16(empty, 10, 5);
  ASSERT_EQ(ConvertPcxSoftkey(w.run, w.Put("empty.pcx", empty)), 0);
  EXPECT_EQ(w.Converted("empty.PIC"), RasterBytes(blank));
  EXPECT_EQ(w.Warnings(), 2);
}

// The refusals the end-to-end runs do not show, a file that ends inside a
// run, and failing file operations.
TEST(PcxSoftkey, FailuresGiveTheirCodes) {
  Workspace w;
  std::string lines;
  for (int r = 0; r < 48; ++r) lines += "\xCA\x12";  // ten times 12h
  const std::string good = MakePcx(77, 48, 10, 1, lines);
  auto convert = [&](const std::string& name, const std::string& bytes) {
    return ConvertPcxSoftkey(w.run, w.Put(name + ".pcx", bytes));
  };
  ASSERT_EQ(convert("good", good), 0);
  EXPECT_EQ(convert("header", good.substr(0, 127)), 8240);
  EXPECT_FALSE(FileExistsOnDisk(w.Path("header.PIC")));

  // The file ends inside a run: the record file holds the element list and
  // its count line.
  EXPECT_EQ(convert("cut", good.substr(0, 128 + 2 * 30 + 1)), 8222);
  EXPECT_EQ(ReadFile(w.Path("cut.PIC")),
            "S00500000000FA\r\nS31B00000000"
            "2600FFFE000000100009"
            "2600002E0000012A0009FFFF"
            "22\r\nS5030001FB\r\n");

  int seeks = 0;
  w.fs.rule = [&](FileOp op, const std::string&) { return op == FileOp::Seek && ++seeks == 2; };
  EXPECT_EQ(convert("seek", good), 8222);
  int writes = 0;
  w.fs.rule = [&](FileOp op, const std::string& path) {
    return op == FileOp::Write && path.find(".PIC") != std::string::npos && ++writes == 100;
  };
  EXPECT_EQ(convert("full", good), 8223);
  std::string text = ReadFile(w.Path("full.PIC"));
  EXPECT_EQ(text.substr(text.size() - 12, 4), "S503");
  w.fs.rule = nullptr;
  EXPECT_EQ(w.run.settings.errorCount, 0);
  EXPECT_EQ(w.Warnings(), 0);
}

}  // namespace
}  // namespace q32
