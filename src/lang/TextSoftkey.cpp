#include "lang/TextSoftkey.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "dxf/VectorOutput.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "platform/LanguageLibrary.h"
#include "run/RunContext.h"
#include "raster/SoftkeyRecords.h"
#include "raster/SoftkeySize.h"

namespace q32 {
namespace {

constexpr const char* kSoftkeyExtension = ".PIC";
constexpr const char* kDefaultLanguage = "en";
constexpr int kTextSoftkeyWidth = kSoftkeyWidth;
constexpr char kRowSeparator = '|';

// "REA": the language tests that follow pick one of the texts.
constexpr std::uint8_t kLanguageSelect[] = {0x38, 0x00, 0x00, 0x00};
constexpr std::size_t kLanguageTestBytes = 10;
constexpr std::size_t kLanguageTestIndex = 5;
constexpr std::size_t kLanguageTestSkip = 9;
// The skip byte of a language test jumps over the texts and their end word.
constexpr std::size_t kLanguageTestSkipExtra = 4;
constexpr std::uint16_t kEndWord = 0xFFFF;
// Bytes of a text record besides its characters.
constexpr std::size_t kTextRecordBytes = 12;

constexpr int kNotAllowed = -1;

struct TextLayout {
  char letter;
  int size;
  int charWidth;
  int y[kMaxTextRows][kMaxTextRows];  // [rows - 1][row]
};

constexpr TextLayout kLayouts[] = {
    {'S', 16, 8, {{20}, {29, 11}, {34, 20, 6}}},
    {'M', 32, 16, {{14}, {26, 4}, {kNotAllowed}}},
    {'B', 48, 32, {{6}, {kNotAllowed}, {kNotAllowed}}},
};

// Code page 850 characters and the ISO 8859-1 characters the control shows
// for them; the rest pass unchanged.
constexpr std::uint8_t kCp850Latin1[][2] = {
    {0x80, 0xC7}, {0x81, 0xFC}, {0x82, 0xE9}, {0x83, 0xE2}, {0x84, 0xE4}, {0x85, 0xE0},
    {0x86, 0xE5}, {0x87, 0xE7}, {0x88, 0xEA}, {0x89, 0xEB}, {0x8A, 0xE8}, {0x8B, 0xEF},
    {0x8C, 0xEE}, {0x8D, 0xEC}, {0x8E, 0xC4}, {0x8F, 0xC5}, {0x90, 0xC9}, {0x91, 0xE6},
    {0x92, 0xC6}, {0x93, 0xF4}, {0x94, 0xF6}, {0x95, 0xF2}, {0x96, 0xFB}, {0x97, 0xF9},
    {0x98, 0xFD}, {0x99, 0xD6}, {0x9A, 0xDC}, {0x9B, 0xF8}, {0x9D, 0xD8}, {0xA0, 0xE1},
    {0xA1, 0xED}, {0xA2, 0xF3}, {0xA3, 0xFA}, {0xA4, 0xF1}, {0xA5, 0xD1}, {0xA6, 0xAA},
    {0xA7, 0xBA}, {0xA8, 0xBF}, {0xAD, 0xA1}, {0xAE, 0xAB}, {0xAF, 0xBB}, {0xB5, 0xC1},
    {0xB6, 0xC2}, {0xB7, 0xC0}, {0xC6, 0xE3}, {0xC7, 0xC3}, {0xD2, 0xCA}, {0xD3, 0xCB},
    {0xD4, 0xC8}, {0xD6, 0xCD}, {0xD7, 0xCE}, {0xD8, 0xCF}, {0xDE, 0xCC}, {0xE0, 0xD3},
    {0xE1, 0xDF}, {0xE2, 0xD4}, {0xE3, 0xD2}, {0xE4, 0xF5}, {0xE5, 0xD5}, {0xE6, 0xB5},
    {0xE9, 0xDA}, {0xEA, 0xDB}, {0xEB, 0xD9}, {0xF8, 0xB0},
};

constexpr std::array<std::uint8_t, 256> MakeLatin1Map() {
  std::array<std::uint8_t, 256> map{};
  for (int i = 0; i < 256; ++i) map[i] = static_cast<std::uint8_t>(i);
  for (const auto& pair : kCp850Latin1) map[pair[0]] = pair[1];
  return map;
}

constexpr std::array<std::uint8_t, 256> kLatin1Map = MakeLatin1Map();

struct TextLine {
  std::string text;        // at most kTextColumns characters, trimmed
  std::string languageId;  // empty: English
  std::size_t languageAt = 0;  // its offset in the line
  int language = 0;
  unsigned line = 0;       // in the source file
};

bool IsWordSeparator(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Splits one source line into its text (columns 1 to 29) and its language
// identifier (the first word from column 31 on).
TextLine ParseTextLine(const char* line) {
  TextLine parsed;
  std::size_t length = std::strlen(line);
  parsed.text.assign(line, length < kTextColumns ? length : kTextColumns);
  while (parsed.text.size() > 1 && (parsed.text.back() == ' ' || parsed.text.back() == '\n'))
    parsed.text.pop_back();
  std::size_t i = kLanguageColumn - 1;
  while (i < length && IsWordSeparator(line[i])) ++i;
  std::size_t start = i;
  while (i < length && !IsWordSeparator(line[i])) ++i;
  if (i > start) parsed.languageId.assign(line + start, i - start);
  parsed.languageAt = start;
  return parsed;
}

const TextLayout* FindLayout(char letter) {
  for (const TextLayout& layout : kLayouts)
    if (layout.letter == letter) return &layout;
  return nullptr;
}

std::vector<std::string> SplitRows(const std::string& text) {
  std::vector<std::string> rows;
  std::size_t from = 0;
  while (rows.size() + 1 < kMaxTextRows) {
    std::size_t bar = text.find(kRowSeparator, from);
    if (bar == std::string::npos) break;
    rows.push_back(text.substr(from, bar - from));
    from = bar + 1;
  }
  rows.push_back(text.substr(from));
  return rows;
}

struct TextOutput {
  SoftkeyRecordWriter* writer = nullptr;
  bool failed = false;

  void Write(const std::uint8_t* bytes, std::size_t count) {
    if (!failed && !WriteSoftkeyRecords(*writer, bytes, count)) failed = true;
  }
  void Write(const std::vector<std::uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }
};

// The text lines of a source: empty lines and comments do not count; a
// longer line is read on as the next one.
std::vector<TextLine> ReadTextLines(File& input) {
  std::vector<TextLine> lines;
  char buffer[kTextSourceLineLimit + 1];
  unsigned physical = 0;  // the file's line a piece belongs to
  bool lineStart = true;
  while (lines.size() < kMaxTextSoftkeyLines && input.GetLine(buffer, sizeof buffer)) {
    if (lineStart) ++physical;
    const std::size_t n = std::strlen(buffer);
    lineStart = n > 0 && buffer[n - 1] == '\n';
    if (buffer[0] == '\n' || buffer[0] == ';') continue;
    lines.push_back(ParseTextLine(buffer));
    lines.back().line = physical;
  }
  return lines;
}

// Gives each line its language and moves the English text last: the control
// shows it when no test matched.  The first line whose language the control
// does not know, else lines.size().
std::size_t SetLanguages(std::vector<TextLine>& lines) {
  const int english = GetLanguageIndex(kDefaultLanguage);
  std::size_t defaultLine = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    lines[i].language =
        GetLanguageIndex(lines[i].languageId.empty() ? kDefaultLanguage : lines[i].languageId);
    if (lines[i].language == -1) return i;
    if (lines[i].language == english) defaultLine = i;
  }
  if (defaultLine + 1 < lines.size()) {
    TextLine moved = std::move(lines[defaultLine]);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(defaultLine));
    moved.language = english;
    lines.push_back(std::move(moved));
  }
  return lines.size();
}

// The records of one text's rows, each cut to what fits and centred; the
// bytes they take.
std::size_t RowRecords(RunContext& run, const TextLayout& layout, std::vector<std::string>& rows,
                       std::vector<std::vector<std::uint8_t>>& records) {
  std::size_t textBytes = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    std::string& row = rows[k];
    // The source's code page 850 becomes the softkey's Latin-1 before a cut
    // row is reported: reports carry the run's one code page.
    for (char& ch : row) ch = static_cast<char>(Cp850ToLatin1(static_cast<unsigned char>(ch)));
    const std::size_t fits = static_cast<std::size_t>(kTextSoftkeyWidth / layout.charWidth);
    if (row.size() > fits) {
      if (run.observer)
        run.observer->Found(CheckFinding(Msg::TextCut, {},
                                         DisplayPath(run.paths, run.softkey.source) + ": \"" + row + "\" keeps the " +
                                             std::to_string(fits) + " characters that fit, \"" + row.substr(0, fits) +
                                             "\""));
      row.resize(fits);
    }
    const int width = static_cast<int>(row.size()) * layout.charWidth;
    const int x = (kTextSoftkeyWidth - width) / 2 - 4;
    std::vector<std::uint8_t> record;
    AppendTextRecord(record, run.settings.controlFamilyLE, static_cast<std::uint16_t>(x),
                     static_cast<std::uint16_t>(layout.y[rows.size() - 1][k]), row, TextSizeCode(layout.size),
                     kVectorColour);
    textBytes += kTextRecordBytes + (row.size() + 1) / 2 * 2;
    records.push_back(std::move(record));
  }
  return textBytes;
}

}  // namespace

unsigned char Cp850ToLatin1(unsigned char c) { return kLatin1Map[c]; }

Msg ConvertTextSoftkey(RunContext& run, std::string_view source, char kindLetter) {
  const bool le = run.settings.controlFamilyLE;
  std::unique_ptr<File> input = run.fs.Open(source, FileMode::ReadText);
  if (!input) {
    ReportMessage(run.diag, Msg::OpenFailed, source, 0, run.fs.FailureReason());
    return Msg::OpenFailed;
  }
  std::string output(source);
  ReplaceExtension(output, kSoftkeyExtension);
  std::unique_ptr<SoftkeyRecordWriter> writer;
  // A softkey named like its own source is refused by the run's input guard.
  if (!output.empty()) writer = OpenSoftkeyRecords(run.fs, output);
  if (!writer) {
    ReportMessage(run.diag, Msg::OpenFailed, output, 0, run.fs.FailureReason());
    input->Close();
    return Msg::OpenFailed;
  }
  // A report at the source's line (from a column on, for a length: a
  // character is a byte of code page 850).
  auto fail = [&](Msg report, unsigned line, Msg result, std::string_view detail = {}, std::size_t column = 0,
                  std::size_t length = 0) {
    Diagnostic r;
    r.code = report;
    r.at = SpanOf(source, line, static_cast<unsigned>(column), static_cast<unsigned>(length));
    r.argument.assign(detail);
    Report(run.diag, std::move(r));
    CloseSoftkeyRecords(writer);
    input->Close();
    return result;
  };

  std::vector<TextLine> lines = ReadTextLines(*input);
  if (lines.empty()) return fail(Msg::ReadFailed, 1, Msg::ReadFailed, "the source holds no text");
  if (const std::size_t i = SetLanguages(lines); i < lines.size())
    return fail(Msg::ReadFailed, lines[i].line, Msg::ReadFailed,
                "\"" + lines[i].languageId + "\" from column " + std::to_string(kLanguageColumn) +
                    " on is no language the control knows",
                lines[i].languageAt + 1, lines[i].languageId.size());

  TextOutput out;
  out.writer = writer.get();
  if (lines.size() > 1) out.Write(kLanguageSelect, sizeof kLanguageSelect);

  const TextLayout* layout = FindLayout(kindLetter);
  for (std::size_t i = 0; i < lines.size() && !out.failed; ++i) {
    std::vector<std::string> rows = SplitRows(lines[i].text);
    if (!layout || layout->y[rows.size() - 1][0] == kNotAllowed) {
      // The first row beyond those the size takes, where it stands.
      std::size_t taken = 0;
      while (layout && taken < kMaxTextRows && layout->y[taken][0] != kNotAllowed) ++taken;
      std::size_t at = 0;
      for (std::size_t k = 0; k < taken; ++k) at += rows[k].size() + 1;
      return fail(Msg::TooManyRows, lines[i].line, Msg::ReadFailed,
                  std::to_string(rows.size()) + " rows (the size of this text softkey takes " +
                      std::to_string(taken) + "): \"" + rows[taken] + "\" at column " + std::to_string(at + 1) +
                      " is the first row that does not fit",
                  at + 1, rows[taken].size());
    }

    std::vector<std::vector<std::uint8_t>> records;
    const std::size_t textBytes = RowRecords(run, *layout, rows, records);

    if (i + 1 < lines.size()) {
      std::uint8_t test[kLanguageTestBytes] = {0x3A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3C, 0x02, 0x00, 0x00};
      test[kLanguageTestIndex] = static_cast<std::uint8_t>(lines[i].language & 0xFF);
      test[kLanguageTestSkip] = static_cast<std::uint8_t>((textBytes + kLanguageTestSkipExtra) & 0xFF);
      out.Write(test, sizeof test);
    }
    for (const auto& record : records) out.Write(record);
    std::vector<std::uint8_t> end;
    AppendVectorWord(end, kEndWord, le);
    out.Write(end);
  }
  if (out.failed) return fail(Msg::WriteFailed, 0, Msg::WriteFailed, DisplayPath(run.paths, output));

  CloseSoftkeyRecords(writer);
  input->Close();
  return Msg::Ok;
}

}  // namespace q32
