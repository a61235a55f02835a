// A listing of ".bmx" softkey images, from the library's reading of them
// (bmx/BmxDecoder.h), none of the generator's code, so that the cases show
// what a control would read: the background bitmap, the header, the
// attribute dictionary and every record, layers rebuilt over the background
// from their run-length units.  Whatever the bytes hold, a fault becomes a
// "!!" line; where the file ends inside a word, a name or the words a
// record's type needs, the listing ends with the place.
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "bmx/BmxDecoder.h"
#include "support/Decoders.h"

namespace q32test {
namespace {

std::string EndsInsideWord(std::size_t at) { return F("!! file ends inside a word at %zu\n", at); }

// A name field: the name up to its first zero.
std::string Name(const q32::BmxName& name) { return name.zeroFilled ? name.name : name.name + " (!! not zero-filled)"; }

// Pixels as rows in file order when they are few, else how many differ from
// base (when given).
std::string Rows(const std::vector<std::uint32_t>& p, int width, const std::vector<std::uint32_t>* base = nullptr) {
  std::string out;
  if (p.size() > 64) {
    std::size_t differ = 0;
    for (std::size_t i = 0; base && i < p.size(); ++i) differ += p[i] != (*base)[i];
    return base ? F("    %zu pixels, %zu differ from the background\n", p.size(), differ)
                : F("    %zu pixels\n", p.size());
  }
  for (std::size_t i = 0; i < p.size(); ++i)
    out += F(i % width == 0 ? "    %06X" : " %06X", p[i]) + ((i + 1) % width == 0 ? "\n" : "");
  return out;
}

// What a bitmap's info header describes, or why its pixels are not listed.
std::string Why(const q32::BmpInfoHeader& info, bool described, bool inside) {
  if (!described || info.compression != 0)
    return F("%d x %d pixels, %u bits, compression %u", info.width, info.height, unsigned{info.bitCount},
             info.compression);
  if (!inside) return F("%d x %d pixels, !! pixels beyond the bytes", info.width, info.height);
  return {};
}

// The units ("run", "skip", "literal", the first twelve listed) up to the
// first that is not as the writer lays it out, and the pixel differences
// they stand for; false with the fault.
bool ListUnits(std::string_view s, const q32::BmxLayerUnits& layer, std::vector<std::uint32_t>& d,
               std::string& units, std::string& error) {
  units.clear();
  std::size_t count = 0, taken = 0;
  auto add = [&](const std::string& unit) { units += ++count <= 12 ? unit + ", " : count == 13 ? "..., " : ""; };
  auto differences = [&] {
    d = q32::BmxLayerDifferences(s, std::span(layer.units).first(taken), std::numeric_limits<std::size_t>::max());
  };
  auto fail = [&](const char* why) {
    differences();
    error = why;
    return false;
  };
  for (const q32::BmxLayerUnit& u : layer.units) {
    if (u.kind == q32::BmxUnitKind::Run) {
      add(F("run %u %06X", u.count, u.value));
    } else if (u.kind == q32::BmxUnitKind::End) {
      units += count > 12 ? F("end (%zu units before)", count) : "end";
      if (!u.clean) return fail("end unit not 00 01 00 00");
      if (u.end != s.size()) return fail("bytes after the end unit");
      differences();
      return true;
    } else if (u.kind == q32::BmxUnitKind::Skip) {
      add(F("skip %u", u.count));
      if (u.count == 0) return fail("skip of 0");
    } else {
      if (!u.whole) return fail("literal beyond the stream");
      std::string unit = F("literal %u", u.count);
      for (std::size_t k = 0; k < u.count; ++k)
        if (k < 4 || k + 1 == u.count)
          unit += F(k + 1 == u.count && k > 4 ? " ... %06X" : " %06X", q32::BmxPixel(s, u.at + 2 + 3 * k));
      ++taken;
      add(unit);
      if (!u.clean) return fail("literal padding not zero");
      continue;
    }
    ++taken;
  }
  switch (layer.stop) {
    case q32::BmxLayerStop::TooManyPixels: return fail("more pixels than any picture holds");
    case q32::BmxLayerStop::ZeroUnit: return fail("unit 00 00");
    case q32::BmxLayerStop::LiteralBeyond: return fail("literal beyond the stream");
    default: return fail("no end unit");
  }
}

}  // namespace

// The units of a layer stream ("run", "skip", "literal", the first twelve
// listed) and the pixel differences they stand for; false with the fault at a
// malformed unit.
bool DecodeLayerUnits(const std::string& s, std::vector<std::uint32_t>& d, std::string& units, std::string& error) {
  return ListUnits(s, q32::ReadBmxLayerUnits(s), d, units, error);
}

std::string DecodeBmx(const std::string& s) {
  const q32::BmxFile f = q32::DecodeBmxFile(s);
  std::string out;
  auto stopLine = [&f] {
    if (f.stop == q32::BmxStop::BackgroundBeyondFile)
      return F("!! file background size %zu beyond the file\n", f.stopAt);
    if (f.stop == q32::BmxStop::EndsInsideName) return F("!! file ends inside the name at %zu\n", f.stopAt);
    return EndsInsideWord(f.stopAt);
  };

  std::vector<std::uint32_t> background;
  int width = 0;
  const q32::BmxBackground& bg = f.background;
  if (bg.present) {
    if (f.stopPart == q32::BmxPart::Background) return out + stopLine();
    if (bg.headerCutAt) return out + EndsInsideWord(bg.headerCutAt);
    const q32::BmpInfoHeader& info = bg.header.info;
    width = info.width;
    const std::string why = Why(info, bg.described, bg.inside);
    if (why.empty()) background = bg.pixels;
    out += F("background: %zu bytes, ", std::size_t{bg.size}) +
           (why.empty() ? F("%d x %d pixels\n", info.width, info.height) : why + "\n");
    out += Rows(background, width);
  } else {
    out += "background: none\n";
  }

  if (f.stop == q32::BmxStop::NoHeader) return out + F("!! no BMX2 or BXX3 at %zu\n", f.stopAt);
  if (f.stopPart == q32::BmxPart::Header) return out + stopLine();
  if (f.extended) {
    const std::vector<std::uint32_t>& w = f.headerWords;
    out += F("BXX3: transparent colour %u %06X, background colour %u %06X, interval %u\n", w[0], w[1], w[2], w[3],
             w[4]);
    out += F("      size %u x %u, coding %s, scalable %u, last word %u\n", w[5], w[6],
             w[7] == 0 ? "Latin-1" : w[7] == 1 ? "UTF-8" : "!! unknown", w[8], w[9]);
  } else {
    out += "BMX2\n";
  }

  if (f.stop == q32::BmxStop::TooManyKeys) return out + F("!! %u dictionary keys\n", f.keyCount);
  for (const q32::BmxKey& key : f.keys) {
    if (key.values.size() < key.count) break;  // the file ends inside it
    std::string line = "key " + Name(key.name) + ":";
    for (const q32::BmxName& value : key.values) line += " " + Name(value);
    out += line + "\n";
  }
  if (f.stopPart == q32::BmxPart::Dictionary) return out + stopLine();

  // Records alike in every field are counted, not listed again.
  std::string previousHead, previousBody;
  int same = 0;
  for (std::size_t i = 0; i < f.records.size(); ++i) {
    const q32::BmxRecord& r = f.records[i];
    const int record = static_cast<int>(i) + 1;
    static const char* kTypes[] = {"?", "layer", "text", "placed bitmap", "svg"};
    std::string head = r.type < 5 ? kTypes[r.type] : F("type %u", r.type), body;
    for (std::size_t k = 0; k < f.keys.size(); ++k) {
      const std::uint32_t index = r.indexes[k];
      const std::vector<q32::BmxName>& values = f.keys[k].values;
      if (index != q32::kBmxNoValue)
        head += " " + Name(f.keys[k].name) + "=" + (index < values.size() ? Name(values[index]) : F("!!%u", index));
    }
    if (r.nextOutside) return out + F("record %d: ", record) + head + F("\n!! next at %u\n", r.next);
    const std::string_view b = r.Body(s);
    if (r.bodyShort && r.IsSvg())
      return out + F("!! file basic_string::substr: __pos (which is %zu) > this->size() (which is %zu)\n", r.shortAt,
                     b.size());
    if (r.bodyShort) return out + EndsInsideWord(r.shortAt);
    if (r.IsLayer()) {
      std::vector<std::uint32_t> d;
      std::string units, error;
      if (r.unitsSize != b.size() - 4) body += F("!! units size word %d\n", static_cast<int>(r.unitsSize));
      const bool ok = ListUnits(b.substr(4), r.units, d, units, error);
      body += "    " + (units.empty() ? "no whole unit" : units) + "\n";
      if (!ok) body += "!! " + error + "\n";
      if (d.size() > background.size()) body += "!! more pixels than the background\n";
      std::vector<std::uint32_t> picture = background;
      for (std::size_t p = 0; ok && p < d.size() && p < picture.size(); ++p) picture[p] ^= d[p];
      if (ok && d.size() <= picture.size()) body += Rows(picture, width, &background);
    } else if (r.IsText()) {
      const q32::BmxTextRecord& t = r.text;
      auto w = [&t](std::size_t k) { return static_cast<int>(t.words[k]); };
      body += F("    horizontal %d vertical %d, position %d %d %d, size given %d, font %d %d ", w(1), w(2), w(3),
                w(4), w(5), w(6), w(7), w(8)) +
              Quoted(t.font, 36) + F(", colour %d %06X\n    ", w(18), w(19)) + Quoted(t.text) + "\n";
      if (!t.asLaidOut) body += "!! text body not as laid out\n";
    } else if (r.IsPlacedBitmap()) {
      const q32::BmxPlacedBitmap& p = r.bitmap;
      auto w = [&p](std::size_t k) { return static_cast<int>(p.words[k]); };
      const std::string why = Why(p.info, p.described, p.inside);
      body += F("    position %d %d %d, pixel offset %d, %d bytes, ", w(0), w(1), w(2), w(3), w(4)) +
              (why.empty() ? F("%d x %d pixels\n", p.info.width, p.info.height) + Rows(p.pixels, p.info.width)
                           : why + "\n");
      if (p.words[4] != b.size() - 20) body += "!! size word\n";
    } else if (r.IsSvg()) {
      auto w = [&r](std::size_t k) { return static_cast<int>(r.svg.words[k]); };
      body += F("    word %d, position %d %d %d, size %d %d %d, %d bytes ", w(0), w(1), w(2), w(3), w(4), w(5), w(6),
                w(7)) +
              Quoted(r.svg.svg, 60) + "\n";
      if (r.svg.words[7] != b.size() - 32) body += "!! size word\n";
    } else {
      body += F("    %zu bytes\n", b.size());
    }
    if (head == previousHead && body == previousBody) {
      ++same;
      continue;
    }
    if (same > 0) out += F("    (%d more alike)\n", same);
    out += F("record %d: ", record) + head + (body == previousBody ? ", body as above\n" : "\n" + body);
    previousHead = head, previousBody = body, same = 0;
  }
  if (f.stop != q32::BmxStop::FinalWord) return out + stopLine();
  if (same > 0) out += F("    (%d more alike)\n", same);
  if (f.trailing) out += F("!! %zu bytes after the final word\n", f.trailing);
  return out + "end\n";
}

}  // namespace q32test
