// Helpers of the vector and text softkey tests: expected words and records,
// expected record files built from the bytes of each write call, drawings
// written as group pairs, a run context whose log can be read back, one
// conversion of a source, and a run whose n-th softkey write fails.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "platform/LanguageLibrary.h"
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

// Expected records in the control's byte order.
struct PicWords {
  bool le = false;
  Bytes W(std::initializer_list<std::uint16_t> w) const { return Words(w, le); }
  Bytes Header() const { return Cat({W({0x3C00, 6}), Chars("HV02")}); }
  Bytes Lin(std::uint16_t x1, std::uint16_t y1, std::uint16_t x2, std::uint16_t y2) const {
    return W({0x1200, x1, y1, x2, y2, 0, 9});
  }
  // A para line is written twice: once to draw, once to erase.
  Bytes ParaLin(std::uint16_t x1, std::uint16_t y1, std::uint16_t x2, std::uint16_t y2) const {
    Bytes once = W({0x1240, 0x0400, x1, y1, x2, y2, 0, 1});
    return Cat({once, once});
  }
  Bytes Prefix(std::uint16_t para) const { return W({0x3100, 1, 0x000A, 0x3A00, 0, para, 0x3C02, 8, 0x3100, 1, 9}); }
  Bytes TextPrefix(std::uint16_t para) const {
    return W({0x3100, 1, 9, 0x3100, 1, 9, 0x3A00, 0, para, 0x3C02, 0x000C, 0x0800, 9, 0x3100, 1, 0x000A});
  }
  Bytes Cir(std::uint16_t x, std::uint16_t y, std::uint16_t r) const { return W({0x1A00, x, y, r, 0, 9}); }
  Bytes ArcR(std::uint16_t sx, std::uint16_t sy, std::uint16_t ex, std::uint16_t ey, std::uint16_t cx,
             std::uint16_t cy) const {
    return W({0x1C00, sx, sy, ex, ey, cx, cy, 0, 0, 9});
  }
  Bytes Fill(std::uint16_t x, std::uint16_t y) const { return W({0x2200, x, y, 0xFFFF, 9}); }
  Bytes Pt(std::uint16_t x, std::uint16_t y) const { return W({0x1000, x, y, 9}); }
  Bytes BlockHeader(std::uint16_t directLength) const {
    return W({0x3A00, 0, 0, 0x3C04, 0x000C, 0x3300, 0, 0x8000, 0x3C02, static_cast<std::uint16_t>(directLength + 2)});
  }
  Bytes Txt(std::uint16_t x, std::uint16_t y, const std::string& text, std::uint16_t code) const {
    Bytes chars = Chars(text);
    if (chars.size() % 2) chars.push_back(0);
    return Cat({W({0x2A00, x, y, static_cast<std::uint16_t>(text.size())}), chars, W({code, 9})});
  }
  Bytes End() const { return W({0xFFFF}); }
};

// The fixed records of text softkeys in several languages, the same in both
// byte orders: REA, and the language test that skips one line's records.
inline const Bytes kReaRecord = {0x38, 0x00, 0x00, 0x00};
inline Bytes LanguageTestRecord(const char* id, unsigned textBytes) {
  return {0x3A, 0x00, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(q32::GetLanguageIndex(id)),
          0x3C, 0x02, 0x00, static_cast<std::uint8_t>(textBytes + 4)};
}

// One conversion of a source file named `name` by convert(run, path).
struct Converted {
  int result = -1;
  std::string pic;  // the softkey file, or empty when there is none
  bool picExists = false;
  int errors = 0;
  std::string log;
};

template <typename Convert>
Converted ConvertSource(const std::string& name, const std::string& source, bool le, Convert convert) {
  TestRun t(le);
  WriteFile(t.dir / name, source);
  Converted c;
  c.result = convert(*t.run, t.dir / name);
  const std::string pic = t.dir / (name.substr(0, name.rfind('.')) + ".PIC");
  c.picExists = FileExistsOnDisk(pic);
  if (c.picExists) c.pic = ReadFile(pic);
  c.errors = t.Errors();
  c.log = t.Log();
  return c;
}

// A run whose n-th write into a softkey file fails; reports go to its own log.
struct FailingWriteRun {
  TestRun t;
  q32::FaultyFileSystem faulty{*t.fs};
  q32::RunContext run{faulty};
  long writes = 0;
  std::string logPath = t.dir / "failing.log";

  explicit FailingWriteRun(long failing) {
    faulty.rule = [this, failing](q32::FileOp op, const std::string& path) {
      return op == q32::FileOp::Write && path.find(".PIC") != std::string::npos && ++writes == failing;
    };
    run.diag.errorCount = &run.settings.errorCount;
    run.diag.console = nullptr;
    run.diag.log = t.fs->Open(logPath, q32::FileMode::WriteText);
  }
  std::string Log() {
    run.diag.log->Close();
    run.diag.log.reset();
    return ReadFile(logPath);
  }
};

// Converts the source `name` with the 1st, 2nd, ... write into its softkey
// file failing, until a run writes everything; check(run, result, failing)
// judges every run that met its failing write.  Returns the last run's
// softkey file, or "<never done>" when every run failed.
template <typename Convert, typename Check>
std::string EachFailingWrite(const std::string& name, const std::string& source, Convert convert, Check check) {
  for (long failing = 1; failing < 400; ++failing) {
    FailingWriteRun f(failing);
    WriteFile(f.t.dir / name, source);
    int result = convert(f.run, f.t.dir / name);
    if (f.writes < failing) return ReadFile(f.t.dir / (name.substr(0, name.rfind('.')) + ".PIC"));
    check(f, result, failing);
  }
  return "<never done>";
}

}  // namespace q32test
