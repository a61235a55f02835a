// The bitmap converter against bitmaps written by ImageMagick and netpbm,
// decoded independently, and against hand-made files for the rules the
// tools cannot show (padding bits, colour table, failures).
#include <gtest/gtest.h>

#include "raster/BitmapSoftkey.h"
#include "raster/RasterTestSupport.h"

namespace q32 {
namespace {

using namespace rastertest;
using q32test::FileExistsOnDisk;
using q32test::HaveTool;
using q32test::ReadFile;
using q32test::WriteFile;

// The colour index of black in a bitmap's colour table (decoded here, not
// by the converter).
bool BlackBitOfBmp(const std::string& bmp) {
  std::size_t table = 14 + static_cast<unsigned char>(bmp[14]);
  bool first = bmp[table] == 0 && bmp[table + 1] == 0 && bmp[table + 2] == 0;
  return !first;
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

std::string Converted(Workspace& w, const std::string& name) {
  Records records;
  EXPECT_TRUE(ReadRecords(ReadFile(w.Path(name)), records)) << records.error;
  return records.data;
}

// ImageMagick (and netpbm) write a picture; both tools decode it again to
// show what it holds; the converter must give exactly those pixels.
TEST(BitmapSoftkey, ToolWrittenBitmapsConvertToTheirPixels) {
  if (!HaveTool("convert") || !HaveTool("ppmtobmp")) GTEST_SKIP() << "imagemagick or netpbm missing";
  Workspace w;
  Picture picture = RandomPicture(77, 48, 7);
  WritePbm(w.Path("in.pbm"), picture);
  std::string out;
  ASSERT_TRUE(Tool("convert in.pbm -monochrome BMP3:im.bmp", w.dir.path(), &out)) << out;
  ASSERT_TRUE(Tool("ppmtobmp in.pbm > nb.bmp", w.dir.path(), &out)) << out;
  for (const char* name : {"im", "nb"}) {
    SCOPED_TRACE(name);
    std::string bmp = ReadFile(w.Path(std::string(name) + ".bmp"));
    ASSERT_TRUE(Tool(std::string("convert ") + name + ".bmp pbm:back.pbm", w.dir.path(), &out)) << out;
    Picture decoded;
    ASSERT_TRUE(ReadPnm(w.Path("back.pbm"), decoded));
    ASSERT_EQ(decoded.black, picture.black);

    ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Path(std::string(name) + ".bmp")), 0);
    Records records;
    ASSERT_TRUE(ReadRecords(ReadFile(w.Path(std::string(name) + ".PIC")), records)) << records.error;
    EXPECT_EQ(records.data, ExpectedFromBitmap(decoded, BlackBitOfBmp(bmp)));
    std::vector<std::size_t> sizes{22, 4};
    sizes.insert(sizes.end(), 48, 6);
    sizes.push_back(4);
    sizes.insert(sizes.end(), 48, 4);
    EXPECT_EQ(records.lineSizes, sizes);
  }
  EXPECT_EQ(w.Warnings(), 0);
  EXPECT_EQ(w.run.settings.errorCount, 0);
}

// The srecord tools read the converted softkey back into the 510 bytes the
// picture predicts.
TEST(BitmapSoftkey, SrecCatReadsTheConvertedSoftkey) {
  if (!HaveTool("convert") || !HaveTool("srec_cat")) GTEST_SKIP() << "imagemagick or srecord missing";
  Workspace w;
  Picture picture = RandomPicture(77, 48, 11);
  WritePbm(w.Path("in.pbm"), picture);
  ASSERT_TRUE(Tool("convert in.pbm -monochrome BMP3:key.bmp", w.dir.path()));
  ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Path("key.bmp")), 0);
  std::string out;
  ASSERT_TRUE(Tool("srec_cat key.PIC -Motorola -o key.bin -Binary", w.dir.path(), &out)) << out;
  std::string expected = ExpectedFromBitmap(picture, BlackBitOfBmp(ReadFile(w.Path("key.bmp"))));
  ASSERT_EQ(expected.size(), 510u);
  EXPECT_EQ(ReadFile(w.Path("key.bin")), expected);
}

// Short, tall and narrow pictures draw the warning (naming the source) and
// still give a complete softkey: blank rows come first, a tall picture gives
// its bottom 48 rows, bytes a narrow row lacks are zero.
TEST(BitmapSoftkey, OtherSizesWarnAndStillConvert) {
  if (!HaveTool("convert")) GTEST_SKIP() << "imagemagick missing";
  Workspace w;
  struct Case {
    int width, height;
  } cases[] = {{77, 40}, {77, 60}, {40, 48}, {90, 48}};
  int warnings = 0;
  for (const Case& c : cases) {
    std::string name = "p" + std::to_string(c.width) + "x" + std::to_string(c.height);
    SCOPED_TRACE(name);
    Picture picture = RandomPicture(c.width, c.height, static_cast<unsigned>(c.width * 100 + c.height));
    WritePbm(w.Path(name + ".pbm"), picture);
    ASSERT_TRUE(Tool("convert " + name + ".pbm -monochrome BMP3:" + name + ".bmp", w.dir.path()));
    std::string bmp = ReadFile(w.Path(name + ".bmp"));
    ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Path(name + ".bmp")), 0);
    EXPECT_EQ(w.Warnings(), ++warnings);
    EXPECT_NE(w.Log().find("W8231: Softkey is not 77 x 48 pixels: " + w.Path(name + ".bmp")), std::string::npos)
        << w.Log();
    // Pixels 77 to 79 of a wider picture are its own pixels.
    EXPECT_EQ(Converted(w, name + ".PIC"), ExpectedFromBitmap(picture, BlackBitOfBmp(bmp)));
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
  WriteFile(w.Path("a.bmp"), bmp);
  ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Path("a.bmp")), 0);
  EXPECT_EQ(Converted(w, "a.PIC"), RasterBytes(topFirst));
  // Other colours, an info header that claims another size: same output.
  Put32(bmp, 54, 0x0000FF00);
  Put32(bmp, 58, 0x00FF0000);
  Put32(bmp, 14, 108);
  WriteFile(w.Path("b.bmp"), bmp);
  ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Path("b.bmp")), 0);
  EXPECT_EQ(ReadFile(w.Path("b.PIC")), ReadFile(w.Path("a.PIC")));
  EXPECT_EQ(w.Warnings(), 0);
}

// A file cut inside its pixel rows still converts: the rows that cannot be
// read whole are blank (and, read last, stand at the top).
TEST(BitmapSoftkey, TruncatedPixelDataGivesBlankRows) {
  Workspace w;
  std::vector<std::string> stored;
  for (int i = 0; i < 48; ++i) stored.push_back(std::string(12, static_cast<char>(0x40 + i)));
  std::string bmp = MakeBmp(77, 48, 1, stored);
  bmp.resize(62 + 20 * 12 + 5);  // 20 whole rows and part of the 21st
  WriteFile(w.Path("cut.bmp"), bmp);
  ASSERT_EQ(ConvertBitmapSoftkey(w.run, w.Path("cut.bmp")), 0);
  std::vector<std::vector<std::uint8_t>> topFirst(48, std::vector<std::uint8_t>(10, 0));
  for (int i = 0; i < 20; ++i) topFirst[47 - i].assign(10, static_cast<std::uint8_t>(0x40 + i));
  EXPECT_EQ(Converted(w, "cut.PIC"), RasterBytes(topFirst));
}

TEST(BitmapSoftkey, FailuresGiveTheirCodes) {
  Workspace w;
  std::vector<std::string> stored(48, std::string(12, '\x5A'));
  const std::string good = MakeBmp(77, 48, 1, stored);
  auto convert = [&](const std::string& name, const std::string& bytes) {
    WriteFile(w.Path(name + ".bmp"), bytes);
    return ConvertBitmapSoftkey(w.run, w.Path(name + ".bmp"));
  };

  EXPECT_EQ(ConvertBitmapSoftkey(w.run, w.Path("missing.bmp")), 8220);
  EXPECT_EQ(convert("sig", "XM" + good.substr(2)), 8230);
  std::string compressed = good;
  Put32(compressed, 30, 1);
  EXPECT_EQ(convert("rle", compressed), 8230);
  EXPECT_EQ(convert("short", good.substr(0, 40)), 8230);
  EXPECT_EQ(convert("empty", ""), 8230);
  std::string far = good;
  Put32(far, 10, 0x7FFFFFF0);
  EXPECT_EQ(convert("far", far), 8222);
  EXPECT_EQ(convert("four", MakeBmp(77, 48, 4, {})), 8232);
  EXPECT_EQ(convert("eight", MakeBmp(77, 48, 8, {})), 8232);
  EXPECT_EQ(convert("rgb", MakeBmp(77, 48, 24, {})), 8232);
  std::string wide = good;
  Put32(wide, 18, 100000000);  // rows of 12.5 MB
  EXPECT_EQ(convert("wide", wide), 8225);
  std::string negative = good;
  Put32(negative, 18, static_cast<std::uint32_t>(-1000));
  EXPECT_EQ(convert("negative", negative), 8225);
  for (const char* name : {"sig", "rle", "short", "empty", "far", "four", "eight", "rgb", "wide", "negative"})
    EXPECT_FALSE(FileExistsOnDisk(w.Path(std::string(name) + ".PIC"))) << name;

  // Seeking to the pixel data fails.
  w.fs.rule = [](FileOp op, const std::string&) { return op == FileOp::Seek; };
  EXPECT_EQ(convert("seek", good), 8230);  // the header seek comes first
  int seeks = 0;
  w.fs.rule = [&](FileOp op, const std::string&) { return op == FileOp::Seek && ++seeks == 3; };
  EXPECT_EQ(convert("seek", good), 8222);

  // The record file cannot be created.
  w.fs.rule = [](FileOp op, const std::string& path) {
    return op == FileOp::Create && path.size() > 4 && path.substr(path.size() - 4) == ".PIC";
  };
  EXPECT_EQ(convert("nocreate", good), 8220);
  EXPECT_FALSE(FileExistsOnDisk(w.Path("nocreate.PIC")));

  // A write fails: the file keeps what was written and its count line.
  int writes = 0;
  w.fs.rule = [&](FileOp op, const std::string& path) {
    return op == FileOp::Write && path.find(".PIC") != std::string::npos && ++writes == 60;
  };
  EXPECT_EQ(convert("full", good), 8223);
  std::string text = ReadFile(w.Path("full.PIC"));
  ASSERT_GE(text.size(), 12u);
  EXPECT_EQ(text.substr(0, 16), "S00500000000FA\r\n");
  EXPECT_EQ(text.substr(text.size() - 12, 4), "S503");
  w.fs.rule = nullptr;
  // Besides the size warning, the converter itself reports only the record
  // file it could not create, which the project line does not name.
  EXPECT_EQ(w.run.settings.errorCount, 1);
  EXPECT_EQ(w.Warnings(), 2);  // the wide and the negative width
}

}  // namespace
}  // namespace q32
