// Helpers of the vector softkey tests: expected words, expected record files
// built from the bytes of each write call, drawings written as group pairs,
// and a run context whose log can be read back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "project/RunContext.h"
#include "support/TestSupport.h"

namespace q32test {

using Bytes = std::vector<std::uint8_t>;

// 16-bit words as the control reads them: big-endian, or little-endian for
// the little-endian control family.
inline Bytes Words(std::initializer_list<std::uint16_t> words, bool le = false) {
  Bytes out;
  for (std::uint16_t w : words) {
    std::uint8_t hi = static_cast<std::uint8_t>(w >> 8), lo = static_cast<std::uint8_t>(w & 0xFF);
    if (le) {
      out.push_back(lo);
      out.push_back(hi);
    } else {
      out.push_back(hi);
      out.push_back(lo);
    }
  }
  return out;
}

inline Bytes Chars(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

inline std::string Hex2(unsigned v) {
  static const char* digits = "0123456789ABCDEF";
  return {digits[(v >> 4) & 15], digits[v & 15]};
}

// The record file that the writer produces from these write calls: each
// call starts a new line, lines hold at most 30 bytes, addresses run on.
inline std::string RecordFile(const std::vector<Bytes>& calls) {
  std::string text = "S00500000000FA\r\n";
  std::uint32_t address = 0;
  unsigned count = 0;
  for (const Bytes& call : calls) {
    std::size_t at = 0;
    do {
      std::size_t n = std::min<std::size_t>(30, call.size() - at);
      unsigned sum = static_cast<unsigned>(n + 5);
      text += "S3" + Hex2(static_cast<unsigned>(n + 5));
      for (int shift = 24; shift >= 0; shift -= 8) {
        unsigned b = (address >> shift) & 0xFF;
        sum += b;
        text += Hex2(b);
      }
      for (std::size_t i = 0; i < n; ++i) {
        sum += call[at + i];
        text += Hex2(call[at + i]);
      }
      text += Hex2(255 - (sum & 0xFF)) + "\r\n";
      address += static_cast<std::uint32_t>(n);
      at += n;
      ++count;
    } while (at < call.size());
  }
  unsigned sum = ((count >> 8) & 0xFF) + (count & 0xFF) + 3;
  text += "S503" + Hex2(count >> 8) + Hex2(count & 0xFF) + Hex2(255 - (sum & 0xFF)) + "\r\n";
  return text;
}

// A drawing from group pairs, written as a DXF writer does it: group codes
// right-aligned in three columns.
inline std::string Pairs(const std::vector<std::pair<int, std::string>>& pairs) {
  std::string text;
  for (const auto& [code, value] : pairs) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%3d\n", code);
    text += buffer;
    text += value + "\n";
  }
  return text;
}

// A run on the host file system that logs into a file of its own and counts
// its reports; the console stays quiet unless a test asks for it.
struct TestRun {
  TempDir dir;
  std::unique_ptr<q32::FileSystem> fs = q32::MakeHostFileSystem();
  std::unique_ptr<q32::RunContext> run = std::make_unique<q32::RunContext>(*fs);
  std::string logPath = dir / "run.log";

  explicit TestRun(bool littleEndian = false) {
    run->settings.controlFamilyLE = littleEndian;
    run->diag.errorCount = &run->settings.errorCount;
    run->diag.warningCount = &run->settings.warningCount;
    run->diag.console = nullptr;
    run->diag.log = fs->Open(logPath, q32::FileMode::WriteText);
  }
  // Closes the log and returns it.
  std::string Log() {
    if (run->diag.log) run->diag.log->Close();
    run->diag.log.reset();
    return ReadFile(logPath);
  }
  int Errors() const { return run->settings.errorCount; }
};

}  // namespace q32test
