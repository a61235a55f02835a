// Bitmap and PCX softkeys through the real executable: -gensys runs over
// small projects, with the record files, the system list, the tree and
// constants files and the log compared byte for byte; every way a picture
// can fail, reported at its softkey line with the run going on; checking,
// scanning and menu-only runs around the same sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/PlcFileBuilder.h"
#include "support/TestSupport.h"

using namespace q32test;
namespace fs = std::filesystem;

namespace {

const char* const kDate = "Thu Jan  1 00:00:00 1970";
const char* const kHeader = "QUILLON Project File - Version 1.0\n";

// ---------------------------------------------------------------------------
// The picture every test draws: 77 x 48, different in every row so that a
// wrong row order shows.

bool Black(int row, int column) { return (row * 7 + column * 3) % 5 == 0 || column == row + 20; }

// A picture row as softkey raster bytes: set bit = black, leftmost pixel in
// the most significant bit, pixels 77 to 79 clear.
std::string RowBits(int row, int width = 77) {
  std::string bytes(10, '\0');
  for (int c = 0; c < width && c < 80; ++c)
    if (Black(row, c)) bytes[c / 8] = static_cast<char>(bytes[c / 8] | (0x80 >> (c % 8)));
  return bytes;
}

std::string Inverted(std::string bytes) {
  for (char& b : bytes) b = static_cast<char>(~b);
  return bytes;
}

// The 510 bytes of a raster softkey whose rows, top first, are given.
std::string Raster(const std::vector<std::string>& rowsTopFirst) {
  std::string out("\x26\x00\xFF\xFE\x00\x00\x00\x10\x00\x09"
                  "\x26\x00\x00\x2E\x00\x00\x01\x2A\x00\x09\xFF\xFF",
                  22);
  out += std::string("\x00\x30\x00\x30", 4);
  for (const auto& row : rowsTopFirst) out += row.substr(0, 6);
  out += std::string("\x00\x30\x00\x1D", 4);
  for (const auto& row : rowsTopFirst) out += row.substr(6, 4);
  return out;
}

// The top rows of the test picture, top first.
std::vector<std::string> PictureRows(int height = 48) {
  std::vector<std::string> rows;
  for (int r = 0; r < height; ++r) rows.push_back(RowBits(r));
  return rows;
}

// ---------------------------------------------------------------------------
// Softkey record files, formatted here independently of the writer: a header
// line, the bytes of each write call in lines of at most 30, a count line.

std::string Hex2(unsigned v) {
  static const char* digits = "0123456789ABCDEF";
  return {digits[(v >> 4) & 15], digits[v & 15]};
}

std::string RecordFile(const std::vector<std::string>& calls) {
  std::string out = "S00500000000FA\r\n";
  std::uint32_t address = 0;
  unsigned lines = 0;
  for (const std::string& call : calls) {
    std::size_t at = 0;
    do {
      std::size_t n = std::min<std::size_t>(30, call.size() - at);
      unsigned sum = static_cast<unsigned>(n + 5);
      out += "S3" + Hex2(static_cast<unsigned>(n + 5));
      for (int shift = 24; shift >= 0; shift -= 8) {
        out += Hex2(address >> shift & 0xFF);
        sum += address >> shift & 0xFF;
      }
      for (std::size_t i = at; i < at + n; ++i) {
        unsigned char b = static_cast<unsigned char>(call[i]);
        out += Hex2(b);
        sum += b;
      }
      out += Hex2(255 - sum % 256) + "\r\n";
      address += static_cast<std::uint32_t>(n);
      at += n;
      ++lines;
    } while (at < call.size());
  }
  return out + "S503" + Hex2(lines >> 8) + Hex2(lines & 0xFF) +
         Hex2(255 - ((lines >> 8) + (lines & 0xFF) + 3) % 256) + "\r\n";
}

// A raster softkey as the converters write it: the element list, then each
// block header and each row part in a call of its own.
std::string RasterRecordFile(const std::string& raster) {
  std::vector<std::string> calls{raster.substr(0, 22), raster.substr(22, 4)};
  for (int r = 0; r < 48; ++r) calls.push_back(raster.substr(26 + 6 * r, 6));
  calls.push_back(raster.substr(314, 4));
  for (int r = 0; r < 48; ++r) calls.push_back(raster.substr(318 + 4 * r, 4));
  return RecordFile(calls);
}

// ---------------------------------------------------------------------------
// Pictures made by hand.

void Put16(std::string& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

struct BmpFields {
  std::int32_t width = 77, height = 48;
  std::uint16_t bitCount = 1;
  std::uint32_t compression = 0;
  std::uint32_t pixelOffset = 62;
  int storedRows = -1;  // rows in the file, bottom row first; -1: height
};

// A bitmap of the test picture, bottom row stored first, colour 1 black.
std::string MakeBmp(const BmpFields& f) {
  std::string b(62, '\0');
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, f.pixelOffset);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(f.width));
  Put32(b, 22, static_cast<std::uint32_t>(f.height));
  Put16(b, 26, 1);
  Put16(b, 28, f.bitCount);
  Put32(b, 30, f.compression);
  Put32(b, 54, 0x00FFFFFF);  // colour 0 white, colour 1 black
  int rows = f.storedRows < 0 ? f.height : f.storedRows;
  for (int i = 0; i < rows; ++i) b += RowBits(f.height - 1 - i) + std::string(2, '\0');
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  return b;
}

std::string RunLengthEncoded(const std::string& line) {
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    std::size_t n = 1;
    while (i + n < line.size() && line[i + n] == line[i] && n < 63) ++n;
    unsigned char b = static_cast<unsigned char>(line[i]);
    if (n > 1 || b >= 0xC0) out += static_cast<char>(0xC0 | n);
    out += static_cast<char>(b);
    i += n;
  }
  return out;
}

struct PcxFields {
  int width = 77, height = 48;
  std::uint8_t manufacturer = 10, encoding = 1, planes = 1;
  std::uint16_t bytesPerLine = 10;
  int storedRows = -1;
};

// A PCX picture of the test picture, top row first, colour 0 black (so the
// converter's inversion gives set bits for black again).
std::string MakePcx(const PcxFields& f) {
  std::string p(128, '\0');
  p[0] = static_cast<char>(f.manufacturer);
  p[1] = 5;
  p[2] = static_cast<char>(f.encoding);
  p[3] = 1;
  Put16(p, 8, static_cast<std::uint32_t>(f.width - 1));
  Put16(p, 10, static_cast<std::uint32_t>(f.height - 1));
  p[65] = static_cast<char>(f.planes);
  Put16(p, 66, f.bytesPerLine);
  int rows = f.storedRows < 0 ? f.height : f.storedRows;
  for (int r = 0; r < rows; ++r) p += RunLengthEncoded(Inverted(RowBits(r)));
  return p;
}

// ---------------------------------------------------------------------------
// Expected text files.

std::string Def(const std::string& name, int number) {
  return "#define       " + name + std::string(40 - name.size(), ' ') + " K" +
         std::to_string(number) + "\n";
}

std::string Constants(const std::vector<std::string>& softkeys) {
  std::string out = std::string("; Quillon Definition File\n\n; This file is maintained by Quillon32\n"
                                "; Do not modify this file manually!\n\n; Creation date:   ") +
                    kDate + "\n\n; Softkey project: p.spm\n\n; Menu constants:\n\n" + Def("MAIN", 0) +
                    "\n; Softkey constants:\n\n";
  for (std::size_t i = 0; i < softkeys.size(); ++i) out += Def(softkeys[i], static_cast<int>(i));
  return Crlf(out);
}

std::string Tree(const std::string& destPath) {
  return Crlf(std::string("; Softkey Tree Definition File V2.1\n; Creation date:   ") + kDate +
              "\n; Softkey project: p.spm\nP " + destPath + "\nH 0 B - \n# -1 -\n");
}

// A project with one root menu around the given softkey lines, which start
// at line 3.
std::string Project(const std::string& softkeyLines, const std::string& settings = "") {
  return kHeader + settings + "SKMENU MAIN HROOT\n" + softkeyLines + "BLANK\nENDSKMENU\n";
}

std::string Totals(int errors, int warnings) {
  return "\n\n" + std::to_string(errors) + " Error(s), " + std::to_string(warnings) + " Warning(s)\n\n";
}

const char* const kListOpened = "GeneratingSK \"proj\\QUILLONK.SYS\" PLC:\\\n";
const char* const kTreeOpened = "GeneratingMenu \"proj\\p.sys\" PLC:\\SOFTKEYS\\\n";

class RasterE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SOURCE_DATE_EPOCH", "0", 1);
    fs::create_directories(dir_ / "proj");
  }
  void TearDown() override { unsetenv("SOURCE_DATE_EPOCH"); }
  std::string In(const std::string& name) const { return dir_ / ("proj/" + name); }
  void Put(const std::string& name, const std::string& bytes) const { WriteFile(In(name), bytes); }
  RunResult Run(std::vector<std::string> options) const {
    options.insert(options.begin(), "proj/p.spm");
    return RunQuillon(options, dir_.path());
  }
  // A run with errors deletes the system list it wrote.  Made a link to a
  // file outside the project, the list is written there and only the link is
  // deleted, so the entries of a failing run can still be read.
  void KeepSystemListIn(const std::string& name) const {
    fs::create_symlink(dir_ / name, In("QUILLONK.SYS"));
  }
  bool Tools(std::initializer_list<const char*> names) const {
    for (const char* name : names)
      if (!HaveTool(name)) return false;
    return true;
  }
  bool Shell(const std::string& command) const {
    RunResult r = RunCommand(command, dir_ / "proj");
    EXPECT_EQ(r.status, 0) << command << "\n" << r.out;
    return r.status == 0;
  }

  TempDir dir_;
};

// Writes the test picture as a raw portable bitmap for the outside tools.
void WritePbm(const std::string& path) {
  std::string pbm = "P4\n77 48\n";
  for (int r = 0; r < 48; ++r) pbm += RowBits(r);
  WriteFile(path, pbm);
}

// ---------------------------------------------------------------------------

// A bitmap written by ImageMagick, a PCX picture written by netpbm, a bitmap
// in a subdirectory and an already generated softkey, in a run for each
// control family: the record files hold the picture, the list names every
// softkey under the family's extension, the log names each conversion.
TEST_F(RasterE2E, BothFamiliesConvertAndListEverySoftkey) {
  if (!Tools({"convert", "ppmtopcx"})) GTEST_SKIP() << "imagemagick or netpbm missing";
  WritePbm(In("in.pbm"));
  ASSERT_TRUE(Shell("convert in.pbm -monochrome BMP3:bmpkey.bmp"));
  ASSERT_TRUE(Shell("mkdir -p sub && cp bmpkey.bmp sub/subkey.bmp"));
  ASSERT_TRUE(Shell("ppmtopcx in.pbm > pcxkey.pcx 2>/dev/null"));
  Put("ready.sk", "S00500000000FA\r\nS5030000FC\r\n");
  Put("p.spm", Project("BMP bmpkey.bmp BMPKEY\n"
                       "PCX pcxkey.pcx PCXKEY\n"
                       "BMP sub\\subkey.bmp SUBKEY\n"
                       "SK ready.sk READY\n",
                       "SKPATH PLC:\\SOFTKEYS\\keys\n"));

  // What the tools stored, decoded from the picture: which bit value each
  // writer gives black (from its colour table), pixels 77 to 79 clear.
  std::string bmp = ReadFile(In("bmpkey.bmp")), pcx = ReadFile(In("pcxkey.pcx"));
  std::size_t table = 14 + static_cast<unsigned char>(bmp[14]);
  bool bmpBlackIsSet = !(bmp[table] == 0 && bmp[table + 1] == 0 && bmp[table + 2] == 0);
  bool pcxBlackIsSet = !(pcx[16] == 0 && pcx[17] == 0 && pcx[18] == 0);
  std::vector<std::string> fromBmp, fromPcx;
  for (int r = 0; r < 48; ++r) {
    std::string black = RowBits(r), white = RowBits(r);
    for (int c = 0; c < 77; ++c) white[c / 8] = static_cast<char>(white[c / 8] ^ (0x80 >> (c % 8)));
    fromBmp.push_back(bmpBlackIsSet ? black : white);
    fromPcx.push_back(Inverted(pcxBlackIsSet ? black : white));  // PCX bits are inverted
  }
  const std::string bmpFile = RasterRecordFile(Raster(fromBmp));
  const std::string pcxFile = RasterRecordFile(Raster(fromPcx));
  ASSERT_EQ(bmpFile.size(), 2632u);  // 99 data lines

  struct Family {
    const char* model;
    const char* ext;
  } families[] = {{"-tOrva710", ".sk"}, {"-tZeta300", ".PIC"}};
  for (const Family& family : families) {
    SCOPED_TRACE(family.model);
    fs::remove(In("bmpkey.PIC"));
    fs::remove(In("pcxkey.PIC"));
    fs::remove(In("sub/subkey.PIC"));
    RunResult r = Run({"-gensys", family.model});
    ASSERT_EQ(r.status, 0) << r.out;
    const std::string ext = family.ext, k = "PLC:\\SOFTKEYS\\keys\\";
    // The converters name their files ".PIC" whatever the family.
    EXPECT_EQ(ReadFile(In("bmpkey.PIC")), bmpFile);
    EXPECT_EQ(ReadFile(In("pcxkey.PIC")), pcxFile);
    EXPECT_EQ(ReadFile(In("sub/subkey.PIC")), bmpFile);
    EXPECT_EQ(ReadFile(In("QUILLONK.SYS")),
              Crlf(k + "bmpkey" + ext + "\n" + k + "pcxkey" + ext + "\n" + k + "subkey" + ext +
                   "\n" + k + "ready.sk\n"));
    EXPECT_EQ(ReadFile(In("p.log")),
              Crlf(kListOpened + std::string(kTreeOpened) +
                   "GeneratingSK \"proj\\bmpkey" + ext + "\" " + k + "\n"
                   "GeneratingSK \"proj\\pcxkey" + ext + "\" " + k + "\n"
                   "GeneratingSK \"proj\\sub\\subkey" + ext + "\" " + k + "\n"
                   "CheckingSK \"proj\\ready.sk\" " + k + "\n" + Totals(0, 0)));
    EXPECT_EQ(ReadFile(In("p.sys")), Tree(k));
    EXPECT_EQ(ReadFile(In("p.def")), Constants({"BMPKEY", "PCXKEY", "SUBKEY", "READY"}));
  }
}

// Every way a bitmap can fail, each reported at its own line; the run goes
// on, converts the good bitmaps after them and lists only those.  A file cut
// short inside its pixel data is no failure: the missing rows are blank.
TEST_F(RasterE2E, BitmapFailuresAreReportedAtTheirLines) {
  BmpFields narrow;
  narrow.bitCount = 4;
  BmpFields packed;
  packed.compression = 1;
  BmpFields far;
  far.pixelOffset = 100000;
  BmpFields huge;
  huge.width = 100000000;  // rows of 12.5 MB each
  BmpFields cut;
  cut.storedRows = 30;
  std::string good = MakeBmp({});
  Put("short.bmp", good.substr(0, 40));
  Put("text.bmp", "This is a plain text file and not a picture of any kind at all.\n");
  Put("colour.bmp", MakeBmp(narrow));
  Put("packed.bmp", MakeBmp(packed));
  Put("far.bmp", MakeBmp(far));
  Put("huge.bmp", MakeBmp(huge));
  Put("taken.bmp", good);
  fs::create_directories(In("taken.PIC"));  // the record file cannot be created
  Put("cut.bmp", MakeBmp(cut));
  Put("good.bmp", good);
  Put("p.spm", Project("BMP missing.bmp MISSING\n"  // 3
                       "BMP short.bmp SHORT\n"      // 4
                       "BMP text.bmp TEXT\n"        // 5
                       "BMP colour.bmp COLOUR\n"    // 6
                       "BMP packed.bmp PACKED\n"    // 7
                       "BMP far.bmp FAR\n"          // 8
                       "BMP huge.bmp HUGE\n"        // 9
                       "BMP taken.bmp TAKEN\n"      // 10
                       "BMP cut.bmp CUT\n"          // 11
                       "BMP good.bmp GOOD\n"));     // 12
  KeepSystemListIn("list.txt");

  RunResult r = Run({"-gensys"});
  EXPECT_EQ(r.status, 2) << r.out;
  const std::string at = "File: proj\\p.spm(";
  EXPECT_EQ(ReadFile(In("p.log")),
            Crlf(kListOpened + std::string(kTreeOpened) +
                 at + "3): E8220: Error opening file\n" +
                 at + "4): E8230: Not a valid uncompressed bitmap file\n" +
                 at + "5): E8230: Not a valid uncompressed bitmap file\n" +
                 at + "6): E8232: Bitmap with more than one bit per pixel\n" +
                 at + "7): E8230: Not a valid uncompressed bitmap file\n" +
                 at + "8): E8222: Error reading softkey source file\n" +
                 "Warning: W8231: Softkey picture huge.bmp is not 77 x 48 pixels\n" +
                 at + "9): E8225: Not enough memory for the softkey project\n" +
                 at + "10): E8220: Error opening file\n" +
                 "GeneratingSK \"proj\\cut.sk\" PLC:\\SOFTKEYS\\\n"
                 "GeneratingSK \"proj\\good.sk\" PLC:\\SOFTKEYS\\\n" +
                 Totals(8, 1)));
  // The console shows the same reports.
  EXPECT_NE(r.out.find(at + "6): E8232"), std::string::npos) << r.out;

  EXPECT_EQ(ReadFile(dir_ / "list.txt"), Crlf("PLC:\\SOFTKEYS\\cut.sk\nPLC:\\SOFTKEYS\\good.sk\n"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(In("QUILLONK.SYS"))));
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys")));  // deleted with the failed run
  // Failed lines still take their softkey number.
  EXPECT_EQ(ReadFile(In("p.def")), Constants({"MISSING", "SHORT", "TEXT", "COLOUR", "PACKED", "FAR",
                                              "HUGE", "TAKEN", "CUT", "GOOD"}));
  // Refused pictures leave no record file behind.
  for (const char* name : {"missing", "short", "text", "colour", "packed", "far", "huge"})
    EXPECT_FALSE(FileExistsOnDisk(In(std::string(name) + ".PIC"))) << name;
  EXPECT_TRUE(fs::is_directory(In("taken.PIC")));
  EXPECT_EQ(ReadFile(In("good.PIC")), RasterRecordFile(Raster(PictureRows())));
  std::vector<std::string> cutRows(18, std::string(10, '\0'));  // unread rows, on top
  for (int r = 18; r < 48; ++r) cutRows.push_back(RowBits(r));  // the bottom 30 rows as stored
  EXPECT_EQ(ReadFile(In("cut.PIC")), RasterRecordFile(Raster(cutRows)));
}

// Every way a PCX picture can fail.  A picture cut short inside its scan
// lines is refused, and its record file keeps the element list only.
TEST_F(RasterE2E, PcxFailuresAreReportedAtTheirLines) {
  PcxFields plain;
  plain.encoding = 0;
  PcxFields maker;
  maker.manufacturer = 5;
  PcxFields cut;
  cut.storedRows = 20;
  PcxFields wide;
  wide.bytesPerLine = 60000;
  wide.planes = 200;  // 12 MB a line
  std::string good = MakePcx({});
  Put("short.pcx", good.substr(0, 100));
  Put("plain.pcx", MakePcx(plain));
  Put("maker.pcx", MakePcx(maker));
  Put("cut.pcx", MakePcx(cut));
  Put("wide.pcx", MakePcx(wide));
  Put("taken.pcx", good);
  fs::create_directories(In("taken.PIC"));
  Put("good.pcx", good);
  Put("p.spm", Project("PCX missing.pcx MISSING\n"  // 3
                       "PCX short.pcx SHORT\n"      // 4
                       "PCX plain.pcx PLAIN\n"      // 5
                       "PCX maker.pcx MAKER\n"      // 6
                       "PCX cut.pcx CUT\n"          // 7
                       "PCX wide.pcx WIDE\n"        // 8
                       "PCX taken.pcx TAKEN\n"      // 9
                       "PCX good.pcx GOOD\n"));     // 10
  KeepSystemListIn("list.txt");

  RunResult r = Run({"-gensys", "-tZeta300"});
  EXPECT_EQ(r.status, 2) << r.out;
  const std::string at = "File: proj\\p.spm(";
  EXPECT_EQ(ReadFile(In("p.log")),
            Crlf(kListOpened + std::string(kTreeOpened) +
                 at + "3): E8220: Error opening file\n" +
                 at + "4): E8240: Not a run-length encoded PCX file\n" +
                 at + "5): E8240: Not a run-length encoded PCX file\n" +
                 at + "6): E8240: Not a run-length encoded PCX file\n" +
                 at + "7): E8222: Error reading softkey source file\n" +
                 at + "8): E8225: Not enough memory for the softkey project\n" +
                 at + "9): E8220: Error opening file\n" +
                 "GeneratingSK \"proj\\good.PIC\" PLC:\\SOFTKEYS\\\n" + Totals(7, 0)));
  EXPECT_EQ(ReadFile(dir_ / "list.txt"), Crlf("PLC:\\SOFTKEYS\\good.PIC\n"));
  EXPECT_EQ(ReadFile(In("p.def")),
            Constants({"MISSING", "SHORT", "PLAIN", "MAKER", "CUT", "WIDE", "TAKEN", "GOOD"}));
  for (const char* name : {"missing", "short", "plain", "maker", "wide"})
    EXPECT_FALSE(FileExistsOnDisk(In(std::string(name) + ".PIC"))) << name;
  EXPECT_EQ(ReadFile(In("cut.PIC")), RecordFile({Raster({}).substr(0, 22)}));
  // The same picture as the hand-made bitmap gives the same softkey.
  EXPECT_EQ(ReadFile(In("good.PIC")), RasterRecordFile(Raster(PictureRows())));
}

// A bitmap and a PCX picture that are not 77 x 48 draw the warning naming
// the source as the project gives it; they are still converted and listed,
// and a run with warnings only keeps its outputs and ends with status 1.
TEST_F(RasterE2E, WrongSizeWarnsAndStillLists) {
  BmpFields low;
  low.height = 40;
  PcxFields shortPcx;
  shortPcx.height = 30;
  Put("sub/low.bmp", MakeBmp(low));
  Put("short.pcx", MakePcx(shortPcx));
  Put("p.spm", Project("BMP sub\\low.bmp LOW\nPCX short.pcx SHORT\n"));

  RunResult r = Run({"-gensys"});
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_EQ(ReadFile(In("p.log")),
            Crlf(kListOpened + std::string(kTreeOpened) +
                 "Warning: W8231: Softkey picture sub\\low.bmp is not 77 x 48 pixels\n"
                 "GeneratingSK \"proj\\sub\\low.sk\" PLC:\\SOFTKEYS\\\n"
                 "Warning: W8231: Softkey picture short.pcx is not 77 x 48 pixels\n"
                 "GeneratingSK \"proj\\short.sk\" PLC:\\SOFTKEYS\\\n" +
                 Totals(0, 2)));
  EXPECT_EQ(ReadFile(In("QUILLONK.SYS")), Crlf("PLC:\\SOFTKEYS\\low.sk\nPLC:\\SOFTKEYS\\short.sk\n"));
  EXPECT_EQ(ReadFile(In("p.sys")), Tree("PLC:\\SOFTKEYS\\"));

  // The bitmap's 40 rows are the last read: 8 blank rows come first.
  std::vector<std::string> lowRows(8, std::string(10, '\0'));
  for (int r = 0; r < 40; ++r) lowRows.push_back(RowBits(r));
  EXPECT_EQ(ReadFile(In("sub/low.PIC")), RasterRecordFile(Raster(lowRows)));
  // The PCX picture's 30 rows come first; the padding rows are blank after
  // inversion, that is all bits set.
  std::vector<std::string> shortRows = PictureRows(30);
  shortRows.resize(48, std::string(10, '\xFF'));
  EXPECT_EQ(ReadFile(In("short.PIC")), RasterRecordFile(Raster(shortRows)));
}

// A colour bitmap written by ImageMagick is refused before any record file
// exists.
TEST_F(RasterE2E, ColourBitmapIsRefused) {
  if (!Tools({"convert"})) GTEST_SKIP() << "imagemagick missing";
  WritePbm(In("in.pbm"));
  ASSERT_TRUE(Shell("convert in.pbm -type TrueColor BMP3:colour.bmp"));
  ASSERT_EQ(ReadFile(In("colour.bmp"))[28], 24) << "bits per pixel";
  Put("p.spm", Project("BMP colour.bmp\n"));
  RunResult r = Run({"-gensys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("File: proj\\p.spm(3): E8232: Bitmap with more than one bit per pixel"),
            std::string::npos)
      << r.out;
  EXPECT_FALSE(FileExistsOnDisk(In("colour.PIC")));
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));
}

// Softkeys that are already generated are only looked for: a present file is
// logged as checked and listed under its own extension, a missing one is an
// error at its line.  -nofilecheck checks and logs nothing for them, while
// the pictures are still converted.
TEST_F(RasterE2E, GeneratedSoftkeysAreCheckedUnlessSwitchedOff) {
  Put("have.PIC", "x");
  Put("sub/have.sk", "x");
  Put("good.bmp", MakeBmp({}));
  Put("p.spm", Project("SOFTKEY have.PIC\n"
                       "SK sub\\have.sk\n"
                       "PIC gone.pic GONE\n"
                       "BMP good.bmp\n"));
  KeepSystemListIn("list.txt");
  RunResult r = Run({"-gensys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("p.log")),
            Crlf(kListOpened + std::string(kTreeOpened) +
                 "CheckingSK \"proj\\have.PIC\" PLC:\\SOFTKEYS\\\n"
                 "CheckingSK \"proj\\sub\\have.sk\" PLC:\\SOFTKEYS\\\n"
                 "File: proj\\p.spm(5): E8221: Source file does not exist\n"
                 "GeneratingSK \"proj\\good.sk\" PLC:\\SOFTKEYS\\\n" +
                 Totals(1, 0)));
  EXPECT_EQ(ReadFile(dir_ / "list.txt"),
            Crlf("PLC:\\SOFTKEYS\\have.PIC\nPLC:\\SOFTKEYS\\have.sk\nPLC:\\SOFTKEYS\\good.sk\n"));

  // The failed run deleted its link; this one writes the list itself.
  fs::remove(In("good.PIC"));
  r = Run({"-gensys", "-nofilecheck"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(In("p.log")), Crlf(kListOpened + std::string(kTreeOpened) +
                                        "GeneratingSK \"proj\\good.sk\" PLC:\\SOFTKEYS\\\n" +
                                        Totals(0, 0)));
  EXPECT_EQ(ReadFile(In("QUILLONK.SYS")),
            Crlf("PLC:\\SOFTKEYS\\have.PIC\nPLC:\\SOFTKEYS\\have.sk\nPLC:\\SOFTKEYS\\gone.pic\n"
                 "PLC:\\SOFTKEYS\\good.sk\n"));
  EXPECT_EQ(ReadFile(In("good.PIC")), RasterRecordFile(Raster(PictureRows())));
}

// A checking run converts nothing: every source, pictures included, is only
// looked for.
TEST_F(RasterE2E, CheckRunOnlyLooksForTheSources) {
  // Read before the run changes into the project directory.
  WriteFile(dir_ / "x._PJ", PlcFileBuilder{}.Build());
  Put("good.bmp", MakeBmp({}));
  Put("p.spm", Project("BMP good.bmp GOOD\nPCX gone.pcx GONE\n"));
  RunResult r = Run({"-check", "-pjx._PJ"});
  if (r.out.find("E8299") != std::string::npos) GTEST_SKIP() << "checking runs are not available yet";
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("p.log")), Crlf("CheckingSK \"proj\\good.bmp\" PLC:\\SOFTKEYS\\\n"
                                        "File: proj\\p.spm(4): E8221: Source file does not exist\n" +
                                        Totals(1, 0)));
  EXPECT_FALSE(FileExistsOnDisk(In("good.PIC")));
  EXPECT_FALSE(FileExistsOnDisk(In("QUILLONK.SYS")));
  EXPECT_EQ(ReadFile(In("p.def")), Constants({"GOOD", "GONE"}));

  r = Run({"-check", "-pjx._PJ", "-nofilecheck"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(In("p.log")), Crlf(Totals(0, 0)));
}

// A scanning run lists every source file, broken or missing ones included,
// converts nothing, writes no other file and ends with status 0.
TEST_F(RasterE2E, ScanListsEverySource) {
  Put("good.bmp", MakeBmp({}));
  Put("sub/key.pcx", MakePcx({}));
  Put("text.bmp", "not a picture");
  Put("p.spm", Project("BMP good.bmp GOOD\n"
                       "PCX sub\\key.pcx KEY\n"
                       "BMP text.bmp\n"
                       "PCX gone.pcx\n"
                       "SOFTKEY ready.PIC\n"));
  RunResult r = Run({"-scan"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(In("p.log")), Crlf("File proj\\good.bmp\n"
                                        "File proj\\sub\\key.pcx\n"
                                        "File proj\\text.bmp\n"
                                        "File proj\\gone.pcx\n"
                                        "File proj\\ready.PIC\n"));
  for (const char* name : {"good.PIC", "sub/key.PIC", "text.PIC", "QUILLONK.SYS", "p.sys", "p.def"})
    EXPECT_FALSE(FileExistsOnDisk(In(name))) << name;
}

// -menu converts nothing and -nogensksys converts without listing: neither
// touches a system list that is already there, not even when the run fails.
TEST_F(RasterE2E, MenuOnlyAndNoListLeaveAnExistingListAlone) {
  const std::string old = "PLC:\\SOFTKEYS\\old.sk\r\n";
  Put("QUILLONK.SYS", old);
  Put("good.bmp", MakeBmp({}));
  Put("text.bmp", "not a picture");
  Put("p.spm", Project("BMP good.bmp GOOD\nBMP text.bmp TEXT\n"));

  RunResult r = Run({"-gensys", "-menu"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(ReadFile(In("QUILLONK.SYS")), old);
  EXPECT_FALSE(FileExistsOnDisk(In("good.PIC")));
  EXPECT_EQ(ReadFile(In("p.log")), Crlf(kTreeOpened + Totals(0, 0)));
  EXPECT_EQ(ReadFile(In("p.sys")), Tree("PLC:\\SOFTKEYS\\"));

  r = Run({"-gensys", "-nogensksys"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_EQ(ReadFile(In("QUILLONK.SYS")), old);
  EXPECT_EQ(ReadFile(In("p.log")),
            Crlf(kTreeOpened + std::string("GeneratingSK \"proj\\good.sk\" PLC:\\SOFTKEYS\\\n") +
                 "File: proj\\p.spm(4): E8230: Not a valid uncompressed bitmap file\n" + Totals(1, 0)));
  EXPECT_EQ(ReadFile(In("good.PIC")), RasterRecordFile(Raster(PictureRows())));
  EXPECT_FALSE(FileExistsOnDisk(In("p.sys")));  // the failed run's tree file goes
}

}  // namespace
