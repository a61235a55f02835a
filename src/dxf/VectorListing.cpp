// The listing of a vector softkey record file for the preview's details
// view: what is wrong with the record lines, then every record in file
// order with its words and where each relative operand lands.  Every
// relative operand (skips, language tests, block headers, calls) counts
// from the address of the operand word itself, except that a call counts
// without the 20-byte header of the block it stands in, and from 24 bytes
// further in the main code.  The last line says whether every skip lands on
// a record, every call on a block, the blocks skip right after a block end
// and the end word at the end.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "dxf/VectorDecoder.h"
#include "raster/SoftkeyRecords.h"
#include "text/Format.h"

namespace q32 {
namespace {

// A record as its listing line shows it, without its offset and landing.
std::string Describe(const VectorRecord& r) {
  using Kind = VectorRecordKind;
  switch (r.kind) {
    case Kind::Rea: return "REA";
    case Kind::LanguageTest: return Format("language test %d, skip %d", r.words[0], r.words[1]);
    case Kind::End: return "end";
    case Kind::BlockEnd: return "block end";
    case Kind::Header: return "header HV02";
    case Kind::Skip: return Format("skip 0x%04X", r.words[0]);
    case Kind::BlocksSkip: return Format("blocks skip 0x%04X", r.words[0]);
    case Kind::Call: return Format("call 0x%04X", r.words[0]);
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
    else if (c == 'y') AppendFormat(out, " (%ld,%ld)", x, signedV);
    else if (kNumbers.count(c)) AppendFormat(out, kNumbers.at(c), v);
    else if (c == 't') out += " " + Quoted(r.text, r.text.size(), false);
    else if (VectorFixedWord(c) != v) AppendFormat(out, " [word 0x%04lX]", v);
  }
  return out;
}

}  // namespace

std::string VectorListing(std::string_view text) {
  const SoftkeyRecordFile file = ReadSoftkeyRecordFile(text);
  std::string out = RecordFaultLines(file);
  const std::string& d = file.data;
  const VectorRecordList list = ListVectorRecords(d);
  out += std::string(list.littleEndian ? "little-endian" : "big-endian") +
         Format(", %ld data bytes\n", static_cast<long>(d.size()));
  std::vector<std::string> texts;
  for (const VectorRecord& r : list.records) texts.push_back(Describe(r));
  long faults = 0;
  for (std::size_t i = 0; i < list.records.size(); ++i) {
    const VectorRecord& r = list.records[i];
    if (r.block) AppendFormat(out, "block %d:\n", r.block);
    if (r.entities) out += "entities:\n", faults += i < 2 || texts[i - 1].find("block") == std::string::npos;
    faults += !LandsRight(r);
    out += Format("0x%04lX ", static_cast<long>(r.at)) + texts[i];
    if (r.target >= 0) {
      AppendFormat(out, " -> 0x%04lX: lands ", static_cast<long>(r.target));
      switch (r.landing) {
        case VectorLanding::OnBlock: AppendFormat(out, "on block %d", r.targetBlock); break;
        case VectorLanding::OnRecord:
          out += r.kind == VectorRecordKind::Call ? "on a record, not on a block" : "on a record";
          break;
        case VectorLanding::AtEnd: out += "at the end of the data"; break;
        case VectorLanding::Outside: out += "outside the data"; break;
        case VectorLanding::InsideRecord: out += "inside a record"; break;
        case VectorLanding::None: break;
      }
    }
    out += "\n";
  }
  const long last = static_cast<long>(list.stopAt);
  if (list.stop != VectorListStop::None) {
    AppendFormat(out, "0x%04lX walk stops: ", last);
    if (list.stop == VectorListStop::ByteLeftOver) out += "a byte left over\n";
    else if (list.stop == VectorListStop::CutOff) out += "record cut off\n";
    else AppendFormat(out, "unknown record 0x%04X\n", list.stopOpcode);
    ++faults;
  } else if (!list.records.empty() && list.records.back().kind == VectorRecordKind::End) {
    out += "ends with the end word\n";
  } else {
    out += "does not end with the end word\n", ++faults;
  }
  return out + (faults ? Format("walk faulty: %ld faults\n", faults) : "walk clean\n");
}

}  // namespace q32
