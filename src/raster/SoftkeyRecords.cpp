#include "raster/SoftkeyRecords.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>

#include "platform/FileSystem.h"
#include "text/Bytes.h"
#include "text/Format.h"

namespace q32 {
namespace {

// The S-record checksum: the ones' complement of the low byte of the sum of
// every byte the line encodes after its type.
std::uint8_t Checksum(unsigned sum) { return static_cast<std::uint8_t>(255u - (sum & 0xFFu)); }

unsigned AddressSum(std::uint32_t address) {
  return (address >> 24 & 0xFFu) + (address >> 16 & 0xFFu) + (address >> 8 & 0xFFu) + (address & 0xFFu);
}

// "S3", count, address, the data bytes and the checksum in hexadecimal, the
// line feed and the terminator.
constexpr std::size_t kRecordLineBytes = 2 + 2 + 8 + 2 * kMaxRecordDataBytes + 2 + 1 + 1;

// Upper-case hexadecimal by hand: a softkey is hundreds of record lines, and
// formatting them through printf cost more than all the file I/O of a run.
char* PutHex(char* at, std::uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int d = digits - 1; d >= 0; --d) at[d] = kDigits[value & 0xFu], value >>= 4;
  return at + digits;
}

// The value of each character as a hexadecimal digit, -1 for none; a
// preview reads the digits of thousands of softkeys.
constexpr std::array<signed char, 256> kHexDigits = [] {
  std::array<signed char, 256> t{};
  t.fill(-1);
  for (int c = '0'; c <= '9'; ++c) t[static_cast<std::size_t>(c)] = static_cast<signed char>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) t[static_cast<std::size_t>(c)] = static_cast<signed char>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) t[static_cast<std::size_t>(c)] = static_cast<signed char>(c - 'a' + 10);
  return t;
}();

int HexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)]; }

// The digits of a record line after "S" and its type, into line.bytes.
void DecodeRecord(SoftkeyRecordLine& line) {
  const std::string& t = line.text;
  if (t.size() < 4 || t[0] != 'S' || t.size() % 2 != 0) return;
  std::string& bytes = line.bytes;
  bytes.resize((t.size() - 2) / 2);
  unsigned sum = 0;
  bool lowerCase = false;
  for (std::size_t i = 2; i < t.size(); i += 2) {
    const int high = HexDigit(t[i]), low = HexDigit(t[i + 1]);
    if ((high | low) < 0) return bytes.clear();
    lowerCase = lowerCase || t[i] >= 'a' || t[i + 1] >= 'a';
    bytes[i / 2 - 1] = static_cast<char>(high * 16 + low);
    sum += static_cast<unsigned>(high * 16 + low);
  }
  if (static_cast<unsigned char>(bytes[0]) + 1u != bytes.size()) return bytes.clear();
  line.record = true;
  line.lowerCase = lowerCase;
  line.type = t[1];
  line.checksumRight = sum % 256 == 255;
}

void Mark(SoftkeyRecordLine& line, SoftkeyRecordFault fault) { line.faults |= 1u << static_cast<unsigned>(fault); }

}  // namespace

std::uint32_t SoftkeyRecordLine::Address() const { return ReadBe32(bytes, 1); }
std::string_view SoftkeyRecordLine::Data() const { return std::string_view(bytes).substr(5, bytes.size() - 6); }
std::uint16_t SoftkeyRecordLine::Count() const { return ReadBe16(bytes, 1); }

namespace {

// A line that keeps the file's data from being read whole.
bool SpoilsData(const SoftkeyRecordLine& line) {
  if (line.text.empty()) return false;
  if (line.Has(SoftkeyRecordFault::NotARecord) || line.Has(SoftkeyRecordFault::WrongChecksum)) return true;
  return line.type == '3' && (line.Has(SoftkeyRecordFault::CutShort) || line.Has(SoftkeyRecordFault::AddressGap));
}

// Reads every line; keeps them in file.lines when asked to.  The line read
// is one object whose strings keep their room from line to line: a softkey
// is a hundred lines, and the preview reads thousands of softkeys.
// Returns whether the data is whole.
bool ReadRecords(std::string_view text, SoftkeyRecordFile& file, bool keepLines) {
  if (keepLines) file.lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  file.data.reserve(text.size() / 2);
  std::size_t dataLines = 0, number = 0;
  bool whole = true;
  SoftkeyRecordLine line;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    line.number = ++number;
    line.text.assign(text.substr(at, end - at));
    line.lineFeed = end < text.size();
    line.carriageReturn = false;
    line.record = line.lowerCase = line.checksumRight = false;
    line.type = 0;
    line.bytes.clear();
    line.faults = 0;
    at = end + 1;
    if (!line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.carriageReturn = true;
    }
    line.dataAt = file.data.size();
    DecodeRecord(line);
    if (!line.lineFeed || !line.carriageReturn) Mark(line, SoftkeyRecordFault::NoCrLf);
    if (!line.record) Mark(line, SoftkeyRecordFault::NotARecord);
    if (line.lowerCase) Mark(line, SoftkeyRecordFault::LowerCase);
    if (line.record && !line.checksumRight) Mark(line, SoftkeyRecordFault::WrongChecksum);
    if (file.counted) Mark(line, SoftkeyRecordFault::AfterCountLine);
    if (line.number == 1 && line.type != '0') Mark(line, SoftkeyRecordFault::NoHeader);
    if (line.record) {
      if (line.type == '0') {
        if (line.number != 1) Mark(line, SoftkeyRecordFault::SecondHeader);
      } else if (line.type == '3') {
        if (!line.IsDataLine()) {
          Mark(line, SoftkeyRecordFault::CutShort);
        } else {
          if (line.Address() != file.data.size()) Mark(line, SoftkeyRecordFault::AddressGap);
          file.data += line.Data();
          ++dataLines;
        }
      } else if (line.type == '5') {
        if (!line.IsCountLine()) {
          Mark(line, SoftkeyRecordFault::CutShort);
        } else {
          if (line.Count() != dataLines % 65536) Mark(line, SoftkeyRecordFault::WrongCount);
          file.counted = true;
        }
      } else {
        Mark(line, SoftkeyRecordFault::UnexpectedType);
      }
    }
    if (SpoilsData(line)) whole = false;
    if (keepLines) file.lines.push_back(line);
  }
  return whole;
}

}  // namespace

SoftkeyRecordFile ReadSoftkeyRecordFile(std::string_view text) {
  SoftkeyRecordFile file;
  ReadRecords(text, file, /*keepLines=*/true);
  return file;
}

bool ReadWholeSoftkeyData(std::string_view text, std::string& data) {
  SoftkeyRecordFile file;
  const bool whole = ReadRecords(text, file, /*keepLines=*/false);
  data = std::move(file.data);
  return whole;
}

bool CarriesWholeData(const SoftkeyRecordFile& file) {
  return std::none_of(file.lines.begin(), file.lines.end(), SpoilsData);
}

std::unique_ptr<SoftkeyRecordWriter> OpenSoftkeyRecords(FileSystem& fs, std::string_view path) {
  std::unique_ptr<SoftkeyRecordWriter> writer(new (std::nothrow) SoftkeyRecordWriter);
  if (!writer) return nullptr;
  writer->stream = fs.Open(path, FileMode::WriteText);
  if (!writer->stream) return nullptr;
  // The header never changes: count 05, address 0.
  char header[32];
  std::snprintf(header, sizeof header, "S005%08X%02X\n", 0u, Checksum(5));
  // A header that cannot be written makes the file unusable; the first data
  // write then fails so that the converter reports it.
  writer->headerFailed = !writer->stream->WriteText(header);
  return writer;
}

bool WriteSoftkeyRecords(SoftkeyRecordWriter& writer, const std::uint8_t* bytes, std::size_t count) {
  if (!writer.stream || writer.headerFailed) return false;
  std::size_t remaining = count;
  const std::uint8_t* p = bytes;
  do {
    std::size_t n = remaining > kMaxRecordDataBytes ? kMaxRecordDataBytes : remaining;
    remaining -= n;
    // One record line is formatted whole and written at once.
    unsigned length = static_cast<unsigned>(n) + 5;
    char line[kRecordLineBytes];
    char* at = line;
    *at++ = 'S';
    *at++ = '3';
    at = PutHex(at, length, 2);
    at = PutHex(at, writer.address, 8);
    unsigned sum = length + AddressSum(writer.address);
    for (std::size_t i = 0; i < n; ++i) {
      at = PutHex(at, p[i], 2);
      sum += p[i];
    }
    at = PutHex(at, Checksum(sum), 2);
    *at++ = '\n';
    if (!writer.stream->Write(line, static_cast<std::size_t>(at - line))) return false;
    ++writer.recordCount;
    writer.address += static_cast<std::uint32_t>(n);
    p += n;
  } while (remaining != 0);
  return true;
}

void CloseSoftkeyRecords(std::unique_ptr<SoftkeyRecordWriter>& writer) {
  if (!writer) return;
  if (writer->stream) {
    unsigned c = writer->recordCount;
    const unsigned sum = Checksum((c >> 8) + (c & 0xFFu) + 3);
    (void)writer->stream->WriteText(Format("S503%04X%02X\n", c, sum));
    writer->stream->Close();
  }
  writer.reset();
}

}  // namespace q32
