// The listing of a ".bmx" softkey image for the preview's details view,
// from the decoder's reading of it (none of the generator's code): the
// background bitmap, the header, the attribute dictionary and every record,
// layers rebuilt over the background from their run-length units.  Whatever
// the bytes hold, a fault becomes a "!!" line; where the file ends inside a
// word, a name or the words a record's type needs, the listing ends with the
// place.
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "bmx/BmxDecoder.h"
#include "text/Format.h"

namespace q32 {
namespace {

// Sizes as printf takes them on every host.
unsigned long U(std::size_t v) { return static_cast<unsigned long>(v); }


std::string EndsInsideWord(std::size_t at) { return Format("!! file ends inside a word at %lu\n", U(at)); }

// A name field: the name up to its first zero.
std::string Name(const BmxName& name) { return name.zeroFilled ? name.name : name.name + " (!! not zero-filled)"; }

// Pixels as rows in file order when they are few, else how many differ from
// base (when given).
std::string Rows(const std::vector<std::uint32_t>& p, int width, const std::vector<std::uint32_t>* base = nullptr) {
  std::string out;
  if (p.size() > 64) {
    std::size_t differ = 0;
    for (std::size_t i = 0; base && i < p.size(); ++i) differ += p[i] != (*base)[i];
    return base ? Format("    %lu pixels, %lu differ from the background\n", U(p.size()), U(differ))
                : Format("    %lu pixels\n", U(p.size()));
  }
  for (std::size_t i = 0; i < p.size(); ++i)
    out += Format(i % width == 0 ? "    %06X" : " %06X", p[i]) + ((i + 1) % width == 0 ? "\n" : "");
  return out;
}

// What a bitmap's info header describes, or why its pixels are not listed.
std::string Why(const BmpInfoHeader& info, bool described, bool inside) {
  if (!described || info.compression != 0)
    return Format("%d x %d pixels, %u bits, compression %u", info.width, info.height, unsigned{info.bitCount},
             info.compression);
  if (!inside) return Format("%d x %d pixels, !! pixels beyond the bytes", info.width, info.height);
  return {};
}

// The units ("run", "skip", "literal", the first twelve listed) up to the
// first that is not as the writer lays it out, and the pixel differences
// they stand for; false with the fault.
bool ListUnits(std::string_view s, const BmxLayerUnits& layer, std::vector<std::uint32_t>& d,
               std::string& units, std::string& error) {
  units.clear();
  std::size_t count = 0, taken = 0;
  auto add = [&](const std::string& unit) { units += ++count <= 12 ? unit + ", " : count == 13 ? "..., " : ""; };
  auto differences = [&] {
    d = BmxLayerDifferences(s, std::span(layer.units).first(taken), std::numeric_limits<std::size_t>::max());
  };
  auto fail = [&](const char* why) {
    differences();
    error = why;
    return false;
  };
  for (const BmxLayerUnit& u : layer.units) {
    if (u.kind == BmxUnitKind::Run) {
      add(Format("run %u %06X", u.count, u.value));
    } else if (u.kind == BmxUnitKind::End) {
      units += count > 12 ? Format("end (%lu units before)", U(count)) : "end";
      if (!u.clean) return fail("end unit not 00 01 00 00");
      if (u.end != s.size()) return fail("bytes after the end unit");
      differences();
      return true;
    } else if (u.kind == BmxUnitKind::Skip) {
      add(Format("skip %u", u.count));
      if (u.count == 0) return fail("skip of 0");
    } else {
      if (!u.whole) return fail("literal beyond the stream");
      std::string unit = Format("literal %u", u.count);
      for (std::size_t k = 0; k < u.count; ++k)
        if (k < 4 || k + 1 == u.count)
          unit += Format(k + 1 == u.count && k > 4 ? " ... %06X" : " %06X", BmxPixel(s, u.at + 2 + 3 * k));
      ++taken;
      add(unit);
      if (!u.clean) return fail("literal padding not zero");
      continue;
    }
    ++taken;
  }
  switch (layer.stop) {
    case BmxLayerStop::TooManyPixels: return fail("more pixels than any picture holds");
    case BmxLayerStop::ZeroUnit: return fail("unit 00 00");
    case BmxLayerStop::LiteralBeyond: return fail("literal beyond the stream");
    default: return fail("no end unit");
  }
}

// A record's body: a layer's units and the picture it makes of the
// background, a text's words, a placed bitmap's or an SVG picture's place,
// size and contents; "!!" where a size word does not match the body.
std::string RecordBody(const BmxRecord& r, std::string_view b, const std::vector<std::uint32_t>& background, int width) {
  std::string body;
  if (r.IsLayer()) {
    std::vector<std::uint32_t> d;
    std::string units, error;
    if (r.unitsSize != b.size() - 4) body += Format("!! units size word %d\n", static_cast<int>(r.unitsSize));
    const bool ok = ListUnits(b.substr(4), r.units, d, units, error);
    body += "    " + (units.empty() ? "no whole unit" : units) + "\n";
    if (!ok) body += "!! " + error + "\n";
    if (d.size() > background.size()) body += "!! more pixels than the background\n";
    std::vector<std::uint32_t> picture = background;
    for (std::size_t p = 0; ok && p < d.size() && p < picture.size(); ++p) picture[p] ^= d[p];
    if (ok && d.size() <= picture.size()) body += Rows(picture, width, &background);
  } else if (r.IsText()) {
    const BmxTextRecord& t = r.text;
    auto w = [&t](std::size_t k) { return static_cast<int>(t.words[k]); };
    body += Format("    horizontal %d vertical %d, position %d %d %d, size given %d, font %d %d ", w(1), w(2), w(3),
              w(4), w(5), w(6), w(7), w(8)) +
            Quoted(t.font, 36) + Format(", colour %d %06X\n    ", w(18), w(19)) + Quoted(t.text) + "\n";
    if (!t.asLaidOut) body += "!! text body not as laid out\n";
  } else if (r.IsPlacedBitmap()) {
    const BmxPlacedBitmap& p = r.bitmap;
    auto w = [&p](std::size_t k) { return static_cast<int>(p.words[k]); };
    const std::string why = Why(p.info, p.described, p.inside);
    body += Format("    position %d %d %d, pixel offset %d, %d bytes, ", w(0), w(1), w(2), w(3), w(4)) +
            (why.empty() ? Format("%d x %d pixels\n", p.info.width, p.info.height) + Rows(p.pixels, p.info.width)
                         : why + "\n");
    if (p.words[4] != b.size() - 20) body += "!! size word\n";
  } else if (r.IsSvg()) {
    auto w = [&r](std::size_t k) { return static_cast<int>(r.svg.words[k]); };
    body += Format("    word %d, position %d %d %d, size %d %d %d, %d bytes ", w(0), w(1), w(2), w(3), w(4), w(5), w(6),
              w(7)) +
            Quoted(r.svg.svg, 60) + "\n";
    if (r.svg.words[7] != b.size() - 32) body += "!! size word\n";
  } else {
    body += Format("    %lu bytes\n", U(b.size()));
  }
  return body;
}

}  // namespace

bool ListBmxLayerUnits(std::string_view s, std::vector<std::uint32_t>& d, std::string& units, std::string& error) {
  return ListUnits(s, ReadBmxLayerUnits(s), d, units, error);
}

std::string BmxListing(std::string_view s) {
  const BmxFile f = DecodeBmxFile(s);
  std::string out;
  auto stopLine = [&f] {
    if (f.stop == BmxStop::BackgroundBeyondFile)
      return Format("!! file background size %lu beyond the file\n", U(f.stopAt));
    if (f.stop == BmxStop::EndsInsideName) return Format("!! file ends inside the name at %lu\n", U(f.stopAt));
    return EndsInsideWord(f.stopAt);
  };

  std::vector<std::uint32_t> background;
  int width = 0;
  const BmxBackground& bg = f.background;
  if (bg.present) {
    if (f.stopPart == BmxPart::Background) return out + stopLine();
    if (bg.headerCutAt) return out + EndsInsideWord(bg.headerCutAt);
    const BmpInfoHeader& info = bg.header.info;
    width = info.width;
    const std::string why = Why(info, bg.described, bg.inside);
    if (why.empty()) background = bg.pixels;
    out += Format("background: %lu bytes, ", U(bg.size)) +
           (why.empty() ? Format("%d x %d pixels\n", info.width, info.height) : why + "\n");
    out += Rows(background, width);
  } else {
    out += "background: none\n";
  }

  if (f.stop == BmxStop::NoHeader) return out + Format("!! no BMX2 or BXX3 at %lu\n", U(f.stopAt));
  if (f.stopPart == BmxPart::Header) return out + stopLine();
  if (f.extended) {
    const std::vector<std::uint32_t>& w = f.headerWords;
    out += Format("BXX3: transparent colour %u %06X, background colour %u %06X, interval %u\n", w[0], w[1], w[2], w[3],
             w[4]);
    out += Format("      size %u x %u, coding %s, scalable %u, last word %u\n", w[5], w[6],
             w[7] == 0 ? "Latin-1" : w[7] == 1 ? "UTF-8" : "!! unknown", w[8], w[9]);
  } else {
    out += "BMX2\n";
  }

  if (f.stop == BmxStop::TooManyKeys) return out + Format("!! %u dictionary keys\n", f.keyCount);
  for (const BmxKey& key : f.keys) {
    if (key.values.size() < key.count) break;  // the file ends inside it
    std::string line = "key " + Name(key.name) + ":";
    for (const BmxName& value : key.values) line += " " + Name(value);
    out += line + "\n";
  }
  if (f.stopPart == BmxPart::Dictionary) return out + stopLine();

  // Records alike in every field are counted, not listed again.
  std::string previousHead, previousBody;
  int same = 0;
  for (std::size_t i = 0; i < f.records.size(); ++i) {
    const BmxRecord& r = f.records[i];
    const int record = static_cast<int>(i) + 1;
    static const char* kTypes[] = {"?", "layer", "text", "placed bitmap", "svg"};
    std::string head = r.type < 5 ? kTypes[r.type] : Format("type %u", r.type);
    for (std::size_t k = 0; k < f.keys.size(); ++k) {
      const std::uint32_t index = r.indexes[k];
      const std::vector<BmxName>& values = f.keys[k].values;
      if (index != kBmxNoValue)
        head += " " + Name(f.keys[k].name) + "=" + (index < values.size() ? Name(values[index]) : Format("!!%u", index));
    }
    if (r.nextOutside) return out + Format("record %d: ", record) + head + Format("\n!! next at %u\n", r.next);
    const std::string_view b = r.Body(s);
    if (r.bodyShort) return out + EndsInsideWord(r.shortAt);
    const std::string body = RecordBody(r, b, background, width);
    if (head == previousHead && body == previousBody) {
      ++same;
      continue;
    }
    if (same > 0) out += Format("    (%d more alike)\n", same);
    out += Format("record %d: ", record) + head + (body == previousBody ? ", body as above\n" : "\n" + body);
    previousHead = head, previousBody = body, same = 0;
  }
  if (f.stop != BmxStop::FinalWord) return out + stopLine();
  if (same > 0) out += Format("    (%d more alike)\n", same);
  if (f.trailing) out += Format("!! %lu bytes after the final word\n", U(f.trailing));
  return out + "end\n";
}

}  // namespace q32
