// Vector softkeys: the drawing records (lines, circles, arcs, fills, points,
// texts, block subroutines and their calls) that the control draws into a
// softkey, with the byte accounting that places block subroutines and the
// distances of their calls.
//
// A drawing is emitted four times: two scan passes that only count and two
// write passes that write.  Every emitter is called with the same arguments in
// a scan pass and in the write pass that follows it, so the offsets measured
// while scanning hold while writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "diag/MessageCodes.h"

namespace q32 {

class FileSystem;
struct Diagnostics;
struct SoftkeyRecordWriter;

// Offset of the first block subroutine: file header and blocks skip record.
constexpr std::uint16_t kVectorCodeStart = 12;
// The pending buffer grows in steps of this many bytes.
constexpr std::size_t kPendingGrowStep = 1024;
// Block names take part in comparisons with this many characters.
constexpr std::size_t kBlockNameSignificant = 20;
// Every drawing record carries this colour.
constexpr std::uint16_t kVectorColour = 9;

// Record lengths in bytes.
constexpr std::uint16_t kFileHeaderBytes = 8;
constexpr std::uint16_t kBlockHeaderBytes = 20;
constexpr std::uint16_t kBlockEndBytes = 2;
constexpr std::uint16_t kCallBytes = 4;
constexpr std::uint16_t kEndWordBytes = 2;

// Name Blocks is a quiet pass over the BLOCKS section before the others, so
// that every pass knows the blocks defined further down.
enum class VectorPass { NameBlocks, ScanBlocks, WriteBlocks, ScanEntities, WriteEntities };

// The largest vector softkey: its offsets and distances are 16-bit words.
constexpr std::uint64_t kMaxVectorBytes = 0xFFFF;

struct VectorBlock {
  std::string name;              // at most kBlockNameSignificant characters
  std::uint16_t start = 0;       // offset of the block's header (or first record)
  std::uint16_t directLength = 0;  // bytes of its plain records; 0 until its end is scanned
};

// The state of one vector conversion.
struct VectorOutput {
  Diagnostics* diag = nullptr;   // listing lines go to its log and console; may be null
  bool controlFamilyLE = false;  // words least significant byte first
  SoftkeyRecordWriter* writer = nullptr;

  VectorPass pass = VectorPass::ScanBlocks;
  std::uint16_t offset = kVectorCodeStart;  // offset of the next record
  std::uint16_t direct = 0;    // plain record bytes of the current block or ENTITIES
  std::uint16_t pending = 0;   // bytes deferred in the current block or ENTITIES (write passes)
  std::vector<std::uint8_t> pendingBuffer;
  std::optional<std::uint32_t> currentPara;  // para of the last para prefix, or none
  std::uint16_t blocksLength = 0;
  std::uint16_t entitiesBase = 0;
  std::vector<VectorBlock> blocks;
  // The first block of each name, so that lookups stay cheap in drawings of
  // many blocks.
  std::unordered_map<std::string, std::size_t> blockIndex;
  // The block whose records are being read (its ENDBLK not yet met), and
  // the number of BLOCKs met in the current pass: the n-th BLOCK of every
  // pass is the n-th entry of the table, whatever its name.
  std::optional<std::size_t> openBlock;
  std::size_t blocksMet = 0;
  // Every byte the offset counter counted, without its 16-bit wrap.
  std::uint64_t counted = 0;
  // Line number of the current entity's name line, shown in the listing.
  std::uint32_t entityLine = 1;
};

bool IsWritePass(VectorPass pass);

// Starts a pass: every pass begins without a current para.
void BeginVectorPass(VectorOutput& out, VectorPass pass);

// At the start of the Write Entities pass, from the direct counter that the
// Scan Entities pass left.
void RecordEntitiesBase(VectorOutput& out);

// A listing line to the log and the console.
void ListVectorLine(VectorOutput& out, const std::string& line);

// The first named block whose name matches over kBlockNameSignificant
// characters: of two blocks of one name the first is called.
std::optional<std::size_t> FindVectorBlock(const VectorOutput& out, std::string_view name);
// A BLOCK of the BLOCKS section (name null for one without a name): the
// Name Blocks pass enters it in the table, the Scan Blocks pass records where
// it starts.  Returns its entry; every pass meets the BLOCKs in one order.
std::size_t BeginVectorBlock(VectorOutput& out, const std::string* name);

// Each emitter returns 0 or Msg::WriteFailed.
Msg EmitFileHeader(VectorOutput& out);
Msg EmitBlocksSkip(VectorOutput& out);
Msg EmitBlockBegin(VectorOutput& out, std::size_t block);
Msg EmitBlockEnd(VectorOutput& out);
Msg EmitLine(VectorOutput& out, std::uint16_t x1, std::uint16_t y1, std::uint16_t x2,
             std::uint16_t y2, std::uint32_t para, std::uint16_t colour);
Msg EmitCircle(VectorOutput& out, std::uint16_t x, std::uint16_t y, std::uint16_t radius,
               std::uint32_t para, std::uint16_t colour);
Msg EmitArc(VectorOutput& out, std::uint16_t startX, std::uint16_t startY, std::uint16_t endX,
            std::uint16_t endY, std::uint16_t centreX, std::uint16_t centreY, std::uint32_t para,
            std::uint16_t colour);
Msg EmitFill(VectorOutput& out, std::uint16_t x, std::uint16_t y, std::uint32_t para,
             std::uint16_t colour);
Msg EmitPoint(VectorOutput& out, std::uint16_t x, std::uint16_t y, std::uint32_t para,
              std::uint16_t colour);
// size is the text size 16, 32 or 48.
Msg EmitText(VectorOutput& out, std::uint16_t x, std::uint16_t y, int size, std::string_view text,
             std::uint32_t para, std::uint16_t colour);
// A call of a block.  The call record is deferred like a para record.
Msg EmitCall(VectorOutput& out, std::size_t target);
// After the Write Entities pass: the deferred records and the end word.
Msg FinishVectorOutput(VectorOutput& out);

// Record building shared with the text softkeys.
void AppendVectorWord(std::vector<std::uint8_t>& bytes, std::uint16_t word, bool controlFamilyLE);
// The size code of a text size: 2 for 16, 3 for 32, 5 for 48.
std::uint16_t TextSizeCode(int size);
// A plain text record (0x2A00): x, y, the characters padded to an even count,
// size code and colour.
void AppendTextRecord(std::vector<std::uint8_t>& bytes, bool controlFamilyLE, std::uint16_t x,
                      std::uint16_t y, std::string_view text, std::uint16_t sizeCode,
                      std::uint16_t colour);

}  // namespace q32
