#include "raster/SoftkeyRecords.h"

#include <cstdio>
#include <new>

#include "platform/FileSystem.h"

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

int WriteSoftkeyRecords(SoftkeyRecordWriter& writer, const std::uint8_t* bytes, std::size_t count) {
  if (!writer.stream || writer.headerFailed) return 1;
  std::size_t remaining = count;
  const std::uint8_t* p = bytes;
  do {
    std::size_t n = remaining > kMaxRecordDataBytes ? kMaxRecordDataBytes : remaining;
    remaining -= n;
    // One record line is formatted whole and written at once.
    unsigned length = static_cast<unsigned>(n) + 5;
    char line[kRecordLineBytes];
    int at = std::snprintf(line, sizeof line, "S3%02X%08X", length, static_cast<unsigned>(writer.address));
    unsigned sum = length + AddressSum(writer.address);
    for (std::size_t i = 0; i < n; ++i) {
      at += std::snprintf(line + at, sizeof line - static_cast<std::size_t>(at), "%02X",
                          static_cast<unsigned>(p[i]));
      sum += p[i];
    }
    at += std::snprintf(line + at, sizeof line - static_cast<std::size_t>(at), "%02X\n",
                        static_cast<unsigned>(Checksum(sum)));
    if (!writer.stream->Write(line, static_cast<std::size_t>(at))) return 1;
    ++writer.recordCount;
    writer.address += static_cast<std::uint32_t>(n);
    p += n;
  } while (remaining != 0);
  return 0;
}

void CloseSoftkeyRecords(std::unique_ptr<SoftkeyRecordWriter>& writer) {
  if (!writer) return;
  if (writer->stream) {
    unsigned c = writer->recordCount;
    writer->stream->Printf("S503%04X%02X\n", c, static_cast<unsigned>(Checksum((c >> 8) + (c & 0xFFu) + 3)));
    writer->stream->Close();
  }
  writer.reset();
}

}  // namespace q32
