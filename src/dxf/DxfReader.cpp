#include "dxf/DxfReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "dxf/VectorOutput.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "run/RunContext.h"
#include "raster/SoftkeyRecords.h"

namespace q32 {
namespace {

constexpr const char* kSoftkeyExtension = ".PIC";
constexpr std::size_t kReadChunk = 65536;

// ---------------------------------------------------------------------------
// Lines of the drawing, read in large chunks.  A line of any length is read
// whole, so that the group pairs stay in step; only its first characters are
// kept.

class DxfLines {
 public:
  explicit DxfLines(File& file) : file_(file), buffer_(kReadChunk) {}

  // The next line without its line end.  A last line without a line end
  // loses its last character, as the line end it stands for.  False at the
  // end of the file.
  bool Next(std::string& line) {
    line.clear();
    std::size_t total = 0;
    bool ended = false;
    // Whole runs up to the line feed at a time: drawings run to megabytes.
    while (Fill()) {
      const char* from = buffer_.data() + pos_;
      const std::size_t available = len_ - pos_;
      const void* lineFeed = std::memchr(from, '\n', available);
      const std::size_t take =
          lineFeed ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - from) : available;
      if (total < kMaxDxfValueLength) line.append(from, std::min(take, kMaxDxfValueLength - total));
      total += take;
      pos_ += take;
      if (lineFeed) {
        ++pos_;
        ended = true;
        break;
      }
    }
    if (!ended && total == 0) return false;
    if (!ended && total <= kMaxDxfValueLength) line.pop_back();
    // A value is a character string: it ends at a zero byte.
    std::size_t zero = line.find('\0');
    if (zero != std::string::npos) line.resize(zero);
    return true;
  }

  void Rewind() {
    pos_ = len_ = 0;
    end_ = !file_.Seek(0);
  }

 private:
  // True when unread bytes are in the buffer, after reading more if needed.
  bool Fill() {
    if (pos_ < len_) return true;
    if (end_) return false;
    len_ = file_.Read(buffer_.data(), buffer_.size());
    pos_ = 0;
    if (len_ == 0) {
      end_ = true;
      return false;
    }
    return true;
  }

  File& file_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0, len_ = 0;
  bool end_ = false;
};

// ---------------------------------------------------------------------------
// Group pairs with one pair of push-back.

struct PairReader {
  explicit PairReader(File& file) : lines(file) {}
  DxfLines lines;
  std::uint32_t lineCounter = 0;
  std::int32_t code = 0;
  std::string value;
  std::string codeLine;  // kept, so that its room is reused pair after pair
  bool pushedBack = false;
};

Msg ReadPair(PairReader& r) {
  if (r.pushedBack) {
    r.pushedBack = false;
    return Msg::Ok;
  }
  if (!r.lines.Next(r.codeLine) || !r.lines.Next(r.value)) return Msg::UnexpectedEnd;
  r.code = ParseDxfInteger(r.codeLine);
  r.lineCounter += 2;
  return Msg::Ok;
}

void PushBack(PairReader& r) { r.pushedBack = true; }

void Rewind(PairReader& r) {
  r.lines.Rewind();
  r.lineCounter = 0;
  r.pushedBack = false;
}

// Positions after the name pair of the section; when the section is not
// there the drawing is rewound.
bool FindSection(PairReader& r, std::string_view name, bool rewind) {
  if (rewind) Rewind(r);
  bool armed = false;
  while (ReadPair(r) == Msg::Ok) {
    if (r.code == 0 && r.value == "SECTION") {
      armed = true;
    } else if (r.code == 0 && r.value == "EOF") {
      break;
    } else if (r.code == 2 && armed) {
      if (r.value == name) return true;
      armed = false;
    }
  }
  Rewind(r);
  return false;
}

// ---------------------------------------------------------------------------
// Values and softkey coordinates.

double ParseDxfDouble(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

std::int64_t TruncateToInteger(double value) {
  // Beyond this the low 16 bits that a coordinate keeps carry no meaning.
  constexpr double kLimit = 9.0e15;
  if (!std::isfinite(value)) return 0;
  if (value > kLimit) value = kLimit;
  if (value < -kLimit) value = -kLimit;
  return static_cast<std::int64_t>(std::trunc(value));
}

std::uint16_t Low16(std::int64_t value) { return static_cast<std::uint16_t>(value & 0xFFFF); }

std::uint16_t SoftkeyCoordinate(double value) { return Low16(ScaleDxfValue(value)); }

// ---------------------------------------------------------------------------
// Entity groups: the groups an entity type reads are gathered into slots.

enum Slot : int { kG1, kG2, kG8, kG10, kG11, kG12, kG13, kG20, kG21, kG22, kG23, kG40, kG50, kG51,
                  kG62, kG70, kSlotCount };

struct GroupSlot {
  std::int32_t code;
  Slot slot;
};

constexpr GroupSlot kGroupSlots[] = {
    {1, kG1},   {2, kG2},   {8, kG8},   {10, kG10}, {11, kG11}, {12, kG12},
    {13, kG13}, {20, kG20}, {21, kG21}, {22, kG22}, {23, kG23}, {40, kG40},
    {50, kG50}, {51, kG51}, {62, kG62}, {70, kG70},
};

constexpr std::uint32_t Bit(Slot s) { return std::uint32_t{1} << s; }

struct EntityValues {
  std::uint32_t present = 0;
  double number[kSlotCount] = {};
  std::string text;          // group 1
  std::uint32_t para = 0;    // from group 8
  std::int32_t flags = 0;    // group 70

  bool Has(std::uint32_t mask) const { return (present & mask) == mask; }
};

// Reads the pairs of an entity up to the group-0 pair that starts the next
// one, which is pushed back.  Groups outside the mask are skipped.
Msg ReadEntityGroups(PairReader& r, std::uint32_t mask, EntityValues& values) {
  for (;;) {
    if (ReadPair(r) != Msg::Ok) return Msg::UnexpectedEnd;
    if (r.code == 0) {
      PushBack(r);
      return Msg::Ok;
    }
    for (const GroupSlot& g : kGroupSlots) {
      if (g.code != r.code) continue;
      if ((mask & Bit(g.slot)) == 0) break;
      values.present |= Bit(g.slot);
      switch (g.slot) {
        case kG1:
        case kG2:
          values.text = r.value;
          break;
        case kG8:
          values.para = ParaFromLayer(r.value);
          break;
        case kG62:  // accepted; every record has the softkey colour
          break;
        case kG70:
          values.flags = ParseDxfInteger(r.value);
          break;
        default:
          values.number[g.slot] = ParseDxfDouble(r.value);
          break;
      }
      break;
    }
  }
}

// ---------------------------------------------------------------------------
// One conversion.

struct Conversion {
  explicit Conversion(File& input) : r(input) {}
  PairReader r;
  VectorOutput out;
  // Told of entities read but not drawn (once, in the scan passes; a call of
  // a block that does not exist in a write pass).
  RunObserver* observer = nullptr;
  std::string source;
  std::string entity;  // the keyword of the entity being read, for the report of a failure
};

// What the report of a failure names: the entity and what of it is at fault.
std::string FailureDetail(const Conversion& c, Msg code) {
  const std::string entity = c.entity.empty() ? std::string("the drawing") : "the " + c.entity + " entity";
  switch (code) {
    case Msg::UnknownEntity:
      return c.entity.empty() ? c.r.value : c.entity + " (an entity a softkey cannot hold here)";
    case Msg::MissingGroup: return entity + " lacks a group it needs";
    case Msg::UnexpectedEnd: return "the file ends inside " + entity;
    case Msg::UnknownBlock: return c.r.value + " (no BLOCK of that name in the BLOCKS section)";
    case Msg::DrawingTooLarge: return "more than 65535 bytes of vector records";
    default: return {};
  }
}

struct EntityKind;
using EntityReader = Msg (*)(Conversion&, const EntityKind&);

// Where a keyword may stand in its section.
enum Place {
  kAnywhere,
  kDrawing,     // draws or calls: in ENTITIES, or in BLOCKS between BLOCK and ENDBLK
  kBlockStart,  // in BLOCKS after the previous block's ENDBLK; in ENTITIES listed only
  kBlockEnd,    // in BLOCKS after its BLOCK; never in ENTITIES
  kSectionEnd,  // in BLOCKS after the last block's ENDBLK
};

struct EntityKind {
  const char* keyword;
  EntityReader reader;  // null: nothing to read or emit
  std::uint32_t read;   // groups read
  std::uint32_t required;
  Place place;
  bool extents;         // a header variable holding a corner of the extents
};

bool InBlocksSection(const VectorOutput& out) { return out.pass < VectorPass::ScanEntities; }

std::uint16_t Coordinate(const EntityValues& v, Slot s) { return SoftkeyCoordinate(v.number[s]); }

Msg ReadLineEntity(Conversion& c, const EntityKind& kind) {
  EntityValues v;
  if (const Msg rc = ReadEntityGroups(c.r, kind.read, v); rc != Msg::Ok) return rc;
  if (!v.Has(kind.required)) return Msg::MissingGroup;
  return EmitLine(c.out, Coordinate(v, kG10), Coordinate(v, kG20), Coordinate(v, kG11),
                  Coordinate(v, kG21), v.para, kVectorColour);
}

Msg ReadCircleEntity(Conversion& c, const EntityKind& kind) {
  EntityValues v;
  if (const Msg rc = ReadEntityGroups(c.r, kind.read, v); rc != Msg::Ok) return rc;
  if (!v.Has(kind.required)) return Msg::MissingGroup;
  return EmitCircle(c.out, Coordinate(v, kG10), Coordinate(v, kG20), Coordinate(v, kG40), v.para,
                    kVectorColour);
}

Msg ReadArcEntity(Conversion& c, const EntityKind& kind) {
  EntityValues v;
  if (const Msg rc = ReadEntityGroups(c.r, kind.read, v); rc != Msg::Ok) return rc;
  if (!v.Has(kind.required)) return Msg::MissingGroup;
  std::uint16_t cx = Coordinate(v, kG10), cy = Coordinate(v, kG20);
  // The radius is a stored softkey value like the coordinates.
  double radius = static_cast<std::int16_t>(Coordinate(v, kG40));
  double a1 = v.number[kG50] * kDegreesToRadians;
  double a2 = v.number[kG51] * kDegreesToRadians;
  auto along = [&](std::uint16_t centre, double offset) {
    return Low16(centre + TruncateToInteger(offset));
  };
  return EmitArc(c.out, along(cx, radius * std::cos(a1)), along(cy, radius * std::sin(a1)),
                 along(cx, radius * std::cos(a2)), along(cy, radius * std::sin(a2)), cx, cy, v.para,
                 kVectorColour);
}

Msg ReadTextEntity(Conversion& c, const EntityKind& kind) {
  EntityValues v;
  if (const Msg rc = ReadEntityGroups(c.r, kind.read, v); rc != Msg::Ok) return rc;
  if (!v.Has(kind.required)) return Msg::MissingGroup;
  std::int64_t height = ScaleDxfValue(v.number[kG40]);
  int size = height < 20 ? 16 : height < 30 ? 32 : 48;
  return EmitText(c.out, Coordinate(v, kG10), Coordinate(v, kG20), size, v.text, v.para,
                  kVectorColour);
}

struct Corner {
  std::uint16_t x, y;
  bool operator==(const Corner& o) const { return x == o.x && y == o.y; }
};

Msg ReadSolidEntity(Conversion& c, const EntityKind& kind) {
  EntityValues v;
  if (const Msg rc = ReadEntityGroups(c.r, kind.read, v); rc != Msg::Ok) return rc;
  if (!v.Has(kind.required)) return Msg::MissingGroup;
  Corner p[4] = {{Coordinate(v, kG10), Coordinate(v, kG20)},
                 {Coordinate(v, kG11), Coordinate(v, kG21)},
                 {Coordinate(v, kG12), Coordinate(v, kG22)},
                 {Coordinate(v, kG13), Coordinate(v, kG23)}};
  unsigned minX = p[0].x, maxX = p[0].x, minY = p[0].y, maxY = p[0].y;
  for (const Corner& q : p) {
    minX = std::min<unsigned>(minX, q.x);
    maxX = std::max<unsigned>(maxX, q.x);
    minY = std::min<unsigned>(minY, q.y);
    maxY = std::max<unsigned>(maxY, q.y);
  }
  ListVectorLine(c.out, "          SOLID:");

  // A SOLID with two equal corners is a triangle.
  static constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
  int dropped = -1;
  for (const auto& pair : kPairs) {
    if (p[pair[0]] == p[pair[1]]) {
      dropped = pair[0];
      break;
    }
  }
  const std::uint32_t para = v.para;
  unsigned fillX, fillY;
  if (dropped >= 0) {
    for (int i = dropped; i < 3; ++i) p[i] = p[i + 1];
    const int outline[3][2] = {{0, 1}, {1, 2}, {2, 0}};
    for (const auto& e : outline)
      if (EmitLine(c.out, p[e[0]].x, p[e[0]].y, p[e[1]].x, p[e[1]].y, para, kVectorColour) != Msg::Ok)
        return Msg::WriteFailed;
    fillX = ((unsigned{p[0].x} + p[1].x) / 2 + p[2].x) / 2;
    fillY = ((unsigned{p[0].y} + p[1].y) / 2 + p[2].y) / 2;
  } else {
    // The DXF corner order of a SOLID runs across the quadrilateral.
    const int outline[4][2] = {{0, 1}, {1, 3}, {3, 2}, {2, 0}};
    for (const auto& e : outline)
      if (EmitLine(c.out, p[e[0]].x, p[e[0]].y, p[e[1]].x, p[e[1]].y, para, kVectorColour) != Msg::Ok)
        return Msg::WriteFailed;
    fillX = (minX + maxX) / 2;
    fillY = (minY + maxY) / 2;
  }
  if (minX < fillX && fillX < maxX && minY < fillY && fillY < maxY)
    return EmitFill(c.out, static_cast<std::uint16_t>(fillX), static_cast<std::uint16_t>(fillY),
                    para, kVectorColour);
  return Msg::Ok;
}

Msg ReadPointEntity(Conversion& c, const EntityKind& kind) {
  EntityValues v;
  if (const Msg rc = ReadEntityGroups(c.r, kind.read, v); rc != Msg::Ok) return rc;
  if (!v.Has(kind.required)) return Msg::MissingGroup;
  return EmitPoint(c.out, Coordinate(v, kG10), Coordinate(v, kG20), v.para, kVectorColour);
}

// A vertex: the pairs up to the next group-0 pair.  A missing coordinate
// counts as 0.
Msg ReadVertex(PairReader& r, Corner& vertex) {
  EntityValues v;
  if (const Msg rc = ReadEntityGroups(r, Bit(kG10) | Bit(kG20), v); rc != Msg::Ok) return rc;
  vertex = {SoftkeyCoordinate(v.number[kG10]), SoftkeyCoordinate(v.number[kG20])};
  return Msg::Ok;
}

Msg ReadPolylineEntity(Conversion& c, const EntityKind& kind) {
  EntityValues v;
  if (const Msg rc = ReadEntityGroups(c.r, kind.read, v); rc != Msg::Ok) return rc;
  // Only the plain "closed" flag closes; other flag combinations draw open.
  bool closed = v.Has(Bit(kG70)) && v.flags == 1;
  if (ReadPair(c.r) != Msg::Ok) return Msg::UnexpectedEnd;
  if (c.r.value != "VERTEX") return Msg::MissingGroup;
  Corner first, previous;
  if (const Msg rc = ReadVertex(c.r, first); rc != Msg::Ok) return rc;
  previous = first;
  for (;;) {
    if (ReadPair(c.r) != Msg::Ok) return Msg::UnexpectedEnd;
    if (c.r.value == "SEQEND") {
      EntityValues ignored;
      if (const Msg rc = ReadEntityGroups(c.r, 0, ignored); rc != Msg::Ok) return rc;
      if (closed)
        return EmitLine(c.out, previous.x, previous.y, first.x, first.y, v.para, kVectorColour);
      return Msg::Ok;
    }
    // Whatever follows a vertex is the next vertex until SEQEND comes.
    Corner next;
    if (const Msg rc = ReadVertex(c.r, next); rc != Msg::Ok) return rc;
    if (EmitLine(c.out, previous.x, previous.y, next.x, next.y, v.para, kVectorColour) != Msg::Ok)
      return Msg::WriteFailed;
    previous = next;
  }
}

Msg ReadLwPolylineEntity(Conversion& c, const EntityKind&) {
  std::uint32_t para = 0;
  // The entity's own groups come before its first vertex.
  for (;;) {
    if (ReadPair(c.r) != Msg::Ok) return Msg::UnexpectedEnd;
    if (c.r.code == 0) {
      PushBack(c.r);
      return Msg::Ok;
    }
    if (c.r.code == 8) para = ParaFromLayer(c.r.value);
    if (c.r.code == 10) break;
  }
  // Each vertex is a group 10 and the group 20 after it.
  std::uint16_t x = SoftkeyCoordinate(ParseDxfDouble(c.r.value));
  bool awaitingY = true;
  bool havePrevious = false;
  Corner previous{0, 0};
  for (;;) {
    if (ReadPair(c.r) != Msg::Ok) return Msg::UnexpectedEnd;
    if (c.r.code == 0) {
      PushBack(c.r);
      return Msg::Ok;
    }
    if (c.r.code == 10 && !awaitingY) {
      x = SoftkeyCoordinate(ParseDxfDouble(c.r.value));
      awaitingY = true;
    } else if (c.r.code == 20 && awaitingY) {
      Corner vertex{x, SoftkeyCoordinate(ParseDxfDouble(c.r.value))};
      awaitingY = false;
      if (havePrevious &&
          EmitLine(c.out, previous.x, previous.y, vertex.x, vertex.y, para, kVectorColour) != Msg::Ok)
        return Msg::WriteFailed;
      previous = vertex;
      havePrevious = true;
    }
  }
}

std::string NumberedLine(std::uint32_t line, const char* what, const std::string& name) {
  char head[32];
  std::snprintf(head, sizeof head, "%-10u ", line);
  return std::string(head) + what + " " + name;
}

Msg ReadInsertEntity(Conversion& c, const EntityKind&) {
  for (;;) {
    if (ReadPair(c.r) != Msg::Ok) return Msg::UnexpectedEnd;
    if (c.r.code == 0) {
      PushBack(c.r);
      return Msg::Ok;
    }
    if (c.r.code != 2) continue;
    if (auto block = FindVectorBlock(c.out, c.r.value)) {
      // A call that cannot be deferred is left out; the drawing goes on.
      (void)EmitCall(c.out, *block);
      ListVectorLine(c.out, NumberedLine(c.out.entityLine, "INSERT", c.r.value));
    } else if (c.observer && IsWritePass(c.out.pass)) {
      // Only the write passes know every block; the call draws nothing.
      c.observer->Found(CheckFinding(Msg::EntityNotDrawn, LineSpan(std::string(c.source), c.out.entityLine),
                                     "INSERT " + c.r.value + " (the drawing defines no block of that name)"));
    }
  }
}

// A BLOCK among the entities is only listed; it must name a block of the
// BLOCKS section.
Msg ReadBlockEntity(Conversion& c, const EntityKind&) {
  const bool inBlocks = InBlocksSection(c.out);
  std::optional<std::string> name;
  for (;;) {
    if (ReadPair(c.r) != Msg::Ok) return Msg::UnexpectedEnd;
    if (c.r.code == 0) break;
    if (c.r.code != 2) continue;
    ListVectorLine(c.out, NumberedLine(c.out.entityLine, "BLOCK", c.r.value));
    if (!inBlocks && !FindVectorBlock(c.out, c.r.value)) return Msg::UnknownBlock;
    if (!name) name = c.r.value;
  }
  PushBack(c.r);
  if (!inBlocks) return Msg::Ok;
  std::size_t block = BeginVectorBlock(c.out, name ? &*name : nullptr);
  return EmitBlockBegin(c.out, block) != Msg::Ok ? Msg::WriteFailed : Msg::Ok;
}

Msg ReadBlockEnd(Conversion& c, const EntityKind&) {
  return EmitBlockEnd(c.out) != Msg::Ok ? Msg::WriteFailed : Msg::Ok;
}

Msg ReadHatchEntity(Conversion& c, const EntityKind& kind) {
  EntityValues v;
  return ReadEntityGroups(c.r, kind.read, v);
}

constexpr std::uint32_t kCorner0 = Bit(kG10) | Bit(kG20);
constexpr std::uint32_t kCorner1 = Bit(kG11) | Bit(kG21);
constexpr std::uint32_t kCorners = kCorner0 | kCorner1 | Bit(kG12) | Bit(kG22) | Bit(kG13) | Bit(kG23);
constexpr std::uint32_t kLayer = Bit(kG8) | Bit(kG62);

// Group-0 values (and header variable names) the drawing may hold.
constexpr EntityKind kEntityKinds[] = {
    {"$EXTMIN", nullptr, 0, 0, kAnywhere, true},
    {"$EXTMAX", nullptr, 0, 0, kAnywhere, true},
    {"POLYLINE", ReadPolylineEntity, kLayer | Bit(kG70), 0, kDrawing, false},
    {"LINE", ReadLineEntity, kLayer | kCorner0 | kCorner1, kCorner0 | kCorner1, kDrawing, false},
    {"TEXT", ReadTextEntity, kLayer | Bit(kG1) | kCorner0 | Bit(kG40),
     Bit(kG1) | kCorner0 | Bit(kG40), kDrawing, false},
    {"CIRCLE", ReadCircleEntity, kLayer | kCorner0 | Bit(kG40), kCorner0 | Bit(kG40), kDrawing, false},
    {"ARC", ReadArcEntity, kLayer | kCorner0 | Bit(kG40) | Bit(kG50) | Bit(kG51),
     kCorner0 | Bit(kG40) | Bit(kG50) | Bit(kG51), kDrawing, false},
    {"SOLID", ReadSolidEntity, kLayer | kCorners, kCorners, kDrawing, false},
    {"POINT", ReadPointEntity, kLayer | kCorner0, kCorner0, kDrawing, false},
    {"DIMENSION", nullptr, 0, 0, kAnywhere, false},
    {"INSERT", ReadInsertEntity, Bit(kG2), 0, kDrawing, false},
    {"BLOCK", ReadBlockEntity, Bit(kG2), 0, kBlockStart, false},
    {"ENDBLK", ReadBlockEnd, 0, 0, kBlockEnd, false},
    {"ENDSEC", nullptr, 0, 0, kSectionEnd, false},
    {"EOF", nullptr, 0, 0, kSectionEnd, false},
    {"LWPOLYLINE", ReadLwPolylineEntity, kLayer, 0, kDrawing, false},
    {"HATCH", ReadHatchEntity, kLayer, 0, kAnywhere, false},
};

const EntityKind* Classify(std::string_view value) {
  for (const EntityKind& kind : kEntityKinds)
    if (value == kind.keyword) return &kind;
  return nullptr;
}

// A block left without its ENDBLK is incomplete (8252); drawing outside a
// block of the BLOCKS section, or a block end outside a block, is refused
// like an entity a softkey cannot hold (8254).
Msg CheckPlace(const VectorOutput& out, Place place) {
  const bool inBlocks = InBlocksSection(out), open = out.openBlock.has_value();
  if (inBlocks && open && (place == kBlockStart || place == kSectionEnd)) return Msg::MissingGroup;
  if (place == kBlockEnd ? !(inBlocks && open) : place == kDrawing && inBlocks && !open)
    return Msg::UnknownEntity;
  return Msg::Ok;
}

Msg ProcessSection(Conversion& c) {
  for (;;) {
    if (ReadPair(c.r) != Msg::Ok) return Msg::UnexpectedEnd;
    if (c.r.code != 0) continue;
    const EntityKind* kind = Classify(c.r.value);
    c.entity = kind ? c.r.value : std::string();
    if (!kind) return Msg::UnknownEntity;
    c.out.entityLine = c.r.lineCounter;
    if (const Msg rc = CheckPlace(c.out, kind->place); rc != Msg::Ok) return rc;
    const bool drawn = kind->reader && kind->reader != ReadHatchEntity;
    if (c.observer && !drawn && kind->place != kSectionEnd && !kind->extents && !IsWritePass(c.out.pass))
      c.observer->Found(CheckFinding(Msg::EntityNotDrawn, LineSpan(std::string(c.source), c.r.lineCounter),
                                     std::string(kind->keyword)));
    if (kind->reader)
      if (const Msg rc = kind->reader(c, *kind); rc != Msg::Ok) return rc;
    if (kind->place == kSectionEnd) return Msg::Ok;
  }
}

// $EXTMIN or $EXTMAX: both coordinates must be there; they do not move the
// drawing.
Msg ReadExtents(PairReader& r) {
  bool haveX = false, haveY = false;
  for (;;) {
    if (ReadPair(r) != Msg::Ok) return haveX && haveY ? Msg::UnexpectedEnd : Msg::MissingGroup;
    if (r.code == 10) {
      haveX = true;
    } else if (r.code == 20) {
      haveY = true;
    } else if (r.code == 9) {
      if (!haveX || !haveY) return Msg::MissingGroup;
      PushBack(r);
      return Msg::Ok;
    } else if (r.code == 0) {
      return Msg::Ok;
    }
  }
}

Msg ReadHeaderSection(PairReader& r) {
  if (!FindSection(r, "HEADER", true)) return Msg::Ok;
  for (;;) {
    if (ReadPair(r) != Msg::Ok) return Msg::UnexpectedEnd;
    if (r.code != 0 && r.code != 9) continue;
    const EntityKind* kind = Classify(r.value);
    if (!kind) continue;
    if (std::string_view(kind->keyword) == "ENDSEC") return Msg::Ok;
    if (r.code == 9 && kind->extents)
      if (const Msg rc = ReadExtents(r); rc != Msg::Ok) return rc;
  }
}

// The four passes; 0 or the code that ends the conversion.
Msg RunPasses(Conversion& c) {
  VectorOutput& out = c.out;
  bool haveBlocks = false;
  std::uint64_t size = kFileHeaderBytes + kEndWordBytes;

  // Its failures come again, listed, in the Scan Blocks pass.
  BeginVectorPass(out, VectorPass::NameBlocks);
  if (FindSection(c.r, "BLOCKS", true)) (void)ProcessSection(c);

  BeginVectorPass(out, VectorPass::ScanBlocks);
  if (FindSection(c.r, "BLOCKS", true)) {
    haveBlocks = true;
    ListVectorLine(out, "Scan Blocks:");
    if (const Msg rc = ProcessSection(c); rc != Msg::Ok) return rc;
    out.blocksLength = static_cast<std::uint16_t>(out.offset - kVectorCodeStart);
    size = kVectorCodeStart + kEndWordBytes + out.counted;
  }

  if (haveBlocks) {
    BeginVectorPass(out, VectorPass::WriteBlocks);
    if (FindSection(c.r, "BLOCKS", true)) {
      ListVectorLine(out, "Write Blocks:");
      if (EmitBlocksSkip(out) != Msg::Ok) return Msg::WriteFailed;
      if (const Msg rc = ProcessSection(c); rc != Msg::Ok) return rc;
    }
  }

  BeginVectorPass(out, VectorPass::ScanEntities);
  ListVectorLine(out, "Scan Entities:");
  if (!FindSection(c.r, "ENTITIES", false)) return Msg::NoEntities;
  // Of several ENTITIES sections, both passes read the first after BLOCKS.
  const std::uint32_t entitiesAt = c.r.lineCounter;
  const std::uint64_t countedBefore = out.counted;
  out.direct = 0;
  if (const Msg rc = ProcessSection(c); rc != Msg::Ok) return rc;
  if (size + out.counted - countedBefore > kMaxVectorBytes) return Msg::DrawingTooLarge;

  BeginVectorPass(out, VectorPass::WriteEntities);
  ListVectorLine(out, "Write Entities:");
  RecordEntitiesBase(out);
  bool found = FindSection(c.r, "ENTITIES", true);
  while (found && c.r.lineCounter < entitiesAt) found = FindSection(c.r, "ENTITIES", false);
  if (!found) return Msg::NoEntities;
  out.pending = 0;
  out.direct = 0;
  if (const Msg rc = ProcessSection(c); rc != Msg::Ok) return rc;

  return FinishVectorOutput(out) != Msg::Ok ? Msg::WriteFailed : Msg::Ok;
}

}  // namespace

std::int32_t ParseDxfInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kCap) value = kCap;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) value = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

std::int64_t ScaleDxfValue(double value) {
  // The product is taken in double precision before it is cut: 23 gives 64
  // and 11.5 gives 32.
  volatile double product = value * kDxfScale;
  return TruncateToInteger(product);
}

std::uint32_t ParaFromLayer(std::string_view layer) {
  std::size_t i = 0;
  while (i < layer.size() && !(layer[i] >= '0' && layer[i] <= '9')) ++i;
  std::uint32_t n = 0;
  for (; i < layer.size() && layer[i] >= '0' && layer[i] <= '9'; ++i) {
    std::uint64_t next = std::uint64_t{n} * 10 + static_cast<std::uint32_t>(layer[i] - '0');
    n = next > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(next);
  }
  return n > 1 ? n - 1 : 0;
}

Msg ConvertDxfSoftkey(RunContext& run, std::string_view source, int format) {
  // Projects ask only for the vector softkey; any other format gets it too.
  (void)format;
  std::string output(source);
  ReplaceExtension(output, kSoftkeyExtension);

  std::unique_ptr<File> input = run.fs.Open(source, FileMode::ReadText);
  if (!input) {
    ReportMessage(run.diag, Msg::OpenFailed, source, 0, run.fs.FailureReason());
    return Msg::OpenFailed;
  }

  Conversion c(*input);
  c.out.diag = &run.diag;
  c.out.controlFamilyLE = run.settings.controlFamilyLE;
  c.observer = run.observer;
  c.source.assign(source);

  std::unique_ptr<SoftkeyRecordWriter> writer;
  // A softkey named like its own source is refused by the run's input guard.
  if (!output.empty()) writer = OpenSoftkeyRecords(run.fs, output);
  if (!writer) {
    input->Close();
    ReportMessage(run.diag, Msg::OpenFailed, output, 0, run.fs.FailureReason());
    return Msg::OpenFailed;
  }
  c.out.writer = writer.get();
  auto closeBoth = [&] {
    CloseSoftkeyRecords(writer);
    c.out.writer = nullptr;
    input->Close();
  };

  // A refused drawing leaves no softkey.  Failures in the HEADER are
  // reported with the drawing's name, those of the passes with the
  // softkey's; the project reader alone reports a failed file header and a
  // missing ENTITIES section.
  const Msg headerResult = ReadHeaderSection(c.r);
  const bool passesRan = headerResult == Msg::Ok && EmitFileHeader(c.out) == Msg::Ok;
  const Msg result = passesRan ? RunPasses(c) : headerResult != Msg::Ok ? headerResult : Msg::WriteFailed;
  closeBoth();
  // Reported at the drawing and the line where reading stopped.
  if (headerResult != Msg::Ok)
    ReportMessage(run.diag, headerResult, source, c.r.lineCounter, "the HEADER section's $EXTMIN or $EXTMAX");
  // An entity that lacks a group is found at the next one: it is reported
  // at its own name.
  if (passesRan && result != Msg::Ok && result != Msg::NoEntities)
    ReportMessage(run.diag, result, source,
                  result == Msg::MissingGroup && !c.entity.empty() ? c.out.entityLine : c.r.lineCounter,
                  FailureDetail(c, result));
  if (result != Msg::Ok) run.fs.Remove(output);
  return result;
}

}  // namespace q32
