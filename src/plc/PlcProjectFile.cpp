#include "plc/PlcProjectFile.h"

#include "text/Ascii.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>

#include "diag/MessageCodes.h"
#include "platform/FileSystem.h"
#include "text/Bytes.h"

namespace q32 {
namespace {

// A zero-terminated name inside a record, never longer than the room it has.
std::string RecordText(const unsigned char* p, std::size_t room) {
  const void* zero = std::memchr(p, 0, room);
  std::size_t n = zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - p) : room;
  return std::string(reinterpret_cast<const char*>(p), n);
}

// Reads whole records; after a failed seek every read fails, so a section
// that lies past the end of the file reads as an empty one.
struct RecordReader {
  File& file;
  bool broken = false;

  void SeekTo(std::uint32_t offset) { broken = !file.Seek(static_cast<std::int64_t>(offset)); }
  bool Read(unsigned char* record, std::size_t size) {
    if (broken) return false;
    if (file.Read(record, size) == size) return true;
    broken = true;
    return false;
  }
};

Msg ReadModules(RecordReader& in, std::uint32_t offset, std::uint32_t size, std::int64_t fileSize,
                PlcSymbolTables& tables) {
  std::uint32_t announced = size / kPlcModuleRecordSize;
  // The size field is not trusted for the allocation: no more records than
  // the file can hold are reserved; the rest grows only as records arrive.
  std::uint64_t room = fileSize > 0 ? static_cast<std::uint64_t>(fileSize) / kPlcModuleRecordSize : 0;
  tables.modules.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(announced, room)));
  if (announced == 0) return Msg::Ok;
  in.SeekTo(offset);
  unsigned char record[kPlcModuleRecordSize];
  for (std::uint32_t i = 0; i < announced; ++i) {
    if (!in.Read(record, sizeof record)) return Msg::ModulesShort;
    PlcModule module;
    module.number = static_cast<std::int16_t>(ReadLe16(record + kPlcModuleNumberAt));
    module.name = RecordText(record + kPlcModuleNameAt, kPlcModuleRecordSize - kPlcModuleNameAt);
    tables.modules.push_back(std::move(module));
  }
  return Msg::Ok;
}

void ReadStructures(RecordReader& in, std::uint32_t offset, PlcSymbolTables& tables) {
  in.SeekTo(offset);
  unsigned char record[kPlcStructureRecordSize];
  // Any read that fails ends the section: a file may simply end after it.
  while (in.Read(record, kPlcStructureRecordSize)) {
    PlcStructure structure;
    structure.name = RecordText(record, kPlcMaxNameLength);
    if (structure.name == kPlcEndName) return;
    structure.size = ReadLe32(record + kPlcStructureSizeAt);
    tables.structures.push_back(std::move(structure));
    PlcStructure& owner = tables.structures.back();
    for (;;) {
      if (!in.Read(record, kPlcMemberRecordSize)) return;
      PlcMember member;
      member.name = RecordText(record, kPlcMaxNameLength);
      if (member.name == kPlcEndName) break;
      member.type = record[kPlcMemberTypeAt];
      member.offset = ReadLe32(record + kPlcMemberOffsetAt);
      member.count = ReadLe32(record + kPlcMemberCountAt);
      owner.members.push_back(std::move(member));
    }
  }
}

using StructureIndex = std::unordered_map<std::string, std::size_t>;

// The first structure of each name, as a walk through the list finds it.
StructureIndex IndexStructures(const PlcSymbolTables& tables) {
  StructureIndex index;
  for (std::size_t i = 0; i < tables.structures.size(); ++i) index.emplace(tables.structures[i].name, i);
  return index;
}

// One symbol list up to its end record or the end of the file.  Structure
// names are resolved through a map built once, so long lists stay linear.
void ReadSymbolList(RecordReader& in, const StructureIndex& structures, std::vector<PlcSymbol>& list,
                    std::int64_t fileSize) {
  // Room for as many records as the rest of the file can hold, no more.
  std::int64_t here = in.broken ? -1 : in.file.Tell();
  if (fileSize > 0 && here >= 0 && here < fileSize)
    list.reserve(static_cast<std::size_t>(static_cast<std::uint64_t>(fileSize - here) / kPlcSymbolRecordSize));
  unsigned char record[kPlcSymbolRecordSize];
  unsigned char typeName[kPlcStructureNameRecordSize];
  while (in.Read(record, kPlcSymbolRecordSize)) {
    PlcSymbol symbol;
    symbol.name = RecordText(record + kPlcSymbolNameAt, kPlcMaxNameLength);
    if (symbol.name == kPlcEndName) return;
    symbol.module = static_cast<std::int32_t>(ReadLe32(record + kPlcSymbolModuleAt));
    symbol.type = record[kPlcSymbolTypeAt];
    symbol.value = ReadLe32(record + kPlcSymbolValueAt);
    symbol.count = ReadLe32(record + kPlcSymbolCountAt);
    symbol.local = (ReadLe32(record + kPlcSymbolFlagsAt) & kPlcLocalFlag) != 0;
    if (symbol.type == 'S')
      symbol.text = RecordText(record + kPlcSymbolTextAt, kPlcSymbolRecordSize - kPlcSymbolTextAt);
    bool more = true;
    if (ReadLe32(record + kPlcSymbolStructureAt) != 0) {
      if (in.Read(typeName, sizeof typeName)) {
        auto found = structures.find(RecordText(typeName, kPlcMaxNameLength));
        if (found != structures.end()) symbol.structure = found->second;
      } else {
        more = false;  // the file ends inside the symbol: keep what it said
      }
    }
    list.push_back(std::move(symbol));
    if (!more) return;
  }
}


Msg ReadSections(File& file, PlcSymbolTables& tables) {
  unsigned char header[kPlcHeaderSize];
  if (file.Read(header, kPlcMagicSize) != kPlcMagicSize ||
      std::memcmp(header, kPlcMagic, kPlcMagicSize) != 0)
    return Msg::PlcFormatError;
  std::size_t rest = kPlcHeaderSize - kPlcMagicSize;
  if (file.Read(header + kPlcMagicSize, rest) != rest) return Msg::PlcFormatError;
  std::uint32_t moduleOffset = ReadBe32(header + kPlcHeaderModuleOffset);
  std::uint32_t moduleSize = ReadBe32(header + kPlcHeaderModuleSize);
  std::uint32_t symbolOffset = ReadBe32(header + kPlcHeaderSymbolOffset);
  std::uint32_t structureOffset = ReadBe32(header + kPlcHeaderStructureOffset);
  std::int64_t fileSize = file.Size();

  RecordReader in{file};
  if (const Msg code = ReadModules(in, moduleOffset, moduleSize, fileSize, tables); code != Msg::Ok) return code;
  ReadStructures(in, structureOffset, tables);
  // Symbols name their structure type, so the structures come first.
  StructureIndex structures = IndexStructures(tables);
  in.SeekTo(symbolOffset);
  ReadSymbolList(in, structures, tables.symbols, fileSize);
  IndexPlcSymbols(tables);
  ReadSymbolList(in, structures, tables.secondSymbols, fileSize);
  return Msg::Ok;
}

}  // namespace

void IndexPlcSymbols(PlcSymbolTables& tables) {
  tables.skipStarts.clear();
  for (std::size_t pair = 1; pair <= kPlcMaxSkipPairs; ++pair) {
    std::size_t start = pair * kPlcSkipStep;  // the record after the 50th of a step
    if (start >= tables.symbols.size()) break;
    tables.skipStarts.push_back(start);
  }
  tables.sorted = std::is_sorted(tables.symbols.begin(), tables.symbols.end(),
                                 [](const PlcSymbol& a, const PlcSymbol& b) { return a.name < b.name; });
}

Msg ReadPlcProjectFile(FileSystem& fs, std::string_view path, PlcSymbolTables& tables) {
  std::unique_ptr<File> file = fs.Open(path, FileMode::ReadBinary);
  if (!file) return Msg::OpenFailed;
  Msg code;
  try {
    code = ReadSections(*file, tables);
  } catch (const std::bad_alloc&) {
    code = Msg::OutOfMemory;
  }
  file->Close();
  return code;
}

Msg PlcReadReportCode(Msg readCode) {
  if (readCode == Msg::OpenFailed) return Msg::PlcFileNotOpened;
  if (readCode == Msg::OutOfMemory) return Msg::PlcFormatError;
  return readCode;
}

std::string OperandDetail(const PlcSymbolTables& tables, std::string_view condition, Msg code) {
  std::string detail(condition);
  if (code != Msg::UnknownOperand) return detail;
  std::vector<std::string_view> names;
  names.reserve(tables.symbols.size());
  for (const PlcSymbol& symbol : tables.symbols) names.push_back(symbol.name);
  const std::string_view nearest = NearestWord(condition.substr(condition.find(':') + 1), names);
  if (!nearest.empty()) detail += " (did you mean " + std::string(nearest) + "?)";
  return detail;
}

}  // namespace q32
