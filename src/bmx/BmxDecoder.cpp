#include "bmx/BmxDecoder.h"

#include "text/Bytes.h"

namespace q32 {
namespace {

constexpr std::size_t kWord = 4, kNameBytes = 8;
// The fields of the background's info header in the order they are read.
constexpr std::size_t kWidthField = 18, kHeightField = 22, kBitCountWord = 26, kCompressionField = 30;
// A text body: 21 words, the font name from byte 36, the text from byte 84.
constexpr std::size_t kTextWords = 21, kFontAt = 36, kFontEnd = 72, kTextSizeAt = 80, kTextAt = 84;
// A placed bitmap: 5 words, then the bitmap without its file header.
constexpr std::size_t kPlacedWords = 5, kPlacedInfoAt = 20;
constexpr std::size_t kSvgWords = 8, kSvgAt = 32;
// No picture has more pixels than 4096 x 4096.
constexpr std::uint64_t kMaxLayerPixels = std::uint64_t{1} << 24;

bool Fits(std::string_view s, std::size_t at, std::size_t n) { return BytesFit(s.size(), at, n); }

BmxName Name(std::string_view s, std::size_t at) {
  const std::string_view field = s.substr(at, kNameBytes);
  BmxName name;
  name.name = std::string(field.substr(0, field.find('\0')));
  name.zeroFilled = field.find_first_not_of('\0', name.name.size()) == std::string_view::npos;
  return name;
}

// 24-bit pixels: described when 1 to 4096 pixels wide and high.
bool Described(const BmpInfoHeader& info) {
  return info.bitCount == 24 && info.width > 0 && info.width <= kMaxBmxPictureSide && info.Rows() > 0 &&
         info.Rows() <= static_cast<std::uint64_t>(kMaxBmxPictureSide);
}

// The rows of a described bitmap from `pixelsAt`, as stored, when they lie
// within the first `size` bytes.
bool ReadRows(std::string_view s, const BmpInfoHeader& info, std::uint64_t pixelsAt, std::uint64_t size,
              std::vector<std::uint32_t>& pixels) {
  const std::uint64_t rowBytes = BmpRowBytes(info.width, 24);
  if (!BmpPixelsFit(pixelsAt, rowBytes, info.Rows(), size)) return false;
  const auto width = static_cast<std::size_t>(info.width);
  pixels.reserve(width * info.Rows());
  for (std::uint64_t y = 0; y < info.Rows(); ++y)
    for (std::size_t x = 0; x < width; ++x) pixels.push_back(BmxPixel(s, pixelsAt + y * rowBytes + x * 3));
  return true;
}

void DecodeBody(std::string_view file, BmxRecord& r) {
  const std::string_view b = r.Body(file);
  auto word = [&](std::size_t k) { return ReadLe32(b, kWord * k); };
  if (r.IsLayer()) {
    if (!Fits(b, 0, kWord)) {
      r.bodyShort = true;
      r.shortAt = 0;
      return;
    }
    r.unitsSize = word(0);
    r.units = ReadBmxLayerUnits(b.substr(kWord));
  } else if (r.IsText()) {
    if (!Fits(b, 0, kTextAt)) {
      r.bodyShort = true;
      r.shortAt = kTextSizeAt;
      return;
    }
    BmxTextRecord& t = r.text;
    for (std::size_t k = 0; k < kTextWords; ++k) t.words[k] = word(k);
    const std::size_t fontEnd = b.find('\0', kFontAt);
    t.font = std::string(b.substr(kFontAt, fontEnd == std::string_view::npos ? fontEnd : fontEnd - kFontAt));
    const std::uint32_t length = t.words[20];
    t.textFits = length > 0 && length <= b.size() - kTextAt;
    if (t.textFits) t.text = std::string(b.substr(kTextAt, length - 1));
    // The writer pads the text with zeros to whole words, in 32 bits.
    bool zero = t.words[0] == 0 && b.size() == static_cast<std::uint32_t>(kTextAt + length + 3) / 4 * 4;
    for (std::size_t i = fontEnd; i < kFontEnd; ++i) zero = zero && b[i] == 0;
    for (std::size_t i = kTextAt + t.text.size(); i < b.size(); ++i) zero = zero && b[i] == 0;
    t.asLaidOut = zero && length != 0;
  } else if (r.IsPlacedBitmap()) {
    // The fields in the order a reader needs them: the pixel offset, then
    // the info header's width, height, bit count and compression.
    for (std::size_t at : {std::size_t{12}, std::size_t{24}, std::size_t{28}, std::size_t{32}, std::size_t{36}}) {
      if (Fits(b, at, kWord)) continue;
      r.bodyShort = true;
      r.shortAt = at;
      return;
    }
    BmxPlacedBitmap& p = r.bitmap;
    for (std::size_t k = 0; k < kPlacedWords; ++k) p.words[k] = word(k);
    p.info = ReadBmpInfoHeader(b, kPlacedInfoAt);
    p.pixelsAt = static_cast<std::uint32_t>(kPlacedInfoAt) + p.words[3];
    p.described = Described(p.info);
    if (p.described) p.inside = ReadRows(b, p.info, p.pixelsAt, b.size(), p.pixels);
  } else if (r.IsSvg()) {
    if (!Fits(b, 0, kSvgAt)) {
      r.bodyShort = true;
      r.shortAt = kSvgAt;
      return;
    }
    for (std::size_t k = 0; k < kSvgWords; ++k) r.svg.words[k] = word(k);
    r.svg.svg = std::string(b.substr(kSvgAt));
  }
}

void Stop(BmxFile& f, BmxStop stop, BmxPart part, std::size_t at) {
  f.stop = stop;
  f.stopPart = part;
  f.stopAt = at;
}

void ReadBackground(std::string_view s, BmxFile& f, std::size_t& at) {
  BmxBackground& bg = f.background;
  bg.present = true;
  if (!Fits(s, 2, kWord)) return Stop(f, BmxStop::EndsInsideWord, BmxPart::Background, 2);
  bg.size = ReadLe32(s, 2);
  if (bg.size > s.size()) return Stop(f, BmxStop::BackgroundBeyondFile, BmxPart::Background, bg.size);
  if (!Fits(s, 10, kWord)) return Stop(f, BmxStop::EndsInsideWord, BmxPart::Background, 10);
  bg.header = ReadBmpHeader(s);
  for (std::size_t field : {kWidthField, kHeightField, kBitCountWord, kCompressionField}) {
    if (bg.size >= field + kWord) continue;
    bg.headerCutAt = field;
    break;
  }
  bg.described = Described(bg.header.info);
  if (bg.described) bg.inside = ReadRows(s, bg.header.info, bg.header.pixelOffset, bg.size, bg.pixels);
  at = bg.size;
}

}  // namespace

std::uint32_t BmxPixel(std::string_view bytes, std::size_t at) {
  const auto* p = BytesAt(bytes, at);
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
}

BmxLayerUnits ReadBmxLayerUnits(std::string_view s) {
  BmxLayerUnits layer;
  for (std::size_t at = 0;;) {
    layer.stopAt = at;
    if (!Fits(s, at, kWord)) {
      layer.stop = BmxLayerStop::NoEndUnit;
      return layer;
    }
    if (layer.pixels > kMaxLayerPixels) {
      layer.stop = BmxLayerStop::TooManyPixels;
      return layer;
    }
    const auto a = static_cast<unsigned char>(s[at]), b = static_cast<unsigned char>(s[at + 1]);
    BmxLayerUnit u;
    u.at = at;
    if (a != 0) {  // a run of a pixels of one difference
      u.kind = BmxUnitKind::Run;
      u.count = a;
      u.value = BmxPixel(s, at + 1);
      u.end = at + kWord;
    } else if (b == 1) {  // the end: the pixels behind it are unchanged
      u.kind = BmxUnitKind::End;
      u.clean = s[at + 2] == 0 && s[at + 3] == 0;
      u.end = at + kWord;
      layer.units.push_back(u);
      layer.stop = BmxLayerStop::EndUnit;
      return layer;
    } else if (b == 2) {  // unchanged pixels
      u.kind = BmxUnitKind::Skip;
      u.count = ReadLe16(s, at + 2);
      u.end = at + kWord;
    } else if (b >= 3) {  // b differences, padded to whole words
      if (!Fits(s, at + 2, std::size_t{3} * b)) {
        layer.stop = BmxLayerStop::LiteralBeyond;
        return layer;
      }
      u.kind = BmxUnitKind::Literal;
      u.count = b;
      u.end = (at + 2 + std::size_t{3} * b + 3) / 4 * 4;
      u.whole = u.end <= s.size();
      for (std::size_t k = at + 2 + std::size_t{3} * b; k < u.end && k < s.size(); ++k)
        u.clean = u.clean && s[k] == 0;
    } else {
      layer.stop = BmxLayerStop::ZeroUnit;
      return layer;
    }
    layer.units.push_back(u);
    layer.pixels += u.count;
    at = u.end;
  }
}

std::vector<std::uint32_t> BmxLayerDifferences(std::string_view s, std::span<const BmxLayerUnit> units,
                                               std::size_t limit) {
  std::vector<std::uint32_t> d;
  for (const BmxLayerUnit& u : units) {
    if (d.size() >= limit) break;
    const std::size_t n = std::min<std::size_t>(u.count, limit - d.size());
    if (u.kind == BmxUnitKind::Run) d.insert(d.end(), n, u.value);
    if (u.kind == BmxUnitKind::Skip) d.insert(d.end(), n, 0);
    if (u.kind == BmxUnitKind::Literal)
      for (std::size_t k = 0; k < n; ++k) d.push_back(BmxPixel(s, u.at + 2 + 3 * k));
  }
  return d;
}

namespace {

// The magic word and, in an extended file, its ten header words; false
// when the file stops there.
bool ReadHead(std::string_view s, BmxFile& f, std::size_t& at) {
  const std::string_view magic = s.substr(at, 4);
  if (magic != "BXX3" && magic != "BMX2") {
    Stop(f, BmxStop::NoHeader, BmxPart::Header, at);
    return false;
  }
  at += 4;
  if (magic == "BXX3") {
    f.extended = true;
    for (int k = 0; k < 10; ++k, at += kWord) {
      if (!Fits(s, at, kWord)) {
        Stop(f, BmxStop::EndsInsideWord, BmxPart::Header, at);
        return false;
      }
      f.headerWords.push_back(ReadLe32(s, at));
    }
  }
  return true;
}

// The attribute dictionary: each key's name, count and value names; false
// when the file stops there.
bool ReadDictionary(std::string_view s, BmxFile& f, std::size_t& at) {
  if (!Fits(s, at, kWord)) {
    Stop(f, BmxStop::EndsInsideWord, BmxPart::Dictionary, at);
    return false;
  }
  f.keyCount = ReadLe32(s, at);
  if (f.keyCount > kMaxBmxKeys) {
    Stop(f, BmxStop::TooManyKeys, BmxPart::Dictionary, at);
    return false;
  }
  at += kWord;
  for (std::uint32_t k = 0; k < f.keyCount; ++k) {
    if (!Fits(s, at, kNameBytes)) {
      Stop(f, BmxStop::EndsInsideName, BmxPart::Dictionary, at);
      return false;
    }
    if (!Fits(s, at + kNameBytes, kWord)) {
      Stop(f, BmxStop::EndsInsideWord, BmxPart::Dictionary, at + kNameBytes);
      return false;
    }
    BmxKey& key = f.keys.emplace_back();
    key.name = Name(s, at);
    key.count = ReadLe32(s, at + kNameBytes);
    // As many values as the key states and the file holds.
    for (at += kNameBytes + kWord; key.values.size() < key.count; at += kNameBytes) {
      if (!Fits(s, at, kNameBytes)) {
        Stop(f, BmxStop::EndsInsideName, BmxPart::Dictionary, at);
        return false;
      }
      key.values.push_back(Name(s, at));
    }
  }
  return true;
}

// The records up to the final word, each with its body decoded.
void ReadRecords(std::string_view s, BmxFile& f, std::size_t at) {
  // Every record moves on by its head at least: the loop ends with the file.
  for (;;) {
    f.finalAt = at;
    if (!Fits(s, at, kWord)) {
      Stop(f, BmxStop::EndsInsideWord, BmxPart::Records, at);
      return;
    }
    BmxRecord r;
    r.at = at;
    r.type = ReadLe32(s, at);
    if (r.type == 0) {
      f.trailing = s.size() - at - kWord;
      return;
    }
    if (!Fits(s, at + kWord, kWord)) {
      Stop(f, BmxStop::EndsInsideWord, BmxPart::Records, at + kWord);
      return;
    }
    r.next = ReadLe32(s, at + kWord);
    at += 2 * kWord;
    for (std::size_t k = 0; k < f.keys.size(); ++k, at += kWord) {
      if (!Fits(s, at, kWord)) {
        Stop(f, BmxStop::EndsInsideWord, BmxPart::Records, at);
        return;
      }
      r.indexes.push_back(ReadLe32(s, at));
    }
    r.bodyAt = at;
    if (r.next < at || r.next > s.size()) {
      r.nextOutside = true;
      f.records.push_back(std::move(r));
      Stop(f, BmxStop::NextOutside, BmxPart::Records, at);
      return;
    }
    r.bodySize = r.next - at;
    DecodeBody(s, r);
    at = r.next;
    f.records.push_back(std::move(r));
  }
}

}  // namespace

BmxFile DecodeBmxFile(std::string_view s) {
  BmxFile f;
  std::size_t at = 0;
  if (s.substr(0, 2) == "BM" && s.substr(0, 4) != "BMX2") {
    ReadBackground(s, f, at);
    if (f.stop != BmxStop::FinalWord) return f;
  }
  if (ReadHead(s, f, at) && ReadDictionary(s, f, at)) ReadRecords(s, f, at);
  return f;
}

}  // namespace q32
