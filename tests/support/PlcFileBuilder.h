// Writes PLC project information files of many symbols, laid out as the PLC
// tools lay them out (big-endian header, little-endian records), for the
// symbol lookup test and the lookup benchmark.  Files with modules,
// structures and texts come from tools/make_plc_project.py.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plc/PlcProjectFile.h"

namespace q32test {

struct BuiltSymbol {
  std::string name;
  char type = 'M';
  std::uint32_t value = 0;
  std::uint32_t count = 0;
  std::int32_t module = 0;
  bool local = false;
};

struct PlcFileBuilder {
  std::vector<BuiltSymbol> symbols;

  static void Put32(std::string& bytes, std::size_t at, std::uint32_t value, bool bigEndian = false) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (bigEndian ? 24 - 8 * i : 8 * i));
  }

  static std::string EndRecord(std::size_t size, std::size_t nameAt) {
    std::string record(size, '\0');
    std::memcpy(&record[nameAt], "@@ENDE@@", 8);
    return record;
  }

  // Header, the first symbol list, an empty second list, no structures.
  std::string Build() const {
    std::string header(96, '\0');
    std::memcpy(&header[0], q32::kPlcMagic, q32::kPlcMagicSize);
    std::string list;
    for (const BuiltSymbol& s : symbols) {
      std::string record(q32::kPlcSymbolRecordSize, '\0');
      std::memcpy(&record[q32::kPlcSymbolNameAt], s.name.data(), s.name.size());
      Put32(record, q32::kPlcSymbolModuleAt, static_cast<std::uint32_t>(s.module));
      record[q32::kPlcSymbolTypeAt] = s.type;
      Put32(record, q32::kPlcSymbolValueAt, s.value);
      Put32(record, q32::kPlcSymbolCountAt, s.count);
      Put32(record, q32::kPlcSymbolFlagsAt, s.local ? 0x80 | 0x01 : 0x01);
      list += record;
    }
    const std::string end = EndRecord(q32::kPlcSymbolRecordSize, q32::kPlcSymbolNameAt);
    list += end + end;
    Put32(header, q32::kPlcHeaderModuleOffset, 96, true);
    Put32(header, q32::kPlcHeaderSymbolOffset, 96, true);
    Put32(header, q32::kPlcHeaderStructureOffset, static_cast<std::uint32_t>(96 + list.size()), true);
    return header + list + EndRecord(q32::kPlcStructureRecordSize, 0);
  }
};

}  // namespace q32test
