// A vector softkey record file as a listing, from the library's reading of it
// (raster/SoftkeyRecords.h, dxf/VectorDecoder.h): the S-records checked line
// by line, then every record in file order with its words.  Every relative
// operand (skips, language tests, block headers, calls) counts from the
// address of the operand word itself, except that a call counts without the
// 20-byte header of the block it stands in, and from 24 bytes further in the
// main code; the listing says where each one lands, and its last line
// whether every skip lands on a record, every call on a block, the blocks
// skip right after a block end and the end word at the end.  A file the
// record list cannot follow ends its listing with a line that says why.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "dxf/VectorDecoder.h"
#include "raster/SoftkeyRecords.h"
#include "support/Decoders.h"

namespace q32test {
namespace {

// The data bytes of the S3 lines; every other finding is a listing line.
// Only upper-case digits make a record.
std::string ReadRecords(const std::string& text, std::string& notes) {
  std::string data;
  long dataLines = 0, counted = -1;
  for (const q32::SoftkeyRecordLine& line : q32::ReadSoftkeyRecordFile(text).lines) {
    const long n = static_cast<long>(line.number);
    if (!line.record || line.lowerCase) {
      notes += F("line %ld: not an S-record\n", n);
      continue;
    }
    if (!line.checksumRight) notes += F("line %ld: bad checksum\n", n);
    if (counted >= 0) notes += F("line %ld: after the count line\n", n);
    if (n == 1 && line.type != '0') notes += "line 1: no header line\n";
    if (n != 1 && line.type == '0') notes += F("line %ld: a second header line\n", n);
    if (line.type == '0') continue;
    if (line.IsCountLine()) {
      counted = line.Count();
    } else if (line.IsDataLine()) {
      if (line.Address() != data.size())
        notes += F("line %ld: address 0x%lX, expected 0x%lX\n", n, static_cast<long>(line.Address()),
                        static_cast<long>(data.size()));
      data += line.Data();
      ++dataLines;
    } else {
      notes += F("line %ld: unexpected record type\n", n);
    }
  }
  if (counted < 0)
    notes += "no count line\n";
  else if (counted != dataLines % 65536)
    notes += F("count line says %ld, file has %ld data lines\n", counted, dataLines);
  return data;
}

// A record as its listing line shows it, without its offset and landing.
std::string Describe(const q32::VectorRecord& r) {
  using Kind = q32::VectorRecordKind;
  switch (r.kind) {
    case Kind::Rea: return "REA";
    case Kind::LanguageTest: return F("language test %d, skip %d", r.words[0], r.words[1]);
    case Kind::End: return "end";
    case Kind::BlockEnd: return "block end";
    case Kind::Header: return "header HV02";
    case Kind::Skip: return F("skip 0x%04X", r.words[0]);
    case Kind::BlocksSkip: return F("blocks skip 0x%04X", r.words[0]);
    case Kind::Call: return F("call 0x%04X", r.words[0]);
    case Kind::Layout: break;
  }
  // The words a layout letter lists with its number.
  static const std::map<char, const char*> kNumbers = {
      {'r', " r%ld"}, {'c', " c%ld"}, {'s', " size %ld"}, {'P', " para %ld"}, {'L', ", skip 0x%04lX"}};
  std::string out = r.layout->name;
  long x = 0;
  for (std::size_t i = 0; r.layout->words[i]; ++i) {
    const char c = r.layout->words[i];
    const long v = r.words[i], signedV = static_cast<std::int16_t>(r.words[i]);
    if (c == 'x') x = signedV;
    else if (c == 'y') out += F(" (%ld,%ld)", x, signedV);
    else if (kNumbers.count(c)) out += F(kNumbers.at(c), v);
    else if (c == 't') {
      out += " " + Quoted(r.text, r.text.size(), false);
    } else if (q32::VectorFixedWord(c) != v) {
      out += F(" [word 0x%04lX]", v);
    }
  }
  return out;
}

}  // namespace

std::string DecodeVectorSoftkey(const std::string& bytes) {
  std::string out;
  const std::string d = ReadRecords(bytes, out);
  const long size = static_cast<long>(d.size());
  const q32::VectorRecordList list = q32::ListVectorRecords(d);
  out += std::string(list.littleEndian ? "little-endian" : "big-endian") + F(", %ld data bytes\n", size);
  std::vector<std::string> texts;
  for (const q32::VectorRecord& r : list.records) texts.push_back(Describe(r));
  long faults = 0;
  for (std::size_t i = 0; i < list.records.size(); ++i) {
    const q32::VectorRecord& r = list.records[i];
    if (r.block) out += F("block %d:\n", r.block);
    if (r.entities) out += "entities:\n", faults += i < 2 || texts[i - 1].find("block") == std::string::npos;
    faults += !q32::LandsRight(r);
    out += F("0x%04lX ", static_cast<long>(r.at)) + texts[i];
    if (r.target >= 0) {
      out += F(" -> 0x%04lX: lands ", r.target);
      switch (r.landing) {
        case q32::VectorLanding::OnBlock: out += F("on block %d", r.targetBlock); break;
        case q32::VectorLanding::OnRecord:
          out += r.kind == q32::VectorRecordKind::Call ? "on a record, not on a block" : "on a record";
          break;
        case q32::VectorLanding::AtEnd: out += "at the end of the data"; break;
        case q32::VectorLanding::Outside: out += "outside the data"; break;
        case q32::VectorLanding::InsideRecord: out += "inside a record"; break;
        case q32::VectorLanding::None: break;
      }
    }
    out += "\n";
  }
  const long last = static_cast<long>(list.stopAt);
  if (list.stop != q32::VectorListStop::None) {
    out += F("0x%04lX walk stops: ", last);
    if (list.stop == q32::VectorListStop::ByteLeftOver) out += "a byte left over\n";
    else if (list.stop == q32::VectorListStop::CutOff) out += "record cut off\n";
    else out += F("unknown record 0x%04X\n", list.stopOpcode);
    ++faults;
  } else if (!list.records.empty() && list.records.back().kind == q32::VectorRecordKind::End) {
    out += "ends with the end word\n";
  } else {
    out += "does not end with the end word\n", ++faults;
  }
  return out + (faults ? F("walk faulty: %ld faults\n", faults) : "walk clean\n");
}

}  // namespace q32test
