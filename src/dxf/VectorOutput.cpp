#include "dxf/VectorOutput.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <new>
#include <stdexcept>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "platform/FileSystem.h"
#include "text/Ascii.h"
#include "text/Bytes.h"
#include "raster/SoftkeyRecords.h"

namespace q32 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Opcode and operand words of the vector records.
constexpr std::uint16_t kOpJump = 0x3C00;
constexpr std::uint16_t kOpBlockEnd = 0x3D00;
constexpr std::uint16_t kOpCall = 0x3B80;
constexpr std::uint16_t kOpEnd = 0xFFFF;
constexpr std::uint16_t kOpLine = 0x1200;
constexpr std::uint16_t kOpLinePara = 0x1240;
constexpr std::uint16_t kOpCircle = 0x1A00;
constexpr std::uint16_t kOpCirclePara = 0x1A40;
constexpr std::uint16_t kOpArc = 0x1C00;
constexpr std::uint16_t kOpArcPara = 0x1C40;
constexpr std::uint16_t kOpFill = 0x2200;
constexpr std::uint16_t kOpFillPara = 0x2240;
constexpr std::uint16_t kOpPoint = 0x1000;
constexpr std::uint16_t kOpPointPara = 0x1040;
constexpr std::uint16_t kOpText = 0x2A00;
constexpr std::uint16_t kOpTextPara = 0x2A40;
constexpr std::uint16_t kParaColour = 0x0001;
constexpr const char kVectorId[] = "HV02";

// Distance bookkeeping of block calls.
constexpr std::uint16_t kEntitiesBaseExtra = 24;
constexpr std::uint16_t kEntitiesCallBias = 14;
constexpr std::uint16_t kBlockCallBias = 2;

std::uint16_t Low16(std::size_t value) { return static_cast<std::uint16_t>(value & 0xFFFFu); }

// The offset counter wraps at 16 bits like the words that carry it; the
// unwrapped count tells a drawing too large for them.
void Advance(VectorOutput& out, std::size_t bytes) {
  out.offset = Low16(out.offset + bytes);
  out.counted += bytes;
}

void Words(Bytes& bytes, bool le, std::initializer_list<std::uint16_t> words) {
  for (std::uint16_t w : words) AppendVectorWord(bytes, w, le);
}

void ParaPrefix(Bytes& bytes, bool le, std::uint32_t para, std::uint16_t colour) {
  Words(bytes, le,
        {0x3100, 0x0001, 0x000A, 0x3A00, 0x0000, Low16(para), 0x3C02, 0x0008, 0x3100, 0x0001,
         colour});
}

void TextPrefix(Bytes& bytes, bool le, std::uint32_t para, std::uint16_t colour) {
  Words(bytes, le,
        {0x3100, 0x0001, colour, 0x3100, 0x0001, colour, 0x3A00, 0x0000, Low16(para), 0x3C02,
         0x000C, 0x0800, colour, 0x3100, 0x0001, 0x000A});
}

// A para record of the drawing elements other than text starts with a para
// prefix only when the para changes.
void ParaPrefixIfDue(VectorOutput& out, Bytes& bytes, std::uint32_t para, std::uint16_t colour) {
  if (out.currentPara && *out.currentPara == para) return;
  ParaPrefix(bytes, out.controlFamilyLE, para, colour);
  out.currentPara = para;
}

void AppendTextBytes(Bytes& bytes, std::string_view text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
  if (text.size() % 2 != 0) bytes.push_back(0);
}

Msg WriteNow(VectorOutput& out, const std::uint8_t* data, std::size_t count) {
  if (!out.writer) return Msg::WriteFailed;
  return WriteSoftkeyRecords(*out.writer, data, count) ? Msg::Ok : Msg::WriteFailed;
}

Msg WriteNow(VectorOutput& out, const Bytes& bytes) {
  return WriteNow(out, bytes.data(), bytes.size());
}

Msg AppendPending(VectorOutput& out, const Bytes& bytes) {
  try {
    std::size_t needed = out.pendingBuffer.size() + bytes.size();
    if (needed > out.pendingBuffer.capacity()) {
      std::size_t steps = (needed + kPendingGrowStep - 1) / kPendingGrowStep;
      out.pendingBuffer.reserve(steps * kPendingGrowStep);
    }
    out.pendingBuffer.insert(out.pendingBuffer.end(), bytes.begin(), bytes.end());
  } catch (const std::bad_alloc&) {
    return Msg::WriteFailed;
  } catch (const std::length_error&) {
    return Msg::WriteFailed;
  }
  out.pending = static_cast<std::uint16_t>(out.pending + bytes.size());
  return Msg::Ok;
}

Msg FlushPending(VectorOutput& out) {
  if (out.pendingBuffer.empty()) return Msg::Ok;
  Msg result = WriteNow(out, out.pendingBuffer);
  Bytes().swap(out.pendingBuffer);
  return result;
}

// Counts a record (with its prefix) and, in a write pass, writes it at once
// (para 0) or defers it to the pending buffer.
Msg PlaceRecord(VectorOutput& out, const Bytes& bytes, std::uint32_t para) {
  Advance(out, bytes.size());
  if (para == 0) out.direct = static_cast<std::uint16_t>(out.direct + bytes.size());
  if (!IsWritePass(out.pass)) return Msg::Ok;
  return para == 0 ? WriteNow(out, bytes) : AppendPending(out, bytes);
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return {};
  return std::string(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

}  // namespace

bool IsWritePass(VectorPass pass) {
  return pass == VectorPass::WriteBlocks || pass == VectorPass::WriteEntities;
}

void BeginVectorPass(VectorOutput& out, VectorPass pass) {
  out.pass = pass;
  out.currentPara.reset();
  out.openBlock.reset();
  out.blocksMet = 0;
  if (pass == VectorPass::ScanBlocks) {
    // What the Name Blocks pass counted does not place anything.
    out.offset = kVectorCodeStart;
    out.direct = out.pending = 0;
    out.counted = 0;
  }
}

void ListVectorLine(VectorOutput& out, const std::string& line) {
  if (!out.diag || out.pass == VectorPass::NameBlocks) return;
  LogLine(*out.diag, "%s", line.c_str());
  ConsoleLine(*out.diag, line);
}

void RecordEntitiesBase(VectorOutput& out) {
  out.entitiesBase = static_cast<std::uint16_t>(out.direct + kEntitiesBaseExtra);
}

std::optional<std::size_t> FindVectorBlock(const VectorOutput& out, std::string_view name) {
  auto found = out.blockIndex.find(std::string(name.substr(0, kBlockNameSignificant)));
  if (found == out.blockIndex.end()) return std::nullopt;
  return found->second;
}

std::size_t BeginVectorBlock(VectorOutput& out, const std::string* name) {
  const std::size_t index = out.blocksMet++;
  // The first pass to meet the n-th BLOCK (the Name Blocks pass) enters it.
  if (index >= out.blocks.size()) {
    VectorBlock block;
    if (name) {
      block.name = name->substr(0, kBlockNameSignificant);
      out.blockIndex.emplace(block.name, index);
    }
    out.blocks.push_back(std::move(block));
  }
  if (out.pass == VectorPass::ScanBlocks) {
    out.blocks[index].start = out.offset;
    out.blocks[index].directLength = 0;
  }
  out.openBlock = index;
  return index;
}

Msg EmitFileHeader(VectorOutput& out) {
  ListVectorLine(out, "Header 'HV02'        ");
  Bytes bytes;
  Words(bytes, out.controlFamilyLE, {kOpJump, 0x0006});
  bytes.insert(bytes.end(), kVectorId, kVectorId + 4);
  return WriteNow(out, bytes);
}

Msg EmitBlocksSkip(VectorOutput& out) {
  Bytes bytes;
  Words(bytes, out.controlFamilyLE, {kOpJump, static_cast<std::uint16_t>(out.blocksLength + 2)});
  out.offset = kVectorCodeStart;
  return WriteNow(out, bytes);
}

Msg EmitBlockBegin(VectorOutput& out, std::size_t block) {
  if (!IsWritePass(out.pass) || block >= out.blocks.size()) return Msg::Ok;
  std::uint16_t length = out.blocks[block].directLength;
  if (length == 0) return Msg::Ok;
  Bytes bytes;
  Words(bytes, out.controlFamilyLE,
        {0x3A00, 0x0000, 0x0000, 0x3C04, 0x000C, 0x3300, 0x0000, 0x8000, 0x3C02,
         static_cast<std::uint16_t>(length + 2)});
  Advance(out, kBlockHeaderBytes);
  return WriteNow(out, bytes);
}

Msg EmitBlockEnd(VectorOutput& out) {
  Msg result = Msg::Ok;
  Advance(out, kBlockEndBytes);
  if (!IsWritePass(out.pass)) {
    if (out.direct != 0) {
      // The write pass puts a block header in front of this block.
      Advance(out, kBlockHeaderBytes);
      if (out.openBlock) out.blocks[*out.openBlock].directLength = out.direct;
    }
    out.direct = 0;
    out.pending = 0;
  } else {
    result = FlushPending(out);
    if (result == Msg::Ok) {
      Bytes bytes;
      AppendVectorWord(bytes, kOpBlockEnd, out.controlFamilyLE);
      result = WriteNow(out, bytes);
    }
    out.pending = 0;
  }
  out.currentPara.reset();
  out.openBlock.reset();
  return result;
}

Msg EmitLine(VectorOutput& out, std::uint16_t x1, std::uint16_t y1, std::uint16_t x2,
             std::uint16_t y2, std::uint32_t para, std::uint16_t colour) {
  bool le = out.controlFamilyLE;
  Bytes bytes;
  if (para == 0) {
    Words(bytes, le, {kOpLine, x1, y1, x2, y2, 0x0000, colour});
  } else {
    ParaPrefixIfDue(out, bytes, para, colour);
    // The control draws a para line from a doubled record.
    for (int copy = 0; copy < 2; ++copy)
      Words(bytes, le, {kOpLinePara, 0x0400, x1, y1, x2, y2, 0x0000, kParaColour});
  }
  ListVectorLine(out, Format("%-10u LIN (%d,%d)-(%d,%d) C%d", out.entityLine, x1, y1, x2, y2, colour));
  return PlaceRecord(out, bytes, para);
}

Msg EmitCircle(VectorOutput& out, std::uint16_t x, std::uint16_t y, std::uint16_t radius,
               std::uint32_t para, std::uint16_t colour) {
  bool le = out.controlFamilyLE;
  Bytes bytes;
  if (para == 0) {
    Words(bytes, le, {kOpCircle, x, y, radius, 0x0000, colour});
  } else {
    ParaPrefixIfDue(out, bytes, para, colour);
    Words(bytes, le, {kOpCirclePara, 0x0800, x, y, radius, 0x0000, kParaColour});
  }
  ListVectorLine(out, Format("%-10u CIR (%d, %d) Rad:%u, C%d", out.entityLine, x, y,
                             static_cast<unsigned>(radius), colour));
  return PlaceRecord(out, bytes, para);
}

Msg EmitArc(VectorOutput& out, std::uint16_t startX, std::uint16_t startY, std::uint16_t endX,
            std::uint16_t endY, std::uint16_t centreX, std::uint16_t centreY, std::uint32_t para,
            std::uint16_t colour) {
  bool le = out.controlFamilyLE;
  Bytes bytes;
  if (para == 0) {
    Words(bytes, le, {kOpArc, startX, startY, endX, endY, centreX, centreY, 0x0000, 0x0000, colour});
  } else {
    ParaPrefixIfDue(out, bytes, para, colour);
    Words(bytes, le,
          {kOpArcPara, 0x0080, startX, startY, endX, endY, centreX, centreY, 0x0000, 0x0000,
           kParaColour});
  }
  ListVectorLine(out, Format("%-10u ARC 1:(%d, %d) 2:(%d, %d) M:(%d %d) C%d", out.entityLine,
                             startX, startY, endX, endY, centreX, centreY, colour));
  return PlaceRecord(out, bytes, para);
}

Msg EmitFill(VectorOutput& out, std::uint16_t x, std::uint16_t y, std::uint32_t para,
             std::uint16_t colour) {
  bool le = out.controlFamilyLE;
  Bytes bytes;
  if (para == 0) {
    Words(bytes, le, {kOpFill, x, y, 0xFFFF, colour});
  } else {
    ParaPrefixIfDue(out, bytes, para, colour);
    Words(bytes, le, {kOpFillPara, 0x1000, x, y, 0xFFFF, kParaColour});
  }
  ListVectorLine(out, Format("%-10u PNT (%d, %d), C%d", out.entityLine, x, y, colour));
  return PlaceRecord(out, bytes, para);
}

Msg EmitPoint(VectorOutput& out, std::uint16_t x, std::uint16_t y, std::uint32_t para,
              std::uint16_t colour) {
  bool le = out.controlFamilyLE;
  Bytes bytes;
  if (para == 0) {
    Words(bytes, le, {kOpPoint, x, y, colour});
  } else {
    ParaPrefixIfDue(out, bytes, para, colour);
    Words(bytes, le, {kOpPointPara, 0x2000, x, y, kParaColour});
  }
  ListVectorLine(out, Format("%-10u POINT (%d, %d) C%u", out.entityLine, x, y,
                             static_cast<unsigned>(colour)));
  return PlaceRecord(out, bytes, para);
}

Msg EmitText(VectorOutput& out, std::uint16_t x, std::uint16_t y, int size, std::string_view text,
             std::uint32_t para, std::uint16_t colour) {
  bool le = out.controlFamilyLE;
  Bytes bytes;
  std::uint16_t sizeCode = TextSizeCode(size);
  if (para == 0) {
    AppendTextRecord(bytes, le, x, y, text, sizeCode, colour);
  } else {
    // Every para text carries its own prefix, which leaves no para current.
    TextPrefix(bytes, le, para, colour);
    Words(bytes, le, {kOpTextPara, 0x0800, x, y, Low16(text.size())});
    AppendTextBytes(bytes, text);
    Words(bytes, le, {sizeCode, kParaColour, 0x0800, 0x000A});
    out.currentPara.reset();
  }
  std::string shown(text);
  char head[64];
  std::snprintf(head, sizeof head, "%-10u PRN (%d, %d) \"", out.entityLine, x, y);
  char tail[64];
  std::snprintf(tail, sizeof tail, "\" %u, C%d, Para:%u", static_cast<unsigned>(size), colour, para);
  ListVectorLine(out, head + shown + tail);
  return PlaceRecord(out, bytes, para);
}

Msg EmitCall(VectorOutput& out, std::size_t target) {
  Advance(out, kCallBytes);
  if (!IsWritePass(out.pass) || target >= out.blocks.size()) return Msg::Ok;
  const VectorBlock& to = out.blocks[target];
  std::uint16_t distance;
  if (out.pass == VectorPass::WriteBlocks) {
    std::uint16_t inStart = 0, inDirect = 0;
    if (out.openBlock) {
      inStart = out.blocks[*out.openBlock].start;
      inDirect = out.blocks[*out.openBlock].directLength;
    }
    distance = static_cast<std::uint16_t>(to.start - inDirect - inStart - out.pending - kBlockCallBias);
  } else {
    distance = static_cast<std::uint16_t>(to.start - out.entitiesBase - out.blocksLength -
                                          out.pending - kEntitiesCallBias);
  }
  Bytes bytes;
  Words(bytes, out.controlFamilyLE, {kOpCall, distance});
  return AppendPending(out, bytes);
}

Msg FinishVectorOutput(VectorOutput& out) {
  Msg result = FlushPending(out);
  if (result != Msg::Ok) return result;
  Bytes bytes;
  AppendVectorWord(bytes, kOpEnd, out.controlFamilyLE);
  Advance(out, kEndWordBytes);
  return WriteNow(out, bytes);
}

void AppendVectorWord(std::vector<std::uint8_t>& bytes, std::uint16_t word, bool controlFamilyLE) {
  // The word is stored as the control reads it: SwapForControl gives the
  // value whose little-endian bytes are the control's byte order.
  AppendLe16(bytes, SwapForControl(word, controlFamilyLE));
}

std::uint16_t TextSizeCode(int size) {
  if (size >= 48) return 5;
  if (size >= 32) return 3;
  return 2;
}

void AppendTextRecord(std::vector<std::uint8_t>& bytes, bool controlFamilyLE, std::uint16_t x,
                      std::uint16_t y, std::string_view text, std::uint16_t sizeCode,
                      std::uint16_t colour) {
  Words(bytes, controlFamilyLE, {kOpText, x, y, Low16(text.size())});
  AppendTextBytes(bytes, text);
  Words(bytes, controlFamilyLE, {sizeCode, colour});
}

}  // namespace q32
