// The bitmap converter against bitmaps written by ImageMagick and netpbm,
// decoded independently, and against hand-made files for the rules the
// tools cannot show (padding bits, colour table, failing file operations).
// The run-level failure reports are proven end to end.
#include <gtest/gtest.h>

#include "raster/BitmapSoftkey.h"
#include "raster/RasterTestSupport.h"

namespace q32 {
namespace {

using namespace rastertest;
using q32test::FileExistsOnDisk;
using q32test::HaveTool;
using q32test::ReadFile;

// The colour index of black in a bitmap's colour table (decoded here, not
// by the converter).
bool BlackBitOfBmp(const std::string& bmp) {
  std::size_t table = 14 + static_cast<unsigned char>(bmp[14]);
  return !(bmp[table] == 0 && bmp[table + 1] == 0 && bmp[table + 2] == 0);
}

// What a bottom-up bitmap of the picture must give: the first 48 rows of
// the file (bottom of the picture first) read, then blank rows; top first.
std::string ExpectedFromBitmap(const Picture& picture, bool blackBit) {
  std::vector<std::vector<std::uint8_t>> read;
  for (int i = 0; i < 48; ++i)
    read.push_back(i < picture.height ? RowBytes(picture, picture.height - 1 - i, blackBit)
                                      : std::vector<std::uint8_t>(10, 0));
  return RasterBytes({read.rbegin(), read.rend()});
}

// ImageMagick and netpbm write a picture; ImageMagick decodes it again to
// show what it holds; the converter must give exactly those pixels, in the
// writer's record lines, and srec_cat must read the same bytes back.
TEST(BitmapSoftkey, ToolWrittenBitmapsConvertToTheirPixels) {
  if (!HaveTool("convert") || !HaveTool("ppmtobmp")) GTEST_SKIP() << "imagemagick or netpbm missing";
  Workspace w;
  Picture picture =
      w.ToolPicture("in", 77, 48, 7, "convert in.pbm -monochrome BMP3:im.bmp && ppmtobmp in.pbm > nb.bmp");
  for (const std::string name : {"im", "nb"}) {
    SCOPED_TRACE(name);
    std::string bmp = ReadFile(w.Path(name + ".bmp"));
    ASSERT_TRUE(Tool("convert " + name + ".bmp pbm:back.pbm", w.dir.path()));
    Picture decoded;
    ASSERT_TRUE(ReadPnm(w.Path("back.pbm"), decoded));
    ASSERT_EQ(decoded.black, picture.black);

    ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Path(name + ".bmp")), 0);
    Records records;
    ASSERT_TRUE(ReadRecords(ReadFile(w.Path(name + ".PIC")), records)) << records.error;
    std::string expected = ExpectedFromBitmap(decoded, BlackBitOfBmp(bmp));
    EXPECT_EQ(records.data, expected);
    std::vector<std::size_t> sizes{22, 4};
    sizes.insert(sizes.end(), 48, 6);
    sizes.push_back(4);
    sizes.insert(sizes.end(), 48, 4);
    EXPECT_EQ(records.lineSizes, sizes);
    if (HaveTool("srec_cat")) {
      ASSERT_TRUE(Tool("srec_cat " + name + ".PIC -Motorola -o key.bin -Binary", w.dir.path()));
      EXPECT_EQ(ReadFile(w.Path("key.bin")), expected);
    }
  }
  EXPECT_EQ(w.Warnings(), 0);
  EXPECT_EQ(w.run.settings.errorCount, 0);
}

// Tall and narrow or wide pictures draw the warning (naming the source) and
// still give a complete softkey: a tall picture gives its bottom 48 rows,
// bytes a narrow row lacks are zero, pixels 77 to 79 of a wide one are its
// own.  (A short picture is proven end to end.)
TEST(BitmapSoftkey, OtherSizesWarnAndStillConvert) {
  if (!HaveTool("convert")) GTEST_SKIP() << "imagemagick missing";
  Workspace w;
  struct Case {
    int width, height;
  } cases[] = {{77, 60}, {40, 48}, {90, 48}};
  int warnings = 0;
  for (const Case& c : cases) {
    std::string name = "p" + std::to_string(c.width) + "x" + std::to_string(c.height);
    SCOPED_TRACE(name);
    Picture picture = w.ToolPicture(name, c.width, c.height, c.width * 100 + c.height,
                                    "convert " + name + ".pbm -monochrome BMP3:" + name + ".bmp");
    ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Path(name + ".bmp")), 0);
    EXPECT_EQ(w.Warnings(), ++warnings);
    EXPECT_NE(w.Log().find("W8231: Softkey is not 77 x 48 pixels: " + w.Path(name + ".bmp")), std::string::npos)
        << w.Log();
    EXPECT_EQ(w.Converted(name + ".PIC"),
              ExpectedFromBitmap(picture, BlackBitOfBmp(ReadFile(w.Path(name + ".bmp")))));
  }
}

// Rows are copied as stored: the colour table does not matter, and the three
// bits after pixel 76 come from the row's padding.
TEST(BitmapSoftkey, BitsAreCopiedWhateverTheColoursAndPaddingIncluded) {
  Workspace w;
  std::vector<std::string> stored;
  std::vector<std::vector<std::uint8_t>> topFirst(48);
  for (int i = 0; i < 48; ++i) {
    std::string row(12, '\0');
    for (int b = 0; b < 12; ++b) row[b] = static_cast<char>(i * 5 + b * 17);
    row[9] = static_cast<char>(row[9] | 0x07);  // padding bits set
    stored.push_back(row);
    topFirst[47 - i].assign(row.begin(), row.begin() + 10);
  }
  std::string bmp = MakeBmp(77, 48, 1, stored);
  ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Put("a.bmp", bmp)), 0);
  EXPECT_EQ(w.Converted("a.PIC"), RasterBytes(topFirst));
  // Other colours, an info header that claims another size: same output.
  Put32(bmp, 54, 0x0000FF00);
  Put32(bmp, 58, 0x00FF0000);
  Put32(bmp, 14, 108);
  ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Put("b.bmp", bmp)), 0);
  EXPECT_EQ(ReadFile(w.Path("b.PIC")), ReadFile(w.Path("a.PIC")));
  EXPECT_EQ(w.Warnings(), 0);
}

// The refusals the end-to-end runs do not show, and failing file operations.
TEST(BitmapSoftkey, FailuresGiveTheirCodes) {
  Workspace w;
  const std::string good = MakeBmp(77, 48, 1, std::vector<std::string>(48, std::string(12, '\x5A')));
  auto convert = [&](const std::string& name, const std::string& bytes) {
    return ConvertBitmapSoftkey(w.run, w.Put(name + ".bmp", bytes));
  };
  EXPECT_EQ(convert("empty", ""), 8230);
  EXPECT_EQ(convert("rgb", MakeBmp(77, 48, 24, {})), 8232);
  std::string negative = good;
  Put32(negative, 18, static_cast<std::uint32_t>(-1000));
  EXPECT_EQ(convert("negative", negative), 8225);
  for (const char* name : {"empty", "rgb", "negative"})
    EXPECT_FALSE(FileExistsOnDisk(w.Path(std::string(name) + ".PIC"))) << name;

  w.fs.rule = [](FileOp op, const std::string&) { return op == FileOp::Seek; };
  EXPECT_EQ(convert("seek", good), 8230);  // the header seek comes first
  int seeks = 0;
  w.fs.rule = [&](FileOp op, const std::string&) { return op == FileOp::Seek && ++seeks == 3; };
  EXPECT_EQ(convert("seek", good), 8222);

  // A write fails: the file keeps what was written and its count line.
  int writes = 0;
  w.fs.rule = [&](FileOp op, const std::string& path) {
    return op == FileOp::Write && path.find(".PIC") != std::string::npos && ++writes == 60;
  };
  EXPECT_EQ(convert("full", good), 8223);
  std::string text = ReadFile(w.Path("full.PIC"));
  ASSERT_GE(text.size(), 16u);
  EXPECT_EQ(text.substr(0, 16), "S00500000000FA\r\n");
  EXPECT_EQ(text.substr(text.size() - 12, 4), "S503");
  w.fs.rule = nullptr;
  // The converter reports nothing itself except the size warning.
  EXPECT_EQ(w.run.settings.errorCount, 0);
  EXPECT_EQ(w.Warnings(), 1);
}

}  // namespace
}  // namespace q32
