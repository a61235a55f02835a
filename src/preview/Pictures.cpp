#include "preview/Pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include "raster/RasterDecoder.h"

namespace q32 {

// Not every C library names pi (MinGW's does only on request).
constexpr double kPi = 3.14159265358979323846;

const char* const RenderingChoices::kText =
    "Raster softkeys: a set bit is drawn black, a clear bit white (the record files carry bits, not colours). "
    "Vector softkeys: drawn on light grey, y upward from the bottom edge, colour numbers 0 to 15 in the 16 "
    "standard VGA colours (9, the colour every drawing uses, is shown in blue-black for contrast); block calls "
    "followed "
    "to the distance the drawing's writer computed (from 26 bytes past a call in the entities, from 18 bytes "
    "before it in a block with a header, from its operand in a block without one); texts in a "
    "monospace font whose character cell is 8 x 12 pixels for small, 16 x 20 for medium and 32 x 36 for big "
    "text, the position being the cell's lower left corner; fill points as a small dot. BMX softkeys: the "
    "background alone and with each layer that changes it; texts listed per language.";

const char* const RenderingChoices::kPalette[17] = {"#000000", "#0000aa", "#00aa00", "#00aaaa", "#aa0000", "#aa00aa",
                                                    "#aa5500", "#aaaaaa", "#555555", "#101030", "#55ff55", "#55ffff",
                                                    "#ff5555", "#ff55ff", "#ffff55", "#ffffff", "#ff00ff"};

int RenderingChoices::CharWidth(int sizeCode) { return sizeCode == 5 ? 32 : sizeCode == 3 ? 16 : 8; }
int RenderingChoices::CharHeight(int sizeCode) { return sizeCode == 5 ? 36 : sizeCode == 3 ? 20 : 12; }

namespace {

constexpr int kWidth = 77, kHeight = 48;

std::string Format(const char* format, double a = 0, double b = 0, double c = 0, double d = 0) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '&')
      out += "&amp;";
    else if (c == '"')
      out += "&quot;";
    else if (c < 0x20)
      out += "?";
    else if (c >= 0x80)
      out += "&#" + std::to_string(c) + ";";  // Latin-1 on the control
    else
      out += static_cast<char>(c);
  }
  return out;
}

// The vector record walk: a small interpreter of the record words.
class VectorWalk {
 public:
  VectorWalk(const std::string& d, bool le, int language) : d_(d), le_(le), language_(language) {}

  bool Has(std::size_t at, std::size_t n) const { return at <= d_.size() && d_.size() - at >= n; }
  int Word(std::size_t at) const {
    const auto b0 = static_cast<unsigned char>(d_[at]), b1 = static_cast<unsigned char>(d_[at + 1]);
    return le_ ? b0 | b1 << 8 : b0 << 8 | b1;
  }
  // The REA and the language tests of text softkeys are written as fixed
  // bytes whatever the byte order of the words.
  bool Fixed(std::size_t at, int first, int second) const {
    return Has(at, 2) && static_cast<unsigned char>(d_[at]) == first &&
           static_cast<unsigned char>(d_[at + 1]) == second;
  }
  int Signed(std::size_t at) const { return static_cast<std::int16_t>(Word(at)); }

  void Run(VectorVariant& v, VectorPicture& picture) {
    std::size_t at = 0;
    const bool drawing = Has(0, 8) && d_.compare(4, 4, "HV02") == 0;
    if (drawing) at = 8;
    // The block subroutines lie between the blocks skip and its target; a
    // call must land on the first record of one of them.
    std::size_t blocksEnd = 12;
    if (drawing && Has(8, 4) && Word(8) == 0x3C00) blocksEnd = (10 + static_cast<std::size_t>(Word(10))) % 65536;
    // Return addresses, and the block being drawn with it (none: ENTITIES).
    std::vector<std::pair<std::size_t, std::size_t>> returns;
    std::size_t block = 0;
    for (long steps = 0;; ++steps) {
      if (steps > 200000) return Stop(picture, "the records loop");
      if (!Has(at, 2)) return Stop(picture, "the records end without the end word");
      if (!drawing && Fixed(at, 0x38, 0) && Has(at, 4)) {  // REA
        at += 4;
        continue;
      }
      if (!drawing && Fixed(at, 0x3A, 0) && Has(at, 10) && Fixed(at + 6, 0x3C, 2)) {  // language test
        const auto language = static_cast<unsigned char>(d_[at + 5]), skip = static_cast<unsigned char>(d_[at + 9]);
        at = language == language_ ? at + 10 : at + 8 + skip;
        continue;
      }
      const int op = Word(at);
      auto need = [&](std::size_t words) { return Has(at, 2 + 2 * words); };
      auto w = [&](std::size_t k) { return Word(at + 2 + 2 * k); };
      auto s = [&](std::size_t k) { return Signed(at + 2 + 2 * k); };
      if (op == 0xFFFF) return;
      if (op == 0x3D00) {
        if (returns.empty()) return Stop(picture, "a block end outside a block");
        at = returns.back().first;
        block = returns.back().second;
        returns.pop_back();
        continue;
      }
      if (!need(1)) return Stop(picture, "a record is cut off");
      switch (op) {
        case 0x3C00:  // skip forward (over the block subroutines)
          at = (at + 2 + static_cast<std::size_t>(w(0))) % 65536;
          continue;
        case 0x3B80: {  // call of a block subroutine
          if (returns.size() >= 32) return Stop(picture, "block calls nest too deep");
          returns.push_back({at + 4, block});
          ++picture.calls;
          // The distance counts as the drawing's writer lays the file out: in
          // ENTITIES from 26 bytes past the call, in a block with a header
          // from 18 bytes before it, in a block without one from its operand.
          std::size_t from = at + 2;
          if (block == 0)
            from = at + 26;
          else if (Has(block, 2) && Word(block) == 0x3A00)
            from = at - 18;
          at = (from + static_cast<std::size_t>(w(0))) % 65536;
          block = at;
          if (at < 12 || at >= blocksEnd || (at != 12 && (!Has(at - 2, 2) || Word(at - 2) != 0x3D00)))
            return Stop(picture, "a block call lands at byte " + std::to_string(at) + ", not on a block");
          continue;
        }
        case 0x3800:  // the language selection of a text softkey
          at += 4;
          continue;
        case 0x3C02:  // the skip of a para test: every para is drawn
        case 0x3C04:
          at += 4;
          continue;
        case 0x3100:
        case 0x3300:
        case 0x3A00:  // a para test
          if (!need(2)) return Stop(picture, "a record is cut off");
          at += 6;
          continue;
        default:
          break;
      }
      // Drawing records: para records carry one more word after the opcode.
      const bool para = (op & 0x00FF) == 0x40;
      const std::size_t o = para ? 1 : 0;
      const int base = op & 0xFF00;
      auto colourAt = [&](std::size_t k) { return para ? 9 : w(k); };
      if (base == 0x1200) {
        if (!need(o + 6)) return Stop(picture, "a record is cut off");
        Line(v, s(o), s(o + 1), s(o + 2), s(o + 3), colourAt(o + 5));
        at += 2 + 2 * (o + 6);
        // A para line carries its eight words twice: one line.
        if (para && Has(at, 16) && d_.compare(at, 16, d_, at - 16, 16) == 0) at += 16;
      } else if (base == 0x1A00) {
        if (!need(o + 5)) return Stop(picture, "a record is cut off");
        Circle(v, s(o), s(o + 1), w(o + 2), colourAt(o + 4));
        at += 2 + 2 * (o + 5);
      } else if (base == 0x1C00) {
        if (!need(o + 9)) return Stop(picture, "a record is cut off");
        Arc(v, s(o), s(o + 1), s(o + 2), s(o + 3), s(o + 4), s(o + 5), colourAt(o + 8));
        at += 2 + 2 * (o + 9);
      } else if (base == 0x2200) {
        if (!need(o + 4)) return Stop(picture, "a record is cut off");
        Dot(v, s(o), s(o + 1), colourAt(o + 3));
        at += 2 + 2 * (o + 4);
      } else if (base == 0x1000) {
        if (!need(o + 3)) return Stop(picture, "a record is cut off");
        Dot(v, s(o), s(o + 1), colourAt(o + 2));
        at += 2 + 2 * (o + 3);
      } else if (base == 0x2A00) {
        if (!need(o + 3)) return Stop(picture, "a record is cut off");
        const std::size_t n = static_cast<std::size_t>(w(o + 2));
        const std::size_t textAt = at + 2 + 2 * (o + 3), textBytes = n + n % 2;
        const std::size_t tail = para ? 4 : 2;  // size, colour (para: size, 1, 0800h, 000Ah)
        if (!Has(textAt, textBytes + 2 * tail)) return Stop(picture, "a text record is cut off");
        const int size = Word(textAt + textBytes);
        Text(v, s(o), s(o + 1), d_.substr(textAt, n), size, para ? 9 : Word(textAt + textBytes + 2));
        at = textAt + textBytes + 2 * tail;
      } else {
        char why[64];
        std::snprintf(why, sizeof why, "an unknown record %04X at byte %zu", static_cast<unsigned>(op), at);
        return Stop(picture, why);
      }
    }
  }

 private:
  static const char* Colour(int c) { return RenderingChoices::kPalette[c >= 0 && c < 16 ? c : 16]; }
  // Softkey coordinates (y upward) into the SVG's (y downward), at pixel centres.
  static double X(int x) { return x + 0.5; }
  static double Y(int y) { return kHeight - 1 - y + 0.5; }
  void Extend(VectorVariant& v, int x0, int y0, int x1, int y1) {
    if (!v.drawsSomething) v.minX = x0, v.minY = y0, v.maxX = x1, v.maxY = y1;
    v.minX = std::min(v.minX, x0), v.minY = std::min(v.minY, y0);
    v.maxX = std::max(v.maxX, x1), v.maxY = std::max(v.maxY, y1);
    v.drawsSomething = true;
  }
  void Line(VectorVariant& v, int x1, int y1, int x2, int y2, int c) {
    Extend(v, std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
    v.svg += Format("<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\"", X(x1), Y(y1), X(x2), Y(y2)) + " stroke=\"" +
             Colour(c) + "\"/>\n";
  }
  void Circle(VectorVariant& v, int x, int y, int r, int c) {
    Extend(v, x - r, y - r, x + r, y + r);
    v.svg += Format("<circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"none\"", X(x), Y(y), r) + " stroke=\"" + Colour(c) +
             "\"/>\n";
  }
  void Arc(VectorVariant& v, int sx, int sy, int ex, int ey, int cx, int cy, int c) {
    // Counter-clockwise from start to end around the centre, as drawings go.
    const double r = std::hypot(sx - cx, sy - cy);
    double a0 = std::atan2(sy - cy, sx - cx), a1 = std::atan2(ey - cy, ex - cx);
    double sweep = a1 - a0;
    while (sweep <= 0) sweep += 2 * kPi;
    const int ri = static_cast<int>(std::ceil(r));
    Extend(v, cx - ri, cy - ri, cx + ri, cy + ri);
    v.svg += Format("<path d=\"M %g %g A %g %g", X(sx), Y(sy), r, r) +
             Format(" 0 %g 0 %g", sweep > kPi ? 1 : 0, X(ex)) + Format(" %g\" fill=\"none\"", Y(ey)) + " stroke=\"" +
             Colour(c) + "\"/>\n";
  }
  void Dot(VectorVariant& v, int x, int y, int c) {
    Extend(v, x, y, x, y);
    v.svg += Format("<circle cx=\"%g\" cy=\"%g\" r=\"0.8\"", X(x), Y(y)) + " fill=\"" + Colour(c) + "\"/>\n";
  }
  void Text(VectorVariant& v, int x, int y, const std::string& text, int size, int c) {
    const int cw = RenderingChoices::CharWidth(size), ch = RenderingChoices::CharHeight(size);
    const int n = static_cast<int>(text.size());
    // How far a text reaches is the control's font's business, not the
    // file's: texts do not count in the extent.
    v.texts.push_back(text);
    if (n == 0) return;
    v.svg +=
        Format("<text x=\"%g\" y=\"%g\" font-size=\"%g\" textLength=\"%g\"", x, kHeight - y - ch * 0.15, ch, cw * n) +
        " lengthAdjust=\"spacingAndGlyphs\" font-family=\"monospace\" fill=\"" + Colour(c) + "\">" + XmlEscape(text) +
        "</text>\n";
  }
  void Stop(VectorPicture& picture, const std::string& why) {
    if (picture.problem.empty()) picture.problem = why;
  }

  const std::string& d_;
  bool le_;
  int language_;
};

// The language indices a text softkey tests, in file order.
std::vector<int> TestedLanguages(const std::string& d) {
  std::vector<int> out;
  for (std::size_t at = 0; at + 10 <= d.size(); ++at) {
    const auto* p = reinterpret_cast<const unsigned char*>(d.data() + at);
    if (p[0] == 0x3A && !p[1] && p[6] == 0x3C && p[7] == 0x02 && !p[2] && !p[3] && !p[4]) {
      const int language = p[5];
      if (std::find(out.begin(), out.end(), language) == out.end()) out.push_back(language);
    }
  }
  return out;
}

std::uint32_t Le32(const std::string& s, std::size_t at) {
  if (at > s.size() || s.size() - at < 4) return 0;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
  return v;
}

std::uint32_t Pixel(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
         static_cast<unsigned char>(s[at + 2]) << 16;
}

// Stored blue, green, red: the value as 0xRRGGBB.
std::uint32_t Rgb(std::uint32_t stored) { return stored; }

std::string NameField(const std::string& s, std::size_t at) {
  if (at > s.size() || s.size() - at < 8) return {};
  std::string field = s.substr(at, 8);
  return field.substr(0, field.find('\0'));
}

}  // namespace

bool LooksLikeVector(const std::string& d) {
  if (d.size() >= 8 && d.compare(4, 4, "HV02") == 0) return true;
  if (d.size() < 2) return false;
  const auto b0 = static_cast<unsigned char>(d[0]), b1 = static_cast<unsigned char>(d[1]);
  // A raster element list starts with its element code 2600h.
  return !((b0 == 0x26 && b1 == 0) || (b0 == 0 && b1 == 0x26));
}

Pixels RasterPixels(const RasterSoftkeyImage& image) {
  Pixels out{kWidth, kHeight, std::vector<std::uint32_t>(kWidth * kHeight, RenderingChoices::kClearBit)};
  for (int line = 0; line < kHeight; ++line)
    for (int column = 0; column < kWidth; ++column)
      if (image.bits[static_cast<std::size_t>(line)][static_cast<std::size_t>(column)])
        out.rgb[static_cast<std::size_t>(line * kWidth + column)] = RenderingChoices::kSetBit;
  return out;
}

VectorPicture DecodeVectorSoftkey(const std::string& d) {
  VectorPicture picture;
  // The byte order shows in the first opcode: its low byte is zero.
  // The REA and the language tests are fixed bytes in either order: the
  // first record after them tells.
  std::size_t first = 0;
  while (first + 4 <= d.size() && d[first] == 0x38 && !d[first + 1]) first += 4;
  while (first + 10 <= d.size() && d[first] == 0x3A && d[first + 6] == 0x3C) first += 10;
  const bool le = d.size() > first + 1 && d[first] == 0 && d[first + 1] != 0;
  std::vector<int> languages = TestedLanguages(d);
  if (d.size() >= 8 && d.compare(4, 4, "HV02") == 0) languages.clear();
  languages.push_back(-1);
  for (int language : languages) {
    VectorVariant v;
    v.language = language;
    VectorWalk walk(d, le, language);
    VectorPicture one;
    walk.Run(v, one);
    if (picture.problem.empty()) picture.problem = one.problem;
    picture.calls = std::max(picture.calls, one.calls);
    v.svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 77 48\" width=\"231\" height=\"144\" "
        "stroke-width=\"1\" stroke-linecap=\"square\">\n<rect width=\"77\" height=\"48\" fill=\"" +
        std::string(RenderingChoices::kVectorBackground) + "\"/>\n" + v.svg + "</svg>\n";
    picture.variants.push_back(std::move(v));
  }
  return picture;
}

BmxPicture DecodeBmx(const std::string& s) {
  BmxPicture out;
  std::size_t at = 0;
  std::vector<std::uint32_t> background;
  int width = 0, height = 0;
  if (s.compare(0, 2, "BM") == 0 && s.compare(0, 4, "BMX2") != 0) {
    at = Le32(s, 2);
    const std::size_t pixels = Le32(s, 10);
    width = static_cast<std::int32_t>(Le32(s, 18));
    const std::int64_t h = static_cast<std::int32_t>(Le32(s, 22));
    // The most negative height has no positive counterpart in 32 bits.
    height = static_cast<int>(std::min<std::int64_t>(h < 0 ? -h : h, 1 << 30));
    const std::uint32_t bits = Le32(s, 26) >> 16;
    const std::size_t rowSize = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (at > s.size() || bits != 24 || width <= 0 || height <= 0 || width > 4096 || height > 4096 || pixels > at ||
        at - pixels < rowSize * static_cast<std::size_t>(height)) {
      out.problem = "the background is not a 24-bit bitmap";
      return out;
    }
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        background.push_back(
            Pixel(s, pixels + static_cast<std::size_t>(y) * rowSize + static_cast<std::size_t>(x) * 3));
    out.pixels.width = width;
    out.pixels.height = height;
    out.pixels.rgb.resize(background.size());
    // Rows stored bottom-up unless the height is negative.
    for (int y = 0; y < height; ++y) {
      const int from = h < 0 ? y : height - 1 - y;
      for (int x = 0; x < width; ++x)
        out.pixels.rgb[static_cast<std::size_t>(y * width + x)] =
            Rgb(background[static_cast<std::size_t>(from * width + x)]);
    }
  } else {
    out.problem = "no background";
    return out;
  }
  const std::string magic = s.substr(at, 4);
  at += 4;
  if (magic == "BXX3") {
    out.utf8 = Le32(s, at + 28) == 1;
    at += 40;
  } else if (magic != "BMX2") {
    out.problem = "no BMX2 or BXX3 header";
    return out;
  }
  const std::uint32_t keyCount = Le32(s, at);
  if (keyCount > 64) {
    out.problem = "a broken attribute dictionary";
    return out;
  }
  at += 4;
  std::vector<std::pair<std::string, std::vector<std::string>>> keys(keyCount);
  for (auto& [key, values] : keys) {
    key = NameField(s, at);
    const std::uint32_t n = Le32(s, at + 8);
    if (n > 256) {
      out.problem = "a broken attribute dictionary";
      return out;
    }
    for (at += 12; values.size() < n; at += 8) values.push_back(NameField(s, at));
  }
  for (int record = 0; record < 10000; ++record) {
    if (at + 4 > s.size()) {
      out.problem = "the records end without the final word";
      return out;
    }
    const std::uint32_t type = Le32(s, at), next = Le32(s, at + 4);
    if (type == 0) return out;
    if (at + 8 > s.size()) {
      out.problem = "a record is cut off";
      return out;
    }
    at += 8;
    std::string attributes;
    for (const auto& [key, values] : keys) {
      const std::uint32_t index = Le32(s, at);
      at += 4;
      if (index != 0xFFFFFFFFu && index < values.size())
        attributes += (attributes.empty() ? "" : " ") + key + "=" + values[index];
    }
    if (next < at || next > s.size()) {
      out.problem = "a record runs past the end";
      return out;
    }
    const std::string b = s.substr(at, next - at);
    at = next;
    if (type == 1) {
      // Run-length units of pixel differences, applied to the stored rows.
      std::vector<std::uint32_t> diff;
      for (std::size_t u = 4; u + 4 <= b.size() && diff.size() <= background.size();) {
        const auto a = static_cast<unsigned char>(b[u]), c = static_cast<unsigned char>(b[u + 1]);
        if (a != 0) {
          diff.insert(diff.end(), a, Pixel(b, u + 1));
          u += 4;
        } else if (c == 1) {
          break;
        } else if (c == 2) {
          diff.insert(diff.end(), static_cast<unsigned char>(b[u + 2]) | static_cast<unsigned char>(b[u + 3]) << 8, 0);
          u += 4;
        } else if (c >= 3 && u + 2 + 3 * c <= b.size()) {
          for (std::size_t k = 0; k < c; ++k) diff.push_back(Pixel(b, u + 2 + 3 * k));
          u = (u + 2 + 3 * c + 3) / 4 * 4;
        } else {
          out.problem = "a broken layer";
          break;
        }
      }
      const int h = static_cast<std::int32_t>(Le32(s, 22));
      Pixels layered = out.pixels;
      bool changes = false;
      for (std::size_t i = 0; i < diff.size() && i < background.size(); ++i) {
        const int y = static_cast<int>(i) / width, x = static_cast<int>(i) % width;
        const int row = h < 0 ? y : height - 1 - y;
        layered.rgb[static_cast<std::size_t>(row * width + x)] ^= diff[i];
        changes = changes || diff[i] != 0;
      }
      if (changes && out.layers.size() < 8) out.layers.emplace_back(attributes, std::move(layered));
    } else if (type == 2 && b.size() >= 84) {
      const std::uint32_t length = Le32(b, 80);
      if (length > 0 && length <= b.size() - 84) out.texts.push_back({attributes, b.substr(84, length - 1)});
    }
  }
  return out;
}

std::string EncodePng(const Pixels& p) {
  std::vector<unsigned char> rgb;
  rgb.reserve(p.rgb.size() * 3);
  for (std::uint32_t v : p.rgb) {
    rgb.push_back(static_cast<unsigned char>(v >> 16));
    rgb.push_back(static_cast<unsigned char>(v >> 8));
    rgb.push_back(static_cast<unsigned char>(v));
  }
  std::string out;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
      },
      &out, p.width, p.height, 3, rgb.data(), p.width * 3);
  return out;
}

}  // namespace q32
