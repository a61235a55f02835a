// Writes PLC project information files for tests: modules, structures with
// members, both symbol lists, structure references and end records, laid
// out as the PLC tools lay them out (big-endian header, little-endian
// records).  Each part can leave out its end record, so tests can end a
// section at the end of the file.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plc/PlcProjectFile.h"

namespace q32test {

inline void PutBigEndian32(std::string& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<char>(value >> 24);
  bytes[at + 1] = static_cast<char>(value >> 16);
  bytes[at + 2] = static_cast<char>(value >> 8);
  bytes[at + 3] = static_cast<char>(value);
}

inline void PutLittleEndian32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

inline void PutText(std::string& bytes, std::size_t at, const std::string& text) {
  std::memcpy(&bytes[at], text.data(), text.size());
}

struct BuiltMember {
  std::string name;
  char type = 'M';
  std::uint32_t offset = 0;
  std::uint32_t count = 0;
};

struct BuiltStructure {
  std::string name;
  std::uint32_t size = 0;
  std::vector<BuiltMember> members;
  bool endMembers = true;  // write the "@@ENDE@@" member record
};

struct BuiltSymbol {
  std::string name;
  char type = 'M';
  std::uint32_t value = 0;
  std::uint32_t count = 0;
  std::int32_t module = 0;
  bool local = false;
  std::string structure;  // structure type name; empty for none
  std::string text;       // for type 'S'
};

struct PlcFileBuilder {
  std::vector<std::pair<std::int16_t, std::string>> modules;
  std::vector<BuiltStructure> structures;
  std::vector<BuiltSymbol> symbols, secondSymbols;
  bool endStructures = true, endFirstList = true, endSecondList = true;
  // Extra bytes announced in the module section size beyond the records.
  std::uint32_t moduleSizeExtra = 0;
  // Put the symbol section at the end of the file instead of the structures.
  bool symbolsLast = false;

  // Where the sections landed in the last Build.
  std::size_t moduleOffset = 0, structureOffset = 0, symbolOffset = 0;

  static std::string EndRecord(std::size_t size, std::size_t nameAt) {
    std::string record(size, '\0');
    PutText(record, nameAt, "@@ENDE@@");
    return record;
  }

  static std::string SymbolRecord(const BuiltSymbol& s) {
    std::string record(q32::kPlcSymbolRecordSize, '\0');
    PutLittleEndian32(record, 0, 0xDEADBEEF);  // the tools' list link: not read
    PutText(record, q32::kPlcSymbolNameAt, s.name);
    PutLittleEndian32(record, q32::kPlcSymbolModuleAt, static_cast<std::uint32_t>(s.module));
    record[q32::kPlcSymbolTypeAt] = s.type;
    PutLittleEndian32(record, q32::kPlcSymbolValueAt, s.value);
    PutLittleEndian32(record, q32::kPlcSymbolCountAt, s.count);
    PutLittleEndian32(record, q32::kPlcSymbolFlagsAt, s.local ? 0x80 | 0x01 : 0x01);
    PutLittleEndian32(record, q32::kPlcSymbolStructureAt, s.structure.empty() ? 0 : 0x00401000);
    PutText(record, q32::kPlcSymbolTextAt, s.text);
    if (!s.structure.empty()) {
      std::string name(q32::kPlcStructureNameRecordSize, '\0');
      PutText(name, 0, s.structure);
      record += name;
    }
    return record;
  }

  static std::string SymbolList(const std::vector<BuiltSymbol>& list, bool end) {
    std::string out;
    for (const BuiltSymbol& s : list) out += SymbolRecord(s);
    if (end) out += EndRecord(q32::kPlcSymbolRecordSize, q32::kPlcSymbolNameAt);
    return out;
  }

  std::string Build() {
    std::string header(96, '\0');
    std::memcpy(&header[0], q32::kPlcMagic, q32::kPlcMagicSize);

    std::string moduleSection;
    for (const auto& [number, name] : modules) {
      std::string record(q32::kPlcModuleRecordSize, '\x5A');  // filler the reader must ignore
      record[0] = static_cast<char>(number & 0xFF);
      record[1] = static_cast<char>((number >> 8) & 0xFF);
      std::memset(&record[q32::kPlcModuleNameAt], 0, 40);
      PutText(record, q32::kPlcModuleNameAt, name);
      moduleSection += record;
    }

    std::string structureSection;
    for (const BuiltStructure& st : structures) {
      std::string record(q32::kPlcStructureRecordSize, '\0');
      PutText(record, 0, st.name);
      PutLittleEndian32(record, q32::kPlcStructureSizeAt, st.size);
      structureSection += record;
      for (const BuiltMember& m : st.members) {
        std::string member(q32::kPlcMemberRecordSize, '\0');
        PutText(member, 0, m.name);
        member[q32::kPlcMemberTypeAt] = m.type;
        PutLittleEndian32(member, q32::kPlcMemberOffsetAt, m.offset);
        PutLittleEndian32(member, q32::kPlcMemberCountAt, m.count);
        structureSection += member;
      }
      if (st.endMembers) structureSection += EndRecord(q32::kPlcMemberRecordSize, 0);
    }
    if (endStructures) structureSection += EndRecord(q32::kPlcStructureRecordSize, 0);

    std::string symbolSection = SymbolList(symbols, endFirstList) + SymbolList(secondSymbols, endSecondList);

    // Whichever section comes last can run into the end of the file when
    // its end record is left out.
    moduleOffset = header.size();
    if (symbolsLast) {
      structureOffset = moduleOffset + moduleSection.size();
      symbolOffset = structureOffset + structureSection.size();
    } else {
      symbolOffset = moduleOffset + moduleSection.size();
      structureOffset = symbolOffset + symbolSection.size();
    }
    PutBigEndian32(header, q32::kPlcHeaderModuleOffset, static_cast<std::uint32_t>(moduleOffset));
    PutBigEndian32(header, q32::kPlcHeaderModuleSize,
                   static_cast<std::uint32_t>(moduleSection.size()) + moduleSizeExtra);
    PutBigEndian32(header, q32::kPlcHeaderSymbolOffset, static_cast<std::uint32_t>(symbolOffset));
    PutBigEndian32(header, q32::kPlcHeaderStructureOffset, static_cast<std::uint32_t>(structureOffset));
    if (symbolsLast) return header + moduleSection + structureSection + symbolSection;
    return header + moduleSection + symbolSection + structureSection;
  }
};

}  // namespace q32test
