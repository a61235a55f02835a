#include "raster/SoftkeyRecords.h"

#include <cstdio>
#include <new>

#include "platform/FileSystem.h"
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

}  // namespace

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
