#include "plc/PlcProjectFile.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "support/MemoryFileSystem.h"
#include "support/PlcFileBuilder.h"
#include "diag/Diagnostics.h"
#include "platform/FaultyFileSystem.h"
#include "project/RunContext.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace q32 {
namespace {

using q32test::BuiltStructure;
using q32test::BuiltSymbol;
using q32test::PlcFileBuilder;

PlcFileBuilder SampleBuilder() {
  PlcFileBuilder b;
  b.modules = {{1, "MAIN"}, {-2, "Tool_Change"}};
  b.structures = {
      {"AXIS", 20, {{"POS", 'D', 0, 0}, {"FLAGS", 'M', 4, 0}, {"LIMITS", 'W', 8, 3}}, true},
      {"EMPTY", 4, {}, true},
  };
  b.symbols = {
      {"ABC", 'M', 100, 0, 0, false, "", ""},
      {"AXIS_X", 's', 2000, 0, 0, false, "AXIS", ""},
      {"GREETING", 'S', 0, 0, 0, false, "", "Hello PLC"},
      {"LOCALFLAG", 'M', 300, 0, 1, true, "", ""},
      {"NOTYPE", 's', 4000, 0, 0, false, "MISSING", ""},
      {"TABLE", 'W', 500, 10, 0, false, "", ""},
  };
  b.secondSymbols = {{"SECOND", 'K', 7, 0, 0, false, "", ""}};
  return b;
}

int ReadBytes(const std::string& bytes, PlcSymbolTables& tables) {
  q32test::MemoryFileSystem fs;
  fs.AddFile("PLC.PJ", bytes);
  return ReadPlcProjectFile(fs, "PLC.PJ", tables);
}

TEST(PlcProjectFile, ReadsEverySection) {
  // From a real file on disk, through the host's file layer.
  PlcFileBuilder b = SampleBuilder();
  q32test::TempDir dir;
  q32test::WriteFile(dir / "plc.pj", b.Build());
  auto host = MakeHostFileSystem();
  PlcSymbolTables t;
  ASSERT_EQ(ReadPlcProjectFile(*host, dir / "plc.pj", t), 0);

  ASSERT_EQ(t.modules.size(), 2u);
  EXPECT_EQ(t.modules[1].number, -2);
  EXPECT_EQ(t.modules[1].name, "Tool_Change");
  ASSERT_EQ(t.structures.size(), 2u);
  EXPECT_EQ(t.structures[0].size, 20u);
  ASSERT_EQ(t.structures[0].members.size(), 3u);
  const PlcMember& limits = t.structures[0].members[2];
  EXPECT_EQ(limits.name, "LIMITS");
  EXPECT_EQ(limits.type, 'W');
  EXPECT_EQ(limits.offset, 8u);
  EXPECT_EQ(limits.count, 3u);
  EXPECT_TRUE(t.structures[1].members.empty());

  ASSERT_EQ(t.symbols.size(), 6u);
  EXPECT_EQ(t.symbols[0].value, 100u);
  EXPECT_EQ(t.symbols[0].structure, kNoStructure);
  EXPECT_EQ(t.symbols[1].structure, 0u);  // resolved to AXIS
  EXPECT_EQ(t.symbols[2].text, "Hello PLC");
  EXPECT_TRUE(t.symbols[3].local);
  EXPECT_EQ(t.symbols[3].module, 1);
  EXPECT_EQ(t.symbols[4].structure, kNoStructure);  // no structure of that name
  EXPECT_EQ(t.symbols[5].count, 10u);
  EXPECT_TRUE(t.sorted);
  ASSERT_EQ(t.secondSymbols.size(), 1u);
  EXPECT_EQ(t.secondSymbols[0].value, 7u);

  ReleasePlcTables(t);
  EXPECT_TRUE(t.modules.empty() && t.structures.empty() && t.symbols.empty() && t.secondSymbols.empty());
  EXPECT_EQ(t.currentModule, -1);
}

TEST(PlcProjectFile, HeaderFailures) {
  std::string good = SampleBuilder().Build();
  PlcSymbolTables t;
  auto fs = MakeHostFileSystem();
  EXPECT_EQ(ReadPlcProjectFile(*fs, "/nonexistent/dir/plc.pj", t), 8220);

  std::string noZero = good;
  noZero[23] = ' ';  // the text is right, the terminating zero is not
  EXPECT_EQ(ReadBytes(noZero, t), 8273);
  std::string wrongText = good;
  wrongText[19] = '1';  // V3.1
  EXPECT_EQ(ReadBytes(wrongText, t), 8273);
  EXPECT_EQ(ReadBytes(good.substr(0, 60), t), 8273);  // magic, but no section offsets
  // What the run reports for a reader's code.
  EXPECT_EQ(PlcReadReportCode(8220), 8276);
  EXPECT_EQ(PlcReadReportCode(3052), 8273);
  EXPECT_EQ(PlcReadReportCode(6506), 6506);
}

TEST(PlcProjectFile, ModuleSectionSizes) {
  PlcFileBuilder b = SampleBuilder();
  b.modules = {{1, "A"}, {2, "B"}, {3, "C"}};
  std::string bytes = b.Build();

  // 543 bytes hold no record; 1088 hold two; a remainder is left unread.
  PlcSymbolTables t;
  q32test::PutBigEndian32(bytes, kPlcHeaderModuleSize, 543);
  EXPECT_EQ(ReadBytes(bytes, t), 0);
  EXPECT_TRUE(t.modules.empty());
  EXPECT_EQ(t.symbols.size(), 6u);

  t = PlcSymbolTables{};
  q32test::PutBigEndian32(bytes, kPlcHeaderModuleSize, 1088 + 500);
  EXPECT_EQ(ReadBytes(bytes, t), 0);
  ASSERT_EQ(t.modules.size(), 2u);
  EXPECT_EQ(t.modules[1].name, "B");

  // More records announced than the file holds: the ones read are kept.
  t = PlcSymbolTables{};
  q32test::PutBigEndian32(bytes, kPlcHeaderModuleOffset, static_cast<std::uint32_t>(bytes.size() - 544));
  q32test::PutBigEndian32(bytes, kPlcHeaderModuleSize, 544 * 2);
  EXPECT_EQ(ReadBytes(bytes, t), 6506);
  EXPECT_EQ(t.modules.size(), 1u);

  // A size near 2^32 is not believed for the allocation.
  t = PlcSymbolTables{};
  q32test::PutBigEndian32(bytes, kPlcHeaderModuleOffset, static_cast<std::uint32_t>(b.moduleOffset));
  q32test::PutBigEndian32(bytes, kPlcHeaderModuleSize, 0xFFFFFFFFu);
  EXPECT_EQ(ReadBytes(bytes, t), 6506);
  EXPECT_LT(t.modules.capacity(), bytes.size() / 544 + 2);

  // A module section past the end of the file.
  t = PlcSymbolTables{};
  q32test::PutBigEndian32(bytes, kPlcHeaderModuleOffset, 0xFFFFFF00u);
  q32test::PutBigEndian32(bytes, kPlcHeaderModuleSize, 544);
  EXPECT_EQ(ReadBytes(bytes, t), 6506);
}

TEST(PlcProjectFile, SectionsEndingAtEndOfFile) {
  // Structures last, with neither member nor section end records.
  PlcFileBuilder b = SampleBuilder();
  b.structures.push_back({"TAIL", 8, {{"ONE", 'B', 0, 0}, {"TWO", 'B', 1, 0}}, false});
  b.endStructures = false;
  PlcSymbolTables t;
  ASSERT_EQ(ReadBytes(b.Build(), t), 0);
  ASSERT_EQ(t.structures.size(), 3u);
  ASSERT_EQ(t.structures[2].members.size(), 2u);
  EXPECT_EQ(t.structures[2].members[1].name, "TWO");

  // Symbols last, the first list without its end record: everything read
  // belongs to the first list, the second stays empty.
  PlcFileBuilder s = SampleBuilder();
  s.symbolsLast = true;
  s.endFirstList = false;
  s.secondSymbols.clear();
  s.endSecondList = false;
  t = PlcSymbolTables{};
  ASSERT_EQ(ReadBytes(s.Build(), t), 0);
  EXPECT_EQ(t.symbols.size(), 6u);
  EXPECT_TRUE(t.secondSymbols.empty());
  EXPECT_EQ(t.structures.size(), 2u);

  // A structure symbol whose type-name record is cut off by the end of the
  // file is kept without a structure.
  PlcFileBuilder cut = SampleBuilder();
  cut.symbolsLast = true;
  cut.symbols = {{"A", 'M', 1, 0, 0, false, "", ""}, {"B", 's', 2, 0, 0, false, "AXIS", ""}};
  cut.secondSymbols.clear();
  cut.endFirstList = cut.endSecondList = false;
  std::string bytes = cut.Build();
  bytes.resize(bytes.size() - 10);
  t = PlcSymbolTables{};
  ASSERT_EQ(ReadBytes(bytes, t), 0);
  ASSERT_EQ(t.symbols.size(), 2u);
  EXPECT_EQ(t.symbols[1].structure, kNoStructure);

  // Structure and symbol sections past the end of the file read as empty.
  std::string far = SampleBuilder().Build();
  q32test::PutBigEndian32(far, kPlcHeaderStructureOffset, 0xFFFFFFF0u);
  q32test::PutBigEndian32(far, kPlcHeaderSymbolOffset, static_cast<std::uint32_t>(far.size() + 1000));
  t = PlcSymbolTables{};
  ASSERT_EQ(ReadBytes(far, t), 0);
  EXPECT_EQ(t.modules.size(), 2u);
  EXPECT_TRUE(t.structures.empty());
  EXPECT_TRUE(t.symbols.empty());
}

TEST(PlcProjectFile, SkipIndexOverLongLists) {
  PlcFileBuilder b;
  for (int i = 0; i < 260; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "SYM%04d", i);
    b.symbols.push_back({name, 'M', static_cast<std::uint32_t>(i), 0, 0, false, "", ""});
  }
  PlcSymbolTables t;
  ASSERT_EQ(ReadBytes(b.Build(), t), 0);
  EXPECT_EQ(t.skipStarts, (std::vector<std::size_t>{50, 100, 150, 200, 250}));
  EXPECT_TRUE(t.sorted);

  // Exactly 50 records: the 50th has no successor, so there is no pair.
  b.symbols.resize(50);
  t = PlcSymbolTables{};
  ASSERT_EQ(ReadBytes(b.Build(), t), 0);
  EXPECT_TRUE(t.skipStarts.empty());

  // A list out of order is noticed, so lookups walk it instead of halving.
  std::swap(b.symbols[3], b.symbols[30]);
  t = PlcSymbolTables{};
  ASSERT_EQ(ReadBytes(b.Build(), t), 0);
  EXPECT_FALSE(t.sorted);
}

// Every prefix of a valid file, every single failing file operation, and
// many random corruptions must end with one of the reader's codes.
TEST(PlcProjectFile, TruncatedFaultyAndRandomInputsGiveCleanCodes) {
  const std::set<int> allowed = {0, 8220, 8273, 6506, 3052};
  PlcFileBuilder b = SampleBuilder();
  std::string good = b.Build();
  q32test::MemoryFileSystem memory;
  const std::string path = "PLC.PJ";

  for (std::size_t n = 0; n <= good.size(); ++n) {
    memory.AddFile(path, good.substr(0, n));
    PlcSymbolTables t;
    int code = ReadPlcProjectFile(memory, path, t);
    ASSERT_TRUE(allowed.count(code)) << "prefix " << n << " gave " << code;
    EXPECT_LE(t.symbols.size(), 6u);
  }

  memory.AddFile(path, good);
  for (long k = 1; k < 200; ++k) {
    FaultyFileSystem faulty(memory);
    faulty.failAt = k;
    PlcSymbolTables t;
    int code = ReadPlcProjectFile(faulty, path, t);
    ASSERT_TRUE(allowed.count(code)) << "failing operation " << k << " gave " << code;
    if (faulty.operations < k) break;  // every operation has been failed once
  }

  std::mt19937 random(20261205);
  for (int round = 0; round < 10000; ++round) {
    std::string bytes = good;
    int changes = 1 + static_cast<int>(random() % 8);
    for (int c = 0; c < changes; ++c) {
      std::size_t at = random() % bytes.size();
      if (random() % 3 == 0 && at + 4 <= bytes.size()) {
        // Offsets and sizes near the edges of 32 bits, in either order.
        static const std::uint32_t edges[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFF00,
                                              static_cast<std::uint32_t>(good.size())};
        q32test::PutBigEndian32(bytes, at, edges[random() % 7]);
      } else {
        bytes[at] = static_cast<char>(random());
      }
    }
    if (random() % 4 == 0) bytes.resize(random() % bytes.size());
    memory.AddFile(path, bytes);
    PlcSymbolTables t;
    int code = ReadPlcProjectFile(memory, path, t);
    ASSERT_TRUE(allowed.count(code)) << "round " << round << " gave " << code;
    for (const PlcSymbol& s : t.symbols) {
      ASSERT_LE(s.name.size(), kPlcMaxNameLength);
      ASSERT_TRUE(s.structure == kNoStructure || s.structure < t.structures.size());
    }
  }
}

// The run's reading of the -pj file and what it reports.
TEST(PlcProjectFile, RunReadsAndReports) {
  q32test::TempDir dir;
  std::string good = dir / "good.pj", bad = dir / "bad.pj", missing = dir / "missing.pj";
  q32test::WriteFile(good, SampleBuilder().Build());
  q32test::WriteFile(bad, "not a PLC project file at all, but long enough to be read");
  auto fs = MakeHostFileSystem();

  struct Case {
    RunMode mode;
    std::string path;
    int errors;
    std::string message;
    std::size_t symbols;
  };
  const Case cases[] = {
      {MODE_GENSYS, good, 0, "", 6},
      {MODE_GENSYS, missing, 1, "missing.pj: E8276", 0},
      {MODE_CHECK, bad, 1, "bad.pj: E8273", 0},
      {MODE_GENDEF, missing, 0, "", 0},  // ignored silently
      {MODE_SCAN, good, 0, "", 0},       // not even read
      {MODE_GENSYS, "", 0, "", 0},
  };
  for (const Case& c : cases) {
    RunContext run(*fs);
    run.settings.mode = c.mode;
    std::FILE* console = std::tmpfile();
    run.diag.console = console;
    ASSERT_EQ(LoadMessageCatalogue(run.diag, run.settings.errorCount, run.settings.warningCount,
                                   q32test::SourcePath(""), kCatalogueName, kCatalogueHeader, ""),
              0);
    LoadRunPlcProjectFile(run, c.path);
    EXPECT_EQ(run.settings.errorCount, c.errors) << c.path;
    EXPECT_EQ(run.plc.symbols.size(), c.symbols) << c.path;
    std::rewind(console);
    char line[512] = {};
    std::string out;
    while (std::fgets(line, sizeof line, console)) out += line;
    if (!c.message.empty()) {
      EXPECT_NE(out.find(c.message), std::string::npos) << out;
    }
    CloseMessageCatalogue(run.diag);
    std::fclose(console);
  }
}

}  // namespace
}  // namespace q32
