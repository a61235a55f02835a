// The softkey record file: a softkey's data bytes as hexadecimal S-records
// (an S0 header, S3 data lines numbered from address 0, an S5 count line),
// the file format in which the control takes raster, vector and text
// softkeys.  This writer is the only place that writes such lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

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

}  // namespace q32
