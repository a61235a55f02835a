// The fuzz targets, one per input format the program reads, in one table.
// Each target takes the bytes as that format and runs the library's reader
// or converter on them over an in-memory file system that holds the real
// message catalogue, so that nothing a fuzzed input names (tree files,
// output locations, "..", absolute paths) reaches the disk.  Besides what
// the sanitizers see, each checks the promises a sanitizer cannot see: a
// result code outside its function's list, a file left where none should
// be, an input changed.
//
// The libFuzzer build (fuzz/CMakeLists.txt, fuzz/run.sh) runs the target
// named by Q32_FUZZ_TARGET; the test build links the same file as `replay`,
// which runs the target named by its first argument once over every file
// of the folders or files that follow (tests FuzzReplay.<target> over
// fuzz/corpus/<target>/ and fuzz/regressions/<target>/), so that a finding
// that comes back fails CTest with any compiler.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bmx/BmxDecoder.h"
#include "bmx/BmxGenerate.h"
#include "bmx/BmxProject.h"
#include "diag/Diagnostics.h"
#include "driver/RunDriver.h"
#include "dxf/VectorDecoder.h"
#include "formats/SoftkeyFormats.h"
#include "lang/LanguageTexts.h"
#ifdef Q32_FUZZ_LSP
#include "lsp/Framing.h"
#include "lsp/LanguageServer.h"
#endif
#include "paths/Paths.h"
#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"
#include "platform/MemoryFileSystem.h"
#include "plc/Conditions.h"
#include "plc/PlcOperands.h"
#include "plc/PlcProjectFile.h"
#include "project/Defines.h"
#include "project/ProjectLines.h"
#include "raster/RasterDecoder.h"
#include "raster/SoftkeyRecords.h"
#include "run/DefineList.h"
#include "run/RunContext.h"
#include "run/SoftkeyContext.h"
#include "text/Ascii.h"
#include "text/Tokenizer.h"

namespace {

using q32::MemoryFileSystem;

// Stops the target the way a sanitizer would, so that libFuzzer keeps the
// input.
void Check(bool ok, int line, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, line, what);
  std::abort();
}
#define CHECK(condition) Check((condition), __LINE__, #condition)

// Checks of promises whose breaking is known and reported are on only with
// QUILLON_FUZZ_STRICT=1, so that CI shows new findings, not known ones.
bool Strict() { return std::getenv("QUILLON_FUZZ_STRICT") && *std::getenv("QUILLON_FUZZ_STRICT") == '1'; }

bool OneOf(int code, std::initializer_list<int> codes) {
  if (std::find(codes.begin(), codes.end(), code) != codes.end()) return true;
  std::fprintf(stderr, "unexpected result code %d\n", code);
  return false;
}

// A whole file, and a file of the source tree (seeds, the example project,
// the catalogue).
std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  CHECK(in.good());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
std::string SourceFile(const std::string& relative) { return ReadAll(std::string(QUILLON_SOURCE_DIR) + "/" + relative); }

// Whether the file system holds the file with these bytes: an input the
// target read must be as it was.
bool Holds(MemoryFileSystem& memory, const std::string& path, std::string_view bytes) {
  const std::string* now = memory.FileBytes(path);
  return now && *now == bytes;
}

// The small PLC project information file: two modules, a structure type
// with members, an array of structures, a flag, a constant, a text and a
// local symbol, in both symbol lists.
const std::string kSmallPlcFile = "fuzz/corpus/plcfile/small.pj";
const std::string kCatalogueDir = "/program/", kWorkDir = "/work";
std::string InWork(std::string_view name) { return kWorkDir + "/" + std::string(name); }

// The catalogue in its place and the work directory as the current one;
// targets copy it for every input (the copy shares the files' bytes).
const MemoryFileSystem& BaseFileSystem() {
  static const MemoryFileSystem base = [] {
    MemoryFileSystem memory;
    memory.AddFile(kCatalogueDir + q32::kCatalogueName, SourceFile(q32::kCatalogueName));
    memory.AddDirectory(kWorkDir);
    CHECK(memory.SetCurrentDir(kWorkDir));
    return memory;
  }();
  return base;
}

// One run with the catalogue beside the program (the real one must load)
// and, when asked, a log in the work directory.  Its console lines go
// nowhere: a fuzzer prints millions of them.
struct QuietRun {
  q32::FaultyFileSystem fs;
  q32::RunContext run{fs, q32::RunSettings{}};
  q32::CatalogueLoad load;
  explicit QuietRun(MemoryFileSystem& memory, bool withLog = true, bool realCatalogue = true) : fs(memory) {
    static std::FILE* const console = std::fopen("/dev/null", "w");
    run.diag.console = console;
    load = q32::LoadMessageCatalogue(run.diag, kCatalogueDir, q32::kCatalogueName, q32::kCatalogueHeader,
                                     withLog ? InWork("run.log") : std::string());
    CHECK(load == q32::CatalogueLoad::Loaded || (!realCatalogue && load == q32::CatalogueLoad::WrongHeader));
  }
  ~QuietRun() { q32::CloseMessageCatalogue(run.diag); }
};

// Calls line(text) for each of the first `most` lines, without line ends.
template <typename Line>
void ForEachLine(std::string_view input, int most, Line line) {
  for (std::size_t start = 0, end; most-- > 0 && start <= input.size(); start = end + 1) {
    end = std::min(input.find('\n', start), input.size());
    line(input.substr(start, end - start));
  }
}

// Sources converted by their source type's converter, as the source
// dispatch hands them over, into a softkey beside them (name.PIC).  The
// code must be one of `codes`, a code of 0 must have left the softkey (and,
// where only a conversion may leave one, no other code), the source must be
// unchanged and nothing new but the softkey and the log may be there.
void ConvertAs(std::string_view input, q32::SourceType type, const std::string& source,
               std::initializer_list<int> codes, bool onlyConvertedWrites = false) {
  const std::string output = source.substr(0, source.find('.')) + ".PIC";
  MemoryFileSystem memory = BaseFileSystem();
  memory.AddFile(InWork(source), std::string(input));
  const q32::Msg code = [&] {
    QuietRun quiet(memory);
    quiet.run.softkey.source = InWork(source), quiet.run.softkey.sourceType = type;
    return q32::SourceFormatOf(type).convert(quiet.run).code;
  }();
  const bool written = memory.FileBytes(InWork(output)) != nullptr;
  CHECK(OneOf(q32::Number(code), codes) && (code == q32::Msg::Ok ? written : !(onlyConvertedWrites && written)));
  const std::set<std::string> expected = {"/program", kCatalogueDir + q32::kCatalogueName, kWorkDir,
                                          InWork(source), InWork(output), InWork("run.log")};
  for (const std::string& name : memory.Names())
    if (!expected.count(name)) std::fprintf(stderr, "left behind: %s\n", name.c_str()), std::abort();
  CHECK(Holds(memory, InWork(source), input));
}

// One-bit bitmaps and PCX pictures, converted into raster softkeys; DXF
// drawings, of which only a converted one leaves its softkey.
void Bitmap(std::string_view input) { ConvertAs(input, q32::SourceType::Bmp, "icon.bmp", {0, 8222, 8225, 8230, 8232}); }
void Pcx(std::string_view input) { ConvertAs(input, q32::SourceType::Pcx, "icon.pcx", {0, 8222, 8225, 8240}); }
void Dxf(std::string_view input) {
  ConvertAs(input, q32::SourceType::Dxf, "spindle.dxf", {0, 8250, 8251, 8252, 8253, 8254, 8255}, true);
}

// Text-softkey sources as a small, medium or big text (by the input's
// length, so that every seed meets all three over a run).
void TextSoftkey(std::string_view input) {
  const q32::SourceType types[] = {q32::SourceType::Txs, q32::SourceType::Txm, q32::SourceType::Txb};
  ConvertAs(input, types[input.size() % 3], std::string("start.tx") + "smb"[input.size() % 3], {0, 8222, 8260});
}

// BMX projects generated into .bmx images and listed, beside the example's
// bitmaps, SVG picture and language directory, in the project's directory.
void Bmx(std::string_view input) {
  const std::string project = "/work/bmx", projectFile = project + "/spindle.bpj";
  static MemoryFileSystem files = [&] {
    MemoryFileSystem memory = BaseFileSystem();
    for (const char* name : {"spindle_bg.bmp", "spindle_on.bmp", "tool.svg", "lang/en.inc", "lang/de.txt", "lang/fr.po"})
      memory.AddFile(project + "/" + name, SourceFile(std::string("examples/mill/bmx/") + name));
    // A small background and layer keep most executions short.
    for (const char* name : {"/bg.bmp", "/layer.bmp"})
      memory.AddFile(project + name, SourceFile("fuzz/corpus/bitmap/small-16x10-24bit.bmp"));
    return memory;
  }();
  MemoryFileSystem memory = files;
  memory.AddFile(projectFile, std::string(input));
  {
    QuietRun quiet(memory);
    q32::SetBaseDirectory(quiet.run.paths, project);
    CHECK(quiet.fs.SetCurrentDir(project));
    q32::LanguageTable languages;
    (void)q32::GenerateBmxSoftkey(quiet.run, languages, projectFile, "PLC:\\SOFTKEYS\\", {}, {}, true);
    q32::ListBmxIncludes(quiet.run, projectFile, {}, {});
  }
  // The project file is an input from the start; the files it uses become
  // inputs only once read, so that they stay is checked only when strict.
  CHECK(Holds(memory, projectFile, input));
  for (const std::string& name : Strict() ? files.Names() : std::vector<std::string>{})
    if (const std::string* bytes = files.FileBytes(name)) CHECK(Holds(memory, name, *bytes));
}

// The message catalogue: loaded, looked up, reported with file, line and
// argument, shown as progress and logged; the input is also a message text.
void Catalogue(std::string_view input) {
  (void)q32::FormatMessageText(input, "a text", "b text", 12, -34);
  (void)q32::FormatMessageText(input, nullptr, nullptr, std::numeric_limits<long>::max(), -1);
  MemoryFileSystem memory = BaseFileSystem();
  memory.AddFile(kCatalogueDir + q32::kCatalogueName, std::string(input));
  QuietRun quiet(memory, true, false);
  quiet.run.paths.baseDirectory = kWorkDir;
  q32::Diagnostics& d = quiet.run.diag;
  if (quiet.load == q32::CatalogueLoad::Loaded) {
    std::string message;
    q32::LookupMessage(d, 8220, message);
    // A progress message, an error, a warning and a missing code (whose
    // lookup reads every line); every lookup reads from the start.
    for (int number : {5, 8220, -8231, 99999}) {
      if (number == 5) q32::ShowProgress(d, q32::Progress::Softkeys, "text %s", "second", 5, 6);
      else q32::ReportMessage(d, static_cast<q32::Msg>(number), InWork("project.spm"), 17, "argument %s %d %n");
    }
    q32::LogLine(d, "%s %s %ld %ld", "one", "two", 3, 4);
    for (const std::string* label : {&d.errorLabel, &d.warningLabel, &d.errorNoLabel, &d.fileLabel})
      CHECK(label->size() <= q32::kMaxLabelLength);
  }
}

// #IF conditions: each line upper-cased, split and evaluated over a few
// defines and a small PLC table, symbols visible and hidden; every token
// also as an operand; the bytes drive the stack of conditional sections.
void Conditions(std::string_view input) {
  static const auto tables = [] {
    std::pair<q32::DefineList, q32::PlcSymbolTables> t;
    for (const q32::DefineEntry& e : std::initializer_list<q32::DefineEntry>{
             {"A", true, 1, false, ""}, {"B", true, 2, false, ""}, {"NEG", true, -5, false, ""},
             {"BIG", true, 0x7FFFFFFF, false, ""}, {"MACHINE", true, 0, true, "Mill"}, {"OPTION", false, 1, false, ""}})
      t.first.Insert(e, false);
    MemoryFileSystem fs;
    fs.AddFile("P.PJ", SourceFile(kSmallPlcFile));
    CHECK(q32::ReadPlcProjectFile(fs, "P.PJ", t.second) == q32::Msg::Ok);
    return t;
  }();
  // The lookups keep state (the current module): each input starts afresh.
  q32::PlcSymbolTables symbols = tables.second;
  q32::ConditionScope scope{tables.first, symbols};
  std::vector<std::string> tokens;
  ForEachLine(input, 32, [&](std::string_view line) {
    (void)q32::SplitConditionTokens(q32::UpperCase(line), tokens, q32::kMaxConditionTokens);
    CHECK(tokens.size() <= q32::kMaxConditionTokens);
    for (bool hidden : {false, true}) {
      symbols.hidden = hidden;
      bool result = false;
      const int code = q32::Number(q32::EvaluateCondition(scope, tokens, result));
      CHECK(OneOf(code, {0, 3011, 3043, 3070, 3073, 3084, 3091, 3507, 3509, 4010}));
    }
    for (std::size_t i = 0; i < tokens.size() && i < 8; ++i) {
      std::int32_t value = 0;
      std::string text, operand = tokens[i], rewritten = tokens[i];
      (void)q32::EvaluateOperand(scope, tokens[i], value, text);
      q32::OperandResult result;
      (void)q32::CheckOperand(symbols, operand, result);
      (void)q32::RewriteOperandToken(symbols, rewritten, (i & 1) != 0);
    }
  });
  q32::SectionStack stack;
  for (std::size_t i = 0; i < input.size() && i < 256; ++i) {
    bool active = false;
    const auto b = static_cast<unsigned char>(input[i]);
    const int code =
        q32::Number(q32::UpdateSectionStack(stack, static_cast<q32::SectionOperation>(b & 3), (b & 4) != 0, active));
    CHECK((code == 0 || code == 3300 || code == 3301) && stack.depth >= 0 && stack.depth <= q32::kMaxSectionDepth);
  }
}

// Configuration files and define lists: a -a list (replacing and not), a
// file of DEFINE lines, and each line as #IFDEF/#IFNDEF over the defines.
void Defines(std::string_view input) {
  {
    q32::DefineList defines;
    q32::DefineParseSummary summary;
    for (bool replace : {true, false})
      CHECK(OneOf(q32::Number(q32::ParseDefines(defines, input, replace, replace ? &summary : nullptr)),
                  {0, -1047, -1049, 3080, 3052}));
    std::int32_t value = 0;
    std::string text;
    for (const auto& entry : defines.Entries()) CHECK(defines.LookupDefine(entry.name, value, &text) != q32::DefineKind::None);
  }
  MemoryFileSystem memory = BaseFileSystem();
  memory.AddFile(InWork("machine.cfg"), std::string(input));
  QuietRun quiet(memory, false);
  q32::PlcSymbolTables plc;
  CHECK(q32::ReadConfigurationFile(quiet.run, InWork("machine.cfg")));
  // The -a list then wins over the file, as in a run.
  q32::LoadRunDefines(quiet.run, {}, std::string(input.substr(0, 512)));
  ForEachLine(input, 64, [&](std::string_view line) {
    bool result = false;
    for (bool negated : {false, true})
      (void)q32::EvaluateDefineCondition(quiet.run, plc, q32::UpperCase(line), negated, result);
  });
}

// Language files: read alone as ".inc", and named ".inc", ".txt" or ".po"
// (by the input's length) loaded with an English file through a language
// table's directory search; both code conversions with roomy and tight buffers.
void Language(std::string_view input) {
  for (std::size_t room : {std::size_t(0), std::size_t(1), std::size_t(8), input.size() / 2 + 1, 4 * input.size() + 1}) {
    std::string out;
    CHECK(room == 0 || q32::Utf8ToLatin1(input, &out, room) <= room);
    CHECK(room == 0 || q32::Latin1ToUtf8(input, &out, room) <= room);
  }
  static const char* const kExtensions[] = {".inc", ".txt", ".po"};
  MemoryFileSystem fs = BaseFileSystem();
  const std::string dir = InWork("lang"), name = std::string("de") + kExtensions[input.size() % 3];
  fs.AddFile(dir + "/" + name, std::string(input));
  fs.AddFile(dir + "/en.inc", "OK \"Yes\"\nSPINDLE \"Spindle\"\n");
  {
    q32::LanguageEntry entry;
    q32::LanguageFileReport report;
    CHECK(OneOf(q32::Number(q32::ReadLanguageFile(fs, entry, dir + "/" + name, report)), {0, 8306, 8309}));
    for (const q32::LanguageText& text : entry.texts)
      CHECK(text.name.size() <= q32::kMaxLanguageTextName && text.text.size() <= q32::kMaxLanguageText &&
            q32::FindLanguageText(entry, text.name) != nullptr);
  }
  q32::LanguageTable table;
  CHECK(q32::PrepareLanguages(table) == q32::Msg::Ok);
  table.directory = dir;
  CHECK(OneOf(q32::Number(q32::LoadLanguages(fs, table)), {0, 8306, 8309, 8316, 8317}));
  for (const q32::LanguageEntry& entry : table.entries)
    for (const q32::LanguageText& text : entry.texts) CHECK(q32::FindLanguageText(entry, text.name) != nullptr);
  q32::FreeLanguages(table);
  CHECK(Holds(fs, dir + "/" + name, input));
}

// The PLC project information file: read into the symbol tables, whose
// names are looked up again and checked as operands, members and locals.
void PlcFile(std::string_view input) {
  MemoryFileSystem fs;
  fs.AddFile("MACHINE.PJ", std::string(input));
  q32::PlcSymbolTables tables;
  const q32::Msg read = q32::ReadPlcProjectFile(fs, "MACHINE.PJ", tables);
  CHECK(OneOf(q32::Number(read), {0, 8273, 6506, 3052}));
  (void)q32::PlcReadReportCode(read);
  std::size_t checked = 0;
  q32::OperandResult result;
  for (const q32::PlcSymbol& symbol : tables.symbols) {
    if (++checked > 64) break;
    q32::PlcSymbol found;
    q32::LookUpSymbol(tables, symbol.name, &found);
    std::string operand = symbol.name;
    (void)q32::CheckOperand(tables, operand, result);
    if (symbol.structure != q32::kNoStructure) {
      CHECK(symbol.structure < tables.structures.size());
      const q32::PlcStructure& structure = tables.structures[symbol.structure];
      for (std::size_t m = 0; m < structure.members.size() && m < 4; ++m) {
        std::string member = symbol.name + "[1]." + structure.members[m].name;
        (void)q32::CheckOperand(tables, member, result);
      }
    }
    if (!tables.modules.empty()) {
      std::string local = tables.modules.front().name + "::" + symbol.name;
      (void)q32::CheckOperand(tables, local, result);
    }
  }
  q32::LookUpSymbol(tables, "NOSUCHSYMBOL");
}

// Project lines: the input through the three splitters and the path
// handling of source tokens, whole and as the logical lines of a project
// file (each of which consumes at least one physical line).
void SplitEveryWay(std::string_view line) {
  std::vector<std::string> tokens;
  (void)q32::SplitTokens(line, tokens, q32::kMaxProjectTokens, true);
  CHECK(tokens.size() <= q32::kMaxProjectTokens);
  for (std::size_t i = 0; i < tokens.size() && i < 4; ++i) {
    q32::SoftkeyContext context;
    q32::SetSoftkeySource(context, q32::kDefaultDestPath, static_cast<q32::SourceType>(i), tokens[i], (i & 1) != 0);
    std::string path = tokens[i], absolute = tokens[i];
    q32::CollapseDotDot(path);
    (void)q32::SplitPath(tokens[i]);
    q32::MakeAbsolute(absolute, "C:\\PROJECT\\", false);
    q32::MakeRelative("C:\\PROJECT\\", absolute, false);
  }
  (void)q32::SplitTokens(line, tokens, q32::kMaxBmxTokens, false);
  CHECK(tokens.size() <= q32::kMaxBmxTokens);
  (void)q32::SplitConditionTokens(line, tokens, q32::kMaxConditionTokens);
  CHECK(tokens.size() <= q32::kMaxConditionTokens);
}

void Tokenizer(std::string_view input) {
  SplitEveryWay(input);
  q32::MemoryFile file{std::make_shared<std::string>(input), false, false};
  std::string line;
  for (int counter = 0, previous = 0; q32::ReadLogicalLine(file, line, counter); previous = counter) {
    CHECK(counter > previous);
    SplitEveryWay(line);
  }
}

// The example project under /work/proj, and the catalogue beside the
// program, where the run looks for it.
const MemoryFileSystem& ExampleTree() {
  static const MemoryFileSystem tree = [] {
    MemoryFileSystem files = BaseFileSystem();
    files.AddFile(q32::ProgramDirectory(nullptr) + q32::kCatalogueName, SourceFile(q32::kCatalogueName));
    const std::filesystem::path examples = std::string(QUILLON_SOURCE_DIR) + "/examples/mill";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(examples)) {
      const std::string relative = std::filesystem::relative(entry.path(), examples).string();
      if (entry.is_directory()) files.AddDirectory("/work/proj/" + relative);
      else files.AddFile("/work/proj/" + relative, SourceFile("examples/mill/" + relative));
    }
    return files;
  }();
  return tree;
}

// The whole program: the input is the project file of a -gensys run made
// in-process, beside the example project's sources, a PCX picture, a PLC
// project file and a file to include.  The status is one the program
// documents, the project file is unchanged, and a failed run left neither
// its system list nor its tree file.
void Reader(std::string_view input) {
  const std::string project = "/work/proj", projectFile = project + "/mill.spm";
  static const MemoryFileSystem tree = [&] {
    MemoryFileSystem files = ExampleTree();
    files.AddFile(project + "/logo.pcx", SourceFile("fuzz/corpus/pcx/checker-77x48.pcx"));
    files.AddFile(project + "/machine.pj", SourceFile(kSmallPlcFile));
    files.AddFile(project + "/common.inc", "; shared softkeys\nBMP stop.bmp STOPKEY\n");
    return files;
  }();
  MemoryFileSystem memory = tree;
  memory.AddFile(projectFile, std::string(input));
  const std::vector<std::string> args = {"Quillon32", projectFile, "-gensys", "-pj" + project + "/machine.pj",
                                         "-aA=1,B=$1F,MACHINE=\"Mill\""};
  q32::FaultyFileSystem fs{memory};
  const int status = q32::RunCommandLine(args, fs);
  CHECK(OneOf(status, {0, 1, 2}));
  // No output may replace the project file; a project may name a source it
  // has not read yet as its tree file, which each fresh tree makes good.
  CHECK(Holds(memory, projectFile, input));
  CHECK(status != 2 || (!memory.Exists(project + "/QUILLONK.SYS") && !memory.Exists(project + "/mill.sys")));
}

// The library's decoders of generated files: the input as a record file,
// its data and the input itself as raster and vector softkeys, and as a
// .bmx image.  Every offset a decoder gives back lies within what it read,
// pixels and differences keep the sizes their headers state, and the
// preview's listings of every kind take the bytes too.
void RasterData(const std::string& data) {
  const q32::RasterSoftkeyImage image = q32::DecodeRasterSoftkey(data);
  CHECK(image.endAt <= data.size());
  for (const q32::RasterElement& e : image.elements) {
    CHECK(e.at + 10 <= data.size());
    CHECK(!e.blockInside || e.blockAt + 4 + e.rows * e.RowBytes() <= data.size());
  }
  CHECK(!q32::IsWholeRasterSoftkey(image) || image.end == q32::RasterListEnd::EndWord);
}

void VectorData(const std::string& data) {
  const q32::VectorRecordList list = q32::ListVectorRecords(data);
  std::size_t at = 0;
  for (const q32::VectorRecord& r : list.records) {
    CHECK(r.at == at && r.end > r.at && r.end <= data.size());
    at = r.end;
  }
  CHECK(list.stopAt == at);
  const std::vector<q32::VectorVariant> variants = q32::DrawVectorSoftkey(data);
  // The default part and at most one variant per language index.
  CHECK(!variants.empty() && variants.size() <= 257);
  for (const q32::VectorVariant& v : variants) CHECK(v.calls >= 0);
}

void BmxData(std::string_view input) {
  const q32::BmxFile f = q32::DecodeBmxFile(input);
  const q32::BmxBackground& bg = f.background;
  CHECK(!bg.inside || bg.pixels.size() == static_cast<std::size_t>(bg.header.info.width) * bg.header.info.Rows());
  for (const q32::BmxRecord& r : f.records) {
    CHECK(r.indexes.size() == f.keys.size());
    if (r.nextOutside) continue;
    CHECK(r.bodyAt + r.bodySize == r.next && r.next <= input.size());
    if (!r.IsLayer() || r.bodyShort) continue;
    const std::vector<std::uint32_t> d = q32::BmxLayerDifferences(r.Body(input).substr(4), r.units.units, bg.pixels.size());
    CHECK(d.size() <= bg.pixels.size() && d.size() <= r.units.pixels);
  }
}

void Decoders(std::string_view input) {
  const q32::SoftkeyRecordFile records = q32::ReadSoftkeyRecordFile(input);
  if (q32::CarriesWholeData(records))
    for (const q32::SoftkeyRecordLine& line : records.lines) CHECK(!line.IsDataLine() || line.Address() == line.dataAt);
  for (const std::string& bytes : {records.data, std::string(input)}) RasterData(bytes), VectorData(bytes);
  BmxData(input);
  for (const q32::OutputFormat* f : q32::OutputFormats()) {
    (void)f->recognise("k.PIC", input), (void)f->listing(input);
    CHECK(!f->draw || f->draw(input).pixels.size() == std::size_t{q32::kSoftkeyWidth} * q32::kSoftkeyHeight);
  }
}

#ifdef Q32_FUZZ_LSP
// The language server as an editor's messages reach it: the input is the
// byte stream of its standard input (frames of headers and JSON bodies),
// served over the example project, so that opening and changing a document
// runs the generator's checks.  Every frame the server wrote holds one
// JSON-RPC object, and the project's files are as they were: the server
// writes nothing.

// Reads from the front of `bytes`, as a stream would.
q32::FrameReader::ReadBytes StreamOf(std::string_view& bytes) {
  return [&bytes](char* buffer, std::size_t n) {
    n = std::min(n, bytes.size());
    std::memcpy(buffer, bytes.data(), n);
    bytes.remove_prefix(n);
    return n;
  };
}

void Lsp(std::string_view input) {
  // A copy shares the files' bytes, and a file written gets new bytes.
  MemoryFileSystem memory = ExampleTree(), before = memory;
  std::string written;
  const int status = q32::ServeLanguage(memory, q32::ProgramDirectory(nullptr), StreamOf(input),
                                        [&written](std::string_view frame) { written += frame; }, [](std::string_view) {});
  CHECK(status == 0 || status == 1);
  std::string_view out = written;
  q32::FrameReader frames(StreamOf(out));
  std::string body, why;
  q32::FrameReader::Frame frame;
  while ((frame = frames.Next(body, why)) == q32::FrameReader::Frame::Message)
    CHECK(body.size() > 2 && body.front() == '{' && body.back() == '}' &&
          body.find("\"jsonrpc\":\"2.0\"") != std::string::npos);
  CHECK(frame == q32::FrameReader::Frame::End);
  CHECK(memory.Names() == before.Names());
  for (const std::string& name : before.Names()) {
    const std::string* bytes = before.FileBytes(name);
    CHECK(bytes ? Holds(memory, name, *bytes) : !memory.FileBytes(name));
  }
}
#endif

// The formats, by the names of their corpus folders (fuzz/corpus/<name>/).
struct Target {
  const char* name;
  void (*run)(std::string_view input);
};
constexpr Target kTargets[] = {
    {"bitmap", Bitmap},         {"bmx", Bmx},         {"catalogue", Catalogue}, {"conditions", Conditions},
    {"decoders", Decoders},     {"defines", Defines}, {"dxf", Dxf},             {"language", Language},
    {"pcx", Pcx},               {"plcfile", PlcFile}, {"reader", Reader},       {"textsoftkey", TextSoftkey},
    {"tokenizer", Tokenizer},
#ifdef Q32_FUZZ_LSP
    {"lsp", Lsp},
#endif
};

const Target* chosen = nullptr;

void Choose(const char* name) {
  for (const Target& t : kTargets)
    if (name && std::string_view(name) == t.name) chosen = &t;
  if (!chosen) std::fprintf(stderr, "no fuzz target named %s\n", name ? name : "(none: set Q32_FUZZ_TARGET)"), std::exit(2);
  // The whole program prints its banner on standard output; libFuzzer
  // reports on standard error.
  if (chosen->run == Reader && !std::freopen("/dev/null", "w", stdout)) std::perror("freopen");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  chosen->run(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}

#ifdef Q32_FUZZ_REPLAY
// replay <target> <file or folder>...: a missing folder of regressions is no
// failure (there are none yet).
int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  Choose(argc > 1 ? argv[1] : nullptr);
  std::vector<fs::path> inputs;
  for (int i = 2; i < argc; ++i) {
    std::error_code ec;
    if (fs::is_regular_file(argv[i], ec)) inputs.push_back(argv[i]);
    for (const auto& entry : fs::directory_iterator(argv[i], ec))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  for (const fs::path& path : inputs) {
    const std::string bytes = ReadAll(path.string());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::fprintf(stderr, "%zu inputs replayed\n", inputs.size());
  return 0;
}
#else
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Choose(std::getenv("Q32_FUZZ_TARGET"));
  return 0;
}
#endif
