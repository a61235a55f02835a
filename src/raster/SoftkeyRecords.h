// The softkey record file: a softkey's data bytes as hexadecimal S-records
// (an S0 header, S3 data lines numbered from address 0, an S5 count line),
// the file format in which the control takes raster, vector and text
// softkeys.  This writer is the only place that writes such lines; the
// reader below gives back the data bytes and what is wrong with each line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace q32 {

class File;
class FileSystem;

// A data line carries at most this many bytes.
constexpr std::size_t kMaxRecordDataBytes = 30;

struct SoftkeyRecordWriter {
  std::unique_ptr<File> stream;   // the record file, written as text (CR LF)
  std::uint32_t address = 0;      // offset of the next byte in the softkey data
  std::uint16_t recordCount = 0;  // S3 lines written so far, modulo 65536
  bool headerFailed = false;      // the S0 line could not be written
};

// Creates (or truncates) the record file and writes its header line.  Null
// when the file cannot be created; the converters report that as 8220.
std::unique_ptr<SoftkeyRecordWriter> OpenSoftkeyRecords(FileSystem& fs, std::string_view path);

// Appends the bytes as data lines of at most 30 bytes, starting a new line
// for every call (a call with no bytes still writes one empty line).  False
// as soon as a write fails (the converters then report 8223).
[[nodiscard]] bool WriteSoftkeyRecords(SoftkeyRecordWriter& writer, const std::uint8_t* bytes, std::size_t count);

// Writes the count line, closes the file and frees the writer.  Does nothing
// for a null writer; failures here are not reported.
void CloseSoftkeyRecords(std::unique_ptr<SoftkeyRecordWriter>& writer);

// What can be wrong with a line of a record file, as the writer never
// writes it.
enum class SoftkeyRecordFault {
  NoCrLf,           // the line does not end in CR LF
  NotARecord,       // not "S", a type and pairs of hexadecimal digits whose first counts the rest
  LowerCase,        // hexadecimal digits in lower case
  WrongChecksum,
  NoHeader,         // the first line is not an S0 header
  SecondHeader,     // an S0 line after the first line
  AfterCountLine,   // a line after the S5 count line
  AddressGap,       // a data line whose address is not where the data so far ends
  CutShort,         // an S3 line without its whole address, an S5 line without its 2 count bytes
  WrongCount,       // a count line that does not count the data lines before it (modulo 65536)
  UnexpectedType,   // a record other than S0, S3 and S5
};

struct SoftkeyRecordLine {
  std::size_t number = 0;       // counted from 1
  std::string text;             // without its line feed and a CR before it
  bool lineFeed = false;        // a line feed ends it (the file's last line may have none)
  bool carriageReturn = false;  // a CR ends its text
  bool record = false;          // "S", a type and pairs of hexadecimal digits whose first counts the rest
  bool lowerCase = false;       // some of those digits are lower-case letters
  char type = 0;                // the character after "S" of a record
  std::string bytes;            // what a record's digits encode: count, address or count field, data, checksum
  bool checksumRight = false;
  std::size_t dataAt = 0;       // where the file's data bytes stood when the line began
  unsigned faults = 0;

  bool Has(SoftkeyRecordFault fault) const { return (faults >> static_cast<unsigned>(fault) & 1u) != 0; }
  // An S3 line with its whole address, and an S5 line with its count.
  bool IsDataLine() const { return record && type == '3' && bytes.size() >= 6; }
  bool IsCountLine() const { return record && type == '5' && bytes.size() == 4; }
  std::uint32_t Address() const;    // of a data line
  std::string_view Data() const;    // of a data line
  std::uint16_t Count() const;      // of a count line
};

struct SoftkeyRecordFile {
  std::vector<SoftkeyRecordLine> lines;  // every line, an empty one too
  std::string data;        // the bytes of every data line in file order, whatever is wrong with them
  bool counted = false;    // the file has a count line
};

// Reads the lines of a record file (text as the control receives it, each
// line ended by CR LF); whatever the text, every line is read.
[[nodiscard]] SoftkeyRecordFile ReadSoftkeyRecordFile(std::string_view text);
// The data bytes of a record file without keeping its lines; false when
// the file does not carry its data whole (as CarriesWholeData tells).
[[nodiscard]] bool ReadWholeSoftkeyData(std::string_view text, std::string& data);

// Whether the file carries its data whole as the control loads it: every line
// but an empty one is a record with a right checksum, and the data lines
// follow each other from address 0.  The header, the count line and the line
// ends do not matter for that.
[[nodiscard]] bool CarriesWholeData(const SoftkeyRecordFile& file);

// What is wrong with each line ("line N: ..."), and a missing count line,
// one listing line each.
[[nodiscard]] std::string RecordFaultLines(const SoftkeyRecordFile& file);

}  // namespace q32
