#include "dxf/VectorDecoder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

#include "text/Bytes.h"

namespace q32 {
namespace {

constexpr std::uint16_t kOpEnd = 0xFFFF, kOpBlockEnd = 0x3D00, kOpSkip = 0x3C00, kOpCall = 0x3B80;
constexpr std::uint16_t kOpBlockHeader = 0x3A00;
constexpr std::size_t kBlocksStart = 12;  // behind the header and the blocks skip
// A call counts its distance without the block header of the block it
// stands in, and from 24 bytes further in the entities.
constexpr long kBlockHeaderBytes = 20, kEntitiesCallExtra = 24;
constexpr long kWordRange = 65536;

constexpr VectorRecordLayout kLayouts[] = {
    {0x1200, "line", "xyxy0c", false},       {0x1240, "para line", "4xyxy01", false},
    {0x1A00, "circle", "xyr0c", false},      {0x1A40, "para circle", "8xyr01", false},
    {0x1C00, "arc", "xyxyxy00c", false},     {0x1C40, "para arc", "axyxyxy001", false},
    {0x2200, "fill", "xyFc", false},         {0x2240, "para fill", "hxyF1", false},
    {0x1000, "point", "xyc", false},         {0x1040, "para point", "pxy1", false},
    {0x2A00, "text", "xytsc", false},        {0x2A40, "para text", "8xyts18A", false},
    {0x3100, "para prefix", "1A{0P}em1c", true},
    {0x3100, "text prefix", "1cm1c{0P}C8cm1A", true},
    {0x3A00, "block header", "00]C30b}L", true},
};

bool IsDrawing(std::string_view d) { return d.size() >= 8 && d.substr(4, 4) == "HV02"; }

unsigned Byte(std::string_view d, std::size_t at) { return static_cast<unsigned char>(d[at]); }

// The words of the data in one byte order.
class Words {
 public:
  Words(std::string_view d, bool le) : d_(d), le_(le) {}
  bool Has(std::size_t at, std::size_t n) const { return BytesFit(d_.size(), at, n); }
  int Word(std::size_t at) const { return le_ ? ReadLe16(d_, at) : ReadBe16(d_, at); }
  int Signed(std::size_t at) const { return static_cast<std::int16_t>(Word(at)); }
  // The REA and the language tests are written as fixed bytes whatever the
  // byte order of the words.
  bool Fixed(std::size_t at, unsigned first, unsigned second) const {
    return Has(at, 2) && Byte(d_, at) == first && Byte(d_, at + 1) == second;
  }
  std::string_view Data() const { return d_; }

 private:
  std::string_view d_;
  bool le_;
};

// ---------------------------------------------------------------------------
// The record list.

bool IsLanguageTest(std::string_view d, std::size_t at) {
  if (d.size() < at + 10) return false;
  const auto p = [&](std::size_t k) { return Byte(d, at + k); };
  return p(0) == 0x3A && !p(1) && !p(2) && !p(3) && !p(4) && p(6) == 0x3C && p(7) == 2 && !p(8);
}

enum class LayoutMatch { Fits, Mismatch, Cut };

// The record at `at` read by one layout of its opcode: it fits (and `r` is
// the record), a fixed word of a strict layout differs, or the data ends
// inside it.
LayoutMatch MatchLayout(const Words& w, std::size_t at, const VectorRecordLayout& layout, VectorRecord& r) {
  const std::string_view d = w.Data();
  std::vector<std::uint16_t> words;
  std::string text;
  long target = -1;
  std::size_t p = at + 2;
  for (const char* c = layout.words; *c; ++c, p += 2) {
    if (!w.Has(p, 2)) return LayoutMatch::Cut;
    const auto v = static_cast<std::uint16_t>(w.Word(p));
    words.push_back(v);
    if (*c == 'L') {
      target = static_cast<long>(p + v);
    } else if (*c == 't') {
      if (!w.Has(p + 2, std::size_t{v} + v % 2)) return LayoutMatch::Cut;
      text = std::string(d.substr(p + 2, v));
      p += std::size_t{v} + v % 2;
    } else if (std::string_view("xyrcsP").find(*c) == std::string_view::npos && VectorFixedWord(*c) != v &&
               layout.strict) {
      return LayoutMatch::Mismatch;
    }
  }
  r.kind = VectorRecordKind::Layout;
  r.layout = &layout;
  r.words = std::move(words);
  r.text = std::move(text);
  r.target = target;
  r.end = p;
  return LayoutMatch::Fits;
}

// The record at `at`, or false with the reason the list stops there.
bool ReadRecord(const Words& w, std::size_t at, VectorRecord& r, VectorListStop& stop, std::uint16_t& stopOpcode) {
  const std::string_view d = w.Data();
  r = VectorRecord{};
  r.at = at;
  if (w.Has(at, 4) && Byte(d, at) == 0x38 && !Byte(d, at + 1) && !Byte(d, at + 2) && !Byte(d, at + 3)) {
    r.kind = VectorRecordKind::Rea;
    r.end = at + 4;
    return true;
  }
  if (IsLanguageTest(d, at)) {
    r.kind = VectorRecordKind::LanguageTest;
    r.words = {static_cast<std::uint16_t>(Byte(d, at + 5)), static_cast<std::uint16_t>(Byte(d, at + 9))};
    r.target = static_cast<long>(at + 8 + Byte(d, at + 9));
    r.end = at + 10;
    return true;
  }
  if (!w.Has(at, 2)) {
    stop = VectorListStop::ByteLeftOver;
    return false;
  }
  const auto op = static_cast<std::uint16_t>(w.Word(at));
  if (op == kOpEnd || op == kOpBlockEnd) {
    r.kind = op == kOpEnd ? VectorRecordKind::End : VectorRecordKind::BlockEnd;
    r.end = at + 2;
    return true;
  }
  if (op == kOpSkip || op == kOpCall) {
    if (!w.Has(at, 4)) {
      stop = VectorListStop::CutOff;
      return false;
    }
    const auto n = static_cast<std::uint16_t>(w.Word(at + 2));
    if (op == kOpSkip && at == 0 && n == 6 && IsDrawing(d)) {
      r.kind = VectorRecordKind::Header;
      r.end = 8;
      return true;
    }
    r.kind = op == kOpCall ? VectorRecordKind::Call : VectorRecordKind::Skip;
    r.words = {n};
    r.target = static_cast<long>((at + 2 + n) % kWordRange);
    r.end = at + 4;
    return true;
  }
  // A strict layout that does not match leaves the next one of its opcode to
  // try; the data ending inside any of them makes the record cut off.
  bool cut = false;
  for (const VectorRecordLayout& layout : kLayouts) {
    if (layout.opcode != op) continue;
    const LayoutMatch match = MatchLayout(w, at, layout, r);
    if (match == LayoutMatch::Fits) return true;
    cut = cut || match == LayoutMatch::Cut;
  }
  stop = cut ? VectorListStop::CutOff : VectorListStop::UnknownRecord;
  stopOpcode = op;
  return false;
}

// ---------------------------------------------------------------------------
// The walk: a small interpreter of the record words.

constexpr long kMaxSteps = 200000;
constexpr std::size_t kMaxNesting = 32;
// Every drawing record of the converters carries this colour; a para record
// carries 1 and its colour in the prefix.
constexpr int kParaColour = 9;

VectorShape Shape(VectorShapeKind kind, int x1, int y1) {
  VectorShape shape;
  shape.kind = kind;
  shape.x1 = x1;
  shape.y1 = y1;
  return shape;
}

class Walk {
 public:
  Walk(std::string_view d, bool le, int language) : w_(d, le), d_(d), language_(language) {}

  void Run(VectorVariant& v) {
    std::size_t at = 0;
    const bool drawing = IsDrawing(d_);
    if (drawing) at = 8;
    // The block subroutines lie between the blocks skip and its target; a
    // call must land on the first record of one of them.
    std::size_t blocksEnd = kBlocksStart;
    if (drawing && w_.Has(8, 4) && w_.Word(8) == kOpSkip)
      blocksEnd = (10 + static_cast<std::size_t>(w_.Word(10))) % kWordRange;
    // Return addresses, and the block being drawn with it (none: ENTITIES).
    std::vector<std::pair<std::size_t, std::size_t>> returns;
    std::size_t block = 0;
    for (long steps = 0;; ++steps) {
      if (steps > kMaxSteps) return Stop(v, VectorWalkStop::Loops, at);
      if (!w_.Has(at, 2)) return Stop(v, VectorWalkStop::NoEndWord, at);
      if (!drawing && w_.Fixed(at, 0x38, 0) && w_.Has(at, 4)) {  // REA
        at += 4;
        continue;
      }
      if (!drawing && w_.Fixed(at, 0x3A, 0) && w_.Has(at, 10) && w_.Fixed(at + 6, 0x3C, 2)) {  // language test
        const unsigned language = Byte(d_, at + 5), skip = Byte(d_, at + 9);
        at = static_cast<int>(language) == language_ ? at + 10 : at + 8 + skip;
        continue;
      }
      const int op = w_.Word(at);
      auto need = [&](std::size_t words) { return w_.Has(at, 2 + 2 * words); };
      auto word = [&](std::size_t k) { return w_.Word(at + 2 + 2 * k); };
      if (op == kOpEnd) return;
      if (op == kOpBlockEnd) {
        if (returns.empty()) return Stop(v, VectorWalkStop::BlockEndOutsideBlock, at);
        at = returns.back().first;
        block = returns.back().second;
        returns.pop_back();
        continue;
      }
      if (!need(1)) return Stop(v, VectorWalkStop::CutOff, at);
      switch (op) {
        case kOpSkip:  // skip forward (over the block subroutines)
          at = (at + 2 + static_cast<std::size_t>(word(0))) % kWordRange;
          continue;
        case kOpCall: {  // call of a block subroutine
          if (returns.size() >= kMaxNesting) return Stop(v, VectorWalkStop::CallsTooDeep, at);
          returns.push_back({at + 4, block});
          ++v.calls;
          // The distance counts as the drawing's writer lays the file out: in
          // ENTITIES from 26 bytes past the call, in a block with a header
          // from 18 bytes before it, in a block without one from its operand.
          std::size_t from = at + 2;
          if (block == 0)
            from = at + 26;
          else if (w_.Has(block, 2) && w_.Word(block) == kOpBlockHeader)
            from = at - 18;
          at = (from + static_cast<std::size_t>(word(0))) % kWordRange;
          block = at;
          if (at < kBlocksStart || at >= blocksEnd ||
              (at != kBlocksStart && (!w_.Has(at - 2, 2) || w_.Word(at - 2) != kOpBlockEnd)))
            return Stop(v, VectorWalkStop::CallOffBlock, at);
          continue;
        }
        case 0x3800:  // the language selection of a text softkey
        case 0x3C02:  // the skip of a para test: every para is drawn
        case 0x3C04:
          at += 4;
          continue;
        case 0x3100:
        case 0x3300:
        case 0x3A00:  // a para test
          if (!need(2)) return Stop(v, VectorWalkStop::CutOff, at);
          at += 6;
          continue;
        default:
          break;
      }
      VectorShape shape;
      if (!ReadShape(v, at, op, shape)) return;
      Extend(v, shape);
      v.shapes.push_back(std::move(shape));
    }
  }

  // A drawing record at `at`: its shape, and `at` past it; false when the
  // walk stops there.  Para records carry one more word after the opcode.
  bool ReadShape(VectorVariant& v, std::size_t& at, int op, VectorShape& shape) {
    auto need = [&](std::size_t words) { return w_.Has(at, 2 + 2 * words); };
    auto word = [&](std::size_t k) { return w_.Word(at + 2 + 2 * k); };
    auto coordinate = [&](std::size_t k) { return w_.Signed(at + 2 + 2 * k); };
    const bool para = (op & 0x00FF) == 0x40;
    const std::size_t o = para ? 1 : 0;
    const int base = op & 0xFF00;
    auto colourAt = [&](std::size_t k) { return para ? kParaColour : word(k); };
    if (base == 0x1200) {
      if (!need(o + 6)) return Stopped(v, VectorWalkStop::CutOff, at);
      shape = Shape(VectorShapeKind::Line, coordinate(o), coordinate(o + 1));
      shape.x2 = coordinate(o + 2), shape.y2 = coordinate(o + 3);
      shape.colour = colourAt(o + 5);
      at += 2 + 2 * (o + 6);
      // A para line carries its eight words twice: one line.
      if (para && w_.Has(at, 16) && d_.substr(at, 16) == d_.substr(at - 16, 16)) at += 16;
    } else if (base == 0x1A00) {
      if (!need(o + 5)) return Stopped(v, VectorWalkStop::CutOff, at);
      shape = Shape(VectorShapeKind::Circle, coordinate(o), coordinate(o + 1));
      shape.radius = word(o + 2);
      shape.colour = colourAt(o + 4);
      at += 2 + 2 * (o + 5);
    } else if (base == 0x1C00) {
      if (!need(o + 9)) return Stopped(v, VectorWalkStop::CutOff, at);
      shape = Shape(VectorShapeKind::Arc, coordinate(o), coordinate(o + 1));
      shape.x2 = coordinate(o + 2), shape.y2 = coordinate(o + 3);
      shape.cx = coordinate(o + 4), shape.cy = coordinate(o + 5);
      shape.colour = colourAt(o + 8);
      at += 2 + 2 * (o + 9);
    } else if (base == 0x2200) {  // a fill point
      if (!need(o + 4)) return Stopped(v, VectorWalkStop::CutOff, at);
      shape = Shape(VectorShapeKind::Dot, coordinate(o), coordinate(o + 1));
      shape.colour = colourAt(o + 3);
      at += 2 + 2 * (o + 4);
    } else if (base == 0x1000) {
      if (!need(o + 3)) return Stopped(v, VectorWalkStop::CutOff, at);
      shape = Shape(VectorShapeKind::Dot, coordinate(o), coordinate(o + 1));
      shape.colour = colourAt(o + 2);
      at += 2 + 2 * (o + 3);
    } else if (base == 0x2A00) {
      if (!need(o + 3)) return Stopped(v, VectorWalkStop::CutOff, at);
      const std::size_t n = static_cast<std::size_t>(word(o + 2));
      const std::size_t textAt = at + 2 + 2 * (o + 3), textBytes = n + n % 2;
      const std::size_t tail = para ? 4 : 2;  // size, colour (para: size, 1, 0800h, 000Ah)
      if (!w_.Has(textAt, textBytes + 2 * tail)) return Stopped(v, VectorWalkStop::TextCutOff, at);
      shape = Shape(VectorShapeKind::Text, coordinate(o), coordinate(o + 1));
      shape.sizeCode = w_.Word(textAt + textBytes);
      shape.colour = para ? kParaColour : w_.Word(textAt + textBytes + 2);
      shape.text = std::string(d_.substr(textAt, n));
      at = textAt + textBytes + 2 * tail;
    } else {
      v.stopOpcode = static_cast<std::uint16_t>(op);
      return Stopped(v, VectorWalkStop::UnknownRecord, at);
    }
    return true;
  }

 private:
  static void Stop(VectorVariant& v, VectorWalkStop why, std::size_t at) {
    v.stop = why;
    v.stopAt = at;
  }
  static bool Stopped(VectorVariant& v, VectorWalkStop why, std::size_t at) {
    Stop(v, why, at);
    return false;
  }
  static void Extend(VectorVariant& v, int x0, int y0, int x1, int y1) {
    if (!v.drawsSomething) v.minX = x0, v.minY = y0, v.maxX = x1, v.maxY = y1;
    v.minX = std::min(v.minX, x0), v.minY = std::min(v.minY, y0);
    v.maxX = std::max(v.maxX, x1), v.maxY = std::max(v.maxY, y1);
    v.drawsSomething = true;
  }
  static void Extend(VectorVariant& v, const VectorShape& s) {
    switch (s.kind) {
      case VectorShapeKind::Line:
        Extend(v, std::min(s.x1, s.x2), std::min(s.y1, s.y2), std::max(s.x1, s.x2), std::max(s.y1, s.y2));
        break;
      case VectorShapeKind::Circle:
        Extend(v, s.x1 - s.radius, s.y1 - s.radius, s.x1 + s.radius, s.y1 + s.radius);
        break;
      case VectorShapeKind::Arc: {
        // The whole circle of the arc.
        const int r = static_cast<int>(std::ceil(std::hypot(s.x1 - s.cx, s.y1 - s.cy)));
        Extend(v, s.cx - r, s.cy - r, s.cx + r, s.cy + r);
        break;
      }
      case VectorShapeKind::Dot:
        Extend(v, s.x1, s.y1, s.x1, s.y1);
        break;
      case VectorShapeKind::Text:
        break;
    }
  }

  Words w_;
  std::string_view d_;
  int language_;
};

}  // namespace

VectorTextCell TextCell(int sizeCode) {
  if (sizeCode == 5) return {32, 36, "big"};
  if (sizeCode == 3) return {16, 20, "medium"};
  return {8, 12, "small"};
}

bool LooksLikeVectorSoftkey(std::string_view d) {
  if (IsDrawing(d)) return true;
  if (d.size() < 2) return false;
  // A raster element list starts with its element code 2600h.
  return !((Byte(d, 0) == 0x26 && Byte(d, 1) == 0) || (Byte(d, 0) == 0 && Byte(d, 1) == 0x26));
}

bool VectorWordsLittleEndian(std::string_view d) {
  std::size_t first = 0;
  while (first + 4 <= d.size() && Byte(d, first) == 0x38 && !Byte(d, first + 1)) first += 4;
  while (first + 10 <= d.size() && Byte(d, first) == 0x3A && Byte(d, first + 6) == 0x3C) first += 10;
  return first + 2 <= d.size() && Byte(d, first) == 0 && Byte(d, first + 1) != 0;
}

std::span<const VectorRecordLayout> VectorRecordLayouts() { return kLayouts; }

std::uint16_t VectorFixedWord(char code) {
  switch (code) {
    case '1': return 1;
    case '4': return 0x0400;
    case '8': return 0x0800;
    case 'a': return 0x0080;
    case 'h': return 0x1000;
    case 'p': return 0x2000;
    case 'F': return 0xFFFF;
    case 'A': return 0x000A;
    case 'C': return 0x000C;
    case 'e': return 0x0008;
    case '{': return 0x3A00;
    case '}': return 0x3C02;
    case ']': return 0x3C04;
    case 'm': return 0x3100;
    case '3': return 0x3300;
    case 'b': return 0x8000;
    default: return 0;
  }
}

VectorRecordList ListVectorRecords(std::string_view d) {
  VectorRecordList list;
  list.littleEndian = VectorWordsLittleEndian(d);
  const Words words(d, list.littleEndian);
  std::vector<VectorRecord>& records = list.records;
  long blocksEnd = -1;
  std::size_t at = 0;
  while (at < d.size()) {
    VectorRecord r;
    if (!ReadRecord(words, at, r, list.stop, list.stopOpcode)) break;
    // The skip right after the file header jumps over the block subroutines.
    if (at == 8 && !records.empty() && records[0].kind == VectorRecordKind::Header &&
        r.kind == VectorRecordKind::Skip) {
      blocksEnd = r.target;
      r.kind = VectorRecordKind::BlocksSkip;
    }
    at = r.end;
    records.push_back(std::move(r));
  }
  list.stopAt = at;

  // A block begins at the first record behind the skip and behind every
  // block end before the entities.
  std::set<long> starts;
  std::map<long, int> blocks;
  for (const VectorRecord& r : records) starts.insert(static_cast<long>(r.at));
  for (std::size_t i = 0; i < records.size(); ++i) {
    const long a = static_cast<long>(records[i].at);
    if (a >= static_cast<long>(kBlocksStart) && a < blocksEnd &&
        (a == static_cast<long>(kBlocksStart) || (i > 0 && records[i - 1].kind == VectorRecordKind::BlockEnd))) {
      const int number = static_cast<int>(blocks.size()) + 1;
      blocks.emplace(a, number);
      records[i].block = number;
    }
  }
  long header = 0;  // of the block the records stand in
  const long size = static_cast<long>(d.size());
  for (VectorRecord& r : records) {
    const long a = static_cast<long>(r.at);
    if (r.block) header = r.layout && r.layout->opcode == kOpBlockHeader ? kBlockHeaderBytes : 0;
    r.entities = a == blocksEnd;
    if (r.target < 0) continue;
    const bool call = r.kind == VectorRecordKind::Call;
    if (call) r.target = (r.target + (a < blocksEnd ? kWordRange - header : kEntitiesCallExtra)) % kWordRange;
    if (call && blocks.count(r.target)) {
      r.landing = VectorLanding::OnBlock;
      r.targetBlock = blocks[r.target];
    } else if (starts.count(r.target)) {
      r.landing = VectorLanding::OnRecord;
    } else if (r.target == size) {
      r.landing = VectorLanding::AtEnd;
    } else if (r.target > size) {
      r.landing = VectorLanding::Outside;
    } else {
      r.landing = VectorLanding::InsideRecord;
    }
  }
  return list;
}

bool LandsRight(const VectorRecord& r) {
  if (r.target < 0) return true;
  if (r.kind == VectorRecordKind::Call) return r.landing == VectorLanding::OnBlock;
  return r.landing == VectorLanding::OnRecord || r.landing == VectorLanding::AtEnd;
}

std::vector<int> TestedLanguages(std::string_view d) {
  std::vector<int> out;
  for (std::size_t at = 0; at + 10 <= d.size(); ++at) {
    const auto p = [&](std::size_t k) { return Byte(d, at + k); };
    if (p(0) == 0x3A && !p(1) && p(6) == 0x3C && p(7) == 0x02 && !p(2) && !p(3) && !p(4)) {
      const int language = static_cast<int>(p(5));
      if (std::find(out.begin(), out.end(), language) == out.end()) out.push_back(language);
    }
  }
  return out;
}

std::vector<VectorVariant> DrawVectorSoftkey(std::string_view d) {
  const bool le = VectorWordsLittleEndian(d);
  std::vector<int> languages = TestedLanguages(d);
  if (IsDrawing(d)) languages.clear();
  languages.push_back(-1);
  std::vector<VectorVariant> variants;
  for (int language : languages) {
    VectorVariant v;
    v.language = language;
    Walk(d, le, language).Run(v);
    variants.push_back(std::move(v));
  }
  return variants;
}

}  // namespace q32
